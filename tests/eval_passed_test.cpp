// Passed pawns: per-pawn values, rooks behind, king support, unstoppable
// pawns, the knights and pawns-only branches, distant pairs and the race.
// Every expected value is worked out by hand from the compiled-in parameters.
#include <gtest/gtest.h>

#include <cstring>

#include "eval/evaluate.h"
#include "eval/params.h"
#include "eval/passed.h"
#include "eval/pawns.h"
#include "test_util.h"

namespace {

class PassedPawnTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    InitEvalForTests();
    ResetEvaluationParameters();
  }
  static void TearDownTestSuite() { LoadEvaluationParametersFrom(DataPath("values.txt").c_str()); }
  void SetUp() override { InitEvalForTests(); }
};

struct PassedResult {
  int32_t score;
  int32_t king_attack[2];
  int32_t side_endgame[2];
  int32_t reliable;
};

PassedResult EvaluatePassed(const char* fen) {
  SetPosition(fen);
  memset(&thread_eval_info, 0, sizeof thread_eval_info);
  thread_eval_info.reliable = 1;
  AllPawns = thread_board.Pieces[PAWN][WHITE] | thread_board.Pieces[PAWN][BLACK];
  int32_t opening = 0, endgame = 0;
  EvaluatePawnStructure(&opening, &endgame);
  PassedResult r = {};
  r.score = EvaluatePassedPawns(0, r.king_attack, r.side_endgame);
  r.reliable = thread_eval_info.reliable;
  return r;
}

struct PassedCase {
  const char* fen;
  const char* why;
  int32_t score;
  int32_t king_attack_white, king_attack_black;
  int32_t side_endgame_white, side_endgame_black;
  int reliable;
};

void CheckCases(const PassedCase* cases, size_t count) {
  for (size_t i = 0; i < count; i++) {
    const PassedCase& c = cases[i];
    SCOPED_TRACE(std::string(c.fen) + ": " + c.why);
    const PassedResult r = EvaluatePassed(c.fen);
    EXPECT_EQ(r.score, c.score);
    EXPECT_EQ(r.king_attack[WHITE], c.king_attack_white);
    EXPECT_EQ(r.king_attack[BLACK], c.king_attack_black);
    EXPECT_EQ(r.side_endgame[WHITE], c.side_endgame_white);
    EXPECT_EQ(r.side_endgame[BLACK], c.side_endgame_black);
    EXPECT_EQ(r.reliable, c.reliable);
  }
}

// White's e-pawn against a black rook (the general branch). Base values of
// e5: opening 11 + (64 * 77 + 128) / 256 = 30, with the safe advance 39;
// endgame 21 + (77 * extra + 128) / 256.
TEST_F(PassedPawnTest, GeneralBranch) {
  const PassedCase cases[] = {
      {"k6r/8/8/4P3/8/8/8/4K3 w - - 0 1", "safe advance, extra 126 + 60 - 25 + 80", 0, 0, -39, 0, -93, 0},
      {"k6r/8/8/4P3/8/4P3/8/4K3 w - - 0 1", "a second pawn behind on the file is not scored", 0, 0, -39, 0, -93, 0},
      {"k2q4/8/8/4P3/8/8/8/4K3 w - - 0 1", "nine units against: no bitbase probe", 0, 0, -39, 0, -93, 1},
      {"k6r/8/4n3/4P3/8/8/8/4K3 w - - 0 1", "stop square taken: no safe advance, distances still count", 0, 0, -30, 0,
       -75, 1},
      {"k6r/8/8/8/8/8/4P3/6K1 w - - 0 1", "2nd rank: weight-0 values only", 0, 0, -11, 0, -21, 1},
      {"k6r/8/8/4P3/8/8/8/4R1K1 w - - 0 1", "own rook behind on the 5th rank: 19", -19, 0, -39, 0, -93, 0},
      {"k7/8/8/4P3/8/8/8/4r1K1 w - - 0 1", "enemy rook behind: 14, and it makes the advance unsafe", 14, 0, -30, 0, -75,
       0},
      {"k6r/8/8/4P3/5K2/8/8/8 w - - 0 1", "king support (32 * 28 * 8 * 4) >> 13 = 3", -3, 0, -39, 0, -98, 0},
      {"k6r/8/3K4/4P3/8/8/8/8 w - - 0 1",
       "unstoppable (6 * 25) >> 3 = 18 and support 28; the king also keeps "
       "black from d7, so the pawn runs whoever is to move",
       -46, 0, -39, 0, -100, 1},
      {"7r/K7/P7/8/8/8/8/2k5 w - - 0 1", "rook pawn with its king in front: support 96, less 40", -56, 0, -59, 0, -155,
       1},
      {"k6r/8/4n3/4P3/8/8/8/4R1K1 w - - 0 1", "own rook behind, halved with an enemy man on the stop square", -9, 0,
       -30, 0, -75, 1},
      {"7r/8/8/8/3K4/4P3/8/k7 w - - 0 1", "3rd rank: no unstoppable bonus, support (32 * 6 * 16 * 24) >> 13 = 9", -9, 0,
       -11, 0, -21, 1},
  };
  CheckCases(cases, sizeof cases / sizeof *cases);
}

TEST_F(PassedPawnTest, SupportNeedsTheKingBesideOrAhead) {
  struct {
    const char* fen;
    int32_t bonus;
  } cases[] = {
      {"k6r/8/8/4P3/5K2/8/8/8 w - - 0 1", 3},    // one rank behind
      {"k6r/8/8/4P3/8/5K2/8/8 w - - 0 1", 0},    // two ranks behind
      {"k6r/8/3K4/4P3/8/8/8/8 w - - 0 1", 28},   // ahead, nearer to the queening square
      {"k6r/8/8/4P3/2K5/8/8/8 w - - 0 1", 0},    // two files away
      {"k2qr3/8/8/4P3/5K2/8/8/8 w - - 0 1", 0},  // 14 units against
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.fen);
    SetPosition(c.fen);
    EXPECT_EQ(ScoreSupportedPassedPawn(WHITE, 36), c.bonus);
  }
}

// Pawns only: a lone king can stop a passed pawn or not; the side whose
// runner needs fewer moves collects the race. b4 for black: opening 32,
// endgame 19 + (77 * extra + 128) / 256.
TEST_F(PassedPawnTest, PawnsOnlyRace) {
  const PassedCase cases[] = {
      {"k7/8/8/8/1p6/8/8/7K w - - 0 1", "unstoppable, count 3: 550 + 40 - 24", 566, -32, 0, -82, 0, 0},
      {"k7/8/8/8/1p6/8/8/7K b - - 0 1", "black to move: count 2, plus the tempo", 566, -32, 0, -82, 0, 0},
      {"k7/8/8/8/1p6/2K5/8/8 w - - 0 1", "caught: no race, reliable still cleared", 0, -32, 0, -52, 0, 0},
      {"8/8/4k3/8/P4P2/8/8/4K3 w - - 0 1", "a- and f-pawns as a pair: count 3, 550 + 40 - 32, and 80 for the second",
       -638, 0, -39, 0, -67, 0},
      {"8/2K5/8/2P5/8/8/8/7k w - - 0 1", "own king in front: the square from c5 holds, count 2 + 1; support 14", -572,
       0, -30, 0, -85, 0},
      {"1k6/1P6/1K6/P7/8/8/8/8 w - - 0 1", "b7/b6 shut the king in: a5 runs, 1 off for the king in its span", -656, 0,
       -116, 0, -184, 0},
      {"3k4/8/p2K4/P2P4/8/8/8/8 w - - 0 1",
       "the lone king in front, yet won, black's only pawn stuck: 150; "
       "won with either side to move, so reliable stays",
       -150, 0, -30, 0, -71, 1},
      {"8/2k5/p3K3/P2P4/8/8/8/8 w - - 0 1", "caught unaided but won, black's only pawn stuck: 150; support 1", -151, 0,
       -30, 0, -63, 0},
      {"8/2k5/p3K2p/P2P2P1/8/8/8/8 w - - 0 1", "the same with a black pawn free to move: no bonus", -1, 0, -30, 0, -63,
       0},
      {"2k5/8/1P6/8/8/8/P7/4K3 w - - 0 1", "adjacent files are no pair, though b6 outruns a 'king' on a2", -80, 0, -66,
       0, -100, 0},
  };
  CheckCases(cases, sizeof cases / sizeof *cases);
}

// Both sides run: white needs W' = 3 with the move, black B = 3.
TEST_F(PassedPawnTest, CloseRace) {
  const PassedCase cases[] = {
      {"8/8/8/7P/p7/8/1k6/7K w - - 0 1", "W' = B and the new queen hits the king: -(540 - 24); black support +14", -502,
       -36, -36, -91, -79, 0},
      // The same position with colours exchanged: now black leads by B = W' - 1
      // and is paid 540 - 8 * B with its own count, not B'.
      {"7k/1K6/8/P7/7p/8/8/8 b - - 0 1", "B = W' - 1: +(540 - 16); white support -14", 510, -36, -36, -79, -91, 0},
      {"8/8/8/1k5P/1p6/8/8/7K w - - 0 1", "skewer from b8 through the king to its pawn: -516; black support +7", -509,
       -32, -36, -86, -79, 0},
  };
  CheckCases(cases, sizeof cases / sizeof *cases);

  struct {
    const char* fen;
    const char* why;
    int32_t score;
  } scores[] = {
      {"8/8/2k5/7P/1p1ppp2/3PPP2/8/7K w - - 0 1", "three loose pawns and a safe check: 40", -40},
      {"6K1/8/8/7P/1p1ppp2/3PPP2/2k5/8 w - - 0 1", "three loose pawns, no safe check: 6; supports +14 and -7", 1},
      {"8/n7/2k5/7P/1p1ppp2/3PPP2/8/7K w - - 0 1", "the trailer keeps a knight: no loose-pawn award; 15 vs the knight",
       -15},
      {"6K1/3pp3/8/7P/1pk5/8/8/8 w - - 0 1",
       "the only check square is next to the king and unguarded: 5; 160 for the "
       "extra passers, supports 18 + 1 - 6",
       168},
      // Two black runners tie on count 3; the a-pawn, walked first, is the
      // race pawn and the new queen on h8 covers a1: the full award.
      {"8/8/4k2P/2p5/6P1/pp4K1/8/8 w - - 0 1", "tie goes to a3: -524, and 160 - 80 for the extra passers", -444},
      // Colours exchanged: white walks from h to a, so b6 is its race pawn,
      // b8 is out of the queen's reach and two loose pawns with a check give 35.
      {"8/8/PP4k1/6p1/2P5/4K2p/8/8 b - - 0 1", "tie goes to b6: +35, and 80 - 160", -45},
  };
  for (const auto& c : scores) {
    SCOPED_TRACE(std::string(c.fen) + ": " + c.why);
    const PassedResult r = EvaluatePassed(c.fen);
    EXPECT_EQ(r.score, c.score);
    EXPECT_EQ(r.reliable, 0);
  }
}

// A lone knight against a runner the king cannot catch.
TEST_F(PassedPawnTest, KnightsBranch) {
  struct {
    const char* fen;
    const char* why;
    int32_t score;
  } cases[] = {
      {"8/8/P7/8/7k/8/8/4K2n w - - 0 1", "knight too far: count 1, 550 + 40 - 16, and 15 vs the knight", -589},
      {"8/8/P7/1n6/7k/8/8/4K3 w - - 0 1", "knight reaches the pawn's path", -15},
      {"8/P7/1n6/8/7k/8/8/4K3 w - - 0 1", "about to queen: the knight covers a8", -15},
      {"8/P7/8/3n4/7k/8/8/4K3 w - - 0 1", "about to queen, no cover, no fork: count 0", -597},
      {"4K3/P7/8/3n4/7k/8/8/8 w - - 0 1", "about to queen: Nc7 would fork a8 and the king", -15},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.fen) + ": " + c.why);
    const PassedResult r = EvaluatePassed(c.fen);
    EXPECT_EQ(r.score, c.score);
    EXPECT_EQ(r.reliable, 0);
  }
}

}  // namespace
