// platform/clock.h: the engine's clock: monotonic milliseconds since an
// arbitrary start (never CPU time, never the wall clock).
#pragma once

#include <cstdint>

int64_t ClockMilliseconds();
// The same in centiseconds, the unit of the engine's time globals.
inline int32_t ClockCentiseconds() { return int32_t(ClockMilliseconds() / 10); }
