// The root search and the game driver, through SearchRoot and Think at fixed
// depths in the UCI dialect, and the driver's time allocation.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "board/attacks.h"
#include "board/board.h"
#include "board/makemove.h"
#include "board/movegen.h"
#include "board/notation.h"
#include "eval/material.h"
#include "interface/options.h"
#include "platform/clock.h"
#include "search/driver.h"
#include "search/root.h"
#include "search/search.h"
#include "search/tables.h"
#include "search/transposition.h"
#include "test_util.h"

namespace {

void ResetControls() {
  uci_mode = 1;
  ponder_on = 0;
  post_thinking = 0;
  go_ponder = 0;
  force_mode = 0;
  silent_search = 0;
  time_left = -1;
  fixed_move_time = 0;
  moves_to_go = 0;
  own_increment = 0;
  node_limit = 0;
  mate_goal = 0;
  multi_pv = 1;
  search_moves_count = 0;
  use_learning = 0;
  max_depth = 4;
  pondering_now = 0;
  stop_search = 0;
  target_time = hard_time_limit = 9999999;
  poll_interval = 50000;
}

class RootSearch : public ::testing::Test {
 protected:
  void SetUp() override {
    InitSearchForTests();
    ResetControls();
  }
  void TearDown() override { ResetControls(); }
};

using ThinkUci = RootSearch;

std::string RunThink() {
  testing::internal::CaptureStdout();
  Think();
  return testing::internal::GetCapturedStdout();
}

int CountOf(const std::string& text, const std::string& part) {
  int count = 0;
  for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) count++;
  return count;
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

std::string Text(Move move) {
  char buffer[8];
  return MoveToText(buffer, move);
}

// The word after key in a line ("" when absent).
std::string WordAfter(const std::string& line, const std::string& key) {
  std::istringstream in(line);
  for (std::string word; in >> word;)
    if (word == key && in >> word) return word;
  return "";
}

// ---- an independent mate oracle on the legal move generator ----

std::vector<Move> LegalMoves(int depth) {
  const int start = 100 * MAX_GENERATED_MOVES + depth * MAX_GENERATED_MOVES;
  const int saved_end = move_list_end;
  GenerateLegalMoves(start);
  std::vector<Move> moves;
  for (int i = start; i < move_list_end; i++) moves.push_back(move_list[i].move);
  move_list_end = saved_end;
  return moves;
}

bool SideToMoveMates(int moves, int depth);
bool SideToMoveIsMated(int moves, int depth) {
  const std::vector<Move> replies = LegalMoves(depth);
  if (replies.empty()) return InCheck();
  if (moves == 0) return false;
  for (Move move : replies) {
    MakeMove(move, 1);
    const bool mated = SideToMoveMates(moves, depth + 1);
    UnmakeMove();
    if (!mated) return false;
  }
  return true;
}
bool SideToMoveMates(int moves, int depth) {
  if (moves == 0) return false;
  for (Move move : LegalMoves(depth)) {
    MakeMove(move, 1);
    const bool mates = SideToMoveIsMated(moves - 1, depth + 1);
    UnmakeMove();
    if (mates) return true;
  }
  return false;
}

// ---- mates, traps and material ----

TEST_F(RootSearch, FindsShortestMatesWithExactScores) {
  struct Case {
    const char* fen;
    int moves;
    const char* stalemating;  // a tempting move that only draws, or ""
  };
  const Case cases[] = {
      {"6k1/5ppp/8/8/8/8/8/R5K1 w - - 0 1", 1, ""},  {"7k/5Q2/5K2/8/8/8/8/8 w - - 0 1", 1, "f6g6"},
      {"k7/8/2K5/8/8/8/8/1R6 w - - 0 1", 2, "b1b7"}, {"5k2/8/5K2/8/8/8/8/4R3 w - - 0 1", 2, ""},
      {"k7/8/8/1K6/8/8/8/2Q5 w - - 0 1", 3, "c1c7"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.fen);
    SetPosition(c.fen);
    ASSERT_TRUE(SideToMoveMates(c.moves, 0));
    ASSERT_FALSE(SideToMoveMates(c.moves - 1, 0));
    ClearSearchTables();
    const uint64_t key = thread_board.Key;
    ASSERT_EQ(SearchRoot(2 * c.moves + 4, 0), 0);
    EXPECT_EQ(thread_board.Key, key);
    EXPECT_EQ(game_ply, 0);
    EXPECT_EQ(root_scores[0], MATE_SCORE - (2 * c.moves - 1));
    const Move best = move_list[0].move;
    EXPECT_NE(Text(best), c.stalemating);
    MakeMove(best, 1);
    EXPECT_TRUE(SideToMoveIsMated(c.moves - 1, 0)) << Text(best);
    UnmakeMove();
  }
}

TEST_F(RootSearch, TakesAHangingQueenAndScoresTheGain) {
  SetPosition("4k3/8/8/3q4/8/8/3R4/4K3 w - - 0 1");
  ASSERT_EQ(SearchRoot(5, 0), 0);
  EXPECT_EQ(Text(move_list[0].move), "d2d5");
  EXPECT_GT(root_scores[0], 300);
  // The same from the other side of the board.
  SetPosition(FlipFen("4k3/8/8/3q4/8/8/3R4/4K3 w - - 0 1").c_str());
  ClearSearchTables();
  ASSERT_EQ(SearchRoot(5, 0), 0);
  EXPECT_EQ(Text(move_list[0].move), "d7d4");
  EXPECT_GT(root_scores[0], 300);
}

TEST_F(RootSearch, LosingSideRepeatsThePositionForADraw) {
  // White is a queen and more down; the knight's shuffle repeats.
  const char* fen = "r2qk3/ppp5/8/8/8/5N2/5PPP/6K1 w - - 0 1";
  SetPosition(fen);
  ASSERT_EQ(SearchRoot(5, 0), 0);
  EXPECT_LT(root_scores[0], -300) << "without history there is nothing to repeat";
  ClearSearchTables();
  SetPosition(fen);
  for (const char* move : {"f3e1", "a8b8", "e1f3", "b8a8"}) PlayMove(move);
  ASSERT_EQ(SearchRoot(5, 0), 0);
  EXPECT_EQ(Text(move_list[0].move), "f3e1");
  EXPECT_EQ(root_scores[0], 0);
}

TEST_F(RootSearch, FiftyMoveRuleDrawsUnlessAPawnMoves) {
  // The FEN reader leaves the counter at 0: set it by hand.
  SetPosition("8/8/3k4/8/8/8/8/R3K3 w - - 0 80");
  ASSERT_EQ(SearchRoot(4, 0), 0);
  EXPECT_GT(root_scores[0], 300);

  ClearSearchTables();
  SetPosition("8/8/3k4/8/8/8/8/R3K3 w - - 0 80");
  thread_board.FiftyCount = 99;
  ASSERT_EQ(SearchRoot(4, 0), 0);
  EXPECT_EQ(root_scores[0], 0);

  ClearSearchTables();
  SetPosition("8/8/3k4/8/8/8/P7/R3K3 w - - 0 80");
  thread_board.FiftyCount = 99;
  ASSERT_EQ(SearchRoot(4, 0), 0);
  EXPECT_EQ(MovePiece(move_list[0].move), PAWN) << Text(move_list[0].move);
  EXPECT_GT(root_scores[0], 300);
}

TEST_F(RootSearch, GameOverPositionsReportOneAndSearchNothing) {
  for (const char* fen : {"R5k1/5ppp/8/8/8/8/8/6K1 b - - 0 1", "k7/8/1Q6/8/8/8/8/K7 b - - 0 1"}) {
    SCOPED_TRACE(fen);
    SetPosition(fen);
    testing::internal::CaptureStdout();
    EXPECT_EQ(SearchRoot(4, 0), 1);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "") << "silent in UCI";
    EXPECT_EQ(move_list_end, 0);
  }
  // Outside UCI the result is announced.
  uci_mode = 0;
  SetPosition("R5k1/5ppp/8/8/8/8/8/6K1 b - - 0 1");
  testing::internal::CaptureStdout();
  EXPECT_EQ(SearchRoot(4, 0), 1);
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "1-0 {White mates}\n");
  SetPosition("k7/8/1Q6/8/8/8/8/K7 b - - 0 1");
  testing::internal::CaptureStdout();
  EXPECT_EQ(SearchRoot(4, 0), 1);
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "1/2-1/2 {Stalemate}\n");
}

TEST_F(RootSearch, RootListIsLegalHasCheckFlagsAndHonoursSearchMoves) {
  SetPosition("r1bqkbnr/pppp1ppp/2n5/4p2Q/2B1P3/8/PPPP1PPP/RNB1K1NR w KQkq - 2 3");
  int start = 0;
  ASSERT_EQ(PrepareRootMoves(&start), 0);
  const std::vector<Move> legal = LegalMoves(0);
  ASSERT_EQ(move_list_end, int(legal.size()));
  int checks = 0;
  for (int i = 0; i < move_list_end; i++) {
    const Move move = move_list[i].move;
    EXPECT_TRUE(IsLegalMove(move)) << Text(move);
    MakeMove(move, 1);
    EXPECT_EQ(root_move_flags[i] != 0, InCheck() != 0) << Text(move);
    UnmakeMove();
    checks += root_move_flags[i] != 0;
  }
  EXPECT_EQ(checks, 3);  // Qxf7+, Bxf7+ and Qxe5+
  // Captures that keep material come first: Qxf7 or Qxe5 lead the list.
  EXPECT_NE(MoveCaptured(move_list[0].move), 0);

  search_moves[0] = FindLegal("d2d3");
  search_moves[1] = FindLegal("h5f7");
  search_moves_count = 2;
  ASSERT_EQ(PrepareRootMoves(&start), 0);
  ASSERT_EQ(move_list_end, 2);
  // A single requested move is still searched.
  search_moves_count = 1;
  search_moves[0] = FindLegal("d2d3");
  ASSERT_EQ(SearchRoot(3, 0), 0);
  EXPECT_EQ(Text(move_list[0].move), "d2d3");
  EXPECT_GT(nodes, 0u);
}

TEST_F(RootSearch, StopKeepsTheLastCompletedIteration) {
  // Node counts are reproducible with cleared tables: find where iteration
  // 5 ends, then stop a deeper search shortly after that point.
  const char* fen = "r2q1rk1/pp2bppp/2n1pn2/3p4/3P4/2NBPN2/PP3PPP/R2Q1RK1 w - - 0 10";
  SetPosition(fen);
  poll_interval = 1000;
  ASSERT_EQ(SearchRoot(6, 0), 0);
  const Move completed_move = move_list[0].move;
  const int32_t completed_score = root_scores[0];
  const uint32_t completed_nodes = nodes;

  ClearSearchTables();
  poll_interval = 1000;
  node_limit = int32_t(completed_nodes) + 1500;
  ASSERT_EQ(SearchRoot(12, 0), 0);
  EXPECT_EQ(stop_search, 1);
  EXPECT_EQ(iteration_depth, 6) << "stopped inside the next iteration";
  EXPECT_EQ(move_list[0].move, completed_move);
  EXPECT_EQ(root_scores[0], completed_score);
  EXPECT_EQ(game_ply, 0);
  node_limit = 0;
}

// ---- the game driver in UCI ----

TEST_F(ThinkUci, PrintsOneBestmoveAndPlaysIt) {
  SetPosition("4k3/8/8/3q4/8/8/3R4/4K3 w - - 0 1");
  max_depth = 4;
  const std::string out = RunThink();
  EXPECT_EQ(CountOf(out, "bestmove "), 1) << out;
  const std::vector<std::string> lines = Lines(out);
  ASSERT_FALSE(lines.empty());
  EXPECT_EQ(lines.back().rfind("bestmove d2d5", 0), 0u) << lines.back();
  // The final line reports the last iteration: "go depth 4" ends at depth 4.
  ASSERT_GE(lines.size(), 2u);
  EXPECT_EQ(WordAfter(lines[lines.size() - 2], "depth"), "4");
  EXPECT_EQ(game_ply, 1);
  EXPECT_EQ(thread_board.SideToMove, uint32_t(BLACK));
  EXPECT_EQ(Text(pending_best_move), "d2d5");
}

// The lines of a fixed search in both dialects, field by field: everything
// but the time and speed fields is fixed by the search.
TEST_F(ThinkUci, ThinkingLinesOfAFixedSearch) {
  const char* fen = "r1bqkb1r/pppp1ppp/2n2n2/4p2Q/2B1P3/8/PPPP1PPP/RNB1K1NR w KQkq - 4 4";
  const std::regex uci_line(
      "info depth (\\d+) seldepth \\d+ score (cp -?\\d+|mate -?\\d+) (lowerbound |upperbound )?nodes (\\d+) "
      "time \\d+ hashfull \\d+ nps \\d+ tbhits 0( pv( [a-h][1-8][a-h][1-8][qrbn]?)+| currmove [a-h][1-8][a-h][1-8] "
      "currmovenumber \\d+)");
  SetPosition(fen);
  max_depth = 5;
  post_thinking = 1;
  std::vector<std::string> lines = Lines(RunThink());
  ASSERT_GE(lines.size(), 2u);
  for (size_t i = 0; i + 1 < lines.size(); i++) EXPECT_TRUE(std::regex_match(lines[i], uci_line)) << lines[i];
  // The forced last line: the last iteration (the mate in one stops the
  // deepening early), the root score, every node, the played move first.
  std::smatch m;
  const std::string last = lines[lines.size() - 2];
  ASSERT_TRUE(std::regex_match(last, m, uci_line)) << last;
  EXPECT_LT(iteration_depth + 1, 5);
  EXPECT_EQ(m[1].str(), std::to_string(iteration_depth + 1));
  EXPECT_EQ(m[2].str(), "mate 1") << "Qxf7 mates";
  EXPECT_EQ(m[3].str(), "");
  EXPECT_EQ(std::stoul(m[4]), nodes);
  EXPECT_EQ(lines.back(), "bestmove h5f7");
  EXPECT_EQ(last.substr(last.find(" pv ") + 4, 4), "h5f7");

  // The xboard dialect: "depth score centiseconds nodes pv", a mate in one as 32766.
  uci_mode = 0;
  ClearSearchTables();
  SetPosition(fen);
  max_depth = 5;
  lines = Lines(RunThink());
  ASSERT_GE(lines.size(), 2u);
  const std::regex xboard_line("(\\d+) (-?\\d+) \\d+ (\\d+)( [a-h][1-8][a-h][1-8][qrbn]?)+");
  const std::string thinking = lines[lines.size() - 2];
  ASSERT_TRUE(std::regex_match(thinking, m, xboard_line)) << thinking;
  EXPECT_EQ(m[1].str(), std::to_string(iteration_depth + 1));
  EXPECT_EQ(m[2].str(), "32766");
  EXPECT_EQ(std::stoul(m[3]), nodes);
  EXPECT_EQ(lines.back(), "move h5f7");
}

TEST_F(ThinkUci, GameOverAnswersBestmove0000) {
  for (const char* fen : {"R5k1/5ppp/8/8/8/8/8/6K1 b - - 0 1", "k7/8/1Q6/8/8/8/8/K7 b - - 0 1"}) {
    SCOPED_TRACE(fen);
    SetPosition(fen);
    EXPECT_EQ(RunThink(), "bestmove 0000\n");
    EXPECT_EQ(game_ply, 0);
    EXPECT_EQ(pending_best_move, 0u);
  }
}

TEST_F(ThinkUci, SingleLegalMoveIsAnsweredWithoutSearch) {
  SetPosition("7k/8/5K1N/8/8/8/6Q1/8 b - - 0 1");
  max_depth = 20;
  const std::string out = RunThink();
  EXPECT_EQ(nodes, 0u);
  EXPECT_EQ(CountOf(out, "bestmove "), 1);
  EXPECT_NE(out.find("bestmove h8h7"), std::string::npos) << out;
  EXPECT_EQ(game_ply, 1);
}

TEST_F(ThinkUci, MultiPvLinesAreNumberedFromOneAndOrdered) {
  SetPosition("r1bqkbnr/pppp1ppp/2n5/4p3/2B1P3/5N2/PPPP1PPP/RNBQK2R b KQkq - 3 3");
  multi_pv = 3;
  max_depth = 7;
  const std::string out = RunThink();
  std::vector<std::vector<std::string>> groups;
  for (const std::string& line : Lines(out)) {
    if (line.rfind("info multipv ", 0) != 0) continue;
    const std::string number = WordAfter(line, "multipv");
    if (number == "1") groups.emplace_back();
    ASSERT_FALSE(groups.empty()) << "a group starts with line 1: " << line;
    EXPECT_EQ(number, std::to_string(groups.back().size() + 1)) << line;
    groups.back().push_back(line);
  }
  ASSERT_FALSE(groups.empty()) << out;
  for (const auto& group : groups) EXPECT_EQ(group.size(), 3u);
  // The last report: exact scores, best first, and the best line is played.
  const auto& last = groups.back();
  int previous = 1 << 30;
  for (const std::string& line : last) {
    ASSERT_EQ(WordAfter(line, "score"), "cp") << line;
    const int score = std::atoi(WordAfter(line, "cp").c_str());
    EXPECT_LE(score, previous) << line;
    previous = score;
    EXPECT_EQ(line.find("bound"), std::string::npos) << line;
  }
  EXPECT_NE(WordAfter(last[0], "pv"), WordAfter(last[1], "pv"));
  EXPECT_EQ(CountOf(out, "bestmove "), 1);
  EXPECT_NE(out.find("bestmove " + WordAfter(last[0], "pv")), std::string::npos) << out;
}

TEST_F(ThinkUci, SameSearchTwiceGivesSameMoveScoreAndNodes) {
  const char* fen = "r1bq1rk1/ppp2ppp/2np1n2/2b1p3/2B1P3/2NP1N2/PPP2PPP/R1BQ1RK1 w - - 0 7";
  Move moves[2];
  int32_t scores[2];
  uint32_t counts[2];
  for (int run = 0; run < 2; run++) {
    ClearSearchTables();
    searches_since_new_game = 0;
    SetPosition(fen);
    max_depth = 7;
    RunThink();
    ASSERT_EQ(game_ply, 1);
    moves[run] = game_history[0].Move;
    scores[run] = root_scores[0];
    counts[run] = nodes;
  }
  EXPECT_EQ(moves[0], moves[1]);
  EXPECT_EQ(scores[0], scores[1]);
  EXPECT_EQ(counts[0], counts[1]);
  EXPECT_GT(counts[0], 1000u);
}

TEST_F(ThinkUci, DepthCapsASearchWithAClock) {
  SetPosition("r1bq1rk1/ppp2ppp/2np1n2/2b1p3/2B1P3/2NP1N2/PPP2PPP/R1BQ1RK1 w - - 0 7");
  time_left = 360000;  // an hour: the clock alone would search far deeper
  max_depth = 3;
  const std::string out = RunThink();
  EXPECT_EQ(iteration_depth, 2);
  EXPECT_EQ(CountOf(out, "bestmove "), 1);
}

TEST_F(ThinkUci, MoveTimeIsHonouredWithoutAClock) {
  SetPosition("r1bq1rk1/ppp2ppp/2np1n2/2b1p3/2B1P3/2NP1N2/PPP2PPP/R1BQ1RK1 w - - 0 7");
  fixed_move_time = 30;
  max_depth = 998;
  const int64_t start = ClockMilliseconds();
  const std::string out = RunThink();
  const int64_t spent = ClockMilliseconds() - start;
  EXPECT_EQ(CountOf(out, "bestmove "), 1);
  EXPECT_GE(spent, 200);
  EXPECT_LT(spent, 3000);
}

// ---- time allocation ----

class TimeAllocation : public RootSearch {};

TEST_F(TimeAllocation, UciMovesToGo) {
  time_left = 10000;
  moves_to_go = 40;
  searches_since_new_game = 5;
  AllocateTime();
  // r = 9499, k = 30, t = 316.
  EXPECT_EQ(target_time, 316 * 3 / 4);
  EXPECT_EQ(hard_time_limit, 7 * 316);
  EXPECT_EQ(poll_interval, 20000);
  // The first searches of a game take a fifth more.
  searches_since_new_game = 0;
  AllocateTime();
  EXPECT_EQ(target_time, 379 * 3 / 4);
  EXPECT_EQ(hard_time_limit, 7 * 316);
}

TEST_F(TimeAllocation, XboardLevelCountsToTheEndOfThePeriod) {
  uci_mode = 0;
  time_left = 30000;  // r = 28499
  moves_to_go = 40;
  searches_since_new_game = 5;
  const int32_t saved_ply = game_ply;
  struct Case {
    int move;
    int t;
  };
  // Move 41 is the first of the second period (n = 80, k = 30); at move 61
  // twenty moves remain; at move 35 six.
  for (const Case c : {Case{41, 28499 / 30}, Case{61, 28499 / 20}, Case{35, 28499 / 6}, Case{1, 28499 / 30}}) {
    SCOPED_TRACE(c.move);
    game_ply = 2 * (c.move - 1);
    AllocateTime();
    EXPECT_EQ(target_time, c.t * 3 / 4);
    EXPECT_EQ(hard_time_limit, std::min(28499 >> 1, 7 * c.t));
  }
  game_ply = saved_ply;
}

// A fixed time per move, with or without a clock, sets both limits short of
// it: 50 ms and one poll interval at 200,000 nodes a second, or half of a
// time too short for that.
TEST_F(TimeAllocation, FixedMoveTimeStopsShortOfIt) {
  struct Case {
    int32_t fixed, limit, poll;
  };
  // 60 ms short of it, with the clock read every 1000 nodes; half of a time
  // too short for that.
  const Case cases[] = {{100, 94, 1000}, {200, 194, 1000}, {6000, 5994, 1000},
                        {12, 6, 1000},   {11, 5, 1000},    {1, 1, 1000}};
  for (int32_t clock : {60000, -1}) {
    for (const Case& c : cases) {
      SCOPED_TRACE(testing::Message() << "clock " << clock << " fixed " << c.fixed);
      time_left = clock;
      fixed_move_time = c.fixed;
      AllocateTime();
      EXPECT_EQ(target_time, c.limit);
      EXPECT_EQ(hard_time_limit, c.limit);
      EXPECT_EQ(poll_interval, c.poll);
    }
  }
}

TEST_F(TimeAllocation, NoClockMeansDepthOnly) {
  time_left = -1;
  AllocateTime();
  EXPECT_EQ(target_time, 9999999);
  EXPECT_EQ(hard_time_limit, 9999999);
  EXPECT_EQ(poll_interval, 50000);
}

TEST_F(TimeAllocation, SuddenDeathUsesTheMaterialTimeFactor) {
  time_left = 6000;  // r = 5699
  own_increment = 100;
  searches_since_new_game = 5;
  const int32_t base = (29 * 100 + 5699) / 30;  // 286
  // Three white queens have no material index: no factor.
  SetPosition("k7/8/8/8/8/8/1QQQ4/K7 w - - 0 1");
  ASSERT_EQ(thread_board.MaterialIndex, NO_MATERIAL_INDEX);
  AllocateTime();
  EXPECT_EQ(target_time, base * 3 / 4);
  EXPECT_EQ(hard_time_limit, 7 * base);
  // The initial position scales half the time by its factor.
  SetPosition("rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1");
  const int32_t f = material_table[thread_board.MaterialIndex].time_factor;
  const int32_t t = (base >> 1) + ((f * (base >> 1)) >> 8);
  AllocateTime();
  EXPECT_EQ(target_time, std::max(3 * t / 4, 1));
  EXPECT_EQ(hard_time_limit, std::min(7 * t, 5699 >> 1));
}

TEST_F(TimeAllocation, HugeClocksDoNotOverflow) {
  searches_since_new_game = 2;  // no extra fifth for the first searches of a game
  time_left = 999999999;
  moves_to_go = 1;
  AllocateTime();
  // t = r = 949999998: seven times that does not fit in 32 bits.
  EXPECT_EQ(target_time, 949999998 / 4 * 3 + 949999998 % 4 * 3 / 4);
  EXPECT_EQ(hard_time_limit, 949999998 >> 1);
  time_left = 0;
  moves_to_go = 0;
  AllocateTime();
  EXPECT_GE(target_time, 1);
}

}  // namespace
