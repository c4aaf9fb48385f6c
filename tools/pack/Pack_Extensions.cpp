#include "Pack_Extensions.h"

#include <fstream>
#include <set>
#include <sstream>

using json = nlohmann::ordered_json;

namespace {

[[noreturn]] void Fail(const std::string& where, const std::string& what) {
  throw std::runtime_error("game.json: " + where + ": " + what);
}

std::string Text(const json& j, const char* key, const std::string& where, const std::string& fallback = "") {
  if (!j.contains(key)) return fallback;
  if (!j.at(key).is_string()) Fail(where, std::string("\"") + key + "\" must be a string");
  return j.at(key).get<std::string>();
}

int32_t Type(const json& v, const std::string& where) {
  if (v == "real") return 0;
  if (v == "string") return 1;
  Fail(where, "a type is \"real\" or \"string\"");
}

std::string SourceOf(const json& f, const std::string& folder, const std::string& where) {
  if (f.contains("code")) return Text(f, "code", where);
  const std::string file = Text(f, "file", where);
  if (file.empty()) Fail(where, "a source function needs \"code\" or \"file\"");
  std::ifstream in(folder + "/" + file, std::ios::binary);
  if (!in) Fail(where, "cannot read " + file);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

CExtensionFunction ReadFunction(const json& f, int32_t kind, const std::string& folder, const std::string& where) {
  CExtensionFunction fn;
  fn.name = Text(f, "name", where);
  if (fn.name.empty()) Fail(where, "a function needs a \"name\"");
  const std::string at = where + "." + fn.name;
  const std::string convention = Text(f, "convention", at, "cdecl");
  if (convention != "cdecl" && convention != "stdcall") Fail(at, "the convention is \"cdecl\" or \"stdcall\"");
  fn.convention = convention == "cdecl" ? kExtensionCdecl : 11;
  fn.resultType = f.contains("result") ? Type(f.at("result"), at) : 0;
  if (f.contains("args")) {
    if (!f.at("args").is_array()) Fail(at, "\"args\" must be an array of types");
    for (const json& t : f.at("args")) fn.argumentTypes.push_back(Type(t, at));
    fn.argumentCount = static_cast<int32_t>(fn.argumentTypes.size());
  } else {
    fn.argumentCount = kind == kExtensionKindSource ? kExtensionAnyCount : 0;
  }
  if (fn.argumentCount > 16) Fail(at, "a function takes at most 16 arguments");
  if (kind == kExtensionKindSource) {
    fn.externalName = SourceOf(f, folder, at);
  } else {
    fn.externalName = Text(f, "external", at, fn.name);
    bool anyString = false;
    for (int32_t t : fn.argumentTypes) anyString = anyString || t == 1;
    if (anyString && fn.argumentCount > 4) Fail(at, "library functions with more than 4 arguments cannot have string arguments");
  }
  return fn;
}

}  // namespace

std::vector<CExtensionPackage> Pack_ReadExtensions(const json& manifest, const std::string& folder) {
  std::vector<CExtensionPackage> packages;
  if (!manifest.contains("extensions")) return packages;
  if (!manifest.at("extensions").is_array()) Fail("extensions", "must be an array");
  std::set<std::string> names;
  int32_t id = 0;
  for (const json& p : manifest.at("extensions")) {
    CExtensionPackage package;
    package.name = Text(p, "name", "extensions");
    if (package.name.empty()) Fail("extensions", "a package needs a \"name\"");
    const std::string where = "extensions[" + package.name + "]";
    if (p.contains("files") && !p.at("files").is_array()) Fail(where, "\"files\" must be an array");
    for (const json& f : p.value("files", json::array())) {
      CExtensionFile file;
      file.fileName = Text(f, "file", where);
      const std::string at = where + ".files[" + file.fileName + "]";
      file.initName = Text(f, "init", at);
      file.finalName = Text(f, "final", at);
      const std::string kind = Text(f, "kind", at, "library");
      if (kind != "library" && kind != "source") Fail(at, "the kind is \"library\" or \"source\"");
      file.kind = kind == "library" ? kExtensionKindLibrary : kExtensionKindSource;
      if (f.contains("functions") && !f.at("functions").is_array()) Fail(at, "\"functions\" must be an array");
      for (const json& fj : f.value("functions", json::array())) {
        CExtensionFunction fn = ReadFunction(fj, file.kind, folder, at);
        if (!names.insert(fn.name).second) Fail(at, "the function name \"" + fn.name + "\" is used twice");
        fn.id = id++;
        file.functions.push_back(std::move(fn));
      }
      package.files.push_back(std::move(file));
    }
    packages.push_back(std::move(package));
  }
  for (const CExtensionPackage& p : packages) {
    for (const CExtensionFile& f : p.files) {
      for (const std::string& fn : {f.initName, f.finalName}) {
        if (!fn.empty() && !names.count(fn)) Fail("extensions[" + p.name + "]", "no extension function is named \"" + fn + "\"");
      }
    }
  }
  return packages;
}
