// The book file: header checks, position keys and the lookup of a position's
// record, on book files built here byte by byte.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "book/book.h"
#include "book_writer.h"
#include "interface/options.h"
#include "platform/files.h"
#include "test_util.h"

namespace fs = std::filesystem;

namespace {

using book_writer::BuildBook;
using book_writer::Bytes;
using book_writer::KeysOfFen;
using TestNode = book_writer::Node;

constexpr uint8_t E2 = 12, E4 = 28;

class BookFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    InitBoardForTests();
    dir_ = MakeTestFolder("book");
    ASSERT_FALSE(dir_.empty());
    use_book_learning = 1;
    use_book_weights = 1;
  }
  void TearDown() override {
    CloseOpeningBook();
    fs::remove_all(dir_);
    use_book_learning = 1;
    use_book_weights = 1;
  }
  std::string Write(const std::string& name, const Bytes& bytes) {
    const fs::path path = dir_ / name;
    fs::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), bytes.size());
    return path.string();
  }
  // Opens the book and returns what it printed.
  static std::string Open(const std::string& name) { return OpenBookForTest(name); }
  static void ExpectNoBook() {
    EXPECT_EQ(book_loaded, 0);
    EXPECT_EQ(book_file, nullptr);
  }
  fs::path dir_;
};

}  // namespace

TEST(BookKeys, TablesHoldDistinctNonZeroValuesAndTheKnownKings) {
  std::vector<uint32_t> all;
  for (const auto& table : book_key_tables) all.insert(all.end(), table.begin(), table.end());
  ASSERT_EQ(all.size(), 2048u);
  EXPECT_EQ(std::count(all.begin(), all.end(), 0u), 0);
  std::sort(all.begin(), all.end());
  EXPECT_EQ(std::adjacent_find(all.begin(), all.end()), all.end());
  EXPECT_EQ(book_key_tables[0][KING * 64 + E1], 0x2364B8A6u);
  EXPECT_EQ(book_key_tables[2][KING * 64 + E1], 0xCD8C8720u);
  EXPECT_EQ(book_key_tables[1][KING * 64 + E8], 0xBC78DF0Bu);
  EXPECT_EQ(book_key_tables[3][KING * 64 + E8], 0x2AA4B246u);
}

TEST(BookKeys, KeysFollowPlacementOnly) {
  InitBoardForTests();
  SetPosition("4k3/8/8/8/8/8/8/4K3 w - - 0 1");
  uint32_t k1, k2;
  ComputeBookKeys(&k1, &k2);
  EXPECT_EQ(k1, 0x9F1C67ADu);
  EXPECT_EQ(k2, 0xE7283566u);

  const char* fens[] = {"rnbqkbnr/pppppppp/8/8/4P3/8/PPPP1PPP/RNBQKBNR b KQkq e3 0 1",
                        "r3k2r/8/8/8/8/8/8/R3K2R w KQkq - 0 1", "8/2P5/8/3n4/8/1b6/6q1/K1k5 w - - 7 40"};
  for (const char* fen : fens) {
    SetPosition(fen);
    uint32_t e1, e2;
    KeysOfFen(fen, &e1, &e2);
    ComputeBookKeys(&k1, &k2);
    // ComputeBookKeys has no side term; KeysOfFen adds it.
    if (thread_board.SideToMove == BLACK) e1 ^= BOOK_BLACK_TO_MOVE;
    EXPECT_EQ(k1, e1) << fen;
    EXPECT_EQ(k2, e2) << fen;
  }
}

TEST(BookKeys, CompareIsSignedAndKey1First) {
  struct Case {
    uint32_t a1, a2, b1, b2;
    int expected;
  } cases[] = {
      {5, 0, 5, 0, 0},
      {0x80000000u, 0, 0x7FFFFFFFu, 0, -1},  // key1 of 0x80000000 sorts first
      {0xFFFFFFFFu, 9, 0, 0, -1},            // -1 < 0
      {7, 0x80000000u, 7, 1, -1},            // equal key1: key2 decides, signed
      {7, 2, 7, 1, 1},
      {8, 0, 7, 0x7FFFFFFFu, 1},  // key1 decides before key2
  };
  for (const Case& c : cases) {
    EXPECT_EQ(CompareBookKeys(c.a1, c.a2, c.b1, c.b2), c.expected) << c.a1 << " " << c.a2 << " " << c.b1 << " " << c.b2;
    EXPECT_EQ(CompareBookKeys(c.b1, c.b2, c.a1, c.a2), -c.expected);
  }
}

TEST_F(BookFileTest, LooksUpPositionsOfALargerBook) {
  const char* in_book[] = {
      "4k3/8/8/8/8/8/8/4K3 w - - 0 1",
      "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1",
      "rnbqkbnr/pppppppp/8/8/4P3/8/PPPP1PPP/RNBQKBNR b KQkq e3 0 1",
      "r3k2r/8/8/8/8/8/8/R3K2R b KQkq - 0 1",
  };
  std::vector<TestNode> nodes;
  for (size_t i = 0; i < std::size(in_book); i++) {
    TestNode n;
    KeysOfFen(in_book[i], &n.key1, &n.key2);
    for (size_t m = 0; m <= i; m++) n.moves.push_back({uint8_t(m), uint8_t(63 - m), uint16_t(0x0100 * m + i)});
    nodes.push_back(n);
  }
  // Filler nodes around them, including keys equal in key1 to a real one,
  // so that the search has to walk and to tell key2 apart.
  uint32_t x = 12345;
  for (int i = 0; i < 200; i++) {
    x = x * 1103515245u + 12345u;
    nodes.push_back({x, x ^ 0x5555u, {}});
  }
  nodes.push_back({nodes[0].key1, nodes[0].key2 + 1, {}});
  nodes.push_back({nodes[0].key1, nodes[0].key2 - 1, {}});
  const std::string path = Write("big.vop", BuildBook(nodes));
  EXPECT_EQ(Open(path), "206 nodes in openings book\n");
  ASSERT_EQ(book_loaded, 1);
  EXPECT_EQ(book_node_end, 209);

  for (size_t i = 0; i < std::size(in_book); i++) {
    SetPosition(in_book[i]);
    BookMoveList list;
    ASSERT_EQ(LookupBookPosition(&list), 1) << in_book[i];
    ASSERT_EQ(list.count, int(i + 1));
    for (int m = 0; m < list.count; m++) {
      EXPECT_EQ(list.entries[m].from, m);
      EXPECT_EQ(list.entries[m].to, 63 - m);
      EXPECT_EQ(list.entries[m].value, 0x0100 * m + i);
    }
  }
  const char* not_in_book[] = {
      "4k3/8/8/8/8/8/8/4K3 b - - 0 1",  // same men, other side to move
      "rnbqkbnr/pppppppp/8/8/4P3/8/PPPP1PPP/RNBQKBNR w KQkq - 0 1",
      "8/8/8/8/8/8/8/K6k w - - 0 1",
  };
  for (const char* fen : not_in_book) {
    SetPosition(fen);
    EXPECT_EQ(FindBookPosition(), 0) << fen;
  }
  // Castling and en-passant state take no part in the keys.
  SetPosition("rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w - - 5 9");
  EXPECT_EQ(FindBookPosition(), 1);
}

TEST_F(BookFileTest, FoundLeavesTheStreamAtTheMovesOffset) {
  TestNode n;
  KeysOfFen("4k3/8/8/8/8/8/8/4K3 w - - 0 1", &n.key1, &n.key2);
  n.moves = {{E1, D1, 0}, {E1, F1, 0x0102}};
  const Bytes bytes = BuildBook({n});
  ASSERT_EQ(bytes.size(), 57u);
  Open(Write("k.vop", bytes));
  SetPosition("4k3/8/8/8/8/8/8/4K3 w - - 0 1");
  ASSERT_EQ(FindBookPosition(), 1);
  uint8_t field[4];
  ASSERT_EQ(std::fread(field, 1, 4, book_file), 4u);
  EXPECT_EQ(field[0] | field[1] << 8 | field[2] << 16 | field[3] << 24, 48);
  BookMoveList list;
  ASSERT_EQ(LookupBookPosition(&list), 1);
  ASSERT_EQ(list.count, 2);
  EXPECT_EQ(list.entries[1].value, 0x0102);
  EXPECT_EQ(list.entries[1].file_offset, 53u);
}

TEST_F(BookFileTest, VersionsOfTheHeader) {
  struct Case {
    int32_t version;
    const char* output;
    int loaded, version0, learning;
  } cases[] = {
      {1, "1 nodes in openings book\n", 1, 0, 1},
      {-1, "1 nodes in openings book\n", 1, 0, 1},  // top bit set: signed, so not above 1
      {0, "NG: Book learning not supported for book version 0\n1 nodes in openings book\n", 1, 1, 0},
      {2, "Book version 2 not supported\n", 0, 0, 1},
  };
  for (const Case& c : cases) {
    use_book_learning = use_book_weights = 1;
    const std::string path = Write("v.vop", BuildBook({{1, 2, {{E2, E4, 3}}}}, c.version));
    EXPECT_EQ(Open(path), c.output) << c.version;
    EXPECT_EQ(book_loaded, c.loaded);
    EXPECT_EQ(book_file != nullptr, c.loaded == 1);
    if (c.loaded) {
      EXPECT_EQ(book_version0, c.version0);
    }
    EXPECT_EQ(use_book_learning, c.learning);
    EXPECT_EQ(use_book_weights, c.learning);
  }
}

TEST_F(BookFileTest, VersionZeroEntriesTakeThreeBytes) {
  TestNode n;
  KeysOfFen("4k3/8/8/8/8/8/8/4K3 w - - 0 1", &n.key1, &n.key2);
  n.moves = {{E1, D1, 7}, {E1, F1, 255}, {E1, E2, 9}};
  Open(Write("v0.vop", BuildBook({n, {1, 1, {{0, 1, 2}}}}, 0)));
  SetPosition("4k3/8/8/8/8/8/8/4K3 w - - 0 1");
  BookMoveList list;
  ASSERT_EQ(LookupBookPosition(&list), 1);
  ASSERT_EQ(list.count, 3);
  EXPECT_EQ(list.entries[1].value, 255);
  EXPECT_EQ(list.entries[2].from, E1);
  EXPECT_EQ(list.entries[2].to, E2);
  EXPECT_EQ(list.entries[2].value, 9);
}

TEST_F(BookFileTest, EmptyBookOpensAndFindsNothing) {
  EXPECT_EQ(Open(Write("empty.vop", BuildBook({}))), "0 nodes in openings book\n");
  EXPECT_EQ(book_loaded, 1);
  SetPosition("4k3/8/8/8/8/8/8/4K3 w - - 0 1");
  EXPECT_EQ(FindBookPosition(), 0);
}

TEST_F(BookFileTest, BrokenFilesAreRefusedAndCloseThePreviousBook) {
  const Bytes good = BuildBook({{1, 2, {{E2, E4, 0}}}, {3, 4, {}}});
  auto with = [&](auto change) {
    Bytes b = good;
    change(b);
    return b;
  };
  const std::string invalid = "Invalid book format\n";
  struct Case {
    const char* what;
    Bytes bytes;
    std::string output;
  } cases[] = {
      {"wrong banner", with([](Bytes& b) { b[1] = 'd'; }), invalid},
      {"empty file", {}, invalid},
      {"shorter than the banner", Bytes(good.begin(), good.begin() + 10), invalid},
      {"header cut after the banner", Bytes(good.begin(), good.begin() + 30), invalid},
      {"node count past the end", with([](Bytes& b) { b[32] = 3; }), invalid},
      {"nodes cut short", Bytes(good.begin(), good.begin() + 36 + 12 + 5), invalid},
      {"node count beyond any file", with([](Bytes& b) { b[32] = b[33] = b[34] = b[35] = 0xFF; }), invalid},
  };
  const std::string good_path = Write("good.vop", good);
  for (const Case& c : cases) {
    Open(good_path);
    ASSERT_EQ(book_loaded, 1);
    EXPECT_EQ(Open(Write("bad.vop", c.bytes)), c.output) << c.what;
    ExpectNoBook();
    EXPECT_EQ(FindBookPosition(), 0);
  }
  Open(good_path);
  const std::string missing = (dir_ / "missing.vop").string();
  EXPECT_EQ(Open(missing), "Error opening \"" + missing + "\"!\n");
  ExpectNoBook();
  // A directory of the name cannot be opened for update either.
  fs::create_directories(dir_ / "dir.vop");
  EXPECT_EQ(Open((dir_ / "dir.vop").string()), "Error opening \"" + (dir_ / "dir.vop").string() + "\"!\n");
  ExpectNoBook();
}

TEST_F(BookFileTest, ListsReachingPastTheEndAreNotRead) {
  TestNode n;
  KeysOfFen("4k3/8/8/8/8/8/8/4K3 w - - 0 1", &n.key1, &n.key2);
  n.moves = {{E1, D1, 0}, {E1, F1, 0}};
  const Bytes good = BuildBook({n});  // node at 36, its list at 48: count, 2 x 4 bytes
  struct Case {
    const char* what;
    size_t at;
    uint8_t byte;
    size_t keep;
  } cases[] = {
      {"offset past the end", 36 + 8, 200, good.size()},
      {"offset at the very end", 36 + 8, 57, good.size()},
      {"offset with the top bit set", 36 + 11, 0x80, good.size()},
      {"count past the end", 48, 3, good.size()},
      {"list cut short", 0, '~', good.size() - 1},
  };
  for (const Case& c : cases) {
    Bytes b(good.begin(), good.begin() + c.keep);
    b[c.at] = c.byte;
    ASSERT_EQ(Open(Write("cut.vop", b)), "1 nodes in openings book\n") << c.what;
    SetPosition("4k3/8/8/8/8/8/8/4K3 w - - 0 1");
    EXPECT_EQ(FindBookPosition(), 1) << c.what;
    BookMoveList list;
    EXPECT_EQ(LookupBookPosition(&list), 0) << c.what;
    EXPECT_EQ(list.count, 0);
  }
}

TEST_F(BookFileTest, WindowsStyleAndWrongCaseNamesAreFound) {
  const std::string real = Write("Sub Dir/Book.vop", BuildBook({}));
  std::string windows = (dir_ / "sub dir" / "BOOK.VOP").string();
  std::replace(windows.begin(), windows.end(), '/', '\\');
  const std::string cases[] = {
      real,        (dir_ / "Sub Dir" / "book.vop").string(), (dir_ / "SUB DIR" / "Book.vop").string(), windows,
      real + "  ",  // the blank a CRLF line leaves behind
  };
  for (const std::string& name : cases) {
    EXPECT_EQ(Open(name), "0 nodes in openings book\n") << name;
    EXPECT_EQ(book_loaded, 1) << name;
  }

  // The name as typed is what a failure shows.
  const fs::path cwd = fs::current_path();
  fs::current_path(dir_);
  Write("book.vop", BuildBook({}));
  EXPECT_EQ(Open(".\\book.vop"), "0 nodes in openings book\n");
  EXPECT_EQ(Open(".\\nobook.vop"), "Error opening \".\\nobook.vop\"!\n");
  fs::current_path(cwd);
}

TEST_F(BookFileTest, ResolvePrefersTheExactSpelling) {
  Write("a/Name.txt", {1});
  Write("a/name.txt", {2});
  const std::string base = dir_.string();
  EXPECT_EQ(ResolveFileName((base + "/a/name.txt").c_str()), base + "/a/name.txt");
  EXPECT_EQ(ResolveFileName((base + "/a/Name.txt").c_str()), base + "/a/Name.txt");
  // Of two case variants the smallest by byte order, not the directory order.
  EXPECT_EQ(ResolveFileName((base + "\\A\\NAME.TXT").c_str()), base + "/a/Name.txt");
  // A file not yet there keeps its name, in the directory found by case.
  EXPECT_EQ(ResolveFileName((base + "/A/new.log").c_str()), base + "/a/new.log");
}
