// Move generation against an independent engine: the per-move perft split of
// positions from random games must match the Debian stockfish's "go perft".
// Skipped where stockfish is not installed (.ci/run installs it).
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "board/makemove.h"
#include "board/movegen.h"
#include "board/notation.h"
#include "interface/perft.h"
#include "perft_cases.h"
#include "test_util.h"

namespace {

std::string FindStockfish() {
  if (const char* path = getenv("DRAVELNOR_STOCKFISH")) return path;
  for (const char* path : {"/usr/games/stockfish", "/usr/bin/stockfish", "/usr/local/bin/stockfish"})
    if (access(path, X_OK) == 0) return path;
  return "";
}

using Split = std::map<std::string, uint64_t>;

Split OwnSplit(int depth) {
  Split split;
  GenerateLegalMoves(0);
  const std::vector<std::string> texts = MoveTexts(0, move_list_end);
  std::vector<Move> moves;
  for (int i = 0; i < move_list_end; i++) moves.push_back(move_list[i].move);
  for (size_t i = 0; i < moves.size(); i++) {
    MakeMove(moves[i], 1);
    move_list_end = 0;
    perft_nodes = 0;
    Perft(depth - 1);
    split[texts[i]] = depth == 1 ? 1 : perft_nodes;
    UnmakeMove();
  }
  move_list_end = 0;
  return split;
}

TEST(PerftOracle, SplitsAgreeWithStockfishOnRandomGames) {
  const std::string stockfish = FindStockfish();
  if (stockfish.empty()) GTEST_SKIP() << "stockfish is not installed";
  InitBoardForTests();

  // Positions from random games out of the reference positions.
  const char* starts[] = {DRAVELNOR_INITIAL, DRAVELNOR_KIWIPETE, DRAVELNOR_ENDGAME, DRAVELNOR_PROMOTIONS,
                          DRAVELNOR_MIDDLEGAME};
  std::vector<std::string> fens;
  std::vector<Split> own;
  uint64_t seed = 2026;
  const int depth = 3;
  for (int game = 0; game < 60; game++) {
    SetPosition(starts[game % 5]);
    for (int plies = 0; plies < 60; plies++) {
      GenerateLegalMoves(0);
      const int count = move_list_end;
      move_list_end = 0;
      if (count == 0) break;
      if (plies % 6 == 5) {
        const std::string fen = BoardToFen();
        const uint64_t key = GetPositionKey();
        const Board board = thread_board;
        const int ply = game_ply;
        const std::vector<UndoRecord> history(game_history, game_history + ply + 1);
        // The text reloads to the same position.
        ASSERT_EQ(LoadFen(fen.c_str()), FEN_OK) << fen;
        EXPECT_EQ(GetPositionKey(), key) << fen;
        fens.push_back(fen);
        own.push_back(OwnSplit(depth));
        // Go on with the game where it stood.
        thread_board = board;
        game_ply = ply;
        std::copy(history.begin(), history.end(), game_history);
      }
      seed = seed * 6364136223846793005ULL + 1442695040888963407ULL;
      GenerateLegalMoves(0);
      const Move move = move_list[(seed >> 33) % uint64_t(move_list_end)].move;
      move_list_end = 0;
      MakeMove(move, 1);
    }
  }
  ASSERT_GT(fens.size(), 200u);

  char input_name[] = "/tmp/dravelnor_oracle_in_XXXXXX";
  const int fd = mkstemp(input_name);
  ASSERT_GE(fd, 0);
  close(fd);
  const std::string output_name = std::string(input_name) + ".out";
  {
    std::ofstream input(input_name);
    for (const std::string& fen : fens) input << "position fen " << fen << "\ngo perft " << depth << "\n";
    input << "quit\n";
  }
  const std::string command = stockfish + " < " + input_name + " > " + output_name + " 2>&1";
  ASSERT_EQ(system(command.c_str()), 0) << command;
  std::ifstream output(output_name);
  std::string line;
  size_t index = 0;
  Split theirs;
  int mismatches = 0;
  while (std::getline(output, line)) {
    if (line.rfind("Nodes searched", 0) == 0) {
      ASSERT_LT(index, fens.size());
      if (theirs != own[index] && ++mismatches <= 5) {
        std::ostringstream detail;
        for (const auto& [move, count] : theirs)
          if (!own[index].count(move) || own[index].at(move) != count)
            detail << " " << move << ": theirs " << count << " ours "
                   << (own[index].count(move) ? own[index].at(move) : 0);
        for (const auto& [move, count] : own[index])
          if (!theirs.count(move)) detail << " " << move << ": only ours " << count;
        ADD_FAILURE() << fens[index] << ":" << detail.str();
      }
      theirs.clear();
      index++;
      continue;
    }
    const size_t colon = line.find(": ");
    if (colon == 4 || colon == 5) theirs[line.substr(0, colon)] = std::stoull(line.substr(colon + 2));
  }
  EXPECT_EQ(index, fens.size()) << "stockfish answered every position";
  EXPECT_EQ(mismatches, 0);
  remove(input_name);
  remove(output_name.c_str());
}

}  // namespace
