// The selective generators of the quiescence and deep searches: queen
// promotions that do not lose material, the reduced promotion set, and the
// quiet moves that give check, found from the enemy king's lines rather
// than by trying moves.
#include "board/attacks.h"
#include "board/colour.h"
#include "board/movegen.h"
#include "search/tables.h"

namespace {

template <int Colour>
constexpr uint64_t RelativeRankMask(int rank) {
  return ColourTraits<Colour>::RankMask(rank);
}

// The pawns on the seventh rank whose square ahead is empty, highest first,
// handed to emit(from, to).
template <int Colour, typename Emit>
inline void ForEachPromotionPush(Emit emit) {
  const Board& b = thread_board;
  const uint64_t empty = ~(b.Occupied[WHITE] | b.Occupied[BLACK]);
  const uint64_t ready = b.Pieces[PAWN][Colour] & RelativeRankMask<Colour>(6);
  const uint64_t pushable = Colour == WHITE ? ready & (empty >> 8) : ready & (empty << 8);
  for (uint64_t rest = pushable; rest;) {
    const int from = FindHighestBit(rest);
    rest ^= SquareBit(from);
    emit(from, Colour == WHITE ? from + 8 : from - 8);
  }
}

template <int Colour>
void GenerateQuiescencePromotionsFor() {
  ForEachPromotionPush<Colour>([](int from, int to) {
    if (PassesStaticExchange(to, from, PAWN, 0, QUEEN)) {
      const Move move = MakeMoveWord(from, to, PAWN, 0, QUEEN);
      AppendMove(move, ScorePassingCapture(move));
    }
  });
}

template <int Colour>
void GenerateSearchPromotionsFor() {
  const uint64_t enemy_king = thread_board.Pieces[KING][Colour ^ 1];
  ForEachPromotionPush<Colour>([enemy_king](int from, int to) {
    // ScoreCapture also keeps the capture statistics of failing promotions
    // fresh, so both moves are scored through it.
    const Move queen = MakeMoveWord(from, to, PAWN, 0, QUEEN);
    AppendMove(queen, ScoreCapture(queen));
    if (knight_attacks[to] & enemy_king) {
      const Move knight = MakeMoveWord(from, to, PAWN, 0, KNIGHT);
      AppendMove(knight, ScoreCapture(knight));
    }
  });
}

// Squares from the square onward, away from the enemy king, up to the first
// man. The square lies on one of the king's lines.
inline uint64_t Behind(int enemy_king, int square) {
  const int step = direction_table[enemy_king][square];
  return LineAttacksByStep(square, step) & RayMask(step, square);
}

template <int Colour>
void GenerateQuietChecksFor(int table) {
  constexpr int Enemy = ColourTraits<Colour>::Them;
  const Board& b = thread_board;
  const int k = int(b.KingSquare[Enemy]);
  const uint64_t empty = ~(b.Occupied[WHITE] | b.Occupied[BLACK]);
  const uint64_t diagonals = BishopAttacksFrom(k);
  const uint64_t straights = RookAttacksFrom(k);
  const uint64_t own_diagonal = b.Pieces[BISHOP][Colour] | b.Pieces[QUEEN][Colour];
  const uint64_t own_straight = b.Pieces[ROOK][Colour] | b.Pieces[QUEEN][Colour];

  const auto uncovers_diagonal = [&](int square) {
    return (diagonals & SquareBit(square)) && (Behind(k, square) & own_diagonal);
  };
  const auto uncovers_straight = [&](int square) {
    return (straights & SquareBit(square)) && (Behind(k, square) & own_straight);
  };
  const auto append_quiet = [table](Move move) { AppendMove(move, history_table[HistoryIndex(move, table, Colour)]); };
  // Quiet moves of one man onto the squares, those that keep the man.
  const auto append_safe = [&](int piece, int from, uint64_t squares) {
    for (squares &= empty; squares;) {
      const int to = PopLowestBit(&squares);
      if (PassesStaticExchange(to, from, piece, 0, 0)) append_quiet(MakeMoveWord(from, to, piece));
    }
  };

  if (b.HeavyPieces[Colour]) {
    for (uint64_t set = b.Pieces[QUEEN][Colour]; set;) {
      const int from = PopLowestBit(&set);
      const uint64_t attacks = QueenAttacksFrom(from);
      append_safe(QUEEN, from, attacks & diagonals);
      append_safe(QUEEN, from, attacks & straights);
    }
    for (uint64_t set = b.Pieces[ROOK][Colour]; set;) {
      const int from = PopLowestBit(&set);
      const uint64_t attacks = RookAttacksFrom(from);
      append_safe(ROOK, from, uncovers_diagonal(from) ? attacks : attacks & straights);
    }
  }

  if (b.MinorPieces[Colour]) {
    for (uint64_t set = b.Pieces[BISHOP][Colour]; set;) {
      const int from = PopLowestBit(&set);
      const uint64_t attacks = BishopAttacksFrom(from);
      append_safe(BISHOP, from, uncovers_straight(from) ? attacks : attacks & diagonals);
    }
    for (uint64_t set = b.Pieces[KNIGHT][Colour]; set;) {
      const int from = PopLowestBit(&set);
      const uint64_t attacks = knight_attacks[from];
      const bool uncovers = uncovers_diagonal(from) || uncovers_straight(from);
      append_safe(KNIGHT, from, uncovers ? attacks : attacks & knight_attacks[k]);
    }
  }

  const uint64_t pawns = b.Pieces[PAWN][Colour];
  if (b.PieceCount[PAWN][Colour]) {
    constexpr int Forward = ColourTraits<Colour>::Forward;
    const auto push = [&](int from, int to) {
      if (PassesStaticExchange(to, from, PAWN, 0, 0)) append_quiet(MakeMoveWord(from, to, PAWN));
    };
    // Squares from which a pawn of ours would strike the enemy king.
    const uint64_t strike = pawn_attacks[Enemy][k] & empty;
    const uint64_t back = Colour == WHITE ? strike >> 8 : strike << 8;
    for (uint64_t set = pawns & back; set;) {
      const int from = PopLowestBit(&set);
      push(from, from + Forward);
    }
    // Double steps can only strike a king on the fifth rank (fourth for black).
    if ((k >> 3) == (Colour == WHITE ? 4 : 3)) {
      const uint64_t back2 = Colour == WHITE ? (strike >> 16) & (empty >> 8) : (strike << 16) & (empty << 8);
      for (uint64_t set = pawns & RelativeRankMask<Colour>(1) & back2; set;) {
        const int from = PopLowestBit(&set);
        push(from, from + 2 * Forward);
      }
    }
    // Pawns that step off one of the king's lines and open it for a slider.
    const uint64_t movable = pawns & ~RelativeRankMask<Colour>(6) & (Colour == WHITE ? empty >> 8 : empty << 8);
    const auto push_uncovering = [&](uint64_t set, bool straight) {
      while (set) {
        const int from = PopLowestBit(&set);
        if (!(straight ? uncovers_straight(from) : uncovers_diagonal(from))) continue;
        push(from, from + Forward);
        if ((SquareBit(from) & RelativeRankMask<Colour>(1)) && (empty & SquareBit(from + 2 * Forward)))
          push(from, from + 2 * Forward);
      }
    };
    if (b.HeavyPieces[Colour]) push_uncovering(movable & RankAttacksFrom(k), true);
    push_uncovering(movable & diagonals, false);
  }

  // A king that stands in front of its own slider checks by stepping off the line.
  const int own_king = int(b.KingSquare[Colour]);
  if (uncovers_straight(own_king) || uncovers_diagonal(own_king)) {
    const int line = direction_table[own_king][k];
    const int magnitude = line < 0 ? -line : line;
    for (uint64_t squares = king_attacks[own_king] & empty; squares;) {
      const int to = PopLowestBit(&squares);
      const int step = direction_table[to][k];
      if ((step < 0 ? -step : step) != magnitude) append_quiet(MakeMoveWord(own_king, to, KING));
    }
  }

  // Castling whose rook lands on a line to the enemy king (the line test
  // before the costlier attack tests).
  using S = ColourTraits<Colour>;
  const uint64_t enemy_king = SquareBit(k);
  const uint64_t rank_from_e = (b.Castling & (S::ShortRight | S::LongRight)) ? RankAttacksFrom(S::KingStart) : 0;
  if (CastlingPathClear<Colour, true>() && ((FileAttacksFrom(S::KingStart + 1) | rank_from_e) & enemy_king) &&
      CastlingPathSafe<Colour, true>())
    append_quiet(S::ShortCastling);
  if (CastlingPathClear<Colour, false>() && ((FileAttacksFrom(S::KingStart - 1) | rank_from_e) & enemy_king) &&
      CastlingPathSafe<Colour, false>())
    append_quiet(S::LongCastling);
}

}  // namespace

void GenerateQuiescencePromotions() {
  if (thread_board.SideToMove == WHITE)
    GenerateQuiescencePromotionsFor<WHITE>();
  else
    GenerateQuiescencePromotionsFor<BLACK>();
}

void GenerateSearchPromotions() {
  if (thread_board.SideToMove == WHITE)
    GenerateSearchPromotionsFor<WHITE>();
  else
    GenerateSearchPromotionsFor<BLACK>();
}

void GenerateQuietChecks(int table) {
  if (thread_board.SideToMove == WHITE)
    GenerateQuietChecksFor<WHITE>(table);
  else
    GenerateQuietChecksFor<BLACK>(table);
}
