// The one bounds-checked view of a loaded file. Every loader reads the block through it: offsets
// stay 32-bit offsets from the start of the file, and every offset, count, length and string is
// checked against the block before use. A check that fails throws FileFormatError, which the load
// entry points (the data-file passes, the save-file and side-file readers) catch and report; nothing
// else in the engine throws.
#pragma once
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <stdexcept>
#include <string>

class FileFormatError : public std::runtime_error {
 public:
  explicit FileFormatError(const std::string& what) : std::runtime_error(what) {}
};

// A load failure that the runner reports as a fatal error through the error reporter (its text is
// the message as shown) before it ends start-up with exit code 1.
class FatalLoadError : public FileFormatError {
 public:
  explicit FatalLoadError(const std::string& what) : FileFormatError(what) {}
};

// A resource list: a u32 count N followed by N u32 file offsets (0 marks an empty index).
class ListView;

class DataView {
 public:
  DataView() = default;
  DataView(const uint8_t* data, size_t size) : m_data(data), m_size(size) {}

  const uint8_t* data() const { return m_data; }
  size_t size() const { return m_size; }
  bool contains(uint64_t offset, uint64_t length) const {
    return offset <= m_size && length <= m_size - offset;
  }

  // Throws FileFormatError naming `what` when [offset, offset+length) is not inside the block.
  void require(uint64_t offset, uint64_t length, const char* what) const;

  template <class T>
  T at(uint64_t offset, const char* what) const {
    require(offset, sizeof(T), what);
    T value;
    std::memcpy(&value, m_data + offset, sizeof(T));
    return value;
  }
  uint8_t u8(uint64_t offset, const char* what) const { return at<uint8_t>(offset, what); }
  uint32_t u32(uint64_t offset, const char* what) const { return at<uint32_t>(offset, what); }
  int32_t i32(uint64_t offset, const char* what) const { return at<int32_t>(offset, what); }
  float f32(uint64_t offset, const char* what) const { return at<float>(offset, what); }
  double f64(uint64_t offset, const char* what) const { return at<double>(offset, what); }

  // The zero-terminated string at a file offset; offset 0 gives null. The terminator must lie inside
  // the block.
  const char* string(uint32_t offset, const char* what) const;
  // The string whose offset is stored in the u32 at `slot` (a string reference field).
  const char* stringAt(uint64_t slot, const char* what) const { return string(u32(slot, what), what); }

  // `length` bytes at `offset`, checked.
  const uint8_t* bytes(uint64_t offset, uint64_t length, const char* what) const {
    require(offset, length, what);
    return m_data + offset;
  }

  // The resource list at `offset`: its count and entries must fit in the block.
  ListView list(uint64_t offset, const char* what) const;

 private:
  const uint8_t* m_data = nullptr;
  size_t m_size = 0;
};

class ListView {
 public:
  ListView() = default;
  ListView(const DataView* view, uint64_t offset, uint32_t count)
      : m_view(view), m_offset(offset), m_count(count) {}
  uint32_t count() const { return m_count; }
  // File offset held by entry i (0 = empty index). i must be below count().
  uint32_t entry(uint32_t i) const { return m_view->u32(m_offset + 4 + uint64_t(i) * 4, "list entry"); }
  // File offset of the word after the list (where chunk bodies usually continue).
  uint64_t end() const { return m_offset + 4 + uint64_t(m_count) * 4; }

 private:
  const DataView* m_view = nullptr;
  uint64_t m_offset = 0;
  uint32_t m_count = 0;
};

[[noreturn]] void ThrowFormatError(const char* format, ...) __attribute__((format(printf, 1, 2)));
