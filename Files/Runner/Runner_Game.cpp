#include "Runner/Runner_Game.h"

#include <unistd.h>

#include <climits>
#include <cstdio>
#include <cstdlib>
#include <filesystem>

#include "Base/Base_IniFile.h"
#include "IO/IO_VirtualButtons.h"
#include "Code/Code_Load.h"
#include "DataFile/DataFile_Container.h"
#include "Platform/Platform_Console.h"
#include "Platform/Platform_Memory.h"
#include "Runner/Runner_Folders.h"
#include "Support/Support_Dialog.h"

std::string Runner_DataWinBesideExecutable() {
  char buffer[PATH_MAX + 1];
  ssize_t n = ::readlink("/proc/self/exe", buffer, PATH_MAX);
  if (n <= 0) return std::string();
  buffer[n] = 0;
  std::string exe(buffer);
  size_t cut = exe.find_last_of('/');
  std::string path = (cut == std::string::npos ? std::string() : exe.substr(0, cut + 1)) + "data.win";
  if (FILE* f = std::fopen(path.c_str(), "rb")) {
    std::fclose(f);
    return path;
  }
  return std::string();
}

std::string Runner_AskForGameFile() {
  const char* display = std::getenv("DISPLAY");
  const char* wayland = std::getenv("WAYLAND_DISPLAY");
  const bool haveDisplay = (display && *display) || (wayland && *wayland);
  const DialogTool tool = haveDisplay ? Dialog_DesktopTool() : DialogTool::None;
  if (tool != DialogTool::None) {
    std::string chosen;
    const std::vector<DialogFilter> all = {{"All Files (*.*)", {"*"}}};
    if (Dialog_RunProgram(Dialog_FileCommand(tool, DialogFile::Open, "Open a game", all, ""), chosen) != 0) return "";
    return chosen;
  }
  std::fprintf(stderr,
               "tessera: no game file given. Start the runner with -game FILE, or put data.win beside it.\n");
  return std::string();
}

bool Runner_ReadFile(const std::string& path, uint8_t*& block, size_t& size) {
  block = nullptr;
  size = 0;
  FILE* f = std::fopen(path.c_str(), "rb");
  if (f == nullptr) return false;
  if (std::fseek(f, 0, SEEK_END) != 0) {
    std::fclose(f);
    return false;
  }
  long length = std::ftell(f);
  std::rewind(f);
  // Offsets in the file are 32-bit, so nothing larger can be addressed.
  if (length < 0 || static_cast<unsigned long>(length) > 0xFFFFFFFFul) {
    std::fclose(f);
    return false;
  }
  uint8_t* data = static_cast<uint8_t*>(MemAlloc(static_cast<size_t>(length) + 1));
  size_t got = std::fread(data, 1, static_cast<size_t>(length), f);
  std::fclose(f);
  if (got != static_cast<size_t>(length)) {
    MemFree(data);
    return false;
  }
  block = data;
  size = got;
  return true;
}

namespace {

void ReadOptionsIni(const std::string& path, CommandLineSwitches& switches) {
  size_t cut = path.find_last_of('/');
  if (cut == std::string::npos) cut = path.find_last_of('\\');
  if (cut == std::string::npos) return;
  const std::string iniPath = path.substr(0, cut) + "/options.ini";
  Console::Output("Checking if INIFile %s Exists\n", iniPath.c_str());
  FILE* f = std::fopen(iniPath.c_str(), "rb");
  if (f == nullptr) {
    Console::Output("!!!!No INI File %s\n", iniPath.c_str());
    return;
  }
  std::fclose(f);
  const IniFile ini = IniFile::Load(iniPath);
  VirtualButtons_Load(ini);
  // The orientation keys are read (both must be present) and have no effect on this platform.
  if (const std::string* debug = ini.Find("DEFAULT", "Debug")) {
    switches.debug = std::atoi(debug->c_str()) != 0;
  }
  if (const std::string* trace = ini.Find("DEFAULT", "Trace")) {
    switches.trace = std::atoi(trace->c_str()) != 0;
  }
}

void ReadDebugSideFile(const std::string& path, LoadedGame& game) {
  size_t dot = path.find_last_of('.');
  size_t slash = path.find_last_of('/');
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return;
  const std::string sidePath = path.substr(0, dot) + ".brindledebug";
  if (!std::filesystem::exists(sidePath)) return;
  Runner_ReadFile(sidePath, game.debugBlock, game.debugSize);
}

}  // namespace

void Runner_DebugPrePass(const DataView& view) {
  if (view.size() < 8 || !Container_HasFormTag(view) || view.u32(4, "FORM length") != view.size() - 8) return;
  for (const ChunkInfo& c : Container_Walk(view)) {
    Console::Output("Process Chunk: %s   %d\n", c.name().c_str(), static_cast<int>(c.length));
    if (c.length == 0) continue;
    if (c.tag == MakeTag("STRG")) Code_LoadDebugSTRG(view, c.body, c.length);
    if (c.tag == MakeTag("DBGI")) Code_LoadDebugDBGI(view, c.body, c.length);
    if (c.tag == MakeTag("SCPT")) Code_LoadDebugSCPT(view, c.body, c.length);
  }
}

bool RunnerLoadGame(const std::string& path, CommandLineSwitches& switches, LoadedGame& game) {
  Console::Output("RunnerLoadGame() - %s\n", path.c_str());
  Folders_SetGameFile(path);
  ReadOptionsIni(path, switches);
  ReadDebugSideFile(path, game);

  std::error_code ec;
  std::string absolute = std::filesystem::absolute(path, ec).string();
  if (ec) absolute = path;
  Console::Output("Reading File %s\n", absolute.c_str());
  if (!Runner_ReadFile(absolute, game.block, game.size)) {
    Console::Output("Unable to read the game file %s\n", absolute.c_str());
    return false;
  }
  Console::Output("Loaded File %s\n", absolute.c_str());
  if (Container_HasFormTag(game.view())) Console::Output("IFF wad found\n");
  return true;
}
