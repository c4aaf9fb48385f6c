#include "Support/Support_Stream.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "Platform/Platform_Memory.h"

CStream::CStream(int64_t capacity)
    : m_buffer(nullptr), m_capacity(0), m_position(0), m_owned(true), m_overrun(false), m_corrupt(false) {
  if (capacity > 0) {
    m_buffer = static_cast<uint8_t*>(MemAlloc(static_cast<size_t>(capacity)));
    m_capacity = capacity;
  }
}

CStream::~CStream() { Release(); }

void CStream::Release() {
  if (m_owned && m_buffer != nullptr) MemFree(m_buffer);
  m_buffer = nullptr;
  m_capacity = 0;
  m_position = 0;
  m_owned = true;
}

void CStream::Reserve(int64_t count) {
  int64_t needed = m_position + count;
  if (needed <= m_capacity && m_owned) return;
  int64_t cap = m_capacity;
  if (needed > cap) {
    cap = m_capacity * 2;
    if (cap < needed) cap = needed;
  }
  if (m_owned) {
    m_buffer = static_cast<uint8_t*>(MemReAlloc(m_buffer, static_cast<size_t>(cap)));
  } else {
    // A wrapping stream that is written to takes its own copy first.
    auto* own = static_cast<uint8_t*>(MemAlloc(static_cast<size_t>(cap)));
    if (m_capacity > 0) std::memcpy(own, m_buffer, static_cast<size_t>(m_capacity));
    m_buffer = own;
    m_owned = true;
  }
  m_capacity = cap;
}

void CStream::WriteBuffer(const void* bytes, int64_t count) {
  if (count <= 0 || bytes == nullptr) return;
  Reserve(count);
  std::memcpy(m_buffer + m_position, bytes, static_cast<size_t>(count));
  m_position += count;
}

void CStream::WriteInteger(int32_t value) {
  uint8_t b[4];
  auto u = static_cast<uint32_t>(value);
  for (int i = 0; i < 4; ++i) b[i] = static_cast<uint8_t>(u >> (8 * i));
  WriteBuffer(b, 4);
}

void CStream::WriteReal(double value) {
  uint64_t u;
  std::memcpy(&u, &value, 8);
  uint8_t b[8];
  for (int i = 0; i < 8; ++i) b[i] = static_cast<uint8_t>(u >> (8 * i));
  WriteBuffer(b, 8);
}

void CStream::WriteBoolean(bool value) { WriteInteger(value ? 1 : 0); }

void CStream::WriteString(const char* text) {
  size_t length = text != nullptr ? std::strlen(text) : 0;
  // Texts longer than an int32 can count cannot be represented; they are cut at that length.
  if (length > static_cast<size_t>(INT32_MAX)) length = static_cast<size_t>(INT32_MAX);
  WriteInteger(static_cast<int32_t>(length));
  WriteBuffer(text, static_cast<int64_t>(length));
}

void CStream::ReadPadded(void* out, int64_t count) {
  int64_t available = Remaining();
  int64_t n = count < available ? count : available;
  if (n > 0) std::memcpy(out, m_buffer + m_position, static_cast<size_t>(n));
  if (n < count) {
    std::memset(static_cast<uint8_t*>(out) + n, 0, static_cast<size_t>(count - n));
    m_overrun = true;
  }
  m_position += n;
}

int32_t CStream::ReadInteger() {
  uint8_t b[4];
  ReadPadded(b, 4);
  uint32_t u = 0;
  for (int i = 0; i < 4; ++i) u |= static_cast<uint32_t>(b[i]) << (8 * i);
  return static_cast<int32_t>(u);
}

double CStream::ReadReal() {
  uint8_t b[8];
  ReadPadded(b, 8);
  uint64_t u = 0;
  for (int i = 0; i < 8; ++i) u |= static_cast<uint64_t>(b[i]) << (8 * i);
  double v;
  std::memcpy(&v, &u, 8);
  return v;
}

bool CStream::ReadBoolean() { return ReadInteger() != 0; }

char* CStream::ReadString() {
  int32_t length = ReadInteger();
  if (length == 0) return nullptr;
  int64_t available = Remaining();
  if (length < 0 || static_cast<int64_t>(length) > available + kStringSlack) {
    m_corrupt = true;
    return nullptr;
  }
  auto* text = static_cast<char*>(MemAlloc(static_cast<size_t>(length) + 1));
  int64_t n = length < available ? length : available;
  if (n > 0) std::memcpy(text, m_buffer + m_position, static_cast<size_t>(n));
  if (n < length) m_overrun = true;
  m_position += n;
  return text;
}

int64_t CStream::ReadBuffer(void* bytes, int64_t count) {
  if (count <= 0) return 0;
  int64_t available = Remaining();
  int64_t n = count < available ? count : available;
  if (n > 0) std::memcpy(bytes, m_buffer + m_position, static_cast<size_t>(n));
  m_position += n;
  return n;
}

void CStream::Seek(int64_t offset, int origin) {
  int64_t base = 0;
  if (origin == SEEK_FROM_CURRENT)
    base = m_position;
  else if (origin == SEEK_FROM_END)
    base = m_capacity;
  int64_t p;
  if (__builtin_add_overflow(base, offset, &p)) p = offset < 0 ? 0 : INT64_MAX / 2;
  if (p < 0) p = 0;
  m_position = p;
}

bool CStream::SaveToFile(const char* path) const {
  if (path == nullptr || *path == '\0') return false;
  int64_t length = m_position < m_capacity ? m_position : m_capacity;

  // A temporary file beside the target, so that the rename stays on one file system.
  size_t pathLength = std::strlen(path);
  size_t tempSize = pathLength + 48;
  auto* temp = static_cast<char*>(MemAlloc(tempSize));
  int fd = -1;
  for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
    std::snprintf(temp, tempSize, "%s.tmp%ld.%d", path, static_cast<long>(getpid()), attempt);
    fd = open(temp, O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0 && errno != EEXIST) break;
  }
  if (fd < 0) {
    MemFree(temp);
    return false;
  }
  bool ok = true;
  const uint8_t* p = m_buffer;
  int64_t left = length;
  while (ok && left > 0) {
    ssize_t w = write(fd, p, static_cast<size_t>(left));
    if (w < 0) {
      if (errno == EINTR) continue;
      ok = false;
      break;
    }
    p += w;
    left -= w;
  }
  if (ok && fsync(fd) != 0) ok = false;
  if (close(fd) != 0) ok = false;
  if (ok && rename(temp, path) != 0) ok = false;
  if (!ok) unlink(temp);
  MemFree(temp);
  return ok;
}

bool CStream::LoadFromFile(const char* path, int64_t offset) {
  if (path == nullptr || offset < 0) return false;
  FILE* f = std::fopen(path, "rb");
  if (f == nullptr) return false;
  struct stat st;
  if (fstat(fileno(f), &st) != 0 || !S_ISREG(st.st_mode) || offset > st.st_size) {
    std::fclose(f);
    return false;
  }
  int64_t length = static_cast<int64_t>(st.st_size) - offset;
  uint8_t* data = nullptr;
  if (length > 0) {
    data = static_cast<uint8_t*>(MemAlloc(static_cast<size_t>(length)));
    if (fseeko(f, static_cast<off_t>(offset), SEEK_SET) != 0 ||
        std::fread(data, 1, static_cast<size_t>(length), f) != static_cast<size_t>(length)) {
      MemFree(data);
      std::fclose(f);
      return false;
    }
  }
  std::fclose(f);
  Release();
  m_buffer = data;
  m_capacity = length;
  m_position = 0;
  m_owned = true;
  ClearErrors();
  return true;
}

char* CStream::ConvertToString() const {
  int64_t length = m_position < m_capacity ? m_position : m_capacity;
  if (length <= 0) return nullptr;
  static const char kDigits[] = "0123456789ABCDEF";
  auto* text = static_cast<char*>(MemAlloc(static_cast<size_t>(length) * 2 + 1));
  for (int64_t i = 0; i < length; ++i) {
    text[2 * i] = kDigits[m_buffer[i] >> 4];
    text[2 * i + 1] = kDigits[m_buffer[i] & 15];
  }
  return text;
}

namespace {
int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}
}  // namespace

bool CStream::ConvertFromString(const char* text) {
  Release();
  ClearErrors();
  if (text == nullptr) return true;
  size_t digits = std::strlen(text);
  if (digits % 2 != 0) {
    m_corrupt = true;
    return false;
  }
  int64_t length = static_cast<int64_t>(digits / 2);
  if (length == 0) return true;
  auto* data = static_cast<uint8_t*>(MemAlloc(static_cast<size_t>(length)));
  for (int64_t i = 0; i < length; ++i) {
    int hi = HexDigit(text[2 * i]);
    int lo = HexDigit(text[2 * i + 1]);
    if (hi < 0 || lo < 0) {
      MemFree(data);
      m_corrupt = true;
      return false;
    }
    data[i] = static_cast<uint8_t>(hi * 16 + lo);
  }
  m_buffer = data;
  m_capacity = length;
  return true;
}

void CStream::CopyFrom(CStream* source, int64_t count, bool copy) {
  if (source == this) {
    // Taking bytes from oneself: keep just those bytes, in a buffer of one's own.
    int64_t available = Remaining();
    if (count <= 0 || count > available) count = available;
    uint8_t* data = nullptr;
    if (count > 0) {
      data = static_cast<uint8_t*>(MemAlloc(static_cast<size_t>(count)));
      std::memcpy(data, m_buffer + m_position, static_cast<size_t>(count));
    }
    Release();
    m_buffer = data;
    m_capacity = count;
    ClearErrors();
    return;
  }
  int64_t available = source != nullptr ? source->Remaining() : 0;
  if (count <= 0 || count > available) count = available;
  const uint8_t* from = count > 0 ? source->m_buffer + source->m_position : nullptr;
  if (copy || count == 0) {
    uint8_t* data = nullptr;
    if (count > 0) {
      data = static_cast<uint8_t*>(MemAlloc(static_cast<size_t>(count)));
      std::memcpy(data, from, static_cast<size_t>(count));
    }
    Release();
    m_buffer = data;
    m_owned = true;
  } else {
    Release();
    m_buffer = const_cast<uint8_t*>(from);
    m_owned = false;
  }
  m_capacity = count;
  m_position = 0;
  ClearErrors();
  if (source != nullptr) source->m_position += count;
}
