// The command interpreter in process: which keyword each line selects, in
// the fixed order, and what the console, xboard and UCI handlers change.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "board/board.h"
#include "board/notation.h"
#include "interface/commands.h"
#include "interface/options.h"
#include "interface/perft.h"
#include "search/driver.h"
#include "search/search.h"
#include "search/tables.h"
#include "search/transposition.h"
#include "test_util.h"

namespace {

constexpr char kStart[] = "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq -";

void ResetModes() {
  uci_mode = 0;
  fritz_mode = 0;
  force_mode = 0;
  post_thinking = 1;
  ponder_on = 1;
  pondering_allowed = 1;
  go_ponder = 0;
  time_left = -1;
  moves_to_go = own_increment = fixed_move_time = node_limit = mate_goal = 0;
  max_depth = 998;
  multi_pv = 1;
  own_book = 1;
  use_egtb = 1;
  aggressivity = cowardice = 100;
  aggressivity_half = cowardice_half = 50;
  pending_best_move = 0;
  search_moves_count = 0;
}

class Commands : public ::testing::Test {
 protected:
  void SetUp() override {
    InitSearchForTests();
    ResetModes();
    NewGame();
  }
  void TearDown() override {
    ResetModes();
    NewGame();
  }
};

// Interprets one line and returns what it printed.
std::string Interpret(const std::string& line) {
  std::snprintf(command_line, sizeof command_line, "%s", line.c_str());
  testing::internal::CaptureStdout();
  ProcessCommand();
  return testing::internal::GetCapturedStdout();
}

std::string Fen() { return BoardToFen(); }

struct Case {
  const char* line;
  std::function<void()> check;
};

TEST_F(Commands, ShortLinesSelectTheFirstKeywordTheyAbbreviate) {
  const std::vector<Case> cases = {
      {"b",
       [] {
         EXPECT_EQ(thread_board.SideToMove, uint32_t(BLACK));
         EXPECT_EQ(engine_side, WHITE);
       }},
      {"f", [] { EXPECT_EQ(force_mode, 1); }},
      {"p", [] { EXPECT_EQ(post_thinking, 1); }},
      {"pos", [] { EXPECT_EQ(post_thinking, 1); }},
      {"po", [] { EXPECT_EQ(post_thinking, 1); }},
      {"x",
       [] {
         EXPECT_EQ(max_depth, 998);
         EXPECT_EQ(uci_mode, 0);
         EXPECT_EQ(ponder_on, 1);
       }},
      {"xboard",
       [] {
         EXPECT_EQ(fixed_move_time, 0);
         EXPECT_EQ(moves_to_go, 0);
       }},
      {"sto", [] { EXPECT_EQ(fixed_move_time, 0); }},  // "st" without a value
      {"st 30", [] { EXPECT_EQ(fixed_move_time, 3000); }},
      {"STOP", [] { EXPECT_EQ(fixed_move_time, 0); }},  // the stop handler, not "st"
      {"sd 7", [] { EXPECT_EQ(max_depth, 7); }},
      {"time 1234", [] { EXPECT_EQ(time_left, 1234); }},
      {"time -50", [] { EXPECT_EQ(time_left, 0); }},  // never the "no clock" value
      {"otime 250", [] { EXPECT_EQ(time_left, -1); }},
      {"otim 250", [] { EXPECT_EQ(time_left, -1); }},
      {"easy", [] { EXPECT_EQ(ponder_on, 0); }},
      {"fritz",
       [] {
         EXPECT_EQ(fritz_mode, 1);
         EXPECT_EQ(uci_mode, 0);
       }},
      {"level 40 5 0",
       [] {
         EXPECT_EQ(moves_to_go, 40);
         EXPECT_EQ(own_increment, 0);
         EXPECT_EQ(time_left, -1);
       }},
      {"level 0 2 12",
       [] {
         EXPECT_EQ(moves_to_go, 0);
         EXPECT_EQ(own_increment, 1200);
       }},
      {"level 40 5:30 7",
       [] {
         EXPECT_EQ(moves_to_go, 40);
         EXPECT_EQ(own_increment, 700);
       }},
      {"   nopost", [] { EXPECT_EQ(post_thinking, 0); }},
      {"NOPOST", [] { EXPECT_EQ(post_thinking, 0); }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.line);
    ResetModes();
    NewGame();
    if (std::string(c.line) == "sd 7") max_depth = 3;
    Interpret(c.line);
    c.check();
  }
}

TEST_F(Commands, LinesThatSelectNothingChangeNothing) {
  for (const char* line : {"j", "k", "v", "y", "z", "", "   ", "protover 2", "accepted", "random", "computer",
                           "name Someone", "rating 2000 1900", "ping 3", " e2e4", "?", "usermove e2e4"}) {
    SCOPED_TRACE(line);
    ResetModes();
    NewGame();
    const std::string before = Fen();
    EXPECT_EQ(Interpret(line), "");
    EXPECT_EQ(Fen(), before);
    EXPECT_EQ(post_thinking, 1);
    EXPECT_EQ(force_mode, 0);
    EXPECT_EQ(game_ply, 0);
  }
}

TEST_F(Commands, PrintingCommands) {
  struct Printed {
    const char* line;
    const char* first_line;
    int lines;
  };
  const Printed cases[] = {
      {"i", "readyok", 1},
      {"isready", "readyok", 1},
      {"mvd", "castling flags = 15", 1},
      {"bk", "Current nhash1 = ", 2},
      {"bkm", "Current nhash1 = ", 2},
      {"egtbstat", "UseEGTB = TRUE", 3},
      {"evl", "Heuristic = ", 12},
      {"brd", "*R*N*B*Q*K*B*N*R", 8},
      {"uci", "id name Dravelnor 1.60", 13},
      {"uc", "id name Dravelnor 1.60", 13},
      {"ucinew", "id name Dravelnor 1.60", 13},
      {"perft 3", "total moves = 8902 time = ", 1},
      {"m", "-------------- Legal moves: ----------------", 3},
  };
  for (const Printed& c : cases) {
    SCOPED_TRACE(c.line);
    ResetModes();
    NewGame();
    const std::string out = Interpret(c.line);
    EXPECT_EQ(out.rfind(c.first_line, 0), 0u) << out;
    int lines = 0;
    for (char ch : out) lines += ch == '\n';
    EXPECT_EQ(lines, c.lines) << out;
  }
  EXPECT_NE(Interpret("bkm").find("No book loaded..."), std::string::npos);
  const std::string moves = Interpret("moves");
  EXPECT_NE(moves.find("Ng1f3 ("), std::string::npos) << moves;
  EXPECT_NE(moves.find("Pe2e4 ("), std::string::npos) << moves;
}

TEST_F(Commands, PerftWithoutAUsableDepthPrintsNothing) {
  for (const char* line : {"perft", "perft 0", "perft -3", "perft x", "perft 99"}) {
    SCOPED_TRACE(line);
    move_list_end = 17;
    EXPECT_EQ(Interpret(line), "");
    EXPECT_EQ(move_list_end, 0);
  }
}

TEST_F(Commands, TypedMoves) {
  force_mode = 1;
  Interpret("e2e4");
  Interpret("E7E5");
  EXPECT_EQ(game_ply, 2);
  EXPECT_EQ(Interpret("e2e5"), "Illegal move: e2e5\n");
  EXPECT_EQ(Interpret("g1f3 \r"), "");  // a CRLF line: its '\r' arrives as a blank
  EXPECT_EQ(game_ply, 3);
  EXPECT_EQ(Interpret("a1a3"), "Illegal move: a1a3\n");
  EXPECT_EQ(game_ply, 3);
  // Take-backs: "undo" one ply, "remove" two, neither below the start.
  Interpret("undo");
  EXPECT_EQ(game_ply, 2);
  Interpret("remove");
  EXPECT_EQ(game_ply, 0);
  EXPECT_EQ(Fen(), BoardToFen());
  Interpret("undo");
  Interpret("remove");
  EXPECT_EQ(game_ply, 0);
  Interpret("e2e4");
  Interpret("remove");
  EXPECT_EQ(game_ply, 0);
  EXPECT_TRUE(VerifyBoard());
}

TEST_F(Commands, TypedPromotionsNeedTheirLetter) {
  force_mode = 1;
  SetPosition("8/4P3/8/8/8/8/k7/4K3 w - -");
  EXPECT_EQ(Interpret("e7e8"), "Illegal move: e7e8\n");
  EXPECT_EQ(Interpret("e7e8n"), "");
  EXPECT_EQ(thread_board.Square[E8], KNIGHT);
}

TEST_F(Commands, SideSwitchDropsTheHistory) {
  force_mode = 1;
  Interpret("e2e4");
  Interpret("white");
  EXPECT_EQ(thread_board.SideToMove, uint32_t(WHITE));
  EXPECT_EQ(engine_side, BLACK);
  EXPECT_EQ(game_ply, 0);
  EXPECT_TRUE(VerifyBoard());
  Interpret("undo");
  EXPECT_TRUE(VerifyBoard());
  Interpret("d2d4");
  EXPECT_EQ(game_ply, 1);
  Interpret("black");  // already black to move: the history stays
  EXPECT_EQ(game_ply, 1);
  EXPECT_EQ(engine_side, WHITE);
}

TEST_F(Commands, LoadfenKeepsThePositionOnABadText) {
  Interpret("loadfen 4k3/8/8/8/8/8/8/4K2R w K - 0 1");
  EXPECT_EQ(Fen().rfind("4k3/8/8/8/8/8/8/4K2R w K", 0), 0u);
  const std::string before = Fen();
  for (const char* line : {"loadfen", "loadfen ", "loadfen 8/8/8/8/8/8/8/8 w - -", "loadfen garbage",
                           "loadfen rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP w KQkq -"}) {
    SCOPED_TRACE(line);
    const std::string out = Interpret(line);
    EXPECT_EQ(out.rfind("Illegal position: ", 0), 0u) << out;
    EXPECT_EQ(Fen(), before);
  }
  // Indented, the text still starts after the keyword.
  Interpret("   loadfen 4k3/8/8/8/8/8/8/R3K3 w Q -");
  EXPECT_EQ(Fen().rfind("4k3/8/8/8/8/8/8/R3K3 w Q", 0), 0u);
}

TEST_F(Commands, UciPosition) {
  uci_mode = 1;
  pending_best_move = 77;
  Interpret("position");
  EXPECT_EQ(pending_best_move, Move(77));
  Interpret("position startpos moves e2e4 e7e5 xyz a1a3 g1f3");
  EXPECT_EQ(pending_best_move, Move(0));
  EXPECT_EQ(game_ply, 3);
  EXPECT_EQ(Fen().rfind("rnbqkbnr/pppp1ppp/8/4p3/4P3/5N2/PPPP1PPP/RNBQKB1R b KQkq", 0), 0u) << Fen();

  Interpret(std::string("position fen ") + kStart + " 0 1 moves d2d4 D7D5");
  EXPECT_EQ(game_ply, 2);
  Interpret("position fen 4k3/8/8/8/8/8/4P3/4K3 b - - moves e8d7");
  EXPECT_EQ(Fen().rfind("8/3k4/8/8/8/8/4P3/4K3 w", 0), 0u) << Fen();
  // A refused FEN keeps the position, and its moves are not tried on it.
  const std::string before = Fen();
  EXPECT_NE(Interpret("position fen 8/8/8/8/8/8/8/8 w - - moves e2e4").find("info string"), std::string::npos);
  EXPECT_EQ(Fen(), before);
  Interpret("position fen");
  EXPECT_EQ(Fen(), before);
}

TEST_F(Commands, SetOption) {
  Interpret("setoption name Hash value 64");
  EXPECT_EQ(tt_entries, 3355443u);
  Interpret("setoption name Hash value 5000");  // held to the announced maximum
  EXPECT_EQ(tt_entries, uint32_t((1024ull << 20) / 20));
  Interpret("setoption name Hash value 8");
  EXPECT_EQ(tt_entries, uint32_t((8ull << 20) / 20));

  Interpret("setoption name Aggressivity value 301");
  EXPECT_EQ(aggressivity, 300);
  EXPECT_EQ(aggressivity_half, 150);
  Interpret("setoption name Defensivity value 77");
  EXPECT_EQ(cowardice, 77);
  EXPECT_EQ(cowardice_half, 38);
  Interpret("setoption name Defensivity value -5");
  EXPECT_EQ(cowardice, 0);
  Interpret("setoption name MultiPV value 0");
  EXPECT_EQ(multi_pv, 1);
  Interpret("setoption name MultiPV value 3");
  EXPECT_EQ(multi_pv, 3);
  Interpret("setoption name MultiPV 5");  // no "value": nothing
  EXPECT_EQ(multi_pv, 3);
  Interpret("setoption nam MultiPV value 4");  // "nam" abbreviates "name"
  EXPECT_EQ(multi_pv, 4);
  Interpret("setoption MultiPV value 6");
  EXPECT_EQ(multi_pv, 4);

  Interpret("setoption name OwnBook value false");
  EXPECT_EQ(own_book, 0);
  Interpret("setoption name OwnBook value yes");
  EXPECT_EQ(own_book, 0);
  Interpret("setoption name OwnBook value true");
  EXPECT_EQ(own_book, 1);

  const std::string path = tb_path;
  use_egtb = 0;
  Interpret("setoption name NalimovPath value d:\\tb");
  EXPECT_EQ(tb_path, path);
  use_egtb = 1;
  Interpret("setoption name NalimovPath value " + std::string(2000, 'x'));
  EXPECT_EQ(tb_path, path);
  Interpret("setoption name NalimovPath value d:\\tb, e:\\more tables");
  EXPECT_STREQ(tb_path, "d:\\tb, e:\\more tables");
  std::snprintf(tb_path, TB_PATH_SIZE, "%s", path.c_str());

  // "Clear Hash" empties the table.
  Interpret("setoption name Hash value 1");
  StoreTranspositionTable(20, FindLegal("e2e4"), 12, 1, 0, 0);
  ASSERT_NE(FindHashEntry(), nullptr);
  Interpret("setoption name Clear Hash");
  EXPECT_EQ(FindHashEntry(), nullptr);
  NewGame();
}

TEST_F(Commands, GoLimits) {
  uci_mode = 1;
  post_thinking = 0;
  Interpret("position fen 4k3/8/8/8/8/8/4P3/4K3 b - -");
  const std::string out = Interpret("go wtime 60000 btime 30000 winc 500 binc 70 depth 2");
  EXPECT_EQ(time_left, 3000);
  EXPECT_EQ(own_increment, 7);
  EXPECT_EQ(max_depth, 2);
  EXPECT_NE(out.find("bestmove "), std::string::npos);

  Interpret("position startpos");
  Interpret("go searchmoves e2e4 e7e5 d2d4 e2e4 wtime 1000 depth 1");
  EXPECT_EQ(search_moves_count, 2);  // e7e5 is not legal here, e2e4 counts once
  EXPECT_EQ(time_left, -1);          // the walk ended at searchmoves
  EXPECT_EQ(max_depth, 998);

  Interpret("position startpos");
  max_depth = 3;
  Interpret("go depth");
  EXPECT_EQ(max_depth, 0);
  Interpret("position startpos");
  Interpret("go movetime 5 nodes 500");
  EXPECT_EQ(fixed_move_time, 1);
  EXPECT_EQ(node_limit, 500);
}

}  // namespace
