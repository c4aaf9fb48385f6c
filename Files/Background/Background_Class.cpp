#include "Background/Background_Class.h"

#include "Graphics/Graphics_Texture.h"
#include "Support/Support_ResourceTable.h"

CBackground::~CBackground() { GR_Texture_Free(texture); }

namespace {
ResourceTable<CBackground> g_backgrounds;
}  // namespace

int32_t Background_Count() { return g_backgrounds.Count(); }
CBackground* Background_Get(int32_t index) { return g_backgrounds.Get(index); }
bool Background_Exists(int32_t index) { return g_backgrounds.Get(index) != nullptr; }
const char* Background_Name(int32_t index) { return g_backgrounds.Name(index); }
int32_t Background_Find(const char* name) { return g_backgrounds.Find(name); }
int32_t Background_Add(CBackground* background, const std::string& name) { return g_backgrounds.Add(background, name); }
void Background_Set(int32_t index, CBackground* background, const std::string& name) { g_backgrounds.Set(index, background, name); }
void Background_FreeAll() { g_backgrounds.Clear(); }
