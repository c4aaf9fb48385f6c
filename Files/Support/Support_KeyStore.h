// The per-game key store behind the registry_ functions: keys (paths such as
// "HKEY_CURRENT_USER\Software\Game") holding named values, each a text or a real.
//
// Its file is INI-like: "[key]" then "name=s:text" or "name=r:real" lines. Bytes below 32, '%',
// '=', '[', ']' and 127 are written as "%XX", so any text (line breaks, spaces at either end)
// reads back exactly; reals are written with 17 significant digits and read back to the same bits.
// Key paths and value names match without regard to the case of ASCII letters.
#pragma once
#include <string>
#include <vector>

class CKeyStore {
 public:
  struct Value {
    std::string name;
    bool isText = false;
    std::string text;
    double real = 0;
  };
  struct Key {
    std::string path;
    std::vector<Value> values;
  };

  // Parses a store's text; lines that do not follow the layout are skipped.
  static CKeyStore Parse(const std::string& text);
  std::string ToText() const;

  const Value* Find(const std::string& path, const std::string& name) const;
  void SetText(const std::string& path, const std::string& name, const std::string& text);
  void SetReal(const std::string& path, const std::string& name, double real);
  const std::vector<Key>& Keys() const { return m_keys; }

 private:
  Value& Slot(const std::string& path, const std::string& name);
  std::vector<Key> m_keys;
};

// A key path as the store keeps it: '/' taken as '\', runs of separators as one, none at either end.
std::string KeyStore_NormalPath(const std::string& path);
