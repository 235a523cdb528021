// Perft over the engine's own pseudo-legal generators, so that it checks
// them, make/unmake and the attack test together.
#include "interface/perft.h"

#include "board/attacks.h"
#include "board/makemove.h"
#include "board/movegen.h"

uint64_t perft_nodes;

static inline bool IsCastling(Move move) {
  return MovePiece(move) == KING && (MoveTo(move) - MoveFrom(move) == 2 || MoveFrom(move) - MoveTo(move) == 2);
}

static void PerftLevel(int depth) {
  const int start = move_list_end;
  const Board& b = thread_board;
  const int side = int(b.SideToMove);
  GenerateCaptures(b.Occupied[side ^ 1]);
  GeneratePromotions();
  for (int i = start; i < move_list_end; i++) {
    // The previous move left its king en prise: no legal sequence here.
    if (MoveCaptured(move_list[i].move) == KING) {
      move_list_end = start;
      return;
    }
  }
  GenerateQuietMoves(1);
  const int end = move_list_end;
  // Castling out of check is generated (the generator leaves that test to its
  // callers) and must not count.
  const bool in_check = IsSquareAttacked(side ^ 1, int(b.KingSquare[side]));

  if (depth == 1 && !in_check) {
    // Most leaves are decided without making them: a man that does not stand
    // pinned against its king may move; king moves and en passant are made.
    for (int i = start; i < end; i++) {
      const Move move = move_list[i].move;
      const int piece = MovePiece(move);
      if (piece != KING && !(piece == PAWN && !MoveCaptured(move) && ((MoveFrom(move) ^ MoveTo(move)) & 7))) {
        perft_nodes += !ExposesKing(move);
        continue;
      }
      MakeMove(move, 1);
      perft_nodes += !IsSquareAttacked(side ^ 1, int(thread_board.KingSquare[side]));
      UnmakeMove();
    }
    move_list_end = start;
    return;
  }

  for (int i = start; i < end; i++) {
    const Move move = move_list[i].move;
    if (in_check && IsCastling(move)) continue;
    MakeMove(move, 1);
    if (depth == 1)
      perft_nodes += !IsSquareAttacked(side ^ 1, int(thread_board.KingSquare[side]));
    else
      PerftLevel(depth - 1);
    UnmakeMove();
  }
  move_list_end = start;
}

void Perft(int depth) {
  if (depth < 1 || depth > MAX_PERFT_DEPTH) return;
  if (move_list_end < 0 || move_list_end + depth * MAX_GENERATED_MOVES > SEARCH_LIST_END) return;
  if (game_ply + depth > GAME_HISTORY_SIZE) return;
  PerftLevel(depth);
}
