// The byte stream: a growable in-memory buffer with a read/write position, used to serialise saved
// games and data-structure strings. All multi-byte values are little-endian:
//   int32  4 bytes, two's complement
//   real   8 bytes, IEEE double
//   bool   int32 1 or 0 (read back as true when non-zero)
//   string int32 byte length (0 for an empty or missing string), then the bytes, no terminator
//
// Reading never goes outside the buffer. A read that wants more bytes than remain reads what is
// there, counts the rest as zero bytes and sets the overrun flag. A stored string length that is
// negative, or more than kStringSlack bytes beyond what remains, marks the stream corrupt: the read
// returns no string and the stream stays corrupt (readers test Failed() once at the end).
#pragma once
#include <cstddef>
#include <cstdint>

class CStream {
 public:
  // Slack allowed between a stored string length and the bytes that actually remain.
  static constexpr int64_t kStringSlack = 16 * 1024 * 1024;

  enum SeekOrigin { SEEK_FROM_START = 0, SEEK_FROM_CURRENT = 1, SEEK_FROM_END = 2 };

  // A stream with `capacity` bytes of zero-filled buffer (0: no buffer yet).
  explicit CStream(int64_t capacity = 0);
  ~CStream();
  CStream(const CStream&) = delete;
  CStream& operator=(const CStream&) = delete;

  void WriteInteger(int32_t value);
  void WriteReal(double value);
  void WriteBoolean(bool value);
  // Writes a length and the bytes of `text`; null writes length 0.
  void WriteString(const char* text);
  // Writes `count` raw bytes.
  void WriteBuffer(const void* bytes, int64_t count);

  int32_t ReadInteger();
  double ReadReal();
  bool ReadBoolean();
  // A new memory-manager string of the stored length plus a terminator, zero-filled beyond the
  // bytes that were there; null for length 0 and for a corrupt length. The caller frees it.
  char* ReadString();
  // Copies up to `count` bytes (clamped to what remains) and returns how many were copied.
  int64_t ReadBuffer(void* bytes, int64_t count);

  // Moves the position relative to the start, the position or the end of the capacity. The
  // position is clamped at 0; it may lie beyond the capacity (a later write grows the buffer).
  void Seek(int64_t offset, int origin);
  int64_t GetPosition() const { return m_position; }
  int64_t GetSize() const { return m_capacity; }
  const uint8_t* GetBuffer() const { return m_buffer; }

  // Writes the bytes from the start up to the position to `path`, replacing the file atomically
  // (a temporary file in the same folder renamed into place). False when anything fails; the old
  // file is then left as it was.
  bool SaveToFile(const char* path) const;
  // Replaces the contents with the bytes of `path` from `offset` to its end; position 0. False
  // (and the stream unchanged) when the file cannot be read or the offset lies beyond its end.
  bool LoadFromFile(const char* path, int64_t offset = 0);

  // Two upper-case hex digits per byte from the start up to the position, as a new memory-manager
  // string; null for an empty stream.
  char* ConvertToString() const;
  // Replaces the contents with the bytes the hex text encodes (either case), position 0. Text with
  // an odd number of digits or a character that is not a hex digit leaves the stream empty and
  // corrupt, and gives false.
  bool ConvertFromString(const char* text);

  // Takes `count` bytes (0: all that remain) from `source`'s position, either copying them or
  // wrapping them without ownership (a wrapping stream must not outlive its source's buffer, nor
  // see the source grow); the source's position advances past them. Position 0 afterwards.
  void CopyFrom(CStream* source, int64_t count, bool copy);

  // Error state: overrun (a read went past the end), corrupt (an impossible string length or bad
  // hex text).
  bool IsOverrun() const { return m_overrun; }
  bool IsCorrupt() const { return m_corrupt; }
  bool Failed() const { return m_overrun || m_corrupt; }
  void ClearErrors() {
    m_overrun = false;
    m_corrupt = false;
  }
  // Bytes between the position and the end of the capacity (0 when the position lies beyond).
  int64_t Remaining() const { return m_position < m_capacity ? m_capacity - m_position : 0; }

 private:
  void Release();
  // Makes room for `count` bytes at the position (doubling, or to position + count if more).
  void Reserve(int64_t count);
  // Reads up to `count` bytes into `out`, zero-filling the rest; sets the overrun flag when short.
  void ReadPadded(void* out, int64_t count);

  uint8_t* m_buffer;
  int64_t m_capacity;
  int64_t m_position;
  bool m_owned;
  bool m_overrun;
  bool m_corrupt;
};
