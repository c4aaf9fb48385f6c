// The mouse stage: events for the instances under the mouse and for all, in their order, with the
// point test replaced by one the test controls (the precise test belongs to collisions).
#include <cmath>

#include "Graphics/Graphics_Display.h"
#include "Graphics/Graphics_Window.h"
#include "IO/IO_Main.h"
#include "IO/IO_Mouse.h"
#include "IO/IO_Step.h"
#include "Run/WorldTestSupport.h"

namespace {

// Under the mouse: within 5 pixels of the instance's x, on any row.
bool Near(CInstance* i, double x, double) { return std::fabs(i->x - x) < 5; }

class MouseStage : public WorldTest {
 protected:
  void SetUp() override {
    WorldTest::SetUp();
    IO_Reset();
    IO_ResetRoomMouse();
    IO_SetScreenCursorSource(nullptr);
    IO_SetUnderPointTest(Near);
    g_Display.gameWidth = 640;  // the frame fills the (absent) window's 640x480 client area
    g_Display.gameHeight = 480;
    g_Display.flags = 0;
    SetGlobal("log", RValue(""));
  }
  void TearDown() override {
    IO_SetUnderPointTest(nullptr);
    WorldTest::TearDown();
  }
  // Each mouse event appends "<name><tag>" of the instance that ran it (its tag is its x).
  void Log(int sub, const char* name) {
    On(0, EV_MOUSE, sub, (std::string("global.log += \"") + name + "\" + string(tag) + \" \";").c_str());
  }
  static void Step(int x) {
    IO_MouseMove(x, 0);
    IO_ClearEdges();
    IO_Publish();
    SetGlobal("log", RValue(""));
    IO_MouseEvents();
  }
};

TEST_F(MouseStage, UnderTheMouseAndGlobalEventsInOrder) {
  AddObject(0, "thing");
  Log(0, "L");     // ev_left_button
  Log(3, "N");     // ev_no_button
  Log(4, "P");     // ev_left_press
  Log(7, "R");     // ev_left_release
  Log(10, "E");    // ev_mouse_enter
  Log(11, "X");    // ev_mouse_leave
  Log(12, "gP");   // ev_global_press
  Log(13, "gR");   // ev_global_release
  Log(50, "gL");   // ev_global_left_button
  Log(53, "gLP");  // ev_global_left_press
  Log(56, "gLR");  // ev_global_left_release
  Log(60, "W");    // ev_mouse_wheel_up
  Event_BuildLists();
  SetVar(World_CreateInstance(100, 0, 0), "tag", 100);
  SetVar(World_CreateInstance(200, 0, 0), "tag", 200);

  Step(0);
  EXPECT_EQ(GlobalText("log"), "");
  EXPECT_EQ(IO_MouseX(), 0);
  Step(101);  // onto the first: it enters and has no button
  EXPECT_EQ(GlobalText("log"), "N100 E100 ");
  IO_MouseDown(0, 1);
  IO_Wheel(0, 1);
  Step(102);
  EXPECT_EQ(GlobalText("log"), "L100 gL100 gL200 P100 gP100 gP200 gLP100 gLP200 W100 W200 ");
  IO_MouseUp(0, 1);
  Step(198);  // released over the second: it enters, the first leaves
  EXPECT_EQ(GlobalText("log"), "N200 R200 gR100 gR200 gLR100 gLR200 E200 X100 ");
  EXPECT_EQ(IO_PreviousMouseX(), 102);
  EXPECT_EQ(IO_MouseX(), 198);
}

TEST_F(MouseStage, NothingWhileTheWindowIsHidden) {
  AddObject(0, "thing");
  Log(10, "E");
  Event_BuildLists();
  SetVar(World_CreateInstance(100, 0, 0), "tag", 100);
  Window_SetVisible(false);
  Step(100);
  Window_SetVisible(true);
  EXPECT_EQ(GlobalText("log"), "");
  EXPECT_EQ(IO_MouseX(), 0);  // the position is not taken either
}

}  // namespace
