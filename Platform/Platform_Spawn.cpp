#include "Platform/Platform_Spawn.h"

std::vector<std::string> Platform_SplitCommandLine(const std::string& line) {
  std::vector<std::string> out;
  std::string current;
  bool inArgument = false, quoted = false;
  for (size_t i = 0; i < line.size(); ++i) {
    const char c = line[i];
    if (c == '\\' && i + 1 < line.size() && line[i + 1] == '"') {
      current.push_back('"');
      inArgument = true;
      ++i;
    } else if (c == '"') {
      quoted = !quoted;
      inArgument = true;
    } else if ((c == ' ' || c == '\t' || c == '\n' || c == '\r') && !quoted) {
      if (inArgument) out.push_back(current);
      current.clear();
      inArgument = false;
    } else {
      current.push_back(c);
      inArgument = true;
    }
  }
  if (inArgument) out.push_back(current);
  return out;
}
