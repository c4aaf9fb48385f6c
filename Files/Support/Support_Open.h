// Hands a web address or document to the desktop's opener (xdg-open) without waiting for it.
#pragma once
#include <string>

// True when the opener was started; else `why` says plainly what is missing (no desktop session,
// no opener installed, or it could not be started).
bool Support_OpenWithDesktop(const std::string& target, std::string& why);
