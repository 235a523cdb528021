// Index computations per second for a few three-, four-, five- and six-man
// functions, over a fixed set of positions the functions accept (distinct
// squares, pawns on ranks 2 to 7, no contact check by the side to move).
//
// Usage: tb_index_bench [millions of calls per function]
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <vector>

#include "tablebases/index.h"

namespace {

struct Positions {
  std::vector<int32_t> white, black, ep;
};

// Fills the men of the signature on random distinct squares, keeping the
// positions the function gives an index.
Positions MakePositions(int row, int side, int count) {
  std::mt19937 random(7);
  Positions positions;
  const char* signature = tb_index_signatures[row];
  const char* second = std::strchr(signature + 1, 'k');
  while (int(positions.ep.size()) < count) {
    int32_t lists[2][16] = {};
    bool used[64] = {};
    auto place = [&](int colour, int slot, bool pawn) {
      int s;
      do s = pawn ? 8 + int(random() % 48) : int(random() % 64);
      while (used[s]);
      used[s] = true;
      lists[colour][slot] = s;
    };
    place(0, 15, false);
    place(1, 15, false);
    for (int colour = 0; colour < 2; colour++) {
      int kinds[5] = {};
      for (const char* c = colour == 0 ? signature + 1 : second + 1; *c && *c != 'k'; c++) {
        const int piece = int(std::strchr("pnbrq", *c) - "pnbrq");
        place(colour, piece * 3 + kinds[piece]++, piece == 0);
      }
    }
    if (tb_index_functions[row][side](lists[0], lists[1], TB_NO_EP_SQUARE, 0) == TB_NO_INDEX) continue;
    positions.white.insert(positions.white.end(), lists[0], lists[0] + 16);
    positions.black.insert(positions.black.end(), lists[1], lists[1] + 16);
    positions.ep.push_back(TB_NO_EP_SQUARE);
  }
  return positions;
}

}  // namespace

int main(int argc, char** argv) {
  const double millions = argc > 1 ? std::atof(argv[1]) : 20;
  InitEnumerationTables();
  const struct {
    const char* signature;
    int side;
  } functions[] = {{"krk", 0},   {"kqk", 1},    {"kpk", 1},    {"kbnkn", 1},  {"kppkp", 0},
                   {"krbnk", 0}, {"kqrbkn", 0}, {"kqrkqr", 1}, {"knpkpp", 0}, {"kbnpkb", 1}};
  constexpr int COUNT = 4096;
  for (const auto& f : functions) {
    int row = 0;
    for (int r = 1; r < TB_TABLE_ROWS; r++)
      if (std::strcmp(tb_index_signatures[r], f.signature) == 0) row = r;
    const Positions p = MakePositions(row, f.side, COUNT);
    const TbIndexFunction function = tb_index_functions[row][f.side];
    const long calls = long(millions * 1e6);
    uint64_t sum = 0;
    const auto start = std::chrono::steady_clock::now();
    for (long i = 0; i < calls; i++) {
      const int n = int(i & (COUNT - 1));
      sum += function(&p.white[n * 16], &p.black[n * 16], p.ep[n], 0);
    }
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::printf("%-8s %s to move: %6.1f million indices per second (checksum %llu)\n", f.signature,
                f.side ? "black" : "white", calls / seconds / 1e6, (unsigned long long)(sum & 0xFFFF));
  }
  return 0;
}
