#include "DataFileWriter.h"

#include <cstdio>
#include <cstring>
#include <stdexcept>

namespace {

// Appends by resize and copy (vector::insert of a byte range trips a false overflow warning).
void Append(std::vector<uint8_t>& out, const void* data, size_t n) {
  if (n == 0) return;
  const size_t at = out.size();
  out.resize(at + n);
  std::memcpy(out.data() + at, data, n);
}

}  // namespace

DataFileWriter::Body& DataFileWriter::Body::raw(const void* data, size_t n) {
  Append(bytes, data, n);
  return *this;
}

DataFileWriter::Body& DataFileWriter::Body::stringRef(const std::string& text) {
  stringFixups.emplace_back(size(), owner->stringIndex(text));
  return u32(0);
}

DataFileWriter::Body& DataFileWriter::Body::ref(Label label) {
  labelFixups.emplace_back(size(), label);
  return u32(0);
}

void DataFileWriter::Body::patchU32(uint32_t pos, uint32_t v) {
  if (pos + 4 > bytes.size()) throw std::out_of_range("patch outside the body");
  std::memcpy(bytes.data() + pos, &v, 4);
}

DataFileWriter::~DataFileWriter() {
  for (Entry* e : m_entries) delete e;
}

DataFileWriter::Body& DataFileWriter::chunk(const std::string& tag) {
  if (tag.size() != 4) throw std::invalid_argument("a chunk tag has four letters");
  auto* e = new Entry{tag, Body{}, false};
  e->body.owner = this;
  e->body.index = static_cast<int>(m_entries.size());
  m_entries.push_back(e);
  return e->body;
}

void DataFileWriter::stringTable() {
  if (m_stringTablePlaced) return;
  Body& b = chunk("STRG");
  m_entries.back()->isStringTable = true;
  (void)b;
  m_stringTablePlaced = true;
}

uint32_t DataFileWriter::stringIndex(const std::string& text) {
  auto it = m_stringIndex.find(text);
  if (it != m_stringIndex.end()) return it->second;
  uint32_t index = static_cast<uint32_t>(m_strings.size());
  m_strings.push_back(text);
  m_stringIndex.emplace(text, index);
  return index;
}

std::vector<uint8_t> DataFileWriter::finish() {
  if (!m_stringTablePlaced && !m_strings.empty()) stringTable();
  // Build the string table body: the list of record offsets, then the records.
  Entry* table = nullptr;
  std::vector<uint32_t> recordPos;
  for (Entry* e : m_entries) {
    if (e->isStringTable) table = e;
  }
  if (table) {
    Body& b = table->body;
    b.bytes.clear();
    b.labelFixups.clear();
    b.stringFixups.clear();
    b.u32(static_cast<uint32_t>(m_strings.size()));
    const uint32_t listAt = b.size();
    b.zeros(4 * m_strings.size());
    for (size_t i = 0; i < m_strings.size(); ++i) {
      recordPos.push_back(b.size());
      b.labelFixups.emplace_back(listAt + 4 * static_cast<uint32_t>(i), b.here());
      b.u32(static_cast<uint32_t>(m_strings[i].size()));
      b.raw(m_strings[i].data(), m_strings[i].size());
      b.u8(0);
    }
  }
  // Lay the chunks out.
  std::vector<uint32_t> bodyAt(m_entries.size());
  uint64_t at = 8;
  for (size_t i = 0; i < m_entries.size(); ++i) {
    bodyAt[i] = static_cast<uint32_t>(at + 8);
    at += 8 + m_entries[i]->body.bytes.size();
  }
  if (at > 0xFFFFFFFFull) throw std::length_error("the data file would exceed 4 GiB");
  const int tableIndex = table ? table->body.index : -1;
  for (Entry* e : m_entries) {
    for (auto& [pos, label] : e->body.labelFixups) e->body.patchU32(pos, bodyAt[label.chunk] + label.pos);
    for (auto& [pos, index] : e->body.stringFixups) {
      e->body.patchU32(pos, bodyAt[tableIndex] + recordPos[index] + 4);
    }
  }
  std::vector<uint8_t> out;
  out.reserve(at);
  auto put32 = [&](uint32_t v) { Append(out, &v, 4); };
  Append(out, "FORM", 4);
  put32(static_cast<uint32_t>(at - 8));
  for (Entry* e : m_entries) {
    Append(out, e->tag.data(), 4);
    put32(static_cast<uint32_t>(e->body.bytes.size()));
    Append(out, e->body.bytes.data(), e->body.bytes.size());
  }
  return out;
}

bool DataFileWriter::WriteFile(const std::string& path, const std::vector<uint8_t>& bytes) {
  const std::string temp = path + ".tmp";
  FILE* f = std::fopen(temp.c_str(), "wb");
  if (f == nullptr) return false;
  bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
  ok = (std::fclose(f) == 0) && ok;
  if (!ok || std::rename(temp.c_str(), path.c_str()) != 0) {
    std::remove(temp.c_str());
    return false;
  }
  return true;
}
