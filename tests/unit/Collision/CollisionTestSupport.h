// A world with hand-made sprites for the collision, path and planning tests.
#pragma once
#include <string>
#include <vector>

#include "Collision/Collision_Index.h"
#include "Run/WorldTestSupport.h"
#include "Sprite/Sprite_Class.h"
#include "Variable/Variable_BuiltIn.h"

class CollisionWorldTest : public WorldTest {
 public:
  void SetUp() override {
    WorldTest::SetUp();
    Variable_InitBuiltIns();
    Sprite_FreeAll();
    CollisionIndex_Reset();
  }
  void TearDown() override {
    WorldTest::TearDown();
    Variable_FreeBuiltIns();
    Sprite_FreeAll();
    CollisionIndex_Reset();
  }

  // A one-frame sprite w x h with origin (xo, yo) whose box is the whole frame; `rows` (one string a
  // row, '#' solid) gives its mask, else every pixel is solid.
  static int32_t AddSprite(int w, int h, int xo = 0, int yo = 0, bool precise = false,
                           const std::vector<std::string>& rows = {}) {
    auto* s = new CSprite();
    s->frameCount = 1;
    s->width = w;
    s->height = h;
    s->xorigin = xo;
    s->yorigin = yo;
    s->bboxMode = 1;
    s->bboxRight = w - 1;
    s->bboxBottom = h - 1;
    s->precise = precise;
    std::vector<uint8_t> mask(size_t(w * h), rows.empty() ? 1 : 0);
    for (size_t j = 0; j < rows.size(); ++j) {
      for (size_t i = 0; i < rows[j].size(); ++i) mask[j * size_t(w) + i] = rows[j][i] == '#';
    }
    s->masks.push_back(mask);
    s->masksReady = true;
    return Sprite_Add(s, "spr" + std::to_string(Sprite_Count()));
  }

  // An object with that sprite (and solid flag).
  CObject* AddSpriteObject(int32_t index, const char* name, int32_t sprite, bool solid = false) {
    CObject* o = AddObject(index, name);
    o->sprite = sprite;
    o->SetFlag(1, solid);
    return o;
  }
};
