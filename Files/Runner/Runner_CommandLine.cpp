#include "Runner/Runner_CommandLine.h"

#include <cstdlib>

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

Breakpoint ParseBreakpoint(const std::string& token) {
  Breakpoint bp;
  size_t at = token.find('@');
  if (at == std::string::npos) {
    bp.codeName = token;
    bp.line = 0;
  } else {
    bp.codeName = token.substr(0, at);
    bp.line = std::atoi(token.c_str() + at + 1) - 1;
  }
  return bp;
}

}  // namespace

void CommandLine_Parse(const std::vector<std::string>& tokens, CommandLineSwitches& out) {
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
        if (out.breakpoints.size() < CommandLineSwitches::kMaxBreakpoints) {
          out.breakpoints.push_back(ParseBreakpoint(tokens[i + 1]));
        }
        ++i;
      }
    } else if (t == "-headless") {
      out.headless = true;
    } else if (t == "-nosleep") {
      out.noSleep = true;
    } else if (t == "-frames") {
      if (hasValue) {
        out.frames = std::strtoll(tokens[i + 1].c_str(), nullptr, 10);
        ++i;
      }
    } else if (t == "-screenshot") {
      if (hasValue) {
        out.screenshotFile = tokens[i + 1];
        ++i;
      }
    }
  }
}
