// The PGN scan and the tuner from the console, in real sessions: where the
// fixed Windows file names are found, the messages for missing files, the
// board after a scan, the exit status of a too long move token and the first
// steps of a tuning run.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "session_harness.h"

using namespace session;

namespace {

std::string ReadText(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

// The published game and where the chessops library's replay of it ends.
std::string ChampionshipGame() {
  return ReadText(std::string(DRAVELNOR_SOURCE_DIR) + "/tests/pgn_scan/world-championship-2023-game1.pgn");
}
constexpr char kChampionshipEnd[] = "8/3b1kp1/5p2/1p5p/1BpN1P1P/P1P1K1P1/8/2n5 b - - 2 49";

// The last eight lines before a sync: the diagram "brd" printed.
std::vector<std::string> BoardLines(EngineSession& engine) {
  const std::vector<std::string> out = engine.Run("brd");
  if (out.size() < 8) return out;
  return std::vector<std::string>(out.end() - 8, out.end());
}

TEST(SessionTools, MissingFilesAreReportedOnceByTheirWindowsNames) {
  struct Case {
    const char* command;
    const char* line;
  };
  const Case cases[] = {
      {"pgneval", "Error opening file c:\\work\\source.pgn..."},
      {"selftest", "Error opening file c:\\work\\chess\\dravelnor\\release\\source.pgn..."},
  };
  EngineSession engine;
  ASSERT_TRUE(Ready(engine));
  for (const Case& c : cases) EXPECT_EQ(engine.Run(c.command), std::vector<std::string>{c.line}) << c.command;
}

// "c:\work\source.pgn" lies under the working directory as work/source.pgn,
// in any case of its folder names; the board ends where the game does.
TEST(SessionTools, PgnevalFindsItsFileAndPlaysTheGame) {
  for (const char* place : {"work/source.pgn", "Work/Source.PGN"}) {
    SCOPED_TRACE(place);
    SessionOptions options;
    options.files.push_back({place, ChampionshipGame()});
    EngineSession engine(options);
    ASSERT_TRUE(Ready(engine));
    EXPECT_EQ(engine.Run("pgneval"), std::vector<std::string>{});
    EXPECT_EQ(BoardLines(engine), Diagram(kChampionshipEnd));
  }
}

TEST(SessionTools, SelftestReadsTheTrainingFileQuietly) {
  SessionOptions options;
  options.files.push_back({"work/chess/dravelnor/release/source.pgn", ChampionshipGame()});
  EngineSession engine(options);
  ASSERT_TRUE(Ready(engine));
  EXPECT_EQ(engine.Run("selftest"), std::vector<std::string>{});
  EXPECT_EQ(BoardLines(engine), Diagram(kChampionshipEnd));
}

TEST(SessionTools, ATooLongMoveTokenEndsTheEngineWithStatusTwo) {
  SessionOptions options;
  options.files.push_back({"work/source.pgn", "[Result \"*\"]\n\n1. e4 Nf6xe4xd5xc6xb7 e5 *\n"});
  EngineSession engine(options);
  ASSERT_TRUE(Ready(engine));
  ASSERT_TRUE(engine.Send("pgneval"));
  const ExitResult exit = engine.WaitExit();
  EXPECT_TRUE(exit.exited);
  EXPECT_EQ(exit.code, 2);
  EXPECT_EQ(LinesWithPrefix(engine.transcript(), "Error parsing"),
            std::vector<std::string>{"Error parsing move (move too long): Nf6xe4xd5xc6xb7..."});
}

// A NUL byte ends a move token like any other byte below the token
// characters: a file cut short by a crash, padded with zeros after its last
// move, is read to that move and reported cut off, by every command that
// scans; and a NUL between two moves loses neither.
TEST(SessionTools, ZeroBytesSeparateMoveTokens) {
  static constexpr char kSplitByZero[] = "[Result \"*\"]\n\n1. e4\0e5 2. Nf3 Nc6 *\n";
  std::string padded = ChampionshipGame();
  padded.erase(padded.rfind(" 1/2-1/2"));
  padded += std::string(4096, '\0');
  struct Case {
    const char* command;
    const char* place;
    std::string text;
    std::vector<std::string> printed;
    std::string fen;
  } cases[] = {
      {"pgneval",
       "work/source.pgn",
       std::string(kSplitByZero, sizeof kSplitByZero - 1),
       {},
       FenAfter("startpos", {"e2e4", "e7e5", "g1f3", "b8c6"})},
      {"pgneval", "work/source.pgn", padded, {"", "Game 1 cut off at the end of the file..."}, kChampionshipEnd},
      {"selftest",
       "work/chess/dravelnor/release/source.pgn",
       padded,
       {"", "Game 1 cut off at the end of the file..."},
       kChampionshipEnd},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.command) + " " + std::to_string(c.text.size()) + " bytes");
    SessionOptions options;
    options.files.push_back({c.place, c.text});
    EngineSession engine(options);
    ASSERT_TRUE(Ready(engine));
    EXPECT_EQ(engine.Run(c.command), c.printed) << engine.TranscriptText();
    EXPECT_EQ(BoardLines(engine), Diagram(c.fen));
  }
}

// A token that names no square (a capture mark, a promotion mark or a piece
// letter alone) is no move: it is reported and the game is left where it
// stands, never finished with a pawn move made up for it.
TEST(SessionTools, ATokenWithoutASquareIsNotRecognised) {
  const std::string before = FenAfter("startpos", {"e2e4", "d7d5"});
  for (const char* token : {"x", ":", "=", "K", "Q"}) {
    SCOPED_TRACE(token);
    SessionOptions options;
    options.files.push_back({"work/source.pgn", std::string("[Result \"*\"]\n\n1. e4 d5 2. ") + token + " *\n"});
    EngineSession engine(options);
    ASSERT_TRUE(Ready(engine));
    EXPECT_EQ(engine.Run("pgneval"), (std::vector<std::string>{"", std::string("Can't recognize: ") + token + "..."}));
    EXPECT_EQ(BoardLines(engine), Diagram(before));
  }
}

constexpr char kTrainingPlace[] = "work/chess/dravelnor/release/source.pgn";
constexpr char kTrainingMissing[] = "Error opening file c:\\work\\chess\\dravelnor\\release\\source.pgn...";

// With its training file the run scores the file, then tries the first
// parameter of its list with a step its magnitude allows; a success is
// logged in the working directory.
TEST(SessionTools, TunenewStartsWithTheFirstParameterOfItsList) {
  SessionOptions options;
  options.files.push_back({kTrainingPlace, ChampionshipGame()});
  EngineSession engine(options);
  ASSERT_TRUE(Ready(engine));
  ASSERT_TRUE(engine.Send("tunenew"));
  const WaitResult first = engine.WaitForRegex("(Success|Fail), score = [0-9]+");
  ASSERT_TRUE(first.matched) << engine.TranscriptText();
  const std::vector<std::string> lines = first.before();
  ASSERT_EQ(lines.size(), 2u) << engine.TranscriptText();
  std::smatch m;
  ASSERT_TRUE(
      std::regex_match(lines[0], m, std::regex(R"(Tuning knight_opening_ah\[6\] \[(-?[0-9]+)\], best score = [0-9]+)")))
      << lines[0];
  const int start = std::stoi(m[1].str());
  EXPECT_NE(lines[0], "Tuning knight_opening_ah[6] [" + std::to_string(start) + "], best score = 0")
      << "the game has hits";
  ASSERT_TRUE(std::regex_match(lines[1], m, std::regex(R"(Trying knight_opening_ah\[6\] = (-?[0-9]+))"))) << lines[1];
  const int tried = std::stoi(m[1].str());
  EXPECT_GE(tried - start, 1);
  EXPECT_LE(tried - start, std::abs(start) / 4 + 1);
  if (StartsWith(first.match(), "Success")) {
    // The run goes on meanwhile: the log's first line is this success.
    const std::string log = engine.ReadFile("tune.log");
    EXPECT_EQ(log.substr(0, log.find('\n') + 1), "knight_opening_ah[6] = " + std::to_string(tried) + " (" +
                                                     first.match().substr(first.match().rfind(' ') + 1) + ")\n");
  }
}

// Without a training file to read (none, or a name that is no regular file)
// no try means anything: the run reports the file once and ends, with
// nothing logged, and the engine answers at once. "t" alone selects the
// same run; "selftest" and "pgneval" report their files once too.
TEST(SessionTools, ToolsWithoutAFileToReadReportItOnceAndEnd) {
  struct Place {
    const char* what;
    std::vector<SpecialFile> entries;
  };
  const Place places[] = {
      {"no file", {}},
      {"FIFOs", {{SpecialFile::FIFO, kTrainingPlace, ""}, {SpecialFile::FIFO, "work/source.pgn", ""}}},
      {"folders", {{SpecialFile::FOLDER, kTrainingPlace, ""}, {SpecialFile::FOLDER, "work/source.pgn", ""}}},
      {"links to a device",
       {{SpecialFile::SYMBOLIC_LINK, kTrainingPlace, "/dev/null"},
        {SpecialFile::SYMBOLIC_LINK, "work/source.pgn", "/dev/null"}}},
  };
  struct Command {
    const char* line;
    const char* report;
  };
  const Command commands[] = {
      {"tunenew", kTrainingMissing},
      {"t", kTrainingMissing},
      {"selftest", kTrainingMissing},
      {"pgneval", "Error opening file c:\\work\\source.pgn..."},
  };
  for (const Place& place : places) {
    SCOPED_TRACE(place.what);
    SessionOptions options;
    options.special_files = place.entries;
    EngineSession engine(options);
    ASSERT_TRUE(Ready(engine)) << engine.error();
    for (const Command& c : commands) {
      SCOPED_TRACE(c.line);
      ASSERT_TRUE(engine.Send(c.line));
      const WaitResult answer = engine.Sync(5000);
      ASSERT_TRUE(answer.matched) << "no readyok; the last lines: "
                                  << Join(std::vector<std::string>(
                                         answer.lines.end() - std::min<size_t>(answer.lines.size(), 6),
                                         answer.lines.end()));
      EXPECT_EQ(answer.before(), std::vector<std::string>{c.report});
    }
    bool logged = true;
    engine.ReadFile("tune.log", &logged);
    EXPECT_FALSE(logged);
    const std::vector<std::string> perft = engine.Run("perft 1");
    ASSERT_EQ(perft.size(), 1u);
    EXPECT_TRUE(StartsWith(perft[0], "total moves = 20 ")) << perft[0];
  }
}

// A training file that goes away during a run ends it at the next try,
// reported once; the parameter tried goes back to its value kept.
TEST(SessionTools, TunenewEndsWhenItsTrainingFileGoesAway) {
  SessionOptions options;
  options.files.push_back({kTrainingPlace, ChampionshipGame()});
  EngineSession engine(options);
  ASSERT_TRUE(Ready(engine));
  ASSERT_TRUE(engine.Send("tunenew"));
  ASSERT_TRUE(engine.WaitForPrefix("Tuning knight_opening_ah[6]").matched) << engine.TranscriptText();
  ASSERT_EQ(std::remove((engine.directory() + "/" + kTrainingPlace).c_str()), 0);
  const WaitResult end = engine.Sync(30000);
  ASSERT_TRUE(end.matched) << engine.TranscriptText();
  // The try that met the missing file was the last.
  const std::vector<std::string> lines = end.before();
  ASSERT_GE(lines.size(), 2u);
  EXPECT_EQ(lines.back(), kTrainingMissing);
  EXPECT_TRUE(StartsWith(lines[lines.size() - 2], "Trying ")) << lines[lines.size() - 2];
  EXPECT_EQ(LinesWithPrefix(lines, "Error opening file").size(), 1u);
}

}  // namespace
