// The C runtime's pseudo-random generator, reproduced so that every platform draws the same
// numbers: one state per loaded library, shared by everything that draws within a frame.
#pragma once

#include <cstdint>

namespace tims::platform {

// srand(seed): the state becomes the seed.
void crtSrand(uint32_t seed);
// rand(): state = state * 214013 + 2531011 (mod 2^32); returns (state >> 16) & 0x7FFF.
int32_t crtRand();

}  // namespace tims::platform
