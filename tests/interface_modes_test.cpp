// The xboard edit mode in process: piece tokens read from the pending input
// (fed through a pipe that stands in for standard input), the board rebuilt
// from them, and perft from the edited positions against the Debian
// stockfish.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "board/board.h"
#include "board/notation.h"
#include "interface/input.h"
#include "interface/modes.h"
#include "interface/perft.h"
#include "piped_input.h"
#include "platform/stdin.h"
#include "search/tables.h"
#include "search/transposition.h"
#include "test_util.h"

namespace {

constexpr char kStart[] = "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1";
constexpr char kKiwipete[] = "r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq - 0 1";

class EditMode : public PipedInputTest {
 protected:
  void SetUp() override {
    InitSearchForTests();
    PipedInputTest::SetUp();
  }
  void TearDown() override {
    PipedInputTest::TearDown();
    NewGame();
  }
  // Sends the bytes in one write, runs the edit mode and returns what it
  // printed.
  std::string Edit(const std::string& bytes) {
    Send(bytes);
    testing::internal::CaptureStdout();
    EditPosition();
    return testing::internal::GetCapturedStdout();
  }
};

int CountErrors(const std::string& out) {
  int count = 0;
  for (size_t at = out.find("Error\n"); at != std::string::npos; at = out.find("Error\n", at + 1)) count++;
  return count;
}

struct EditCase {
  const char* start;     // FEN before "edit"
  const char* input;     // the edit block up to and including "."
  const char* expected;  // FEN after it (side to move and fifty-move count kept)
  int errors;
};

// Replacements, removals and errors: every field of the board must follow
// the squares (a ghost man shows in the pieces' bitboards, counts, material
// or keys, which VerifyBoard recomputes).
const EditCase kEditCases[] = {
    {kStart, "#\nKe1\nRa1\nRh1\nc\nKe8\n.\n", "4k3/8/8/8/8/8/8/R3K2R w KQ - 0 1", 0},
    {kStart, "#\nKe1\nRh1\nPe2\nc\nKe8\nRa8\n.\n", "r3k3/8/8/8/8/8/4P3/4K2R w Kq - 0 1", 0},
    // Kings off their squares give no rights, rooks or not.
    {kStart, "#\nKf1\nRa1\nRh1\nc\nKd8\nRa8\nRh8\n.\n", "r2k3r/8/8/8/8/8/8/R4K1R w - - 0 1", 0},
    // Men replaced and removed on the full board.
    {kStart, "xd1\nNd1\nxe2\nxh1\nc\nQd8\nxa8\nBe7\nxe7\nPe7\n.\n",
     "1nbqkbnr/pppppppp/8/8/8/8/PPPP1PPP/RNBNKBN1 w Qk - 0 1", 0},
    {kStart, "Qe2\nRd7\nc\nPe4\nxb8\nNd1\n.\n", "r1bqkbnr/pppRpppp/8/8/4p3/8/PPPPQPPP/RNBnKBNR w KQkq - 0 1", 0},
    // A second king of a colour replaces the first.
    {kKiwipete, "Kd2\nc\nKf8\n.\n", "r4k1r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPKBPPP/R6R w - - 0 1", 0},
    {kKiwipete, "xe5\nxf3\nNf3\nc\nxa6\nQa6\nxb4\n.\n",
     "r3k2r/p1ppqpb1/qn2pnp1/3P4/4P3/2N2N1p/PPPBBPPP/R3K2R w KQkq - 0 1", 0},
    // Upper-case letters fold; a bad file drops the rank unread, a bad
    // rank prints once, any other letter prints once.
    {kStart, "XE2\nPz2\nPe9\ny\nNI\n.\n", "rnbqkbnr/pppppppp/8/8/8/8/PPPP1PPP/RNBQKBNR w KQkq - 0 1", 5},
    {"4k3/8/8/8/8/8/8/4K3 b - - 7 40", "Pa2 Pb2 c Pa7 .", "4k3/p7/8/8/8/8/PP6/4K3 b - - 0 1", 0},
};

TEST_F(EditMode, EveryFieldFollowsTheSquaresAfterTheEdit) {
  for (const EditCase& c : kEditCases) {
    SCOPED_TRACE(c.input);
    SetPosition(c.start);
    const auto fifty = thread_board.FiftyCount;
    const std::string out = Edit(c.input);
    EXPECT_EQ(thread_board.FiftyCount, fifty);
    EXPECT_EQ(CountErrors(out), c.errors) << out;
    EXPECT_EQ(out.size(), size_t(6 * c.errors)) << out;
    EXPECT_TRUE(VerifyBoard());
    EXPECT_EQ(BoardToFen(), c.expected);
    EXPECT_EQ(game_ply, 0);
    // The key equals that of the same position set up from its FEN.
    const uint64_t key = thread_board.Key, pawn_key = thread_board.PawnKey;
    const uint32_t index = thread_board.MaterialIndex;
    SetPosition(c.expected);
    EXPECT_EQ(key, thread_board.Key);
    EXPECT_EQ(pawn_key, thread_board.PawnKey);
    EXPECT_EQ(index, thread_board.MaterialIndex);
  }
}

TEST_F(EditMode, TheSearchTablesOfThePositionBeforeAreForgotten) {
  NewGame();
  history_table[123] = 77;
  const uint16_t id = search_id;
  Edit("xe2\nPe3\n.\n");
  EXPECT_EQ(history_table[123], 0);
  EXPECT_EQ(search_id, uint16_t(id + 3));
}

// A front end writes the whole block and the next commands at once: the
// edit takes its characters from the same buffer as the line reader, so
// the lines after "." are still there.
TEST_F(EditMode, LinesAfterTheBlockStayForTheInterpreter) {
  NewGame();
  Edit("#\nKe1\nc\nKe8\n.\nbrd\nmvd\n");
  char line[PENDING_INPUT_SIZE];
  ASSERT_EQ(ReadInputLine(line, sizeof line), 1);
  EXPECT_STREQ(line, "");  // the rest of the "." line
  ASSERT_EQ(ReadInputLine(line, sizeof line), 1);
  EXPECT_STREQ(line, "brd");
  ASSERT_EQ(ReadInputLine(line, sizeof line), 1);
  EXPECT_STREQ(line, "mvd");
}

TEST_F(EditMode, TheEndOfInputEndsTheEdit) {
  NewGame();
  ASSERT_EQ(write(fds_[1], "#\nKe1\nc\nKe8\nQd", 15), 15);
  CloseWriter();
  testing::internal::CaptureStdout();
  EditPosition();
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
  EXPECT_TRUE(VerifyBoard());
  EXPECT_EQ(BoardToFen(), "4k3/8/8/8/8/8/8/4K3 w - - 0 1");
}

std::string FindStockfish() {
  if (const char* path = getenv("DRAVELNOR_STOCKFISH")) return path;
  for (const char* path : {"/usr/games/stockfish", "/usr/bin/stockfish", "/usr/local/bin/stockfish"})
    if (access(path, X_OK) == 0) return path;
  return "";
}

// The leaf counts stockfish gives for each FEN at depth.
std::vector<uint64_t> StockfishPerft(const std::string& stockfish, const std::vector<std::string>& fens, int depth) {
  const std::string base = MakeTestFolder("edit_perft");
  {
    std::ofstream input(base + "/in");
    for (const std::string& fen : fens) input << "position fen " << fen << "\ngo perft " << depth << "\n";
    input << "quit\n";
  }
  const std::string command = stockfish + " < " + base + "/in > " + base + "/out 2>&1";
  EXPECT_EQ(system(command.c_str()), 0) << command;
  std::vector<uint64_t> counts;
  std::ifstream output(base + "/out");
  for (std::string line; std::getline(output, line);)
    if (line.rfind("Nodes searched: ", 0) == 0) counts.push_back(std::stoull(line.substr(16)));
  std::system(("rm -rf " + base).c_str());
  return counts;
}

// A man left behind in any board field would make moves (or block them)
// that stockfish, reading only the squares, does not count.
TEST_F(EditMode, PerftFromEditedPositionsEqualsStockfish) {
  const std::string stockfish = FindStockfish();
  if (stockfish.empty()) GTEST_SKIP() << "stockfish is not installed";
  std::vector<std::string> fens;
  std::vector<uint64_t> ours;
  for (const EditCase& c : kEditCases) {
    SetPosition(c.start);
    Edit(c.input);
    fens.push_back(BoardToFen());
    move_list_end = 0;
    perft_nodes = 0;
    Perft(4);
    ours.push_back(perft_nodes);
  }
  const std::vector<uint64_t> theirs = StockfishPerft(stockfish, fens, 4);
  ASSERT_EQ(theirs.size(), fens.size());
  for (size_t i = 0; i < fens.size(); i++) EXPECT_EQ(ours[i], theirs[i]) << fens[i];
}

}  // namespace
