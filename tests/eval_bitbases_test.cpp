// The built-in bitbases against the engine's own move generator, their probes,
// the rook-against-pawn judges and the knight-interception masks.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "board/attacks.h"
#include "board/board.h"
#include "board/makemove.h"
#include "board/movegen.h"
#include "board/notation.h"
#include "board/tables.h"
#include "eval/bitbases.h"
#include "test_util.h"

namespace {

constexpr int Sq(const char* name) { return (name[0] - 'a') + 8 * (name[1] - '1'); }

using Men = std::vector<std::pair<int, char>>;  // (square, FEN letter)

// The FEN of the men given, no castling, no en passant.
std::string Fen(const Men& men, char side) {
  char board[64] = {};
  for (const auto& [square, letter] : men) board[square] = letter;
  std::string fen;
  for (int rank = 7; rank >= 0; rank--) {
    int empty = 0;
    for (int file = 0; file < 8; file++) {
      const char c = board[file + 8 * rank];
      if (!c) {
        empty++;
        continue;
      }
      if (empty) fen += char('0' + empty), empty = 0;
      fen += c;
    }
    if (empty) fen += char('0' + empty);
    if (rank) fen += '/';
  }
  fen += ' ';
  fen += side;
  fen += " - - 0 1";
  return fen;
}

// The same position turned by 180 degrees with the colours exchanged.
std::string RotatedFen(const Men& men, char side) {
  Men turned;
  for (const auto& [square, letter] : men) turned.emplace_back(63 - square, char(letter ^ 0x20));  // ASCII case flip
  return Fen(turned, side == 'w' ? 'b' : 'w');
}

std::vector<Move> LegalMoves() {
  GenerateLegalMoves(LEGALITY_LIST_START);
  std::vector<Move> moves;
  for (int i = LEGALITY_LIST_START; i < move_list_end; i++) moves.push_back(move_list[i].move);
  return moves;
}

int SecondBit(int side, int pawn, int king, int other_king) {
  int reliable = 1;
  return ProbeSecondPawnBitbase(side, pawn, king, other_king, &reliable);
}
int UnaidedBit(int side, int pawn, int king, int other_king) {
  int reliable = 1;
  return ProbeKpkBitbase(side, pawn, king, other_king, &reliable);
}

// The lone king to move after a promotion to queen or rook: king and queen
// (or rook) against king wins unless the new piece is taken or it is
// stalemate.
bool PromotionWinsHere() {
  const std::vector<Move> replies = LegalMoves();
  for (Move reply : replies)
    if (MoveCaptured(reply)) return false;
  return !replies.empty() || InCheck();
}

class Bitbases : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    InitBoardForTests();
    InitKnightCatchMasks();
  }
};

// Every legal king-and-pawn-against-king position (white pawn on ranks 2-7,
// either side to move) re-derived one ply deep with the engine's moves:
// second_pawn_bitbase with all moves, kpk_bitbase with pawn moves only for the
// pawn side. Placements the engine refuses keep the kpk bit in both tables.
TEST_F(Bitbases, KingAndPawnTablesAgreeWithOnePlyOfEngineMoves) {
  int legal = 0, illegal = 0, exact_mismatches = 0, unaided_mismatches = 0, illegal_mismatches = 0;
  std::vector<std::string> reported;
  for (int pawn = 8; pawn < 56; pawn++)
    for (int king = 0; king < 64; king++)
      for (int other = 0; other < 64; other++) {
        if (king == pawn || other == pawn || king == other) continue;
        for (int side = 0; side < 2; side++) {
          const std::string fen = Fen({{pawn, 'P'}, {king, 'K'}, {other, 'k'}}, side ? 'b' : 'w');
          const int second = SecondBit(side, pawn, king, other);
          const int unaided = UnaidedBit(side, pawn, king, other);
          if (LoadFen(fen.c_str()) != FEN_OK) {
            illegal++;
            if (second != unaided) illegal_mismatches++;
            continue;
          }
          legal++;
          bool exact = false, runs = false;
          const std::vector<Move> moves = LegalMoves();
          if (side == 0) {
            for (Move move : moves) {
              MakeMove(move, 1);
              const Board& b = thread_board;
              bool win, run_win;
              if (MovePromotion(move)) {
                win = run_win = (MovePromotion(move) == QUEEN || MovePromotion(move) == ROOK) && PromotionWinsHere();
              } else {
                const int p = LowestBit(b.Pieces[PAWN][WHITE]);
                win = SecondBit(1, p, int(b.KingSquare[WHITE]), int(b.KingSquare[BLACK]));
                run_win = UnaidedBit(1, p, int(b.KingSquare[WHITE]), int(b.KingSquare[BLACK]));
              }
              UnmakeMove();
              exact = exact || win;
              if (MovePiece(move) == PAWN) runs = runs || run_win;
            }
          } else if (moves.empty()) {
            exact = runs = InCheck();  // mate by the pawn, else stalemate
          } else {
            exact = runs = true;
            for (Move move : moves) {
              if (MoveCaptured(move) == PAWN) {
                exact = runs = false;
                continue;
              }
              MakeMove(move, 1);
              exact = exact && SecondBit(0, pawn, king, int(thread_board.KingSquare[BLACK]));
              runs = runs && UnaidedBit(0, pawn, king, int(thread_board.KingSquare[BLACK]));
              UnmakeMove();
            }
          }
          if (exact != bool(second)) exact_mismatches++;
          if (runs != bool(unaided)) unaided_mismatches++;
          if ((exact != bool(second) || runs != bool(unaided)) && reported.size() < 8)
            reported.push_back(fen + " second " + std::to_string(second) + " expected " + std::to_string(exact) +
                               ", kpk " + std::to_string(unaided) + " expected " + std::to_string(runs));
        }
      }
  for (const std::string& line : reported) ADD_FAILURE() << line;
  EXPECT_EQ(exact_mismatches, 0);
  EXPECT_EQ(unaided_mismatches, 0);
  EXPECT_EQ(illegal_mismatches, 0);
  std::printf("legal KPK positions re-derived: %d, refused placements: %d\n", legal, illegal);
}

TEST_F(Bitbases, UnaidedBitsAreASubsetOfWonBitsOnEveryIndex) {
  int violations = 0;
  for (int i = 0; i < 65536; i++) violations += (kpk_bitbase[i] & ~second_pawn_bitbase[i]) != 0;
  EXPECT_EQ(violations, 0);
}

TEST_F(Bitbases, PawnsOnTheEndRanksHoldNoBits) {
  for (int pawn : {0, 3, 7, 56, 60, 63})
    for (int king = 0; king < 64; king++)
      for (int other = 0; other < 64; other++)
        for (int side = 0; side < 2; side++) {
          ASSERT_EQ(SecondBit(side, pawn, king, other), 0) << pawn << " " << king << " " << other;
          ASSERT_EQ(UnaidedBit(side, pawn, king, other), 0) << pawn << " " << king << " " << other;
        }
}

// The rule of the square, for both sides to move, decides these: the answer
// for the side given, and reliable cleared only when the two sides differ.
TEST_F(Bitbases, PawnProbesAnswerForTheSideAndClearReliableOnlyWhenSidesDiffer) {
  struct Case {
    const char* what;
    int pawn, king, other;
    int white_to_move, black_to_move;
  } cases[] = {
      {"lone king f4 enters the square only when it moves first", Sq("a4"), Sq("h1"), Sq("f4"), 1, 0},
      {"lone king h8 is outside the square either way", Sq("a4"), Sq("h1"), Sq("h8"), 1, 1},
      {"lone king a8 stands in front of the pawn", Sq("a4"), Sq("h1"), Sq("a8"), 0, 0},
  };
  for (const Case& c : cases)
    for (auto probe : {ProbeKpkBitbase, ProbeSecondPawnBitbase, ProbeKpkOrBlockedPawn})
      for (int side = 0; side < 2; side++) {
        int reliable = 7;
        EXPECT_EQ(probe(side, c.pawn, c.king, c.other, &reliable), side ? c.black_to_move : c.white_to_move) << c.what;
        EXPECT_EQ(reliable, c.white_to_move == c.black_to_move ? 7 : 0) << c.what;
      }

  // The pair rule over every placement of both tables.
  for (auto probe : {ProbeKpkBitbase, ProbeSecondPawnBitbase})
    for (int pawn = 8; pawn < 56; pawn++)
      for (int king = 0; king < 64; king++)
        for (int other = 0; other < 64; other++) {
          int reliable0 = 7, reliable1 = 7;
          const int white = probe(0, pawn, king, other, &reliable0);
          const int black = probe(1, pawn, king, other, &reliable1);
          const int expected = white == black ? 7 : 0;
          ASSERT_EQ(reliable0, expected);
          ASSERT_EQ(reliable1, expected);
        }
}

// With the own king ahead on the file the rule of the square answers: the
// unaided bit of such a position is 0 (the pawn runs into its king).
TEST_F(Bitbases, KingAheadOfItsPawnIsJudgedByTheSquareNotTheBitbase) {
  struct Case {
    const char* what;
    int pawn, king, other;
    int white_to_move, black_to_move;
  } cases[] = {
      {"a1 is outside both squares of e4", Sq("e4"), Sq("e6"), Sq("a1"), 1, 1},
      {"a3 is inside only the larger square", Sq("e4"), Sq("e6"), Sq("a3"), 1, 0},
      {"e8 is inside both", Sq("e4"), Sq("e6"), Sq("e8"), 0, 0},
      {"the second rank counts as the third: b2", Sq("e2"), Sq("e3"), Sq("b2"), 1, 0},
  };
  for (const Case& c : cases)
    for (int side = 0; side < 2; side++) {
      int reliable = 7;
      EXPECT_EQ(ProbeKpkOrBlockedPawn(side, c.pawn, c.king, c.other, &reliable),
                side ? c.black_to_move : c.white_to_move)
          << c.what;
      EXPECT_EQ(reliable, c.white_to_move == c.black_to_move ? 7 : 0) << c.what;
    }
  int ignored = 1;
  EXPECT_EQ(ProbeKpkBitbase(0, Sq("e4"), Sq("e6"), Sq("a1"), &ignored), 0);

  // Any other king square reads the bitbase.
  for (int pawn = 8; pawn < 56; pawn++)
    for (int king = 0; king < 64; king++)
      for (int other = 0; other < 64; other++) {
        if ((king & 7) == (pawn & 7) && king > pawn) continue;
        for (int side = 0; side < 2; side++) {
          int reliable_a = 7, reliable_b = 7;
          ASSERT_EQ(ProbeKpkOrBlockedPawn(side, pawn, king, other, &reliable_a),
                    ProbeKpkBitbase(side, pawn, king, other, &reliable_b));
          ASSERT_EQ(reliable_a, reliable_b);
        }
      }
}

// ---- rook against pawn ----

bool WhiteKingAttacked(int rook, int black_king, int pawn, int white_king) {
  if (king_attacks[black_king] & SquareBit(white_king)) return true;
  if (!(rook_lines[rook] & SquareBit(white_king))) return false;
  const uint64_t between = between_table[rook][white_king] & ~SquareBit(rook);
  return !(between & (SquareBit(black_king) | SquareBit(pawn)));
}

// Placements that are no legal position with the rook side to move hold 0:
// the judge probes such placements (a king move along the line of a check)
// and must learn nothing from them.
TEST_F(Bitbases, RookTableHoldsNothingForIllegalPlacements) {
  int set_on_illegal = 0;
  for (int a = 0; a < 64; a++)
    for (int b = 0; b < 64; b++)
      for (int pawn = 24; pawn < 56; pawn++) {
        if ((pawn & 7) < 4) continue;
        for (int d = 0; d < 64; d++) {
          const bool shared = a == b || a == pawn || a == d || b == pawn || b == d || pawn == d;
          if (shared || WhiteKingAttacked(a, b, pawn, d)) set_on_illegal += ProbeRookPawnBitbase(a, b, pawn, d);
        }
      }
  EXPECT_EQ(set_on_illegal, 0);
}

TEST_F(Bitbases, RookTableMirrorsFilesAToDWithAllFourSquares) {
  int differences = 0;
  for (int pawn = 24; pawn < 56; pawn++) {
    if ((pawn & 7) < 4) continue;
    for (int a = 0; a < 64; a++)
      for (int b = 0; b < 64; b++)
        for (int d = 0; d < 64; d++)
          differences += ProbeRookPawnBitbase(a, b, pawn, d) != ProbeRookPawnBitbase(a ^ 7, b ^ 7, pawn ^ 7, d ^ 7);
  }
  EXPECT_EQ(differences, 0);
}

// The rook table re-derived two plies deep with the engine's moves, on a
// sample of the legal positions with the pawn on its ranks 4-6, where every
// line stays inside the table or ends at once: black wins when some move
// leaves white, to move, mated, or with every reply leading to a position the
// table gives black. Taking the pawn leaves king and rook against king, won
// unless white takes the rook or is stalemated; white taking the rook saves
// white.
TEST_F(Bitbases, RookTableAgreesWithTwoPliesOfEngineMoves) {
  // With white to move after black's move: does black win?
  auto black_wins_here = [] {
    const std::vector<Move> replies = LegalMoves();
    if (replies.empty()) return bool(InCheck());
    if (!thread_board.Pieces[PAWN][WHITE]) {
      for (Move reply : replies)
        if (MoveCaptured(reply)) return false;
      return true;
    }
    for (Move reply : replies) {
      if (MoveCaptured(reply)) return false;  // the rook
      MakeMove(reply, 1);
      const Board& b = thread_board;
      const bool held = ProbeRookPawnBitbase(LowestBit(b.Pieces[ROOK][BLACK]), int(b.KingSquare[BLACK]),
                                             LowestBit(b.Pieces[PAWN][WHITE]), int(b.KingSquare[WHITE]));
      UnmakeMove();
      if (held) return false;
    }
    return true;
  };
  int checked = 0, held = 0, mismatches = 0, position = 0;
  for (int pawn = Sq("e4"); pawn <= Sq("h6"); pawn++) {
    if ((pawn & 7) < 4) continue;
    for (int a = 0; a < 64; a++)
      for (int b = 0; b < 64; b++)
        for (int d = 0; d < 64; d++) {
          if (++position % 17) continue;
          const std::string fen = Fen({{a, 'r'}, {b, 'k'}, {pawn, 'P'}, {d, 'K'}}, 'b');
          if (PopCount(SquareBit(a) | SquareBit(b) | SquareBit(pawn) | SquareBit(d)) != 4 ||
              LoadFen(fen.c_str()) != FEN_OK)
            continue;
          bool win = false;
          for (Move move : LegalMoves()) {
            MakeMove(move, 1);
            win = black_wins_here();
            UnmakeMove();
            if (win) break;
          }
          const int bit = ProbeRookPawnBitbase(a, b, pawn, d);
          checked++;
          held += bit;
          if (win == bool(bit) && ++mismatches <= 8) ADD_FAILURE() << fen << ": table says held = " << bit;
        }
  }
  EXPECT_EQ(mismatches, 0);
  EXPECT_GT(held, 0);
  EXPECT_GT(checked - held, 0);
  std::printf("rook table positions re-derived: %d (%d held)\n", checked, held);
}

// Positions whose result is plain chess, rook side (black) to move.
TEST_F(Bitbases, RookTableKnowsPlainRookAgainstPawnResults) {
  struct Case {
    const char* what;
    Men men;  // black rook, black king, white pawn, white king
    int held;
  } cases[] = {
      {"the rook takes the lone pawn", {{Sq("e2"), 'r'}, {Sq("a8"), 'k'}, {Sq("e5"), 'P'}, {Sq("h1"), 'K'}}, 0},
      {"b-file: the rook takes the lone pawn", {{Sq("b1"), 'r'}, {Sq("h8"), 'k'}, {Sq("b5"), 'P'}, {Sq("h3"), 'K'}}, 0},
      {"the pawn on e7 queens beside its king",
       {{Sq("a1"), 'r'}, {Sq("h1"), 'k'}, {Sq("e7"), 'P'}, {Sq("d7"), 'K'}},
       1},
      {"the pawn on b7 queens beside its king",
       {{Sq("h1"), 'r'}, {Sq("a1"), 'k'}, {Sq("b7"), 'P'}, {Sq("c7"), 'K'}},
       1},
      {"the black king stops the pawn", {{Sq("h1"), 'r'}, {Sq("e7"), 'k'}, {Sq("e5"), 'P'}, {Sq("e4"), 'K'}}, 0},
  };
  for (const Case& c : cases) {
    const std::string fen = Fen(c.men, 'b');
    ASSERT_EQ(LoadFen(fen.c_str()), FEN_OK) << fen;
    EXPECT_EQ(ProbeRookPawnBitbase(c.men[0].first, c.men[1].first, c.men[2].first, c.men[3].first), c.held) << c.what;
    EXPECT_EQ(ProbeBlackRookVsPawns(c.men[2].first, c.men[0].first), c.held) << c.what;
  }
}

struct Probe {
  const char* rook;
  const char* rook_king;
  const char* pawn;
  const char* pawn_king;
  int bit;
};

// A judge case with the white pawn against the black rook; the rotated case
// (black pawn, white rook) must give the same answer. The probes state what
// the table holds for the positions the rule consults, so that each case
// shows the rule it is about.
struct JudgeCase {
  const char* what;
  Men men;
  char side;
  int expected;
  std::vector<Probe> table;
};

void CheckJudgeCase(const JudgeCase& c) {
  for (const Probe& p : c.table)
    ASSERT_EQ(ProbeRookPawnBitbase(Sq(p.rook), Sq(p.rook_king), Sq(p.pawn), Sq(p.pawn_king)), p.bit)
        << c.what << ": table at rook " << p.rook << ", king " << p.rook_king << ", pawn " << p.pawn << ", king "
        << p.pawn_king;
  int pawn = -1, rook = -1;
  for (const auto& [square, letter] : c.men) {
    if (letter == 'P') pawn = square;
    if (letter == 'r') rook = square;
  }
  const std::string fen = Fen(c.men, c.side);
  ASSERT_EQ(LoadFen(fen.c_str()), FEN_OK) << fen;
  EXPECT_EQ(ProbeBlackRookVsPawns(pawn, rook), c.expected) << c.what << ": " << fen;
  const std::string rotated = RotatedFen(c.men, c.side);
  ASSERT_EQ(LoadFen(rotated.c_str()), FEN_OK) << rotated;
  EXPECT_EQ(ProbeWhiteRookVsPawns(63 - pawn, 63 - rook), c.expected) << c.what << ": " << rotated;
}

TEST_F(Bitbases, RookJudgeFollowsItsRules) {
  const JudgeCase cases[] = {
      {"rook side to move, pawn on its third rank: undecided",
       {{Sq("a1"), 'r'}, {Sq("a8"), 'k'}, {Sq("e3"), 'P'}, {Sq("h2"), 'K'}},
       'b',
       2,
       {}},
      {"rook side to move, pawn on its fifth: the table",
       {{Sq("e2"), 'r'}, {Sq("a8"), 'k'}, {Sq("e5"), 'P'}, {Sq("h1"), 'K'}},
       'b',
       0,
       {{"e2", "a8", "e5", "h1", 0}}},
      {"the white king takes the undefended rook",
       {{Sq("f2"), 'r'}, {Sq("a8"), 'k'}, {Sq("e5"), 'P'}, {Sq("e1"), 'K'}},
       'w',
       1,
       {}},
      {"the pawn attacks the rook", {{Sq("d6"), 'r'}, {Sq("a8"), 'k'}, {Sq("e5"), 'P'}, {Sq("h1"), 'K'}}, 'w', 1, {}},
      {"pawn on its third rank, blocked",
       {{Sq("a8"), 'r'}, {Sq("e4"), 'k'}, {Sq("e3"), 'P'}, {Sq("b1"), 'K'}},
       'w',
       2,
       {}},
      {"pawn on its third rank, the step interposes against a rank check and holds",
       {{Sq("a4"), 'r'}, {Sq("h1"), 'k'}, {Sq("e3"), 'P'}, {Sq("f4"), 'K'}},
       'w',
       1,
       {{"a4", "h1", "e4", "f4", 1}}},
      {"pawn on its third rank, the step loses the pawn",
       {{Sq("a4"), 'r'}, {Sq("h8"), 'k'}, {Sq("e3"), 'P'}, {Sq("g4"), 'K'}},
       'w',
       2,
       {{"a4", "h8", "e4", "g4", 0}}},
      {"pawn on its seventh, no safe king move: 0 as written (it is stalemate)",
       {{Sq("b1"), 'r'}, {Sq("c7"), 'k'}, {Sq("a7"), 'P'}, {Sq("a8"), 'K'}},
       'w',
       0,
       {}},
      {"pawn on its seventh promotes to interpose against a check along the eighth",
       {{Sq("a8"), 'r'}, {Sq("h1"), 'k'}, {Sq("e7"), 'P'}, {Sq("f8"), 'K'}},
       'w',
       1,
       {}},
  };
  for (const JudgeCase& c : cases) CheckJudgeCase(c);
}

// Pawn on its fifth, the rook checking along the king's rank with the square
// in front of the pawn between them: the step is tried, then the king moves.
// A check along the file tries only the king moves.
TEST_F(Bitbases, RookJudgeTriesTheInterposingStepThenTheKingMoves) {
  // Rook a6 checks the king along the sixth; e6 lies between. The king's
  // candidates are its neighbours off the sixth rank, and the one beyond it
  // on the sixth (an illegal placement, which the table holds as 0). The
  // black king's square selects what the table holds.
  struct Geometry {
    const char* king;
    std::vector<const char*> candidates;
  } geometries[] = {
      {"g6", {"f5", "g5", "h5", "f7", "g7", "h7", "h6"}},  // the pawn on e6 would hang
      {"f6", {"e7", "f5", "g5", "f7", "g7", "g6"}},        // the king guards e6
  };
  int found[3] = {};  // the step holds; only a king move holds; nothing holds
  for (const Geometry& g : geometries)
    for (int black_king = 0; black_king < 64; black_king++) {
      // Away from every candidate, and off the sixth where it would block.
      if (king_attacks[black_king] & (SquareBit(Sq(g.king)) | king_attacks[Sq(g.king)])) continue;
      if ((black_king >> 3) == 5 || black_king == Sq("e5")) continue;
      const Men men = {{Sq("a6"), 'r'}, {black_king, 'k'}, {Sq("e5"), 'P'}, {Sq(g.king), 'K'}};
      const std::string fen = Fen(men, 'w');
      ASSERT_EQ(LoadFen(fen.c_str()), FEN_OK) << fen;
      const int step = ProbeRookPawnBitbase(Sq("a6"), black_king, Sq("e6"), Sq(g.king));
      int king_moves = 0;
      for (const char* c : g.candidates) king_moves |= ProbeRookPawnBitbase(Sq("a6"), black_king, Sq("e5"), Sq(c));
      found[step ? 0 : king_moves ? 1 : 2]++;
      const int expected = step || king_moves ? 1 : 0;
      EXPECT_EQ(ProbeBlackRookVsPawns(Sq("e5"), Sq("a6")), expected) << fen;
      ASSERT_EQ(LoadFen(RotatedFen(men, 'w').c_str()), FEN_OK);
      EXPECT_EQ(ProbeWhiteRookVsPawns(63 - Sq("e5"), 63 - Sq("a6")), expected) << fen << " rotated";
    }
  EXPECT_GT(found[0], 0);
  EXPECT_GT(found[1], 0);
  EXPECT_GT(found[2], 0);

  // Rook g8 checks the king g4 along the file: the pawn's step is not tried
  // even where its table bit is set.
  int step_would_hold = 0;
  for (int black_king = 0; black_king < 64; black_king++) {
    const Men men = {{Sq("g8"), 'r'}, {black_king, 'k'}, {Sq("e5"), 'P'}, {Sq("g4"), 'K'}};
    const std::string fen = Fen(men, 'w');
    // On the g-file the black king would block the check.
    if ((black_king & 7) == 6 || black_king == Sq("e5") || LoadFen(fen.c_str()) != FEN_OK) continue;
    int king_moves = 0;
    for (const char* c : {"f3", "g3", "h3", "f4", "h4", "f5", "h5"})
      if (!(king_attacks[black_king] & SquareBit(Sq(c))) && Sq(c) != black_king)
        king_moves |= ProbeRookPawnBitbase(Sq("g8"), black_king, Sq("e5"), Sq(c));
    step_would_hold += ProbeRookPawnBitbase(Sq("g8"), black_king, Sq("e6"), Sq("g4"));
    EXPECT_EQ(ProbeBlackRookVsPawns(Sq("e5"), Sq("g8")), king_moves) << fen;
  }
  // With the king still in check after the step that position is illegal,
  // and the table says so.
  EXPECT_EQ(step_would_hold, 0);
}

// A pawn on its second rank: only the double step is looked up. After a
// single step the pawn would stand on its third rank, outside the table, and
// reading there would give the unrelated entry of the pawn on the fourth
// rank's first file (the e4 slot).
TEST_F(Bitbases, RookJudgeNeverProbesAPawnOnItsThirdRank) {
  int aliased = 0, held = 0;
  const int pawn = Sq("g2");
  for (int a = 0; a < 64 && (aliased < 5 || held < 5); a++)
    for (int b = 0; b < 64; b++)
      for (int d = 0; d < 64; d++) {
        const uint64_t men = SquareBit(a) | SquareBit(b) | SquareBit(d) | SquareBit(pawn);
        if (PopCount(men) != 4 || (men & (SquareBit(pawn + 8) | SquareBit(pawn + 16)))) continue;
        if ((a >> 3) == 1 || (pawn_attacks[WHITE][pawn] & SquareBit(a))) continue;  // no pin, no capture
        if ((king_attacks[d] & SquareBit(a)) && !(king_attacks[b] & SquareBit(a))) continue;
        const int double_step = ProbeRookPawnBitbase(a, b, pawn + 16, d);
        const int alias = ProbeRookPawnBitbase(a, b, pawn + 8, d);  // what the e4 slot holds
        const bool wanted = double_step ? held < 5 : alias && aliased < 5;
        if (!wanted) continue;
        const std::string fen = Fen({{a, 'r'}, {b, 'k'}, {pawn, 'P'}, {d, 'K'}}, 'w');
        if (LoadFen(fen.c_str()) != FEN_OK) continue;
        EXPECT_EQ(ProbeBlackRookVsPawns(pawn, a), double_step ? 1 : 2) << fen;
        (double_step ? held : aliased)++;
      }
  EXPECT_EQ(aliased, 5);
  EXPECT_EQ(held, 5);
}

// The white-rook judge is the black-rook judge turned by 180 degrees, on a
// spread of positions with either side to move.
TEST_F(Bitbases, RookJudgesAreSymmetricUnderRotation) {
  uint32_t seed = 12345;
  auto next = [&seed](int n) {
    seed = seed * 1103515245u + 12345u;
    return int((seed >> 16) % uint32_t(n));
  };
  int compared = 0, answers[3] = {};
  while (compared < 20000) {
    const int pawn = 8 + next(48), rook = next(64), black_king = next(64), white_king = next(64);
    const uint64_t men = SquareBit(pawn) | SquareBit(rook) | SquareBit(black_king) | SquareBit(white_king);
    if (PopCount(men) != 4) continue;
    const Men position = {{rook, 'r'}, {black_king, 'k'}, {pawn, 'P'}, {white_king, 'K'}};
    const char side = next(2) ? 'w' : 'b';
    if (LoadFen(Fen(position, side).c_str()) != FEN_OK) continue;
    const int black_rook = ProbeBlackRookVsPawns(pawn, rook);
    ASSERT_EQ(LoadFen(RotatedFen(position, side).c_str()), FEN_OK);
    const int white_rook = ProbeWhiteRookVsPawns(63 - pawn, 63 - rook);
    ASSERT_EQ(black_rook, white_rook) << Fen(position, side);
    ASSERT_LE(unsigned(black_rook), 2u);
    answers[black_rook]++;
    compared++;
  }
  EXPECT_GT(answers[0], 0);
  EXPECT_GT(answers[1], 0);
  EXPECT_GT(answers[2], 0);
}

// ---- knight-interception masks (black pawn running toward rank 1) ----

TEST_F(Bitbases, KnightCatchMasks) {
  const int pawn = Sq("d2");
  for (int king = 0; king < 64; king++) {
    const uint64_t mask = knight_catch_masks[pawn][king];
    EXPECT_TRUE(mask & SquareBit(Sq("e3"))) << king;  // one jump to d1
    // h1 reaches d1 in two jumps but d2 only in three: the path includes d1.
    EXPECT_TRUE(mask & SquareBit(Sq("h1"))) << king;
    EXPECT_FALSE(mask & SquareBit(Sq("a8"))) << king;  // three jumps to d2, four to d1
    for (int end_rank_pawn : {Sq("a1"), Sq("d1"), Sq("h1"), Sq("a8"), Sq("d8"), Sq("h8")})
      EXPECT_EQ(knight_catch_masks[end_rank_pawn][king], 0u);
  }
  // d4 is two jumps from d2, three from d1: only a check on the way (b3
  // attacks both the king on a1 and d2) brings it in time.
  EXPECT_TRUE(knight_catch_masks[pawn][Sq("a1")] & SquareBit(Sq("d4")));
  EXPECT_FALSE(knight_catch_masks[pawn][Sq("h8")] & SquareBit(Sq("d4")));
}

TEST_F(Bitbases, KnightCatchMasksLeaveTheBoardAlone) {
  SetPosition("8/8/3k4/8/3P4/8/8/4K3 b - - 0 1");
  Board before;
  std::memcpy(&before, &thread_board, sizeof before);
  InitKnightCatchMasks();
  EXPECT_EQ(std::memcmp(&before, &thread_board, sizeof before), 0);
}

}  // namespace
