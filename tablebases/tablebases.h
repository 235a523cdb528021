// tablebases/tablebases.h: what the search uses of the endgame tablebases.
// Until tables are registered the largest table has 0 men and nothing answers.
#pragma once

#include <cstdint>

extern int32_t tb_max_men;
// 1 with the value on the search's scale when a registered table covers the
// position (side: 1 when white is to move); 0 otherwise.
int ProbeEGTB(int32_t side, int32_t* score);
