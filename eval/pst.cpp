#include "eval/pst.h"

int16_t pst_opening[1024];
int16_t pst_endgame[1024];
