// Splash images: an image file shown in the game's own window (there is no separate splash window)
// for a time or until the player interrupts it, on the splash colour, at the splash scale.
// Headless the file is checked and nothing waits.
#include <algorithm>
#include <cmath>
#include <string>

#include "Code/Code_Error.h"
#include "Function/Function_Arguments.h"
#include "Function/Function_Modal.h"
#include "Function/Function_Register.h"
#include "Graphics/Graphics_Colour.h"
#include "Graphics/Graphics_Image.h"
#include "Graphics/Graphics_Quad.h"
#include "Graphics/Graphics_Shape.h"
#include "Graphics/Graphics_Texture.h"
#include "Runner/Runner_Folders.h"

namespace {

struct Splash {
  int32_t colour = 0;     // splash_set_color: behind the image (black at start)
  double scale = 0;       // splash_set_scale: 0 fits the image to the screen
  bool stopKey = true;    // splash_set_stop_key: a key ends the splash early
  bool stopMouse = true;  // splash_set_stop_mouse: a mouse button ends it early
};
Splash g_splash;

// The image's rectangle on a width x height screen: `scale` times its size (fitted, proportions
// kept, when 0 or less), centred, the corner rounded down.
void Place(int32_t w, int32_t h, int32_t width, int32_t height, double scale, double out[4]) {
  const double k = scale > 0 ? scale : std::min(double(width) / w, double(height) / h);
  out[2] = w * k;
  out[3] = h * k;
  out[0] = std::floor((width - out[2]) / 2);
  out[1] = std::floor((height - out[3]) / 2);
}

// Shows the PNG file `name` (the save folder first, then the game's folder) for `delay`
// milliseconds; 0 or less waits for a key or a mouse button whatever the stop settings.
void ShowImage(const std::string& name, double delay) {
  CBitmap32 image;
  std::string error;
  if (!Image_LoadPNGFile(Folders_FindForRead(name), image, error) || image.Empty()) {
    ReportActionErrorF(false, "Cannot show the image file %s (%s)", name.c_str(), error.empty() ? "empty image" : error.c_str());
    return;
  }
  const int texture = GR_Texture_CreateFromBitmap(image);
  if (texture < 0) return;
  const int32_t w = image.Width(), h = image.Height();
  const Splash look = g_splash;
  Modal_Show(
      [&](int32_t width, int32_t height) {
        const uint32_t c = GR_Colour(look.colour, 1);
        const uint32_t corners[4] = {c, c, c, c};
        Shape_Rectangle(0, 0, float(width - 1), float(height - 1), corners, false);
        double r[4];
        Place(w, h, width, height, look.scale, r);
        GR_Quad_Stretched(QuadImage::Raw(texture, w, h), w, h, float(r[0]), float(r[1]), float(r[2]), float(r[3]),
                          kColourWhite, 1);
      },
      [&](const ModalInput& in) {
        if (delay <= 0) return in.key || in.button;
        return in.elapsedMillis >= delay || (look.stopKey && in.key) || (look.stopMouse && in.button);
      });
  GR_Texture_Free(texture);
}

// splash_show_image(fname, delay)
void F_SplashShowImage(RValue&, CInstance*, CInstance*, int argc, RValue* args) {
  const FunctionArgs a{argc, args};
  ShowImage(a.Str(0), a.Double(1));
}

// show_image(fname, full, delay): `full` (full screen) is not used: the game's window shows it.
void F_ShowImage(RValue&, CInstance*, CInstance*, int argc, RValue* args) {
  const FunctionArgs a{argc, args};
  ShowImage(a.Str(0), a.Double(2));
}

void F_SplashSetColor(RValue&, CInstance*, CInstance*, int argc, RValue* args) {
  g_splash.colour = FunctionArgs{argc, args}.Colour(0) & 0xFFFFFF;
}
void F_SplashSetScale(RValue&, CInstance*, CInstance*, int argc, RValue* args) {
  const double s = FunctionArgs{argc, args}.Double(0);
  g_splash.scale = std::isfinite(s) ? s : 0;
}
// splash_set_interrupt(on): both a key and a mouse button end the splash early, or neither.
void F_SplashSetInterrupt(RValue&, CInstance*, CInstance*, int argc, RValue* args) {
  g_splash.stopKey = g_splash.stopMouse = FunctionArgs{argc, args}.Flag(0);
}
void F_SplashSetStopKey(RValue&, CInstance*, CInstance*, int argc, RValue* args) {
  g_splash.stopKey = FunctionArgs{argc, args}.Flag(0);
}
void F_SplashSetStopMouse(RValue&, CInstance*, CInstance*, int argc, RValue* args) {
  g_splash.stopMouse = FunctionArgs{argc, args}.Flag(0);
}

}  // namespace

void Function_Splash_Bind() {
  ImplementFunction("splash_show_image", F_SplashShowImage);
  ImplementFunction("show_image", F_ShowImage);
  ImplementFunction("splash_set_color", F_SplashSetColor);
  ImplementFunction("splash_set_scale", F_SplashSetScale);
  ImplementFunction("splash_set_interrupt", F_SplashSetInterrupt);
  ImplementFunction("splash_set_stop_key", F_SplashSetStopKey);
  ImplementFunction("splash_set_stop_mouse", F_SplashSetStopMouse);
}
