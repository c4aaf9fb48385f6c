// tessera-dump: lists the chunks of a game data file and prints its general and options settings,
// its room order and its constants; lists its code; lists the built-in functions.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "Code/Code_Compile.h"
#include "Code/Code_Function.h"
#include "Code/Code_Load.h"
#include "DataFile/DataFile_Container.h"
#include "DataFile/DataFile_General.h"
#include "DataFile/DataFile_Load.h"
#include "Path/Path_Class.h"
#include "Path/Path_Main.h"
#include "Dump_Functions.h"
#include "Dump_Images.h"
#include "Dump_Physics.h"
#include "Dump_Source.h"
#include "Dump_Sounds.h"
#include "Option/Option_Main.h"
#include "Platform/Platform_Memory.h"
#include "Platform/Platform_Console.h"
#include "Runner/Runner_CommandLine.h"
#include "Runner/Runner_Game.h"
#include "Runner/Runner_Wiring.h"

namespace {

void PrintGeneral() {
  const GeneralInfo& g = g_General;
  std::printf("General:\n");
  std::printf("  version            %d (format %d)\n", g.version, g.formatVersion);
  std::printf("  flags              0x%02x (debug_mode %d)\n", g.flags, g.DebugMode() ? 1 : 0);
  std::printf("  name               %s\n", g.gameName ? g.gameName : "");
  std::printf("  configuration      %s\n", g.configName ? g.configName : "");
  std::printf("  display name       %s\n", g.displayName.c_str());
  std::printf("  game id            %d\n", g.gameId);
  std::printf("  last instance id   %d\n", g.lastInstanceId);
  std::printf("  last tile id       %d\n", g.lastTileId);
  std::printf("  window             %d x %d, flags 0x%x\n", g.windowWidth, g.windowHeight, g.windowFlags);
  std::printf("  loading screen     mode %d\n", g.loadingScreenMode);
  std::printf("  room order         %zu:", g.roomOrder.size());
  for (int32_t r : g.roomOrder) std::printf(" %d", r);
  std::printf("\n");
}

void PrintOptions() {
  const GameOptions& o = g_Options;
  std::printf("Options:\n");
  std::printf("  full screen        %d\n", o.fullScreen);
  std::printf("  new audio          %d\n", o.newAudio);
  std::printf("  show cursor        %d\n", o.showCursor);
  std::printf("  window colour      0x%06x\n", o.windowColour);
  std::printf("  set resolution     %d (depth %d, size %d, frequency %d)\n", o.setResolution, o.colourDepth,
              o.resolution, o.frequency);
  std::printf("  alt-enter          %d\n", o.altEnterSwitches);
  std::printf("  freeze inactive    %d\n", o.freezeWhenInactive);
  std::printf("  progress bar       %d\n", o.showProgressBar);
  if (o.loadingImage != 0) {
    auto size = [](const LoadingPicture& p) {
      return p.data ? std::to_string(p.width) + " x " + std::to_string(p.height) : std::string("none");
    };
    std::printf("  loading pictures   image %s, bar back %s, bar front %s\n", size(o.loadingPicture).c_str(),
                size(o.barBack).c_str(), size(o.barFront).c_str());
  }
  std::printf("  display errors     %d\n", o.displayErrors);
  std::printf("  abort on errors    %d\n", o.abortOnAllErrors);
  std::printf("  strict variables   %d\n", o.strictVariables);
  std::printf("  create event first %d\n", o.createEventFirst);
  std::printf("  version            %d.%d\n", o.versionMajor, o.versionMinor);
  std::printf("Constants: %zu\n", o.constantNames.size());
  for (size_t i = 0; i < o.constantNames.size(); ++i) {
    std::printf("  %s = %s\n", o.constantNames[i].c_str(), o.constantValues[i].c_str());
  }
}

// The paths of the PATH chunk: name, kind, closed, precision, length and points.
void PrintPaths(const DataView& view, const std::vector<ChunkInfo>& chunks) {
  for (const ChunkInfo& c : chunks) {
    if (c.tag != MakeTag("PATH") || c.length == 0) continue;
    Path_LoadPATH(view, c);
    std::printf("Paths: %d\n", Path_Count());
    for (int32_t i = 0; i < Path_Count(); ++i) {
      const CPath* p = Path_Get(i);
      if (p == nullptr) continue;
      std::printf("  %d %s: %s, %s, precision %d, length %.2f, %zu points:", i, Path_Name(i),
                  p->Kind() == 1 ? "smooth" : "straight", p->Closed() ? "closed" : "open", p->Precision(),
                  double(p->Length()), p->Points().size());
      for (const PathPoint& pt : p->Points()) std::printf(" (%g, %g, %g)", double(pt.x), double(pt.y), double(pt.speed));
      std::printf("\n");
    }
    Path_FreeAll();
  }
}

class StdoutOutput : public CTextOutput {
 public:
  void Write(const char* text, size_t length) override { std::fwrite(text, 1, length, stdout); }
  using CTextOutput::Write;
};

// Loads the whole game as the runner does, without its console lines, and lists every code entry.
int DumpCode(const DataView& view) {
  CommandLineSwitches none;
  Runner_WireSubsystems(none);
  Console::SetMuted(true);
  DataFile_PrePass(view);
  const bool ok = LoadGameData(view);
  Console::SetMuted(false);
  if (!ok) {
    std::fprintf(stderr, "tessera-dump: the data file has an unknown chunk\n");
    return 1;
  }
  StdoutOutput out;
  if (!Code_HasBytecode()) {
    // A game that carries source text: the texts, and their listings once prepared.
    Console::SetMuted(true);
    Dump_ListSourceCode(out);
    Console::SetMuted(false);
    return 0;
  }
  for (int32_t i = 0; i < Code_EntryCount(); ++i) {
    std::printf("Code %d: %s\n", i, Code_EntryName(i) ? Code_EntryName(i) : "");
    Code_ListEntry(i, out);
  }
  return 0;
}

void Usage() {
  std::fprintf(stderr,
               "usage: tessera-dump FILE              chunks, settings, room order, constants, images, paths,\n"
               "                                      sounds, physics objects and rooms\n"
               "       tessera-dump --code FILE       every code entry: its listing (for a game that carries\n"
               "                                      source text: its text, then its listing)\n"
               "       tessera-dump --page N OUT.png FILE   write texture page N as a PNG file\n"
               "       tessera-dump --functions       how many built-in functions are registered and implemented\n"
               "       tessera-dump --functions --list [FAMILY]\n"
               "                                      each built-in function (of one family: its number or a\n"
               "                                      word of its name) with its argument count and whether\n"
               "                                      it is implemented\n");
}

}  // namespace

int main(int argc, char** argv) {
  if (argc >= 2 && std::strcmp(argv[1], "--functions") == 0) {
    const bool list = argc >= 3 && std::strcmp(argv[2], "--list") == 0;
    if (argc > 4 || (argc >= 3 && !list)) {
      Usage();
      return 2;
    }
    // As the runner has them: the compiler binds execute_string and execute_file.
    RegisterAllFunctions();
    Code_InstallCompiler();
    if (list) return Dump_ListFunctions(argc == 4 ? argv[3] : nullptr) ? 0 : 1;
    PrintFunctionCounts();
    return 0;
  }
  const bool code = argc == 3 && std::strcmp(argv[1], "--code") == 0;
  const bool page = argc == 5 && std::strcmp(argv[1], "--page") == 0;
  char* pageEnd = nullptr;
  const long pageNumber = page ? std::strtol(argv[2], &pageEnd, 10) : 0;
  if (page && (pageEnd == argv[2] || *pageEnd != 0)) {
    Usage();
    return 2;
  }
  if (!code && !page && (argc != 2 || argv[1][0] == '-')) {
    Usage();
    return 2;
  }
  const char* path = argv[argc - 1];
  uint8_t* block = nullptr;
  size_t size = 0;
  if (!Runner_ReadFile(path, block, size)) {
    std::fprintf(stderr, "tessera-dump: cannot read %s\n", path);
    return 1;
  }
  const DataView view(block, size);
  try {
    if (code) return DumpCode(view);
    if (page) {
      Console::SetMuted(true);
      DataFile_PrePass(view);
      Console::SetMuted(false);
      std::string error;
      const bool written = Dump_WritePage(view, pageNumber, argv[3], error);
      if (!written) std::fprintf(stderr, "tessera-dump: %s: %s\n", path, error.c_str());
      MemFree(block);
      return written ? 0 : 1;
    }
    const auto chunks = Container_Walk(view);
    std::printf("Chunks: %zu\n", chunks.size());
    for (const ChunkInfo& c : chunks) {
      std::printf("  %s  offset %10u  length %10u%s\n", c.name().c_str(), c.offset, c.length,
                  DataFile_IsKnownTag(c.tag) ? "" : "  (unknown)");
    }
    DataFile_PrePass(view);
    for (const ChunkInfo& c : chunks) {
      if (c.length == 0) continue;
      DataFile_CheckChunk(view, c);
      if (c.tag == MakeTag("GEN8") || c.tag == MakeTag("GEN7") || c.tag == MakeTag("GENL")) General_Load(view, c);
      if (c.tag == MakeTag("OPTN")) Options_Load(view, c, g_General.version);
    }
    PrintGeneral();
    PrintOptions();
    Dump_Images(view);
    PrintPaths(view, chunks);
    Dump_Sounds(view);
    Dump_Physics(view, g_General.version);
  } catch (const FileFormatError& e) {
    std::fflush(stdout);
    Console::SetMuted(false);
    std::fprintf(stderr, "tessera-dump: %s: %s\n", path, e.what());
    MemFree(block);
    return 1;
  }
  MemFree(block);
  return 0;
}
