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
#include "test_util.h"

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

// Placement, side to move and castling rights: what the referee's final
// position is compared on (the move counters are not kept by the scan).
std::string Position() {
  std::istringstream fields(BoardToFen());
  std::string placement, side, rights;
  fields >> placement >> side >> rights;
  return placement + " " + side + " " + rights;
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
