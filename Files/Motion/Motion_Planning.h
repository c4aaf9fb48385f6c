// Motion planning: straight-line steps, the steering method that tries directions round the goal
// direction, and whole paths computed with either (the instance is put back afterwards).
//
// `selector` is the object to avoid; with `all` (-3) the free-place test is place_empty when
// `checkAll`, else place_free.
#pragma once
#include <cstdint>

class CInstance;
class CPath;

struct PotentialSettings {
  float maxRotation = 30;
  float rotationStep = 10;
  float ahead = 3;
  bool onSpot = true;
};
PotentialSettings& Planning_Settings();

bool Planning_LinearStep(CInstance* self, double x, double y, double stepSize, int32_t selector, bool checkAll);
bool Planning_PotentialStep(CInstance* self, double x, double y, double stepSize, int32_t selector, bool checkAll);
bool Planning_LinearPath(CInstance* self, CPath* path, double x, double y, double stepSize, int32_t selector,
                         bool checkAll);
bool Planning_PotentialPath(CInstance* self, CPath* path, double x, double y, double stepSize, double factor,
                            int32_t selector, bool checkAll);
// The direction from one point to another, degrees in [0, 360).
float Planning_PointDirection(float x1, float y1, float x2, float y2);
