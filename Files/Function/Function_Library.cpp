#include "Function/Function_Library.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#include "Function/Function_DataStructure.h"
#include "Function/Function_Register.h"
#include "Object/Object_Event.h"
#include "Platform/Platform_Memory.h"
#include "Variable/Variable_BuiltInState.h"

void Function_ImplementLibrary() {
  Function_DataStructure_Implement();
  Function_Random_Implement();
  Function_Math_Implement();
  Function_String_Implement();
  Function_File_Implement();
  Function_Ini_Implement();
  Function_Digest_Implement();
  Function_Json_Implement();
  Function_Registry_Implement();
}

namespace Library {

std::string ArgText(int argc, const RValue* args, int i) {
  const RValue& v = Arg(argc, args, i);
  if (v.IsString()) return std::string(v.Str());
  char* text = StringOfValue(v);
  std::string out(text != nullptr ? text : "");
  MemFree(text);
  return out;
}

void SetStringResult(RValue& result, const std::string& text) {
  char* owned = static_cast<char*>(MemAlloc(text.size() + 1));
  std::memcpy(owned, text.data(), text.size());
  owned[text.size()] = '\0';
  result.AdoptText(owned);
}

bool ReadWholeFile(const std::string& path, std::string& out) {
  out.clear();
  struct stat st;
  if (path.empty() || stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return false;
  FILE* f = std::fopen(path.c_str(), "rb");
  if (f == nullptr) return false;
  char buffer[65536];
  size_t n;
  while ((n = std::fread(buffer, 1, sizeof buffer, f)) > 0) out.append(buffer, n);
  bool ok = std::ferror(f) == 0;
  std::fclose(f);
  return ok;
}

bool WriteFileAtomic(const std::string& path, const std::string& data) {
  if (path.empty() || path.back() == '/') return false;
  std::string pattern = path + ".XXXXXX";
  std::vector<char> name(pattern.begin(), pattern.end());
  name.push_back('\0');
  int fd = mkstemp(name.data());
  if (fd < 0) return false;
  size_t done = 0;
  bool ok = true;
  while (done < data.size()) {
    ssize_t w = write(fd, data.data() + done, data.size() - done);
    if (w <= 0) {
      ok = false;
      break;
    }
    done += static_cast<size_t>(w);
  }
  // The new file gets the usual permissions rather than mkstemp's owner-only ones.
  mode_t mask = umask(0);
  umask(mask);
  if (ok) ok = fchmod(fd, 0666 & ~mask) == 0;
  if (close(fd) != 0) ok = false;
  if (ok) ok = std::rename(name.data(), path.c_str()) == 0;
  if (!ok) std::remove(name.data());
  return ok;
}

void RaiseAsyncEvent(int otherSubType, int mapIndex) {
  const int32_t saved = g_BuiltInState.asyncLoad;
  g_BuiltInState.asyncLoad = mapIndex;
  Event_Pass(EV_OTHER, otherSubType);
  g_BuiltInState.asyncLoad = saved;
  DataStructures_FreeMap(mapIndex);
}

}  // namespace Library
