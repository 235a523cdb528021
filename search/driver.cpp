#include "search/driver.h"

#include "board/board.h"

int32_t engine_side = BLACK;
int32_t last_root_score;
int32_t last_root_side;
int32_t searches_since_new_game;
