// The book move choice in each version and mode, the legality guard on book
// moves, and result learning into the stats in place, on books built here.
#include <gtest/gtest.h>

#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "board/makemove.h"
#include "board/notation.h"
#include "book/book.h"
#include "book_writer.h"
#include "interface/options.h"
#include "platform/random.h"
#include "test_util.h"

namespace fs = std::filesystem;
using namespace book_writer;

namespace {

constexpr char kKings[] = "4k3/8/8/8/8/8/8/4K3 w - - 0 1";

uint16_t Stats(int lo, int hi) { return uint16_t(lo | hi << 8); }

std::string Text(Move move) {
  char buffer[8];
  return move ? MoveToText(buffer, move) : "none";
}

class BookChoice : public ::testing::Test {
 protected:
  void SetUp() override {
    InitBoardForTests();
    dir_ = MakeTestFolder("choice");
    ASSERT_FALSE(dir_.empty());
    use_book_learning = 1;
    use_book_weights = 1;
    book_learning_mode = 0;
    variety_of_play = 10;
    silent_search = 0;
    book_learning_done = 0;
  }
  void TearDown() override {
    CloseOpeningBook();
    fs::remove_all(dir_);
    use_book_learning = 1;
    use_book_weights = 1;
    book_learning_mode = 0;
    variety_of_play = 10;
  }
  // Writes the book into the test's own folder and opens it.
  std::string Open(const Bytes& bytes) {
    path_ = (dir_ / "test.vop").string();
    WriteBytes(path_, bytes);
    OpenBookForTest(path_);
    EXPECT_EQ(book_loaded, 1);
    return path_;
  }
  // The book as it stands in the file now.
  Bytes Now() {
    std::fflush(book_file);
    return ReadBytes(path_);
  }
  // The move chosen with the generator seeded, and whether exactly one
  // number was drawn (draws is 0 or 1; -1 when neither fits).
  Move ChooseSeeded(uint32_t seed, int* draws) {
    SeedRandom(seed);
    const Move move = ChooseBookMove();
    const int32_t next = Random15();
    SeedRandom(seed);
    const int32_t first = Random15(), second = Random15();
    *draws = next == first ? 0 : next == second ? 1 : -1;
    return move;
  }
  fs::path dir_;
  std::string path_;
};

TEST_F(BookChoice, ModesPickAsTheirRulesSay) {
  struct Case {
    const char* what;
    int mode, weights, variety;
    std::vector<std::pair<std::string, uint16_t>> moves;
    std::set<std::string> allowed;  // the moves the mode may answer
    int draws;
  } cases[] = {
      {"plain: the first entry", 0, 0, 10, {{"e1d1", 0}, {"e1f1", Stats(2, 1)}}, {"e1d1"}, 0},
      {"plain: the first enabled entry", 0, 0, 10, {{"e1d1", 0xFFFF}, {"e1f1", Stats(9, 9)}}, {"e1f1"}, 0},
      {"weights: 666 beats 500 at variety 10 (threshold 599)",
       0,
       1,
       10,
       {{"e1d1", 0}, {"e1f1", Stats(2, 1)}},
       {"e1f1"},
       1},
      {"weights: an untried move competes at variety 40 (threshold 399)",
       0,
       1,
       40,
       {{"e1d1", 0}, {"e1f1", Stats(2, 1)}},
       {"e1d1", "e1f1"},
       1},
      {"weights: variety 0 keeps only the best",
       0,
       1,
       0,
       {{"e1d1", Stats(3, 1)}, {"e1f1", Stats(3, 1)}, {"e1e2", Stats(2, 1)}},
       {"e1d1", "e1f1"},
       1},
      {"weights: variety 100 keeps every enabled entry",
       0,
       1,
       100,
       {{"e1d1", Stats(0, 8)}, {"e1f1", 0xFFFF}, {"e1e2", Stats(8, 0)}},
       {"e1d1", "e1e2"},
       1},
      {"weights: all scores 0", 0, 1, 10, {{"e1d1", Stats(0, 2)}, {"e1f1", Stats(0, 4)}}, {"e1d1", "e1f1"}, 1},
      {"discover: the fewest games",
       1,
       1,
       10,
       {{"e1d1", Stats(2, 0)}, {"e1f1", Stats(0, 1)}, {"e1e2", Stats(1, 1)}},
       {"e1f1"},
       0},
      {"discover: one unplayed entry, whatever the others scored",
       1,
       1,
       10,
       {{"e1d1", Stats(200, 0)}, {"e1f1", 0}, {"e1e2", Stats(0, 200)}},
       {"e1f1"},
       0},
      {"discover: two unplayed, the earlier", 1, 0, 10, {{"e1d1", 0}, {"e1f1", 0}}, {"e1d1"}, 0},
      {"discover: equal games, the strictly higher score",
       1,
       0,
       10,
       {{"e1d1", Stats(1, 1)}, {"e1f1", Stats(2, 0)}, {"e1e2", Stats(2, 0)}},
       {"e1f1"},
       0},
      {"discover: disabled entries are never tried", 1, 0, 10, {{"e1d1", 0xFFFF}, {"e1f1", Stats(9, 9)}}, {"e1f1"}, 0},
      {"every entry disabled", 0, 1, 10, {{"e1d1", 0xFFFF}, {"e1f1", 0xFFFF}}, {"none"}, 0},
      {"every entry disabled, discover", 1, 1, 10, {{"e1d1", 0xFFFF}}, {"none"}, 0},
      {"an empty list", 0, 1, 10, {}, {"none"}, 0},
  };
  for (const Case& c : cases) {
    CloseOpeningBook();
    Open(BuildBook({NodeOf(kKings, c.moves)}));
    SetPosition(kKings);
    book_learning_mode = c.mode;
    use_book_weights = c.weights;
    variety_of_play = c.variety;
    std::set<std::string> seen;
    for (uint32_t seed = 1; seed <= 64; seed++) {
      int draws;
      const std::string move = Text(ChooseSeeded(seed * 7919, &draws));
      EXPECT_TRUE(c.allowed.count(move)) << c.what << ": " << move;
      EXPECT_EQ(draws, c.allowed.count("none") ? 0 : c.draws) << c.what;
      seen.insert(move);
    }
    // Every candidate of a random choice comes up.
    EXPECT_EQ(seen, c.allowed) << c.what;
  }
}

TEST_F(BookChoice, WeightsModeTakesCandidateRandomModuloCount) {
  // Scores 500, 666, 250 and 750 at variety 40: threshold 450, candidates
  // e1d1, e1f1 and e1e2 in list order.
  Open(BuildBook({NodeOf(
      kKings, {{"e1d1", 0}, {"e1f1", Stats(2, 1)}, {"d1d2", 0xFFFF}, {"e1d2", Stats(1, 3)}, {"e1e2", Stats(3, 1)}})}));
  SetPosition(kKings);
  variety_of_play = 40;
  const char* candidates[] = {"e1d1", "e1f1", "e1e2"};
  for (uint32_t seed = 0; seed < 30; seed++) {
    SeedRandom(seed);
    const int r = Random15();
    SeedRandom(seed);
    EXPECT_EQ(Text(ChooseBookMove()), candidates[r % 3]) << seed;
  }
  // The weights mode leaves its candidates at the front of the arrays.
  EXPECT_EQ(book_move_from[2], SquareOf("e1"));
  EXPECT_EQ(book_move_to[2], SquareOf("e2"));
  EXPECT_EQ(book_move_stats[1], Stats(2, 1));
}

TEST_F(BookChoice, VersionZeroDrawsAmongEnabledEntriesOnly) {
  Open(BuildBook({NodeOf(kKings, {{"e1d1", 255}, {"e1f1", 7}, {"e1e2", 255}, {"e1d2", 0}, {"e1f2", 200}})}, 0));
  SetPosition(kKings);
  const char* enabled[] = {"e1f1", "e1d2", "e1f2"};
  std::set<std::string> seen;
  for (uint32_t seed = 0; seed < 40; seed++) {
    SeedRandom(seed);
    const int r = Random15();
    int draws;
    const std::string move = Text(ChooseSeeded(seed, &draws));
    EXPECT_EQ(move, enabled[r % 3]) << seed;
    EXPECT_EQ(draws, 1);
    seen.insert(move);
  }
  EXPECT_EQ(seen.size(), 3u);

  CloseOpeningBook();
  Open(BuildBook({NodeOf(kKings, {{"e1d1", 255}, {"e1f1", 255}})}, 0));
  SetPosition(kKings);
  int draws;
  EXPECT_EQ(ChooseSeeded(5, &draws), 0u);
  EXPECT_EQ(draws, 0);
}

TEST_F(BookChoice, MoveWordCarriesPiecesFromTheBoard) {
  const char* fen = "r3k2r/pp3ppp/8/3p4/8/8/PPP2PPP/R3K2R w KQkq - 0 1";
  Open(BuildBook({NodeOf(fen, {{"e1g1", 0}})}));
  SetPosition(fen);
  EXPECT_EQ(ChooseBookMove(), MakeMoveWord(E1, G1, KING));

  const char* capture = "4k3/8/8/3p4/4P3/8/8/4K3 w - - 0 1";
  CloseOpeningBook();
  Open(BuildBook({NodeOf(capture, {{"e4d5", 0}})}));
  SetPosition(capture);
  EXPECT_EQ(ChooseBookMove(), MakeMoveWord(SquareOf("e4"), SquareOf("d5"), PAWN, PAWN));
}

TEST_F(BookChoice, IllegalOrMalformedEntriesAreNeverAnswered) {
  // Each node is shared by the position where the entry is legal and one
  // where it is not (keys ignore castling rights and en passant).
  struct Case {
    const char* what;
    const char* fen;
    std::vector<Entry> moves;
    int weights;
    const char* expected;
  } cases[] = {
      {"castling without the right", "r3k2r/8/8/8/8/8/8/R3K2R w kq - 0 1", {{E1, G1, 0}}, 0, "none"},
      {"castling out of check", "4k3/8/8/8/8/8/4r3/R3K2R w KQ - 0 1", {{E1, G1, 0}}, 0, "none"},
      {"en passant that is not possible",
       "4k3/8/8/3pP3/8/8/8/4K3 w - - 0 1",
       {{SquareOf("e5"), SquareOf("d6"), 0}},
       0,
       "none"},
      {"en passant that is possible",
       "4k3/8/8/3pP3/8/8/8/4K3 w - d6 0 1",
       {{SquareOf("e5"), SquareOf("d6"), 0}},
       0,
       "e5d6"},
      {"a move of no man", kKings, {{SquareOf("a2"), SquareOf("a3"), 0}}, 0, "none"},
      {"a man of the side not to move", kKings, {{E8, D8, 0}}, 0, "none"},
      {"a move into check", "4k3/8/8/8/8/8/3r4/4K3 w - - 0 1", {{E1, SquareOf("e2"), 0}}, 0, "none"},
      {"from square beyond the board, skipped by the plain choice", kKings, {{64, D1, 0}, {E1, F1, 0}}, 0, "e1f1"},
      {"to square beyond the board, skipped by the weights choice",
       kKings,
       {{E1, 200, Stats(9, 0)}, {E1, F1, 0}},
       1,
       "e1f1"},
  };
  for (const Case& c : cases) {
    CloseOpeningBook();
    Node node;
    KeysOfFen(c.fen, &node.key1, &node.key2);
    node.moves = c.moves;
    Open(BuildBook({node}));
    SetPosition(c.fen);
    use_book_weights = c.weights;
    const std::string before = BoardToFen();
    EXPECT_EQ(Text(ChooseBookMove()), c.expected) << c.what;
    EXPECT_EQ(BoardToFen(), before) << c.what;
  }
}

TEST_F(BookChoice, PawnMovesToTheLastRankPromoteToAQueen) {
  const char* fens[] = {"4k3/1P6/8/8/8/8/8/4K3 w - - 0 1", "4k3/8/8/8/8/8/1p6/4K3 b - - 0 1"};
  const char* moves[] = {"b7b8", "b2b1"};
  for (int i = 0; i < 2; i++) {
    CloseOpeningBook();
    Open(BuildBook({NodeOf(fens[i], {{moves[i], 0}})}));
    SetPosition(fens[i]);
    const Move move = ChooseBookMove();
    ASSERT_NE(move, 0u) << fens[i];
    EXPECT_EQ(MovePromotion(move), 0);
    EXPECT_EQ(Text(CompleteBookMove(move)), std::string(moves[i]) + "q");
    EXPECT_TRUE(IsLegalMove(CompleteBookMove(move)));
  }
  // Other moves keep their word.
  SetPosition(kKings);
  EXPECT_EQ(CompleteBookMove(MakeMoveWord(E1, D1, KING)), MakeMoveWord(E1, D1, KING));
}

// The bytes of the book's list entries that differ from before.
std::vector<size_t> ChangedBytes(const Bytes& before, const Bytes& after) {
  std::vector<size_t> changed;
  EXPECT_EQ(before.size(), after.size());
  for (size_t i = 0; i < before.size() && i < after.size(); i++)
    if (before[i] != after[i]) changed.push_back(i);
  return changed;
}

TEST_F(BookChoice, UpdatesCountResultsAndRescaleTheList) {
  struct Case {
    const char* what;
    std::vector<std::pair<std::string, uint16_t>> moves;  // the learnt move is e1f1
    int result;
    std::vector<uint16_t> expected;
  } cases[] = {
      {"a win", {{"e1d1", Stats(4, 4)}, {"e1f1", Stats(3, 1)}}, 1, {Stats(4, 4), Stats(5, 1)}},
      {"a loss", {{"e1f1", Stats(3, 1)}}, 0, {Stats(3, 3)}},
      {"a draw", {{"e1f1", 0}}, 2, {Stats(1, 1)}},
      {"the first usable entry of the squares",
       {{"e1f1", 0xFFFF}, {"e1f1", Stats(1, 0)}, {"e1f1", Stats(7, 0)}},
       1,
       {0xFFFF, Stats(3, 0), Stats(7, 0)}},
      {"253/10 and a win: the list scaled to two thirds",
       {{"e1d1", Stats(9, 30)}, {"e1f1", Stats(253, 10)}, {"e1e2", 0}, {"d1d2", 0xFFFF}, {"e1d2", Stats(1, 0)}},
       1,
       {Stats(6, 20), Stats(170, 6), 0, 0xFFFF, Stats(0, 0)}},
      {"254/254 and a draw", {{"e1f1", Stats(254, 254)}, {"e1e2", Stats(100, 3)}}, 2, {Stats(170, 170), Stats(66, 2)}},
      {"a loss past 254", {{"e1f1", Stats(0, 253)}}, 0, {Stats(0, 170)}},
      {"only disabled entries", {{"e1f1", 0xFFFF}}, 1, {0xFFFF}},
      {"no entry of the squares", {{"e1d1", Stats(1, 1)}}, 1, {Stats(1, 1)}},
  };
  for (const Case& c : cases) {
    CloseOpeningBook();
    const Bytes original = BuildBook({NodeOf(kKings, c.moves), NodeOf("4k3/8/8/8/8/8/8/3K4 b - - 0 1", {{"e8d8", 0}})});
    Open(original);
    SetPosition(kKings);
    UpdateBookMoveStats(c.result, MakeMoveWord(E1, F1, KING));
    Bytes expected = original;
    for (size_t i = 0; i < c.expected.size(); i++) {
      const long long at = EntryValueOffset(original, kKings, int(i));
      expected[at] = uint8_t(c.expected[i]);
      expected[at + 1] = uint8_t(c.expected[i] >> 8);
    }
    EXPECT_EQ(Now(), expected) << c.what;
  }
}

TEST_F(BookChoice, VersionZeroBooksAreNeverWritten) {
  const Bytes original = BuildBook({NodeOf(kKings, {{"e1f1", 3}})}, 0);
  Open(original);
  use_book_learning = 1;  // switched on again after the book switched it off
  SetPosition(kKings);
  UpdateBookMoveStats(1, MakeMoveWord(E1, F1, KING));
  for (const char* move : {"e1f1", "e8d8", "f1e1", "d8e8"}) PlayMove(move);
  LearnBookFromGame(1);
  EXPECT_EQ(Now(), original);
}

// A game along one line whose every position is in the book with the move
// played from it, stats 0: learning must touch exactly the moves of the side
// to move at the call, never the one from the starting position, and leave
// the board as it was.
TEST_F(BookChoice, LearningFromAGameTakesEveryOtherMoveBackToTheStart) {
  const std::vector<std::string> line = {"e2e4", "e7e5", "g1f3", "b8c6", "f1b5", "a7a6", "b5a4"};
  const std::string start = "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1";
  std::vector<Node> nodes;
  std::vector<std::string> fens;
  SetPosition(start.c_str());
  for (const std::string& move : line) {
    fens.push_back(BoardToFen());
    nodes.push_back(NodeOf(fens.back(), {{"a1a1", 0}, {move, 0}}));
    PlayMove(move.c_str());
  }
  const Bytes original = BuildBook(nodes);
  Open(original);

  struct Case {
    int plies, result;
    std::vector<int> learnt;  // plies whose move gets the result
  } cases[] = {
      {7, 2, {5, 3, 1}}, {6, 1, {4, 2}}, {5, 0, {3, 1}}, {2, 1, {}}, {1, 2, {}}, {0, 2, {}},
  };
  for (const Case& c : cases) {
    WriteBytes(path_, original);
    SetPosition(start.c_str());
    for (int i = 0; i < c.plies; i++) PlayMove(line[i].c_str());
    const std::string fen = BoardToFen();
    const uint64_t key = thread_board.Key;
    book_learning_done = 0;
    LearnBookFromGame(c.result);
    EXPECT_EQ(book_learning_done, 1);
    EXPECT_EQ(game_ply, c.plies);
    EXPECT_EQ(BoardToFen(), fen);
    EXPECT_EQ(thread_board.Key, key);
    EXPECT_TRUE(VerifyBoard());
    for (int i = 0; i < c.plies; i++) EXPECT_EQ(Text(game_history[i].Move), line[i]);

    Bytes expected = original;
    const uint16_t value = c.result == 2 ? Stats(1, 1) : c.result == 1 ? Stats(2, 0) : Stats(0, 2);
    for (int ply : c.learnt) {
      const long long at = EntryValueOffset(original, fens[ply], 1);
      expected[at] = uint8_t(value);
      expected[at + 1] = uint8_t(value >> 8);
    }
    const Bytes now = Now();
    EXPECT_EQ(now, expected) << c.plies << " plies";
    if (now != expected)
      for (size_t at : ChangedBytes(original, now)) ADD_FAILURE() << "byte " << at << " changed";
  }
}

}  // namespace
