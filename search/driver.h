// search/driver.h: the game driver's state that the board's set-up resets.
#pragma once

#include <cstdint>

extern int32_t engine_side;              // the side the engine plays
extern int32_t last_root_score;          // root score of the last search
extern int32_t last_root_side;           // side to move at its root
extern int32_t searches_since_new_game;  // since the last book move or new game
