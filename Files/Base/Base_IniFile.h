// INI text: parsing, lookup, editing and writing. Sections and entries are kept newest first, both
// when parsed and when added, so a file read and written back lists them in reverse order.
#pragma once
#include <optional>
#include <string>
#include <vector>

class IniFile {
 public:
  struct Entry {
    std::string key;
    std::string value;
  };
  struct Section {
    std::string name;
    std::vector<Entry> entries;  // index 0 is the front of the list
  };

  // Parses INI text. Everything before the first '[' is ignored; '#' and ';' start comments.
  static IniFile Parse(const std::string& text);
  // Reads and parses a file; a missing or unreadable file gives an empty object.
  static IniFile Load(const std::string& path);

  const std::vector<Section>& sections() const { return m_sections; }
  const Section* FindSection(const std::string& name) const;
  const std::string* Find(const std::string& section, const std::string& key) const;
  bool KeyExists(const std::string& section, const std::string& key) const { return Find(section, key); }
  bool SectionExists(const std::string& section) const { return FindSection(section) != nullptr; }

  // Sets an entry, creating the section and the key at the front of their lists as needed.
  void Set(const std::string& section, const std::string& key, const std::string& value);
  bool DeleteKey(const std::string& section, const std::string& key);
  bool DeleteSection(const std::string& section);

  // "[name]" CR LF, then "key=value" CR LF for every entry, in list order.
  std::string ToText() const;

 private:
  Section* FindSectionMutable(const std::string& name);
  std::vector<Section> m_sections;  // index 0 is the front of the list
};
