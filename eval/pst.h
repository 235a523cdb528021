// eval/pst.h: the piece-square tables that the board sums incrementally.
// Indexed piece code * 128 + colour * 64 + square; each value is a bonus for
// the piece's own side. Filled by the evaluation's table builder.
#pragma once

#include <cstdint>

extern int16_t pst_opening[1024];
extern int16_t pst_endgame[1024];

constexpr int PstIndex(int piece, int colour, int square) { return piece * 128 + colour * 64 + square; }
