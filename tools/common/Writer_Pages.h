// Placing frames on texture pages: a MaxRects packer (best short side fit) over square pages, and
// the opaque box of an image (its transparent borders are cropped before packing).
#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

#include "Graphics/Graphics_Image.h"

// A rectangle to place; `x`, `y` and `page` are filled by Pages_Pack.
struct PackBox {
  int32_t width = 0, height = 0;
  int32_t x = 0, y = 0;
  int32_t page = -1;
};

// Places every box on pages of pageSize x pageSize pixels without overlaps, leaving `gap` empty
// pixels to the right of and below each box where the page has room for them (so that filtering
// does not pull in a neighbour). Returns the number of pages, or -1 with `tooLarge` set to the index
// of a box that does not fit on an empty page.
int32_t Pages_Pack(std::vector<PackBox>& boxes, int32_t pageSize, int32_t gap, size_t& tooLarge);

// The smallest rectangle holding every pixel whose alpha is not 0; width and height 0 when the image
// is fully transparent.
struct OpaqueBox {
  int32_t x = 0, y = 0, width = 0, height = 0;
};
OpaqueBox Pages_OpaqueBox(const CBitmap32& image);
