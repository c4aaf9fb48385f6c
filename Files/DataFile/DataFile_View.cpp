#include "DataFile/DataFile_View.h"

#include <cstdarg>
#include <cstdio>

void ThrowFormatError(const char* format, ...) {
  char buffer[512];
  va_list args;
  va_start(args, format);
  std::vsnprintf(buffer, sizeof buffer, format, args);
  va_end(args);
  throw FileFormatError(buffer);
}

void DataView::require(uint64_t offset, uint64_t length, const char* what) const {
  if (!contains(offset, length)) {
    ThrowFormatError("%s: %llu bytes at offset %llu lie outside the file (%zu bytes)", what,
                     static_cast<unsigned long long>(length), static_cast<unsigned long long>(offset),
                     m_size);
  }
}

const char* DataView::string(uint32_t offset, const char* what) const {
  if (offset == 0) return nullptr;
  if (offset >= m_size) {
    ThrowFormatError("%s: string offset %u lies outside the file (%zu bytes)", what, offset, m_size);
  }
  const void* end = std::memchr(m_data + offset, 0, m_size - offset);
  if (end == nullptr) {
    ThrowFormatError("%s: string at offset %u has no terminator before the end of the file", what, offset);
  }
  return reinterpret_cast<const char*>(m_data + offset);
}

ListView DataView::list(uint64_t offset, const char* what) const {
  uint32_t count = u32(offset, what);
  if (uint64_t(count) * 4 > m_size - offset - 4) {
    ThrowFormatError("%s: list of %u entries at offset %llu does not fit in the file (%zu bytes)", what,
                     count, static_cast<unsigned long long>(offset), m_size);
  }
  return ListView(this, offset, count);
}
