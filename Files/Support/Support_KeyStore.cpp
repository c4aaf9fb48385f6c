#include "Support/Support_KeyStore.h"

#include <strings.h>

#include <cstdio>
#include <cstdlib>

namespace {

// Key paths and value names compare without regard to the case of ASCII letters, as registry
// names do; the spelling first written is kept.
bool SameName(const std::string& a, const std::string& b) {
  return a.size() == b.size() && strncasecmp(a.c_str(), b.c_str(), a.size()) == 0;
}

bool NeedsEscape(unsigned char c) { return c < 32 || c == '%' || c == '=' || c == '[' || c == ']' || c == 127; }

std::string Escape(const std::string& s) {
  static const char kHex[] = "0123456789ABCDEF";
  std::string out;
  out.reserve(s.size());
  for (unsigned char c : s) {
    if (NeedsEscape(c)) {
      out.push_back('%');
      out.push_back(kHex[c >> 4]);
      out.push_back(kHex[c & 15]);
    } else {
      out.push_back(static_cast<char>(c));
    }
  }
  return out;
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

// A "%" not followed by two hexadecimal digits stands for itself.
std::string Unescape(const std::string& s) {
  std::string out;
  out.reserve(s.size());
  for (size_t i = 0; i < s.size(); ++i) {
    if (s[i] == '%' && i + 2 < s.size() && HexDigit(s[i + 1]) >= 0 && HexDigit(s[i + 2]) >= 0) {
      out.push_back(static_cast<char>(HexDigit(s[i + 1]) * 16 + HexDigit(s[i + 2])));
      i += 2;
    } else {
      out.push_back(s[i]);
    }
  }
  return out;
}

}  // namespace

std::string KeyStore_NormalPath(const std::string& path) {
  std::string out;
  for (char c : path) {
    if (c == '/') c = '\\';
    if (c == '\\' && (out.empty() || out.back() == '\\')) continue;
    out.push_back(c);
  }
  if (!out.empty() && out.back() == '\\') out.pop_back();
  return out;
}

CKeyStore CKeyStore::Parse(const std::string& text) {
  CKeyStore store;
  Key* key = nullptr;
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    std::string line = text.substr(start, end - start);
    start = end + 1;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.size() >= 2 && line.front() == '[' && line.back() == ']') {
      // A key named twice gathers the values of both.
      const std::string path = Unescape(line.substr(1, line.size() - 2));
      key = nullptr;
      for (Key& k : store.m_keys) {
        if (SameName(k.path, path)) key = &k;
      }
      if (key == nullptr) {
        store.m_keys.push_back(Key{path, {}});
        key = &store.m_keys.back();
      }
      continue;
    }
    size_t eq = line.find('=');
    if (key == nullptr || eq == std::string::npos || eq + 2 >= line.size() || line[eq + 2] != ':') continue;
    const char kind = line[eq + 1];
    if (kind != 's' && kind != 'r') continue;
    Value v;
    v.name = Unescape(line.substr(0, eq));
    const std::string body = line.substr(eq + 3);
    if (kind == 's') {
      v.isText = true;
      v.text = Unescape(body);
    } else {
      char* stop = nullptr;
      v.real = std::strtod(body.c_str(), &stop);
      if (stop == body.c_str() || *stop != '\0') continue;
    }
    // A value named twice: the later line wins, as a later write would.
    bool replaced = false;
    for (Value& old : key->values) {
      if (SameName(old.name, v.name)) {
        old = v;
        replaced = true;
      }
    }
    if (!replaced) key->values.push_back(std::move(v));
  }
  return store;
}

std::string CKeyStore::ToText() const {
  std::string out;
  for (const Key& key : m_keys) {
    out.push_back('[');
    out.append(Escape(key.path));
    out.append("]\n");
    for (const Value& v : key.values) {
      out += Escape(v.name);
      if (v.isText) {
        out.append("=s:");
        out.append(Escape(v.text));
      } else {
        char buffer[40];
        std::snprintf(buffer, sizeof buffer, "%.17g", v.real);
        out += "=r:";
        out += buffer;
      }
      out += "\n";
    }
  }
  return out;
}

const CKeyStore::Value* CKeyStore::Find(const std::string& path, const std::string& name) const {
  for (const Key& key : m_keys) {
    if (!SameName(key.path, path)) continue;
    for (const Value& v : key.values) {
      if (SameName(v.name, name)) return &v;
    }
  }
  return nullptr;
}

CKeyStore::Value& CKeyStore::Slot(const std::string& path, const std::string& name) {
  Key* key = nullptr;
  for (Key& k : m_keys) {
    if (SameName(k.path, path)) key = &k;
  }
  if (key == nullptr) {
    m_keys.push_back(Key{path, {}});
    key = &m_keys.back();
  }
  for (Value& v : key->values) {
    if (SameName(v.name, name)) return v;
  }
  key->values.push_back(Value{name, false, {}, 0});
  return key->values.back();
}

void CKeyStore::SetText(const std::string& path, const std::string& name, const std::string& text) {
  Value& v = Slot(path, name);
  v.isText = true;
  v.text = text;
  v.real = 0;
}

void CKeyStore::SetReal(const std::string& path, const std::string& name, double real) {
  Value& v = Slot(path, name);
  v.isText = false;
  v.text.clear();
  v.real = real;
}
