// The real-use check of book learning in matches:
//
//   book_games_tool build LINES BOOK
//     writes a version 1 book of every position along the lines of coordinate
//     moves in LINES (one line each), each with the moves played from it
//     there, stats 0.
//   book_games_tool check BEFORE AFTER GAMES
//     GAMES holds one game a line: "w" or "b" (the engine's colour), then
//     the coordinate moves from the start. Lists every book move the engine
//     played, and every entry whose stats differ between the two books;
//     fails when a changed byte is not a stats byte of such a move.
//   book_games_tool learncheck FILE
//     checks a learning file: its banner and bucket heads, and that every
//     chain runs forward through whole records inside the file to its end.
#include <algorithm>
#include <cstdio>
#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "../book_writer.h"
#include "board/board.h"
#include "board/makemove.h"
#include "board/movegen.h"
#include "board/notation.h"
#include "board/tables.h"
#include "book/book.h"
#include "interface/startup.h"

namespace bw = book_writer;

namespace {

const char kStart[] = "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1";

Move LegalMove(const std::string& text) {
  const int saved = move_list_end;
  GenerateLegalMoves(LEGALITY_LIST_START);
  Move found = 0;
  char buffer[8];
  for (int i = LEGALITY_LIST_START; i < move_list_end; i++)
    if (text == MoveToText(buffer, move_list[i].move)) found = move_list[i].move;
  move_list_end = saved;
  return found;
}

using Keys = std::pair<uint32_t, uint32_t>;

Keys BoardKeys() {
  uint32_t k1, k2;
  ComputeBookKeys(&k1, &k2);
  if (thread_board.SideToMove == BLACK) k1 ^= BOOK_BLACK_TO_MOVE;
  return {k1, k2};
}

// Plays the moves from the start; calls visit(keys, move text) before each.
template <typename Visit>
bool Replay(const std::vector<std::string>& moves, Visit visit) {
  LoadFen(kStart);
  for (const std::string& text : moves) {
    const Move move = LegalMove(text);
    if (!move) {
      std::printf("illegal move %s\n", text.c_str());
      return false;
    }
    visit(BoardKeys(), text);
    MakeMove(move, 1);
  }
  return true;
}

std::vector<std::vector<std::string>> ReadLines(const char* path) {
  std::vector<std::vector<std::string>> lines;
  std::ifstream in(path);
  for (std::string line; std::getline(in, line);) {
    std::istringstream words(line);
    std::vector<std::string> moves;
    for (std::string w; words >> w;) moves.push_back(w);
    if (!moves.empty() && moves[0][0] != '#') lines.push_back(moves);
  }
  return lines;
}

int Build(const char* lines_path, const char* book_path) {
  std::map<Keys, std::vector<std::string>> moves_of;
  for (const auto& line : ReadLines(lines_path)) {
    if (!Replay(line, [&](Keys keys, const std::string& move) {
          auto& list = moves_of[keys];
          if (std::find(list.begin(), list.end(), move) == list.end()) list.push_back(move);
        }))
      return 1;
  }
  std::vector<bw::Node> nodes;
  size_t entries = 0;
  for (const auto& [keys, moves] : moves_of) {
    bw::Node node{keys.first, keys.second, {}};
    for (const std::string& m : moves) node.moves.push_back({bw::SquareOf(m.c_str()), bw::SquareOf(m.c_str() + 2), 0});
    entries += moves.size();
    nodes.push_back(node);
  }
  bw::WriteBytes(book_path, bw::BuildBook(nodes));
  std::printf("%zu positions, %zu moves\n", nodes.size(), entries);
  return 0;
}

// Entry offsets (of the stats) by node keys and move text, from the file.
std::map<std::pair<Keys, std::string>, size_t> EntriesOf(const bw::Bytes& book) {
  auto u32 = [&](size_t at) {
    return uint32_t(book[at]) | uint32_t(book[at + 1]) << 8 | uint32_t(book[at + 2]) << 16 |
           uint32_t(book[at + 3]) << 24;
  };
  std::map<std::pair<Keys, std::string>, size_t> entries;
  const uint32_t count = u32(32);
  for (uint32_t r = 0; r < count; r++) {
    const size_t at = BOOK_HEADER_SIZE + size_t(r) * BOOK_NODE_SIZE;
    const Keys keys{u32(at), u32(at + 4)};
    const size_t list = u32(at + 8);
    for (int i = 0; i < book[list]; i++) {
      const size_t e = list + 1 + 4 * size_t(i);
      const std::string text = {char('a' + book[e] % 8), char('1' + book[e] / 8), char('a' + book[e + 1] % 8),
                                char('1' + book[e + 1] / 8)};
      entries[{keys, text}] = e + 2;
    }
  }
  return entries;
}

int Check(const char* before_path, const char* after_path, const char* games_path) {
  const bw::Bytes before = bw::ReadBytes(before_path), after = bw::ReadBytes(after_path);
  if (before.size() != after.size()) {
    std::printf("the book changed its size: %zu to %zu bytes\n", before.size(), after.size());
    return 1;
  }
  const auto entries = EntriesOf(before);
  std::set<size_t> played;  // stats offsets of book moves the engine played
  int games = 0, book_moves = 0;
  for (const auto& game : ReadLines(games_path)) {
    const int engine = game[0] == "w" ? WHITE : BLACK;
    const std::vector<std::string> moves(game.begin() + 1, game.end());
    int in_game = 0;
    if (!Replay(moves, [&](Keys keys, const std::string& move) {
          if (int(thread_board.SideToMove) != engine) return;
          const auto found = entries.find({keys, move});
          if (found == entries.end()) return;
          played.insert(found->second);
          in_game++;
        }))
      return 1;
    games++;
    book_moves += in_game;
  }
  std::printf("%d games, %d book moves of the engine, %zu distinct\n", games, book_moves, played.size());
  int changed_entries = 0, stray = 0;
  for (size_t at = 0; at < before.size(); at++) {
    if (before[at] == after[at]) continue;
    const size_t stats = played.count(at) ? at : played.count(at - 1) ? at - 1 : 0;
    if (!stats) {
      std::printf("byte %zu changed (%d to %d) outside the stats of a book move the engine played\n", at, before[at],
                  after[at]);
      stray++;
    }
  }
  for (const auto& [key, at] : entries) {
    const int b = before[at] | before[at + 1] << 8, a = after[at] | after[at + 1] << 8;
    if (a == b) continue;
    changed_entries++;
    std::printf("%s: %d/%d -> %d/%d\n", key.second.c_str(), b & 0xFF, b >> 8, a & 0xFF, a >> 8);
  }
  std::printf("%d entries changed, %d stray bytes\n", changed_entries, stray);
  return stray ? 1 : 0;
}

int LearnCheck(const char* path) {
  constexpr size_t kBanner = 23, kHeader = 23 + 4 * 65536, kRecord = 24;
  const bw::Bytes file = bw::ReadBytes(path);
  auto u32 = [&](size_t at) {
    return uint32_t(file[at]) | uint32_t(file[at + 1]) << 8 | uint32_t(file[at + 2]) << 16 |
           uint32_t(file[at + 3]) << 24;
  };
  if (file.size() < kHeader || std::string(file.begin(), file.begin() + kBanner) != "Dravelnor learning file") {
    std::printf("not a learning file (%zu bytes)\n", file.size());
    return 1;
  }
  if ((file.size() - kHeader) % kRecord != 0) {
    std::printf("%zu bytes after the header: not whole records\n", file.size() - kHeader);
    return 1;
  }
  const size_t records = (file.size() - kHeader) / kRecord;
  size_t linked = 0, buckets = 0, longest = 0, bad = 0;
  for (uint32_t bucket = 0; bucket < 65536; bucket++) {
    size_t slot = kBanner + 4 * bucket, length = 0;
    uint32_t previous = 0;
    for (uint32_t at = u32(slot); at != 0; at = u32(at + 20)) {
      if (at < kHeader || (at - kHeader) % kRecord != 0 || at + kRecord > file.size() || at <= previous) {
        std::printf("bucket %u: bad link %u\n", bucket, at);
        bad++;
        break;
      }
      if ((u32(at + 12) & 0xFFFF) != bucket) {
        std::printf("bucket %u: record at %u belongs to bucket %u\n", bucket, at, u32(at + 12) & 0xFFFF);
        bad++;
      }
      previous = at;
      length++;
    }
    linked += length;
    buckets += length > 0;
    longest = std::max(longest, length);
  }
  std::printf("%zu records, %zu in chains, %zu buckets used, longest chain %zu\n", records, linked, buckets, longest);
  if (linked != records) std::printf("%zu records are in no chain\n", records - linked);
  return bad || linked != records ? 1 : 0;
}

}  // namespace

int main(int argc, char** argv) {
  InitStartupTables();
  NewGame();
  if (argc == 4 && std::string(argv[1]) == "build") return Build(argv[2], argv[3]);
  if (argc == 5 && std::string(argv[1]) == "check") return Check(argv[2], argv[3], argv[4]);
  if (argc == 3 && std::string(argv[1]) == "learncheck") return LearnCheck(argv[2]);
  std::fprintf(stderr, "usage: %s build LINES BOOK | check BEFORE AFTER GAMES | learncheck FILE\n", argv[0]);
  return 2;
}
