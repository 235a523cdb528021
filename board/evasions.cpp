// Check evasions: the replies to a check, close to legal (the king avoids
// attacked squares, pinned men stay put, a double check allows only king
// moves), each scored so that safe captures come first, then the quiet
// replies by history.
#include <cassert>

#include "board/attacks.h"
#include "board/colour.h"
#include "board/movegen.h"
#include "search/tables.h"

namespace {

constexpr int BonusForSafeCapture = 0x20000000;  // lifts safe captures over every history value
constexpr int CheckReplyBonus = 10000;
constexpr int LosingQuietEvasion = 100000;

// Appends the four promotions of an evasion, queen first, then rook, bishop
// and knight (the evasion order, unlike the capture generators').
inline void AppendEvasionPromotions(int from, int to, int captured) {
  static constexpr int order[4] = {QUEEN, ROOK, BISHOP, KNIGHT};
  for (int promotion : order) {
    const Move move = MakeMoveWord(from, to, PAWN, captured, promotion);
    AppendMove(move, ScoreEvasion(move));
  }
}

inline void AppendEvasion(int from, int to, int piece) {
  const Move move = MakeMoveWord(from, to, piece, int(thread_board.Square[to]));
  AppendMove(move, ScoreEvasion(move));
}

// Moves of the unpinned men of one kind onto the target squares.
template <int Piece, int Colour>
inline void AppendPieceEvasions(uint64_t targets) {
  for (uint64_t pieces = thread_board.Pieces[Piece][Colour]; pieces;) {
    const int from = PopLowestBit(&pieces);
    if (IsPinned(from)) continue;
    uint64_t attacks;
    if constexpr (Piece == KNIGHT)
      attacks = knight_attacks[from];
    else if constexpr (Piece == BISHOP)
      attacks = BishopAttacksFrom(from);
    else if constexpr (Piece == ROOK)
      attacks = RookAttacksFrom(from);
    else
      attacks = QueenAttacksFrom(from);
    for (uint64_t hits = attacks & targets; hits;) AppendEvasion(from, PopLowestBit(&hits), Piece);
  }
}

template <int Colour>
void GenerateEvasionsFor() {
  constexpr int Enemy = ColourTraits<Colour>::Them;
  constexpr int Forward = ColourTraits<Colour>::Forward;
  constexpr uint64_t ThirdRank = ColourTraits<Colour>::ThirdRank;
  constexpr uint64_t LastRank = ColourTraits<Colour>::LastRank;
  // The squares an enemy pawn reaches with a double step, and the rank it starts from.
  constexpr int DoubleStepLow = Colour == WHITE ? 32 : 24;
  constexpr int EnemyStartRank = Colour == WHITE ? 6 : 1;

  const Board& b = thread_board;
  const int king = int(b.KingSquare[Colour]);

  const uint64_t checkers = (b.Pieces[PAWN][Enemy] & pawn_attacks[Colour][king]) |
                            (b.Pieces[KNIGHT][Enemy] & knight_attacks[king]) |
                            ((b.Pieces[ROOK][Enemy] | b.Pieces[QUEEN][Enemy]) & RookAttacksFrom(king)) |
                            ((b.Pieces[BISHOP][Enemy] | b.Pieces[QUEEN][Enemy]) & BishopAttacksFrom(king)) |
                            (b.Pieces[KING][Enemy] & king_attacks[king]);
  assert(checkers && "GenerateEvasions called without a check");
  if (!checkers) return;

  // Steps from checking sliders toward the king: the king must not retreat
  // along them, since the slider covers the square once the king has left.
  int step1 = 0, step2 = 0;
  uint64_t targets = 0;
  const bool double_check = (checkers & (checkers - 1)) != 0;
  const int checker = FindHighestBit(checkers);
  if (IsSlider(int(b.Square[checker]))) step1 = direction_table[checker][king];
  if (double_check) {
    const int second = LowestBit(checkers);
    if (IsSlider(int(b.Square[second]))) step2 = direction_table[second][king];
  } else {
    targets = step1 ? between_table[checker][king] : SquareBit(checker);
  }

  for (uint64_t squares = king_attacks[king] & ~b.Occupied[Colour]; squares;) {
    const int to = PopLowestBit(&squares);
    const int step = direction_table[king][to];
    if (step == step1 || step == step2) continue;
    if (IsSquareAttacked(Enemy, to)) continue;
    AppendEvasion(king, to, KING);
  }
  if (double_check) return;

  AppendPieceEvasions<KNIGHT, Colour>(targets);
  AppendPieceEvasions<BISHOP, Colour>(targets);
  AppendPieceEvasions<ROOK, Colour>(targets);
  AppendPieceEvasions<QUEEN, Colour>(targets);

  const uint64_t pawns = b.Pieces[PAWN][Colour];
  const uint64_t empty = ~(b.Occupied[WHITE] | b.Occupied[BLACK]);
  const auto ahead = [](uint64_t set) { return Colour == WHITE ? set << 8 : set >> 8; };
  const uint64_t single_steps = ahead(pawns) & empty;

  for (uint64_t tos = ahead(single_steps & ThirdRank) & empty & targets; tos;) {
    const int to = PopLowestBit(&tos);
    const int from = to - 2 * Forward;
    if (!IsPinned(from)) AppendEvasion(from, to, PAWN);
  }

  for (uint64_t tos = single_steps & targets; tos;) {
    const int to = PopLowestBit(&tos);
    const int from = to - Forward;
    if (IsPinned(from)) continue;
    if (SquareBit(to) & LastRank)
      AppendEvasionPromotions(from, to, 0);
    else
      AppendEvasion(from, to, PAWN);
  }

  // En passant, only of a checking pawn that has just stepped two squares.
  if (int(b.Square[checker]) == PAWN && checker >= DoubleStepLow && checker < DoubleStepLow + 8 && game_ply > 0) {
    const Move last = game_history[game_ply - 1].Move;
    if (MoveTo(last) == checker && (MoveFrom(last) >> 3) == EnemyStartRank) {
      const int to = checker + Forward;
      if ((checker & 7) != 0 && (pawns & SquareBit(checker - 1)) && !IsPinned(checker - 1)) {
        const Move move = MakeMoveWord(checker - 1, to, PAWN);
        AppendMove(move, ScoreEvasion(move));
      }
      if ((checker & 7) != 7 && (pawns & SquareBit(checker + 1)) && !IsPinned(checker + 1)) {
        const Move move = MakeMoveWord(checker + 1, to, PAWN);
        AppendMove(move, ScoreEvasion(move));
      }
    }
  }

  const int captured = int(b.Square[checker]);
  for (uint64_t takers = pawns & pawn_attacks[Enemy][checker]; takers;) {
    const int from = PopLowestBit(&takers);
    if (IsPinned(from)) continue;
    if (SquareBit(checker) & LastRank)
      AppendEvasionPromotions(from, checker, captured);
    else
      AppendEvasion(from, checker, PAWN);
  }
}

}  // namespace

void GenerateEvasions() {
  if (thread_board.SideToMove == WHITE)
    GenerateEvasionsFor<WHITE>();
  else
    GenerateEvasionsFor<BLACK>();
}

int32_t ScoreEvasion(Move move) {
  const Board& b = thread_board;
  const int own = int(b.SideToMove);
  const int from = MoveFrom(move), to = MoveTo(move), piece = MovePiece(move);

  // Captures, promotions and en passant (a pawn changing file onto an empty square).
  if (IsCaptureOrPromotion(move) || (piece == PAWN && ((from ^ to) & 7))) {
    const int32_t score = ScoreCapture(move);
    return score > 0 ? score + BonusForSafeCapture : score;
  }

  int32_t score;
  if (piece == KING || PassesStaticExchange(to, from, piece, 0, 0))
    score = history_table[HistoryIndex(move, 1, own)];
  else
    score = -int32_t(capture_value[piece]) - LosingQuietEvasion;

  if (game_ply >= 1) {
    const int checked_on = MoveTo(game_history[game_ply - 1].Move);
    if (move == check_reply_table[checked_on][b.KingSquare[own]][own]) score += CheckReplyBonus;
  }
  return score;
}
