// Background resources from game code: queries, backgrounds made from image files or from scratch,
// copies, saving as PNG files and texture handles.
#include <string>
#include <utility>

#include "Background/Background_Class.h"
#include "Code/Code_Error.h"
#include "Function/Function_Arguments.h"
#include "Graphics/Graphics_Display.h"
#include "Graphics/Graphics_Surface.h"
#include "Platform/Platform_Console.h"
#include "Runner/Runner_Folders.h"
#include "Sprite/Sprite_Image.h"
#include "Sprite/Sprite_Make.h"
#include "Sprite/Sprite_TextureHandle.h"

namespace {

using Args = RValue*;

CBackground* BackgroundArg(const FunctionArgs& a, int i = 0) { return Background_Get(a.Index(i)); }

void F_BackgroundExists(RValue& r, CInstance*, CInstance*, int argc, Args args) {
  r.SetReal(BackgroundArg({argc, args}) != nullptr ? 1 : 0);
}
void F_BackgroundGetName(RValue& r, CInstance*, CInstance*, int argc, Args args) {
  r.SetString(Background_Name(FunctionArgs{argc, args}.Index(0)));
}

#define BACKGROUND_QUERY(Name, expr)                                                                \
  void Name(RValue& r, CInstance*, CInstance*, int argc, Args args) {                               \
    FunctionQueryResult(r, BackgroundArg({argc, args}), [](const CBackground& b) { return expr; }); \
  }
BACKGROUND_QUERY(F_BackgroundGetWidth, b.width)
BACKGROUND_QUERY(F_BackgroundGetHeight, b.height)
BACKGROUND_QUERY(F_BackgroundGetTransparent, b.transparent ? 1 : 0)
BACKGROUND_QUERY(F_BackgroundGetSmooth, b.smooth ? 1 : 0)
BACKGROUND_QUERY(F_BackgroundGetPreload, b.preload ? 1 : 0)
#undef BACKGROUND_QUERY

void F_BackgroundGetTexture(RValue& r, CInstance*, CInstance*, int argc, Args args) {
  const FunctionArgs a{argc, args};
  r.SetReal(-1);
  if (BackgroundArg(a) == nullptr) {
    ReportActionError("Trying to get texture from non-existing background.", false);
    return;
  }
  r.SetReal(Background_TextureHandle(a.Index(0)));
}

// Backgrounds from the game file keep their pixels on texture pages only.
bool PixelsOf(const CBackground& b, const char* function) {
  if (!b.bitmap.Empty()) return true;
  Console::Output("%s - backgrounds from the game file cannot be changed or saved\n", function);
  return false;
}

void F_BackgroundSetAlphaFromBackground(RValue&, CInstance*, CInstance*, int argc, Args args) {
  const FunctionArgs a{argc, args};
  CBackground* b = BackgroundArg(a, 0);
  const CBackground* from = BackgroundArg(a, 1);
  const char* function = "background_set_alpha_from_background";
  if (b == nullptr || from == nullptr || !PixelsOf(*b, function) || !PixelsOf(*from, function)) return;
  Image_AlphaFromIntensity(b->bitmap, from->bitmap);
  Background_Refresh(*b);
}

// ---- Made from scratch and from files ---------------------------------------------------------

// A new background's index (the result), or -1.
void AddNew(RValue& r, CBackground* b) {
  if (b == nullptr) {
    r.SetReal(-1);
    return;
  }
  const int32_t index = Background_Count();
  Background_Add(b, Background_NewName(index));
  r.SetReal(index);
}

bool SizeOk(const char* function, int32_t w, int32_t h) {
  if (w > 0 && h > 0 && w <= kImageMaxSide && h <= kImageMaxSide) return true;
  Console::Output("%s - the size %d x %d is not between 1 and %d\n", function, w, h, kImageMaxSide);
  return false;
}

void F_BackgroundCreateColor(RValue& r, CInstance*, CInstance*, int argc, Args args) {
  const FunctionArgs a{argc, args};
  const int32_t w = a.Index(0), h = a.Index(1);
  AddNew(r, SizeOk("background_create_color", w, h) ? Background_FromBitmap(Image_Filled(w, h, a.Colour(2)))
                                                     : nullptr);
}

void F_BackgroundCreateGradient(RValue& r, CInstance*, CInstance*, int argc, Args args) {
  const FunctionArgs a{argc, args};
  const int32_t w = a.Index(0), h = a.Index(1);
  AddNew(r, SizeOk("background_create_gradient", w, h)
                ? Background_FromBitmap(Image_Gradient(w, h, a.Colour(2), a.Colour(3), a.Index(4)))
                : nullptr);
}

CBackground* Load(const char* function, const std::string& name, const ImageFileOptions& o) {
  std::string error;
  CBackground* b = Background_MakeFromFile(name, o, error);
  if (b == nullptr) Console::Output("%s - unable to load %s: %s\n", function, name.c_str(), error.c_str());
  return b;
}

// The flags after the file name: removeback and smooth (and preload), or for the alpha forms smooth.
ImageFileOptions Options(const FunctionArgs& a, int first, bool alpha) {
  ImageFileOptions o;
  o.keepAlpha = alpha;
  if (alpha) {
    o.smooth = a.Double(first) > 0.5;
    return o;
  }
  o.transparent = a.Double(first) >= 0.5;
  o.smooth = a.Double(first + 1) > 0.5;
  o.preload = a.Flag(first + 2);
  return o;
}

void Replace(RValue& r, const FunctionArgs& a, const char* function, bool alpha) {
  r.SetReal(0);
  const int32_t index = a.Index(0);
  if (!Background_Exists(index)) return;
  if (CBackground* b = Load(function, a.Str(1), Options(a, 2, alpha))) {
    Background_Set(index, b, Background_Name(index));
    r.SetReal(1);
  }
}

void F_BackgroundAdd(RValue& r, CInstance*, CInstance*, int argc, Args args) {
  const FunctionArgs a{argc, args};
  AddNew(r, Load("background_add", a.Str(0), Options(a, 1, false)));
}
void F_BackgroundAddAlpha(RValue& r, CInstance*, CInstance*, int argc, Args args) {
  const FunctionArgs a{argc, args};
  AddNew(r, Load("background_add_alpha", a.Str(0), Options(a, 1, true)));
}
void F_BackgroundReplace(RValue& r, CInstance*, CInstance*, int argc, Args args) {
  Replace(r, {argc, args}, "background_replace", false);
}
void F_BackgroundReplaceAlpha(RValue& r, CInstance*, CInstance*, int argc, Args args) {
  Replace(r, {argc, args}, "background_replace_alpha", true);
}

// A new background from read pixels (kept as read), removeback and smooth at `first`.
void CreateFromPixels(RValue& r, const FunctionArgs& a, CBitmap32 image, int first) {
  ImageFileOptions o = Options(a, first, false);
  o.keepAlpha = true;
  o.preload = false;
  AddNew(r, Background_MakeFromImage(std::move(image), o));
}
void F_BackgroundCreateFromScreen(RValue& r, CInstance*, CInstance*, int argc, Args args) {
  const FunctionArgs a{argc, args};
  CBitmap32 image;
  Display_ReadScreen(a.Index(0), a.Index(1), a.Index(2), a.Index(3), image);
  CreateFromPixels(r, a, std::move(image), 4);
}
void F_BackgroundCreateFromSurface(RValue& r, CInstance*, CInstance*, int argc, Args args) {
  const FunctionArgs a{argc, args};
  const SurfaceRecord* s = Surface_Get(a.Index(0));
  CreateFromPixels(r, a, s != nullptr ? Surface_Read(*s, a.Index(1), a.Index(2), a.Index(3), a.Index(4)) : CBitmap32(),
                   5);
}

// ---- Copies, deletion and saving --------------------------------------------------------------

void F_BackgroundDelete(RValue&, CInstance*, CInstance*, int argc, Args args) {
  const int32_t index = FunctionArgs{argc, args}.Index(0);
  if (Background_Exists(index)) Background_Set(index, nullptr, "");
}

void F_BackgroundDuplicate(RValue& r, CInstance*, CInstance*, int argc, Args args) {
  const CBackground* b = BackgroundArg({argc, args});
  AddNew(r, b != nullptr ? Background_Copy(*b) : nullptr);
}

void F_BackgroundAssign(RValue& r, CInstance*, CInstance*, int argc, Args args) {
  const FunctionArgs a{argc, args};
  const int32_t index = a.Index(0);
  const CBackground* from = BackgroundArg(a, 1);
  r.SetReal(0);
  if (!Background_Exists(index) || from == nullptr) return;
  if (Background_Get(index) != from) Background_Set(index, Background_Copy(*from), Background_Name(index));
  r.SetReal(1);
}

void F_BackgroundSave(RValue& r, CInstance*, CInstance*, int argc, Args args) {
  const FunctionArgs a{argc, args};
  const CBackground* b = BackgroundArg(a);
  r.SetReal(0);
  if (b == nullptr || !PixelsOf(*b, "background_save")) return;
  const std::string name = a.Str(1);
  std::string error;
  if (Image_SavePNGFile(Folders_MapForWrite(name), b->bitmap.Data(), b->bitmap.Width(), b->bitmap.Height(), error)) {
    r.SetReal(1);
  } else {
    Console::Output("background_save - unable to write file %s: %s\n", name.c_str(), error.c_str());
  }
}

}  // namespace

void Function_Background_Bind() {
  ImplementFunction("background_exists", F_BackgroundExists);
  ImplementFunction("background_get_name", F_BackgroundGetName);
  ImplementFunction("background_name", F_BackgroundGetName);
  ImplementFunction("background_get_width", F_BackgroundGetWidth);
  ImplementFunction("background_get_height", F_BackgroundGetHeight);
  ImplementFunction("background_get_transparent", F_BackgroundGetTransparent);
  ImplementFunction("background_get_smooth", F_BackgroundGetSmooth);
  ImplementFunction("background_get_preload", F_BackgroundGetPreload);
  ImplementFunction("background_get_texture", F_BackgroundGetTexture);
  ImplementFunction("background_set_alpha_from_background", F_BackgroundSetAlphaFromBackground);
  ImplementFunction("background_create_color", F_BackgroundCreateColor);
  ImplementFunction("background_create_gradient", F_BackgroundCreateGradient);
  ImplementFunction("background_create_from_screen", F_BackgroundCreateFromScreen);
  ImplementFunction("background_create_from_surface", F_BackgroundCreateFromSurface);
  ImplementFunction("background_add", F_BackgroundAdd);
  ImplementFunction("background_add_alpha", F_BackgroundAddAlpha);
  ImplementFunction("background_replace", F_BackgroundReplace);
  ImplementFunction("background_replace_alpha", F_BackgroundReplaceAlpha);
  ImplementFunction("background_delete", F_BackgroundDelete);
  ImplementFunction("background_duplicate", F_BackgroundDuplicate);
  ImplementFunction("background_assign", F_BackgroundAssign);
  ImplementFunction("background_save", F_BackgroundSave);
}
