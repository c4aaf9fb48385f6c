// An OpenGL 3.3 core context with no display and no surface (EGL surfaceless): the device renders
// into framebuffer objects only.
#pragma once
#include <string>

// Makes the context current. False with `error` set when none can be made.
bool Headless_CreateContext(std::string& error);
void Headless_DestroyContext();
