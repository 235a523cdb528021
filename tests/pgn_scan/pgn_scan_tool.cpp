// Scans each game of a PGN file on its own with the engine's PGN scan and
// writes the position it ends in, one line a game ("placement side
// castling"), for the comparison with an independent referee.
//   pgn_scan_tool GAMES.pgn POSITIONS.txt
// Run from a folder holding values.txt. The scan's own messages go to
// standard output.
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "board/board.h"
#include "interface/pgn.h"
#include "interface/startup.h"

namespace {

// The games of a PGN text: a game begins at a tag line that follows move
// text (the text before the first tag goes with the first game).
std::vector<std::string> SplitGames(const std::string& text) {
  std::vector<std::string> games(1);
  bool moves_seen = false;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) {
    const size_t first = line.find_first_not_of(" \t\r");
    const bool blank = first == std::string::npos;
    const bool tag = !blank && line[first] == '[';
    if (tag && moves_seen) {
      games.emplace_back();
      moves_seen = false;
    }
    if (!blank && !tag) moves_seen = true;
    games.back() += line + "\n";
  }
  return games;
}

std::string Position() {
  const Board& b = thread_board;
  static const char letters[] = ".knp?rbq";
  std::string fen;
  for (int rank = 7; rank >= 0; rank--) {
    int empty = 0;
    for (int file = 0; file < 8; file++) {
      const int square = rank * 8 + file;
      if (!b.Square[square]) {
        empty++;
        continue;
      }
      if (empty) fen += char('0' + empty);
      empty = 0;
      const char letter = letters[b.Square[square]];
      fen += (b.Occupied[WHITE] >> square) & 1 ? char(letter - 'a' + 'A') : letter;
    }
    if (empty) fen += char('0' + empty);
    if (rank) fen += '/';
  }
  fen += b.SideToMove == WHITE ? " w " : " b ";
  std::string rights;
  if (b.Castling & 1) rights += 'K';
  if (b.Castling & 2) rights += 'Q';
  if (b.Castling & 4) rights += 'k';
  if (b.Castling & 8) rights += 'q';
  return fen + (rights.empty() ? "-" : rights);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: %s GAMES.pgn POSITIONS.txt\n", argv[0]);
    return 2;
  }
  std::ifstream in(argv[1], std::ios::binary);
  if (!in) {
    std::fprintf(stderr, "cannot read %s\n", argv[1]);
    return 2;
  }
  std::stringstream text;
  text << in.rdbuf();
  InitStartupTables();
  if (!AllocateStartupTables()) return 1;
  std::ofstream out(argv[2]);
  for (const std::string& game : SplitGames(text.str())) {
    // Text without a tag (a file's closing comment) is no game.
    if (game.find('[') == std::string::npos) continue;
    ScanPgnText(game);
    out << Position() << "\n";
  }
  return out ? 0 : 1;
}
