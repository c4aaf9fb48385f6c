// The manifest's extension packages:
//   "extensions": [ { "name": "pkg", "files": [
//       { "file": "mylib.dll", "init": "fn", "final": "fn",
//         "functions": [ { "name": "my_add", "external": "add", "args": ["real", "real"],
//                          "result": "real", "convention": "cdecl" } ] },
//       { "file": "helpers", "kind": "source",
//         "functions": [ { "name": "my_twice", "code": "return argument0 * 2;" },
//                        { "name": "my_hello", "file": "hello.tss", "args": [] } ] } ] } ]
// A library file's functions name their entry point ("external", default: the name); a source
// file's functions carry their code (a text, or a file of the project) and take any number of
// arguments unless "args" lists them. Functions are numbered in manifest order from 0.
#pragma once
#include <nlohmann/json.hpp>
#include <stdexcept>
#include <string>
#include <vector>

#include "Extension/Extension_Class.h"

// Throws std::runtime_error with a message naming the manifest entry at fault.
std::vector<CExtensionPackage> Pack_ReadExtensions(const nlohmann::ordered_json& manifest, const std::string& folder);
