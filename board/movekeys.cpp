// The move-key table: one entry per colour, non-pawn piece and pair of
// squares the piece connects on an empty board.
#include "board/movekeys.h"

#include <cstdio>
#include <cstring>

#include "board/tables.h"

char* MoveToPieceText(char* buffer, Move move) {
  if (!move) {
    strcpy(buffer, "-");
    return buffer;
  }
  static const char letters[] = ".KNP?RBQ";
  const int from = MoveFrom(move), to = MoveTo(move);
  snprintf(buffer, 6, "%c%c%c%c%c", letters[MovePiece(move)], 'a' + (from & 7), '1' + (from >> 3), 'a' + (to & 7),
           '1' + (to >> 3));
  return buffer;
}

static void InsertMoveKey(int colour, int piece, int from, int to) {
  const uint64_t key = zobrist_keys[colour][piece][from] ^ zobrist_keys[colour][piece][to];
  const uint16_t move = uint16_t(from | to << 6 | piece << 12);
  const int index = int(key & (MOVE_KEY_BUCKETS - 1));
  MoveKeyBucket& bucket = move_key_table[index];
  for (int slot = 0; slot < 4; slot++) {
    if (!bucket.move[slot] || bucket.key[slot] == key) {
      bucket.key[slot] = key;
      bucket.move[slot] = move;
      return;
    }
  }
  char text[3][6];
  printf("[%d: %s, prev: %s, %s]", index, MoveToPieceText(text[0], move), MoveToPieceText(text[1], bucket.move[0]),
         MoveToPieceText(text[2], bucket.move[1]));
}

void BuildMoveKeyTable() {
  memset(move_key_table, 0, sizeof(MoveKeyBucket) * MOVE_KEY_BUCKETS);
  for (int from = 0; from < 64; from++) {
    const int file = from & 7, rank = from >> 3;
    for (uint64_t set = king_attacks[from]; set;) {
      const int to = PopLowestBit(&set);
      for (int colour = 0; colour < 2; colour++) InsertMoveKey(colour, KING, from, to);
    }
    for (uint64_t set = knight_attacks[from]; set;) {
      const int to = PopLowestBit(&set);
      for (int colour = 0; colour < 2; colour++) InsertMoveKey(colour, KNIGHT, from, to);
    }
    const uint64_t diagonals =
        diag_sum_attacks[line_state[0][rank]][file + rank] | diag_diff_attacks[line_state[0][rank]][file - rank + 7];
    for (uint64_t set = diagonals; set;) {
      const int to = PopLowestBit(&set);
      for (int colour = 0; colour < 2; colour++) InsertMoveKey(colour, BISHOP, from, to);
      for (int colour = 0; colour < 2; colour++) InsertMoveKey(colour, QUEEN, from, to);
    }
    const uint64_t lines = rank_attacks[line_state[0][file]][rank] | file_attacks[line_state[0][rank]][file];
    for (uint64_t set = lines; set;) {
      const int to = PopLowestBit(&set);
      for (int colour = 0; colour < 2; colour++) InsertMoveKey(colour, ROOK, from, to);
      for (int colour = 0; colour < 2; colour++) InsertMoveKey(colour, QUEEN, from, to);
    }
  }
  fflush(stdout);
}
