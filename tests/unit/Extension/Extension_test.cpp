// Extension packages and native calls: the EXTN records written and read back and refused when
// damaged; definitions against the test library (sharing, freeing, type checks, "-ext"); the
// start and end calls and their failures.
#include <gtest/gtest.h>

#include <csignal>
#include <cstdlib>

#include <cstring>
#include <functional>
#include <string>

#include "Code/Code_Error.h"
#include "Code/Code_Function.h"
#include "DataFile/DataFile_Container.h"
#include "DataFile/DataFile_View.h"
#include "DataFileWriter.h"
#include "Extension/Extension_Class.h"
#include "Extension/Extension_DLL.h"
#include "Extension/Extension_Main.h"
#include "Platform/Platform_Console.h"
#include "Writer_Extension.h"

namespace {

CExtensionFunction Fn(const char* name, const char* external, int32_t id, std::vector<int32_t> types,
                      int32_t result = 0) {
  CExtensionFunction f;
  f.name = name;
  f.externalName = external;
  f.id = id;
  f.resultType = result;
  f.argumentTypes = types;
  f.argumentCount = static_cast<int32_t>(types.size());
  return f;
}

std::vector<CExtensionPackage> TwoPackages() {
  CExtensionPackage a;
  a.name = "alpha";
  a.secondName = "1.0";
  CExtensionFile lib;
  lib.fileName = "lib.dll";
  lib.initName = "a_init";
  lib.kind = kExtensionKindLibrary;
  lib.functions = {Fn("a_init", "init", 0, {}), Fn("a_join", "join", 1, {1, 0, 1}, 1)};
  a.files.push_back(lib);
  CExtensionPackage b;
  b.name = "beta";
  CExtensionFile src;
  src.fileName = "helpers";
  src.kind = kExtensionKindSource;
  CExtensionFunction any = Fn("b_any", "return argument_count;", 7, {});
  any.argumentCount = kExtensionAnyCount;
  src.functions = {any};
  b.files.push_back(src);
  return {a, b};
}

std::vector<uint8_t> Written(const std::vector<CExtensionPackage>& packages) {
  DataFileWriter w;
  WriteExtensions(w, packages);
  return w.finish();
}

// Loads the EXTN chunk of `bytes`; the format error's text, or "" when it loaded.
std::string LoadChunk(const std::vector<uint8_t>& bytes) {
  DataView view(bytes.data(), bytes.size());
  try {
    for (const ChunkInfo& c : Container_Walk(view)) {
      if (c.tag == MakeTag("EXTN")) Extension_LoadEXTN(view, c);
    }
  } catch (const FileFormatError& e) {
    return e.what();
  }
  return "";
}

// The file offset of the first function record with id `id` (found by its id word).
size_t FunctionRecordOfId(const std::vector<uint8_t>& bytes, int32_t id, int32_t argumentCount) {
  for (size_t at = 8; at + 24 <= bytes.size(); at += 4) {
    int32_t words[4];
    std::memcpy(words, bytes.data() + at + 8, sizeof words);
    if (words[0] == id && words[1] == kExtensionCdecl && words[3] == argumentCount) return at;
  }
  return 0;
}

}  // namespace

TEST(ExtensionChunk, PackagesFilesAndFunctionsComeBackAsWritten) {
  ASSERT_EQ(LoadChunk(Written(TwoPackages())), "");
  const std::vector<CExtensionPackage>& p = Extension_Packages();
  ASSERT_EQ(p.size(), 2u);
  EXPECT_EQ(p[0].name, "alpha");
  EXPECT_EQ(p[0].secondName, "1.0");
  ASSERT_EQ(p[0].files.size(), 1u);
  const CExtensionFile& lib = p[0].files[0];
  EXPECT_EQ(lib.fileName, "lib.dll");
  EXPECT_EQ(lib.initName, "a_init");
  EXPECT_EQ(lib.finalName, "");
  EXPECT_EQ(lib.kind, kExtensionKindLibrary);
  ASSERT_EQ(lib.functions.size(), 2u);
  EXPECT_EQ(lib.functions[1].name, "a_join");
  EXPECT_EQ(lib.functions[1].externalName, "join");
  EXPECT_EQ(lib.functions[1].id, 1);
  EXPECT_EQ(lib.functions[1].resultType, 1);
  EXPECT_EQ(lib.functions[1].argumentTypes, (std::vector<int32_t>{1, 0, 1}));
  const CExtensionFunction& any = p[1].files[0].functions[0];
  EXPECT_EQ(any.argumentCount, kExtensionAnyCount);
  EXPECT_TRUE(any.argumentTypes.empty());
  EXPECT_EQ(any.externalName, "return argument_count;");
  // Names resolve to ids; the id table spans the largest id.
  EXPECT_EQ(Extension_Find("a_join"), 1);
  EXPECT_EQ(Extension_Find("b_any"), 7);
  EXPECT_EQ(Extension_Find("nothing"), -1);
  EXPECT_STREQ(Extension_Name(7), "b_any");
  EXPECT_EQ(Extension_Name(5), nullptr);
  EXPECT_EQ(Extension_ArgumentCount(1), 3);
  EXPECT_EQ(Extension_ArgumentCount(7), kArgumentCountAny);
  EXPECT_EQ(Extension_ArgumentCount(5), kArgumentCountNone);
  Extension_SetPackages({});
  Extension_Reset();
}

TEST(ExtensionChunk, DamagedRecordsAreRefusedWithTheirReason) {
  const std::vector<uint8_t> good = Written(TwoPackages());
  const size_t join = FunctionRecordOfId(good, 1, 3);
  ASSERT_NE(join, 0u);
  auto damaged = [&](size_t at, int32_t value) {
    std::vector<uint8_t> bytes = good;
    std::memcpy(bytes.data() + at, &value, 4);
    return LoadChunk(bytes);
  };
  EXPECT_NE(damaged(join + 8, -3).find("has the id -3"), std::string::npos);
  EXPECT_NE(damaged(join + 8, 0).find("id 0 is used twice"), std::string::npos);
  EXPECT_NE(damaged(join + 16, 2).find("result type 2"), std::string::npos);
  EXPECT_NE(damaged(join + 20, 17).find("17 arguments"), std::string::npos);
  EXPECT_NE(damaged(join + 24, 5).find("argument type 5"), std::string::npos);
  EXPECT_NE(damaged(join, int32_t(good.size() + 10)), "");  // a name outside the file
  // A refused chunk is not half-loaded: what loaded before stays.
  ASSERT_EQ(LoadChunk(good), "");
  EXPECT_NE(damaged(join + 16, 2), "");
  EXPECT_EQ(Extension_Packages().size(), 2u);
  EXPECT_EQ(Extension_Find("a_join"), 1);
  Extension_SetPackages({});
  Extension_Reset();
}

class NativeLibrary : public ::testing::Test {
 protected:
  void TearDown() override {
    DLL_SetSkipCalls(false);
    DLL_FreeAll();
  }
  static int Define(const char* name, std::vector<int> types, bool stringResult, std::string* why = nullptr) {
    std::string error;
    const int id = DLL_Define(TESSERA_TEST_LIBRARY, name, 0, static_cast<int>(types.size()), types.data(),
                              stringResult, error);
    if (why) *why = error;
    return id;
  }
};

TEST_F(NativeLibrary, RealsAndStringsCrossBothWays) {
  const int add = Define("tt_add", {0, 0}, false);
  ASSERT_GE(add, 0);
  RValue args[3] = {RValue(0.5), RValue(-2.0), RValue(1.0)};
  RValue r;
  DLL_Call(add, 2, args, r);
  EXPECT_EQ(r.real, -1.5);
  const int join = Define("tt_join", {1, 0, 1}, true);
  RValue texts[3] = {RValue("x y"), RValue(0.25), RValue("")};
  DLL_Call(join, 3, texts, r);
  ASSERT_TRUE(r.IsString());
  EXPECT_STREQ(r.Str(), "x y-0.25-");
  // A null string result is the empty string.
  DLL_Call(Define("tt_null", {}, true), 0, nullptr, r);
  EXPECT_TRUE(r.IsString());
  EXPECT_STREQ(r.Str(), "");
}

// A guarded call that returns normally, then a fault of the runner's own.
void CallThenFault(int add, bool sent) {
  RValue args[2] = {RValue(1.0), RValue(2.0)};
  RValue r;
  DLL_Call(add, 2, args, r);
  if (r.real != 3.0) std::exit(5);
  if (sent) raise(SIGSEGV);
  volatile int* volatile nowhere = nullptr;
  *nowhere = 1;
  std::exit(6);
}

// A crash inside native code ends the runner with exit code 1 (after a fatal report) instead of a
// signal; a fault of the runner's own, outside native code, still kills it as before.
TEST_F(NativeLibrary, ACrashInNativeCodeEndsWithExitCodeOne) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  const int crash = Define("tt_crash", {}, false);
  ASSERT_GE(crash, 0);
  RValue r;
  EXPECT_EXIT(DLL_Call(crash, 0, nullptr, r), ::testing::ExitedWithCode(1), "");
  // A library whose initialisation crashes while it loads.
  std::string error;
  EXPECT_EXIT(DLL_Define(TESSERA_CRASH_LIBRARY, "tcl_never", 0, 0, nullptr, false, error), ::testing::ExitedWithCode(1), "");
  const int add = Define("tt_add", {0, 0}, false);
#ifdef TESSERA_SANITIZED
  // Under the sanitizers their own handler was there first: it reports the fault and exits.
  EXPECT_EXIT(CallThenFault(add, false), ::testing::ExitedWithCode(1), "AddressSanitizer");
  EXPECT_EXIT(CallThenFault(add, true), ::testing::ExitedWithCode(1), "AddressSanitizer");
#else
  EXPECT_EXIT(CallThenFault(add, false), ::testing::KilledBySignal(SIGSEGV), "");
  EXPECT_EXIT(CallThenFault(add, true), ::testing::KilledBySignal(SIGSEGV), "");
#endif
}

TEST_F(NativeLibrary, OneLoadIsSharedAndFreedOnce) {
  const int a = Define("tt_add", {0, 0}, false);
  const int b = Define("tt_zero", {}, false);
  ASSERT_GE(b, 0);
  EXPECT_EQ(DLL_Definition(a)->module, DLL_Definition(b)->module);
  EXPECT_TRUE(DLL_Free(TESSERA_TEST_LIBRARY));
  EXPECT_EQ(DLL_Definition(a)->module, nullptr);
  EXPECT_EQ(DLL_Definition(b)->module, nullptr);
  EXPECT_FALSE(DLL_Free(TESSERA_TEST_LIBRARY));  // nothing left to unload
  RValue r(5.0);
  DLL_Call(b, 0, nullptr, r);
  EXPECT_TRUE(r.IsReal());
  EXPECT_EQ(r.real, 0.0);
  // Numbers are never reused: a new definition loads the library again under the next number.
  EXPECT_EQ(Define("tt_zero", {}, false), b + 1);
}

TEST_F(NativeLibrary, BadDefinitionsAndCallsAreRefusedWithoutCalling) {
  std::string why;
  EXPECT_EQ(Define("tt_missing", {}, false, &why), -1);
  EXPECT_NE(why.find("has no function tt_missing"), std::string::npos);
  EXPECT_EQ(Define("tt_add", std::vector<int>(17, 0), false, &why), -1);
  EXPECT_EQ(why, "DLL functions can have at most 16 arguments");
  EXPECT_EQ(Define("tt_add", {0, 0, 0, 0, 1}, false, &why), -1);
  EXPECT_EQ(why, "DLL functions with more than 4 arguments cannot have string arguments");
  std::string error;
  int none[1] = {0};
  EXPECT_EQ(DLL_Define("/nonexistent/libnothing.so", "f", 0, 0, none, false, error), -1);
  EXPECT_NE(error.find("cannot load the library"), std::string::npos);

  const int len = Define("tt_length", {1}, false);
  RValue number[1] = {RValue(3.0)};
  RValue r;
  Console::Flush();
  testing::internal::CaptureStdout();
  DLL_Call(len, 1, number, r);  // a real where a string belongs: reported, not called
  Console::Flush();
  const std::string out = testing::internal::GetCapturedStdout();
  EXPECT_NE(out.find("external_call: argument 1 of tt_length must be a string"), std::string::npos);
  EXPECT_EQ(r.real, 0.0);
  DLL_Call(len, 0, nullptr, r);  // wrong count: 0, no report
  EXPECT_EQ(r.real, 0.0);
  DLL_Call(-1, 0, nullptr, r);
  EXPECT_EQ(r.real, 0.0);
}

TEST_F(NativeLibrary, SkippedCallsReturnAtOnce) {
  const int zero = Define("tt_zero", {}, false);
  DLL_SetSkipCalls(true);
  RValue r;
  DLL_Call(zero, 0, nullptr, r);
  EXPECT_EQ(r.real, 0.0);
  DLL_SetSkipCalls(false);
  DLL_Call(zero, 0, nullptr, r);
  EXPECT_EQ(r.real, 42.0);
}

TEST(DLLCandidates, DllNamesAlsoTryTheSharedObjectForms) {
  // Nowhere on disk: handed to the loader, ".so" forms first.
  EXPECT_EQ(DLL_Candidates("nothing_here.dll"),
            (std::vector<std::string>{"libnothing_here.so", "nothing_here.so", "nothing_here.dll"}));
  EXPECT_EQ(DLL_Candidates("sub/x.DLL"), (std::vector<std::string>{"sub/libx.so", "sub/x.so", "sub/x.DLL"}));
  EXPECT_EQ(DLL_Candidates("plain.so"), (std::vector<std::string>{"plain.so"}));
  // An absolute path that exists is used as it is.
  EXPECT_EQ(DLL_Candidates(TESSERA_TEST_LIBRARY), (std::vector<std::string>{TESSERA_TEST_LIBRARY}));
}

TEST(ExtensionStart, AMissingInitialisationFunctionStopsTheStart) {
  CExtensionPackage p;
  p.name = "pkg";
  CExtensionFile file;
  file.kind = kExtensionKindSource;
  file.initName = "nowhere";
  file.finalName = "gone";
  p.files.push_back(file);
  Extension_SetPackages({p});
  Console::Flush();
  testing::internal::CaptureStdout();
  const bool started = Extension_Initialise();
  Extension_Finalise();
  Console::Flush();
  const std::string out = testing::internal::GetCapturedStdout();
  EXPECT_FALSE(started);
  EXPECT_NE(out.find("Could not locate initialization function nowhere"), std::string::npos);
  EXPECT_NE(out.find("Could not locate finalization function gone"), std::string::npos);
  Extension_SetPackages({});
  Extension_Reset();
}

TEST(ExtensionStart, TheBuiltInPackageIsNotServed) {
  CExtensionPackage p;
  p.name = "Brindle";
  CExtensionFile file;
  file.kind = kExtensionKindSource;
  file.functions = {Fn("b_f", "return 1;", 0, {})};
  p.files.push_back(file);
  Extension_SetPackages({p});
  EXPECT_EQ(Extension_Find("b_f"), -1);
  RValue r;
  EXPECT_FALSE(Extension_Call(0, nullptr, nullptr, 0, nullptr, r));
  Extension_SetPackages({});
  Extension_Reset();
}

// ---- The built-in functions ----------------------------------------------------------------------

#include "Function/Function_Exercise.h"

namespace {

RValue Call(const char* name, std::vector<RValue> args) { return CallBuiltin(name, std::move(args)); }

void ExExternal() {
  const RValue lib(TESSERA_TEST_LIBRARY);
  // The fixed forms: external_defineN(dll, name, types..., result) and external_callN(id, args...).
  // Every function of N reals returns the sum of argument i times i (from 1); arguments 1..N of 1
  // give N(N+1)/2.
  const char* names[9] = {"tt_zero", "", "tt_add", "", "tt_weigh4", "tt_weigh5", "tt_weigh6", "tt_weigh7", "tt_weigh8"};
  for (int n : {0, 2, 4, 5, 6, 7, 8}) {
    std::vector<RValue> define{lib, RValue(names[n])};
    for (int i = 0; i < n; ++i) define.emplace_back(0.0);
    define.emplace_back(0.0);
    const RValue id = Call(("external_define" + std::to_string(n)).c_str(), define);
    ASSERT_GE(id.real, 0.0) << n;
    std::vector<RValue> call{id};
    for (int i = 0; i < n; ++i) call.emplace_back(1.0);
    const double want = n == 0 ? 42.0 : n == 2 ? 2.0 : n * (n + 1) / 2.0;
    EXPECT_EQ(Call(("external_call" + std::to_string(n)).c_str(), call).real, want) << n;
  }
  const RValue len = Call("external_define1", {lib, RValue("tt_length"), RValue(1.0), RValue(0.0)});
  EXPECT_EQ(Call("external_call1", {len, RValue("four")}).real, 4.0);
  const RValue join =
      Call("external_define3", {lib, RValue("tt_join"), RValue(1.0), RValue(0.0), RValue(1.0), RValue(1.0)});
  EXPECT_STREQ(Call("external_call3", {join, RValue("p"), RValue(-1.0), RValue("q")}).Str(), "p--1-q");
  // The general form: (dll, name, convention, result, count, types...).
  const RValue add = Call("external_define", {lib, RValue("tt_add"), RValue(1.0), RValue(0.0), RValue(2.0),
                                              RValue(0.0), RValue(0.0)});
  EXPECT_EQ(Call("external_call", {add, RValue(3.0), RValue(4.0)}).real, 7.0);
  // A count that does not match the types given.
  std::string out = Printed([&] {
    EXPECT_EQ(Call("external_define", {lib, RValue("tt_add"), RValue(0.0), RValue(0.0), RValue(2.0), RValue(0.0)})
                  .real,
              -1.0);
  });
  EXPECT_NE(out.find("Wrong number of arguments to external_define()"), std::string::npos);
  out = Printed([&] { EXPECT_EQ(Call("external_define0", {lib, RValue("tt_nothing"), RValue(0.0)}).real, -1.0); });
  EXPECT_NE(out.find("Error defining an external function."), std::string::npos);
  Call("external_free", {lib});
  EXPECT_EQ(Call("external_call2", {add, RValue(3.0), RValue(4.0)}).real, 0.0);
  DLL_FreeAll();
}

const RegisterExercise kExternal({"external_define", "external_call", "external_free", "external_define0",
                                  "external_define1", "external_define2", "external_define3", "external_define4",
                                  "external_define5", "external_define6", "external_define7", "external_define8",
                                  "external_call0", "external_call1", "external_call2", "external_call3",
                                  "external_call4", "external_call5", "external_call6", "external_call7",
                                  "external_call8"},
                                 ExExternal);

}  // namespace
