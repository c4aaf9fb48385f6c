#include "Platform/Platform_Clipboard.h"

namespace {

std::string g_text;  // the runner's own clipboard
ClipboardBackend g_backend;

bool Complete(const ClipboardBackend& b) { return b.hasText && b.getText && b.setText; }

}  // namespace

void Platform_SetClipboardBackend(const ClipboardBackend& backend) {
  g_backend = Complete(backend) ? backend : ClipboardBackend{};
}

bool Platform_ClipboardHasText() { return Complete(g_backend) ? g_backend.hasText() : !g_text.empty(); }

std::string Platform_ClipboardText() { return Complete(g_backend) ? g_backend.getText() : g_text; }

void Platform_SetClipboardText(const std::string& text) {
  if (Complete(g_backend)) {
    g_backend.setText(text);
  } else {
    g_text = text;
  }
}
