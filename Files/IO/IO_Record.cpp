#include "IO/IO_Record.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#include "Platform/Platform_Console.h"

namespace {

// Both can be on: the two switches share one file name, and a replay that is also recorded writes
// the same records again (to a temporary file that replaces the old one at the end).
struct Recording {
  FILE* file = nullptr;
  std::string path;      // the file named on the command line
  std::string tempPath;  // where the records go until the end
  bool on = false;
};
struct Playback {
  FILE* file = nullptr;
  std::string path;
  bool on = false;
  int64_t steps = 0;     // records read
};
Recording g_record;
Playback g_play;

// ---- Layout ----------------------------------------------------------------------------------------

class Writer {
 public:
  explicit Writer(uint8_t* out) : m_p(out) {}
  void U16(uint16_t v) {
    m_p[0] = uint8_t(v), m_p[1] = uint8_t(v >> 8);
    m_p += 2;
  }
  void I32(int32_t v) {
    const uint32_t u = uint32_t(v);
    for (int i = 0; i < 4; ++i) m_p[i] = uint8_t(u >> (8 * i));
    m_p += 4;
  }
  void Bytes(const uint8_t* b, size_t n) {
    std::memcpy(m_p, b, n);
    m_p += n;
  }

 private:
  uint8_t* m_p;
};

class Reader {
 public:
  explicit Reader(const uint8_t* in) : m_p(in) {}
  uint16_t U16() {
    const uint16_t v = uint16_t(m_p[0] | (m_p[1] << 8));
    m_p += 2;
    return v;
  }
  int32_t I32() {
    uint32_t u = 0;
    for (int i = 0; i < 4; ++i) u |= uint32_t(m_p[i]) << (8 * i);
    m_p += 4;
    return int32_t(u);
  }
  // Flags must be 0 or 1.
  bool Flags(uint8_t* out, size_t n) {
    for (size_t i = 0; i < n; ++i) {
      if (m_p[i] > 1) return false;
      out[i] = m_p[i];
    }
    m_p += n;
    return true;
  }

 private:
  const uint8_t* m_p;
};

bool ValidButtons(const int32_t* b) {
  for (int d = 0; d < kMouseDevices; ++d) {
    if (b[d] < 0 || b[d] > kMouseButtons) return false;
  }
  return true;
}

void Say(const char* format, const std::string& a, int64_t n = 0, const char* b = "") {
  Console::Output(format, a.c_str(), static_cast<long long>(n), b);
}

void EndPlayback() {
  if (g_play.file != nullptr) std::fclose(g_play.file);
  g_play.file = nullptr;
  g_play.on = false;
}

void AbandonRecording(const char* why) {
  Console::Output("-record: cannot write %s: %s; recording stops\n", g_record.path.c_str(), why);
  std::fclose(g_record.file);
  std::remove(g_record.tempPath.c_str());
  g_record.file = nullptr;
  g_record.on = false;
}

void EndRecording() {
  if (!g_record.on) return;
  const bool ok = std::fflush(g_record.file) == 0 && std::ferror(g_record.file) == 0;
  const bool closed = std::fclose(g_record.file) == 0;
  g_record.file = nullptr;
  g_record.on = false;
  if (!ok || !closed || std::rename(g_record.tempPath.c_str(), g_record.path.c_str()) != 0) {
    Console::Output("-record: cannot write %s: %s\n", g_record.path.c_str(), std::strerror(errno));
    std::remove(g_record.tempPath.c_str());
  }
}

}  // namespace

void IO_EncodeRecord(const IOState& s, uint8_t* out) {
  Writer w(out);
  w.U16(s.lastChar);
  for (int i = 0; i <= kTypedLimit; ++i) w.U16(size_t(i) < s.typed.size() ? uint16_t(s.typed[i]) : 0);
  w.I32(s.lastKey);
  w.I32(s.key);
  w.Bytes(s.keyDown, kKeyCount);
  w.Bytes(s.keyReleased, kKeyCount);
  w.Bytes(s.keyPressed, kKeyCount);
  for (int32_t b : s.mouseButton) w.I32(b);
  for (int32_t b : s.mouseLastButton) w.I32(b);
  w.Bytes(s.buttonDown, sizeof s.buttonDown);
  w.Bytes(s.buttonReleased, sizeof s.buttonReleased);
  w.Bytes(s.buttonPressed, sizeof s.buttonPressed);
  w.Bytes(s.wheelUp, kMouseDevices);
  w.Bytes(s.wheelDown, kMouseDevices);
  w.I32(s.screenX);
  w.I32(s.screenY);
  w.I32(s.clientX);
  w.I32(s.clientY);
}

bool IO_DecodeRecord(const uint8_t* in, IOState& state, std::string& why) {
  IOState s = state;
  Reader r(in);
  s.lastChar = r.U16();
  s.typed.clear();
  bool ended = false;
  for (int i = 0; i <= kTypedLimit; ++i) {
    const uint16_t unit = r.U16();
    if (unit == 0) ended = true;
    if (!ended) s.typed.push_back(char16_t(unit));
  }
  if (!ended) {
    why = "the typed string has no end";
    return false;
  }
  s.lastKey = r.I32();
  s.key = r.I32();
  if (!r.Flags(s.keyDown, kKeyCount) || !r.Flags(s.keyReleased, kKeyCount) || !r.Flags(s.keyPressed, kKeyCount)) {
    why = "a key flag is neither 0 nor 1";
    return false;
  }
  for (int32_t& b : s.mouseButton) b = r.I32();
  for (int32_t& b : s.mouseLastButton) b = r.I32();
  if (!ValidButtons(s.mouseButton) || !ValidButtons(s.mouseLastButton)) {
    why = "a mouse button is not 0 to 3";
    return false;
  }
  if (!r.Flags(s.buttonDown, sizeof s.buttonDown) || !r.Flags(s.buttonReleased, sizeof s.buttonReleased) ||
      !r.Flags(s.buttonPressed, sizeof s.buttonPressed) || !r.Flags(s.wheelUp, kMouseDevices) ||
      !r.Flags(s.wheelDown, kMouseDevices)) {
    why = "a mouse flag is neither 0 nor 1";
    return false;
  }
  s.screenX = r.I32();
  s.screenY = r.I32();
  s.clientX = r.I32();
  s.clientY = r.I32();
  state = std::move(s);
  return true;
}

// ---- Files ------------------------------------------------------------------------------------------------

bool IO_StartRecording(const std::string& path) {
  EndRecording();
  std::error_code ec;
  if (std::filesystem::is_directory(path, ec)) {
    Console::Output("-record: cannot write %s: it is a folder\n", path.c_str());
    return false;
  }
  std::filesystem::path folder = std::filesystem::path(path).parent_path();
  if (folder.empty()) folder = ".";
  if (!std::filesystem::is_directory(folder, ec)) {
    Console::Output("-record: cannot write %s: the folder %s does not exist\n", path.c_str(), folder.c_str());
    return false;
  }
  std::vector<char> name(path.begin(), path.end());
  const char suffix[] = ".XXXXXX";
  name.insert(name.end(), suffix, suffix + sizeof suffix);
  const int fd = mkstemp(name.data());
  if (fd < 0) {
    Console::Output("-record: cannot write %s: %s\n", path.c_str(), std::strerror(errno));
    return false;
  }
  const mode_t mask = umask(0);
  umask(mask);
  fchmod(fd, 0666 & ~mask);
  g_record.file = fdopen(fd, "wb");
  if (g_record.file == nullptr) {
    Console::Output("-record: cannot write %s: %s\n", path.c_str(), std::strerror(errno));
    close(fd);
    std::remove(name.data());
    return false;
  }
  std::setvbuf(g_record.file, nullptr, _IOFBF, 1 << 16);
  g_record.path = path;
  g_record.tempPath = name.data();
  g_record.on = true;
  return true;
}

bool IO_StartPlayback(const std::string& path) {
  EndPlayback();
  std::error_code ec;
  if (std::filesystem::is_directory(path, ec)) {
    Console::Output("-playback: cannot read %s: it is a folder\n", path.c_str());
    return false;
  }
  g_play.file = std::fopen(path.c_str(), "rb");
  if (g_play.file == nullptr) {
    Console::Output("-playback: cannot read %s: %s\n", path.c_str(), std::strerror(errno));
    return false;
  }
  g_play.path = path;
  g_play.on = true;
  g_play.steps = 0;
  return true;
}

void IO_StopCapture() {
  EndRecording();
  EndPlayback();
}

bool IO_Recording() { return g_record.on; }
bool IO_PlayingBack() { return g_play.on; }

void IO_WriteRecord(const IOState& state) {
  if (!g_record.on) return;
  uint8_t record[kRecordSize];
  IO_EncodeRecord(state, record);
  if (std::fwrite(record, 1, kRecordSize, g_record.file) != kRecordSize || std::fflush(g_record.file) != 0) {
    AbandonRecording(std::strerror(errno));
  }
}

bool IO_ReadRecord(IOState& state) {
  if (!g_play.on) return false;
  uint8_t record[kRecordSize];
  const size_t got = std::fread(record, 1, kRecordSize, g_play.file);
  const int64_t step = g_play.steps + 1;
  if (got == 0 && std::feof(g_play.file)) {
    Say("-playback: %s ends after step %lld; input is live from here\n", g_play.path, g_play.steps);
    EndPlayback();
    return false;
  }
  if (got != kRecordSize) {
    Say("-playback: %s is cut short in step %lld%s; input is live from here\n", g_play.path, step,
        std::ferror(g_play.file) ? " (read error)" : "");
    EndPlayback();
    return false;
  }
  std::string why;
  if (!IO_DecodeRecord(record, state, why)) {
    Say("-playback: %s is corrupt in step %lld: %s; input is live from here\n", g_play.path, step, why.c_str());
    EndPlayback();
    return false;
  }
  g_play.steps = step;
  return true;
}
