// Loading a data file in the test process with the runner's chunk handlers, after forgetting what
// an earlier load filled.
#pragma once
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "DataFile/DataFile_Load.h"
#include "Runner/Runner_CommandLine.h"
#include "Runner/Runner_Wiring.h"

// "" when the file loads, else the refusal's message (or "unknown chunk").
inline std::string LoadWithRunner(const std::vector<uint8_t>& bytes) {
  static const bool wired = [] {
    Runner_WireSubsystems(CommandLineSwitches{});
    return true;
  }();
  (void)wired;
  DataFile_ResetLoadedState();
  DataView view(bytes.data(), bytes.size());
  testing::internal::CaptureStdout();
  std::string error;
  try {
    DataFile_PrePass(view);
    if (!LoadGameData(view)) error = "unknown chunk";
  } catch (const FileFormatError& e) {
    error = e.what();
  }
  testing::internal::GetCapturedStdout();
  return error;
}
