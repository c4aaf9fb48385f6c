// The clipboard for plain text. The window layer installs the desktop's clipboard as the backend
// once a window exists; until then (and in headless runs) the runner keeps its own, so that what
// game code puts there it can read back.
#pragma once
#include <string>

struct ClipboardBackend {
  bool (*hasText)() = nullptr;
  std::string (*getText)() = nullptr;
  void (*setText)(const std::string& text) = nullptr;
};

// Replaces the backend; a backend with any entry missing restores the runner's own clipboard.
void Platform_SetClipboardBackend(const ClipboardBackend& backend);

bool Platform_ClipboardHasText();
std::string Platform_ClipboardText();
void Platform_SetClipboardText(const std::string& text);
