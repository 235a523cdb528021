#include "book/book.h"

#include <cstring>

#include "board/tables.h"
#include "interface/options.h"
#include "platform/files.h"

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
  // and a book that cannot be written is refused like a missing one.
  book_file = OpenFileAnyCase(name, "rb+");
  if (!book_file) {
    std::printf("Error opening \"%s\"!\n", name);
    std::fflush(stdout);
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

// The move choice and result learning come later: no book move yet, nothing
// to learn into.
Move ChooseBookMove() { return 0; }
void LearnBookFromGame(int) { book_learning_done = 1; }
void LearnAfterSearch() {}
void FindLearnRecord(uint32_t, uint32_t, uint32_t*, int32_t*, uint32_t*, uint32_t* offset) { *offset = 0; }

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
    } else if (e.value == 0xFFFF) {
      std::puts("-");
    } else {
      const int lo = e.value & 0xFF, hi = e.value >> 8;
      std::printf("%d%% (not less than %d game(s))\n", lo * 100 / (lo + hi), (lo + hi) / 2);
    }
    std::fflush(stdout);
  }
  std::fflush(stdout);
}
