#include "Runner/Runner_CommandLine.h"

std::vector<std::string> CommandLine_Tokenise(const std::string& line) {
  std::vector<std::string> tokens;
  size_t i = 0;
  const size_t n = line.size();
  auto blank = [](char c) { return static_cast<unsigned char>(c) < '!'; };
  while (i < n) {
    while (i < n && blank(line[i])) ++i;
    if (i >= n) break;
    std::string token;
    bool quoted = false;
    while (i < n && (quoted || !blank(line[i]))) {
      if (line[i] == '"') {
        quoted = !quoted;
      } else {
        token.push_back(line[i]);
      }
      ++i;
    }
    tokens.push_back(std::move(token));
  }
  return tokens;
}

std::string CommandLine_Join(int argc, char** argv) {
  std::string line;
  for (int a = 1; a < argc; ++a) {
    std::string arg = argv[a];
    bool needsQuotes = arg.empty();
    for (char c : arg) {
      if (static_cast<unsigned char>(c) < '!') needsQuotes = true;
    }
    if (!line.empty()) line.push_back(' ');
    if (needsQuotes) {
      line.push_back('"');
      line += arg;
      line.push_back('"');
    } else {
      line += arg;
    }
  }
  if (line.size() > kCommandLineBuffer - 1) line.resize(kCommandLineBuffer - 1);
  return line;
}

namespace {

// A whole number of at most 18 digits, without sign or blanks.
bool WholeNumber(const std::string& text, int64_t& value) {
  if (text.empty() || text.size() > 18) return false;
  value = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return false;
    value = value * 10 + (c - '0');
  }
  return true;
}

// "name@line" or "name" (line 0). False when the line is not a whole number.
bool ParseBreakpoint(const std::string& token, Breakpoint& bp) {
  size_t at = token.find('@');
  if (at == std::string::npos) {
    bp.codeName = token;
    bp.line = 0;
    return true;
  }
  bp.codeName = token.substr(0, at);
  int64_t line = 0;
  if (!WholeNumber(token.substr(at + 1), line) || line > 0x7FFFFFFF) return false;
  bp.line = static_cast<int>(line) - 1;
  return true;
}

}  // namespace

bool CommandLine_Parse(const std::vector<std::string>& tokens, CommandLineSwitches& out, std::string* error) {
  std::string problem;
  auto fail = [&](std::string message) {
    if (problem.empty()) problem = std::move(message);
  };
  const size_t n = tokens.size();
  for (size_t i = 0; i < n; ++i) {
    const std::string& t = tokens[i];
    const bool hasValue = i + 1 < n;
    if (t == "-debug") {
      out.debug = true;
    } else if (t == "-trace") {
      out.trace = true;
    } else if (t == "-ext") {
      out.skipExternalCalls = true;
    } else if (t == "-oldexec") {
      out.oldExec = true;
    } else if (t == "-noaudio") {
      out.noAudio = true;
    } else if (t == "-inawindow") {
      out.inAWindow = true;
    } else if (t == "-game") {
      if (hasValue) {
        if (out.gameFile.empty()) out.gameFile = tokens[i + 1];
        ++i;
      }
    } else if (t == "-record" || t == "-playback") {
      if (hasValue) {
        out.recordFile = tokens[i + 1];
        (t == "-record" ? out.record : out.playback) = true;
        ++i;
      }
    } else if (t == "-bp") {
      if (hasValue) {
        Breakpoint bp;
        if (!ParseBreakpoint(tokens[i + 1], bp)) {
          fail("-bp " + tokens[i + 1] + ": the line after \"@\" must be a whole number");
        } else if (out.breakpoints.size() < CommandLineSwitches::kMaxBreakpoints) {
          out.breakpoints.push_back(std::move(bp));
        }
        ++i;
      }
    } else if (t == "-headless") {
      out.headless = true;
    } else if (t == "-profile") {
      out.profile = true;
    } else if (t == "-nosleep") {
      out.noSleep = true;
    } else if (t == "-frames") {
      int64_t frames = 0;
      if (!hasValue) {
        fail("-frames needs a number of frames (a whole number, 0 or more)");
      } else if (!WholeNumber(tokens[i + 1], frames)) {
        fail("-frames " + tokens[i + 1] + ": the number of frames must be a whole number, 0 or more");
        ++i;
      } else {
        out.frames = frames;
        ++i;
      }
    } else if (t == "-screenshot") {
      if (!hasValue) {
        fail("-screenshot needs a file name");
      } else {
        out.screenshotFile = tokens[i + 1];
        ++i;
      }
    }
  }
  if (error != nullptr) *error = problem;
  return problem.empty();
}
