#include "search/root.h"

int32_t root_side;
int32_t lazy_window_low = -32700;
int32_t lazy_window_high = 32700;
