// platform/random.h: the engine's own 15-bit random numbers (0 to 32767), a
// linear congruential generator of fixed constants, so that the book choice
// and the tuner draw the same numbers on every platform.
#pragma once

#include <cstdint>

void SeedRandom(uint32_t seed);
int32_t Random15();
