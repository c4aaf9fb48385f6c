#include "Runner/Runner_Prepare.h"

#include <array>

#include "DataFile/DataFile_Included.h"
#include "Platform/Platform_Console.h"

namespace {

struct StepInfo {
  int percent;
  const char* line;
  const char* caption;
  const char* failure;
};

constexpr std::array<StepInfo, kPrepareStepCount> kSteps = {{
    {50, "DataFile_Prepare() \n", "Extracting included files", "Failed to extract the included files."},
    {54, "Extension_Prepare() \n", "Preparing extension packages", "Failed to prepare extension packages."},
    {56, "Code_Constant_Prepare() \n", "Preparing constants", "Failed to define the constants."},
    {58, "Script_Prepare() \n", "Compiling scripts", "Failed to compile the scripts."},
    {70, "TimeLine_Prepare() \n", "Compiling time line actions", "Failed to compile the actions in the time lines."},
    {72, "Object_Prepare() \n", "Compiling object actions", "Failed to compile the actions in the objects."},
    {76, "Room_Prepare() \n", "Compiling object actions", "Failed to compile the actions in the objects."},
    {80, "Sound_Prepare() \n", "Preparing sounds", "Failed to prepare the sounds."},
    {90, "InitGraphics() \n", "Preparing graphics", nullptr},
}};

std::array<std::function<bool()>, kPrepareStepCount> g_work = {
    [] { return IncludedFiles_Export(); },
};
std::function<void(int, const char*)> g_progress;

}  // namespace

void Prepare_SetStep(PrepareStep step, std::function<bool()> work) { g_work[step] = std::move(work); }

void Prepare_SetProgress(std::function<void(int, const char*)> progress) { g_progress = std::move(progress); }

bool Prepare_Run() {
  for (int i = 0; i < kPrepareStepCount; ++i) {
    const StepInfo& s = kSteps[i];
    Console::Output("%s", s.line);
    if (g_progress) g_progress(s.percent, s.caption);
    if (g_work[i] && !g_work[i]()) {
      if (s.failure) Console::Output("%s\n", s.failure);
      return false;
    }
  }
  if (g_progress) g_progress(100, "Ready");
  Console::Output("Finished PrepareGame() \n");
  return true;
}
