// The builder and the inspector as processes, on a project folder made by the test.
#pragma once
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

namespace fs = std::filesystem;

namespace {

struct Result {
  int exitCode = -1;
  std::string out;
};

Result Shell(const std::string& command) {
  Result r;
  FILE* p = ::popen((command + " 2>&1").c_str(), "r");
  if (p == nullptr) return r;
  char buffer[4096];
  size_t n;
  while ((n = std::fread(buffer, 1, sizeof buffer, p)) > 0) r.out.append(buffer, n);
  int status = ::pclose(p);
  r.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return r;
}

class Pack : public testing::Test {
 protected:
  void SetUp() override {
    const char* tools = std::getenv("TESSERA_TOOLS");
    if (tools == nullptr) GTEST_SKIP() << "TESSERA_TOOLS is not set";
    pack = std::string(tools) + "/tessera-pack";
    dump = std::string(tools) + "/tessera-dump";
    dir = fs::temp_directory_path() /
          ("tessera-pack-" + std::to_string(::getpid()) + "-" + testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(dir);
    fs::create_directories(dir);
  }
  void TearDown() override {
    if (!dir.empty()) fs::remove_all(dir);
  }
  void File(const std::string& name, const std::string& text) {
    fs::create_directories((dir / name).parent_path());
    std::ofstream(dir / name) << text;
  }
  Result Build(const std::string& extra = "") {
    return Shell(pack + " " + dir.string() + " -o " + (dir / "out.win").string() + " " + extra);
  }
  std::string pack, dump;
  fs::path dir;
};

}  // namespace
