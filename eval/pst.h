// eval/pst.h: the piece-square tables that the board sums incrementally.
// Indexed piece code * 128 + colour * 64 + square; each value is a bonus for
// the piece's own side. Written by BuildPieceSquareTables.
#pragma once

#include <cstdint>

extern int16_t pst_opening[1024];
extern int16_t pst_endgame[1024];
// Black's view, opening then endgame: the expanded half-board parameters.
extern int16_t tuned_king_tables[2][64];
extern int16_t tuned_knight_tables[2][64];

constexpr int PstIndex(int piece, int colour, int square) { return piece * 128 + colour * 64 + square; }

// Rebuilds both tables from the knight and king parameters and the fixed
// tables. The board's sums are stale afterwards until the next set-up.
void BuildPieceSquareTables();
