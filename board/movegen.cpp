// Capture, promotion and quiet-move generation, capture ordering, stored-move
// validation and the legal move list. Each generator is written once, with
// the colour as a template parameter.
#include "board/movegen.h"

#include <cassert>

#include "board/attacks.h"
#include "board/colour.h"
#include "board/makemove.h"
#include "board/tables.h"
#include "search/tables.h"
#include "search/transposition.h"

const int32_t capture_success_bonus[17] = {-128000, -64000, -32000, 0,     10000, 20000, 30000, 40000, 50000,
                                           50000,   50000,  50000,  50000, 50000, 50000, 50000, 50000};

namespace {

template <int Colour>
using Side = ColourTraits<Colour>;

inline void AppendCapture(Move move) { AppendMove(move, ScoreCapture(move)); }

// The captures of the quiescence search are those that pass the exchange test.
template <bool OnlyPassing>
inline void EmitCapture(Move move) {
  if constexpr (OnlyPassing) {
    if (PassesStaticExchange(MoveTo(move), MoveFrom(move), MovePiece(move), MoveCaptured(move), MovePromotion(move)))
      AppendMove(move, ScorePassingCapture(move));
  } else {
    AppendCapture(move);
  }
}

// Pawns taken in generation order: white from the lowest square up, black
// from the highest down.
template <int Colour>
inline int NextPawn(uint64_t* set) {
  if (Colour == WHITE) return PopLowestBit(set);
  const int square = FindHighestBit(*set);
  *set ^= SquareBit(square);
  return square;
}

inline int PopHighestBit(uint64_t* set) {
  const int square = FindHighestBit(*set);
  *set ^= SquareBit(square);
  return square;
}

template <int Colour, bool OnlyPassing>
void AppendPieceCaptures(int piece, uint64_t pieces, uint64_t targets) {
  const Board& b = thread_board;
  while (pieces) {
    const int from = PopLowestBit(&pieces);
    for (uint64_t hits = AttacksOf(piece, from, Colour) & targets; hits;) {
      const int to = PopLowestBit(&hits);
      EmitCapture<OnlyPassing>(MakeMoveWord(from, to, piece, int(b.Square[to])));
    }
  }
}

template <int Colour, bool OnlyPassing>
void GenerateCapturesFor(uint64_t targets) {
  using S = Side<Colour>;
  const Board& b = thread_board;
  const uint64_t pawns = b.Pieces[PAWN][Colour];
  const uint64_t candidates = Colour == WHITE ? pawns & (((targets & ~FILE_H) >> 7) | ((targets & ~FILE_A) >> 9))
                                              : pawns & (((targets & ~FILE_H) << 9) | ((targets & ~FILE_A) << 7));
  for (uint64_t set = candidates; set;) {
    const int from = NextPawn<Colour>(&set);
    const bool promotes = SquareBit(from) & S::SeventhRank;
    for (uint64_t hits = pawn_attacks[Colour][from] & targets; hits;) {
      const int to = PopLowestBit(&hits);
      const int victim = int(b.Square[to]);
      if (promotes && OnlyPassing) {
        // The exchange test refuses every under-promotion.
        EmitCapture<OnlyPassing>(MakeMoveWord(from, to, PAWN, victim, QUEEN));
      } else if (promotes) {
        for (int promotion : {QUEEN, KNIGHT, ROOK, BISHOP})
          AppendCapture(MakeMoveWord(from, to, PAWN, victim, promotion));
      } else {
        EmitCapture<OnlyPassing>(MakeMoveWord(from, to, PAWN, victim));
      }
    }
  }

  if (game_ply > 0) {
    const Move last = game_history[game_ply - 1].Move;
    const int last_from = MoveFrom(last), last_to = MoveTo(last);
    if (MovePiece(last) == PAWN && (Colour == WHITE ? last_from - last_to : last_to - last_from) == 16) {
      const int target = last_to + S::Forward;
      if ((last_to & 7) != 0 && (pawns & SquareBit(last_to - 1)))
        EmitCapture<OnlyPassing>(MakeMoveWord(last_to - 1, target, PAWN));
      if ((last_to & 7) != 7 && (pawns & SquareBit(last_to + 1)))
        EmitCapture<OnlyPassing>(MakeMoveWord(last_to + 1, target, PAWN));
    }
  }

  AppendPieceCaptures<Colour, OnlyPassing>(KNIGHT, b.Pieces[KNIGHT][Colour], targets);
  AppendPieceCaptures<Colour, OnlyPassing>(BISHOP, b.Pieces[BISHOP][Colour], targets);
  AppendPieceCaptures<Colour, OnlyPassing>(ROOK, b.Pieces[ROOK][Colour], targets);
  AppendPieceCaptures<Colour, OnlyPassing>(QUEEN, b.Pieces[QUEEN][Colour], targets);
  AppendPieceCaptures<Colour, OnlyPassing>(KING, b.Pieces[KING][Colour], targets);
}

template <int Colour>
void GeneratePromotionsFor() {
  using S = Side<Colour>;
  const Board& b = thread_board;
  for (uint64_t set = b.Pieces[PAWN][Colour] & S::SeventhRank; set;) {
    const int from = PopHighestBit(&set);
    const int to = from + S::Forward;
    if (b.Square[to]) continue;
    for (int promotion : {QUEEN, ROOK, KNIGHT, BISHOP}) AppendCapture(MakeMoveWord(from, to, PAWN, 0, promotion));
  }
}

template <int Colour>
inline void AppendQuiet(Move move, const int32_t* half) {
  AppendMove(move, half[int(history_piece_class[MovePiece(move)]) * 8192 + MoveFromTo(move) * 2 + Colour]);
}

template <int Colour>
void AppendPieceQuiets(int piece, uint64_t pieces, uint64_t empty, const int32_t* half) {
  while (pieces) {
    const int from = PopLowestBit(&pieces);
    for (uint64_t hits = AttacksOf(piece, from, Colour) & empty; hits;)
      AppendQuiet<Colour>(MakeMoveWord(from, PopLowestBit(&hits), piece), half);
  }
}

template <int Colour>
void GenerateQuietMovesFor(int table) {
  using S = Side<Colour>;
  const Board& b = thread_board;
  const int32_t* half = history_table + (table & 1) * 32768;
  const uint64_t empty = ~(b.Occupied[WHITE] | b.Occupied[BLACK]);

  if (CanCastle<Colour, true>()) AppendQuiet<Colour>(S::ShortCastling, half);
  if (CanCastle<Colour, false>()) AppendQuiet<Colour>(S::LongCastling, half);
  AppendPieceQuiets<Colour>(KNIGHT, b.Pieces[KNIGHT][Colour], empty, half);
  AppendPieceQuiets<Colour>(BISHOP, b.Pieces[BISHOP][Colour], empty, half);

  // Pawns off the seventh rank whose square ahead is empty.
  const uint64_t pushable = Colour == WHITE ? b.Pieces[PAWN][Colour] & ~S::SeventhRank & (empty >> 8)
                                            : b.Pieces[PAWN][Colour] & ~S::SeventhRank & (empty << 8);
  for (uint64_t set = pushable; set;) {
    const int from = NextPawn<Colour>(&set);
    const int to = from + S::Forward;
    AppendQuiet<Colour>(MakeMoveWord(from, to, PAWN), half);
    if ((SquareBit(from) & S::SecondRank) && (empty & SquareBit(to + S::Forward)))
      AppendQuiet<Colour>(MakeMoveWord(from, to + S::Forward, PAWN), half);
  }

  AppendPieceQuiets<Colour>(ROOK, b.Pieces[ROOK][Colour], empty, half);
  AppendPieceQuiets<Colour>(QUEEN, b.Pieces[QUEEN][Colour], empty, half);
  AppendPieceQuiets<Colour>(KING, b.Pieces[KING][Colour], empty, half);
}

template <int Colour>
void AddMoveIfValidFor(Move move) {
  using S = Side<Colour>;
  const Board& b = thread_board;
  const int from = MoveFrom(move), to = MoveTo(move), piece = MovePiece(move);
  if (piece == KING && from == S::KingStart && (to == from + 2 || to == from - 2)) {
    if (to == from + 2 ? CanCastle<Colour, true>() : CanCastle<Colour, false>()) AppendMove(move, 0);
    return;
  }
  if (int(b.Square[from]) != piece || int(b.Square[to]) != MoveCaptured(move)) return;
  if (!(b.Occupied[Colour] & SquareBit(from)) || (b.Occupied[Colour] & SquareBit(to))) return;
  if (between_table[to][from] & (b.Occupied[WHITE] | b.Occupied[BLACK])) return;
  AppendMove(move, 0);
}
}  // namespace

void GenerateCaptures(uint64_t targets) {
  if (thread_board.SideToMove == WHITE)
    GenerateCapturesFor<WHITE, false>(targets);
  else
    GenerateCapturesFor<BLACK, false>(targets);
}

void GenerateQuiescenceCaptures(uint64_t targets) {
  if (thread_board.SideToMove == WHITE)
    GenerateCapturesFor<WHITE, true>(targets);
  else
    GenerateCapturesFor<BLACK, true>(targets);
}

void GeneratePromotions() {
  if (thread_board.SideToMove == WHITE)
    GeneratePromotionsFor<WHITE>();
  else
    GeneratePromotionsFor<BLACK>();
}

int32_t ScoreCapture(Move move) {
  if (!IsCaptureOrPromotion(move)) return 100901;  // en passant: one above pawn takes pawn
  const int from = MoveFrom(move), to = MoveTo(move), piece = MovePiece(move);
  const int victim = MoveCaptured(move), promotion = MovePromotion(move);
  if (PassesStaticExchange(to, from, piece, victim, promotion)) return ScorePassingCapture(move);
  const int32_t gain = 10 * int32_t(capture_value[victim]) - int32_t(capture_value[piece]);

  const int32_t stamp = SearchStamp();
  const int slot = CaptureStatSlot(piece, victim, to, from, int(thread_board.SideToMove));
  int32_t average = 0;
  if (capture_stat_age[slot] != stamp) {
    capture_stat_tries[slot] = 0;
    capture_stat_successes[slot] = 0;
    capture_stat_age[slot] = stamp;
  } else if (capture_stat_tries[slot] > 8) {
    average = capture_stat_successes[slot] * 256 / capture_stat_tries[slot];
  }
  if (promotion && promotion != QUEEN) average = 0;
  int index = average >> 4;
  index = index < 0 ? 0 : index > 16 ? 16 : index;
  return gain + capture_success_bonus[index];
}

void GenerateQuietMoves(int table) {
  if (thread_board.SideToMove == WHITE)
    GenerateQuietMovesFor<WHITE>(table);
  else
    GenerateQuietMovesFor<BLACK>(table);
}

int32_t GetHistoryScore(Move move, int table) {
  return history_table[HistoryIndex(move, table, int(thread_board.SideToMove))];
}

void AddMoveIfValid(Move move) {
  if (thread_board.SideToMove == WHITE)
    AddMoveIfValidFor<WHITE>(move);
  else
    AddMoveIfValidFor<BLACK>(move);
}

void GenerateLegalMoves(int start) {
  const Board& b = thread_board;
  move_list_end = start;
  if (start < 0 || start + MAX_GENERATED_MOVES > MOVE_LIST_SIZE || game_ply >= GAME_HISTORY_SIZE) {
    assert(!"GenerateLegalMoves: no room");
    return;
  }
  const int side = int(b.SideToMove);
  const bool in_check = IsSquareAttacked(side ^ 1, int(b.KingSquare[side]));
  GenerateCaptures(b.Occupied[side ^ 1]);
  GeneratePromotions();
  GenerateQuietMoves(1);
  const int end = move_list_end;
  int kept = start;
  for (int i = start; i < end; i++) {
    const Move move = move_list[i].move;
    // A king capture can only come from a broken position; never make it.
    if (MoveCaptured(move) == KING) continue;
    if (in_check && MovePiece(move) == KING &&
        (MoveTo(move) - MoveFrom(move) == 2 || MoveFrom(move) - MoveTo(move) == 2))
      continue;
    MakeMove(move, 1);
    const bool legal = !IsSquareAttacked(side ^ 1, int(thread_board.KingSquare[side]));
    UnmakeMove();
    if (legal) move_list[kept++].move = move;
  }
  move_list_end = kept;
}
