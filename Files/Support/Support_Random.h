// The game's random generator, shared by everything that draws random numbers (script functions,
// shuffles, particles), so a game started with the same seed and input replays identically.
//
// Each draw sets state := state * 214013 + 2531011 (mod 2^32) and yields (state >> 16) & 0x7FFF.
#pragma once
#include <cstdint>

// The seed the runner starts every game with.
inline constexpr uint32_t kRandomStartSeed = 2101988;

// Stores `seed` as the seed last set and restarts the generator from it.
void Random_SetSeed(uint32_t seed);
// The seed last set.
uint32_t Random_GetSeed();
// Seeds with kRandomStartSeed (game start-up).
void Random_StartUp();
// A seed mixed from the microsecond clock and the wall clock (not stored, not applied).
uint32_t Random_ClockSeed();

// One draw, 0..32767.
int Random_Draw();
// The unit draw: draw * 2^-15 in single precision, in [0, 1).
float Random_Unit();
// The index draw of n: truncation of n * unit draw, in 0..n-1 (0 for n <= 0).
int Random_Index(int n);
