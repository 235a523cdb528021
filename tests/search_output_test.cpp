// Thinking output: exact UCI and xboard lines, mate scores, silences and the
// principal variation walked out of the transposition table.
#include <gtest/gtest.h>

#include <cstring>
#include <regex>
#include <string>

#include "board/notation.h"
#include "interface/input.h"
#include "interface/options.h"
#include "interface/poll.h"
#include "platform/clock.h"
#include "search/output.h"
#include "search/search.h"
#include "search/tables.h"
#include "search/transposition.h"
#include "test_util.h"

namespace {

const char* const kStart = "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1";
constexpr int32_t kElapsed = 250;  // centiseconds the fixture backdates the search start by

class OutputTest : public ::testing::Test {
 protected:
  void SetUp() override {
    InitBoardForTests();
    ASSERT_TRUE(SetHashSize(1));
    SetPosition(kStart);
    search_id = 1;
    ply = 0;
    root_game_ply = game_ply;
    const char* roots[] = {"e2e4", "d2d4", "g1f3"};
    for (int i = 0; i < 3; i++) {
      move_list[i].move = FindLegal(roots[i]);
      ASSERT_NE(move_list[i].move, 0u);
      root_scores[i] = 0;
    }
    move_list_end = 3;
    root_move_index = 0;
    iteration_depth = 4;
    seldepth = 9;
    nodes = 0;
    hash_writes = 0;
    tbhits = 0;
    last_info_nodes = 0;
    mate_goal = 0;
    multi_pv = 1;
    silent_search = 0;
    post_thinking = 1;
    poll_interval = 20000;
    nps_report_interval = -1;
    ponder_move = 0;
  }

  // Stores a principal variation below the root move: each text is the
  // stored best move of the position reached so far.
  void StoreLine(Move root, std::initializer_list<const char*> moves) {
    MakeMove(root, 1);
    int made = 1;
    for (const char* text : moves) {
      const Move m = FindLegal(text);
      ASSERT_NE(m, 0u) << text;
      StoreTranspositionTable(8, m, 0, HASH_EXACT, 0, 0);
      MakeMove(m, 1);
      made++;
    }
    while (made--) UnmakeMove();
  }

  Move ReplyTo(Move root, const char* text) {
    MakeMove(root, 1);
    const Move reply = FindLegal(text);
    UnmakeMove();
    return reply;
  }

  std::string Variation(int root_index) {
    testing::internal::CaptureStdout();
    PrintPrincipalVariation(root_index);
    return testing::internal::GetCapturedStdout();
  }

  // Runs a printer with the search started kElapsed centiseconds ago and
  // returns its output with the clock-dependent fields checked and replaced:
  // "time" by <t> (xboard: the third number by <t>) and "nps" by <n>.
  template <typename F>
  std::string Capture(F print) {
    const int32_t before = ClockCentiseconds();
    search_start_time = before - kElapsed;
    testing::internal::CaptureStdout();
    print();
    std::string out = testing::internal::GetCapturedStdout();
    const int64_t lo = kElapsed, hi = kElapsed + (ClockCentiseconds() - before);
    std::smatch m;
    std::string result;
    static const std::regex field(" time (\\d+) | nps (\\d+) |^(\\d+ -?\\d+) (\\d+) ");
    std::string rest = out;
    while (std::regex_search(rest, m, field)) {
      result += m.prefix();
      if (m[1].matched) {
        const int64_t t = std::stoll(m[1]);
        EXPECT_EQ(t % 10, 0) << out;
        EXPECT_TRUE(t / 10 >= lo && t / 10 <= hi) << out;
        result += " time <t> ";
      } else if (m[2].matched) {
        const uint64_t n = std::stoull(m[2]);
        EXPECT_TRUE(n >= uint64_t(nodes) * 100 / hi && n <= uint64_t(nodes) * 100 / lo) << out;
        result += " nps <n> ";
      } else {
        const int64_t t = std::stoll(m[4]);
        EXPECT_TRUE(t >= lo && t <= hi) << out;
        result += m[3].str() + " <t> ";
      }
      rest = m.suffix();
    }
    return result + rest;
  }
};

TEST_F(OutputTest, UciLineWithVariationAndCounters) {
  StoreLine(move_list[0].move, {"e7e5", "g1f3"});
  root_scores[0] = 31;
  nodes = 3000000000u;  // beyond 2^31: printed unsigned, nps computed in 64 bits
  last_info_nodes = 0;
  hash_writes = 5000000;  // 5000000 * 1000 overflows 32 bits
  tbhits = 7;
  EXPECT_EQ(Capture([] { PrintUciInfo(0, 3, 1); }),
            "info depth 5 seldepth 9 score cp 31 nodes 3000000000 time <t> hashfull 95368 nps <n> tbhits 7 pv e2e4 "
            "e7e5 g1f3\n");
  EXPECT_EQ(last_info_nodes, 3000000000u);
  EXPECT_EQ(nps_report_interval, 5);
  EXPECT_EQ(ponder_move, ReplyTo(move_list[0].move, "e7e5"));
}

TEST_F(OutputTest, UciScoresBoundsAndMateGoal) {
  struct Case {
    int32_t score, bound, goal;
    const char* text;
  };
  const Case cases[] = {
      {150, 3, 0, "score cp 150 nodes"},
      {-7, 1, 0, "score cp -7 upperbound nodes"},
      {-7, 2, 0, "score cp -7 lowerbound nodes"},
      {31000, 3, 0, "score cp 31000 nodes"},
      {MATE_SCORE - 1, 3, 0, "score mate 1 nodes"},
      {MATE_SCORE - 3, 2, 0, "score mate 2 lowerbound nodes"},
      {-(MATE_SCORE - 2), 3, 0, "score mate -1 nodes"},
      {-(MATE_SCORE - 4), 1, 0, "score mate -2 upperbound nodes"},
      {MATE_SCORE - 5, 3, 3, "score mate 3 nodes"},
      {MATE_SCORE - 3, 3, 3, "score cp 0 nodes"},
      {100, 3, 3, "score cp 0 nodes"},
      {-(MATE_SCORE - 6), 3, 3, "score cp 0 nodes"},
  };
  for (const Case& c : cases) {
    root_scores[0] = c.score;
    mate_goal = c.goal;
    const std::string line = Capture([&] { PrintUciInfo(1, c.bound, 1); });
    EXPECT_EQ(line,
              std::string("info depth 5 seldepth 9 ") + c.text + " 0 time <t> hashfull 0 nps <n> tbhits 0 pv e2e4\n");
  }
}

TEST_F(OutputTest, CurrentMoveLine) {
  root_move_index = 1;
  nodes = 250000;
  EXPECT_EQ(Capture([] { PrintUciInfo(0, 3, 0); }),
            "info depth 5 seldepth 9 score cp 0 nodes 250000 time <t> hashfull 0 nps <n> tbhits 0 currmove d2d4 "
            "currmovenumber 2\n");
}

TEST_F(OutputTest, SilencesByNodeCount) {
  struct Case {
    const char* printer;
    uint32_t nodes, last;
    int force;
    bool prints;
  };
  const Case cases[] = {
      {"uci", 0, 0, 0, true},         {"uci", 31000, 1000, 0, false}, {"uci", 31001, 1000, 0, true},
      {"uci", 31000, 1000, 1, true},  {"uci", 10000, 50000, 0, true},  // the difference is taken unsigned
      {"xboard", 0, 0, 0, true},      {"xboard", 1, 0, 0, false},     {"xboard", 100000, 0, 0, false},
      {"xboard", 100001, 0, 0, true}, {"xboard", 50, 0, 1, true},     {"multipv", 50000, 0, 0, false},
      {"multipv", 50001, 0, 0, true}, {"multipv", 0, 0, 0, true},     {"stats", 200000, 0, 0, false},
      {"stats", 200001, 0, 0, true},  {"stats", 0, 0, 0, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.printer << " nodes " << c.nodes << " force " << c.force);
    nodes = c.nodes;
    last_info_nodes = c.last;
    nps_report_interval = -1;
    const std::string p = c.printer;
    testing::internal::CaptureStdout();
    if (p == "uci")
      PrintUciInfo(c.force, 3, 1);
    else if (p == "xboard")
      PrintThinkingLine(c.force);
    else if (p == "multipv")
      PrintUciMultiPvInfo(0, 3);
    else
      PrintUciStatistics();
    const std::string out = testing::internal::GetCapturedStdout();
    EXPECT_EQ(!out.empty(), c.prints) << out;
    if (p == "uci") {
      EXPECT_EQ(last_info_nodes, c.prints ? c.nodes : c.last);
    }
    // The statistics printer resets the report interval even when silent.
    if (p == "stats" || c.prints) {
      EXPECT_EQ(nps_report_interval, p == "xboard" ? -1 : 5);
    }
  }
}

TEST_F(OutputTest, SilentSearchAndNopostPrintNothing) {
  silent_search = 1;
  testing::internal::CaptureStdout();
  PrintUciInfo(1, 3, 1);
  PrintThinkingLine(1);
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
  silent_search = 0;
  post_thinking = 0;
  testing::internal::CaptureStdout();
  PrintThinkingLine(1);
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
}

TEST_F(OutputTest, StatisticsLine) {
  nodes = 400000;
  hash_writes = 2621;
  tbhits = 12;
  tt_entries = 52428;
  EXPECT_EQ(Capture([] { PrintUciStatistics(); }), "info nps <n> nodes 400000 tbhits 12 hashfull 49\n");
}

TEST_F(OutputTest, HashfullIsZeroWithoutTable) {
  ASSERT_TRUE(SetHashSize(0));
  hash_writes = 10;
  nodes = 0;
  EXPECT_EQ(Capture([] { PrintUciStatistics(); }), "info nps <n> nodes 0 tbhits 0 hashfull 0\n");
  EXPECT_EQ(Capture([] { PrintUciInfo(1, 3, 1); }),
            "info depth 5 seldepth 9 score cp 0 nodes 0 time <t> hashfull 0 nps <n> tbhits 0 pv e2e4\n");
}

TEST_F(OutputTest, XboardLineAndScores) {
  StoreLine(move_list[0].move, {"c7c5"});
  struct Case {
    int32_t score;
    const char* head;
  } cases[] = {
      {MATE_SCORE - 1, "5 32766"},
      {-(MATE_SCORE - 2), "5 -32765"},
      {31000, "5 31000"},
      {31001, "5 31068"},
      {-25, "5 -25"},
  };
  nodes = 123456;
  for (const Case& c : cases) {
    root_scores[0] = c.score;
    EXPECT_EQ(Capture([] { PrintThinkingLine(0); }), std::string(c.head) + " <t> 123456 e2e4 c7c5\n");
  }
}

TEST_F(OutputTest, MultiPvLines) {
  StoreLine(move_list[0].move, {"e7e5", "g1f3"});
  multi_pv = 2;
  root_scores[0] = 40;
  root_scores[1] = MATE_SCORE - 1;
  root_move_index = 1;
  mate_goal = 3;  // applies to the single-line output only
  nodes = 60000;
  EXPECT_EQ(Capture([] { PrintUciMultiPvInfo(1, 2); }),
            "info multipv 1 depth 5 seldepth 9 score cp 40 nodes 60000 time <t> hashfull 0 nps <n> tbhits 0 "
            "currmove d2d4 currmovenumber 2 pv e2e4 e7e5 g1f3\n"
            "info multipv 2 depth 5 seldepth 9 score mate 1 lowerbound nodes 60000 time <t> hashfull 0 nps <n> "
            "tbhits 0 currmove d2d4 currmovenumber 2 pv d2d4\n");
  // Never more lines than root moves.
  multi_pv = 5;
  move_list_end = 1;
  const std::string out = Capture([] { PrintUciMultiPvInfo(0, 3); });
  EXPECT_EQ(out.find("multipv 2"), std::string::npos) << out;
  EXPECT_NE(out.find("multipv 1"), std::string::npos) << out;
}

// An analysis left running for a day: the node and tablebase counters are far
// past 2^32, and every line prints them, and the speed from them, as they are.
TEST_F(OutputTest, CountersOfAnAnalysisOfADay) {
  StoreLine(move_list[0].move, {"e7e5"});
  constexpr uint64_t kNodes = 605000000123ull;  // a day at 7 M nodes a second
  nodes = kNodes;
  tbhits = 5000000007ull;
  multi_pv = 2;
  const std::string counters = " nodes 605000000123 time <t> hashfull 0 nps <n> tbhits 5000000007 ";
  EXPECT_EQ(Capture([] { PrintUciInfo(0, 3, 1); }), "info depth 5 seldepth 9 score cp 0" + counters + "pv e2e4 e7e5\n");
  EXPECT_EQ(last_info_nodes, kNodes);
  EXPECT_EQ(Capture([] { PrintUciStatistics(); }), "info nps <n> nodes 605000000123 tbhits 5000000007 hashfull 0\n");
  EXPECT_EQ(Capture([] { PrintUciMultiPvInfo(0, 3); }), "info multipv 1 depth 5 seldepth 9 score cp 0" + counters +
                                                            "currmove e2e4 currmovenumber 1 pv e2e4 e7e5\n" +
                                                            "info multipv 2 depth 5 seldepth 9 score cp 0" + counters +
                                                            "currmove e2e4 currmovenumber 1 pv d2d4\n");
  EXPECT_EQ(Capture([] { PrintThinkingLine(0); }), "5 0 <t> 605000000123 e2e4 e7e5\n");
  EXPECT_EQ(Capture([] { PrintFinalThinkingLine(); }), "5 0 <t> 605000000123 e2e4 e7e5\n");

  // The "." status line, asked for while the search is inside root move 1.
  root_move_count = 3;
  MakeMove(move_list[0].move, 1);
  ResetInput();
  std::strcpy(pending_input, ".\n");
  testing::internal::CaptureStdout();
  PollInputDuringSearch();
  const std::string status = testing::internal::GetCapturedStdout();
  UnmakeMove();
  EXPECT_TRUE(std::regex_match(status, std::regex("stat01: [0-9]+ 605000000123 5 3 4 e2e4\n"))) << status;
}

// Four weeks of analysis: the time in milliseconds is past 2^31.
TEST_F(OutputTest, TimeOfAnAnalysisOfWeeks) {
  constexpr int32_t kFourWeeks = 28 * 24 * 3600 * 100;  // centiseconds
  const int32_t before = ClockCentiseconds();
  search_start_time = before - kFourWeeks;
  testing::internal::CaptureStdout();
  PrintUciInfo(1, 3, 1);
  const std::string out = testing::internal::GetCapturedStdout();
  const int64_t late = ClockCentiseconds() - before;
  std::smatch m;
  ASSERT_TRUE(std::regex_search(out, m, std::regex(" time ([0-9]+) "))) << out;
  const int64_t ms = std::stoll(m[1]);
  EXPECT_GE(ms, int64_t(kFourWeeks) * 10) << out;
  EXPECT_LE(ms, (int64_t(kFourWeeks) + late) * 10) << out;
}

TEST_F(OutputTest, VariationStopsAtAMissingEntryOrAnEntryWithoutMove) {
  StoreLine(move_list[0].move, {"e7e5", "g1f3"});
  // The position after e2e4 e7e5 g1f3 holds a bound without a move.
  MakeMove(move_list[0].move, 1);
  PlayMove("e7e5");
  PlayMove("g1f3");
  StoreTranspositionTable(8, 0, -20, HASH_UPPER, 0, 0);
  UnmakeMove(), UnmakeMove(), UnmakeMove();
  const uint64_t key = thread_board.Key;
  const int32_t castling = thread_board.Castling;
  EXPECT_EQ(Variation(0), " e2e4 e7e5 g1f3");
  EXPECT_EQ(ponder_move, ReplyTo(move_list[0].move, "e7e5"));
  EXPECT_EQ(thread_board.Key, key);
  EXPECT_EQ(int32_t(thread_board.Castling), castling);
  EXPECT_EQ(game_ply, root_game_ply);
  EXPECT_TRUE(VerifyBoard());

  // No entry after d2d4: the root move alone, and no reply to offer.
  ponder_move = 0;
  EXPECT_EQ(Variation(1), " d2d4");
  EXPECT_EQ(ponder_move, 0u);
}

TEST_F(OutputTest, VariationIsAtMostTwentyMoves) {
  // A knight dance that returns to the root position: the table alone would
  // walk it for ever.
  StoreTranspositionTable(8, move_list[2].move, 0, HASH_EXACT, 0, 0);
  StoreLine(move_list[2].move, {"g8f6", "f3g1", "f6g8"});
  std::string expected;
  for (int n = 0; n < 5; n++) expected += " g1f3 g8f6 f3g1 f6g8";
  EXPECT_EQ(Variation(2), expected);
  EXPECT_EQ(game_ply, root_game_ply);
  EXPECT_TRUE(VerifyBoard());
}

TEST_F(OutputTest, VariationFromInsideARootMoveKeepsThatMoveMade) {
  StoreLine(move_list[0].move, {"e7e5", "g1f3"});
  MakeMove(move_list[1].move, 1);  // the search is inside root move d2d4
  const uint64_t key = thread_board.Key;
  EXPECT_EQ(Variation(0), " e2e4 e7e5 g1f3");
  EXPECT_EQ(game_ply, root_game_ply + 1);
  EXPECT_EQ(thread_board.Key, key);
  EXPECT_EQ(game_history[game_ply - 1].Move, move_list[1].move);
  EXPECT_TRUE(VerifyBoard());
  UnmakeMove();
}

}  // namespace
