// Fonts and text from game code: the current font and alignment, measuring, the draw_text family and
// the font resources (sprite fonts, system typefaces, queries and deletion).
#include <algorithm>
#include <memory>
#include <string>

#include "Code/Code_Error.h"
#include "Font/Font_Class.h"
#include "Font/Font_Make.h"
#include "Font/Font_Text.h"
#include "Function/Function_Register.h"
#include "Graphics/Graphics_DrawState.h"
#include "Platform/Platform_Console.h"
#include "Platform/Platform_Memory.h"

namespace {

using Args = RValue*;

struct In {
  int argc;
  Args args;
  const RValue& At(int i) const { return FunctionArgument(argc, args, i); }
  double Real(int i) const { return At(i).real; }
  int32_t Int(int i) const { return FunctionArgumentIndex(At(i)); }
  bool Flag(int i) const { return FunctionArgumentBool(At(i)); }
  // A text argument; a real is turned into its text form first.
  std::u16string Text(int i) const {
    if (!At(i).IsReal()) return Text_Decode(At(i).Str());
    char* text = StringOfValue(At(i));
    std::u16string out = Text_Decode(text);
    MemFree(text);
    return out;
  }
};

std::string NewFontName(int32_t index) { return "__newfont" + std::to_string(index); }

// ---- Settings and measuring -----------------------------------------------------------------------

void F_DrawSetFont(RValue&, CInstance*, CInstance*, int argc, Args args) { Font_SetCurrent(In{argc, args}.Int(0)); }
void F_DrawSetHAlign(RValue&, CInstance*, CInstance*, int argc, Args args) {
  Text_SetAlign(In{argc, args}.Int(0), Text_VAlign());
}
void F_DrawSetVAlign(RValue&, CInstance*, CInstance*, int argc, Args args) {
  Text_SetAlign(Text_HAlign(), In{argc, args}.Int(0));
}
void F_StringWidth(RValue& r, CInstance*, CInstance*, int argc, Args args) {
  r.SetReal(Text_Width(*Font_ForText(), In{argc, args}.Text(0), -1));
}
void F_StringHeight(RValue& r, CInstance*, CInstance*, int argc, Args args) {
  r.SetReal(Text_Height(*Font_ForText(), In{argc, args}.Text(0), -1, -1));
}
void F_StringWidthExt(RValue& r, CInstance*, CInstance*, int argc, Args args) {
  const In a{argc, args};
  r.SetReal(Text_Width(*Font_ForText(), a.Text(0), a.Real(2)));
}
void F_StringHeightExt(RValue& r, CInstance*, CInstance*, int argc, Args args) {
  const In a{argc, args};
  r.SetReal(Text_Height(*Font_ForText(), a.Text(0), a.Real(1), a.Real(2)));
}

// ---- Drawing --------------------------------------------------------------------------------------

// One draw_text form: the argument positions of sep and w, of the scale and angle, and of the
// colours (-1: absent).
template <int Ext, int Transform, int Colours>
void F_DrawText(RValue&, CInstance*, CInstance*, int argc, Args args) {
  const In a{argc, args};
  TextDraw how;
  how.x = a.Real(0);
  how.y = a.Real(1);
  if (Ext >= 0) {
    how.sep = a.Real(Ext);
    how.wrap = a.Real(Ext + 1);
  }
  if (Transform >= 0) {
    how.transformed = true;
    how.xscale = a.Real(Transform);
    how.yscale = a.Real(Transform + 1);
    how.angle = a.Real(Transform + 2);
  }
  if (Colours >= 0) {
    how.gradient = true;
    for (int k = 0; k < 4; ++k) how.colours[k] = a.Int(Colours + k);
    how.alpha = a.Real(Colours + 4);
  } else {
    for (int32_t& c : how.colours) c = g_DrawState.colour;
    how.alpha = g_DrawState.alpha;
  }
  Text_Draw(a.Text(2), how);
}

// ---- Font resources -------------------------------------------------------------------------------

// Installs a made font: appended (index < 0) or in place of an existing font.
double Install(std::unique_ptr<CFontTessera> font, int32_t index) {
  if (font == nullptr) return -1;
  if (index < 0) {
    const int32_t at = Font_Count();
    Font_Add(font.release(), NewFontName(at));
    return at;
  }
  const std::string name = Font_Name(index);
  Font_Set(index, font.release(), name);
  return index;
}

double AddSpriteFont(const In& a, int first, int32_t index, bool ext) {
  const int32_t sprite = a.Int(first);
  const std::u16string map = ext ? a.Text(first + 1) : Font_SpriteMap(sprite, a.Int(first + 1));
  std::unique_ptr<CFontTessera> font = Font_MakeFromSprite(sprite, map, a.Flag(first + 2), a.Int(first + 3));
  if (font == nullptr) {
    ReportActionError("Trying to create font from non-existing sprite.", false);
    return -1;
  }
  return Install(std::move(font), index);
}

bool ReplaceTarget(const In& a) {
  if (Font_Exists(a.Int(0))) return true;
  ReportActionError("Trying to replace non-existing font.", false);
  return false;
}

template <bool Ext>
void F_FontAddSprite(RValue& r, CInstance*, CInstance*, int argc, Args args) {
  r.SetReal(AddSpriteFont(In{argc, args}, 0, -1, Ext));
}
template <bool Ext>
void F_FontReplaceSprite(RValue& r, CInstance*, CInstance*, int argc, Args args) {
  const In a{argc, args};
  r.SetReal(ReplaceTarget(a) ? AddSpriteFont(a, 1, a.Int(0), Ext) : -1);
}

double AddFamilyFont(const In& a, int first, int32_t index) {
  const RValue& name = a.At(first);
  const std::string family = name.IsReal() ? std::string() : std::string(name.Str());
  std::string note;
  std::unique_ptr<CFontTessera> font = Font_MakeFromFamily(family, a.Int(first + 1), a.Flag(first + 2),
                                                           a.Flag(first + 3), a.Int(first + 4), a.Int(first + 5), note);
  if (!note.empty()) Console::Output("font_add: %s\n", note.c_str());
  if (font == nullptr) {
    // The record is still made: a font without glyphs measures and draws as nothing.
    font = std::make_unique<CFontTessera>();
    font->typeface = family;
    font->size = a.Int(first + 1);
    font->bold = a.Flag(first + 2);
    font->italic = a.Flag(first + 3);
    font->first = std::max(a.Int(first + 4), 0);
    font->last = std::min(a.Int(first + 5), 255);
  }
  return Install(std::move(font), index);
}

void F_FontAdd(RValue& r, CInstance*, CInstance*, int argc, Args args) { r.SetReal(AddFamilyFont(In{argc, args}, 0, -1)); }
void F_FontReplace(RValue& r, CInstance*, CInstance*, int argc, Args args) {
  const In a{argc, args};
  r.SetReal(ReplaceTarget(a) ? AddFamilyFont(a, 1, a.Int(0)) : -1);
}

// font_set_cache_size(font, max): the setting is kept.
void F_FontSetCacheSize(RValue&, CInstance*, CInstance*, int argc, Args args) {
  const In a{argc, args};
  CFontTessera* font = Font_Get(a.Int(0));
  if (font == nullptr) {
    ReportActionError("Trying to set the cache size of a non-existing font.", false);
    return;
  }
  font->cacheSize = a.Int(1);
}
void F_FontExists(RValue& r, CInstance*, CInstance*, int argc, Args args) { r.SetReal(Font_Exists(In{argc, args}.Int(0))); }
void F_FontGetName(RValue& r, CInstance*, CInstance*, int argc, Args args) { r.SetString(Font_Name(In{argc, args}.Int(0))); }
void F_FontGetFontName(RValue& r, CInstance*, CInstance*, int argc, Args args) {
  const CFontTessera* font = Font_Get(In{argc, args}.Int(0));
  r.SetString(font != nullptr ? font->typeface.c_str() : "");
}
template <int32_t (*Get)(const CFontTessera&)>
void F_FontGet(RValue& r, CInstance*, CInstance*, int argc, Args args) {
  const CFontTessera* font = Font_Get(In{argc, args}.Int(0));
  r.SetReal(font != nullptr ? Get(*font) : -1);
}
int32_t SizeOf(const CFontTessera& f) { return f.size; }
int32_t BoldOf(const CFontTessera& f) { return f.bold; }
int32_t ItalicOf(const CFontTessera& f) { return f.italic; }
int32_t FirstOf(const CFontTessera& f) { return f.first; }
int32_t LastOf(const CFontTessera& f) { return f.last; }
void F_FontDelete(RValue&, CInstance*, CInstance*, int argc, Args args) {
  const int32_t index = In{argc, args}.Int(0);
  if (!Font_Exists(index)) return;
  Font_Set(index, nullptr, "");
  if (Font_Current() == index) Font_SetCurrent(-1);
}

}  // namespace

void Function_Text_Bind() {
  ImplementFunction("draw_set_font", F_DrawSetFont);
  ImplementFunction("draw_set_halign", F_DrawSetHAlign);
  ImplementFunction("draw_set_valign", F_DrawSetVAlign);
  ImplementFunction("string_width", F_StringWidth);
  ImplementFunction("string_height", F_StringHeight);
  ImplementFunction("string_width_ext", F_StringWidthExt);
  ImplementFunction("string_height_ext", F_StringHeightExt);
  ImplementFunction("draw_text", F_DrawText<-1, -1, -1>);
  ImplementFunction("draw_text_ext", F_DrawText<3, -1, -1>);
  ImplementFunction("draw_text_transformed", F_DrawText<-1, 3, -1>);
  ImplementFunction("draw_text_ext_transformed", F_DrawText<3, 5, -1>);
  ImplementFunction("draw_text_color", F_DrawText<-1, -1, 3>);
  ImplementFunction("draw_text_transformed_color", F_DrawText<-1, 3, 6>);
  ImplementFunction("draw_text_ext_color", F_DrawText<3, -1, 5>);
  ImplementFunction("draw_text_ext_transformed_color", F_DrawText<3, 5, 8>);
  ImplementFunction("font_add_sprite", F_FontAddSprite<false>);
  ImplementFunction("font_add_sprite_ext", F_FontAddSprite<true>);
  ImplementFunction("font_replace_sprite", F_FontReplaceSprite<false>);
  ImplementFunction("font_replace_sprite_ext", F_FontReplaceSprite<true>);
  ImplementFunction("font_add", F_FontAdd);
  ImplementFunction("font_replace", F_FontReplace);
  ImplementFunction("font_exists", F_FontExists);
  ImplementFunction("font_get_name", F_FontGetName);
  ImplementFunction("font_name", F_FontGetName);
  ImplementFunction("font_set_cache_size", F_FontSetCacheSize);
  ImplementFunction("font_get_fontname", F_FontGetFontName);
  ImplementFunction("font_get_size", F_FontGet<SizeOf>);
  ImplementFunction("font_get_bold", F_FontGet<BoldOf>);
  ImplementFunction("font_get_italic", F_FontGet<ItalicOf>);
  ImplementFunction("font_get_first", F_FontGet<FirstOf>);
  ImplementFunction("font_get_last", F_FontGet<LastOf>);
  ImplementFunction("font_delete", F_FontDelete);
}
