// The drawing settings that every draw function reads: the current colour and alpha, the drawing
// depth, the area being drawn (for culling) and the mode flags. The display module owns them (it sets
// the area per view and the culling flag); the draw-setting functions change colour and alpha.
#pragma once
#include <cstdint>

#include "Graphics/Graphics_DrawHooks.h"

struct DrawState {
  int32_t colour = 0;      // draw_set_color; black at start
  double alpha = 1;        // draw_set_alpha
  float depth = 0;         // z of every 2-D vertex; 0 while 3-D mode is off
  DrawArea view;           // the current view rectangle (room coordinates), for culling
  bool cullingOff = false; // set while a surface is the target or a custom projection is in force
  bool mode3d = false;     // 3-D mode
  bool perspective = false;  // views of 3-D mode look through a perspective camera
};

extern DrawState g_DrawState;
