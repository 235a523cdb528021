// Search speed and a node-count signature: fixed middlegame and endgame
// positions, each searched to a fixed depth from cleared tables with the
// default hash sizes. The total node count changes whenever the search's
// shape changes, so it doubles as a regression signature.
//
// Usage: search_bench [depth]   (run from the build directory, which holds
// values.txt)
//
// The searches never read standard input: the engine's input descriptor is
// an empty pipe whose writing end stays open, so neither a closed standard
// input (which ends searches that only input could end) nor lines waiting on
// it can change what is searched.
#include <unistd.h>

#include <chrono>
#include <cinttypes>
#include <cstdio>
#include <cstdlib>

#include "board/board.h"
#include "board/movekeys.h"
#include "board/notation.h"
#include "board/tables.h"
#include "eval/bitbases.h"
#include "eval/params.h"
#include "eval/pst.h"
#include "interface/options.h"
#include "interface/startup.h"
#include "platform/stdin.h"
#include "search/driver.h"
#include "search/search.h"
#include "search/tables.h"

namespace {

// Endgames have few moves a ply: they are searched this many plies deeper
// so that they weigh in the total.
constexpr int ENDGAME_EXTRA_DEPTH = 6;

struct BenchPosition {
  const char* fen;
  int endgame;
};

const BenchPosition positions[] = {
    // Middlegames.
    {"r1bqkb1r/pppp1ppp/2n2n2/4p3/2B1P3/5N2/PPPP1PPP/RNBQK2R w KQkq - 4 4", 0},
    {"r1bqk2r/pp2bppp/2n1pn2/2pp4/3P4/2PBPN2/PP1N1PPP/R1BQK2R w KQkq - 0 7", 0},
    {"r2q1rk1/pp2bppp/2n1pn2/3p4/3P4/2NBPN2/PP3PPP/R2Q1RK1 w - - 0 10", 0},
    {"r1bq1rk1/ppp2ppp/2np1n2/2b1p3/2B1P3/2NP1N2/PPP2PPP/R1BQ1RK1 w - - 0 7", 0},
    {"rnbq1rk1/ppp1bppp/4pn2/3p2B1/2PP4/2N2N2/PP2PPPP/R2QKB1R w KQ - 6 6", 0},
    {"r1bqkbnr/pp1ppppp/2n5/2p5/4P3/5N2/PPPP1PPP/RNBQKB1R w KQkq - 2 3", 0},
    {"r2qkb1r/pp1n1ppp/2p1pn2/3p1b2/2PP4/1QN1PN2/PP3PPP/R1B1KB1R w KQkq - 0 7", 0},
    {"r1b2rk1/2q1bppp/p2ppn2/1p6/3BPP2/2N2B2/PPP3PP/R2Q1R1K w - - 0 14", 0},
    {"2rq1rk1/pb1nbppp/1p2pn2/2pp4/2PP4/1PN1PN2/PB1QBPPP/2R2RK1 w - - 0 12", 0},
    {"r4rk1/1pp1qppp/p1np1n2/2b1p1B1/2B1P1b1/P1NP1N2/1PP1QPPP/R4RK1 w - - 0 10", 0},
    {"r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq - 0 1", 0},
    {"r1bq1rk1/pp3ppp/2n1pn2/2bp4/2P5/P1N1PN2/1P1B1PPP/R2QKB1R w KQ - 1 8", 0},
    {"rn1qkb1r/pp2pppp/2p2n2/5b2/P1pP4/2N2N2/1P2PPPP/R1BQKB1R w KQkq - 1 6", 0},
    {"r2q1rk1/1p1nbppp/p2pbn2/4p3/4P3/1NN1BP2/PPPQ2PP/2KR1B1R w - - 3 10", 0},
    {"1r2r1k1/pp1q1ppp/2nb1n2/3p4/3P2b1/2NB1N2/PPQ2PPP/R1B2RK1 w - - 5 14", 0},
    {"r1bqr1k1/pp1nbppp/2p2n2/3p2B1/3P4/2NBPN2/PPQ2PPP/R3K2R w KQ - 5 9", 0},
    {"2kr3r/ppp2ppp/2n1bn2/2b1p3/4P3/2NP1N2/PPP1BPPP/R1B2RK1 w - - 2 10", 0},
    {"r1b1k2r/ppppnppp/2n2q2/2b5/3NP3/2P1B3/PP3PPP/RN1QKB1R w KQkq - 0 7", 0},
    // Endgames.
    {"8/8/4k3/3p4/3P4/4K3/8/8 w - - 0 1", 1},
    {"8/5pk1/6p1/7p/7P/6P1/5PK1/8 w - - 0 1", 1},
    {"8/8/1p3k2/p1p5/P1P2K2/1P6/8/8 w - - 0 1", 1},
    {"6k1/5pp1/7p/8/8/7P/5PP1/3R2K1 w - - 0 1", 1},
    {"8/pp3k2/2p1r3/5p2/2P5/1P3K2/P4P2/4R3 w - - 0 1", 1},
    {"8/3k4/8/2KP4/8/8/8/8 w - - 0 1", 1},
    {"4k3/8/8/8/8/8/4P3/4K3 w - - 0 1", 1},
    {"8/8/8/3k4/8/2B5/3N4/4K3 w - - 0 1", 1},
    {"5k2/8/5K2/5P2/8/8/8/8 w - - 0 1", 1},
    {"8/1k6/8/8/3q4/8/5Q2/6K1 w - - 0 1", 1},
    {"2r3k1/5pp1/7p/8/8/7P/5PP1/2R3K1 w - - 0 1", 1},
    {"8/4kp2/4p1p1/3bP1P1/5P2/4B3/4K3/8 w - - 0 1", 1},
};

double Seconds(std::chrono::steady_clock::time_point a, std::chrono::steady_clock::time_point b) {
  return std::chrono::duration<double>(b - a).count();
}

}  // namespace

int main(int argc, char** argv) {
  const int depth = argc > 1 ? std::atoi(argv[1]) : 11;
  if (depth < 1 || depth + ENDGAME_EXTRA_DEPTH > 98) {
    std::printf("depth must lie in 1..%d\n", 98 - ENDGAME_EXTRA_DEPTH);
    return 2;
  }

  int quiet_input[2];
  if (pipe(quiet_input) != 0) {
    std::perror("pipe");
    return 1;
  }
  input_descriptor = quiet_input[0];

  InitStartupTables();
  if (!AllocateStartupTables()) return 1;
  NewGame();

  // A fixed-depth search with no clock and no output.
  uci_mode = 0;
  post_thinking = 0;
  time_left = -1;
  target_time = hard_time_limit = 9999999;
  poll_interval = 50000;

  std::printf("search_bench: depth %d (endgames %d), %d positions\n", depth, depth + ENDGAME_EXTRA_DEPTH,
              int(sizeof positions / sizeof positions[0]));
  uint64_t total_nodes = 0;
  double total_seconds = 0;
  int index = 0;
  for (const BenchPosition& position : positions) {
    const char* fen = position.fen;
    index++;
    if (LoadFen(fen) != FEN_OK) {
      std::printf("%2d refused: %s\n", index, fen);
      return 1;
    }
    ClearSearchTables();
    const auto start = std::chrono::steady_clock::now();
    search_start_time = 0;
    SearchRoot(depth + (position.endgame ? ENDGAME_EXTRA_DEPTH : 0), 0);
    const auto end = std::chrono::steady_clock::now();
    const double seconds = Seconds(start, end);
    char move[8];
    total_nodes += nodes;
    total_seconds += seconds;
    std::printf("%2d %-6s %6d %11" PRIu64 " nodes %8.3f s %9.0f nps  %s\n", index, MoveToText(move, move_list[0].move),
                root_scores[0], nodes, seconds, seconds > 0 ? double(nodes) / seconds : 0.0, fen);
    std::fflush(stdout);
  }
  std::printf("total %llu nodes %.3f s %.0f nps\n", (unsigned long long)total_nodes, total_seconds,
              total_seconds > 0 ? total_nodes / total_seconds : 0.0);
  std::printf("signature %llu\n", (unsigned long long)total_nodes);
  FreeTranspositionTable();
  FreeMoveKeyTable();
  FreeEvalCache();
  FreePawnHash();
  return 0;
}
