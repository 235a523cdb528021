// Special endgame knowledge: the recognised endings, each checked as given,
// colour-flipped and file-mirrored (the verdict for the side to move must not
// change), and the damping of balanced extra-pawn endings.
#include <gtest/gtest.h>

#include <cctype>
#include <sstream>
#include <string>

#include "board/board.h"
#include "eval/endgame.h"
#include "eval/evaluate.h"
#include "eval/params.h"
#include "eval/pawns.h"
#include "search/tables.h"
#include "test_util.h"

namespace {

// The FEN with the files reversed (a <-> h), en passant square included.
std::string MirrorFen(const std::string& fen) {
  std::istringstream in(fen);
  std::string placement, side, castling, ep, rest;
  in >> placement >> side >> castling >> ep;
  std::getline(in, rest);
  std::string mirrored, rank;
  auto flush = [&] {
    std::string expanded;
    for (char c : rank) expanded += isdigit(c) ? std::string(c - '0', '1') : std::string(1, c);
    std::string reversed(expanded.rbegin(), expanded.rend());
    int empty = 0;
    for (char c : reversed) {
      if (c == '1') {
        empty++;
        continue;
      }
      if (empty) mirrored += char('0' + empty);
      empty = 0;
      mirrored += c;
    }
    if (empty) mirrored += char('0' + empty);
    rank.clear();
  };
  for (char c : placement) {
    if (c == '/') {
      flush();
      mirrored += '/';
    } else {
      rank += c;
    }
  }
  flush();
  if (ep != "-") ep[0] = char('h' - (ep[0] - 'a'));
  return mirrored + " " + side + " " + castling + " " + ep + rest;
}

struct Result {
  int32_t final;
  int32_t score;  // side to move's view, when final
  int32_t term;   // black minus white, when not final
  int32_t reliable;
  int32_t cacheable;
};

// EvaluateSpecialEndgame as the full evaluation calls it.
Result Judge(const std::string& fen, int32_t incoming = NO_SCORE) {
  SetPosition(fen.c_str());
  thread_eval_info = EvalInfo{};
  thread_eval_info.reliable = 1;
  thread_eval_info.cacheable = 1;
  thread_eval_info.material = thread_board.Material[BLACK] - thread_board.Material[WHITE];
  Result result{};
  result.score = incoming;
  result.term = EvaluateSpecialEndgame(&result.score, 32700, &result.final);
  result.reliable = thread_eval_info.reliable;
  result.cacheable = thread_eval_info.cacheable;
  return result;
}

enum Verdict { GOES_ON, DRAWN, WINS, LOSES, MATED };

struct Case {
  const char* fen;
  Verdict verdict;
  int32_t extra;  // WINS/LOSES: the score is won_pawn_base + extra
  const char* why;
};

// Every rule that decides: the Part's edge cases, the draws and pawn wins
// everyone knows, and the regressions of the stalemate rule.
const Case kCases[] = {
    // Insufficient material and the cannot-win flags.
    {"8/8/8/4k3/8/8/8/4K3 w - - 0 1", DRAWN, 0, "bare kings"},
    {"8/8/8/4k3/8/8/8/2N1KN2 w - - 0 1", DRAWN, 0, "two knights cannot win"},
    {"8/8/8/4k3/8/8/8/2N1KN2 b - - 0 1", DRAWN, 0, "two knights cannot win"},
    {"8/8/8/4k3/8/8/2b5/2B1K3 w - - 0 1", DRAWN, 0, "bishop against bishop"},
    {"4k3/8/8/3r4/8/3R4/8/4K3 w - - 0 1", DRAWN, 0, "rook against rook, no pawns"},
    {"8/8/8/4k3/8/4B3/8/2B1K3 w - - 0 1", DRAWN, 0, "two bishops on one colour"},
    {"8/8/8/4k3/8/8/8/2B1KB2 w - - 0 1", GOES_ON, 0, "bishops of both colours mate"},
    // Rook pawn and the wrong bishop.
    {"1k6/8/8/8/P7/2K5/8/2B5 w - - 0 1", DRAWN, 0, "defending king beside the corner"},
    {"1k6/8/8/8/P7/2K5/8/2B5 b - - 0 1", DRAWN, 0, "defending king beside the corner"},
    {"1k6/8/8/8/P7/2K5/8/3B4 w - - 0 1", GOES_ON, 0, "the bishop of the corner's colour"},
    {"8/3k4/8/8/P7/8/8/2B4K w - - 0 1", DRAWN, 0, "defending king nearer and in time"},
    {"8/8/P3k3/8/8/8/8/2B4K w - - 0 1", GOES_ON, 0, "defending king nearer but the pawn runs"},
    // King and pawn against king.
    {"k7/8/8/8/8/8/P7/K7 w - - 0 1", DRAWN, 0, "rook pawn, king in the corner"},
    {"3k4/8/3K4/3P4/8/8/8/8 w - - 0 1", WINS, 150, "king in front on the sixth"},
    {"3k4/8/3K4/3P4/8/8/8/8 b - - 0 1", LOSES, 150, "king in front on the sixth"},
    {"8/8/8/4k3/8/4K3/4P3/8 w - - 0 1", DRAWN, 0, "the defender keeps the opposition"},
    {"8/8/8/4k3/8/4K3/4P3/8 b - - 0 1", LOSES, 0, "the defender must give way"},
    // Pawn races: the lone pawn is held, the other side's passer runs.
    {"8/8/8/k7/7p/8/P7/2K5 b - - 0 1", WINS, 150, "the h-pawn runs"},
    {"8/8/8/k7/7p/8/P7/2K5 w - - 0 1", LOSES, 150, "the h-pawn runs even a tempo down"},
    {"8/8/8/k7/7p/8/P4K2/8 b - - 0 1", DRAWN, 0, "each rook pawn stopped: neither side can win"},
    {"8/3p4/8/k7/7p/8/P4K2/8 b - - 0 1", GOES_ON, 0, "no passer runs, black keeps chances"},
    // Bishops of opposite colours, two pawns against none.
    {"8/2b5/Pk6/1P6/8/3B4/4K3/8 b - - 0 1", DRAWN, 0, "king in front of the b-pawn"},
    {"8/2b5/Pk6/1P6/8/3B4/4K3/8 w - - 0 1", DRAWN, 0, "king in front, attacker's king away"},
    {"8/2bK4/Pk6/1P6/8/3B4/8/8 w - - 0 1", GOES_ON, 0, "the attacker's king attacks the bishop"},
    {"8/2bK4/Pk6/1P6/8/3B4/8/8 b - - 0 1", DRAWN, 0, "the defender to move"},
    // Bishops of opposite colours, one pawn.
    {"5bk1/8/8/4P3/8/3B4/8/4K3 w - - 0 1", DRAWN, 0, "the bishop covers the path"},
    {"8/8/8/4P3/8/3B4/8/b3K2k w - - 0 1", GOES_ON, 0, "the path is free"},
    {"8/8/8/4P3/8/3B4/8/b3K2k b - - 0 1", DRAWN, 0, "the bishop takes the pawn"},
    // Bishop and pawn against knight.
    {"8/8/3nk3/8/4P3/8/8/KB6 w - - 0 1", DRAWN, 0, "king in front, the knight catches"},
    {"8/8/3nk3/8/4P3/8/8/KB6 b - - 0 1", DRAWN, 0, "king in front, the knight catches"},
    {"4k2n/8/4P3/8/8/8/8/KB6 w - - 0 1", GOES_ON, 0, "the knight is too far to catch the pawn"},
    {"8/3kP3/8/7B/8/K7/8/n7 w - - 0 1", GOES_ON, 0, "the bishop covers the promotion square"},
    {"8/3kP3/8/8/8/K7/8/n5B1 w - - 0 1", DRAWN, 0, "nothing covers the promotion square"},
    {"8/2nkP3/8/7B/8/K7/8/8 w - - 0 1", DRAWN, 0, "the knight covers the promotion square"},
    // Edge opposition: stalemate and mate, and positions that only look so.
    {"k7/8/K7/8/8/8/8/1R6 b - - 0 1", DRAWN, 0, "stalemate"},
    {"k7/8/K7/8/8/8/8/1R6 w - - 0 1", GOES_ON, 0, "the stronger side to move"},
    {"k6R/p7/K7/8/8/8/8/8 b - - 0 1", MATED, 0, "mate, the pawn blocked"},
    {"k7/p7/KN6/4B3/8/8/8/8 b - - 0 1", GOES_ON, 0, "the pawn takes the checking knight"},
    {"k7/8/K7/1p2B3/1P6/8/8/8 b - - 0 1", DRAWN, 0, "stalemate, the pawn blocked"},
    {"k7/8/K7/1p2B3/NP6/8/8/8 b - - 0 1", GOES_ON, 0, "the blocked pawn can take the knight"},
    {"k7/8/K7/4B3/1pP5/1P6/8/8 b - - 0 1", DRAWN, 0, "stalemate"},
    {"k7/8/K7/4B3/1pP5/1P6/8/8 b - c3 0 1", GOES_ON, 0, "the blocked pawn can take en passant"},
    // Rook against pawns.
    {"7K/8/8/8/7R/8/1kp5/8 w - - 0 1", DRAWN, 0, "the supported pawn on the seventh holds"},
    {"k7/8/8/8/4K2p/8/8/7R w - - 0 1", GOES_ON, 0, "the rook wins the pawn"},
    // Queen against a pawn on the seventh.
    {"7Q/8/8/8/3K4/8/2p5/1k6 w - - 0 1", DRAWN, 0, "c-pawn, attacking king on d4"},
    {"7Q/8/8/8/3K4/8/2p5/1k6 b - - 0 1", DRAWN, 0, "c-pawn, attacking king on d4"},
    {"7Q/8/8/8/8/3K4/2p5/1k6 w - - 0 1", GOES_ON, 0, "c-pawn, attacking king on d3"},
    {"7Q/8/8/8/8/3K4/2p5/1k6 b - - 0 1", GOES_ON, 0, "c-pawn, attacking king on d3"},
    {"Q7/8/8/8/4K3/8/5p2/6k1 w - - 0 1", DRAWN, 0, "f-pawn, attacking king on e4"},
    {"Q7/8/8/8/4K3/8/5p2/6k1 b - - 0 1", DRAWN, 0, "f-pawn, attacking king on e4"},
    {"Q7/8/8/8/8/4K3/5p2/6k1 w - - 0 1", GOES_ON, 0, "f-pawn, attacking king on e3"},
    {"K7/1Q6/8/8/8/8/5p2/5k2 b - - 0 1", DRAWN, 0, "defender on f1, the queen misses g1"},
    {"K7/8/8/6Q1/8/8/5p2/5k2 b - - 0 1", GOES_ON, 0, "defender on f1, the queen holds g1 and g2"},
    {"K7/8/8/8/8/8/5p2/5k1Q b - - 0 1", GOES_ON, 0, "defender on f1, the queen holds g1 and g2 from h1"},
    {"8/8/8/1K6/4Q3/8/7p/6k1 w - - 0 1", DRAWN, 0, "rook pawn, attacking king too far"},
    {"8/8/8/1K6/4Q3/8/7p/6k1 b - - 0 1", DRAWN, 0, "rook pawn, attacking king too far"},
    {"8/8/8/8/4Q3/5K2/7p/6k1 w - - 0 1", GOES_ON, 0, "rook pawn, attacking king near"},
    {"8/8/8/8/4Q3/5K2/7p/6k1 b - - 0 1", GOES_ON, 0, "rook pawn, attacking king near"},
};

int32_t Expected(const Case& c) {
  switch (c.verdict) {
    case WINS:
      return won_pawn_base + c.extra;
    case LOSES:
      return -(won_pawn_base + c.extra);
    case MATED:
      return -32700 + ply;
    default:
      return 0;
  }
}

TEST(EndgameSpecial, VerdictsHoldForBothColoursAndBothWings) {
  InitEvalForTests();
  for (const Case& c : kCases) {
    const std::string original = c.fen;
    const Result base = Judge(original);
    const std::string variants[3] = {FlipFen(original), MirrorFen(original), FlipFen(MirrorFen(original))};
    const int term_sign[3] = {-1, 1, -1};  // the term is black minus white
    for (int v = -1; v < 3; v++) {
      const std::string fen = v < 0 ? original : variants[v];
      const Result r = v < 0 ? base : Judge(fen);
      SCOPED_TRACE(fen + ": " + c.why);
      ASSERT_EQ(r.final, c.verdict != GOES_ON);
      if (r.final) {
        EXPECT_EQ(r.score, Expected(c));
        EXPECT_EQ(r.cacheable, c.verdict != MATED);
      } else {
        EXPECT_EQ(r.term, term_sign[v < 0 ? 1 : v] * base.term);
      }
    }
  }
}

TEST(EndgameSpecial, MateUsesTheSearchPlyAndIsNotCached) {
  InitEvalForTests();
  const int32_t saved = ply;
  ply = 7;
  const Result r = Judge("k6R/p7/K7/8/8/8/8/8 b - - 0 1");
  ply = saved;
  EXPECT_TRUE(r.final);
  EXPECT_EQ(r.score, -32700 + 7);
  EXPECT_EQ(r.cacheable, 0);
  EXPECT_EQ(r.reliable, 0);
}

TEST(EndgameSpecial, ReliableOnlyWhenTheVerdictIgnoresTheSideToMove) {
  InitEvalForTests();
  struct ReliableCase {
    const char* fen;
    int reliable;
  };
  const ReliableCase cases[] = {
      {"3k4/8/3K4/3P4/8/8/8/8 w - - 0 1", 1},      // won whoever moves
      {"k7/8/8/8/8/8/P7/K7 b - - 0 1", 1},         // drawn whoever moves
      {"8/8/8/4k3/8/4K3/4P3/8 w - - 0 1", 0},      // the move decides
      {"8/2b5/Pk6/1P6/8/3B4/4K3/8 b - - 0 1", 0},  // opposite bishops pattern
      {"k7/8/K7/8/8/8/8/1R6 w - - 0 1", 0},        // edge opposition, either side to move
  };
  for (const ReliableCase& c : cases) {
    for (const std::string& fen : {std::string(c.fen), FlipFen(c.fen)}) {
      EXPECT_EQ(Judge(fen).reliable, c.reliable) << fen;
    }
  }
}

TEST(EndgameSpecial, CannotWinSideToMoveWithAnEvenScore) {
  InitEvalForTests();
  // The knight cannot win; with white to move and a non-negative score the
  // draw holds for this side to move only.
  const std::string fen = "8/8/4k3/8/N7/3p4/8/4K3 w - - 0 1";
  for (const std::string& f : {fen, FlipFen(fen)}) {
    const Result even = Judge(f, 0);
    EXPECT_TRUE(even.final) << f;
    EXPECT_EQ(even.score, 0) << f;
    EXPECT_EQ(even.cacheable, 0) << f;
    const Result preset = Judge(f);
    EXPECT_FALSE(preset.final) << f;
    EXPECT_EQ(white_cannot_win, f == fen ? 1 : 0) << f;
    EXPECT_EQ(black_cannot_win, f == fen ? 0 : 1) << f;
  }
}

TEST(EndgameSpecial, RookAgainstSeveralPawnsWithOneHolding) {
  InitEvalForTests();
  // The c-pawn holds; the h-pawn on its second rank is undecided.
  const std::string fen = "7K/7p/8/8/7R/8/1kp5/8 w - - 0 1";
  const int32_t value =
      rook_pawns_base - 2 * rook_pawn_count_weight / 256 - 1 * rook_pawn_rank_weight / 256 - rook_king_file_bonus;
  for (const std::string& f : {fen, FlipFen(fen), MirrorFen(fen)}) {
    const Result r = Judge(f);
    EXPECT_TRUE(r.final) << f;
    EXPECT_EQ(r.score, value) << f;  // the rook side is to move
  }
}

TEST(EndgameSpecial, RookWinningASinglePawnAddsItsTerm) {
  InitEvalForTests();
  const Result r = Judge("k7/8/8/8/4K2p/8/8/7R w - - 0 1");
  ASSERT_FALSE(r.final);
  EXPECT_EQ(r.term, thread_eval_info.material - rook_single_pawn);
}

// The stronger side's gain, the term seen from white when white is stronger.
int32_t WhiteGain(const char* fen) {
  const Result r = Judge(fen);
  EXPECT_FALSE(r.final) << fen;
  return thread_eval_info.material - r.term;
}

TEST(EndgameSpecial, MatingDrivesPullTowardTheRightEdge) {
  InitEvalForTests();
  // Same king distance, lone king in the corner against the centre.
  EXPECT_EQ(WhiteGain("k7/8/2K5/8/8/8/8/7R b - - 0 1") - WhiteGain("8/8/8/2K1k3/8/8/8/7R b - - 0 1"), 100 - 40);
  // Bishop and knight: the corner of the bishop's colour, not the other one.
  const int32_t right = WhiteGain("8/8/2N5/3K4/8/4B3/8/k7 b - - 0 1");
  const int32_t wrong = WhiteGain("8/8/2N5/3K4/8/4B3/8/7k b - - 0 1");
  EXPECT_EQ(right - wrong, 7 * kbn_corner);
  // Two bishops are not bishop and knight: no corner is preferred (both are
  // edge-table corners), only the edge counts.
  EXPECT_EQ(WhiteGain("8/8/8/3K4/8/4B3/8/k4B2 b - - 0 1"), WhiteGain("8/8/8/3K4/8/4B3/8/5B1k b - - 0 1"));
  EXPECT_EQ(WhiteGain("8/8/8/3K4/8/4B3/8/k4B2 b - - 0 1") - WhiteGain("8/8/8/3K4/8/4B3/8/3k1B2 b - - 0 1"), 100 - 90);
}

TEST(EndgameSpecial, KnightAgainstPawnsOnBothWings) {
  InitEvalForTests();
  // Only the black pawn moves from the b-file to the h-file.
  const Result one_wing = Judge("4k3/1p6/8/3n4/8/8/P7/R3K3 w - - 0 1");
  const Result both_wings = Judge("4k3/7p/8/3n4/8/8/P7/R3K3 w - - 0 1");
  ASSERT_FALSE(one_wing.final);
  ASSERT_FALSE(both_wings.final);
  EXPECT_EQ(both_wings.term - one_wing.term, -(2 * knight_wings + (knight_wings >> 3)));
}

// ---- ScaleExtraPawnEnding ----

TEST(EndgameExtraPawn, ScalesByWhoCanStopTheExtraPawn) {
  InitEvalForTests();
  // Distinct factors, so that a wrong choice cannot hide behind equal values.
  int32_t* const factors[] = {&scale_bishop_breakthrough, &scale_bishop_guarded, &scale_bishop_blocked,
                              &scale_breakthrough,        &scale_pawn_guarded,   &scale_blocked,
                              &scale_king_in_front};
  int32_t saved[7];
  for (int i = 0; i < 7; i++) {
    saved[i] = *factors[i];
    *factors[i] = 201 + 7 * i;
  }
  enum Factor { BISHOP_BREAKS, BISHOP_GUARDED, BISHOP_BLOCKED, BREAKS, GUARDED, BLOCKED, KING_IN_FRONT, NONE };
  struct ScaleCase {
    const char* fen;
    Factor factor;
    const char* why;
  };
  const ScaleCase cases[] = {
      {"r3b3/6p1/6k1/8/8/8/5PP1/R3B1K1 w - - 0 1", BISHOP_GUARDED, "king in front, its pawn beside it"},
      {"r3b3/6p1/8/6k1/8/8/5PP1/R3B1K1 w - - 0 1", BISHOP_BLOCKED, "king in front, alone"},
      {"r3b3/6p1/1k6/8/8/8/5PP1/R3B1K1 w - - 0 1", BISHOP_BREAKS, "king away from both pawns"},
      {"r3n3/6p1/6k1/8/8/8/5PP1/R3N1K1 w - - 0 1", GUARDED, "knights: king in front, pawn beside it"},
      {"r3n3/6p1/8/6k1/8/8/5PP1/R3N1K1 w - - 0 1", BLOCKED, "knights: king in front, alone"},
      {"r3n3/6p1/1k6/8/8/8/5PP1/R3N1K1 w - - 0 1", BREAKS, "knights: king away"},
      {"8/2n4p/2b3PP/8/8/8/8/k3KNB1 w - - 0 1", BISHOP_BREAKS, "minors only: the pawn runs by the bitbase"},
      {"6k1/2n4p/2b3PP/8/8/8/8/4KNB1 w - - 0 1", BISHOP_GUARDED, "minors only: the king stops it"},
      {"r7/7p/6k1/8/8/6P1/6P1/R3K3 w - - 0 1", KING_IN_FRONT, "rooks: king in front of the doubled pawns"},
      {"r7/7p/5k2/8/8/6P1/6P1/R3K3 w - - 0 1", NONE, "rooks: king beside the file"},
      {"r7/7p/6k1/8/8/6P1/6P1/R2QK3 w - - 0 1", NONE, "unequal piece material"},
      {"3q4/6p1/6k1/8/8/8/5PP1/1NNBK3 w - - 0 1", NONE, "minors against a queen"},
  };
  for (const ScaleCase& c : cases) {
    for (const std::string& fen : {std::string(c.fen), FlipFen(c.fen), MirrorFen(c.fen)}) {
      SetPosition(fen.c_str());
      PawnEntry = PawnHashEntry{};  // none of these pawns is passed
      thread_eval_info = EvalInfo{};
      thread_eval_info.reliable = 1;
      for (int32_t s : {300, -301}) {
        const int32_t expected = c.factor == NONE ? s : int32_t((int64_t(s) * *factors[c.factor]) >> 8);
        EXPECT_EQ(ScaleExtraPawnEnding(s), expected) << fen << ": " << c.why;
      }
    }
  }
  // A passed pawn anywhere leaves the score alone.
  SetPosition("r3b3/6p1/6k1/8/8/8/5PP1/R3B1K1 w - - 0 1");
  PawnEntry = PawnHashEntry{};
  PawnEntry.passed_vector_black = 0x40;
  EXPECT_EQ(ScaleExtraPawnEnding(300), 300);
  for (int i = 0; i < 7; i++) *factors[i] = saved[i];
  InvalidatePawnEntry();
}

}  // namespace
