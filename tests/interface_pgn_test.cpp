// The PGN scan and its SAN reader in process: which moves tokens resolve
// to, what the readers skip, the messages for what cannot be played, the
// hit count, the progress line and the book left alone by the scan's
// silent searches.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "board/board.h"
#include "board/notation.h"
#include "book/book.h"
#include "book_writer.h"
#include "interface/options.h"
#include "interface/pgn.h"
#include "test_util.h"

namespace fs = std::filesystem;
using namespace book_writer;

namespace {

class PgnScan : public ::testing::Test {
 protected:
  void SetUp() override {
    InitSearchForTests();
    tuning_hits = 0;
  }
  void TearDown() override {
    NewGame();
    tuning_hits = 0;
  }
};

// Scans the text and returns what it printed.
std::string Scan(const std::string& text) {
  testing::internal::CaptureStdout();
  ScanPgnText(text);
  return testing::internal::GetCapturedStdout();
}

// The FEN reached by coordinate moves from a FEN.
std::string After(const char* fen, const std::vector<const char*>& moves) {
  SetPosition(fen);
  for (const char* m : moves) PlayMove(m);
  const std::string result = BoardToFen();
  NewGame();
  return result;
}

constexpr char kStart[] = "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1";

std::string Game(const std::string& moves, const char* result = "*") {
  return std::string("[Event \"t\"]\n[Result \"") + result + "\"]\n\n" + moves + " " + result + "\n";
}

// A game that leads to a position where the tokens under test decide.
const std::string kPawnRace = "1. e4 d5 2. f4 a6 3. f5 a5 4. f6 a4 5. fxg7 a3 ";
const std::vector<const char*> kPawnRaceMoves = {"e2e4", "d7d5", "f2f4", "a7a6", "f4f5",
                                                 "a6a5", "f5f6", "a5a4", "f6g7", "a4a3"};
std::vector<const char*> Plus(std::vector<const char*> moves, std::vector<const char*> more) {
  moves.insert(moves.end(), more.begin(), more.end());
  return moves;
}

// One game per case, each table row played through the whole scan.
struct ScanCase {
  const char* name;
  std::string text;
  std::string fen;      // the board after the scan ("" not checked)
  std::string printed;  // exactly what the scan printed
};

std::vector<ScanCase> ScanCases() {
  return {
      {"capture marks", Game("1. e4 d5 2. exd5"), After(kStart, {"e2e4", "d7d5", "e4d5"}), ""},
      {"capture without a mark", Game("1. e4 d5 2. ed5"), After(kStart, {"e2e4", "d7d5", "e4d5"}), ""},
      {"colon capture", Game("1. e4 d5 2. e:d5"), After(kStart, {"e2e4", "d7d5", "e4d5"}), ""},
      {"en passant", Game("1. e4 a6 2. e5 d5 3. exd6"), After(kStart, {"e2e4", "a7a6", "e4e5", "d7d5", "e5d6"}), ""},
      {"a capture mark on a quiet move", Game("1. Nxf3"), After(kStart, {}), "\nCan't recognize: Nxf3...\n"},
      {"from-file", Game("1. Nf3 d5 2. d4 Nf6 3. Nbd2"), After(kStart, {"g1f3", "d7d5", "d2d4", "g8f6", "b1d2"}), ""},
      // Knights on d2 and d4 both reach f3.
      {"from-rank", Game("1. Nf3 a6 2. Nd4 a5 3. d3 a4 4. Nd2 a3 5. N4f3"),
       After(kStart, {"g1f3", "a7a6", "f3d4", "a6a5", "d2d3", "a5a4", "b1d2", "a4a3", "d4f3"}), ""},
      {"from-file and rank", Game("1. Nf3 a6 2. Nd4 a5 3. d3 a4 4. Nd2 a3 5. Nd2f3"),
       After(kStart, {"g1f3", "a7a6", "f3d4", "a6a5", "d2d3", "a5a4", "b1d2", "a4a3", "d2f3"}), ""},
      {"from-rank missing", Game("1. Nf3 a6 2. Nd4 a5 3. d3 a4 4. Nd2 a3 5. Ndf3"), "", "\nAmbigous move: Ndf3...\n"},
      {"promotion with =", Game(kPawnRace + "6. gxh8=Q"), After(kStart, Plus(kPawnRaceMoves, {"g7h8q"})), ""},
      {"promotion without =", Game(kPawnRace + "6. gxh8Q"), After(kStart, Plus(kPawnRaceMoves, {"g7h8q"})), ""},
      {"under-promotion", Game(kPawnRace + "6. gxh8=N"), After(kStart, Plus(kPawnRaceMoves, {"g7h8n"})), ""},
      {"castling with letters", Game("1. e4 e5 2. Nf3 Nc6 3. Bc4 Bc5 4. O-O Nf6 5. d3 O-O"),
       After(kStart, {"e2e4", "e7e5", "g1f3", "b8c6", "f1c4", "f8c5", "e1g1", "g8f6", "d2d3", "e8g8"}), ""},
      {"castling with zeros", Game("1. e4 e5 2. Nf3 Nc6 3. Bc4 Bc5 4. 0-0 Nf6 5. d3 0-0"),
       After(kStart, {"e2e4", "e7e5", "g1f3", "b8c6", "f1c4", "f8c5", "e1g1", "g8f6", "d2d3", "e8g8"}), ""},
      {"long castling", Game("1. d4 d5 2. Nc3 Nc6 3. Bf4 Bf5 4. Qd2 Qd7 5. O-O-O 0-0-0"),
       After(kStart, {"d2d4", "d7d5", "b1c3", "b8c6", "c1f4", "c8f5", "d1d2", "d8d7", "e1c1", "e8c8"}), ""},
      {"checks, mate, NAGs and annotations", Game("1. e4!! e5?! 2. Qh5 $1 Nc6 3. Bc4+ Nf6?? 4. Qxf7#", "1-0"),
       After(kStart, {"e2e4", "e7e5", "d1h5", "b8c6", "f1c4", "g8f6", "h5f7"}), ""},
      {"nested comments and variations",
       Game("1. e4 {a {nested} comment} e5 (1... c5 (1... e6 2. d4) 2. Nf3 {in (a) variation}) 2. Nf3 {end}"),
       After(kStart, {"e2e4", "e7e5", "g1f3"}), ""},
      {"a comment before the moves", "[Result \"*\"]\n{opening comment}\n1. d4 *\n", After(kStart, {"d2d4"}), ""},
      // A pawn reaching the last rank with no letter matches all four
      // promotions: three more matches, three messages.
      {"promotion left open", Game(kPawnRace + "6. gxh8 Nf6"), After(kStart, Plus(kPawnRaceMoves, {"g7h8b"})),
       "\nAmbigous move: gxh8...\n\nAmbigous move: gxh8...\n\nAmbigous move: gxh8...\n"},
      {"unknown move", Game("1. e4 e5 2. Ke3 Nc6 3. d4"), After(kStart, {"e2e4", "e7e5"}),
       "\nCan't recognize: Ke3...\n"},
      // The last match is made, then the game is left.
      {"ambiguous knight", Game("1. Nf3 d5 2. d4 Nf6 3. Nd2 Nc6 4. e4"), "", "\nAmbigous move: Nd2...\n"},
      // ";" is no comment here: it ends an empty token, which names no move.
      {"semicolon comment", Game("1. e4 ; a comment\ne5"), After(kStart, {"e2e4"}), "\nCan't recognize: ...\n"},
      {"cut off at the end of the file", "[Result \"*\"]\n\n1. e4 e5 2. Nf3 Nc",
       After(kStart, {"e2e4", "e7e5", "g1f3"}), "\nGame 1 cut off at the end of the file...\n"},
      {"bad tag, then a game", "[Event]\n[Result \"*\"]\n\n1. e4 e5 *\n\n[Result \"*\"]\n\n1. d4 *\n",
       After(kStart, {"d2d4"}), "\nBad tag (no value): Event...\n"},
      {"a too long tag name", "[ABCDEFGHIJKLMNOPQRSTUVWXYZABCDEFGH \"x\"]\n\n1. c4 *\n", After(kStart, {"c2c4"}),
       "\nBad tag (name too long): ABCDEFGHIJKLMNOPQRSTUVWXYZABCDEF...\n"},
      // A bad tag before the move text leaves the moves alone.
      {"a tag without a value last", "[Result \"1-0\"]\n[Round]\n1. b3 *\n", After(kStart, {"b2b3"}),
       "\nBad tag (no value): Round...\n"},
      {"an unplayable game, then a game", Game("1. e4 Qxe4 2. d4") + "\n" + Game("1. Nf3 Nf6"),
       After(kStart, {"g1f3", "g8f6"}), "\nCan't recognize: Qxe4...\n"},
  };
}

TEST_F(PgnScan, OneGameScansEndWhereTheMovesLead) {
  for (const ScanCase& c : ScanCases()) {
    SCOPED_TRACE(c.name);
    const std::string printed = Scan(c.text);
    EXPECT_EQ(printed, c.printed);
    if (!c.fen.empty()) {
      EXPECT_EQ(BoardToFen(), c.fen) << c.text;
    }
    EXPECT_TRUE(VerifyBoard());
  }
}

TEST_F(PgnScan, ATooLongTokenEndsTheProgramWithStatusTwo) {
  EXPECT_EXIT(ScanPgnText(Game("1. e4 abcdefgh1234567 e5")), testing::ExitedWithCode(2), "");
  testing::internal::CaptureStdout();
  // Fourteen characters are still a token (refused as a move).
  ScanPgnText(Game("1. e4 abcdefgh123456 e5"));
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "\nCan't recognize: abcdefgh123456...\n");
}

// The real game of the match, with and without a result ("" no Result tag).
std::string ChampionshipGame(const char* result) {
  const std::string tag = *result ? std::string("[Result \"") + result + "\"]\n" : "";
  return std::string("[Event \"FIDE World Championship 2023\"]\n") + tag +
         "\n"
         "1. e4 e5 2. Nf3 Nc6 3. Bb5 a6 4. Ba4 Nf6 5. O-O Be7 6. Bxc6 dxc6\n"
         "7. Re1 Nd7 8. d4 exd4 9. Qxd4 O-O 10. Bf4 Nc5 11. Qe3 Bg4 12. Nd4\n"
         "Qd7 13. Nc3 Rad8 14. Nf5 Ne6 15. Nxe7+ Qxe7 16. Bg3 Bh5 17. f3 f6\n"
         "18. h3 h6 19. Kh2 Bf7 20. Rad1 b6 21. a3 a5 22. Ne2 Rxd1 23. Rxd1 Rd8 " +
         (*result ? result : "*") + "\n";
}

TEST_F(PgnScan, HitsAreCountedOnlyInGamesWithAResult) {
  for (const char* result : {"*", ""}) {
    SCOPED_TRACE(result);
    tuning_hits = 0;
    EXPECT_EQ(Scan(ChampionshipGame(result)), "");
    EXPECT_EQ(tuning_hits, 0);
  }
  // 46 plies, of which 34 from ply 12 on; recaptures are easy hits.
  for (const char* result : {"1-0", "0-1", "1/2-1/2"}) {
    SCOPED_TRACE(result);
    tuning_hits = 0;
    EXPECT_EQ(Scan(ChampionshipGame(result)), "");
    EXPECT_GT(tuning_hits, 5);
    EXPECT_LE(tuning_hits, 34);
  }
  // The count is never reset by the scan.
  tuning_hits = 1000;
  Scan(ChampionshipGame("1-0"));
  EXPECT_GT(tuning_hits, 1005);
  EXPECT_EQ(multi_pv, 1);
}

TEST_F(PgnScan, TheProgressLineComesEveryHundredGames) {
  std::string text;
  for (int i = 0; i < 250; i++) text += "[Result \"*\"]\n\n1. e4 e5 *\n\n";
  const std::string line = "Processed %d games, hit/game = 0.000...              \r";
  char first[80], second[80];
  std::snprintf(first, sizeof first, line.c_str(), 100);
  std::snprintf(second, sizeof second, line.c_str(), 200);
  EXPECT_EQ(Scan(text), std::string(first) + second);
}

TEST_F(PgnScan, TheScanStopsAfterTenThousandOneHundredGames) {
  std::string text;
  for (int i = 0; i < 10150; i++) text += "[R \"\"]\n1. e4 *\n";
  // A last game past the limit would leave d4 on the board.
  text += "[R \"\"]\n1. d4 *\n";
  const std::string expected = After(kStart, {"e2e4"});
  const std::string printed = Scan(text);
  EXPECT_NE(printed.find("Processed 10100 games"), std::string::npos);
  EXPECT_EQ(printed.find("Processed 10200 games"), std::string::npos);
  EXPECT_EQ(printed.substr(printed.rfind("Processed")).rfind("Processed 10100 games", 0), 0u);
  EXPECT_EQ(BoardToFen(), expected);
}

TEST_F(PgnScan, AMissingFileIsReported) {
  testing::internal::CaptureStdout();
  ScanPgnFile("/nonexistent/dir/source.pgn");
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "Error opening file /nonexistent/dir/source.pgn...\n");
}

// A drawn repetition reached in a game with a result: the hit test's search
// sees the draw, where a played game would learn it into the book.
TEST_F(PgnScan, TheSilentSearchesNeverWriteTheBook) {
  const fs::path dir = MakeTestFolder("pgn_book");
  const std::string path = (dir / "book.vop").string();
  const std::string after_nf3_nf6 = After(kStart, {"g1f3", "g8f6"});
  WriteBytes(path, BuildBook({NodeOf(kStart, {{"g1f3", 0x0303}}), NodeOf(after_nf3_nf6, {{"f3g1", 0x0303}})}));
  const Bytes before = ReadBytes(path);
  OpenBookForTest(path);
  ASSERT_EQ(book_loaded, 1);
  const int32_t saved = use_book_learning;
  use_book_learning = 1;
  Scan(Game("1. Nf3 Nf6 2. Ng1 Ng8 3. Nf3 Nf6 4. Ng1 Ng8 5. Nf3 Nf6 6. Ng1 Ng8 7. Nf3 Nf6 8. Ng1 Ng8", "1/2-1/2"));
  std::fflush(book_file);
  const Bytes after = ReadBytes(path);
  use_book_learning = saved;
  CloseOpeningBook();
  fs::remove_all(dir);
  EXPECT_EQ(after, before);
}

}  // namespace
