#include "platform/random.h"

namespace {
uint32_t random_state = 1;
}

void SeedRandom(uint32_t seed) { random_state = seed; }

int32_t Random15() {
  random_state = random_state * 214013u + 2531011u;
  return int32_t((random_state >> 16) & 0x7FFF);
}
