#include "Dump_Functions.h"

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "Code/Code_Function.h"

namespace {

std::string Lower(std::string s) {
  for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

bool Matches(int index, const FunctionFamilyInfo& info, const char* family) {
  if (family == nullptr || *family == '\0') return true;
  char* end = nullptr;
  const long number = std::strtol(family, &end, 10);
  if (*end == '\0') return number == index + 1;
  return Lower(info.name).find(Lower(family)) != std::string::npos;
}

}  // namespace

bool Dump_ListFunctions(const char* family) {
  bool any = false;
  for (int f = 0; f < FunctionFamilyCount(); ++f) {
    const FunctionFamilyInfo info = FunctionFamily(f);
    if (!Matches(f, info, family)) continue;
    if (any) std::printf("\n");
    any = true;
    std::printf("%d. %s: %d functions, %d implemented\n", f + 1, info.name, info.count, info.implemented);
    std::printf("  %-40s %9s  %s\n", "function", "arguments", "implemented");
    for (int id = info.first; id < info.first + info.count; ++id) {
      const FunctionRecord* r = FunctionAt(id);
      if (r == nullptr) continue;
      const std::string count = r->argumentCount == kArgumentCountAny ? "any" : std::to_string(r->argumentCount);
      std::printf("  %-40s %9s  %s\n", r->name, count.c_str(), r->implemented ? "yes" : "no");
    }
  }
  if (!any) {
    std::fprintf(stderr, "tessera-dump: no function family matches \"%s\"; the families are:\n", family);
    for (int f = 0; f < FunctionFamilyCount(); ++f) std::fprintf(stderr, "  %d. %s\n", f + 1, FunctionFamily(f).name);
  }
  return any;
}
