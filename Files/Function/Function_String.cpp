// Conversions between numbers and text (string, real) and the text functions.
//
// Functions that count or cut characters work on UTF-8 characters: a well-formed sequence of two
// to four bytes is one character, and any byte that does not start or continue a well-formed
// sequence is a character of its own, so cutting never damages the bytes of a text.
// string_byte_length, string_byte_at and string_pos work on bytes.
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "Code/Code_Error.h"
#include "Function/Function_Library.h"
#include "Function/Function_Register.h"
#include "Platform/Platform_Memory.h"
#include "Variable/Variable_Value.h"

using namespace Library;

namespace {

// Length in bytes of the well-formed UTF-8 sequence at s[i] (1 for a lone or invalid byte).
size_t CharLength(const std::string& s, size_t i, uint32_t* code = nullptr) {
  auto at = [&](size_t k) { return static_cast<uint8_t>(s[k]); };
  uint8_t c = at(i);
  size_t n = 1;
  uint32_t cp = c;
  uint32_t min = 0;
  if (c >= 0xC2 && c <= 0xDF) {
    n = 2, cp = c & 0x1F, min = 0x80;
  } else if (c >= 0xE0 && c <= 0xEF) {
    n = 3, cp = c & 0x0F, min = 0x800;
  } else if (c >= 0xF0 && c <= 0xF4) {
    n = 4, cp = c & 0x07, min = 0x10000;
  }
  if (n > 1) {
    if (i + n > s.size()) n = 1;
    for (size_t k = 1; k < n; ++k) {
      if ((at(i + k) & 0xC0) != 0x80) {
        n = 1;
        break;
      }
      cp = (cp << 6) | (at(i + k) & 0x3F);
    }
    if (n > 1 && (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))) n = 1;
    if (n == 1) cp = c;
  }
  if (code != nullptr) *code = cp;
  return n;
}

// Byte offsets of every character start, plus the end.
std::vector<size_t> CharStarts(const std::string& s) {
  std::vector<size_t> starts;
  for (size_t i = 0; i < s.size(); i += CharLength(s, i)) starts.push_back(i);
  starts.push_back(s.size());
  return starts;
}

std::string EncodeUtf8(uint32_t cp) {
  std::string out;
  if (cp < 0x80) {
    out += static_cast<char>(cp);
  } else if (cp < 0x800) {
    out += static_cast<char>(0xC0 | (cp >> 6));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else if (cp < 0x10000) {
    out += static_cast<char>(0xE0 | (cp >> 12));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (cp >> 18));
    out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  }
  return out;
}

// ---- Conversions ---------------------------------------------------------------------------------

void F_String(RValue& result, CInstance*, CInstance*, int argc, RValue* args) {
  result.AdoptText(StringOfValue(Arg(argc, args, 0)));
}

void F_Real(RValue& result, CInstance*, CInstance*, int argc, RValue* args) {
  const RValue& v = Arg(argc, args, 0);
  if (v.IsReal()) {
    result.SetReal(v.real);
    return;
  }
  std::string s = v.Str();
  size_t b = 0, e = s.size();
  while (b < e && static_cast<uint8_t>(s[b]) <= 32) ++b;
  while (e > b && static_cast<uint8_t>(s[e - 1]) <= 32) --e;
  result.SetReal(StringToReal(s.substr(b, e - b).c_str()));
}

// string_format(value, total, decimals): the number with `decimals` decimals, padded on the left
// with blanks to at least `total` characters.
void F_StringFormat(RValue& result, CInstance*, CInstance*, int argc, RValue* args) {
  double x = ArgReal(argc, args, 0);
  int total = std::min(std::max(ArgIndex(argc, args, 1), 0), 1000);
  int decimals = std::min(std::max(ArgIndex(argc, args, 2), 0), 100);
  std::vector<char> buffer(1600);
  std::snprintf(buffer.data(), buffer.size(), "%*.*f", total, decimals, x);
  SetStringResult(result, buffer.data());
}

// chr(code): the character with the code point, as UTF-8.
void F_Chr(RValue& result, CInstance*, CInstance*, int argc, RValue* args) {
  double x = ArgReal(argc, args, 0);
  uint32_t cp = (x >= 1 && x <= 0x10FFFF) ? static_cast<uint32_t>(x) : 0;
  if (cp >= 0xD800 && cp <= 0xDFFF) cp = 0xFFFD;
  SetStringResult(result, cp == 0 ? std::string() : EncodeUtf8(cp));
}

// ansi_char(code): the single byte code AND 255.
void F_AnsiChar(RValue& result, CInstance*, CInstance*, int argc, RValue* args) {
  uint8_t byte = static_cast<uint8_t>(static_cast<int64_t>(ArgReal(argc, args, 0)) & 0xFF);
  SetStringResult(result, byte == 0 ? std::string() : std::string(1, static_cast<char>(byte)));
}

// ord(text): the code point of the first character, 0 for an empty text.
void F_Ord(RValue& result, CInstance*, CInstance*, int argc, RValue* args) {
  std::string s = ArgText(argc, args, 0);
  if (s.empty()) return;
  uint32_t cp;
  CharLength(s, 0, &cp);
  result.SetReal(cp);
}

// ---- Measuring and cutting -----------------------------------------------------------------------

void F_StringLength(RValue& result, CInstance*, CInstance*, int argc, RValue* args) {
  result.SetReal(static_cast<double>(CharStarts(ArgText(argc, args, 0)).size() - 1));
}

void F_StringByteLength(RValue& result, CInstance*, CInstance*, int argc, RValue* args) {
  result.SetReal(static_cast<double>(ArgText(argc, args, 0).size()));
}

// string_byte_at(text, n): the byte at 1-based position n (below 1 counts as 1); 0 beyond the end.
void F_StringByteAt(RValue& result, CInstance*, CInstance*, int argc, RValue* args) {
  std::string s = ArgText(argc, args, 0);
  int n = std::max(ArgIndex(argc, args, 1), 1);
  if (static_cast<size_t>(n) <= s.size()) result.SetReal(static_cast<uint8_t>(s[n - 1]));
}

void F_StringPos(RValue& result, CInstance*, CInstance*, int argc, RValue* args) {
  std::string sub = ArgText(argc, args, 0), s = ArgText(argc, args, 1);
  if (sub.empty()) return;
  size_t at = s.find(sub);
  if (at != std::string::npos) result.SetReal(static_cast<double>(at + 1));
}

void F_StringCharAt(RValue& result, CInstance*, CInstance*, int argc, RValue* args) {
  std::string s = ArgText(argc, args, 0);
  std::vector<size_t> starts = CharStarts(s);
  int chars = static_cast<int>(starts.size()) - 1;
  int i = std::max(ArgIndex(argc, args, 1), 1);
  if (i > chars) {
    SetStringResult(result, "");
    return;
  }
  SetStringResult(result, s.substr(starts[i - 1], starts[i] - starts[i - 1]));
}

// string_copy(text, index, count): count characters from the 1-based index (below 1 counts as 1),
// shortened to the end of the text. An index past the end, a negative count or a count larger
// than the text's whole length gives the empty text.
void F_StringCopy(RValue& result, CInstance*, CInstance*, int argc, RValue* args) {
  std::string s = ArgText(argc, args, 0);
  std::vector<size_t> starts = CharStarts(s);
  int64_t chars = static_cast<int64_t>(starts.size()) - 1;
  int64_t index = std::max(ArgIndex(argc, args, 1), 1);
  int64_t count = ArgIndex(argc, args, 2);
  if (index > chars || count < 0 || count > chars) {
    SetStringResult(result, "");
    return;
  }
  int64_t end = std::min(index - 1 + count, chars);
  SetStringResult(result, s.substr(starts[index - 1], starts[end] - starts[index - 1]));
}

// string_delete(text, index, count): the text without count characters from the 1-based index.
void F_StringDelete(RValue& result, CInstance*, CInstance*, int argc, RValue* args) {
  std::string s = ArgText(argc, args, 0);
  std::vector<size_t> starts = CharStarts(s);
  int64_t chars = static_cast<int64_t>(starts.size()) - 1;
  int64_t index = ArgIndex(argc, args, 1);
  int64_t count = ArgIndex(argc, args, 2);
  if (index < 1 || index > chars || count <= 0) {
    SetStringResult(result, s);
    return;
  }
  int64_t end = std::min(index - 1 + count, chars);
  SetStringResult(result, s.substr(0, starts[index - 1]) + s.substr(starts[end]));
}

// string_insert(substr, text, index): substr put in front of the character at the 1-based index
// (below 1 counts as 1, beyond the end appends).
void F_StringInsert(RValue& result, CInstance*, CInstance*, int argc, RValue* args) {
  std::string sub = ArgText(argc, args, 0), s = ArgText(argc, args, 1);
  std::vector<size_t> starts = CharStarts(s);
  int64_t chars = static_cast<int64_t>(starts.size()) - 1;
  int64_t index = std::min<int64_t>(std::max(ArgIndex(argc, args, 2), 1), chars + 1);
  size_t at = starts[index - 1];
  SetStringResult(result, s.substr(0, at) + sub + s.substr(at));
}

// ---- Changing ------------------------------------------------------------------------------------

template <bool Upper>
void F_StringCase(RValue& result, CInstance*, CInstance*, int argc, RValue* args) {
  std::string s = ArgText(argc, args, 0);
  for (char& c : s) {
    if (Upper && c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    if (!Upper && c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  SetStringResult(result, s);
}

void F_StringRepeat(RValue& result, CInstance*, CInstance*, int argc, RValue* args) {
  std::string s = ArgText(argc, args, 0);
  int count = ArgIndex(argc, args, 1);
  std::string out;
  constexpr size_t kLimit = size_t{1} << 28;
  if (count > 0 && !s.empty()) {
    if (s.size() * static_cast<size_t>(count) > kLimit) {
      ReportActionError("string_repeat: the result would be too long.", false);
    } else {
      out.reserve(s.size() * static_cast<size_t>(count));
      for (int i = 0; i < count; ++i) out += s;
    }
  }
  SetStringResult(result, out);
}

bool IsLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsLetterOrDigit(char c) { return IsLetter(c) || IsDigit(c); }

template <bool (*Keep)(char)>
void F_StringFilter(RValue& result, CInstance*, CInstance*, int argc, RValue* args) {
  std::string out;
  for (char c : ArgText(argc, args, 0)) {
    if (Keep(c)) out += c;
  }
  SetStringResult(result, out);
}

// string_replace(text, substr, newstr) and string_replace_all: non-overlapping occurrences from
// the left.
template <bool All>
void F_StringReplace(RValue& result, CInstance*, CInstance*, int argc, RValue* args) {
  std::string s = ArgText(argc, args, 0), sub = ArgText(argc, args, 1), with = ArgText(argc, args, 2);
  if (sub.empty()) {
    SetStringResult(result, s);
    return;
  }
  std::string out;
  size_t from = 0;
  for (;;) {
    size_t at = s.find(sub, from);
    if (at == std::string::npos) break;
    out.append(s, from, at - from);
    out += with;
    from = at + sub.size();
    if (!All) break;
  }
  out.append(s, from, std::string::npos);
  SetStringResult(result, out);
}

// string_count(substr, text): non-overlapping occurrences.
void F_StringCount(RValue& result, CInstance*, CInstance*, int argc, RValue* args) {
  std::string sub = ArgText(argc, args, 0), s = ArgText(argc, args, 1);
  if (sub.empty()) return;
  double n = 0;
  for (size_t at = s.find(sub); at != std::string::npos; at = s.find(sub, at + sub.size())) ++n;
  result.SetReal(n);
}

}  // namespace

void Function_String_Implement() {
  ImplementFunction("string", F_String);
  ImplementFunction("real", F_Real);
  ImplementFunction("string_format", F_StringFormat);
  ImplementFunction("chr", F_Chr);
  ImplementFunction("ansi_char", F_AnsiChar);
  ImplementFunction("ord", F_Ord);
  ImplementFunction("string_length", F_StringLength);
  ImplementFunction("string_pos", F_StringPos);
  ImplementFunction("string_copy", F_StringCopy);
  ImplementFunction("string_char_at", F_StringCharAt);
  ImplementFunction("string_byte_length", F_StringByteLength);
  ImplementFunction("string_byte_at", F_StringByteAt);
  ImplementFunction("string_delete", F_StringDelete);
  ImplementFunction("string_insert", F_StringInsert);
  ImplementFunction("string_lower", F_StringCase<false>);
  ImplementFunction("string_upper", F_StringCase<true>);
  ImplementFunction("string_repeat", F_StringRepeat);
  ImplementFunction("string_letters", F_StringFilter<IsLetter>);
  ImplementFunction("string_digits", F_StringFilter<IsDigit>);
  ImplementFunction("string_lettersdigits", F_StringFilter<IsLetterOrDigit>);
  ImplementFunction("string_replace", F_StringReplace<false>);
  ImplementFunction("string_replace_all", F_StringReplace<true>);
  ImplementFunction("string_count", F_StringCount);
}
