#include "Graphics/Graphics_Loading.h"

#include "Graphics/Graphics_Batch.h"
#include "Graphics/Graphics_Display.h"
#include "Graphics/Graphics_Window.h"
#include "Option/Option_Main.h"

namespace {

// The bar rectangle (no loading image is drawn, so it keeps its place at the top left).
constexpr float kBarX = 24, kBarY = 50, kBarWidth = 50, kBarHeight = 16;
constexpr uint32_t kBarBack = 0xFF404040u;
constexpr uint32_t kBarFront = 0xFFFFFFFFu;

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
  Display_BeginFrame();  // nothing when one is open
  if (g_Options.showProgressBar) {
    const float p = float(percent < 0 ? 0 : percent > 100 ? 100 : percent);
    Rectangle(kBarX, kBarY, kBarX + kBarWidth, kBarY + kBarHeight, kBarBack);
    Rectangle(kBarX, kBarY, kBarX + kBarWidth * p / 100, kBarY + kBarHeight, kBarFront);
  }
  NextFrame();
}
