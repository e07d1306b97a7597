#include "platform/crt_random.h"

namespace tims::platform {
namespace {
uint32_t randomState = 1;  // the runtime's state before any srand
}

void crtSrand(uint32_t seed) { randomState = seed; }

int32_t crtRand() {
  randomState = randomState * 214013u + 2531011u;
  return static_cast<int32_t>((randomState >> 16) & 0x7FFFu);
}

}  // namespace tims::platform
