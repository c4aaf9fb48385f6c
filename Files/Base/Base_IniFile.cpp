#include "Base/Base_IniFile.h"

#include <fstream>
#include <sstream>

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

// Skips blanks and comments; returns the position of the next item or text.size().
size_t SkipBlanksAndComments(const std::string& text, size_t i) {
  const size_t n = text.size();
  for (;;) {
    while (i < n && IsBlank(text[i])) ++i;
    if (i < n && (text[i] == '#' || text[i] == ';')) {
      while (i < n && text[i] != '\n') ++i;
      continue;
    }
    return i;
  }
}

void TrimTrailing(std::string& s, const char* chars) {
  size_t end = s.find_last_not_of(chars);
  s.erase(end == std::string::npos ? 0 : end + 1);
}

}  // namespace

IniFile IniFile::Parse(const std::string& text) {
  IniFile ini;
  const size_t n = text.size();
  size_t i = text.find('[');
  if (i == std::string::npos) return ini;
  Section* current = nullptr;
  while (true) {
    i = SkipBlanksAndComments(text, i);
    if (i >= n) break;
    if (text[i] == '[') {
      size_t close = text.find(']', i + 1);
      std::string name = text.substr(i + 1, (close == std::string::npos ? n : close) - i - 1);
      ini.m_sections.insert(ini.m_sections.begin(), Section{std::move(name), {}});
      current = &ini.m_sections.front();
      i = (close == std::string::npos) ? n : close + 1;
      continue;
    }
    // An entry: the key runs to the next '='.
    size_t eq = text.find('=', i);
    if (eq == std::string::npos) break;
    std::string key = text.substr(i, eq - i);
    TrimTrailing(key, " \t\r\n");
    size_t v = eq + 1;
    while (v < n && (text[v] == ' ' || text[v] == '\t')) ++v;
    if (v >= n || text[v] == '\n' || text[v] == '\r') {
      // Nothing on the rest of the line: the entry is dropped.
      i = v;
      continue;
    }
    size_t end = v;
    while (end < n && text[end] != '\n' && text[end] != '\r' && text[end] != '#' && text[end] != ';') ++end;
    std::string value = text.substr(v, end - v);
    TrimTrailing(value, " \t");
    if (current != nullptr) {
      current->entries.insert(current->entries.begin(), Entry{std::move(key), std::move(value)});
    }
    i = end;
  }
  return ini;
}

IniFile IniFile::Load(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return IniFile{};
  std::ostringstream buffer;
  buffer << in.rdbuf();
  return Parse(buffer.str());
}

const IniFile::Section* IniFile::FindSection(const std::string& name) const {
  for (const Section& s : m_sections) {
    if (s.name == name) return &s;
  }
  return nullptr;
}

IniFile::Section* IniFile::FindSectionMutable(const std::string& name) {
  return const_cast<Section*>(FindSection(name));
}

const std::string* IniFile::Find(const std::string& section, const std::string& key) const {
  const Section* s = FindSection(section);
  if (s == nullptr) return nullptr;
  for (const Entry& e : s->entries) {
    if (e.key == key) return &e.value;
  }
  return nullptr;
}

void IniFile::Set(const std::string& section, const std::string& key, const std::string& value) {
  Section* s = FindSectionMutable(section);
  if (s == nullptr) {
    m_sections.insert(m_sections.begin(), Section{section, {}});
    s = &m_sections.front();
  }
  for (Entry& e : s->entries) {
    if (e.key == key) {
      e.value = value;
      return;
    }
  }
  s->entries.insert(s->entries.begin(), Entry{key, value});
}

bool IniFile::DeleteKey(const std::string& section, const std::string& key) {
  Section* s = FindSectionMutable(section);
  if (s == nullptr) return false;
  for (auto it = s->entries.begin(); it != s->entries.end(); ++it) {
    if (it->key == key) {
      s->entries.erase(it);
      return true;
    }
  }
  return false;
}

bool IniFile::DeleteSection(const std::string& section) {
  for (auto it = m_sections.begin(); it != m_sections.end(); ++it) {
    if (it->name == section) {
      m_sections.erase(it);
      return true;
    }
  }
  return false;
}

std::string IniFile::ToText() const {
  std::string out;
  for (const Section& s : m_sections) {
    out += "[" + s.name + "]\r\n";
    for (const Entry& e : s.entries) out += e.key + "=" + e.value + "\r\n";
  }
  return out;
}
