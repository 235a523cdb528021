// The root search and the game driver with a book open: a book move is
// played without searching, and a silent (tool) search never writes the
// book.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "board/notation.h"
#include "book/book.h"
#include "book_writer.h"
#include "interface/options.h"
#include "search/driver.h"
#include "search/search.h"
#include "search/tables.h"
#include "search/transposition.h"
#include "test_util.h"

namespace fs = std::filesystem;
using namespace book_writer;

namespace {

class BookAtTheRoot : public ::testing::Test {
 protected:
  void SetUp() override {
    InitSearchForTests();
    dir_ = MakeTestFolder("root_book");
    ASSERT_FALSE(dir_.empty());
    uci_mode = 1;
    ponder_on = post_thinking = go_ponder = force_mode = silent_search = 0;
    time_left = -1;
    fixed_move_time = node_limit = mate_goal = search_moves_count = 0;
    multi_pv = own_book = use_book_learning = use_book_weights = 1;
    max_depth = 3;
    target_time = hard_time_limit = 9999999;
    poll_interval = 50000;
  }
  void TearDown() override {
    CloseOpeningBook();
    fs::remove_all(dir_);
    silent_search = 0;
  }
  void Open(const Bytes& bytes) {
    path_ = (dir_ / "book.vop").string();
    WriteBytes(path_, bytes);
    OpenBookForTest(path_);
    ASSERT_EQ(book_loaded, 1);
  }
  Bytes Now() {
    std::fflush(book_file);
    return ReadBytes(path_);
  }
  fs::path dir_;
  std::string path_;
};

TEST_F(BookAtTheRoot, ABookMoveIsPlayedWithoutSearching) {
  const char* fen = "4k3/1P6/8/8/8/8/8/4K3 w - - 0 1";
  Open(BuildBook({NodeOf(fen, {{"b7b8", 0}})}));
  SetPosition(fen);
  EXPECT_EQ(SearchRoot(10, 1), 0);
  char text[8];
  EXPECT_STREQ(MoveToText(text, move_list[0].move), "b7b8q");
  EXPECT_EQ(book_move_played, 1);
  EXPECT_EQ(root_scores[0], 0);
  EXPECT_EQ(iteration_depth, 1);
  EXPECT_EQ(nodes, 0u);

  // Without the use-book argument the same position is searched.
  EXPECT_EQ(SearchRoot(3, 0), 0);
  EXPECT_EQ(book_move_played, 0);
  EXPECT_GT(nodes, 0u);
}

TEST_F(BookAtTheRoot, ASilentSearchNeverLearnsIntoTheBook) {
  // Kings only at the root: a finished game, learnt as a draw into the move
  // played two plies back, unless the search is a silent one.
  const char* kings = "4k3/8/8/8/8/8/8/4K3 w - - 0 1";
  const Bytes book = BuildBook({NodeOf(kings, {{"e1d1", 0}})});
  for (int silent : {1, 0}) {
    Open(book);
    SetPosition(kings);
    for (const char* move : {"e1d1", "e8d8", "d1e1", "d8e8", "e1d1", "e8d8"}) PlayMove(move);
    book_learning_done = 0;
    silent_search = silent;
    testing::internal::CaptureStdout();
    Think();
    testing::internal::GetCapturedStdout();
    silent_search = 0;
    Bytes expected = book;
    if (!silent) expected[EntryValueOffset(book, kings, 0)] = expected[EntryValueOffset(book, kings, 0) + 1] = 1;
    EXPECT_EQ(Now(), expected) << "silent " << silent;
    EXPECT_EQ(book_learning_done, silent ? 0 : 1);
    CloseOpeningBook();
  }
}

}  // namespace
