// The ready-made effects: two private systems (depth 100000 below everything, -100000 above) and a
// private particle type per effect kind, configured at each call for the kind, size and colour.
#pragma once
#include <cstdint>

inline constexpr int32_t kEffectKindCount = 12;

// Effect `kind` (0..11) of `size` (0 small, 1 medium, 2 large; others as medium) at (x, y).
void Effect_Create(bool above, int32_t kind, float x, float y, int32_t size, int32_t colour);
// Removes the particles of both effect systems.
void Effect_Clear();
// Forgets the private systems and types (their stores were emptied).
void Effect_Forget();
// The private system (-1 before the first effect).
int32_t Effect_System(bool above);
