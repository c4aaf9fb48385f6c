// Typefaces of the system: finding one by family name and rendering its glyphs to 8-bit coverage
// bitmaps. A font's size is in points at 96 dots per inch (10 points are 13.33 pixels).
//
// This header and its platform source depend on nothing else of the runner, so the build-time
// generator of the default font compiles them on their own.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

struct FaceMatch {
  std::string file;    // the face's file
  int32_t index = 0;   // the face within the file
  std::string family;  // the family that answered
  std::string style;
  bool exact = false;  // the family is the one asked for (compared without case)
};

// Asks the system's font configuration for a family; it always answers with some face (its best
// match), false only when there is no face at all.
bool Face_Find(const std::string& family, bool bold, bool italic, FaceMatch& out);

struct FaceGlyph {
  uint16_t code = 0;
  int32_t width = 0, height = 0;  // the coverage bitmap's size
  int32_t left = 0;               // from the pen to the bitmap's left edge
  int32_t top = 0;                // from the line's top to the bitmap's top row
  int32_t advance = 0;            // the pen's move after the glyph, whole pixels
  std::vector<uint8_t> coverage;  // width x height bytes, rows top-down
};

struct FaceRender {
  std::string family, style;
  int32_t lineHeight = 0;  // ascender - descender, whole pixels
  int32_t ascender = 0;
  std::vector<FaceGlyph> glyphs;  // ascending codes; codes the face lacks are left out
};

// Renders the codes first..last (at most 65535) of a face file at `size` points, antialiased or in
// two levels (coverage 0 or 255, hinted for monochrome). Bold and italic are synthesised when the
// face is not already so. False with a message when the file is not a face.
struct FaceStyle {
  double size = 10;
  bool bold = false, italic = false;
  bool antialias = true;
};
bool Face_Render(const std::string& file, int32_t index, const FaceStyle& style, int32_t first, int32_t last,
                 FaceRender& out, std::string& error);
