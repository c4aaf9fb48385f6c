#include "Writer_Code.h"

#include <cstring>
#include <map>
#include <stdexcept>

namespace {

struct Occurrence {
  uint32_t pos;  // position of the instruction in the CODE body
};

uint32_t Read32(const std::vector<uint8_t>& bytes, uint32_t at) {
  uint32_t v;
  std::memcpy(&v, bytes.data() + at, 4);
  return v;
}

// One name's occurrences, in file order, across every entry.
using Chains = std::map<std::string, std::vector<uint32_t>>;

void WriteChains(DataFileWriter& writer, const char* tag, DataFileWriter::Body& code, const Chains& chains,
                 const std::vector<std::string>& order, bool variable) {
  DataFileWriter::Body& b = writer.chunk(tag);
  for (const std::string& name : order) {
    const std::vector<uint32_t>& occ = chains.at(name);
    for (size_t k = 0; k < occ.size(); ++k) {
      const uint32_t at = occ[k] + 4;  // the reference word or call operand
      const uint32_t distance = k + 1 < occ.size() ? occ[k + 1] - occ[k] : 0;
      uint32_t word = Read32(code.bytes, at);
      if (variable) {
        if (distance >= (1u << 28)) throw std::length_error("code too large for a variable chain");
        word = (word & 0xE0000000u) | (distance & 0x1FFFFFFFu);
      } else {
        word = distance;
      }
      code.patchU32(at, word);
    }
    b.stringRef(name);
    b.u32(static_cast<uint32_t>(occ.size()));
    b.ref(code.at(occ.front()));
  }
}

}  // namespace

void WriteCode(DataFileWriter& writer, const std::vector<CodeEntryDesc>& entries) {
  DataFileWriter::Body& code = writer.chunk("CODE");
  code.u32(static_cast<uint32_t>(entries.size()));
  const uint32_t list = code.size();
  code.zeros(4 * entries.size());
  Chains variables, functions;
  std::vector<std::string> variableOrder, functionOrder;
  for (size_t i = 0; i < entries.size(); ++i) {
    const CodeEntryDesc& e = entries[i];
    code.refAt(list + 4 * static_cast<uint32_t>(i), code.here());
    code.stringRef(e.name);
    code.u32(static_cast<uint32_t>(e.code.bytes.size()));
    const uint32_t start = code.size();
    code.raw(e.code.bytes.data(), e.code.bytes.size());
    for (uint32_t use : e.code.stringUses) {
      const uint32_t unitIndex = Read32(code.bytes, start + use + 4);
      if (unitIndex >= e.code.strings.size()) throw std::out_of_range("string operand outside the unit's strings");
      code.patchU32(start + use + 4, writer.stringIndex(e.code.strings[unitIndex]));
    }
    for (const Compiler::SymbolUse& v : e.code.variables) {
      auto [it, fresh] = variables.try_emplace(v.name);
      if (fresh) variableOrder.push_back(v.name);
      for (uint32_t off : v.offsets) it->second.push_back(start + off);
    }
    for (const Compiler::SymbolUse& f : e.code.functions) {
      auto [it, fresh] = functions.try_emplace(f.name);
      if (fresh) functionOrder.push_back(f.name);
      for (uint32_t off : f.offsets) it->second.push_back(start + off);
    }
  }
  WriteChains(writer, "VARI", code, variables, variableOrder, true);
  WriteChains(writer, "FUNC", code, functions, functionOrder, false);
}

void WriteDebugInfo(DataFileWriter& writer, const std::vector<CodeEntryDesc>& entries) {
  DataFileWriter::Body& dbgi = writer.chunk("DBGI");
  dbgi.u32(static_cast<uint32_t>(entries.size()));
  uint32_t slots = dbgi.size();
  dbgi.zeros(4 * entries.size());
  for (size_t i = 0; i < entries.size(); ++i) {
    dbgi.refAt(slots + 4 * static_cast<uint32_t>(i), dbgi.here());
    const auto& positions = entries[i].code.positions;
    dbgi.u32(static_cast<uint32_t>(positions.size()));
    for (const auto& [offset, position] : positions) dbgi.u32(offset).u32(position);
  }
  DataFileWriter::Body& scpt = writer.chunk("SCPT");
  scpt.u32(static_cast<uint32_t>(entries.size()));
  slots = scpt.size();
  scpt.zeros(4 * entries.size());
  for (size_t i = 0; i < entries.size(); ++i) {
    scpt.refAt(slots + 4 * static_cast<uint32_t>(i), scpt.here());
    scpt.stringRef(entries[i].source);
  }
  writer.stringTable();
}
