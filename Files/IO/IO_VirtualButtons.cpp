#include "IO/IO_VirtualButtons.h"

#include <cstdlib>
#include <string>

#include "Base/Base_IniFile.h"
#include "Code/Code_Constant.h"

namespace {

struct Touch {
  int64_t finger = 0;
  float x = 0, y = 0;
  bool down = false;
  bool used = false;
};

VirtualButton g_buttons[kVirtualButtonCount];
std::string g_keyNames[kVirtualButtonCount];
std::string g_buttonNames[kVirtualButtonCount];
bool g_held[kVirtualButtonCount];
Touch g_touches[kTouchPointCount];

float Number(const IniFile& ini, const std::string& section, const char* key) {
  const std::string* v = ini.Find(section, key);
  return v == nullptr ? 0.0f : float(std::atof(v->c_str()));
}

bool StartsWith(const std::string& s, const char* prefix) { return s.rfind(prefix, 0) == 0; }

int32_t ConstantCode(const std::string& name) {
  RValue v;
  return FindConstantNoCase(name.c_str(), &v) && v.IsReal() ? int32_t(v.real) : 0;
}


}  // namespace

void VirtualButtons_Reset() {
  for (int i = 0; i < kVirtualButtonCount; ++i) {
    g_buttons[i] = VirtualButton{};
    g_keyNames[i].clear();
    g_buttonNames[i].clear();
    g_held[i] = false;
  }
  for (Touch& t : g_touches) t = Touch{};
}

void VirtualButtons_Load(const IniFile& ini) {
  VirtualButtons_Reset();
  const std::string* count = ini.Find("IO_VIRTUAL_BUTTONS", "NUM_BUTTONS");
  if (count == nullptr) return;
  const int n = std::atoi(count->c_str());
  for (int i = 0; i < n && i < kVirtualButtonCount; ++i) {
    const std::string section = "IO_BUTTON_" + std::to_string(i);
    if (!ini.SectionExists(section)) continue;
    VirtualButton& b = g_buttons[i];
    b.active = true;
    b.x = Number(ini, section, "X");
    b.y = Number(ini, section, "Y");
    b.w = Number(ini, section, "W");
    b.h = Number(ini, section, "H");
    b.right = b.x + b.w;
    b.bottom = b.y + b.h;
    b.u = Number(ini, section, "U");
    b.v = Number(ini, section, "V");
    if (const std::string* k = ini.Find(section, "KEY")) g_keyNames[i] = *k;
    if (const std::string* m = ini.Find(section, "BUTTON")) g_buttonNames[i] = *m;
  }
}

void VirtualButtons_Resolve() {
  for (int i = 0; i < kVirtualButtonCount; ++i) {
    VirtualButton& b = g_buttons[i];
    if (!b.active || b.byMouse) continue;  // keys game code added hold their key code already
    const std::string& k = g_keyNames[i];
    if (StartsWith(k, "VK_")) {
      b.key = ConstantCode(k);
    } else if (k.empty() || StartsWith(k, "MB_") || k[0] == ' ') {
      b.key = 0;
    } else {
      b.key = static_cast<unsigned char>(k[0]);
    }
    const std::string& m = g_buttonNames[i];
    b.button = StartsWith(m, "MB_") ? ConstantCode(m) : 0;
  }
}

const VirtualButton* VirtualButtons_Get(int index) {
  return index >= 0 && index < kVirtualButtonCount ? &g_buttons[index] : nullptr;
}

int VirtualButtons_Add(float x, float y, float w, float h, int32_t key) {
  for (int i = 0; i < kVirtualButtonCount; ++i) {
    if (g_buttons[i].active) continue;
    g_keyNames[i].clear();
    g_buttonNames[i].clear();
    g_held[i] = false;
    VirtualButton& b = g_buttons[i];
    b = VirtualButton{};
    b.active = b.byMouse = true;
    b.x = x, b.y = y, b.w = w, b.h = h;
    b.right = x + w;
    b.bottom = y + h;
    b.key = key;
    return i;
  }
  return -1;
}

bool VirtualButtons_Delete(int index) {
  if (index < 0 || index >= kVirtualButtonCount || !g_buttons[index].active) return false;
  g_buttons[index] = VirtualButton{};
  g_held[index] = false;
  return true;
}

bool VirtualButtons_SetShown(int index, bool shown) {
  if (index < 0 || index >= kVirtualButtonCount || !g_buttons[index].active) return false;
  g_buttons[index].shown = shown;
  return true;
}

void VirtualButtons_Touch(int64_t finger, float x, float y, bool down) {
  Touch* free = nullptr;
  for (Touch& t : g_touches) {
    if (t.used && t.finger == finger) {
      t.x = x, t.y = y, t.down = down;
      t.used = down;
      return;
    }
    if (!t.used && free == nullptr) free = &t;
  }
  if (down && free != nullptr) *free = Touch{finger, x, y, true, true};
}

void VirtualButtons_Step(IOState& s, int32_t windowWidth, int32_t windowHeight, int32_t gameWidth,
                         int32_t gameHeight) {
  if (windowWidth <= 0 || windowHeight <= 0) return;
  bool now[kVirtualButtonCount] = {};
  auto hold = [&](float x, float y, bool mouse) {
    const float px = x * gameWidth / windowWidth, py = y * gameHeight / windowHeight;
    for (int i = 0; i < kVirtualButtonCount; ++i) {
      const VirtualButton& b = g_buttons[i];
      if (b.active && (!mouse || b.byMouse) && b.x <= px && px < b.right && b.y <= py && py < b.bottom) now[i] = true;
    }
  };
  for (const Touch& t : g_touches) {
    if (t.used && t.down) hold(t.x, t.y, false);
  }
  // The mouse's left button before the buttons' own flags are added below.
  if (s.buttonDown[0]) hold(float(s.clientX), float(s.clientY), true);
  for (int i = 0; i < kVirtualButtonCount; ++i) {
    const VirtualButton& b = g_buttons[i];
    uint8_t* keys = nullptr;
    uint8_t* buttons = nullptr;
    if (now[i] && !g_held[i]) {
      keys = s.keyPressed, buttons = s.buttonPressed;
    } else if (!now[i] && g_held[i]) {
      keys = s.keyReleased, buttons = s.buttonReleased;
    } else if (now[i]) {
      keys = s.keyDown, buttons = s.buttonDown;
    }
    g_held[i] = now[i];
    if (keys == nullptr) continue;
    if (b.key > 0 && b.key < kKeyCount) keys[b.key] = 1;
    if (b.button >= 1 && b.button <= kMouseButtons) buttons[b.button - 1] = 1;
  }
}
