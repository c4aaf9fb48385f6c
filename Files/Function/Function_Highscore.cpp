// The high-score table: ten places of a name and a score, best first, kept in the save folder
// ("highscore.txt", one "score<TAB>name" line per place, written atomically) and read back when a
// game first uses it. highscore_show asks a new entrant's name and shows the table through the
// player's dialogs (a text table; the drawn table with its background, border, font and colours
// needs the text engine).
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <string>
#include <vector>

#include "Code/Code_Error.h"
#include "Function/Function_Library.h"
#include "Function/Function_Register.h"
#include "Run/Run_State.h"
#include "Runner/Runner_Folders.h"
#include "Support/Support_Dialog.h"

namespace {

constexpr int kPlaces = 10;
constexpr const char* kFileName = "highscore.txt";

struct Entry {
  std::string name;
  int32_t score = 0;
};

struct Table {
  bool loaded = false;
  std::vector<Entry> places;
  std::string caption = "Top Ten Players";
  std::string nobody = "<nobody>";
  std::string escape = "press <Escape> to close";
};
Table g_table;

void Reset() {
  g_table.places.assign(kPlaces, Entry{g_table.nobody, 0});
}

// A line "score<TAB>name"; false for anything else.
bool ParseLine(const std::string& line, Entry& e) {
  const size_t tab = line.find('\t');
  if (tab == std::string::npos || tab == 0) return false;
  const std::string number = line.substr(0, tab);
  char* end = nullptr;
  errno = 0;
  const long long v = std::strtoll(number.c_str(), &end, 10);
  if (*end != '\0' || errno == ERANGE || v < INT32_MIN || v > INT32_MAX) return false;
  e.score = static_cast<int32_t>(v);
  e.name = line.substr(tab + 1);
  return true;
}

void Load() {
  if (g_table.loaded) return;
  g_table.loaded = true;
  Reset();
  std::string text;
  if (!Library::ReadWholeFile(Folders_SaveFolder() + kFileName, text)) return;
  std::vector<Entry> read;
  size_t at = 0;
  while (at < text.size() && read.size() < size_t(kPlaces)) {
    size_t end = text.find('\n', at);
    if (end == std::string::npos) end = text.size();
    Entry e;
    if (!ParseLine(text.substr(at, end - at), e)) {
      // A damaged file is not trusted in part: the table starts empty and the file is left alone
      // until the next change replaces it.
      Reset();
      return;
    }
    read.push_back(e);
    at = end + 1;
  }
  for (size_t i = 0; i < read.size(); ++i) g_table.places[i] = read[i];
}

void Save() {
  std::string text;
  for (const Entry& e : g_table.places) {
    std::string name = e.name;
    for (char& c : name) {
      if (c == '\n' || c == '\r' || c == '\t') c = ' ';
    }
    text += std::to_string(e.score) + "\t" + name + "\n";
  }
  const std::string path = Folders_SaveFolder() + kFileName;
  if (!Library::WriteFileAtomic(path, text)) ReportActionErrorF(false, "Cannot write the high-score table %s", path.c_str());
}

// The place (0-based) a score would take: below every equal or better score; kPlaces when it does
// not make the table.
int PlaceFor(int32_t score) {
  for (int i = 0; i < kPlaces; ++i) {
    if (score > g_table.places[size_t(i)].score) return i;
  }
  return kPlaces;
}

bool Add(const std::string& name, int32_t score) {
  Load();
  const int place = PlaceFor(score);
  if (place >= kPlaces) return false;
  g_table.places.insert(g_table.places.begin() + place, Entry{name, score});
  g_table.places.resize(kPlaces);
  Save();
  return true;
}

int32_t ScoreArgument(int argc, RValue* args, int i) {
  const double v = Library::ArgReal(argc, args, i);
  if (std::isnan(v)) return 0;
  return static_cast<int32_t>(std::fmax(-2147483648.0, std::fmin(2147483647.0, std::trunc(v))));
}

// A new entrant gives a name (the nobody name when none is given) and joins the table.
void AskAndAdd(int32_t score) {
  Load();
  if (PlaceFor(score) >= kPlaces) return;
  std::string name = "";
  Dialog_Input(g_table.caption, "Congratulations! You made the high-score table with " + std::to_string(score) +
                                    ".\nPlease enter your name:", name);
  if (name.empty()) name = g_table.nobody;
  Add(name, score);
}

void ShowTable() {
  std::string text;
  for (int i = 0; i < kPlaces; ++i) {
    const Entry& e = g_table.places[size_t(i)];
    text += std::to_string(i + 1) + ". " + e.name + "  " + std::to_string(e.score) + "\n";
  }
  Dialog_Choose(g_table.caption, text + "\n" + g_table.escape, {"OK"}, 0, 0);
}

void F_HighscoreClear(RValue&, CInstance*, CInstance*, int, RValue*) {
  Load();
  Reset();
  Save();
}

void F_HighscoreAdd(RValue&, CInstance*, CInstance*, int argc, RValue* args) {
  Add(Library::ArgText(argc, args, 0), ScoreArgument(argc, args, 1));
}

void F_HighscoreAddCurrent(RValue&, CInstance*, CInstance*, int, RValue*) { AskAndAdd(g_RunState.score); }

// Places count from 1; outside 1..10 the value is 0 and the name empty.
void F_HighscoreValue(RValue& result, CInstance*, CInstance*, int argc, RValue* args) {
  Load();
  const int place = Library::ArgIndex(argc, args, 0);
  result.SetReal(place >= 1 && place <= kPlaces ? g_table.places[size_t(place - 1)].score : 0);
}

void F_HighscoreName(RValue& result, CInstance*, CInstance*, int argc, RValue* args) {
  Load();
  const int place = Library::ArgIndex(argc, args, 0);
  Library::SetStringResult(result, place >= 1 && place <= kPlaces ? g_table.places[size_t(place - 1)].name : "");
}

// highscore_show(score) and highscore_show_ext(score, ...): a new entrant is asked for a name, then
// the table is shown.
void F_HighscoreShow(RValue&, CInstance*, CInstance*, int argc, RValue* args) {
  AskAndAdd(ScoreArgument(argc, args, 0));
  ShowTable();
}

// highscore_set_strings(caption, nobody, escape); an empty text keeps the current one.
void F_HighscoreSetStrings(RValue&, CInstance*, CInstance*, int argc, RValue* args) {
  Load();
  const std::string caption = Library::ArgText(argc, args, 0), nobody = Library::ArgText(argc, args, 1),
                    escape = Library::ArgText(argc, args, 2);
  if (!caption.empty()) g_table.caption = caption;
  if (!nobody.empty()) {
    for (Entry& e : g_table.places) {
      if (e.name == g_table.nobody) e.name = nobody;
    }
    g_table.nobody = nobody;
  }
  if (!escape.empty()) g_table.escape = escape;
}

}  // namespace

void Function_Highscore_Bind() {
  ImplementFunction("highscore_clear", F_HighscoreClear);
  ImplementFunction("highscore_add", F_HighscoreAdd);
  ImplementFunction("highscore_add_current", F_HighscoreAddCurrent);
  ImplementFunction("highscore_value", F_HighscoreValue);
  ImplementFunction("highscore_name", F_HighscoreName);
  ImplementFunction("highscore_show", F_HighscoreShow);
  ImplementFunction("highscore_show_ext", F_HighscoreShow);
  ImplementFunction("highscore_set_strings", F_HighscoreSetStrings);
}

void Function_Highscore_Forget() { g_table = Table{}; }
