// board/movekeys.h: the move-key table, which tells which single quiet move
// of a non-pawn piece turns the position key into another key (the search's
// upcoming-repetition test). Filled once at start-up into the table that the
// search allocates; read-only afterwards.
#pragma once

#include <cstdint>

#include "board/board.h"
#include "search/tables.h"

// Fills move_key_table (allocated by AllocateMoveKeyTable).
void BuildMoveKeyTable();
// "Ke1e2"; "-" for move 0. buffer needs 6 bytes.
char* MoveToPieceText(char* buffer, Move move);

// The stored 15-bit move whose key difference is key, or 0 when absent.
inline uint32_t LookUpMoveKey(uint64_t key) {
  const MoveKeyBucket& bucket = move_key_table[key & (MOVE_KEY_BUCKETS - 1)];
  if (!bucket.move[0]) return 0;
  for (int slot = 0; slot < 4; slot++)
    if (bucket.key[slot] == key) return bucket.move[slot];
  return 0;
}
