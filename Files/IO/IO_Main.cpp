#include "IO/IO_Main.h"

#include <cstring>

namespace {

IOState g_incoming;
IOState g_current;
uint8_t g_map[kKeyCount];
IOScreenCursor g_screenCursor = nullptr;

bool ValidKey(int32_t key) { return key >= 0 && key < kKeyCount; }
bool ValidButton(int32_t device, int32_t button) {
  return device >= 0 && device < kMouseDevices && button >= 1 && button <= kMouseButtons;
}
int ButtonIndex(int32_t device, int32_t button) { return device * kMouseButtons + button - 1; }

void ClearEdgesOf(IOState& s) {
  std::memset(s.keyPressed, 0, sizeof s.keyPressed);
  std::memset(s.keyReleased, 0, sizeof s.keyReleased);
  std::memset(s.buttonPressed, 0, sizeof s.buttonPressed);
  std::memset(s.buttonReleased, 0, sizeof s.buttonReleased);
  std::memset(s.wheelUp, 0, sizeof s.wheelUp);
  std::memset(s.wheelDown, 0, sizeof s.wheelDown);
}

void ClearKeysAndButtons(IOState& s) {
  const int32_t sx = s.screenX, sy = s.screenY, cx = s.clientX, cy = s.clientY;
  s = IOState{};
  s.screenX = sx;
  s.screenY = sy;
  s.clientX = cx;
  s.clientY = cy;
}

const uint8_t* Flags(const IOState& s, KeyFlag which, bool keys) {
  switch (which) {
    case KeyFlag::Down: return keys ? s.keyDown : s.buttonDown;
    case KeyFlag::Pressed: return keys ? s.keyPressed : s.buttonPressed;
    case KeyFlag::Released: return keys ? s.keyReleased : s.buttonReleased;
  }
  return s.keyDown;
}

void AppendUtf8(std::string& out, uint32_t c) {
  if (c < 0x80) {
    out += char(c);
  } else if (c < 0x800) {
    out += char(0xC0 | (c >> 6));
    out += char(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    out += char(0xE0 | (c >> 12));
    out += char(0x80 | ((c >> 6) & 0x3F));
    out += char(0x80 | (c & 0x3F));
  } else {
    out += char(0xF0 | (c >> 18));
    out += char(0x80 | ((c >> 12) & 0x3F));
    out += char(0x80 | ((c >> 6) & 0x3F));
    out += char(0x80 | (c & 0x3F));
  }
}

}  // namespace

IOState& IO_Incoming() { return g_incoming; }
IOState& IO_Current() { return g_current; }

void IO_ClearState() {
  ClearKeysAndButtons(g_incoming);
  ClearKeysAndButtons(g_current);
}

void IO_Reset() {
  g_incoming = IOState{};
  g_current = IOState{};
  IO_UnsetMap();
}

// ---- Window events ------------------------------------------------------------------------------------

void IO_KeyDown(int32_t key) {
  if (!ValidKey(key)) return;
  key = g_map[key];
  g_incoming.lastKey = key;
  g_incoming.key = key;
  if (!g_incoming.keyDown[key]) g_incoming.keyPressed[key] = 1;
  g_incoming.keyDown[key] = 1;
}

// The pressed flag of the same step stays, so that a key pressed and released between two steps
// shows both edges in the next one.
void IO_KeyUp(int32_t key) {
  if (!ValidKey(key)) return;
  key = g_map[key];
  if (key == g_incoming.key) g_incoming.key = 0;
  g_incoming.keyDown[key] = 0;
  g_incoming.keyReleased[key] = 1;
}

void IO_KeyFlag(int32_t key, bool down) {
  if (!ValidKey(key)) return;
  key = g_map[key];
  if (down) {
    if (!g_incoming.keyDown[key]) g_incoming.keyPressed[key] = 1;
    g_incoming.keyDown[key] = 1;
  } else {
    g_incoming.keyDown[key] = 0;
    g_incoming.keyReleased[key] = 1;
  }
}

void IO_Char(uint16_t unit) {
  g_incoming.lastChar = unit;
  std::u16string& s = g_incoming.typed;
  if (s.size() >= size_t(kTypedKeep)) s.erase(0, s.size() - 1);
  if (unit == 8) {
    if (!s.empty()) s.pop_back();
  } else if (unit >= 32) {
    s.push_back(char16_t(unit));
  }
}

void IO_Text(const char* utf8) {
  for (char16_t unit : IO_Utf8ToUtf16(utf8)) IO_Char(uint16_t(unit));
}

namespace {
bool g_doubleTapRight = true;
}
void IO_SetDoubleTapRight(bool on) { g_doubleTapRight = on; }
bool IO_DoubleTapRight() { return g_doubleTapRight; }
int32_t IO_PointerButton(int32_t button, bool touch, int clicks) {
  return touch && g_doubleTapRight && button == 1 && clicks >= 2 ? 2 : button;
}

void IO_MouseDown(int32_t device, int32_t button) {
  if (!ValidButton(device, button)) return;
  const int i = ButtonIndex(device, button);
  g_incoming.mouseButton[device] = button;
  g_incoming.mouseLastButton[device] = button;
  if (!g_incoming.buttonDown[i]) g_incoming.buttonPressed[i] = 1;
  g_incoming.buttonDown[i] = 1;
}

void IO_MouseUp(int32_t device, int32_t button) {
  if (!ValidButton(device, button)) return;
  const int i = ButtonIndex(device, button);
  g_incoming.mouseButton[device] = 0;
  g_incoming.buttonDown[i] = 0;
  g_incoming.buttonReleased[i] = 1;
}

void IO_Wheel(int32_t device, int32_t delta) {
  if (device < 0 || device >= kMouseDevices) return;
  if (delta > 0) g_incoming.wheelUp[device] = 1;
  if (delta < 0) g_incoming.wheelDown[device] = 1;
}

void IO_MouseMove(int32_t x, int32_t y) {
  g_incoming.clientX = x;
  g_incoming.clientY = y;
}

// ---- Steps --------------------------------------------------------------------------------------------

void IO_SetScreenCursorSource(IOScreenCursor source) { g_screenCursor = source; }

void IO_ClearEdges() { ClearEdgesOf(g_current); }
void IO_ClearIncomingEdges() { ClearEdgesOf(g_incoming); }

void IO_Publish() {
  IOState& c = g_current;
  const IOState& in = g_incoming;
  std::memcpy(c.keyDown, in.keyDown, sizeof c.keyDown);
  for (int k = 0; k < kKeyCount; ++k) {
    if (in.keyPressed[k]) c.keyPressed[k] = 1;
    if (in.keyReleased[k]) c.keyReleased[k] = 1;
  }
  c.typed = in.typed;
  c.lastKey = in.lastKey;
  c.key = in.key;
  c.lastChar = in.lastChar;
  std::memcpy(c.mouseButton, in.mouseButton, sizeof c.mouseButton);
  std::memcpy(c.mouseLastButton, in.mouseLastButton, sizeof c.mouseLastButton);
  std::memcpy(c.buttonDown, in.buttonDown, sizeof c.buttonDown);
  for (int b = 0; b < kMouseDevices * kMouseButtons; ++b) {
    if (in.buttonPressed[b]) c.buttonPressed[b] = 1;
    if (in.buttonReleased[b]) c.buttonReleased[b] = 1;
  }
  std::memcpy(c.wheelUp, in.wheelUp, sizeof c.wheelUp);
  std::memcpy(c.wheelDown, in.wheelDown, sizeof c.wheelDown);
  c.clientX = in.clientX;
  c.clientY = in.clientY;
  if (g_screenCursor != nullptr) {
    g_screenCursor(c.screenX, c.screenY);
  } else {
    c.screenX = in.screenX;
    c.screenY = in.screenY;
  }
  ClearEdgesOf(g_incoming);
}

// ---- Reading and clearing -------------------------------------------------------------------------------

bool IO_CheckKey(KeyFlag which, int32_t key) {
  const uint8_t* flags = Flags(g_current, which, true);
  if (key == 0 || key == 1) {
    bool any = false;
    for (int k = 0; k < kKeyCount && !any; ++k) any = flags[k] != 0;
    return key == 1 ? any : !any;
  }
  return key >= 2 && key < kKeyCount && flags[key] != 0;
}

bool IO_CheckButton(KeyFlag which, int32_t button) { return IO_CheckDeviceButton(which, 0, button); }

bool IO_CheckDeviceButton(KeyFlag which, int32_t device, int32_t button) {
  if (device < 0 || device >= kMouseDevices) return false;
  const uint8_t* flags = Flags(g_current, which, false) + device * kMouseButtons;
  if (button == 0 || button == -1) {
    const bool any = flags[0] || flags[1] || flags[2];
    return button == -1 ? any : !any;
  }
  return button >= 1 && button <= kMouseButtons && flags[button - 1] != 0;
}

void IO_ClearKey(int32_t key) {
  if (!ValidKey(key)) return;
  for (IOState* s : {&g_incoming, &g_current}) {
    s->keyDown[key] = s->keyPressed[key] = s->keyReleased[key] = 0;
  }
}

void IO_ClearButton(int32_t button) {
  if (!ValidButton(0, button)) return;
  for (IOState* s : {&g_incoming, &g_current}) {
    s->buttonDown[button - 1] = s->buttonPressed[button - 1] = s->buttonReleased[button - 1] = 0;
  }
}

void IO_SetMap(int32_t key1, int32_t key2) {
  if (ValidKey(key1) && ValidKey(key2)) g_map[key1] = uint8_t(key2);
}
int32_t IO_GetMap(int32_t key) { return ValidKey(key) ? g_map[key] : 0; }
void IO_UnsetMap() {
  for (int k = 0; k < kKeyCount; ++k) g_map[k] = uint8_t(k);
}

std::string IO_TypedString() { return IO_Utf16ToUtf8(g_current.typed); }

void IO_SetTypedString(const char* utf8) {
  std::u16string units = IO_Utf8ToUtf16(utf8 != nullptr ? utf8 : "");
  if (units.size() > size_t(kTypedLimit)) units.resize(kTypedLimit);
  g_incoming.typed = units;
  g_current.typed = std::move(units);
}

std::string IO_LastCharText() {
  if (g_current.lastChar == 0) return {};
  return IO_Utf16ToUtf8(std::u16string(1, char16_t(g_current.lastChar)));
}

void IO_SetLastChar(const char* utf8) {
  const std::u16string units = IO_Utf8ToUtf16(utf8 != nullptr ? utf8 : "");
  if (units.empty()) return;
  g_incoming.lastChar = g_current.lastChar = uint16_t(units[0]);
}

// ---- Text -------------------------------------------------------------------------------------------------

std::u16string IO_Utf8ToUtf16(const std::string& text) {
  std::u16string out;
  const auto* p = reinterpret_cast<const unsigned char*>(text.data());
  const size_t n = text.size();
  size_t i = 0;
  while (i < n) {
    uint32_t c = p[i];
    int extra = 0;
    uint32_t min = 0;
    if (c < 0x80) {
      extra = 0;
    } else if ((c & 0xE0) == 0xC0) {
      c &= 0x1F, extra = 1, min = 0x80;
    } else if ((c & 0xF0) == 0xE0) {
      c &= 0x0F, extra = 2, min = 0x800;
    } else if ((c & 0xF8) == 0xF0) {
      c &= 0x07, extra = 3, min = 0x10000;
    } else {
      out.push_back(u'\uFFFD');
      ++i;
      continue;
    }
    bool ok = true;
    size_t j = 1;
    for (; ok && j <= size_t(extra); ++j) {
      if (i + j >= n || (p[i + j] & 0xC0) != 0x80) {
        ok = false;
        break;
      }
      c = (c << 6) | (p[i + j] & 0x3F);
    }
    if (!ok || c < min || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) {
      out.push_back(u'\uFFFD');
      i += j;
      continue;
    }
    i += size_t(extra) + 1;
    if (c >= 0x10000) {
      c -= 0x10000;
      out.push_back(char16_t(0xD800 + (c >> 10)));
      out.push_back(char16_t(0xDC00 + (c & 0x3FF)));
    } else {
      out.push_back(char16_t(c));
    }
  }
  return out;
}

std::string IO_Utf16ToUtf8(const std::u16string& units) {
  std::string out;
  for (size_t i = 0; i < units.size(); ++i) {
    uint32_t c = units[i];
    if (c >= 0xD800 && c <= 0xDBFF && i + 1 < units.size() && units[i + 1] >= 0xDC00 && units[i + 1] <= 0xDFFF) {
      c = 0x10000 + ((c - 0xD800) << 10) + (units[i + 1] - 0xDC00);
      ++i;
    } else if (c >= 0xD800 && c <= 0xDFFF) {
      c = 0xFFFD;  // a lone surrogate
    }
    AppendUtf8(out, c);
  }
  return out;
}
