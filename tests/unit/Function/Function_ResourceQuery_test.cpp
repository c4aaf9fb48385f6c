// Resource queries without drawing: scripts by index, font names, and the cache-size settings that
// are kept but never evict anything.
#include "Code/Code_Load.h"
#include "Code/Code_Script.h"
#include "Font/Font_Class.h"
#include "Function_TestCall.h"
#include "Graphics/Graphics_TexturePages.h"
#include "Platform/Platform_Console.h"
#include "Sprite/Sprite_Class.h"

using namespace testcall;

namespace {

struct ResourceQueryScope : LibraryScope {
  void SetUp() {
    LibraryScope::SetUp();
    Script_FreeAll();
    Font_FreeAll();
    Sprite_FreeAll();
  }
  void TearDown() {
    Script_FreeAll();
    Font_FreeAll();
    Sprite_FreeAll();
  }
  static std::string Quiet(double (*f)()) {
    Printed([f] { f(); });
    return LastErrorText();
  }
};

LIBRARY_CASE(ResourceQueryScope, ScriptsByIndex, "script_exists", "script_get_name", "script_name",
             "script_get_text") {
  // Script 0 carries source; script 1 is bytecode whose unit kept a text; script 2 is bytecode only.
  auto* source = new CScript();
  source->SetName("scr_source");
  source->SetSource("return 1;");
  auto* kept = new CScript();
  kept->SetName("scr_kept");
  kept->SetCode(new CCode());
  kept->Code()->SetSource("return argument0;");
  auto* bare = new CScript();
  bare->SetName("scr_bare");
  bare->SetCode(new CCode());
  ASSERT_EQ(Script_Add(source), 0);
  ASSERT_EQ(Script_Add(kept), 1);
  ASSERT_EQ(Script_Add(bare), 2);

  EXPECT_EQ(Real("script_exists", {R(1.5)}), 1);  // 1.5 rounds to 2
  EXPECT_EQ(Real("script_exists", {R(3)}), 0);
  EXPECT_EQ(Real("script_exists", {R(-1)}), 0);
  EXPECT_EQ(Text("script_get_name", {R(0.5)}), "scr_source");  // 0.5 rounds to 0
  EXPECT_EQ(Text("script_name", {R(2)}), "scr_bare");
  EXPECT_EQ(Text("script_get_name", {R(7)}), "<undefined>");
  EXPECT_EQ(Text("script_get_text", {R(0)}), "return 1;");
  EXPECT_EQ(Text("script_get_text", {R(1)}), "return argument0;");
  EXPECT_EQ(Text("script_get_text", {R(2)}), "");
  EXPECT_EQ(Text("script_get_text", {R(9)}), "");
}

LIBRARY_CASE(ResourceQueryScope, CacheSizesAreKept, "sprite_set_cache_size", "sprite_set_cache_size_ext",
             "font_set_cache_size", "font_name") {
  const int32_t sprite = Sprite_Add(new CSprite(), "spr_a");
  const int32_t font = Font_Add(new CFontTessera(), "fnt_a");
  EXPECT_EQ(Text("font_name", {R(font)}), "fnt_a");
  EXPECT_EQ(Text("font_name", {R(font + 1)}), "<undefined>");
  Call("sprite_set_cache_size", {R(sprite), R(4)});
  EXPECT_EQ(Sprite_Get(sprite)->cacheSize, 4);
  Call("sprite_set_cache_size_ext", {R(sprite), R(-1), R(1)});
  EXPECT_EQ(Sprite_Get(sprite)->cacheSize, -1);
  Call("font_set_cache_size", {R(font), R(2.5)});  // rounds to 2
  EXPECT_EQ(Font_Get(font)->cacheSize, 2);
  EXPECT_NE(Quiet([] { return Call("sprite_set_cache_size", {R(5), R(1)}).real; })
                .find("Trying to set the cache size of a non-existing sprite."),
            std::string::npos);
  EXPECT_NE(Quiet([] { return Call("font_set_cache_size", {R(-1), R(1)}).real; })
                .find("Trying to set the cache size of a non-existing font."),
            std::string::npos);
}

LIBRARY_CASE(ResourceQueryScope, TpeIsTheEntrysFileOffset, "sprite_get_tpe") {
  // Two entries of a file, at offsets 8 and 30; the sprite's frames name them.
  std::vector<uint8_t> file(64, 0);
  for (uint32_t at : {8u, 30u}) file[at + 4] = file[at + 6] = 2;  // 2 x 2 rectangles
  const DataView view(file.data(), file.size());
  auto* paged = new CSprite();
  paged->frameCount = 2;
  paged->entries = {TexturePages_Entry(view, 30, "test"), TexturePages_Entry(view, 8, "test")};
  const int32_t s = Sprite_Add(paged, "spr_paged");
  auto* made = new CSprite();  // frames made at run time have no entry
  made->frameCount = 1;
  const int32_t m = Sprite_Add(made, "spr_made");
  EXPECT_EQ(Real("sprite_get_tpe", {R(s), R(0)}), 30);
  EXPECT_EQ(Real("sprite_get_tpe", {R(s), R(3)}), 8);  // frame 3 of 2 is frame 1
  EXPECT_EQ(Real("sprite_get_tpe", {R(m), R(0)}), -1);
  EXPECT_NE(Quiet([] { return Real("sprite_get_tpe", {R(9), R(0)}); })
                .find("Trying to get the texture-page entry of a non-existing sprite."),
            std::string::npos);
  Sprite_FreeAll();
  TexturePages_Reset();
}

}  // namespace
