#include "Function/Function_Modal.h"

#include "Graphics/Graphics_Display.h"
#include "Graphics/Graphics_DrawState.h"
#include "Graphics/Graphics_Window.h"
#include "IO/IO_Main.h"
#include "IO/IO_Record.h"
#include "Platform/Platform_Timer.h"
#include "Run/Run_State.h"

bool Modal_Show(const std::function<void(int32_t width, int32_t height)>& draw,
                const std::function<bool(const ModalInput&)>& done) {
  if (!Window_HasWindow() || Window_IsHeadless() || !Display_Ready() || IO_PlayingBack()) return false;
  const bool wasOpen = g_Display.frameOpen;
  if (wasOpen && Display_CurrentTarget() != Display_ScreenTexture()) return false;
  DisplayCamera camera;
  if (wasOpen) {
    camera = Display_Camera();
    Display_EndFrame(false);
  }
  IO_Incoming().lastKey = 0;
  IO_Incoming().mouseLastButton[0] = 0;
  const double alpha = g_DrawState.alpha;
  g_DrawState.alpha = 1;
  IClock& clock = Timer_Clock();
  const int64_t start = clock.Micros();
  for (;;) {
    Display_BeginFrame();
    draw(g_Display.gameWidth, g_Display.gameHeight);
    Display_EndFrame(true);
    Window_PumpMessages();
    ModalInput input;
    input.elapsedMillis = (clock.Micros() - start) / 1000;
    input.key = IO_Incoming().lastKey != 0;
    input.button = IO_Incoming().mouseLastButton[0] != 0;
    if (done(input) || g_RunState.newRoom == kRequestEndGame) break;
    clock.SleepMillis(50);
  }
  g_DrawState.alpha = alpha;
  IO_ClearState();
  if (wasOpen) {
    Display_BeginFrame();
    Display_RestoreCamera(camera);
  }
  return true;
}
