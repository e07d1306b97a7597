// An independent copy of the runtime generator's definition, so that expected meter values are
// computed without the code under test.
#pragma once

#include <cstdint>

namespace tims::testing {

class ReferenceGenerator {
 public:
  explicit ReferenceGenerator(uint32_t seed) : state_(seed) {}

  int32_t next() {
    state_ = state_ * 214013u + 2531011u;
    return static_cast<int32_t>((state_ >> 16) & 0x7FFFu);
  }

  // The draws multiplied in 32 bits with wrap-around (C++20 converts modulo 2^32).
  int32_t product(int count) {
    uint32_t product = 1;
    for (int i = 0; i < count; ++i) product *= static_cast<uint32_t>(next());
    return static_cast<int32_t>(product);
  }

  // A period as the meters draw it: product of four draws, remainder with the sign of the
  // product, plus the base.
  int32_t period(int32_t spread, int32_t base) { return product(4) % spread + base; }

 private:
  uint32_t state_;
};

}  // namespace tims::testing
