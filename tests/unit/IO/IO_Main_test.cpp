// The keyboard and mouse state: events into the incoming copy, publishing per step, the checks,
// the key map and the typed string.
#include <gtest/gtest.h>

#include <string>

#include "IO/IO_Main.h"

namespace {

class InputState : public testing::Test {
 protected:
  void SetUp() override {
    IO_Reset();
    IO_SetScreenCursorSource(nullptr);
  }
  // The start of a step: edges cleared, the incoming copy published.
  static void Step() {
    IO_ClearEdges();
    IO_Publish();
  }
  static std::string Flags(int key) {
    const char flags[4] = {IO_CheckKey(KeyFlag::Down, key) ? '1' : '0', IO_CheckKey(KeyFlag::Pressed, key) ? '1' : '0',
                           IO_CheckKey(KeyFlag::Released, key) ? '1' : '0', '\0'};
    return flags;
  }
};

TEST_F(InputState, KeyEdgesAcrossSteps) {
  IO_KeyDown(37);
  Step();
  EXPECT_EQ(Flags(37), "110");
  EXPECT_EQ(IO_Current().lastKey, 37);
  EXPECT_EQ(IO_Current().key, 37);
  // Auto-repeat while held does not press again.
  IO_KeyDown(37);
  IO_KeyDown(37);
  Step();
  EXPECT_EQ(Flags(37), "100");
  Step();
  EXPECT_EQ(Flags(37), "100");
  IO_KeyUp(37);
  Step();
  EXPECT_EQ(Flags(37), "001");
  EXPECT_EQ(IO_Current().key, 0);
  EXPECT_EQ(IO_Current().lastKey, 37);
  Step();
  EXPECT_EQ(Flags(37), "000");
}

TEST_F(InputState, PressAndReleaseBetweenTwoStepsShowBothEdgesAndNotDown) {
  IO_KeyDown(65);
  IO_KeyUp(65);
  Step();
  EXPECT_EQ(Flags(65), "011");
  Step();
  EXPECT_EQ(Flags(65), "000");
}

TEST_F(InputState, KeyboardKeyFollowsTheLastKeyDownAndClearsOnlyWhenThatKeyComesUp) {
  IO_KeyDown(65);
  IO_KeyDown(66);
  IO_KeyUp(65);
  Step();
  EXPECT_EQ(IO_Current().key, 66);
  IO_KeyUp(66);
  Step();
  EXPECT_EQ(IO_Current().key, 0);
  EXPECT_EQ(IO_Current().lastKey, 66);
}

TEST_F(InputState, NoKeyAndAnyKeyAndOutOfRangeCodes) {
  Step();
  EXPECT_TRUE(IO_CheckKey(KeyFlag::Down, 0));  // vk_nokey with nothing down
  EXPECT_FALSE(IO_CheckKey(KeyFlag::Down, 1));
  IO_KeyDown(255);
  IO_KeyDown(256);  // ignored
  IO_KeyDown(-3);   // ignored
  Step();
  EXPECT_FALSE(IO_CheckKey(KeyFlag::Down, 0));
  EXPECT_TRUE(IO_CheckKey(KeyFlag::Down, 1));
  EXPECT_TRUE(IO_CheckKey(KeyFlag::Pressed, 1));
  EXPECT_TRUE(IO_CheckKey(KeyFlag::Released, 0));
  EXPECT_TRUE(IO_CheckKey(KeyFlag::Down, 255));
  EXPECT_FALSE(IO_CheckKey(KeyFlag::Down, 256));
  EXPECT_FALSE(IO_CheckKey(KeyFlag::Down, -1));
  EXPECT_EQ(IO_Current().lastKey, 255);
}

TEST_F(InputState, TheKeyMapTranslatesIncomingKeys) {
  IO_SetMap('A', 37);  // keyboard_set_map(ord("A"), vk_left)
  EXPECT_EQ(IO_GetMap('A'), 37);
  EXPECT_EQ(IO_GetMap('B'), 'B');
  EXPECT_EQ(IO_GetMap(300), 0);
  IO_KeyDown('A');
  Step();
  EXPECT_TRUE(IO_CheckKey(KeyFlag::Down, 37));
  EXPECT_FALSE(IO_CheckKey(KeyFlag::Down, 'A'));
  EXPECT_EQ(IO_Current().lastKey, 37);
  IO_KeyUp('A');
  Step();
  EXPECT_TRUE(IO_CheckKey(KeyFlag::Released, 37));
  IO_SetMap(300, 1);  // ignored
  IO_UnsetMap();
  EXPECT_EQ(IO_GetMap('A'), 'A');
}

TEST_F(InputState, TypedStringEditing) {
  IO_Char(8);  // backspace on an empty string
  Step();
  EXPECT_EQ(IO_TypedString(), "");
  EXPECT_EQ(IO_Current().lastChar, 8);
  IO_Text("h\xC3\xA9!");
  IO_Char(13);  // a control character: the last character only
  Step();
  EXPECT_EQ(IO_TypedString(), "h\xC3\xA9!");
  EXPECT_EQ(IO_LastCharText(), "\r");
  IO_Char(8);
  IO_Char(8);
  Step();
  EXPECT_EQ(IO_TypedString(), "h");
  // A character beyond the BMP is two code units; backspace removes one unit at a time.
  IO_Text("\xF0\x9F\x98\x80");
  Step();
  EXPECT_EQ(IO_Current().typed.size(), 3u);
  EXPECT_EQ(IO_TypedString(), "h\xF0\x9F\x98\x80");
}

TEST_F(InputState, TypedStringLimits) {
  for (int i = 0; i < kTypedKeep; ++i) IO_Char('a');
  Step();
  EXPECT_EQ(IO_Current().typed.size(), 1023u);
  // At 1023 units the string is cut to its last unit before the new one is handled.
  IO_Char('b');
  Step();
  EXPECT_EQ(IO_TypedString(), "ab");
  for (int i = 0; i < kTypedKeep - 2; ++i) IO_Char('c');
  IO_Char(8);
  Step();
  EXPECT_EQ(IO_TypedString(), "");
  // Assignment keeps 1024 units and sets both copies.
  IO_SetTypedString(std::string(2000, 'x').c_str());
  EXPECT_EQ(IO_Current().typed.size(), 1024u);
  EXPECT_EQ(IO_Incoming().typed.size(), 1024u);
  Step();
  EXPECT_EQ(IO_Current().typed.size(), 1024u);
  IO_SetLastChar("\xE2\x82\xAC" "uro");
  EXPECT_EQ(IO_Current().lastChar, 0x20AC);
  IO_SetLastChar("");
  EXPECT_EQ(IO_Current().lastChar, 0x20AC);
}

TEST_F(InputState, Utf8AndUtf16) {
  EXPECT_EQ(IO_Utf8ToUtf16("a\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80"), std::u16string(u"a\u00E9\u20AC\U0001F600"));
  // Bad bytes, a truncated sequence, an overlong form and an encoded surrogate become U+FFFD.
  EXPECT_EQ(IO_Utf8ToUtf16("\xFF" "a\xE2\x82"), std::u16string(u"\uFFFDa\uFFFD"));
  EXPECT_EQ(IO_Utf8ToUtf16("\xC0\xAF"), std::u16string(u"\uFFFD"));
  EXPECT_EQ(IO_Utf8ToUtf16("\xED\xA0\x80"), std::u16string(u"\uFFFD"));
  EXPECT_EQ(IO_Utf16ToUtf8(std::u16string(1, char16_t(0xD800))), "\xEF\xBF\xBD");
}

TEST_F(InputState, MouseButtonsAndWheel) {
  IO_MouseDown(0, 1);
  IO_Wheel(0, 3);
  IO_MouseMove(40, 50);
  Step();
  const IOState& s = IO_Current();
  EXPECT_EQ(s.mouseButton[0], 1);
  EXPECT_EQ(s.mouseLastButton[0], 1);
  EXPECT_TRUE(IO_CheckButton(KeyFlag::Down, 1));
  EXPECT_TRUE(IO_CheckButton(KeyFlag::Pressed, -1));
  EXPECT_FALSE(IO_CheckButton(KeyFlag::Down, 0));
  EXPECT_TRUE(IO_CheckButton(KeyFlag::Released, 0));
  EXPECT_FALSE(IO_CheckButton(KeyFlag::Down, 4));
  EXPECT_EQ(s.wheelUp[0], 1);
  EXPECT_EQ(s.wheelDown[0], 0);
  EXPECT_EQ(s.clientX, 40);
  EXPECT_EQ(s.clientY, 50);
  IO_MouseDown(0, 2);
  IO_MouseUp(0, 2);
  IO_MouseDown(7, 1);  // no such device: ignored
  Step();
  EXPECT_EQ(s.mouseButton[0], 0);
  EXPECT_EQ(s.mouseLastButton[0], 2);
  EXPECT_TRUE(IO_CheckButton(KeyFlag::Pressed, 2));
  EXPECT_TRUE(IO_CheckButton(KeyFlag::Released, 2));
  EXPECT_FALSE(IO_CheckButton(KeyFlag::Down, 2));
  EXPECT_TRUE(IO_CheckButton(KeyFlag::Down, 1));
  EXPECT_EQ(s.wheelUp[0], 0);
}

TEST_F(InputState, ClearingKeysButtonsAndEverything) {
  IO_KeyDown(40);
  IO_MouseDown(0, 3);
  IO_Text("ab");
  IO_MouseMove(7, 8);
  Step();
  IO_ClearKey(40);
  EXPECT_EQ(Flags(40), "000");
  Step();
  EXPECT_EQ(Flags(40), "000");  // the incoming copy was cleared too
  IO_ClearButton(3);
  EXPECT_FALSE(IO_CheckButton(KeyFlag::Down, 3));
  IO_KeyDown(41);
  Step();
  IO_ClearState();
  EXPECT_EQ(IO_TypedString(), "");
  EXPECT_EQ(IO_Current().lastKey, 0);
  EXPECT_EQ(Flags(41), "000");
  EXPECT_EQ(IO_Current().clientX, 7);  // the cursor stays where it is
  Step();
  EXPECT_EQ(Flags(41), "000");
}

TEST_F(InputState, TheScreenCursorIsReadWhenAStepPublishes) {
  IO_SetScreenCursorSource([](int32_t& x, int32_t& y) {
    x = 1234;
    y = 567;
  });
  Step();
  EXPECT_EQ(IO_Current().screenX, 1234);
  EXPECT_EQ(IO_Current().screenY, 567);
  IO_SetScreenCursorSource(nullptr);
}

}  // namespace
