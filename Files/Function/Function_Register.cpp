#include "Function/Function_Register.h"

#include <cmath>
#include <cstdint>
#include <cstdio>

#include "Function/Function_Library.h"
#include "Platform/Platform_Memory.h"

void Function_BindAll() {
  Function_Date_Bind();
  Function_Maths_Bind();
  Function_Misc_Bind();
  Function_Platform_Bind();
  Function_Resource_Bind();
  Function_Game_Bind();
  Function_Action_Bind();
  Function_Object_Bind();
  Function_Room_Bind();
  Function_Timeline_Bind();
  Function_SaveGame_Bind();
  Function_Display_Bind();
  Function_Surface_Bind();
  Function_SpriteDraw_Bind();
  Function_Tile_Bind();
  Function_Sprite_Bind();
  Function_Background_Bind();
  Function_Particle_Bind();
  Function_D3D_Bind();
  Function_Collision_Bind();
  Function_Path_Bind();
  Function_MotionPlanning_Bind();
  Function_External_Bind();
  Function_Dialog_Bind();
  Function_Http_Bind();
  Function_Highscore_Bind();
  Function_Unavailable_Bind();
  Function_Interaction_Bind();
  Function_Shape_Bind();
  Function_Text_Bind();
  Function_Sound_Bind();
  Function_Device_Bind();
  Function_Splash_Bind();
  Function_Physics_Bind();
  Function_ImplementLibrary();
}

const RValue g_FunctionZeroArgument;

int FunctionArgumentIndexOfReal(double x) {
  if (std::isnan(x)) return 0;
  double r = std::nearbyint(x);
  if (r <= -2147483648.0) return INT32_MIN;
  if (r >= 2147483647.0) return INT32_MAX;
  return static_cast<int>(r);
}

char* StringOfValue(const RValue& value) {
  if (value.IsString()) return MemDupString(value.Str());
  double x = value.real;
  char buffer[512];
  // Nearest integer with halves to even (the default rounding mode).
  double nearest = std::nearbyint(x);
  if (std::isinf(x)) {
    std::snprintf(buffer, sizeof buffer, "%.0f", x);
  } else if (nearest == x && RealIsIntegral(x)) {
    FormatIntegralReal(x, buffer, sizeof buffer);
  } else {
    std::snprintf(buffer, sizeof buffer, "%.2f", x);
  }
  return MemDupString(buffer);
}
