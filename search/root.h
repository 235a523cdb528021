// search/root.h: root-search state that the evaluation reads.
#pragma once

#include <cstdint>

extern int32_t root_side;         // side to move at the root
extern int32_t lazy_window_low;   // lazy evaluation window, root side's view
extern int32_t lazy_window_high;
