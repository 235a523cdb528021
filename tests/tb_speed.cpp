// A measurement, not a test: probes per second with the cache warm and cold
// (plain and compressed files of the solver's tables) and the search's nodes
// per second in kqk and krk endings with the tables and without them.
//
// Usage: tb_speed   (from the build directory, which holds values.txt)
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

#include "board/notation.h"
#include "interface/options.h"
#include "search/search.h"
#include "search/tables.h"
#include "tablebases/cache.h"
#include "tablebases/registry.h"
#include "tablebases/tablebases.h"
#include "tb_solver.h"
#include "tb_writer.h"
#include "test_util.h"

namespace {

double Seconds(std::chrono::steady_clock::time_point since) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

std::string Fen(int wk, int q, int bk, char piece, bool white) {
  char board[64];
  for (char& c : board) c = '.';
  board[wk] = 'K', board[q] = piece, board[bk] = 'k';
  std::string fen;
  for (int r = 7; r >= 0; r--) {
    int e = 0;
    for (int f = 0; f < 8; f++) {
      const char c = board[r * 8 + f];
      if (c == '.') {
        e++;
        continue;
      }
      if (e) fen += char('0' + e), e = 0;
      fen += c;
    }
    if (e) fen += char('0' + e);
    if (r) fen += '/';
  }
  return fen + (white ? " w - - 0 1" : " b - - 0 1");
}

void WriteTables(const std::string& folder, bool compressed) {
  for (const char* s : {"kqk", "krk"}) {
    const SolvedTable& t = SolveThreeManTable(s);
    for (int side = 0; side < 2; side++) {
      const tbw::Bytes data(t.bytes[side].begin(), t.bytes[side].end());
      const std::string name = folder + "/" + s + (side ? ".nbb" : ".nbw");
      tbw::WriteFile(compressed ? name + ".emd" : name, compressed ? tbw::EncodeTableFile(data) : data);
    }
  }
}

// Loaded positions (legal kqk/krk ones), probed in turn.
std::vector<std::string> SamplePositions(int count) {
  std::mt19937 random(1);
  std::vector<std::string> fens;
  while (int(fens.size()) < count) {
    const char piece = random() % 2 ? 'Q' : 'R';
    const int a = int(random() % 64), b = int(random() % 64), c = int(random() % 64);
    const std::string fen = Fen(a, b, c, piece, random() % 2);
    if (a != b && b != c && a != c && LoadFen(fen.c_str()) == FEN_OK) fens.push_back(fen);
  }
  return fens;
}

void MeasureProbes(const char* what, const std::string& folder) {
  InitTablebases(folder.c_str());
  tb_cache_size = 4 << 20;
  AllocateTablebaseCache();
  const std::vector<std::string> fens = SamplePositions(2000);
  // Boards are set up once; only the probes are timed.
  std::vector<Board> boards;
  for (const std::string& f : fens) {
    LoadFen(f.c_str());
    boards.push_back(thread_board);
  }
  int32_t score = 0;
  long hits = 0;
  for (int cold = 1; cold >= 0; cold--) {
    const int rounds = cold ? 1 : 200;
    const auto start = std::chrono::steady_clock::now();
    long probes = 0;
    for (int r = 0; r < rounds; r++)
      for (const Board& b : boards) {
        thread_board = b;
        if (cold) ResetTablebaseCache();  // every probe loads its block
        hits += ProbeEGTB(b.SideToMove == WHITE, &score);
        probes++;
      }
    std::printf("%-10s cache %s: %.0f probes per second\n", what, cold ? "cold" : "warm", probes / Seconds(start));
  }
  std::printf("  (%ld answered)\n", hits);
}

void MeasureSearch(const char* what, const char* fen, int depth) {
  for (int with_tables = 0; with_tables < 2; with_tables++) {
    tb_max_men = with_tables ? 3 : 0;
    // The searches with tables are tiny (the root's children answer at
    // once): many of them are timed together.
    const int repeats = with_tables ? 500 : 5;
    uint64_t total = 0;
    double seconds = 0;
    for (int r = 0; r < repeats; r++) {
      ClearTranspositionTable();
      SetPosition(fen);
      max_depth = depth;
      nodes = 0;
      const auto start = std::chrono::steady_clock::now();
      testing::internal::CaptureStdout();
      SearchRoot(depth, 0);
      testing::internal::GetCapturedStdout();
      seconds += Seconds(start);
      total += nodes;
    }
    std::printf("%-4s depth %d %s tables: %llu nodes a search, %.0f nodes per second\n", what, depth,
                with_tables ? "with   " : "without", (unsigned long long)(total / repeats), double(total) / seconds);
  }
}

}  // namespace

int main() {
  InitSearchForTests();
  InitEnumerationTables();
  uci_mode = 1;
  post_thinking = 0;
  time_left = -1;
  target_time = hard_time_limit = 999999;
  const std::string plain = MakeTestFolder("tb_speed_plain"), packed = MakeTestFolder("tb_speed_packed");
  WriteTables(plain, false);
  WriteTables(packed, true);
  MeasureProbes("plain", plain);
  MeasureProbes("compressed", packed);
  InitTablebases(plain.c_str());
  AllocateTablebaseCache();
  MeasureSearch("kqk", "8/8/8/8/3k4/8/8/K6Q w - - 0 1", 12);
  MeasureSearch("krk", "8/8/8/8/4k3/8/8/KR6 w - - 0 1", 12);
  std::system(("rm -rf " + plain + " " + packed).c_str());
  return 0;
}
