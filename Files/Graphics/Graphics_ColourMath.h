// Arithmetic on script colours (0x00BBGGRR): merging and the HSV model of the colour functions.
#pragma once
#include <cstdint>

// Each channel the nearest integer of c1 x (1 - t) + c2 x t, limited to 0..255.
int32_t Colour_Merge(int32_t c1, int32_t c2, double t);
// h, s, v from 0 to 255 to a colour (each channel byte trunc(channel x 255)); hue 255 is 360 degrees,
// which counts as 0. Values outside 0..255 are limited to it.
int32_t Colour_FromHSV(double h, double s, double v);
// A colour's hue, saturation and value as bytes 0..255.
struct ColourHSV {
  int32_t hue = 0, saturation = 0, value = 0;
};
ColourHSV Colour_ToHSV(int32_t colour);
