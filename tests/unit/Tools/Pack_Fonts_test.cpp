// Fonts through the builder: a face file and a family rendered, packed uncropped, then loaded by the
// runner's loader; bad font entries are refused by name.
#include "PackTestSupport.h"

#include <fstream>
#include <iterator>

#include "DataFile/DataFile_Load.h"
#include "Font/Font_Class.h"
#include "Graphics/Graphics_PageEntry.h"
#include "Graphics/LoadTestSupport.h"

namespace {

const char* const kFace = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf";

class PackFontsTest : public Pack {
 protected:
  void Manifest(const std::string& fonts) {
    File("game.json", R"({"name": "fonts", "fonts": [)" + fonts + R"(], "rooms": [{"name": "rm"}]})");
  }
  std::vector<uint8_t> Output() {
    std::ifstream in(dir / "out.win", std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
  }
  void ExpectRefused(const std::string& fonts, const std::string& part) {
    Manifest(fonts);
    Result b = Build();
    EXPECT_EQ(b.exitCode, 1) << b.out;
    EXPECT_NE(b.out.find(part), std::string::npos) << b.out;
    EXPECT_FALSE(fs::exists(dir / "out.win"));
  }
};

}  // namespace

TEST_F(PackFontsTest, RenderedFontsLoadWithTheirGlyphsOnUncroppedRegions) {
  Manifest(std::string(R"({"name": "fnt_digits", "file": ")") + kFace +
           R"(", "size": 9, "ranges": [[48, 57], [32, 32], [65, 66]]},
              {"name": "fnt_mono", "family": "DejaVu Sans Mono", "size": 12, "italic": true})");
  Result b = Build();
  ASSERT_EQ(b.exitCode, 0) << b.out;
  ASSERT_EQ(LoadWithRunner(Output()), "");
  ASSERT_EQ(Font_Count(), 2);
  const CFontTessera* digits = Font_Get(0);
  EXPECT_STREQ(Font_Name(0), "fnt_digits");
  EXPECT_EQ(digits->typeface, "DejaVu Sans");  // a file's font is named by its family
  EXPECT_EQ(digits->size, 9);
  EXPECT_EQ(digits->first, 32);
  EXPECT_EQ(digits->last, 66);
  ASSERT_EQ(digits->glyphs.size(), 13u);  // ten digits, the space, 'A' and 'B'
  EXPECT_NE(digits->Find(' '), nullptr);
  EXPECT_EQ(digits->Find('C'), nullptr);
  // The region is placed whole: its page rectangle is the packed map's size.
  ASSERT_NE(digits->entry, nullptr);
  EXPECT_EQ(digits->entry->targetX, 0);
  EXPECT_EQ(digits->entry->sourceWidth, digits->entry->frameWidth);
  for (const FontGlyph& g : digits->glyphs) {
    EXPECT_LE(g.x + g.width, digits->regionWidth);
    EXPECT_EQ(g.height, digits->tallest);  // every glyph one line high
  }
  const CFontTessera* mono = Font_Get(1);
  EXPECT_EQ(mono->typeface, "DejaVu Sans Mono");
  EXPECT_TRUE(mono->italic);
  EXPECT_EQ(mono->first, 32);
  EXPECT_EQ(mono->last, 127);
  EXPECT_EQ(mono->glyphs.size(), 95u);  // 32..126: the face has no glyph for 127
  // Fixed-width: 1233/2048 em at 16 pixels, hinted to 10.
  EXPECT_EQ(mono->Find('i')->shift, 10);
  EXPECT_EQ(mono->Find('M')->shift, 10);
  DataFile_ResetLoadedState();
}

TEST_F(PackFontsTest, BadEntriesAreRefusedByName) {
  ExpectRefused(R"({"name": "fnt_a"})", "font fnt_a: give either \"file\" (a TrueType or OpenType file) or \"family\"");
  ExpectRefused(R"({"name": "fnt_a", "file": "a.ttf", "family": "DejaVu Sans"})", "give either");
  ExpectRefused(R"({"name": "fnt_a", "family": "DejaVu Sans", "size": 0})", "font fnt_a: \"size\" is 1 to 500 points");
  ExpectRefused(R"({"name": "fnt_a", "family": "DejaVu Sans", "first": 40, "ranges": [[32, 40]]})",
                "give either \"ranges\" or \"first\" and \"last\"");
  ExpectRefused(R"({"name": "fnt_a", "family": "DejaVu Sans", "ranges": [32, 40]})", "[first, last] pairs");
  ExpectRefused(R"({"name": "fnt_a", "family": "DejaVu Sans", "last": 70000})", "is not within 0 to 65535");
  ExpectRefused(R"({"name": "fnt_a", "family": "DejaVu Sans", "colour": 3})", "colour");
  ExpectRefused(R"({"name": "fnt_a", "file": "missing.ttf"})", "missing.ttf: there is no such font file");
  File("notafont.ttf", "plain text");
  ExpectRefused(R"({"name": "fnt_a", "file": "notafont.ttf"})",
                "font fnt_a: \"" + (dir / "notafont.ttf").string() + "\" is not a font file");
  ExpectRefused(R"({"name": "fnt_a", "family": "DejaVu Sans", "ranges": [[1, 8]]})",
                "font fnt_a: the typeface has no glyph in the character ranges");
  ExpectRefused(R"({"name": "fnt_a", "family": "DejaVu Sans"}, {"name": "fnt_a", "family": "DejaVu Sans"})",
                "the name \"fnt_a\" is used twice");
}
