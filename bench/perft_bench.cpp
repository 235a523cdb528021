// Perft speed: leaves per second for two reference positions.
#include <chrono>
#include <cstdio>

#include "board/board.h"
#include "board/notation.h"
#include "board/tables.h"
#include "interface/perft.h"
#include "search/tables.h"

int main() {
  InitBoardTables();
  ClearCaptureStatistics();
  struct Case {
    const char* name;
    const char* fen;
    int depth;
  };
  static const Case cases[] = {
      {"initial", "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1", 6},
      {"kiwipete", "r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq - 0 1", 5},
  };
  uint64_t all_nodes = 0;
  double all_seconds = 0;
  for (const Case& c : cases) {
    NewGame();
    if (LoadFen(c.fen) != FEN_OK) return 1;
    perft_nodes = 0;
    move_list_end = 0;
    const auto start = std::chrono::steady_clock::now();
    Perft(c.depth);
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    printf("%-10s depth %d: %12llu leaves %8.3f s %8.2f M leaves/s\n", c.name, c.depth, (unsigned long long)perft_nodes,
           seconds, perft_nodes / seconds / 1e6);
    all_nodes += perft_nodes;
    all_seconds += seconds;
  }
  printf("total: %llu leaves %.3f s %.2f M leaves/s\n", (unsigned long long)all_nodes, all_seconds,
         all_nodes / all_seconds / 1e6);
  return 0;
}
