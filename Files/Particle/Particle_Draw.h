// Drawing particle systems, and their place in the room's drawing.
#pragma once
#include <cstdint>

#include "Graphics/Graphics_DrawHooks.h"

struct CParticleSystem;

// Draws the system's live particles (life of 1 or more) in list order, or reversed when the system
// draws new to old, each offset by the system's position.
void ParticleSystem_Draw(const CParticleSystem& ps);
// The systems with automatic drawing on, deepest first; equal depths in index order.
const ParticleDrawEntry* ParticleSystem_DrawList(int* count);
// Draws system `index` if it exists.
void ParticleSystem_DrawIndex(int index);
// Installs the room drawing's particle entries.
void Particle_InstallDrawHooks();
