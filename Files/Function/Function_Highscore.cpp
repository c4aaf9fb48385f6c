// The high-score table: ten places of a name and a score, best first, kept in the save folder
// ("highscore.txt", one "score<TAB>name" line per place, written atomically) and read back when a
// game first uses it. highscore_show asks a new entrant's name and shows the table through the
// player's dialogs; draw_highscore draws it with its look (background, border, font, colours).
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <utility>
#include <string>
#include <vector>

#include "Background/Background_Class.h"
#include "Code/Code_Error.h"
#include "DataFile/DataFile_Load.h"
#include "Font/Font_Class.h"
#include "Font/Font_Make.h"
#include "Font/Font_Text.h"
#include "Function/Function_Arguments.h"
#include "Function/Function_Modal.h"
#include "Graphics/Graphics_Colour.h"
#include "Graphics/Graphics_DrawState.h"
#include "Graphics/Graphics_Quad.h"
#include "Graphics/Graphics_Shape.h"
#include "Platform/Platform_Console.h"
#include "Sprite/Sprite_Draw.h"
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
  int newest = -1;  // the place of the last entry added (-1: none)
};
Table g_table;

// How the table looks: a background image (else the background colour), a border, the font (a
// system typeface; the default font when none is set) and the colours of the newest entry and the
// others (script colours).
struct Look {
  int32_t background = -1;
  bool border = true;
  std::string typeface;
  int32_t size = 12;
  bool bold = false, italic = false;
  // Made from the typeface on first use. Freed by Function_Highscore_Forget (which runs before the
  // texture table is emptied) and never by a static destructor, which may run after it.
  CFontTessera* font = nullptr;
  int32_t back = 0x000000, newest = 0x00FFFF, other = 0xFFFFFF;  // black, yellow, white
};
Look g_look;

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
  g_table.newest = place;
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

bool ShowInWindow();

void ShowTable() {
  if (ShowInWindow()) return;
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
  g_table.newest = -1;
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

// ---- The drawn table -------------------------------------------------------------------------------

constexpr int kMargin = 4;  // between the rectangle's edge and the rows
constexpr int kGap = 8;     // at least between a name and its score

const CFontTessera& TableFont() {
  if (g_look.typeface.empty()) return *Font_Default();
  if (g_look.font == nullptr) {
    std::string note;
    g_look.font = Font_MakeFromFamily(g_look.typeface, g_look.size, g_look.bold, g_look.italic, 32, 255, note).release();
    if (!note.empty()) Console::Output("highscore_set_font: %s\n", note.c_str());
    if (g_look.font == nullptr) {
      g_look.typeface.clear();  // nothing to render: the default font stands in
      return *Font_Default();
    }
  }
  return *g_look.font;
}

void DrawRow(const CFontTessera& font, const std::u16string& text, double x, double y, int32_t colour) {
  TextDraw how;
  how.x = x;
  how.y = y;
  how.gradient = true;
  for (int32_t& c : how.colours) c = colour;
  how.alpha = g_DrawState.alpha;
  how.font = &font;
  Text_Draw(text, how);
}

// The background image stretched over the rectangle (both corners' pixels included) or the
// background colour, and a one-pixel border in the colour of the others.
void DrawBack(double x1, double y1, double x2, double y2) {
  const double alpha = g_DrawState.alpha;
  QuadImage image;
  const CBackground* background = Background_Get(g_look.background);
  if (background != nullptr) image = Background_Image(*background);
  if (background != nullptr && image.Drawable()) {
    GR_Quad_Stretched(image, background->width, background->height, float(x1), float(y1), float(x2 - x1 + 1),
                      float(y2 - y1 + 1), kColourWhite, alpha);
  } else {
    const uint32_t c = GR_Colour(g_look.back, alpha);
    const uint32_t corners[4] = {c, c, c, c};
    Shape_Rectangle(float(x1), float(y1), float(x2), float(y2), corners, false);
  }
  if (g_look.border) {
    const uint32_t c = GR_Colour(g_look.other, alpha);
    const uint32_t corners[4] = {c, c, c, c};
    Shape_Rectangle(float(x1), float(y1), float(x2), float(y2), corners, true);
  }
}

// The ten places in bands of equal height inside a margin, each band's text at its top: the name
// on the left, the score ending at the right; a name too long for the room left by its score loses
// its last characters.
void DrawRows(const CFontTessera& font, double x1, double y1, double x2, double y2) {
  const double left = x1 + kMargin, right = x2 + 1 - kMargin;
  const double band = (y2 - y1 + 1 - 2 * kMargin) / kPlaces;
  for (int i = 0; i < kPlaces; ++i) {
    const Entry& e = g_table.places[size_t(i)];
    const int32_t colour = i == g_table.newest ? g_look.newest : g_look.other;
    const double top = y1 + kMargin + std::floor(i * band);
    const std::u16string score = Text_Decode(std::to_string(e.score).c_str());
    const int32_t scoreWidth = Text_LineWidth(font, score);
    std::u16string name = Text_Decode(e.name.c_str());
    while (!name.empty() && left + Text_LineWidth(font, name) + kGap > right - scoreWidth) name.pop_back();
    DrawRow(font, name, left, top, colour);
    DrawRow(font, score, right - scoreWidth, top, colour);
  }
}

// Runs `draw` with the table's font, text aligned left and top; the game's alignment is kept.
template <class Draw>
void WithTableFont(Draw draw) {
  const int32_t savedH = Text_HAlign(), savedV = Text_VAlign();
  Text_SetAlign(0, 0);
  draw(TableFont());
  Text_SetAlign(savedH, savedV);
}

// draw_highscore: the table in the rectangle, corners in either order.
void DrawTable(double x1, double y1, double x2, double y2) {
  Load();
  if (x2 < x1) std::swap(x1, x2);
  if (y2 < y1) std::swap(y1, y2);
  DrawBack(x1, y1, x2, y2);
  WithTableFont([&](const CFontTessera& font) { DrawRows(font, x1, y1, x2, y2); });
}

// The shown table fills the game's screen: the caption centred at the top, the closing hint centred
// at the bottom (each 8 pixels from the edge), the places between them, an eighth of the width in
// from each side.
void DrawForm(int32_t width, int32_t height) {
  DrawBack(0, 0, width - 1, height - 1);
  WithTableFont([&](const CFontTessera& font) {
    const double line = font.tallest;
    const auto centred = [&](const std::string& text, double y) {
      const std::u16string t = Text_Decode(text.c_str());
      DrawRow(font, t, std::floor((width - Text_LineWidth(font, t)) / 2.0), y, g_look.other);
    };
    centred(g_table.caption, 8);
    centred(g_table.escape, height - 8 - line);
    DrawRows(font, std::floor(width / 8.0), 16 + line, width - 1 - std::floor(width / 8.0), height - 17 - line);
  });
}

// In a window the table fills the game's screen until a key or a mouse button is pressed.
bool ShowInWindow() {
  return Modal_Show(DrawForm, [](const ModalInput& in) { return in.key || in.button; });
}

void F_DrawHighscore(RValue&, CInstance*, CInstance*, int argc, RValue* args) {
  const FunctionArgs a{argc, args};
  DrawTable(a.Double(0), a.Double(1), a.Double(2), a.Double(3));
}

// highscore_set_background(back): a background resource drawn behind the table (-1: the colour).
void F_HighscoreSetBackground(RValue&, CInstance*, CInstance*, int argc, RValue* args) {
  g_look.background = FunctionArgs{argc, args}.Index(0);
}

void F_HighscoreSetBorder(RValue&, CInstance*, CInstance*, int argc, RValue* args) {
  g_look.border = FunctionArgs{argc, args}.Flag(0);
}

void SetFont(const std::string& typeface, int32_t size, int32_t style) {
  g_look.typeface = typeface;
  g_look.size = size > 0 ? size : 12;
  g_look.bold = (style & 1) != 0;
  g_look.italic = (style & 2) != 0;
  delete g_look.font;
  g_look.font = nullptr;
}

// highscore_set_font(name, size, style): a system typeface at size points; style 1 bold, 2 italic,
// 3 both. An empty name goes back to the default font.
void F_HighscoreSetFont(RValue&, CInstance*, CInstance*, int argc, RValue* args) {
  const FunctionArgs a{argc, args};
  SetFont(a.Str(0), a.Index(1), a.Index(2));
}

// highscore_set_colors(back, new, other)
void F_HighscoreSetColors(RValue&, CInstance*, CInstance*, int argc, RValue* args) {
  const FunctionArgs a{argc, args};
  g_look.back = a.Colour(0);
  g_look.newest = a.Colour(1);
  g_look.other = a.Colour(2);
}

// highscore_show_ext(score, back, border, new, other, name, size): sets the look, then shows.
void F_HighscoreShowExt(RValue& result, CInstance* self, CInstance* other, int argc, RValue* args) {
  const FunctionArgs a{argc, args};
  g_look.background = a.Index(1);
  g_look.border = a.Flag(2);
  g_look.newest = a.Colour(3);
  g_look.other = a.Colour(4);
  SetFont(a.Str(5), a.Index(6), 0);
  F_HighscoreShow(result, self, other, argc, args);
}

}  // namespace

void Function_Highscore_Bind() {
  ImplementFunction("highscore_clear", F_HighscoreClear);
  ImplementFunction("highscore_add", F_HighscoreAdd);
  ImplementFunction("highscore_add_current", F_HighscoreAddCurrent);
  ImplementFunction("highscore_value", F_HighscoreValue);
  ImplementFunction("highscore_name", F_HighscoreName);
  ImplementFunction("highscore_show", F_HighscoreShow);
  ImplementFunction("highscore_show_ext", F_HighscoreShowExt);
  ImplementFunction("highscore_set_strings", F_HighscoreSetStrings);
  ImplementFunction("draw_highscore", F_DrawHighscore);
  ImplementFunction("highscore_set_background", F_HighscoreSetBackground);
  ImplementFunction("highscore_set_border", F_HighscoreSetBorder);
  ImplementFunction("highscore_set_font", F_HighscoreSetFont);
  ImplementFunction("highscore_set_colors", F_HighscoreSetColors);
  DataFile_AddResetHandler(Function_Highscore_Forget);
}

void Function_Highscore_Forget() {
  g_table = Table{};
  delete g_look.font;
  g_look = Look{};
}
