// The built-in constant tables (all reals), in registration order.
#pragma once

struct ConstantEntry {
  const char* name;
  double value;
};

extern const ConstantEntry* const g_CoreConstants;
extern const int g_CoreConstantCount;
extern const ConstantEntry* const g_PlatformConstants;
extern const int g_PlatformConstantCount;
