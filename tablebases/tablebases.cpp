#include "tablebases/tablebases.h"

#include <bit>

#include "board/board.h"
#include "tablebases/cache.h"
#include "tablebases/material_keys.h"
#include "tablebases/registry.h"

int32_t tb_max_men;
int64_t tb_decoder_memory;

constexpr int KING_SLOT = 15;
constexpr int SLOTS_PER_KIND = 3;
// The kinds in the order of the square lists and the material counts.
constexpr int list_kinds[5] = {PAWN, KNIGHT, BISHOP, ROOK, QUEEN};

// The square a pawn passed over with the last move when the side to move
// can take it en passant, else TB_NO_EP_SQUARE.
static int32_t EnPassantSquare() {
  if (game_ply <= 0) return TB_NO_EP_SQUARE;
  const Board& b = thread_board;
  const Move last = game_history[game_ply - 1].Move;
  const int from = MoveFrom(last), to = MoveTo(last);
  if (MovePiece(last) != PAWN || (from > to ? from - to : to - from) != 16) return TB_NO_EP_SQUARE;
  const uint64_t takers = b.Pieces[PAWN][b.SideToMove];
  const int file = to & 7;
  const bool beside = (file != 0 && (takers >> (to - 1) & 1)) || (file != 7 && (takers >> (to + 1) & 1));
  return beside ? (from + to) / 2 : TB_NO_EP_SQUARE;
}

int ProbeEGTB(int32_t white_to_move, int32_t* score) {
  const Board& b = thread_board;
  SquareList lists[2];
  int32_t counts[10];
  for (int colour = 0; colour < 2; colour++) {
    // One king each, at most three men of a kind: the lists' room, and all
    // that any table holds.
    if (std::popcount(b.Pieces[KING][colour]) != 1) return 0;
    for (int k = 0; k < 5; k++) {
      uint64_t men = b.Pieces[list_kinds[k]][colour];
      const int n = std::popcount(men);
      if (n > SLOTS_PER_KIND) return 0;
      counts[colour * 5 + k] = n;
      for (int i = 0; men; i++, men &= men - 1) lists[colour][k * SLOTS_PER_KIND + i] = std::countr_zero(men);
    }
  }
  const int32_t id = LookupTableId(counts);
  if (id == 0) return 0;
  lists[WHITE][KING_SLOT] = int32_t(b.KingSquare[WHITE]);
  lists[BLACK][KING_SLOT] = int32_t(b.KingSquare[BLACK]);
  const int32_t table = id > 0 ? id : -id;
  const int32_t invert = id < 0;
  const int32_t side = (white_to_move ? 0 : 1) ^ invert;
  const int32_t* first = invert ? lists[BLACK] : lists[WHITE];
  const int32_t* second = invert ? lists[WHITE] : lists[BLACK];
  const TbIndexFunction index_function = tb_descriptors[table].index_function[side];
  if (!index_function || !IsTableAvailable(table, side)) return 0;
  const uint64_t index = index_function(first, second, EnPassantSquare(), invert);
  int32_t v = ProbeTableEntry(table, side, index);
  if (v == TB_BROKEN) return 0;
  // Values that fall outside the engine's scale, or on the wrong side of
  // it, come only from damaged data: -32766 (mated now) is the deepest
  // loss, and wins or losses too long to show as a mate are no value.
  constexpr int32_t DEEPEST_LOSS = -32766;
  if (v < DEEPEST_LOSS) v = DEEPEST_LOSS;
  const int32_t mapped = v > 0 ? 2 * v - 32834 : v < 0 ? 2 * v + 32832 : 0;
  if ((v > 0 && mapped <= 0) || (v < 0 && mapped >= 0)) return 0;
  *score = mapped;
  return 1;
}
