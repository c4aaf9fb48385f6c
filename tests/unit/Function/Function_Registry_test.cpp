// The registry's key store in the save folder, and starting programs.
#include <sys/stat.h>

#include <chrono>
#include <functional>
#include <thread>

#include "Function/Function_Exercise.h"
#include "Function/Function_Library.h"
#include "Function_FileTestFolder.h"
#include "Platform/Platform_Console.h"
#include "Platform/Platform_Spawn.h"
#include "Support/Support_KeyStore.h"

namespace {

RValue Call(const char* name, std::vector<RValue> args = {}) { return CallBuiltin(name, std::move(args)); }
RValue S(const char* s) { return RValue(s); }
RValue S(const std::string& s) { return RValue(s.c_str()); }
RValue R(double x) { return RValue(x); }

void Quiet(const std::function<void()>& f) {
  Console::Flush();
  testing::internal::CaptureStdout();
  f();
  Console::Flush();
  testing::internal::GetCapturedStdout();
}

bool EndsWith(const std::string& s, const std::string& end) {
  return s.size() >= end.size() && s.compare(s.size() - end.size(), end.size(), end) == 0;
}

struct RegistryStoreTest : FileFolderTest {
  void SetUp() {
    FileFolderTest::SetUp();
    Function_Registry_Forget();
  }
  void TearDown() {
    Function_Registry_Forget();
    FileFolderTest::TearDown();
  }
};

LIBRARY_CASE(RegistryStoreTest, ValuesKeepTheirKindAndSurviveARestart, "registry_write_string", "registry_write_real",
             "registry_read_string", "registry_read_real", "registry_exists") {
  EXPECT_EQ(Call("registry_exists", {S("name")}).real, 0.0);
  EXPECT_STREQ(Call("registry_read_string", {S("name")}).Str(), "");
  EXPECT_EQ(Call("registry_read_real", {S("name")}).real, 0.0);

  Call("registry_write_string", {S("name"), S("Ann")});
  Call("registry_write_real", {S("lives"), R(3.25)});
  Call("registry_write_string", {S("odd"), S("a=b\n%")});
  Call("registry_write_string", {S("name"), S("Bo")});  // replaces in place
  // Each kind read as the other: the real's text, the number the text starts with.
  Call("registry_write_string", {S("count"), S("12 apples")});
  EXPECT_STREQ(Call("registry_read_string", {S("lives")}).Str(), "3.25");
  EXPECT_EQ(Call("registry_read_real", {S("LIVES")}).real, 3.25);  // names ignore letter case
  EXPECT_EQ(Call("registry_read_real", {S("count")}).real, 12.0);
  EXPECT_EQ(Call("registry_read_real", {S("name")}).real, 0.0);

  // The file: one key, the values in the order they were first written, special bytes escaped.
  EXPECT_EQ(Get(m_save + "registry.ini"),
            "[game]\nname=s:Bo\nlives=r:3.25\nodd=s:a%3Db%0A%25\ncount=s:12 apples\n");

  // A new run reads the file again.
  Function_Registry_Forget();
  EXPECT_EQ(Call("registry_exists", {S("lives")}).real, 1.0);
  EXPECT_EQ(Call("registry_read_real", {S("lives")}).real, 3.25);
  EXPECT_STREQ(Call("registry_read_string", {S("name")}).Str(), "Bo");
  EXPECT_STREQ(Call("registry_read_string", {S("odd")}).Str(), "a=b\n%");
}

LIBRARY_CASE(RegistryStoreTest, ExtFormsUseARootAndAKeyPath, "registry_write_string_ext", "registry_write_real_ext",
             "registry_read_string_ext", "registry_read_real_ext", "registry_exists_ext", "registry_set_root") {
  Call("registry_write_string_ext", {S("Software/Demo/"), S("who"), S("me")});
  // Either separator, doubled or trailing ones: the same key.
  EXPECT_EQ(Call("registry_exists_ext", {S("Software\\\\Demo"), S("who")}).real, 1.0);
  EXPECT_STREQ(Call("registry_read_string_ext", {S("software\\demo"), S("WHO")}).Str(), "me");
  EXPECT_EQ(Call("registry_exists", {S("who")}).real, 0.0);  // the plain forms have their own key

  Call("registry_set_root", {R(1)});
  EXPECT_EQ(Call("registry_exists_ext", {S("Software\\Demo"), S("who")}).real, 0.0);
  Call("registry_write_real_ext", {S("Software\\Demo"), S("who"), R(-0.5)});
  EXPECT_EQ(Call("registry_read_real_ext", {S("Software\\Demo"), S("who")}).real, -0.5);
  Quiet([] { Call("registry_set_root", {R(4)}); });
  EXPECT_NE(std::string(LastErrorText()).find("registry_set_root: unknown root 4"), std::string::npos);
  EXPECT_EQ(Call("registry_read_real_ext", {S("Software\\Demo"), S("who")}).real, -0.5);  // still root 1
  Call("registry_set_root", {R(0)});
  EXPECT_STREQ(Call("registry_read_string_ext", {S("Software\\Demo"), S("who")}).Str(), "me");

  EXPECT_EQ(Get(m_save + "registry.ini"),
            "[HKEY_CURRENT_USER\\Software\\Demo]\nwho=s:me\n"
            "[HKEY_LOCAL_MACHINE\\Software\\Demo]\nwho=r:-0.5\n");
}

TEST(KeyStore, DamagedLinesAreSkippedAndRepeatedKeysMerge) {
  CKeyStore s = CKeyStore::Parse(
      "stray=s:before any key\r\n[k]\r\nno equals sign\nx=r:notnum\ny=r:5\nz=q:3\n[other]\n[k]\ny=r:6\nw=s:\n%zz=s:%4\n");
  EXPECT_EQ(s.Find("k", "stray"), nullptr);
  EXPECT_EQ(s.Find("k", "x"), nullptr);
  EXPECT_EQ(s.Find("k", "z"), nullptr);
  ASSERT_NE(s.Find("k", "y"), nullptr);
  EXPECT_EQ(s.Find("k", "y")->real, 6.0);  // the later line wins
  ASSERT_NE(s.Find("k", "w"), nullptr);
  EXPECT_EQ(s.Find("k", "w")->text, "");
  ASSERT_NE(s.Find("k", "%zz"), nullptr);  // a '%' without two digits stands for itself
  EXPECT_EQ(s.Find("k", "%zz")->text, "%4");
  EXPECT_EQ(s.Keys().size(), 2u);
  // Reals come back to the same bits; names and texts with blanks at either end stay as they are.
  CKeyStore t;
  t.SetReal("a", " n ", 0.1);
  t.SetText("a", "[x]", " t ");
  CKeyStore u = CKeyStore::Parse(t.ToText());
  EXPECT_EQ(u.Find("a", " n ")->real, 0.1);
  EXPECT_EQ(u.Find("a", "[x]")->text, " t ");
}

// ---- Programs ----------------------------------------------------------------------------------

LIBRARY_CASE(RegistryStoreTest, AProgramIsStartedAndWaitedFor, "execute_program") {
  const std::string out = m_root + "/out.txt";
  const std::string script = "-c \"printf 'a  b' > " + out + "; exit 3\"";
  EXPECT_EQ(Call("execute_program", {S("/bin/sh"), S(script), R(1)}).real, 3.0);
  EXPECT_EQ(Get(out), "a  b");
  // A bare name is found in PATH.
  EXPECT_EQ(Call("execute_program", {S("sh"), S("-c \"exit 0\""), R(1)}).real, 0.0);

  // An empty name names no program (not the save folder it would find as a file).
  Quiet([] { EXPECT_EQ(Call("execute_program", {S(""), S(""), R(1)}).real, -1.0); });
  EXPECT_TRUE(EndsWith(LastErrorText(), "\nexecute_program: cannot start : no program named"));
  Quiet([] { EXPECT_EQ(Call("execute_program", {S("no-such-program-here"), S(""), R(1)}).real, -1.0); });
  EXPECT_TRUE(EndsWith(LastErrorText(), "\nexecute_program: cannot start no-such-program-here: No such file or directory"));
}

LIBRARY_CASE(RegistryStoreTest, ShellStartsAnExecutableWithoutWaiting, "execute_shell") {
  // An executable in the game's folder, named relative to it.
  const std::string marker = m_root + "/shell.txt";
  Put(m_gameDir + "run.sh", "#!/bin/sh\nprintf '%s' \"$1\" > " + marker + ".part && mv " + marker + ".part " + marker + "\n");
  chmod((m_gameDir + "run.sh").c_str(), 0755);
  EXPECT_EQ(Call("execute_shell", {S("run.sh"), S("\"two words\"")}).real, 0.0);
  for (int i = 0; i < 500 && !Exists(marker); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));
  EXPECT_EQ(Get(marker), "two words");

  Quiet([] { EXPECT_EQ(Call("execute_shell", {S("/no/such/program")}).real, -1.0); });
  EXPECT_TRUE(EndsWith(LastErrorText(), "\nexecute_shell: cannot start /no/such/program: No such file or directory"));
}

TEST(Spawn, CommandLinesSplitLikeTheirShell) {
  using V = std::vector<std::string>;
  EXPECT_EQ(Platform_SplitCommandLine(""), V{});
  EXPECT_EQ(Platform_SplitCommandLine("  a\t\"b c\"  d\\\"e \"\" C:\\dir\\f"),
            (V{"a", "b c", "d\"e", "", "C:\\dir\\f"}));
  EXPECT_EQ(Platform_SplitCommandLine("x\"y z\"w"), V{"xy zw"});
}

}  // namespace
