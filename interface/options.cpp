#include "interface/options.h"

int32_t max_depth;
int32_t fixed_move_time;
int32_t mate_goal;
int32_t force_mode;
int32_t uci_mode;
int32_t fritz_mode;
