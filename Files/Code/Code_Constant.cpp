#include "Code/Code_Constant.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <utility>

#include "Code/Code_ConstantTable.h"
#include "Code/Code_NameIndex.h"
#include "Platform/Platform_Console.h"
#include "Platform/Platform_Memory.h"

namespace {

constexpr int kGrowBy = 64;

char** g_Names = nullptr;    // owned strings
RValue* g_Values = nullptr;  // memory-manager block of values
int g_Count = 0;
int g_Capacity = 0;

ConstantEvaluateHook g_Evaluate = nullptr;
ConstantMessageHook g_Message = nullptr;
ResourceFindHook g_FindResource[static_cast<int>(ResourceKind::Count)] = {};

// Name lookups; the most recently added entry of a name wins.
const char* EntryName(int position) { return g_Names[position]; }
CNameIndex g_ByName(EntryName, false);
CNameIndex g_ByNameNoCase(EntryName, true);

void Append(const char* name, RValue&& value) {
  if (g_Count == g_Capacity) {
    int capacity = g_Capacity + kGrowBy;
    g_Names = static_cast<char**>(MemReAlloc(g_Names, static_cast<size_t>(capacity) * sizeof(char*)));
    // The new values are zero-filled bytes, which are valid zero values.
    g_Values = static_cast<RValue*>(
        MemReAlloc(static_cast<void*>(g_Values), static_cast<size_t>(capacity) * sizeof(RValue)));
    g_Capacity = capacity;
  }
  g_Names[g_Count] = MemDupString(name != nullptr ? name : "");
  RValue::StoreRaw(&g_Values[g_Count], std::move(value));
  ++g_Count;
  g_ByName.Add(g_Count - 1, true);
  g_ByNameNoCase.Add(g_Count - 1, true);
}

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f'; }

// A trimmed copy of `text` (memory-manager string).
char* Trimmed(const char* text) {
  if (text == nullptr) text = "";
  while (IsBlank(*text)) ++text;
  size_t length = std::strlen(text);
  while (length > 0 && IsBlank(text[length - 1])) --length;
  char* copy = static_cast<char*>(MemAlloc(length + 1));
  std::memcpy(copy, text, length);
  copy[length] = '\0';
  return copy;
}

void ShowMessage(const char* message) {
  if (g_Message != nullptr) {
    g_Message(message);
  } else {
    Console::Output("%s\n", message);
  }
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

}  // namespace

// ---- The table -------------------------------------------------------------------------------

void AddConstant(const char* name, double value) { Append(name, RValue(value)); }
void AddConstant(const char* name, const char* value) { Append(name, RValue(value != nullptr ? value : "")); }

bool FindConstant(const char* name, RValue* out) {
  int i = g_ByName.Find(name);
  if (i < 0) return false;
  if (out != nullptr) *out = g_Values[i];
  return true;
}

bool FindConstantNoCase(const char* name, RValue* out) {
  int i = g_ByNameNoCase.Find(name);
  if (i < 0) return false;
  if (out != nullptr) *out = g_Values[i];
  return true;
}

int ConstantCount() { return g_Count; }
const char* ConstantName(int index) { return (index >= 0 && index < g_Count) ? g_Names[index] : nullptr; }
const RValue* ConstantValue(int index) { return (index >= 0 && index < g_Count) ? &g_Values[index] : nullptr; }

void ReleaseConstants() {
  for (int i = 0; i < g_Count; ++i) {
    MemFree(g_Names[i]);
    g_Values[i].Reset();
  }
  if (g_Names != nullptr) MemFree(g_Names);
  if (g_Values != nullptr) MemFree(g_Values);
  g_Names = nullptr;
  g_Values = nullptr;
  g_Count = 0;
  g_Capacity = 0;
  g_ByName.Clear();
  g_ByNameNoCase.Clear();
}

void AddBuiltinConstants() {
  for (int i = 0; i < g_CoreConstantCount; ++i) AddConstant(g_CoreConstants[i].name, g_CoreConstants[i].value);
  for (int i = 0; i < g_PlatformConstantCount; ++i) {
    AddConstant(g_PlatformConstants[i].name, g_PlatformConstants[i].value);
  }
}

// ---- Game constants --------------------------------------------------------------------------

void SetConstantEvaluateHook(ConstantEvaluateHook hook) { g_Evaluate = hook; }
void SetConstantMessageHook(ConstantMessageHook hook) { g_Message = hook; }
ConstantEvaluateHook CurrentConstantEvaluateHook() { return g_Evaluate; }
ConstantMessageHook CurrentConstantMessageHook() { return g_Message; }

bool IsIdentifier(const char* name) {
  if (name == nullptr) return false;
  auto letter = [](char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_'; };
  if (!letter(name[0])) return false;
  for (const char* p = name + 1; *p != '\0'; ++p) {
    if (!letter(*p) && !IsDigit(*p)) return false;
  }
  return true;
}

bool EvaluateConstantText(const char* text, RValue* out) {
  char* trimmed = Trimmed(text);
  const char* p = trimmed;
  bool ok = false;
  RValue value;

  if (*p == '"' || *p == '\'') {
    // A quoted string: the text up to the matching quote, which must end the value.
    const char* close = std::strchr(p + 1, *p);
    if (close != nullptr && close[1] == '\0') {
      size_t length = static_cast<size_t>(close - (p + 1));
      char* s = static_cast<char*>(MemAlloc(length + 1));
      std::memcpy(s, p + 1, length);
      s[length] = '\0';
      value = RValue::AdoptString(s);
      ok = true;
    }
  } else {
    double sign = 1.0;
    bool hasSign = false;
    if (*p == '-' || *p == '+') {
      if (*p == '-') sign = -1.0;
      hasSign = true;
      ++p;
      while (IsBlank(*p)) ++p;
    }
    double number = 0.0;
    bool digits = false;
    if (*p == '$') {
      // Hexadecimal, accumulated as value * 16 + digit.
      for (++p; HexDigit(*p) >= 0; ++p) {
        number = number * 16.0 + HexDigit(*p);
        digits = true;
      }
    } else if (IsDigit(*p) || (*p == '.' && IsDigit(p[1]))) {
      // Decimal, accumulated as value * 10 + digit before the point and
      // value + digit * 10^-k for the k-th digit after it.
      for (; IsDigit(*p); ++p) {
        number = number * 10.0 + (*p - '0');
        digits = true;
      }
      if (*p == '.') {
        ++p;
        for (int k = 1; IsDigit(*p); ++p, ++k) {
          number += (*p - '0') * std::pow(10.0, -k);
          digits = true;
        }
      }
    } else if (IsIdentifier(p)) {
      // A resource or constant name; with a sign it must name a number.
      RValue named;
      if (ResolveBareName(p, &named) && (!hasSign || named.IsReal())) {
        value = hasSign ? RValue(sign * named.real) : std::move(named);
        ok = true;
      }
    }
    if (digits && *p == '\0') {
      value = RValue(sign * number);
      ok = true;
    }
  }

  MemFree(trimmed);
  if (ok && out != nullptr) *out = std::move(value);
  return ok;
}

bool DefineConstants(const CGameConstant* constants, int count) {
  ReleaseConstants();
  AddBuiltinConstants();
  for (int i = 0; i < count; ++i) {
    char* name = Trimmed(constants[i].name);
    if (!IsIdentifier(name)) {
      char* message = static_cast<char*>(MemAlloc(std::strlen(name) + 64));
      std::sprintf(message, "Constant name %s  is not valid.", name);
      ShowMessage(message);
      MemFree(message);
      MemFree(name);
      return false;
    }
    char codeName[32];
    std::snprintf(codeName, sizeof codeName, "Constant.%d", i);
    RValue value;
    bool ok = g_Evaluate != nullptr ? g_Evaluate(codeName, constants[i].value, &value)
                                    : EvaluateConstantText(constants[i].value, &value);
    if (!ok) {
      char* message = static_cast<char*>(MemAlloc(std::strlen(name) + 64));
      std::sprintf(message, "Value for constant %s  is not valid.", name);
      ShowMessage(message);
      MemFree(message);
      MemFree(name);
      return false;
    }
    Append(name, std::move(value));
    MemFree(name);
  }
  return true;
}

// ---- Bare names ------------------------------------------------------------------------------

void SetResourceFindHook(ResourceKind kind, ResourceFindHook hook) {
  int k = static_cast<int>(kind);
  if (k >= 0 && k < static_cast<int>(ResourceKind::Count)) g_FindResource[k] = hook;
}

ResourceFindHook CurrentResourceFindHook(ResourceKind kind) {
  int k = static_cast<int>(kind);
  return (k >= 0 && k < static_cast<int>(ResourceKind::Count)) ? g_FindResource[k] : nullptr;
}

bool ResolveBareName(const char* name, RValue* out) {
  if (name == nullptr || name[0] == '\0') return false;
  for (int k = 0; k < static_cast<int>(ResourceKind::Count); ++k) {
    if (g_FindResource[k] == nullptr) continue;
    int index = g_FindResource[k](name);
    if (index >= 0) {
      if (out != nullptr) *out = RValue(static_cast<double>(index));
      return true;
    }
  }
  return FindConstant(name, out);
}
