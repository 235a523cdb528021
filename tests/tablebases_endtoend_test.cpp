// The whole way from table files to moves: the solver's kqk, krk and kpk
// tables written as plain and as compressed files, probed position by
// position against the solver, and games of the engine against itself from
// kqk and krk positions that end in mate in exactly the tables' distance.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>

#include "board/attacks.h"
#include "board/movegen.h"
#include "board/notation.h"
#include "interface/options.h"
#include "search/search.h"
#include "search/tables.h"
#include "tablebases/cache.h"
#include "tablebases/registry.h"
#include "tablebases/tablebases.h"
#include "tb_fixture.h"
#include "tb_positions.h"
#include "tb_solver.h"
#include "tb_writer.h"
#include "test_util.h"

namespace {

using tbw::Bytes;

constexpr const char* kSignatures[] = {"kqk", "krk", "kpk"};

Bytes AsBytes(const std::vector<int8_t>& values) { return Bytes(values.begin(), values.end()); }

// Writes the solver's tables of the three endings into the folder, plain or
// compressed (each side in one of the compressed name forms).
void WriteSolvedTables(const std::string& folder, bool compressed) {
  int form = 0;
  for (const char* signature : kSignatures) {
    const SolvedTable& table = SolveThreeManTable(signature);
    for (int side = 0; side < 2; side++) {
      const std::string ext = side ? "nbb" : "nbw";
      const Bytes data = AsBytes(table.bytes[side]);
      if (!compressed) {
        tbw::WriteFile(folder + "/" + signature + "." + ext, data);
        continue;
      }
      const std::string names[] = {std::string(".") + ext + ".emd", "_" + ext + ".emd", "_" + ext + "_emd",
                                   ext + ".emd"};
      tbw::WriteFile(folder + "/" + signature + names[form++ % 4], tbw::EncodeTableFile(data));
    }
  }
}

// Score of a stored byte on the engine's scale: a win in n moves is a mate
// in 2n - 1 plies, a loss in n moves a mate in 2n.
int32_t ScoreOfByte(int8_t b) {
  if (b == 0) return 0;
  if (b > 0) return 32700 - 2 * (127 - b);
  return -32700 + 2 * (b + 126);
}

// FEN of kings and one man; exchanged: the colours swapped and the board
// turned over (the same position for the other side).
std::string PositionFen(char piece, int side, int wk, int p, int bk, bool exchanged) {
  char board[64];
  for (char& c : board) c = '.';
  const int flip = exchanged ? 56 : 0;
  board[wk ^ flip] = exchanged ? 'k' : 'K';
  board[p ^ flip] = exchanged ? char(piece) : char(piece - 32);
  board[bk ^ flip] = exchanged ? 'K' : 'k';
  std::string fen;
  for (int rank = 7; rank >= 0; rank--) {
    int empty = 0;
    for (int file = 0; file < 8; file++) {
      const char c = board[rank * 8 + file];
      if (c == '.') {
        empty++;
        continue;
      }
      if (empty) fen += char('0' + empty), empty = 0;
      fen += c;
    }
    if (empty) fen += char('0' + empty);
    if (rank) fen += '/';
  }
  fen += (side ^ (exchanged ? 1 : 0)) ? " b - - 0 1" : " w - - 0 1";
  return fen;
}

using TbEndToEnd = TbFolderTest;

TEST_F(TbEndToEnd, PlainAndCompressedTablesAgreeWithTheSolver) {
  InitBoardForTests();
  InitEnumerationTables();
  for (bool compressed : {false, true}) {
    SCOPED_TRACE(compressed ? "compressed" : "plain");
    FreeTablebaseCache();
    InitTablebases(nullptr);
    std::system(("rm -f " + folder + "/k*").c_str());
    WriteSolvedTables(folder, compressed);
    ASSERT_EQ(RegisterWithCache(2 << 20), 3);
    for (const char* signature : kSignatures)
      ASSERT_EQ(tb_descriptors[RowOfSignature(signature)].block_index[0][0] != nullptr, compressed) << signature;
    std::mt19937 random(compressed ? 2 : 1);
    int compared = 0, wins = 0, losses = 0, draws = 0;
    while (compared < 30000) {
      const char* signature = kSignatures[random() % 3];
      const int side = int(random() % 2), wk = int(random() % 64), p = int(random() % 64), bk = int(random() % 64);
      const int8_t expected = SolvedPositionByte(signature, side, wk, p, bk);
      if (expected == SOLVER_NO_POSITION) continue;
      const bool exchanged = random() % 2;
      if (LoadFen(PositionFen(signature[1], side, wk, p, bk, exchanged).c_str()) != FEN_OK) continue;
      int32_t score = 99999;
      const int hit = ProbeEGTB(thread_board.SideToMove == WHITE ? 1 : 0, &score);
      ASSERT_EQ(hit, 1) << PositionFen(signature[1], side, wk, p, bk, exchanged);
      ASSERT_EQ(score, ScoreOfByte(expected)) << PositionFen(signature[1], side, wk, p, bk, exchanged);
      compared++;
      wins += expected > 0, losses += expected < 0, draws += expected == 0;
    }
    // The sample holds every kind of value.
    EXPECT_GT(wins, 1000);
    EXPECT_GT(losses, 1000);
    EXPECT_GT(draws, 1000);
  }
}

// The solver's byte of the position on the board (kings and one man).
int8_t SolvedByteOfBoard(const char* signature) {
  const Board& b = thread_board;
  const int kind = signature[1] == 'q' ? QUEEN : signature[1] == 'r' ? ROOK : PAWN;
  const int strong = b.Pieces[kind][WHITE] ? WHITE : BLACK;
  const int flip = strong == WHITE ? 0 : 56;
  const int side = int(b.SideToMove) ^ strong;
  const int man = __builtin_ctzll(b.Pieces[kind][strong]);
  return SolvedPositionByte(signature, side, int(b.KingSquare[strong]) ^ flip, man ^ flip,
                            int(b.KingSquare[strong ^ 1]) ^ flip);
}

struct SearchSettings {
  SearchSettings() {
    uci_mode = 1;
    ponder_on = 0;
    post_thinking = 1;
    force_mode = 0;
    time_left = -1;
    fixed_move_time = 0;
    node_limit = 0;
    mate_goal = 0;
    multi_pv = 1;
    search_moves_count = 0;
    use_learning = 0;
    own_book = 0;
    stop_search = 0;
    target_time = hard_time_limit = 9999999;
  }
  ~SearchSettings() {
    post_thinking = 0;
    fixed_move_time = 0;
    max_depth = 4;
  }
};

bool SideToMoveIsMated() {
  GenerateLegalMoves(LEGALITY_LIST_START);
  return move_list_end == LEGALITY_LIST_START && InCheck();
}

TEST_F(TbEndToEnd, TheEngineMatesInTheTablesDistance) {
  InitSearchForTests();
  InitEnumerationTables();
  WriteSolvedTables(folder, false);
  ASSERT_EQ(RegisterWithCache(4 << 20), 3);
  tb_max_men = 3;
  const SearchSettings settings;
  // On the clock: the root then may resume from a stored depth, which a
  // tablebase entry must not give.
  max_depth = 998;
  fixed_move_time = 2;
  // The longest wins, some shorter ones and a colour-reversed start.
  const char* starts[] = {
      "8/8/8/8/3k4/8/8/K6Q w - - 0 1",  "8/8/8/8/4k3/8/8/KR6 w - - 0 1", "kr6/8/8/8/4K3/8/8/8 b - - 0 1",
      "8/8/1k6/8/8/8/6Q1/7K w - - 0 1", "7k/8/8/8/8/8/1R6/K7 w - - 0 1", "k7/8/8/8/8/3K4/7q/8 b - - 0 1",
  };
  std::vector<std::string> fens(std::begin(starts), std::end(starts));
  // A longest win of each ending, from the solver.
  for (const auto& [signature, longest] : {std::pair{"kqk", 10}, std::pair{"krk", 16}}) {
    bool found = false;
    for (int wk = 0; wk < 64 && !found; wk++)
      for (int p = 0; p < 64 && !found; p++)
        for (int bk = 0; bk < 64 && !found; bk++)
          if (SolvedPositionByte(signature, 0, wk, p, bk) == 127 - longest) {
            fens.push_back(PositionFen(signature[1], 0, wk, p, bk, false));
            found = true;
          }
    ASSERT_TRUE(found) << signature;
  }
  int longest_game = 0;
  for (const std::string& fen : fens) {
    SCOPED_TRACE(fen);
    SetPosition(fen.c_str());
    const char* signature = (thread_board.Pieces[QUEEN][WHITE] | thread_board.Pieces[QUEEN][BLACK]) ? "kqk" : "krk";
    int8_t byte = SolvedByteOfBoard(signature);
    ASSERT_GT(byte, 0);
    ASSERT_LT(byte, 127);
    const int distance = 127 - byte;
    ClearTranspositionTable();
    int plies = 0;
    while (!SideToMoveIsMated()) {
      ASSERT_LT(plies, 2 * distance) << "no mate in " << distance;
      const int8_t before = SolvedByteOfBoard(signature);
      GenerateLegalMoves(LEGALITY_LIST_START);
      const bool single_reply = move_list_end == LEGALITY_LIST_START + 1;
      testing::internal::CaptureStdout();
      Think();
      const std::string out = testing::internal::GetCapturedStdout();
      plies++;
      // A real search ran (not the first move unsearched): it reports the
      // tables' mate at the root, found by probing (a single reply is played
      // without a search).
      const int moves_to_mate = before > 0 ? 127 - before : -(before + 126);
      const std::string mate = "score mate " + std::to_string(moves_to_mate) + " ";
      if (moves_to_mate != 0) {
        EXPECT_NE(out.find(mate), std::string::npos) << out;
      }
      const size_t hits = out.rfind("tbhits ");
      ASSERT_NE(hits, std::string::npos) << out;
      if (!single_reply) {
        EXPECT_GT(std::atoi(out.c_str() + hits + 7), 0) << out;
      }
      if (SideToMoveIsMated()) break;
      const int8_t after = SolvedByteOfBoard(signature);
      // The winner comes one move nearer; the loser keeps the longest loss.
      if (before > 0) {
        EXPECT_EQ(after, SolverLossByte(127 - before - 1)) << out;
      } else
        EXPECT_EQ(after, SolverWinByte(before + 126)) << out;
    }
    EXPECT_EQ(plies, 2 * distance - 1);
    longest_game = std::max(longest_game, plies);
  }
  EXPECT_EQ(longest_game, 2 * 16 - 1);
}

}  // namespace
