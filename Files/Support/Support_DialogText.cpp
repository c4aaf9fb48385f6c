// The dialogs' texts: filters, menus, colours and the dialog programs' command lines.
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "Support/Support_Dialog.h"

namespace {

std::vector<std::string> Split(const std::string& text, char at) {
  std::vector<std::string> pieces;
  size_t start = 0;
  for (;;) {
    const size_t end = text.find(at, start);
    pieces.push_back(text.substr(start, end == std::string::npos ? std::string::npos : end - start));
    if (end == std::string::npos) return pieces;
    start = end + 1;
  }
}

std::string Trim(const std::string& s) {
  const size_t first = s.find_first_not_of(" \t\r\n");
  if (first == std::string::npos) return "";
  return s.substr(first, s.find_last_not_of(" \t\r\n") - first + 1);
}

std::vector<std::string> Patterns(const std::string& text) {
  std::vector<std::string> out;
  for (std::string p : Split(text, ';')) {
    p = Trim(p);
    if (p == "*.*") p = "*";
    if (!p.empty()) out.push_back(p);
  }
  return out;
}

std::string Joined(const std::vector<std::string>& parts, const char* between) {
  std::string out;
  for (size_t i = 0; i < parts.size(); ++i) out += (i ? between : "") + parts[i];
  return out;
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// `digits` hex digits per channel; the channel is their first two.
bool HexChannels(const std::string& hex, int digits, int channel[3]) {
  for (int i = 0; i < 3; ++i) {
    int value = 0;
    for (int d = 0; d < digits; ++d) {
      const int h = HexDigit(hex[size_t(i * digits + d)]);
      if (h < 0) return false;
      if (d < 2) value = value * 16 + h;
    }
    channel[i] = value;
  }
  return true;
}

}  // namespace

std::vector<DialogFilter> Dialog_ParseFilter(const std::string& filter) {
  std::vector<DialogFilter> out;
  if (filter.empty()) return out;
  const std::vector<std::string> pieces = Split(filter, '|');
  for (size_t i = 0; i < pieces.size(); i += 2) {
    DialogFilter f;
    f.name = Trim(pieces[i]);
    f.patterns = Patterns(i + 1 < pieces.size() ? pieces[i + 1] : pieces[i]);
    if (f.patterns.empty()) continue;
    if (f.name.empty()) f.name = Joined(f.patterns, " ");
    out.push_back(f);
  }
  return out;
}

std::vector<DialogMenuItem> Dialog_ParseMenu(const std::string& menu) {
  std::vector<DialogMenuItem> items;
  if (menu.empty()) return items;
  for (const std::string& piece : Split(menu, '|')) items.push_back({piece, piece == "-"});
  return items;
}

std::vector<std::string> Dialog_FileCommand(DialogTool tool, DialogFile kind, const std::string& caption,
                                            const std::vector<DialogFilter>& filters, const std::string& path) {
  std::vector<std::string> argv;
  if (tool == DialogTool::Zenity) {
    argv = {"zenity", "--file-selection", "--title=" + caption};
    if (kind == DialogFile::Save) argv.push_back("--save");
    if (kind == DialogFile::Folder) argv.push_back("--directory");
    if (!path.empty()) argv.push_back("--filename=" + path);
    if (kind != DialogFile::Folder) {
      for (const DialogFilter& f : filters) argv.push_back("--file-filter=" + f.name + " | " + Joined(f.patterns, " "));
    }
    return argv;
  }
  if (tool == DialogTool::Kdialog) {
    const char* what = kind == DialogFile::Open ? "--getopenfilename"
                       : kind == DialogFile::Save ? "--getsavefilename"
                                                  : "--getexistingdirectory";
    argv = {"kdialog", "--title", caption, what, path.empty() ? "." : path};
    if (kind != DialogFile::Folder && !filters.empty()) {
      std::vector<std::string> lines;
      for (const DialogFilter& f : filters) lines.push_back(Joined(f.patterns, " ") + "|" + f.name);
      argv.push_back(Joined(lines, "\n"));
    }
  }
  return argv;
}

bool Dialog_ParseColourAnswer(const std::string& answer, int32_t& colour) {
  const std::string a = Trim(answer);
  int c[3] = {0, 0, 0};
  bool ok = false;
  if (a.size() == 7 && a[0] == '#') {
    ok = HexChannels(a.substr(1), 2, c);
  } else if (a.size() == 13 && a[0] == '#') {
    ok = HexChannels(a.substr(1), 4, c);
  } else if (a.rfind("rgb(", 0) == 0 || a.rfind("rgba(", 0) == 0) {
    const size_t open = a.find('('), close = a.find(')');
    if (close == a.size() - 1) {
      const std::vector<std::string> parts = Split(a.substr(open + 1, close - open - 1), ',');
      ok = parts.size() == (a[3] == 'a' ? 4u : 3u);
      for (int i = 0; ok && i < 3; ++i) {
        const std::string p = Trim(parts[size_t(i)]);
        char* end = nullptr;
        const long v = std::strtol(p.c_str(), &end, 10);
        ok = !p.empty() && *end == '\0' && v >= 0 && v <= 255;
        c[i] = int(v);
      }
    }
  }
  if (ok) colour = c[0] | (c[1] << 8) | (c[2] << 16);
  return ok;
}

std::string Dialog_ColourText(int32_t colour) {
  char text[8];
  std::snprintf(text, sizeof text, "#%02x%02x%02x", colour & 0xFF, (colour >> 8) & 0xFF, (colour >> 16) & 0xFF);
  return text;
}
