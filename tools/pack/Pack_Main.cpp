// tessera-pack: builds a game data file from a project folder (game.json and the files it names).
#include <cstdio>
#include <cstring>
#include <string>

#include "Pack_Project.h"

namespace {

void Usage() {
  std::fprintf(stderr,
               "usage: tessera-pack PROJECT -o FILE   build the game data file\n"
               "       tessera-pack PROJECT --check   check the project without writing\n"
               "       --source                       write source text instead of bytecode\n");
}

}  // namespace

int main(int argc, char** argv) {
  std::string project;
  std::string output;
  bool check = false;
  PackOptions options;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "-o") == 0 && i + 1 < argc) {
      output = argv[++i];
    } else if (std::strcmp(argv[i], "--check") == 0) {
      check = true;
    } else if (std::strcmp(argv[i], "--source") == 0) {
      options.source = true;
    } else if (argv[i][0] == '-') {
      std::fprintf(stderr, "tessera-pack: unknown switch %s\n", argv[i]);
      Usage();
      return 2;
    } else if (project.empty()) {
      project = argv[i];
    } else {
      Usage();
      return 2;
    }
  }
  if (project.empty() || (output.empty() && !check)) {
    Usage();
    return 2;
  }
  std::vector<uint8_t> bytes, debug;
  std::string error;
  if (!Pack_BuildProject(project, options, bytes, debug, error)) {
    std::fprintf(stderr, "%s\n", error.c_str());
    return 1;
  }
  if (check) return 0;
  const std::string debugPath = Pack_DebugFilePath(output);
  if (!DataFileWriter::WriteFile(output, bytes)) {
    std::fprintf(stderr, "tessera-pack: cannot write %s\n", output.c_str());
    return 1;
  }
  // A side file from an earlier build would describe other code: replace it or remove it.
  if (debug.empty()) {
    std::remove(debugPath.c_str());
  } else if (!DataFileWriter::WriteFile(debugPath, debug)) {
    std::fprintf(stderr, "tessera-pack: cannot write %s\n", debugPath.c_str());
    return 1;
  }
  return 0;
}
