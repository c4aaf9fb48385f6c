// The MD5 and SHA-1 digests of files: 32 or 40 lower-case hexadecimal digits of the file's bytes.
#include <cmath>
#include <cstdint>
#include <cstring>
#include <string>

#include "Function/Function_Library.h"
#include "Runner/Runner_Folders.h"

using namespace Library;

namespace {

// ---- MD5 ---------------------------------------------------------------------------------------

uint32_t Rotl(uint32_t x, int c) { return (x << c) | (x >> (32 - c)); }

std::string Hex(const uint8_t* bytes, size_t n) {
  static const char kDigits[] = "0123456789abcdef";
  std::string out;
  for (size_t i = 0; i < n; ++i) {
    out += kDigits[bytes[i] >> 4];
    out += kDigits[bytes[i] & 15];
  }
  return out;
}

// The message with the 0x80 byte, zero padding and the 64-bit bit length (little- or big-endian).
std::string Padded(const std::string& in, bool bigEndian) {
  std::string m = in;
  uint64_t bits = static_cast<uint64_t>(in.size()) * 8;
  m += static_cast<char>(0x80);
  while (m.size() % 64 != 56) m += '\0';
  for (int i = 0; i < 8; ++i) m += static_cast<char>(bits >> (8 * (bigEndian ? 7 - i : i)));
  return m;
}

std::string Md5(const std::string& in) {
  static const int kShift[64] = {7, 12, 17, 22, 7, 12, 17, 22, 7, 12, 17, 22, 7, 12, 17, 22,
                                 5, 9,  14, 20, 5, 9,  14, 20, 5, 9,  14, 20, 5, 9,  14, 20,
                                 4, 11, 16, 23, 4, 11, 16, 23, 4, 11, 16, 23, 4, 11, 16, 23,
                                 6, 10, 15, 21, 6, 10, 15, 21, 6, 10, 15, 21, 6, 10, 15, 21};
  static const auto kTable = [] {
    struct T {
      uint32_t k[64];
    } t{};
    for (int i = 0; i < 64; ++i) {
      double s = 0;
      s = std::fabs(std::sin(static_cast<double>(i + 1)));
      t.k[i] = static_cast<uint32_t>(static_cast<uint64_t>(s * 4294967296.0));
    }
    return t;
  }();
  uint32_t h[4] = {0x67452301u, 0xefcdab89u, 0x98badcfeu, 0x10325476u};
  std::string m = Padded(in, false);
  for (size_t block = 0; block < m.size(); block += 64) {
    uint32_t w[16];
    for (int i = 0; i < 16; ++i) {
      const uint8_t* p = reinterpret_cast<const uint8_t*>(m.data() + block + i * 4);
      w[i] = p[0] | p[1] << 8 | p[2] << 16 | static_cast<uint32_t>(p[3]) << 24;
    }
    uint32_t a = h[0], b = h[1], c = h[2], d = h[3];
    for (int i = 0; i < 64; ++i) {
      uint32_t f;
      int g;
      if (i < 16) {
        f = (b & c) | (~b & d), g = i;
      } else if (i < 32) {
        f = (d & b) | (~d & c), g = (5 * i + 1) % 16;
      } else if (i < 48) {
        f = b ^ c ^ d, g = (3 * i + 5) % 16;
      } else {
        f = c ^ (b | ~d), g = (7 * i) % 16;
      }
      uint32_t next = d;
      d = c;
      c = b;
      b = b + Rotl(a + f + kTable.k[i] + w[g], kShift[i]);
      a = next;
    }
    h[0] += a, h[1] += b, h[2] += c, h[3] += d;
  }
  uint8_t out[16];
  for (int i = 0; i < 16; ++i) out[i] = static_cast<uint8_t>(h[i / 4] >> (8 * (i % 4)));
  return Hex(out, 16);
}

// ---- SHA-1 -------------------------------------------------------------------------------------

std::string Sha1(const std::string& in) {
  uint32_t h[5] = {0x67452301u, 0xEFCDAB89u, 0x98BADCFEu, 0x10325476u, 0xC3D2E1F0u};
  std::string m = Padded(in, true);
  for (size_t block = 0; block < m.size(); block += 64) {
    uint32_t w[80];
    for (int i = 0; i < 16; ++i) {
      const uint8_t* p = reinterpret_cast<const uint8_t*>(m.data() + block + i * 4);
      w[i] = static_cast<uint32_t>(p[0]) << 24 | p[1] << 16 | p[2] << 8 | p[3];
    }
    for (int i = 16; i < 80; ++i) w[i] = Rotl(w[i - 3] ^ w[i - 8] ^ w[i - 14] ^ w[i - 16], 1);
    uint32_t a = h[0], b = h[1], c = h[2], d = h[3], e = h[4];
    for (int i = 0; i < 80; ++i) {
      uint32_t f, k;
      if (i < 20) {
        f = (b & c) | (~b & d), k = 0x5A827999u;
      } else if (i < 40) {
        f = b ^ c ^ d, k = 0x6ED9EBA1u;
      } else if (i < 60) {
        f = (b & c) | (b & d) | (c & d), k = 0x8F1BBCDCu;
      } else {
        f = b ^ c ^ d, k = 0xCA62C1D6u;
      }
      uint32_t t = Rotl(a, 5) + f + e + k + w[i];
      e = d, d = c, c = Rotl(b, 30), b = a, a = t;
    }
    h[0] += a, h[1] += b, h[2] += c, h[3] += d, h[4] += e;
  }
  uint8_t out[20];
  for (int i = 0; i < 20; ++i) out[i] = static_cast<uint8_t>(h[i / 4] >> (8 * (3 - i % 4)));
  return Hex(out, 20);
}

using DigestFn = std::string (*)(const std::string&);

// The digest of a file's bytes; the empty text when it cannot be read.
template <DigestFn Digest>
void F_DigestFile(RValue& result, CInstance*, CInstance*, int argc, RValue* args) {
  std::string name = ArgText(argc, args, 0), data;
  if (name.empty() || !ReadWholeFile(Folders_FindForRead(name), data)) {
    SetStringResult(result, "");
    return;
  }
  SetStringResult(result, Digest(data));
}

}  // namespace

void Function_Digest_Implement() {
  ImplementFunction("md5_file", F_DigestFile<Md5>);
  ImplementFunction("sha1_file", F_DigestFile<Sha1>);
}
