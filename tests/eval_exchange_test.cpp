// The evaluation's exchange safety test: its own cases, agreement with the
// board's static exchange for the side to move, and agreement with a plain
// swap-list exchange, written here from scratch, for the men of both colours.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

#include "board/attacks.h"
#include "board/makemove.h"
#include "board/movegen.h"
#include "board/notation.h"
#include "eval/evaluate.h"
#include "test_util.h"

namespace {

constexpr int Sq(const char* name) { return (name[0] - 'a') + 8 * (name[1] - '1'); }

// The same FEN with the other side to move (the exchange must not care).
std::string WithSideToMove(const char* fen, char side) {
  std::string text(fen);
  const size_t space = text.find(' ');
  text[space + 1] = side;
  return text;
}

TEST(ExchangeSafety, CasesOfTheRules) {
  InitBoardForTests();
  struct Case {
    const char* fen;
    const char* to;
    const char* from;
    int safe;
    const char* why;
  };
  const Case cases[] = {
      {"4k3/8/3p4/4p3/8/5N2/8/4K3 w - - 0 1", "e5", "f3", 0, "knight takes a pawn-guarded pawn"},
      {"4k3/8/3p4/4p3/8/5N2/8/3RK3 w - - 0 1", "e5", "f3", 0, "the pawn refuses before any recapture counts"},
      {"4k3/8/8/2n5/4b3/8/8/4RK2 w - - 0 1", "e4", "e1", 0, "rook takes a knight-guarded bishop, no retake"},
      {"4k3/8/8/2n5/4b3/8/8/4RKR1 w - - 0 1", "e4", "e1", 0, "a rook off the square's lines is no help"},
      {"4k3/8/8/2n5/4b3/8/6B1/4RK2 w - - 0 1", "e4", "e1", 1, "rook takes a knight-guarded bishop, bishop retakes"},
      {"4k3/8/8/8/8/8/8/R3K3 w - - 0 1", "a5", "a1", 1, "an empty square nobody attacks"},
      {"4k3/8/8/8/8/8/2b5/R3K3 w - - 0 1", "a4", "a1", 0, "an empty square the bishop sees"},
      {"4k3/8/8/8/8/8/8/3QK3 w - - 0 1", "d7", "d1", 0, "queen next to the king, no defender"},
      {"4k3/8/8/5B2/8/8/8/3QK3 w - - 0 1", "d7", "d1", 1, "queen next to the king, the bishop defends"},
      {"3r3k/3p4/8/8/8/8/3R4/3R2K1 w - - 0 1", "d7", "d2", 1, "the rook behind the mover recaptures"},
      {"3r3k/3p4/8/8/8/8/3R4/6K1 w - - 0 1", "d7", "d2", 0, "the same without the rook behind"},
      {"3rk3/3r4/8/8/3p4/8/3R4/3RK3 w - - 0 1", "d4", "d2", 0, "two rooks against two rooks on a pawn"},
      {"3r2k1/8/8/3p4/4P3/8/8/3R2K1 w - - 0 1", "d5", "d1", 1, "an own pawn covers the rook's capture"},
      {"4k3/8/8/3r4/8/8/3P4/3RK3 w - - 0 1", "d4", "d2", 1, "the rook behind the pushed pawn"},
      {"4k3/8/8/3r4/8/8/3P4/4K3 w - - 0 1", "d4", "d2", 0, "the pushed pawn alone under the rook"},
      {"4k3/8/8/3q4/8/8/8/3RK3 w - - 0 1", "d5", "d1", 1, "rook takes an undefended queen"},
      {"4k3/8/8/8/8/8/3pK3/8 w - - 0 1", "d2", "e2", 1, "king takes an undefended pawn"},
      {"4k3/8/8/8/8/2b5/3pK3/8 w - - 0 1", "d2", "e2", 0, "king takes a bishop-defended pawn"},
      {"4k3/4p3/3P4/8/8/8/8/4K3 w - - 0 1", "e7", "d6", 1, "pawn takes a pawn"},
      {"4k3/8/8/8/8/8/7q/5K2 w - - 0 1", "g2", "h2", 0, "black queen steps next to the white king"},
      {"4k3/8/8/8/8/8/6Pq/5K2 w - - 0 1", "g2", "h2", 0, "black queen takes a pawn the king defends"},
      {"4k1r1/8/8/8/8/8/6Pq/5K2 w - - 0 1", "g2", "h2", 1, "the rook on g8 keeps the king off g2"},
      {"4k3/8/8/8/8/8/6p1/4K2R w - - 0 1", "h1", "g2", 1, "black pawn takes a rook"},
  };
  for (const Case& c : cases) {
    for (char side : {'w', 'b'}) {
      const std::string fen = WithSideToMove(c.fen, side);
      SetPosition(fen.c_str());
      EXPECT_EQ(IsExchangeSafe(Sq(c.to), Sq(c.from)), c.safe) << fen << " " << c.from << "-" << c.to << ": " << c.why;
    }
  }
}

// ---- a plain swap-list exchange, sharing no code with the engine's ----

int PlainValue(int piece) {
  switch (piece) {
    case PAWN:
      return 1;
    case KNIGHT:
    case BISHOP:
      return 3;
    case ROOK:
      return 5;
    case QUEEN:
      return 9;
    case KING:
      return 200;
    default:
      return 0;
  }
}

int ColourAt(int square) { return (thread_board.Occupied[WHITE] >> square) & 1 ? WHITE : BLACK; }

// The placement field of the board's FEN, for failure messages.
std::string Placement() {
  std::string text;
  for (int rank = 7; rank >= 0; rank--) {
    int empty = 0;
    for (int file = 0; file < 8; file++) {
      const int square = rank * 8 + file, piece = int(thread_board.Square[square]);
      if (!piece) {
        empty++;
        continue;
      }
      if (empty) text += char('0' + empty);
      empty = 0;
      const char letter = ".KNP?RBQ"[piece];
      text += ColourAt(square) == WHITE ? letter : char(letter - 'A' + 'a');
    }
    if (empty) text += char('0' + empty);
    if (rank) text += '/';
  }
  return text;
}

// Does the man on `from` attack `to` with the men of `occupied` in the way?
bool PlainAttacks(int from, int to, uint64_t occupied) {
  const int piece = int(thread_board.Square[from]);
  const int df = (to & 7) - (from & 7), dr = (to >> 3) - (from >> 3);
  const int adf = std::abs(df), adr = std::abs(dr);
  switch (piece) {
    case PAWN:
      return adf == 1 && dr == (ColourAt(from) == WHITE ? 1 : -1);
    case KNIGHT:
      return (adf == 1 && adr == 2) || (adf == 2 && adr == 1);
    case KING:
      return std::max(adf, adr) == 1;
    default:
      break;
  }
  const bool straight = df == 0 || dr == 0, diagonal = adf == adr;
  if (from == to) return false;
  if (!((straight && (piece == ROOK || piece == QUEEN)) || (diagonal && (piece == BISHOP || piece == QUEEN))))
    return false;
  const int step = (df > 0) - (df < 0) + 8 * ((dr > 0) - (dr < 0));
  for (int s = from + step; s != to; s += step)
    if ((occupied >> s) & 1) return false;
  return true;
}

// 1 when the man on `from` may go to `to` without losing material: the
// textbook gain list, each side taking with its cheapest man (lowest square
// first), a king only onto a square the other side no longer attacks, and
// either side free to stop. As in the engine, a king that has taken still
// blocks its lines: no slider behind it joins in.
int PlainSwapIsSafe(int to, int from) {
  const Board& b = thread_board;
  const int order[6] = {PAWN, KNIGHT, BISHOP, ROOK, QUEEN, KING};
  uint64_t blockers = (b.Occupied[WHITE] | b.Occupied[BLACK]) & ~(uint64_t(1) << from);
  uint64_t available = blockers;
  auto attackers = [&](int colour) {
    uint64_t set = 0;
    for (int s = 0; s < 64; s++)
      if (((available >> s) & 1) && s != to && ColourAt(s) == colour && PlainAttacks(s, to, blockers))
        set |= uint64_t(1) << s;
    return set;
  };
  int gain[40];
  int depth = 0;
  gain[0] = PlainValue(int(b.Square[to]));
  int on_square = PlainValue(int(b.Square[from]));
  int side = ColourAt(from) ^ 1;
  for (;;) {
    const uint64_t mine = attackers(side);
    int taker = -1;
    for (int kind : order) {
      for (int s = 0; s < 64 && taker < 0; s++)
        if (((mine >> s) & 1) && int(b.Square[s]) == kind) taker = s;
      if (taker >= 0) break;
    }
    if (taker < 0) break;
    const bool king = b.Square[taker] == KING;
    if (king && attackers(side ^ 1)) break;
    depth++;
    gain[depth] = on_square - gain[depth - 1];
    on_square = PlainValue(int(b.Square[taker]));
    available &= ~(uint64_t(1) << taker);
    if (!king) blockers &= ~(uint64_t(1) << taker);
    side ^= 1;
  }
  while (depth > 0) {
    gain[depth - 1] = -std::max(-gain[depth - 1], gain[depth]);
    depth--;
  }
  return gain[0] >= 0;
}

// Starting points rich in exchanges: batteries, x-rays, kings in the fight.
const char* const kWalkStarts[] = {
    "r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq - 0 1",
    "r1bqkb1r/pppp1ppp/2n2n2/4p2Q/2B1P3/8/PPPP1PPP/RNB1K1NR w KQkq - 4 4",
    "r4rk1/1pp1qppp/p1np1n2/2b1p1B1/2B1P1b1/P1NP1N2/1PP1QPPP/R4RK1 w - - 0 10",
    "3q1rk1/3r1ppp/2n5/3p4/3P4/2NR4/3Q1PPP/3R2K1 w - - 0 1",
    "2r1r1k1/1b3ppp/p7/1p1Bp3/4P3/1B6/PP3PPP/2RR2K1 b - - 0 1",
    "8/2p5/3p4/KP5r/1R3p1k/8/4P1P1/8 w - - 0 1",
    "r2q1rk1/pP1p2pp/Q4n2/bbp1p3/Np6/1B3NBn/pPPP1PPP/R3K2R b KQ - 0 1",
};

// Visits the positions of random games (fixed seed) from each start.
template <typename Visit>
void WalkRandomGames(int games, int plies, Visit visit) {
  std::mt19937 random(20240611);
  for (const char* start : kWalkStarts) {
    for (int game = 0; game < games; game++) {
      SetPosition(start);
      int played = 0;
      for (; played < plies; played++) {
        visit();
        GenerateLegalMoves(LEGALITY_LIST_START);
        const int count = move_list_end - LEGALITY_LIST_START;
        if (count == 0) break;
        const Move move = move_list[LEGALITY_LIST_START + int(random() % unsigned(count))].move;
        MakeMove(move, 1);
      }
      for (; played > 0; played--) UnmakeMove();
    }
  }
}

TEST(ExchangeSafety, AgreesWithTheBoardExchangeForTheSideToMove) {
  InitBoardForTests();
  long compared = 0;
  WalkRandomGames(12, 40, [&] {
    move_list_end = 0;
    GenerateCaptures(thread_board.Occupied[thread_board.SideToMove ^ 1]);
    GenerateQuietMoves(0);
    std::vector<Move> moves;
    for (int i = 0; i < move_list_end; i++) moves.push_back(move_list[i].move);
    move_list_end = 0;
    for (Move move : moves) {
      if (MovePromotion(move)) continue;
      const int to = MoveTo(move), from = MoveFrom(move);
      const int expected = PassesStaticExchange(to, from, MovePiece(move), MoveCaptured(move), 0);
      char text[8];
      ASSERT_EQ(IsExchangeSafe(to, from), expected) << Placement() << " " << MoveToText(text, move);
      compared++;
    }
  });
  EXPECT_GT(compared, 10000);
}

TEST(ExchangeSafety, AgreesWithAPlainSwapListForBothColours) {
  InitBoardForTests();
  long compared = 0, unsafe = 0;
  WalkRandomGames(12, 40, [&] {
    const Board& b = thread_board;
    const uint64_t men = b.Occupied[WHITE] | b.Occupied[BLACK];
    for (int from = 0; from < 64; from++) {
      if (!((men >> from) & 1)) continue;
      const int colour = ColourAt(from);
      for (int to = 0; to < 64; to++) {
        // Squares the man attacks, holding nothing of its own and no king.
        if (to == from || !PlainAttacks(from, to, men)) continue;
        if (((b.Occupied[colour] >> to) & 1) || b.Square[to] == KING) continue;
        const int expected = PlainSwapIsSafe(to, from);
        ASSERT_EQ(IsExchangeSafe(to, from), expected) << Placement() << " from " << from << " to " << to;
        compared++;
        unsafe += !expected;
      }
    }
  });
  EXPECT_GT(compared, 50000);
  EXPECT_GT(unsafe, 1000);  // the walk must reach exchanges that lose
}

}  // namespace
