#include "book/book.h"

#include <algorithm>
#include <cstring>

#include "board/makemove.h"
#include "board/notation.h"
#include "board/tables.h"
#include "interface/options.h"
#include "interface/poll.h"
#include "platform/files.h"
#include "platform/random.h"

int32_t book_learning_done = 1;

FILE* book_file;
int32_t book_loaded;
int32_t book_version0;
int32_t book_node_end;

namespace {

// Length of the open book, so that no read leaves the file: a record or list
// that would reach past it counts as absent.
int64_t book_length;

// Fixed random values from splitmix64; a book file is only readable with the
// tables it was built with, so these never change.
constexpr BookKeyTables MakeBookKeyTables() {
  constexpr uint32_t kWhiteKingE1[2] = {0x2364B8A6u, 0xCD8C8720u};
  constexpr uint32_t kBlackKingE8[2] = {0xBC78DF0Bu, 0x2AA4B246u};
  BookKeyTables t{};
  uint64_t state = 0x44726176656C6E6Full;
  for (auto& table : t) {
    for (auto& value : table) {
      uint32_t v = 0;
      // Zero and the four values fixed below are kept out of the stream.
      while (v == 0 || v == kWhiteKingE1[0] || v == kWhiteKingE1[1] || v == kBlackKingE8[0] || v == kBlackKingE8[1]) {
        state += 0x9E3779B97F4A7C15ull;
        uint64_t z = state;
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        v = uint32_t(z ^ (z >> 31));
      }
      value = v;
    }
  }
  // The kings' values that existing books were built with.
  t[0][KING * 64 + E1] = kWhiteKingE1[0];
  t[2][KING * 64 + E1] = kWhiteKingE1[1];
  t[1][KING * 64 + E8] = kBlackKingE8[0];
  t[3][KING * 64 + E8] = kBlackKingE8[1];
  return t;
}

uint32_t ReadU32(const uint8_t* p) {
  return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

// Reads size bytes at offset; false when they do not all lie in the file.
bool ReadAt(uint64_t offset, void* buffer, size_t size) {
  if (!book_file || offset + size > uint64_t(book_length)) return false;
  if (SeekFile(book_file, offset) != 0) return false;
  return std::fread(buffer, 1, size, book_file) == size;
}

// Writes one entry's two counters in place (low byte first) and flushes, so
// that a front end that kills the engine loses no learning.
void WriteBookStats(uint64_t entry_offset, int lo, int hi) {
  const uint8_t bytes[2] = {uint8_t(lo), uint8_t(hi)};
  // A seek always separates the reads before from this write.
  if (SeekFile(book_file, entry_offset + 2) != 0) return;
  std::fwrite(bytes, 1, 2, book_file);
  std::fflush(book_file);
}

void RefuseBook(const char* message) {
  std::puts(message);
  std::fflush(stdout);
  CloseOpeningBook();
}

}  // namespace

extern constexpr BookKeyTables book_key_tables = MakeBookKeyTables();

void CloseOpeningBook() {
  if (book_file) std::fclose(book_file);
  book_file = nullptr;
  book_loaded = 0;
  book_length = 0;
}

void OpenOpeningBook(const char* name) {
  if (book_loaded || book_file) CloseOpeningBook();

  // Opened for update from the start: learning writes the stats in place,
  // and a book that cannot be written is refused like a missing one. Another
  // engine in the folder may learn into the same book.
  book_file = OpenSharedFile(name, "rb+");
  if (!book_file) {
    std::printf("Error opening \"%s\"!\n", name);
    std::fflush(stdout);
    return;
  }
  // A FIFO or a device holds no book, and a read of one could wait for ever.
  if (!IsRegularStream(book_file)) {
    RefuseBook("Invalid book format");
    return;
  }
  book_length = FileLength(book_file);

  uint8_t header[BOOK_HEADER_SIZE];
  const int64_t have = book_length < BOOK_HEADER_SIZE ? (book_length < 0 ? 0 : book_length) : BOOK_HEADER_SIZE;
  if (have < BOOK_BANNER_SIZE || !ReadAt(0, header, size_t(have)) ||
      std::memcmp(header, BOOK_BANNER, BOOK_BANNER_SIZE) != 0) {
    RefuseBook("Invalid book format");
    return;
  }
  // A header cut short, or nodes that would reach past the end of the file
  // (or past what a record number can count), make the file unreadable.
  const uint32_t node_count = have == BOOK_HEADER_SIZE ? ReadU32(header + 32) : 0;
  if (have < BOOK_HEADER_SIZE || node_count > uint32_t(INT32_MAX - 3) ||
      BOOK_HEADER_SIZE + uint64_t(node_count) * BOOK_NODE_SIZE > uint64_t(book_length)) {
    RefuseBook("Invalid book format");
    return;
  }

  const int32_t version = int32_t(ReadU32(header + 24));
  if (version == 0) {
    std::puts("NG: Book learning not supported for book version 0");
    std::fflush(stdout);
    book_version0 = 1;
    use_book_learning = 0;
    use_book_weights = 0;
  } else {
    book_version0 = 0;
    if (version > 1) {
      std::printf("Book version %d not supported\n", version);
      std::fflush(stdout);
      CloseOpeningBook();
      return;
    }
  }

  std::printf("%d nodes in openings book\n", int(node_count));
  std::fflush(stdout);
  book_node_end = int32_t(node_count) + 3;
  book_loaded = 1;
}

void ComputeBookKeys(uint32_t* key1, uint32_t* key2) {
  uint32_t k1 = 0, k2 = 0;
  const Board& b = thread_board;
  for (int colour : {BLACK, WHITE}) {
    uint64_t men = b.Occupied[colour];
    while (men) {
      const int square = PopLowestBit(&men);
      const int index = int(b.Square[square] & 7) * 64 + square;
      k1 ^= book_key_tables[colour][index];
      k2 ^= book_key_tables[2 + colour][index];
    }
  }
  *key1 = k1;
  *key2 = k2;
}

int CompareBookKeys(uint32_t a1, uint32_t a2, uint32_t b1, uint32_t b2) {
  const int32_t x1 = int32_t(a1), y1 = int32_t(b1), x2 = int32_t(a2), y2 = int32_t(b2);
  if (x1 != y1) return x1 > y1 ? 1 : -1;
  if (x2 != y2) return x2 > y2 ? 1 : -1;
  return 0;
}

int FindBookPosition() {
  if (!book_loaded || !book_file) return 0;
  uint32_t key1, key2;
  ComputeBookKeys(&key1, &key2);
  if (thread_board.SideToMove == BLACK) key1 ^= BOOK_BLACK_TO_MOVE;
  if (book_node_end <= 3) return 0;

  int64_t lo = 3, hi = book_node_end;
  while (lo < hi) {
    const int64_t mid = (lo + hi) / 2;
    uint8_t record[8];
    if (!ReadAt(uint64_t(mid) * BOOK_NODE_SIZE, record, sizeof record)) return 0;
    const int c = CompareBookKeys(ReadU32(record), ReadU32(record + 4), key1, key2);
    if (c == 0) return 1;  // the stream stands at moves_offset
    if (c < 0)
      lo = mid + 1;
    else
      hi = mid;
  }
  return 0;
}

int LookupBookPosition(BookMoveList* list) {
  list->count = 0;
  if (!FindBookPosition()) return 0;
  uint8_t field[4];
  if (std::fread(field, 1, 4, book_file) != 4) return 0;
  const uint32_t list_offset = ReadU32(field);
  uint8_t count;
  if (!ReadAt(list_offset, &count, 1)) return 0;
  const size_t entry_size = book_version0 ? 3 : 4;
  uint8_t raw[255 * 4];
  if (!ReadAt(uint64_t(list_offset) + 1, raw, count * entry_size)) return 0;
  for (int i = 0; i < count; ++i) {
    const uint8_t* e = raw + i * entry_size;
    BookEntry& entry = list->entries[i];
    entry.from = e[0];
    entry.to = e[1];
    entry.value = book_version0 ? e[2] : uint16_t(e[2] | e[3] << 8);
    entry.file_offset = uint64_t(list_offset) + 1 + i * entry_size;
  }
  list->count = count;
  return 1;
}

int BookEntryIsUsable(const BookEntry& e) {
  if (e.from > 63 || e.to > 63) return 0;  // the format has no such squares
  return book_version0 ? e.value != BOOK_WEIGHT_DISABLED : e.value != BOOK_STATS_DISABLED;
}

int BookEntryScore(uint16_t stats) {
  const int lo = stats & 0xFF, hi = stats >> 8;
  return stats == 0 ? BOOK_SCORE_UNPLAYED : lo * 1000 / (lo + hi);
}

Move CompleteBookMove(Move move) {
  const int to = MoveTo(move);
  const int last_rank = thread_board.SideToMove == WHITE ? 7 : 0;
  if (MovePiece(move) == PAWN && to >> 3 == last_rank) move |= Move(QUEEN) << 18;
  return move;
}

namespace {

// The move word of an entry as the current board makes it, or 0 when the
// move (with its queen promotion) is not legal here: positions that differ
// only in castling rights or the en passant state share a node.
Move LegalBookMove(int from, int to) {
  const Move move = MakeMoveWord(from, to, int(thread_board.Square[from]), int(thread_board.Square[to]));
  return IsLegalMove(CompleteBookMove(move)) ? move : 0;
}

}  // namespace

int32_t book_move_from[256];
int32_t book_move_to[256];
int32_t book_move_stats[256];

Move ChooseBookMoveV0() {
  BookMoveList list;
  if (!LookupBookPosition(&list)) return 0;
  int enabled = 0;
  for (int i = 0; i < list.count; i++) enabled += BookEntryIsUsable(list.entries[i]);
  if (enabled == 0) return 0;
  int r = Random15() % enabled;
  for (int i = 0; i < list.count; i++) {
    const BookEntry& e = list.entries[i];
    if (BookEntryIsUsable(e) && r-- == 0) return LegalBookMove(e.from, e.to);
  }
  return 0;
}

Move ChooseBookMove() {
  if (book_version0) return ChooseBookMoveV0();
  BookMoveList list;
  if (!LookupBookPosition(&list)) return 0;
  int enabled = 0;
  for (int i = 0; i < list.count; i++) {
    const BookEntry& e = list.entries[i];
    book_move_from[i] = e.from;
    book_move_to[i] = e.to;
    book_move_stats[i] = e.value;
    enabled += BookEntryIsUsable(e);
  }
  if (enabled == 0) return 0;

  int chosen = -1;
  if (book_learning_mode == BOOK_MODE_DISCOVER) {
    // The least tried move; of equally tried ones the better, the earlier on
    // a full tie.
    int fewest = 0, best = 0;
    for (int i = 0; i < list.count; i++) {
      if (!BookEntryIsUsable(list.entries[i])) continue;
      const uint16_t stats = list.entries[i].value;
      const int games = (stats & 0xFF) + (stats >> 8), score = BookEntryScore(stats);
      if (chosen < 0 || games < fewest || (games == fewest && score > best)) {
        chosen = i;
        fewest = games;
        best = score;
      }
    }
  } else if (use_book_weights) {
    int best = 0;
    for (int i = 0; i < list.count; i++)
      if (BookEntryIsUsable(list.entries[i])) best = std::max(best, BookEntryScore(list.entries[i].value));
    const int threshold = (100 - variety_of_play) * best / 100;
    int candidates = 0;
    for (int i = 0; i < list.count; i++) {
      const BookEntry& e = list.entries[i];
      if (!BookEntryIsUsable(e) || BookEntryScore(e.value) < threshold) continue;
      book_move_from[candidates] = e.from;
      book_move_to[candidates] = e.to;
      candidates++;
    }
    const int pick = Random15() % candidates;
    return LegalBookMove(book_move_from[pick], book_move_to[pick]);
  } else {
    for (int i = 0; i < list.count && chosen < 0; i++)
      if (BookEntryIsUsable(list.entries[i])) chosen = i;
  }
  return LegalBookMove(book_move_from[chosen], book_move_to[chosen]);
}

// Neither the developer tools' silent searches nor an analysis play a game:
// they never learn into the book.
int BookLearningDue() {
  return use_book_learning && book_file && !book_learning_done && !silent_search && !SearchIsAnalysis();
}

namespace {

void UpdateLockedBookMoveStats(int result, Move move) {
  BookMoveList list;
  if (!LookupBookPosition(&list)) return;
  int index = -1;
  for (int i = 0; i < list.count && index < 0; i++) {
    const BookEntry& e = list.entries[i];
    if (BookEntryIsUsable(e) && e.from == MoveFrom(move) && e.to == MoveTo(move)) index = i;
  }
  if (index < 0) return;

  const uint16_t stats = list.entries[index].value;
  int lo = stats & 0xFF, hi = stats >> 8;
  if (result == 2) {
    lo++;
    hi++;
  } else if (result == 1) {
    lo += 2;
  } else {
    hi += 2;
  }
  if (lo > BOOK_COUNTER_MAX || hi > BOOK_COUNTER_MAX) {
    // Scale the whole list down by a third so that its proportions stay.
    for (int i = 0; i < list.count; i++) {
      const BookEntry& e = list.entries[i];
      if (e.value == 0 || e.value == BOOK_STATS_DISABLED || i == index) continue;
      WriteBookStats(e.file_offset, (e.value & 0xFF) * 2 / 3, (e.value >> 8) * 2 / 3);
    }
    lo = lo * 2 / 3;
    hi = hi * 2 / 3;
  }
  WriteBookStats(list.entries[index].file_offset, lo, hi);
}

}  // namespace

void UpdateBookMoveStats(int result, Move move) {
  if (book_version0 || !book_file) return;
  // Under the lock the list is read afresh from the file and written back
  // flushed: an engine sharing the book keeps its results.
  LockSharedFile(book_file, true);
  UpdateLockedBookMoveStats(result, move);
  LockSharedFile(book_file, false);
}

void LearnBookFromGame(int result) {
  const int plies = game_ply;
  while (game_ply > 0) {
    UnmakeMove();
    if (game_ply == 0) break;
    UnmakeMove();
    if (game_ply == 0) break;
    UpdateBookMoveStats(result, game_history[game_ply].Move);
  }
  while (game_ply < plies) MakeMove(game_history[game_ply].Move, 1);
  book_learning_done = 1;
}

void PrintBookMoves() {
  BookMoveList list;
  if (!LookupBookPosition(&list)) {
    std::puts("No moves from current pos in book");
    std::fflush(stdout);
    return;
  }
  std::printf("%d moves from current pos in book:\n", list.count);
  std::fflush(stdout);
  for (int i = 0; i < list.count; i++) {
    const BookEntry& e = list.entries[i];
    std::printf("%c%c%c%c ", 'a' + e.from % 8, '1' + e.from / 8, 'a' + e.to % 8, '1' + e.to / 8);
    if (book_version0) {
      std::printf("%d\n", e.value);
      continue;
    }
    if (e.value == 0) {
      std::puts("?");
    } else if (e.value == BOOK_STATS_DISABLED) {
      std::puts("-");
    } else {
      const int lo = e.value & 0xFF, hi = e.value >> 8;
      std::printf("%d%% (not less than %d game(s))\n", lo * 100 / (lo + hi), (lo + hi) / 2);
    }
    std::fflush(stdout);
  }
  std::fflush(stdout);
}
