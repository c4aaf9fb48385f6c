#include "Platform/Platform_Process.h"

#include <string>
#include <vector>

namespace {

std::vector<std::string> g_arguments;

}  // namespace

void Platform_SetCommandLine(int argc, const char* const* argv) {
  g_arguments.clear();
  for (int i = 0; i < argc; ++i) g_arguments.emplace_back(argv[i] != nullptr ? argv[i] : "");
}

int Platform_ParameterCount() { return g_arguments.empty() ? 0 : static_cast<int>(g_arguments.size()) - 1; }

const char* Platform_Parameter(int i) {
  if (i < 0 || i >= static_cast<int>(g_arguments.size())) return nullptr;
  return g_arguments[static_cast<size_t>(i)].c_str();
}
