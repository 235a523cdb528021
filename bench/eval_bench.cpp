// Evaluation speed: a fixed set of positions from seeded random games,
// evaluated through the full evaluation and through the search's entry, with
// the caches on and off.
#include <chrono>
#include <cstdio>
#include <vector>

#include "board/board.h"
#include "board/makemove.h"
#include "board/movegen.h"
#include "board/notation.h"
#include "board/tables.h"
#include "eval/bitbases.h"
#include "eval/evaluate.h"
#include "eval/params.h"
#include "eval/pst.h"
#include "interface/options.h"
#include "interface/startup.h"
#include "search/root.h"
#include "search/tables.h"

namespace {

// The evaluation reads the game history only for the last move, so a
// position keeps that record alone: copying whole histories would weigh in
// the timings as much as the evaluation.
struct Position {
  Board board;
  int32_t ply;
  UndoRecord last;
};

std::vector<Position> MakePositions(int count) {
  std::vector<Position> positions;
  uint64_t seed = 20261210;
  while (int(positions.size()) < count) {
    NewGame();
    for (int ply = 0; ply < 120 && int(positions.size()) < count; ply++) {
      GenerateLegalMoves(0);
      if (!move_list_end) break;
      seed = seed * 6364136223846793005ULL + 1442695040888963407ULL;
      MakeMove(move_list[(seed >> 33) % uint64_t(move_list_end)].move, 1);
      move_list_end = 0;
      positions.push_back({thread_board, int32_t(game_ply), game_history[game_ply - 1]});
    }
  }
  return positions;
}

void SetUp(const Position& p) {
  thread_board = p.board;
  game_ply = p.ply;
  game_history[p.ply - 1] = p.last;
}

double Run(const char* label, const std::vector<Position>& positions, int rounds, bool entry, int64_t* checksum) {
  const auto start = std::chrono::steady_clock::now();
  int64_t sum = 0;
  for (int round = 0; round < rounds; round++) {
    for (const Position& p : positions) {
      SetUp(p);
      root_side = int(thread_board.SideToMove);
      if (entry) {
        sum += Evaluate();
      } else {
        int32_t score = NO_SCORE;
        EvaluatePosition(&score);
        sum += score;
      }
    }
  }
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  const double count = double(rounds) * double(positions.size());
  printf("%-34s %9.0f evaluations  %7.3f s  %8.3f M evaluations/s  (sum %lld)\n", label, count, seconds,
         count / seconds / 1e6, (long long)sum);
  *checksum = sum;
  return seconds;
}

}  // namespace

int main() {
  InitStartupTables();
  if (!AllocateStartupTables()) return 1;
  const std::vector<Position> positions = MakePositions(4000);
  printf("%zu positions from seeded random games\n", positions.size());
  int64_t sums[4];
  Run("full evaluation, pawn hash on", positions, 50, false, &sums[0]);
  Run("search entry, both caches on", positions, 50, true, &sums[1]);
  const uint32_t saved = pawn_hash_entries;
  SetPawnHashSize(0);
  Run("full evaluation, pawn hash off", positions, 50, false, &sums[2]);
  eval_cache_entries = 0;
  Run("search entry, both caches off", positions, 50, true, &sums[3]);
  pawn_hash_entries = saved;
  // The evaluation cache may answer a position with the other side to move
  // from its estimate, so only the pawn hash must leave every score alone.
  if (sums[0] != sums[2]) {
    printf("the pawn hash changed a score\n");
    return 1;
  }
  return 0;
}
