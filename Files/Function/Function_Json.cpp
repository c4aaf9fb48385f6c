// json_encode and json_decode between JSON text and maps.
//
// json_encode(map) writes the map as one JSON object: string keys as they are, real keys as
// string() prints them; string values as strings, real values as numbers (whole numbers without
// a fraction). Nested collections are not followed: a value holding a collection index is a number.
//
// json_decode(text) builds a new map from a JSON object and returns its index: a nested object
// becomes a new map and an array a new list, each stored by its index; true and false become 1
// and 0, null becomes 0. Text whose top level is not an object gives a map whose key "default"
// holds the value. Text that is not JSON gives -1 and creates nothing.
#include <cmath>
#include <cstdio>
#include <string>

#include <nlohmann/json.hpp>

#include "Code/Code_Error.h"
#include "Function/Function_DataStructure.h"
#include "Function/Function_Library.h"
#include "Function/Function_Register.h"
#include "Platform/Platform_Memory.h"
#include "Support/Support_DataStructure.h"

using namespace Library;
using nlohmann::json;

namespace {

constexpr int kMaxDepth = 256;

json ValueToJson(const RValue& v) {
  if (v.IsString()) return json(std::string(v.Str()));
  if (!std::isfinite(v.real)) return json(nullptr);
  if (v.real == std::trunc(v.real) && std::fabs(v.real) < 9.0e15) return json(static_cast<int64_t>(v.real));
  return json(v.real);
}

void F_JsonEncode(RValue& result, CInstance*, CInstance*, int argc, RValue* args) {
  const CDS_Map* map = DataStructures_Map(ArgIndex(argc, args, 0));
  if (map == nullptr) {
    ReportActionError("Data structure with index does not exist.", false);
    SetStringResult(result, "");
    return;
  }
  json out = json::object();
  for (const auto& [key, value] : map->Entries()) {
    std::string name = ArgText(1, key, 0);
    out[name] = ValueToJson(*value);
  }
  SetStringResult(result, out.dump(-1, ' ', false, json::error_handler_t::replace));
}

RValue JsonToValue(const json& j, int depth);

int BuildMap(const json& object, int depth) {
  int index = DataStructures_NewMap();
  CDS_Map* map = DataStructures_Map(index);
  for (auto it = object.begin(); it != object.end(); ++it) {
    RValue value = JsonToValue(it.value(), depth + 1);
    map = DataStructures_Map(index);  // the table may have moved while nested maps were made
    map->Replace(RValue(it.key().c_str()), value);
  }
  return index;
}

int BuildList(const json& array, int depth) {
  int index = DataStructures_NewList();
  for (const auto& item : array) {
    RValue value = JsonToValue(item, depth + 1);
    DataStructures_List(index)->Add(value);
  }
  return index;
}

RValue JsonToValue(const json& j, int depth) {
  if (depth > kMaxDepth) return RValue();
  switch (j.type()) {
    case json::value_t::object: return RValue(static_cast<double>(BuildMap(j, depth)));
    case json::value_t::array: return RValue(static_cast<double>(BuildList(j, depth)));
    case json::value_t::string: return RValue(j.get<std::string>().c_str());
    case json::value_t::boolean: return RValue(j.get<bool>() ? 1.0 : 0.0);
    case json::value_t::number_integer:
    case json::value_t::number_unsigned:
    case json::value_t::number_float: return RValue(j.get<double>());
    default: return RValue();
  }
}

// Nesting deeper than kMaxDepth is refused before anything is built.
bool TooDeep(const std::string& text) {
  int depth = 0;
  bool inString = false;
  for (size_t i = 0; i < text.size(); ++i) {
    char c = text[i];
    if (inString) {
      if (c == '\\') ++i;
      else if (c == '"') inString = false;
    } else if (c == '"') {
      inString = true;
    } else if (c == '{' || c == '[') {
      if (++depth > kMaxDepth) return true;
    } else if (c == '}' || c == ']') {
      --depth;
    }
  }
  return false;
}

void F_JsonDecode(RValue& result, CInstance*, CInstance*, int argc, RValue* args) {
  std::string text = ArgText(argc, args, 0);
  result.SetReal(-1);
  if (TooDeep(text)) return;
  json parsed = json::parse(text, nullptr, false);
  if (parsed.is_discarded()) return;
  if (parsed.is_object()) {
    result.SetReal(BuildMap(parsed, 0));
    return;
  }
  RValue value = JsonToValue(parsed, 1);
  int index = DataStructures_NewMap();
  DataStructures_Map(index)->Replace(RValue("default"), value);
  result.SetReal(index);
}

}  // namespace

void Function_Json_Implement() {
  ImplementFunction("json_encode", F_JsonEncode);
  ImplementFunction("json_decode", F_JsonDecode);
}
