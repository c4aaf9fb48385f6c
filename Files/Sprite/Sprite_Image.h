// The pixel work of making sprites and backgrounds from image files: cutting strips, removing the
// background colour, softening edges, collision masks and bounding boxes.
#pragma once
#include <cstdint>
#include <vector>

#include "Graphics/Graphics_Image.h"

// Cuts `image` into `count` frames side by side (count < 1 counts as 1): each frame is
// image width / count pixels wide (integer division); columns left over on the right are dropped.
std::vector<CBitmap32> Image_CutStrip(const CBitmap32& image, int32_t count);

// Every pixel made fully opaque.
void Image_MakeOpaque(CBitmap32& image);

// The bottom-left pixel's colour is the key: every pixel of that RGB gets alpha 0. Then every fully
// transparent pixel takes the RGB of its first neighbour that is not fully transparent (left, right,
// above, below), so that filtering shows no dark fringes.
void Image_RemoveBackground(CBitmap32& image);

// For every fully transparent pixel (as the image is before this call), each pixel of its 3 x 3
// neighbourhood whose alpha is above 0x1F loses 32 of alpha; the reductions add up.
void Image_SmoothEdges(CBitmap32& image);

// One byte a pixel: 1 where alpha is above `tolerance`, else 0.
std::vector<uint8_t> Image_Mask(const CBitmap32& image, int32_t tolerance = 0);

// Multiplies each pixel's alpha by the intensity ((r + g + b) / 3) of the pixel at the same place in
// `source`, which is stretched (nearest pixel) to this image's size when the sizes differ.
void Image_AlphaFromIntensity(CBitmap32& image, const CBitmap32& source);

// A copy stretched to w x h, nearest pixel.
CBitmap32 Image_Stretched(const CBitmap32& image, int32_t w, int32_t h);

// The smallest box (inclusive edges) around the solid pixels of masks of w x h bytes; false when no
// pixel is solid.
struct PixelBox {
  int32_t left = 0, top = 0, right = -1, bottom = -1;
};
bool Image_SolidBox(const std::vector<const std::vector<uint8_t>*>& masks, int32_t w, int32_t h, PixelBox& box);

// A w x h image of one script colour (0x00BBGGRR), opaque.
CBitmap32 Image_Filled(int32_t w, int32_t h, int32_t colour);
// A w x h gradient from colour c1 to c2, opaque. Kinds: 0 left to right, 1 top to bottom; 2 (box)
// and 3 (ellipse) c1 at the border to c2 at the centre; 4 and 5 c1 at both sides to c2 in the middle,
// across (4) or down (5). Other kinds draw as 0.
CBitmap32 Image_Gradient(int32_t w, int32_t h, int32_t c1, int32_t c2, int32_t kind);
