// Collision tests of one instance: its bounding box, the mask lookups of its sprite and the tests
// against a point, a rectangle, an ellipse, a line and another instance.
//
// Every test compares integer boxes first and reaches the masks only when precision is asked for
// and the mask sprite is precise; precise tests visit only the intersection of the boxes, row by
// row, and stop at the first solid pixel. Marked instances never collide.
#pragma once
#include <cstdint>

class CInstance;
class CSprite;

// The box of the instance from its mask sprite, position, scales and angle; clears the dirty flag
// and copies the sprite's precise flag. A missing sprite, or a position or scale that is not a
// finite number, gives the no-box box (-100000 on all edges), which never collides.
void Collision_ComputeBox(CInstance* instance);

// The sprite whose mask the instance uses: mask_index when 0 or more, else sprite_index; null when
// it does not exist.
CSprite* Collision_MaskSprite(const CInstance* instance);

// Instance-level tests (the box is refreshed first).
bool Collision_Point(CInstance* instance, double px, double py, bool precise);
bool Collision_Rectangle(CInstance* instance, double x1, double y1, double x2, double y2, bool precise);
bool Collision_Ellipse(CInstance* instance, double x1, double y1, double x2, double y2, bool precise);
bool Collision_Line(CInstance* instance, double x1, double y1, double x2, double y2, bool precise);
bool Collision_Instances(CInstance* a, CInstance* b, bool precise);

// Ties to even, limited to the 32-bit range; NaN gives 0.
int32_t Collision_Round(double value);
