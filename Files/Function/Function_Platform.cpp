// Platform services: the routines that mean the same on a desktop as anywhere else: text encodings
// and digests, the microsecond timer and the user's language.
//
// The text functions work on a string's UTF-8 bytes; the "_unicode" digests hash the text as UTF-16
// little-endian code units (characters beyond the 16-bit range as surrogate pairs). A real argument
// is taken as the text `string()` makes of it. Digests are lower-case hexadecimal.
#include <array>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "Function/Function_Register.h"
#include "Platform/Platform_Memory.h"
#include "Platform/Platform_Timer.h"

namespace {

// ---- Bytes of an argument --------------------------------------------------------------------

// The argument's text as a memory-manager string the caller frees.
char* TextOf(int argc, const RValue* args, int i) { return StringOfValue(FunctionArgument(argc, args, i)); }

// A growable byte buffer on the memory manager.
struct Bytes {
  uint8_t* data = nullptr;
  size_t size = 0;
  size_t capacity = 0;
  ~Bytes() {
    if (data != nullptr) MemFree(data);
  }
  void Push(uint8_t b) {
    if (size == capacity) {
      capacity = capacity == 0 ? 64 : capacity * 2;
      data = static_cast<uint8_t*>(MemReAlloc(data, capacity));
    }
    data[size++] = b;
  }
};

// UTF-8 text as UTF-16LE bytes; malformed bytes stand for themselves.
void Utf16le(const char* text, Bytes& out) {
  const auto* p = reinterpret_cast<const unsigned char*>(text);
  auto unit = [&](uint32_t u) {
    out.Push(static_cast<uint8_t>(u & 0xFF));
    out.Push(static_cast<uint8_t>(u >> 8));
  };
  while (*p != 0) {
    uint32_t c = *p;
    int extra = 0;
    if (c >= 0xF0 && c < 0xF8) { c &= 0x07; extra = 3; }
    else if (c >= 0xE0) { c &= 0x0F; extra = 2; }
    else if (c >= 0xC0) { c &= 0x1F; extra = 1; }
    bool ok = true;
    for (int k = 1; k <= extra; ++k) {
      if ((p[k] & 0xC0) != 0x80) { ok = false; break; }
    }
    if (!ok || (extra == 0 && c >= 0x80)) {
      unit(*p);
      ++p;
      continue;
    }
    for (int k = 1; k <= extra; ++k) c = (c << 6) | (p[k] & 0x3F);
    p += 1 + extra;
    if (c >= 0x10000) {
      c -= 0x10000;
      unit(0xD800 + (c >> 10));
      unit(0xDC00 + (c & 0x3FF));
    } else {
      unit(c);
    }
  }
}

// ---- Digests ---------------------------------------------------------------------------------

inline uint32_t Rotl(uint32_t x, int n) { return (x << n) | (x >> (32 - n)); }

// Pads a message to whole 64-byte blocks with its bit length (little- or big-endian).
void PadMessage(const uint8_t* data, size_t size, bool bigEndianLength, Bytes& out) {
  for (size_t i = 0; i < size; ++i) out.Push(data[i]);
  out.Push(0x80);
  while (out.size % 64 != 56) out.Push(0);
  uint64_t bits = static_cast<uint64_t>(size) * 8;
  for (int i = 0; i < 8; ++i) {
    int shift = bigEndianLength ? (7 - i) * 8 : i * 8;
    out.Push(static_cast<uint8_t>(bits >> shift));
  }
}

void Md5(const uint8_t* data, size_t size, uint8_t digest[16]) {
  static const int kShift[64] = {7, 12, 17, 22, 7, 12, 17, 22, 7, 12, 17, 22, 7, 12, 17, 22,
                                 5, 9,  14, 20, 5, 9,  14, 20, 5, 9,  14, 20, 5, 9,  14, 20,
                                 4, 11, 16, 23, 4, 11, 16, 23, 4, 11, 16, 23, 4, 11, 16, 23,
                                 6, 10, 15, 21, 6, 10, 15, 21, 6, 10, 15, 21, 6, 10, 15, 21};
  // K[i] = floor(|sin(i + 1)| * 2^32).
  static const std::array<uint32_t, 64> k = [] {
    std::array<uint32_t, 64> t{};
    for (int i = 0; i < 64; ++i) t[i] = static_cast<uint32_t>(std::floor(std::fabs(std::sin(i + 1.0)) * 4294967296.0));
    return t;
  }();
  Bytes m;
  PadMessage(data, size, false, m);
  uint32_t h[4] = {0x67452301u, 0xefcdab89u, 0x98badcfeu, 0x10325476u};
  for (size_t block = 0; block < m.size; block += 64) {
    uint32_t w[16];
    for (int i = 0; i < 16; ++i) {
      const uint8_t* b = m.data + block + i * 4;
      w[i] = b[0] | (b[1] << 8) | (b[2] << 16) | (static_cast<uint32_t>(b[3]) << 24);
    }
    uint32_t a = h[0], bb = h[1], c = h[2], d = h[3];
    for (int i = 0; i < 64; ++i) {
      uint32_t f;
      int g;
      if (i < 16) { f = (bb & c) | (~bb & d); g = i; }
      else if (i < 32) { f = (d & bb) | (~d & c); g = (5 * i + 1) % 16; }
      else if (i < 48) { f = bb ^ c ^ d; g = (3 * i + 5) % 16; }
      else { f = c ^ (bb | ~d); g = (7 * i) % 16; }
      f += a + k[i] + w[g];
      a = d;
      d = c;
      c = bb;
      bb += Rotl(f, kShift[i]);
    }
    h[0] += a;
    h[1] += bb;
    h[2] += c;
    h[3] += d;
  }
  for (int i = 0; i < 4; ++i) {
    for (int j = 0; j < 4; ++j) digest[i * 4 + j] = static_cast<uint8_t>(h[i] >> (8 * j));
  }
}

void Sha1(const uint8_t* data, size_t size, uint8_t digest[20]) {
  Bytes m;
  PadMessage(data, size, true, m);
  uint32_t h[5] = {0x67452301u, 0xEFCDAB89u, 0x98BADCFEu, 0x10325476u, 0xC3D2E1F0u};
  for (size_t block = 0; block < m.size; block += 64) {
    uint32_t w[80];
    for (int i = 0; i < 16; ++i) {
      const uint8_t* b = m.data + block + i * 4;
      w[i] = (static_cast<uint32_t>(b[0]) << 24) | (b[1] << 16) | (b[2] << 8) | b[3];
    }
    for (int i = 16; i < 80; ++i) w[i] = Rotl(w[i - 3] ^ w[i - 8] ^ w[i - 14] ^ w[i - 16], 1);
    uint32_t a = h[0], b = h[1], c = h[2], d = h[3], e = h[4];
    for (int i = 0; i < 80; ++i) {
      uint32_t f, k;
      if (i < 20) { f = (b & c) | (~b & d); k = 0x5A827999u; }
      else if (i < 40) { f = b ^ c ^ d; k = 0x6ED9EBA1u; }
      else if (i < 60) { f = (b & c) | (b & d) | (c & d); k = 0x8F1BBCDCu; }
      else { f = b ^ c ^ d; k = 0xCA62C1D6u; }
      uint32_t t = Rotl(a, 5) + f + e + k + w[i];
      e = d;
      d = c;
      c = Rotl(b, 30);
      b = a;
      a = t;
    }
    h[0] += a;
    h[1] += b;
    h[2] += c;
    h[3] += d;
    h[4] += e;
  }
  for (int i = 0; i < 5; ++i) {
    for (int j = 0; j < 4; ++j) digest[i * 4 + j] = static_cast<uint8_t>(h[i] >> (24 - 8 * j));
  }
}

char* Hex(const uint8_t* bytes, size_t count) {
  static const char kDigits[] = "0123456789abcdef";
  char* out = static_cast<char*>(MemAlloc(count * 2 + 1));
  for (size_t i = 0; i < count; ++i) {
    out[i * 2] = kDigits[bytes[i] >> 4];
    out[i * 2 + 1] = kDigits[bytes[i] & 15];
  }
  out[count * 2] = '\0';
  return out;
}

enum class Digest { Md5, Sha1 };
enum class Encoding { Utf8, Utf16 };

void DigestOf(RValue& result, int argc, const RValue* args, Digest kind, Encoding encoding) {
  char* text = TextOf(argc, args, 0);
  Bytes utf16;
  const uint8_t* data = reinterpret_cast<const uint8_t*>(text);
  size_t size = std::strlen(text);
  if (encoding == Encoding::Utf16) {
    Utf16le(text, utf16);
    data = utf16.data;
    size = utf16.size;
  }
  uint8_t digest[20];
  if (kind == Digest::Md5) {
    Md5(data, size, digest);
    result.AdoptText(Hex(digest, 16));
  } else {
    Sha1(data, size, digest);
    result.AdoptText(Hex(digest, 20));
  }
  MemFree(text);
}

// ---- Base64 ----------------------------------------------------------------------------------

const char kBase64[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

int Base64Value(char c) {
  if (c >= 'A' && c <= 'Z') return c - 'A';
  if (c >= 'a' && c <= 'z') return c - 'a' + 26;
  if (c >= '0' && c <= '9') return c - '0' + 52;
  if (c == '+') return 62;
  if (c == '/') return 63;
  return -1;
}

#define PLATFORM_FN(name) void name(RValue& result, CInstance*, CInstance*, int argc, RValue* args)

PLATFORM_FN(F_Base64Encode) {
  char* text = TextOf(argc, args, 0);
  size_t n = std::strlen(text);
  char* out = static_cast<char*>(MemAlloc((n + 2) / 3 * 4 + 1));
  size_t o = 0;
  const auto* p = reinterpret_cast<const uint8_t*>(text);
  for (size_t i = 0; i < n; i += 3) {
    uint32_t v = static_cast<uint32_t>(p[i]) << 16;
    if (i + 1 < n) v |= static_cast<uint32_t>(p[i + 1]) << 8;
    if (i + 2 < n) v |= p[i + 2];
    out[o++] = kBase64[(v >> 18) & 63];
    out[o++] = kBase64[(v >> 12) & 63];
    out[o++] = i + 1 < n ? kBase64[(v >> 6) & 63] : '=';
    out[o++] = i + 2 < n ? kBase64[v & 63] : '=';
  }
  out[o] = '\0';
  MemFree(text);
  result.AdoptText(out);
}

// Decodes up to the first '=' or character outside the alphabet; blanks and line breaks are skipped.
PLATFORM_FN(F_Base64Decode) {
  char* text = TextOf(argc, args, 0);
  Bytes out;
  uint32_t bits = 0;
  int count = 0;
  for (const char* p = text; *p != '\0'; ++p) {
    if (*p == ' ' || *p == '\r' || *p == '\n' || *p == '\t') continue;
    int v = Base64Value(*p);
    if (v < 0) break;
    bits = (bits << 6) | static_cast<uint32_t>(v);
    count += 6;
    if (count >= 8) {
      count -= 8;
      out.Push(static_cast<uint8_t>(bits >> count));
    }
  }
  MemFree(text);
  // The decoded bytes end at their first zero byte: a value's text is zero-terminated.
  char* s = static_cast<char*>(MemAlloc(out.size + 1));
  if (out.size > 0) std::memcpy(s, out.data, out.size);
  s[out.size] = '\0';
  result.AdoptText(s);
}

PLATFORM_FN(F_Md5Utf8) { DigestOf(result, argc, args, Digest::Md5, Encoding::Utf8); }
PLATFORM_FN(F_Md5Unicode) { DigestOf(result, argc, args, Digest::Md5, Encoding::Utf16); }
PLATFORM_FN(F_Sha1Utf8) { DigestOf(result, argc, args, Digest::Sha1, Encoding::Utf8); }
PLATFORM_FN(F_Sha1Unicode) { DigestOf(result, argc, args, Digest::Sha1, Encoding::Utf16); }

// Microseconds on the runner's clock (reset when the game starts).
PLATFORM_FN(F_GetTimer) { result.SetReal(static_cast<double>(Timer_Clock().Micros())); }

// The two-letter language of the user's locale (LC_ALL, LC_MESSAGES, LANG), "en" when none is set
// or the locale is the plain C/POSIX one.
PLATFORM_FN(F_OsGetLanguage) {
  const char* names[] = {"LC_ALL", "LC_MESSAGES", "LANG"};
  char language[3] = "en";
  for (const char* name : names) {
    const char* value = std::getenv(name);
    if (value == nullptr || value[0] == '\0') continue;
    auto letter = [](char c) { return c >= 'a' && c <= 'z'; };
    if (letter(value[0]) && letter(value[1]) && (value[2] == '\0' || value[2] == '_' || value[2] == '.' ||
                                                 value[2] == '@')) {
      language[0] = value[0];
      language[1] = value[1];
    }
    break;
  }
  result.SetString(language);
}

#undef PLATFORM_FN

}  // namespace

void Function_Platform_Bind() {
  ImplementFunction("base64_encode", F_Base64Encode);
  ImplementFunction("base64_decode", F_Base64Decode);
  ImplementFunction("md5_string_utf8", F_Md5Utf8);
  ImplementFunction("md5_string_unicode", F_Md5Unicode);
  ImplementFunction("sha1_string_utf8", F_Sha1Utf8);
  ImplementFunction("sha1_string_unicode", F_Sha1Unicode);
  ImplementFunction("get_timer", F_GetTimer);
  ImplementFunction("Brindle_GetTimer", F_GetTimer);
  ImplementFunction("os_get_language", F_OsGetLanguage);
}
