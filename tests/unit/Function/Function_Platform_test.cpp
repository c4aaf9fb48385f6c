// Digests and encodings against published test vectors (RFC 1321, FIPS 180 examples) and values
// from an independent reference implementation for the UTF-16 and multi-block cases.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "Function/Function_Exercise.h"
#include "Platform/Platform_Timer.h"

namespace {

std::string Text(const char* name, RValue arg) {
  RValue r = CallBuiltin(name, {std::move(arg)});
  EXPECT_TRUE(r.IsString()) << name;
  return r.Str();
}
std::string T(const char* name, const char* arg) { return Text(name, RValue(arg)); }

const std::string kFox = "The quick brown fox jumps over the lazy dog";
const std::string kMixed = "h\xC3\xA9llo \xE2\x82\xAC";  // "héllo €" in UTF-8
const std::string kLong(100, 'a');                        // two blocks

void ExMd5() {
  EXPECT_EQ(T("md5_string_utf8", ""), "d41d8cd98f00b204e9800998ecf8427e");
  EXPECT_EQ(T("md5_string_utf8", "abc"), "900150983cd24fb0d6963f7d28e17f72");
  EXPECT_EQ(T("md5_string_utf8", kFox.c_str()), "9e107d9d372bb6826bd81d3542a419d6");
  EXPECT_EQ(T("md5_string_utf8", kMixed.c_str()), "6a1950b864488746748ba6312d3ce712");
  EXPECT_EQ(T("md5_string_utf8", kLong.c_str()), "36a92cc94a9e0fa21f625f8bfb007adf");
  // A real is hashed as its text: 12 is "12".
  EXPECT_EQ(Text("md5_string_utf8", RValue(12.0)), T("md5_string_utf8", "12"));

  EXPECT_EQ(T("md5_string_unicode", ""), "d41d8cd98f00b204e9800998ecf8427e");
  EXPECT_EQ(T("md5_string_unicode", "abc"), "ce1473cf80c6b3fda8e3dfc006adc315");
  EXPECT_EQ(T("md5_string_unicode", kMixed.c_str()), "7ccd190cae24b8ea46e88574a709e583");
  EXPECT_EQ(T("md5_string_unicode", "\xF0\x9F\x98\x80"), "713b431f5caa0d142bea157989c96852");  // a surrogate pair
}

void ExSha1() {
  EXPECT_EQ(T("sha1_string_utf8", ""), "da39a3ee5e6b4b0d3255bfef95601890afd80709");
  EXPECT_EQ(T("sha1_string_utf8", "abc"), "a9993e364706816aba3e25717850c26c9cd0d89d");
  EXPECT_EQ(T("sha1_string_utf8", kFox.c_str()), "2fd4e1c67a2d28fced849ee1bb76e7391b93eb12");
  EXPECT_EQ(T("sha1_string_utf8", kLong.c_str()), "7f9000257a4918d7072655ea468540cdcbd42e0c");
  EXPECT_EQ(T("sha1_string_unicode", "abc"), "9f04f41a848514162050e3d68c1a7abb441dc2b5");
  EXPECT_EQ(T("sha1_string_unicode", kMixed.c_str()), "78c4b3aed5032c41b22e18124e16d440a8793c8f");
}

void ExBase64() {
  EXPECT_EQ(T("base64_encode", ""), "");
  EXPECT_EQ(T("base64_encode", "abc"), "YWJj");
  EXPECT_EQ(T("base64_encode", "ab"), "YWI=");
  EXPECT_EQ(T("base64_encode", "a"), "YQ==");
  EXPECT_EQ(T("base64_encode", kMixed.c_str()), "aMOpbGxvIOKCrA==");
  EXPECT_EQ(T("base64_decode", "YWJj"), "abc");
  EXPECT_EQ(T("base64_decode", "YWI="), "ab");
  EXPECT_EQ(T("base64_decode", "YQ=="), "a");
  EXPECT_EQ(T("base64_decode", "aMOp\r\nbGxvIOKCrA=="), kMixed);
  EXPECT_EQ(T("base64_decode", "YWJj!YWJj"), "abc");  // stops at a character outside the alphabet
  EXPECT_EQ(T("base64_decode", ""), "");
  EXPECT_EQ(T("base64_decode", T("base64_encode", kFox.c_str()).c_str()), kFox);
}

// A clock that reads what the test says.
class FixedClock final : public IClock {
 public:
  int64_t Micros() override { return 1234567; }
  void Reset() override {}
  void SleepMillis(int64_t) override {}
};

void ExTimer() {
  FixedClock clock;
  Timer_SetClock(&clock);
  EXPECT_EQ(CallBuiltin("get_timer").real, 1234567);
  EXPECT_EQ(CallBuiltin("Brindle_GetTimer").real, 1234567);
  Timer_SetClock(nullptr);
}

// Sets the locale variables for one check and puts the old ones back.
struct LocaleEnv {
  std::string saved[3];
  bool had[3];
  const char* names[3] = {"LC_ALL", "LC_MESSAGES", "LANG"};
  LocaleEnv(const char* all, const char* messages, const char* lang) {
    const char* values[3] = {all, messages, lang};
    for (int i = 0; i < 3; ++i) {
      const char* v = std::getenv(names[i]);
      had[i] = v != nullptr;
      if (had[i]) saved[i] = v;
      if (values[i] != nullptr) setenv(names[i], values[i], 1); else unsetenv(names[i]);
    }
  }
  ~LocaleEnv() {
    for (int i = 0; i < 3; ++i) {
      if (had[i]) setenv(names[i], saved[i].c_str(), 1); else unsetenv(names[i]);
    }
  }
};

void ExLanguage() {
  auto language = [] { return std::string(CallBuiltin("os_get_language").Str()); };
  { LocaleEnv env(nullptr, nullptr, "de_DE.UTF-8"); EXPECT_EQ(language(), "de"); }
  { LocaleEnv env("fr_FR", nullptr, "de_DE.UTF-8"); EXPECT_EQ(language(), "fr"); }
  { LocaleEnv env(nullptr, "ja", nullptr); EXPECT_EQ(language(), "ja"); }
  { LocaleEnv env(nullptr, nullptr, "C.UTF-8"); EXPECT_EQ(language(), "en"); }
  { LocaleEnv env(nullptr, nullptr, nullptr); EXPECT_EQ(language(), "en"); }
}

const RegisterExercise kMd5({"md5_string_utf8", "md5_string_unicode"}, ExMd5);
const RegisterExercise kSha1({"sha1_string_utf8", "sha1_string_unicode"}, ExSha1);
const RegisterExercise kBase64({"base64_encode", "base64_decode"}, ExBase64);
const RegisterExercise kTimer({"get_timer", "Brindle_GetTimer"}, ExTimer);
const RegisterExercise kLanguage({"os_get_language"}, ExLanguage);

TEST(PlatformFunctions, Md5) { RegisterAllFunctions(); ExMd5(); }
TEST(PlatformFunctions, Sha1) { RegisterAllFunctions(); ExSha1(); }
TEST(PlatformFunctions, Base64) { RegisterAllFunctions(); ExBase64(); }
TEST(PlatformFunctions, Timer) { RegisterAllFunctions(); ExTimer(); }
TEST(PlatformFunctions, Language) { RegisterAllFunctions(); ExLanguage(); }

}  // namespace
