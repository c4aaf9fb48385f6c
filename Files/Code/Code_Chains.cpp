#include "Code/Code_Chains.h"

#include <algorithm>
#include <map>

#include "Code/Code_Opcodes.h"

namespace Compiler {

namespace {

struct Occurrence {
  uint32_t fileOffset;
  size_t unit;
  uint32_t localOffset;
};

uint32_t ReadWord(const std::vector<uint8_t>& bytes, uint32_t at) {
  uint32_t w = 0;
  for (int i = 0; i < 4; ++i) w |= static_cast<uint32_t>(bytes[at + i]) << (8 * i);
  return w;
}

void WriteWord(std::vector<uint8_t>& bytes, uint32_t at, uint32_t w) {
  for (int i = 0; i < 4; ++i) bytes[at + i] = static_cast<uint8_t>(w >> (8 * i));
}

// Groups the uses of every name over all units, in order of first appearance.
void Collect(const std::vector<PlacedUnit>& units, bool variables, std::vector<std::string>& names,
             std::map<std::string, std::vector<Occurrence>>& uses) {
  for (size_t u = 0; u < units.size(); ++u) {
    const std::vector<SymbolUse>& list = variables ? units[u].code->variables : units[u].code->functions;
    for (const SymbolUse& symbol : list) {
      auto [it, added] = uses.try_emplace(symbol.name);
      if (added) names.push_back(symbol.name);
      for (uint32_t offset : symbol.offsets) {
        it->second.push_back(Occurrence{units[u].bytecodeOffset + offset, u, offset});
      }
    }
  }
}

}  // namespace

bool BuildChains(const std::vector<PlacedUnit>& units,
                 const std::function<uint32_t(const std::string&)>& stringIndex, ChainedCode& out,
                 std::string& error) {
  out = ChainedCode();
  // Units must not overlap in the file, or the chains would be ambiguous.
  std::vector<std::pair<uint64_t, uint64_t>> spans;
  for (const PlacedUnit& unit : units) {
    spans.emplace_back(unit.bytecodeOffset, uint64_t(unit.bytecodeOffset) + unit.code->bytes.size());
    out.bytes.push_back(unit.code->bytes);
  }
  std::sort(spans.begin(), spans.end());
  for (size_t i = 1; i < spans.size(); ++i) {
    if (spans[i].first < spans[i - 1].second) {
      error = "Code units overlap in the file.";
      return false;
    }
  }
  if (!spans.empty() && spans.back().second > 0xFFFFFFFFull) {
    error = "Code lies beyond the 4 GiB a data file can address.";
    return false;
  }

  for (int pass = 0; pass < 2; ++pass) {
    const bool variables = pass == 0;
    std::vector<std::string> names;
    std::map<std::string, std::vector<Occurrence>> uses;
    Collect(units, variables, names, uses);
    for (const std::string& name : names) {
      std::vector<Occurrence>& list = uses[name];
      std::sort(list.begin(), list.end(),
                [](const Occurrence& a, const Occurrence& b) { return a.fileOffset < b.fileOffset; });
      for (size_t i = 0; i < list.size(); ++i) {
        const int64_t distance =
            i + 1 < list.size() ? int64_t(list[i + 1].fileOffset) - int64_t(list[i].fileOffset) : 0;
        std::vector<uint8_t>& bytes = out.bytes[list[i].unit];
        const uint32_t at = list[i].localOffset + 4;
        if (variables) {
          if (distance > 0x0FFFFFFF) {
            error = "References to variable " + name + " are too far apart.";
            return false;
          }
          const uint32_t flags = ReadWord(bytes, at) & VM::kRefFlagMask;
          WriteWord(bytes, at, flags | (static_cast<uint32_t>(distance) & VM::kRefIdMask));
        } else {
          WriteWord(bytes, at, static_cast<uint32_t>(distance));
        }
      }
      ChainRecord record{name, static_cast<uint32_t>(list.size()), list.empty() ? 0 : list[0].fileOffset};
      (variables ? out.variables : out.functions).push_back(std::move(record));
    }
  }

  for (size_t u = 0; u < units.size(); ++u) {
    const CompiledCode& code = *units[u].code;
    for (uint32_t offset : code.stringUses) {
      const uint32_t local = ReadWord(out.bytes[u], offset + 4);
      if (local >= code.strings.size()) {
        error = "String operand outside the unit's string list.";
        return false;
      }
      WriteWord(out.bytes[u], offset + 4, stringIndex(code.strings[local]));
    }
  }
  return true;
}

}  // namespace Compiler
