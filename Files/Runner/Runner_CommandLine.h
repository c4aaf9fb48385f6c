// The runner's command line: tokenising the raw line and the switches it sets.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

struct Breakpoint {
  std::string codeName;
  int line = 0;  // stored minus one: "-bp name@12" gives 11; a token without "@" gives 0
};

struct CommandLineSwitches {
  bool debug = false;
  bool trace = false;
  bool skipExternalCalls = false;  // "-ext"
  bool oldExec = false;            // "-oldexec": the source interpreter instead of the bytecode engine
  bool noAudio = false;
  bool inAWindow = false;
  std::string gameFile;            // "-game": the first occurrence wins
  std::string recordFile;          // shared by "-record" and "-playback"; the last one given wins
  bool record = false;
  bool playback = false;
  std::vector<Breakpoint> breakpoints;  // at most kMaxBreakpoints

  // Our own switches.
  bool headless = false;
  bool noSleep = false;
  int64_t frames = -1;             // "-frames N": end the game normally after N frames
  std::string screenshotFile;
  bool profile = false;            // "-profile": print where the frame time went when the game ends

  static constexpr size_t kMaxBreakpoints = 10;
};

// The raw command line is kept in a buffer of this size (at most one less characters).
constexpr size_t kCommandLineBuffer = 8192;

// Splits a raw command line: leading characters below '!' are skipped; a token ends at a character
// below '!' outside double quotes; a double quote toggles quoting and is dropped.
std::vector<std::string> CommandLine_Tokenise(const std::string& line);

// Joins argv[1..] into one raw line that tokenises back to the same arguments (arguments holding
// blanks are quoted), cut to the buffer size.
std::string CommandLine_Join(int argc, char** argv);

// Applies the switches of a tokenised line. Unknown tokens are ignored; a switch that takes a value
// consumes the next token. False when a value is not valid: "-frames" needs a whole number (0 or
// more), the line of "-bp name@line" must be one, and "-frames" and "-screenshot" need their value.
// `error` (when given) then says which; the other switches are applied all the same.
bool CommandLine_Parse(const std::vector<std::string>& tokens, CommandLineSwitches& out,
                       std::string* error = nullptr);
