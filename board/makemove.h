// board/makemove.h: playing and taking back moves on thread_board, with the
// game history. The only way the position changes during a game or search.
#pragma once

#include <cstdint>

#include "board/board.h"

// Rights kept when a king or rook leaves, or a rook is captured on, a square.
extern const uint8_t castle_mask[64];

// Builds with assert() on (no NDEBUG) check the whole board with VerifyBoard
// after every make and unmake.
//
// Plays a pseudo-legal move of the side to move. With save the six restorable
// fields are first stored in the record at game_ply; save may be 0 only when
// an earlier move from this same position was made with save 1 and unmade.
void MakeMove(Move move, int save);
// Takes back the move of the last record.
void UnmakeMove();
// Plays a legal move into the game (not the search): refused, returning 0,
// when the game history has no room left for it and a search beyond it.
int MakeGameMove(Move move);
// Sets MaterialIndex from the piece counts.
void ComputeMaterialIndex();
// The material index the piece counts of a board give; *overflow is set when
// more than eight pawns of a colour carry the weighted sum past the index
// range (ComputeMaterialIndex reports that).
int32_t CountedMaterialIndex(const Board& b, bool* overflow);
