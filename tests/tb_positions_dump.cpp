// Prints positions of every table with the tests' legality verdict, one
// "FEN<TAB>0|1" a line, for an outside referee to judge: random placements
// on distinct squares and random legal positions, some with en passant.
//
// Usage: tb_positions_dump [positions per table side]
#include <cstdio>
#include <cstdlib>
#include <string>

#include "tablebases/index.h"
#include "tb_positions.h"

namespace {

std::string FenOf(const std::vector<TbMan>& men, const TbPosition& p, int side) {
  char board[64];
  for (char& c : board) c = 0;
  for (const TbMan& man : men) {
    const char letter = "pnbrqk"[man.piece];
    board[p.lists[man.colour][man.slot]] = man.colour == 0 ? char(letter - 'a' + 'A') : letter;
  }
  std::string fen;
  for (int rank = 7; rank >= 0; rank--) {
    int empty = 0;
    for (int file = 0; file < 8; file++) {
      const char c = board[rank * 8 + file];
      if (!c) {
        empty++;
        continue;
      }
      if (empty) fen += char('0' + empty);
      empty = 0;
      fen += c;
    }
    if (empty) fen += char('0' + empty);
    if (rank) fen += '/';
  }
  fen += side == 0 ? " w - " : " b - ";
  if (p.ep == TB_NO_EP_SQUARE)
    fen += "-";
  else
    fen += std::string() + char('a' + (p.ep & 7)) + char('1' + (p.ep >> 3));
  return fen + " 0 1";
}

}  // namespace

int main(int argc, char** argv) {
  const int count = argc > 1 ? std::atoi(argv[1]) : 8;
  std::mt19937_64 random(99);
  for (int row = 1; row < TB_TABLE_ROWS; row++) {
    const std::vector<TbMan> men = MenOfSignature(tb_index_signatures[row]);
    for (int side = 0; side < 2; side++)
      for (int i = 0; i < count; i++) {
        // Random distinct squares: mostly illegal, judged by both.
        TbPosition p{};
        uint64_t used = 0;
        for (const TbMan& man : men) {
          int s;
          do s = int(random() % 64);
          while (used >> s & 1);
          used |= uint64_t(1) << s;
          p.lists[man.colour][man.slot] = s;
        }
        p.ep = TB_NO_EP_SQUARE;
        std::printf("%s\t%d\n", FenOf(men, p, side).c_str(), IsLegalPosition(men, p, side) ? 1 : 0);
        if (RandomLegalPosition(men, side, random, 0.5, &p))
          std::printf("%s\t%d\n", FenOf(men, p, side).c_str(), IsLegalPosition(men, p, side) ? 1 : 0);
      }
  }
  return 0;
}
