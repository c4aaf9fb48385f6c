// Writes data files: a FORM container of chunks whose bodies may refer to each other and to strings
// by file offset. Offsets are resolved when the file is finished, so bodies can be built in any order.
// Strings live in the string table chunk ("STRG"), one record each (length, bytes, NUL); a string
// reference points at the record's text.
#pragma once
#include <cstdint>
#include <map>
#include <string>
#include <vector>

class DataFileWriter {
 public:
  // A position inside a chunk body; resolved to a file offset when the file is finished.
  struct Label {
    int chunk = -1;
    uint32_t pos = 0;
  };

  class Body {
   public:
    Body& u8(uint8_t v) { bytes.push_back(v); return *this; }
    Body& u16(uint16_t v) { return raw(&v, 2); }
    Body& u32(uint32_t v) { return raw(&v, 4); }
    Body& i32(int32_t v) { return raw(&v, 4); }
    Body& f32(float v) { return raw(&v, 4); }
    Body& f64(double v) { return raw(&v, 8); }
    Body& raw(const void* data, size_t n);
    Body& zeros(size_t n) { bytes.insert(bytes.end(), n, 0); return *this; }
    // A u32 file offset of the text of a string (pooled in the string table).
    Body& stringRef(const std::string& text);
    // A u32 file offset of a label (in this or another chunk).
    Body& ref(Label label);
    // Makes the u32 already written at `pos` a file offset of a label (fills a list slot).
    Body& refAt(uint32_t pos, Label label) {
      labelFixups.emplace_back(pos, label);
      return *this;
    }
    Body& nullRef() { return u32(0); }
    // A list of records: the count, then one slot per item, each filled with the label where
    // `record(item)` writes that item's record.
    template <class T, class F>
    Body& list(const std::vector<T>& items, F record) {
      u32(static_cast<uint32_t>(items.size()));
      const uint32_t slots = size();
      zeros(4 * items.size());
      for (size_t i = 0; i < items.size(); ++i) {
        refAt(slots + 4 * static_cast<uint32_t>(i), here());
        record(items[i]);
      }
      return *this;
    }
    Label here() const { return Label{index, static_cast<uint32_t>(bytes.size())}; }
    Label at(uint32_t pos) const { return Label{index, pos}; }
    uint32_t size() const { return static_cast<uint32_t>(bytes.size()); }
    void patchU32(uint32_t pos, uint32_t v);

    std::vector<uint8_t> bytes;

   private:
    friend class DataFileWriter;
    DataFileWriter* owner = nullptr;
    int index = -1;
    std::vector<std::pair<uint32_t, Label>> labelFixups;
    std::vector<std::pair<uint32_t, uint32_t>> stringFixups;  // position, string index
  };

  // Appends a chunk with a four-letter tag and returns its body.
  Body& chunk(const std::string& tag);
  // Places the string table chunk here (otherwise it goes last).
  void stringTable();
  // The index of a string in the table (added when new).
  uint32_t stringIndex(const std::string& text);
  const std::vector<std::string>& strings() const { return m_strings; }

  // Lays out and returns the finished file.
  std::vector<uint8_t> finish();

  // Writes bytes to a temporary file beside `path` and renames it into place. False on failure
  // (the old file, if any, is left as it was).
  static bool WriteFile(const std::string& path, const std::vector<uint8_t>& bytes);

 private:
  struct Entry {
    std::string tag;
    Body body;
    bool isStringTable = false;
  };
  std::vector<Entry*> m_entries;
  std::vector<std::string> m_strings;
  std::map<std::string, uint32_t> m_stringIndex;
  bool m_stringTablePlaced = false;

 public:
  DataFileWriter() = default;
  DataFileWriter(const DataFileWriter&) = delete;
  DataFileWriter& operator=(const DataFileWriter&) = delete;
  ~DataFileWriter();
};
