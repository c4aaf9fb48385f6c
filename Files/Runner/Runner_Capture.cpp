#include "Runner/Runner_Capture.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <unistd.h>

#include "Graphics/Graphics_Display.h"
#include "Platform/Platform_Console.h"

namespace fs = std::filesystem;

namespace {

// Why `path` cannot be read as a file, or "" when it can.
std::string ReadProblem(const std::string& path) {
  std::error_code ec;
  if (fs::is_directory(path, ec)) return "it is a folder";
  FILE* f = std::fopen(path.c_str(), "rb");
  if (f == nullptr) return std::strerror(errno);
  std::fclose(f);
  return {};
}

// Why `path` cannot be written as a file, or "" when it can. Nothing is created.
std::string WriteProblem(const std::string& path) {
  std::error_code ec;
  if (fs::is_directory(path, ec)) return "it is a folder";
  if (fs::exists(path, ec)) return ::access(path.c_str(), W_OK) == 0 ? std::string() : std::strerror(errno);
  fs::path folder = fs::path(path).parent_path();
  if (folder.empty()) folder = ".";
  if (!fs::is_directory(folder, ec)) return "the folder " + folder.string() + " does not exist";
  return ::access(folder.c_str(), W_OK | X_OK) == 0 ? std::string() : std::strerror(errno);
}

}  // namespace

void Runner_CheckCaptureFiles(const CommandLineSwitches& switches) {
  // What a switch cannot do: its file's problem, or else that input is not read yet.
  auto say = [&](const char* name, const char* verb, const std::string& problem, const char* notYet) {
    const char* file = switches.recordFile.c_str();
    if (!problem.empty()) {
      Console::Output("%s: cannot %s %s: %s\n", name, verb, file, problem.c_str());
    } else {
      Console::Output("%s: input is not read yet, so %s %s\n", name, notYet, file);
    }
  };
  if (switches.playback) say("-playback", "read", ReadProblem(switches.recordFile), "nothing is replayed from");
  if (switches.record) say("-record", "write", WriteProblem(switches.recordFile), "nothing is recorded to");
}

void Runner_SaveScreenshot(const std::string& path) {
  std::string error;
  if (!Display_SaveScreen(path, 0, 0, g_Display.gameWidth, g_Display.gameHeight, error)) {
    Console::Output("-screenshot: cannot write %s: %s\n", path.c_str(), error.c_str());
  }
}
