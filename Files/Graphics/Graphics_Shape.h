// The shape builders: untextured points, lines, rectangles, ellipses, triangles, arrows, buttons and
// health bars, written into the VertexBatch in the 24-byte layout with no texture. Colours here are
// vertex colours (ARGB); every vertex has z = the current drawing depth.
#pragma once
#include <cstdint>

// The circle precision: segments of a circle or ellipse, a multiple of 4 from 4 to 64 (24 at start).
void Shape_SetCirclePrecision(int32_t n);
int32_t Shape_CirclePrecision();

void Shape_Point(float x, float y, uint32_t c);
void Shape_Line(float x1, float y1, float x2, float y2, uint32_t c1, uint32_t c2);
// A line w wide: a quad about the line, nothing for a line of length 0.
void Shape_LineWidth(float x1, float y1, float x2, float y2, float w, uint32_t c1, uint32_t c2);
// Corner colours: (x1, y1), (x2, y1), (x2, y2), (x1, y2) after ordering the corners.
void Shape_Rectangle(float x1, float y1, float x2, float y2, const uint32_t colours[4], bool outline);
void Shape_RoundRect(float x1, float y1, float x2, float y2, float cornerWidth, float cornerHeight, uint32_t centre,
                     uint32_t rim, bool outline);
void Shape_Triangle(const float xy[6], const uint32_t colours[3], bool outline);
// The ellipse inside the box; the centre takes `centre`, the rim `rim`.
void Shape_Ellipse(float x1, float y1, float x2, float y2, uint32_t centre, uint32_t rim, bool outline);
void Shape_Arrow(float x1, float y1, float x2, float y2, float size, uint32_t c);
// `colour` is the script colour of the face; `alpha` the drawing alpha.
void Shape_Button(float x1, float y1, float x2, float y2, bool up, int32_t colour, double alpha);

struct HealthBar {
  float x1 = 0, y1 = 0, x2 = 0, y2 = 0;
  double amount = 0;
  int32_t backColour = 0, minColour = 0, maxColour = 0;  // script colours
  int32_t direction = 0;
  bool showBack = false, showBorder = false;
};
void Shape_HealthBar(const HealthBar& bar, double alpha);
// The bar's colour for an amount (0..100 after limiting).
int32_t Shape_HealthBarColour(double amount, int32_t minColour, int32_t maxColour);
