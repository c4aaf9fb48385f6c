#include "Graphics/Graphics_Loading.h"

#include "Graphics/Graphics_Batch.h"
#include "Graphics/Graphics_Display.h"
#include "Graphics/Graphics_Quad.h"
#include "Graphics/Graphics_Texture.h"
#include "Graphics/Graphics_Window.h"
#include "Option/Option_Main.h"

namespace {

// The bar rectangle without a loading image; with one, y and width follow the image's size.
constexpr float kBarX = 24, kBarY = 50, kBarWidth = 50, kBarHeight = 16;
// The plain bar drawn for the progress-bar option.
constexpr uint32_t kBarBack = 0xFF404040u;
constexpr uint32_t kBarFront = 0xFFFFFFFFu;

struct Picture {
  int texture = -1;
  int32_t width = 0, height = 0;
};

struct LoadingScreen {
  bool setUp = false;
  Picture image, back, front;
};
LoadingScreen g_screen;

Picture Make(const LoadingPicture& p) {
  if (p.data == nullptr) return {};
  const int id = GR_Texture_CreateFromImage(p.data, p.length);
  if (id < 0) return {};
  return Picture{id, p.width, p.height};
}

// The textures are made the first time the screen is drawn. The option's own bar takes the place of
// the game's bar pictures.
void SetUp() {
  if (g_screen.setUp) return;
  g_screen.setUp = true;
  g_screen.image = Make(g_Options.loadingPicture);
  if (!g_Options.showProgressBar) {
    g_screen.back = Make(g_Options.barBack);
    g_screen.front = Make(g_Options.barFront);
  }
}

void Release() {
  for (Picture* p : {&g_screen.image, &g_screen.back, &g_screen.front}) {
    if (p->texture >= 0) GR_Texture_Free(p->texture);
  }
  g_screen = LoadingScreen{};
}

void Rectangle(float left, float top, float right, float bottom, uint32_t argb) {
  auto* v = static_cast<VertexColour*>(Batch_Add(kPrimTriangleList, kNoTexture, sizeof(VertexColour), 6));
  if (v == nullptr) return;
  v[0] = {left, top, 0, argb};
  v[1] = {right, top, 0, argb};
  v[2] = {right, bottom, 0, argb};
  v[3] = {right, bottom, 0, argb};
  v[4] = {left, bottom, 0, argb};
  v[5] = {left, top, 0, argb};
}

void Stretched(const Picture& p, float x, float y, float w, float h) {
  if (p.texture < 0) return;
  GR_Quad_Stretched(QuadImage::Raw(p.texture, p.width, p.height), p.width, p.height, x, y, w, h, 0xFFFFFF, 1.0);
}

void NextFrame() {
  Display_EndFrame(true);
  Display_BeginFrame();
  Window_PumpMessages();
}

}  // namespace

void Loading_Splash() {
  if (!Display_Ready()) return;
  for (int i = 0; i < 5; ++i) {
    Display_BeginFrame();
    Display_Clear(0xFF000000u);
    Display_EndFrame(true);
    Window_PumpMessages();
  }
  Display_BeginFrame();
}

void Loading_Update(int percent, const char*) {
  if (!Display_Ready()) return;
  SetUp();
  Display_BeginFrame();  // nothing when one is open
  const float p = float(percent < 0 ? 0 : percent > 100 ? 100 : percent);
  const Picture& image = g_screen.image;
  float barY = kBarY, barWidth = kBarWidth;
  if (image.texture >= 0) {
    GR_Quad_Plain(QuadImage::Raw(image.texture, image.width, image.height),
                  float((g_Display.gameWidth - image.width) / 2), float((g_Display.gameHeight - image.height) / 2));
    barY = float(image.height - 32);
    barWidth = float(image.width - 48);
  }
  if (barWidth <= 0) {
    // An image narrower than 49 pixels leaves the bar no width.
  } else if (g_screen.back.texture >= 0 || g_screen.front.texture >= 0) {
    Stretched(g_screen.back, kBarX, barY, barWidth, kBarHeight);
    Stretched(g_screen.front, kBarX, barY, barWidth * p / 100, kBarHeight);
  } else if (g_Options.showProgressBar) {
    Rectangle(kBarX, barY, kBarX + barWidth, barY + kBarHeight, kBarBack);
    if (p > 0) Rectangle(kBarX, barY, kBarX + barWidth * p / 100, barY + kBarHeight, kBarFront);
  }
  NextFrame();
  if (percent >= 100) Release();
}

void Loading_Reset() { Release(); }
