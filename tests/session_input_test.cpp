// Hostile and unusual input: overlong lines, lines of thousands of tokens,
// CRLF line ends, lines split over many writes or packed into one, bytes of
// any value, and move lists longer than a game can be.
#include <gtest/gtest.h>

#include <regex>
#include <string>
#include <thread>
#include <vector>

#include "board/board.h"
#include "interface/input.h"
#include "session_harness.h"

using namespace session;

namespace {

// Writes in pieces with a pause between them, so that the engine reads the
// text in several chunks.
bool SendInPieces(EngineSession& engine, const std::string& text, size_t piece) {
  for (size_t at = 0; at < text.size(); at += piece) {
    if (!engine.SendRaw(text.substr(at, piece))) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  return true;
}

// "perft 1", blanks, "perft 1": any piece of it that the engine handled as
// a line of its own would print a perft count (keywords skip leading
// blanks).
std::string PerftLine(size_t length) {
  std::string line = "perft 1";
  line += std::string(length - 14, ' ');
  return line + "perft 1";
}

struct LongLineCase {
  const char* name;
  size_t length;
  size_t piece;  // write size; 0: all at once
  bool handled;  // short enough to be a command
};

void PrintTo(const LongLineCase& c, std::ostream* os) { *os << c.name; }

class SessionLongLine : public testing::TestWithParam<LongLineCase> {};

TEST_P(SessionLongLine, OverlongLinesAreDroppedWholeAndTheNextLineWorks) {
  const LongLineCase& c = GetParam();
  EngineSession engine;
  ASSERT_TRUE(Ready(engine));
  const std::string text = PerftLine(c.length) + "\n";
  ASSERT_TRUE(c.piece ? SendInPieces(engine, text, c.piece) : engine.SendRaw(text));
  const std::vector<std::string> out = engine.Run("perft 2");
  ASSERT_EQ(out.size(), 2u) << Join(out);
  if (c.handled) {
    EXPECT_TRUE(StartsWith(out[0], "total moves = 20 ")) << out[0];
  } else {
    // Refused, and said so.
    EXPECT_EQ(out[0], "Line too long (over " + std::to_string(MAX_INPUT_LINE) +
                          " characters), ignored: perft 1                                 ...");
  }
  EXPECT_TRUE(StartsWith(out.back(), "total moves = 400 ")) << out.back();
}

const LongLineCase kLongLineCases[] = {
    {"FourThousandHandled", 4000, 0, true},
    {"FourThousandInPiecesHandled", 4000, 700, true},
    {"LongestHandled", MAX_INPUT_LINE, 0, true},
    {"LongestInPiecesHandled", MAX_INPUT_LINE, 3000, true},
    {"OneLongerRefused", MAX_INPUT_LINE + 1, 0, false},
    {"LongerInPiecesRefused", MAX_INPUT_LINE + 1000, 1000, false},
    {"HundredThousandRefused", 100000, 0, false},
    {"HundredThousandInPiecesRefused", 100000, 4096, false},
};

INSTANTIATE_TEST_SUITE_P(Cases, SessionLongLine, testing::ValuesIn(kLongLineCases),
                         [](const testing::TestParamInfo<LongLineCase>& info) { return info.param.name; });

// Thousands of tokens on a line below the length limit: the first ones
// still count, the rest is harmless.
TEST(SessionInput, LinesOfThousandsOfTokens) {
  EngineSession engine;
  ASSERT_TRUE(Ready(engine));
  std::string many;
  for (int i = 0; i < 2200; i++) many += " a";
  EXPECT_EQ(Join(engine.Run("position startpos moves e2e4" + many)), "");
  EXPECT_EQ(Join(engine.Run("brd")), Join(Diagram(FenAfter("startpos", {"e2e4"}))));
  EXPECT_EQ(Join(engine.Run("setoption name Aggressivity value 200" + many)), "");
  EXPECT_NE(Join(engine.Run("uci" + many)).find("Aggressivity type spin min 0 max 300 default 200\n"),
            std::string::npos);
  // One token of thousands of characters.
  EXPECT_EQ(Join(engine.Run("position startpos moves " + std::string(3000, 'e'))), "");
  EXPECT_EQ(Join(engine.Run("brd")), Join(Diagram("startpos")));
  EXPECT_EQ(Join(engine.Run("setoption name " + std::string(3000, 'H') + " value 1")), "");
  // A search with thousands of unknown sub-keys behind its limit.
  ASSERT_TRUE(engine.Send("go depth 2" + many));
  const WaitResult answer = engine.WaitForPrefix("bestmove ");
  ASSERT_TRUE(answer.matched) << engine.TranscriptText();
  EXPECT_TRUE(IsLegalIn("startpos", {}, Split(answer.match())[1])) << answer.match();
}

// A '\r' before the '\n' becomes a blank: commands work as without it.
TEST(SessionInput, CrlfLineEnds) {
  EngineSession engine;
  ASSERT_TRUE(Ready(engine));
  ASSERT_TRUE(engine.SendRaw("uci\r\n"));
  const WaitResult uci = engine.WaitForLine("uciok");
  ASSERT_TRUE(uci.matched) << engine.TranscriptText();
  EXPECT_EQ(uci.lines.size(), 13u);
  ASSERT_TRUE(engine.SendRaw("isready\r\n"));
  EXPECT_TRUE(engine.WaitForLine("readyok").matched);

  struct Case {
    const char* text;
    std::vector<std::string> expected;
  };
  const Case cases[] = {
      {"position startpos moves e2e4 e7e5\r\n", {}},
      {"brd\r\n", Diagram(FenAfter("startpos", {"e2e4", "e7e5"}))},
      {"position startpos\r\n", {}},
      {"setoption name Defensivity value 33\r\n", {}},
      // A name ends before the '\r'.
      {"setoption name OpeningsBook value none.vop\r\n", {"Error opening \"none.vop\"!"}},
      {"force\r\n", {}},
      {"e2e5\r\n", {"Illegal move: e2e5"}},
      {"d2d4\r\n", {}},
      {"brd\r\n", Diagram(FenAfter("startpos", {"d2d4"}))},
      {"mvd\r\n", {"castling flags = 15"}},
      {"\r\n", {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    ASSERT_TRUE(engine.SendRaw(c.text));
    EXPECT_EQ(Join(engine.Sync().before()), Join(c.expected));
  }
  ASSERT_TRUE(engine.SendRaw("uci\r\n"));
  const WaitResult again = engine.WaitForLine("uciok");
  const std::vector<std::string> defensivity = LinesWithPrefix(again.lines, "option name Defensivity");
  ASSERT_EQ(defensivity.size(), 1u) << engine.TranscriptText();
  EXPECT_EQ(defensivity[0], "option name Defensivity type spin min 0 max 300 default 33");
  ASSERT_TRUE(engine.SendRaw("quit\r\n"));
  EXPECT_EQ(engine.WaitExit().code, 0);
}

// An xboard game over CR LF: "go" keeps the clock that "time" set, as it
// does without the '\r' (the blank it leaves once made "go" drop the clock,
// and the engine thought for ever).
TEST(SessionInput, CrlfXboardGoKeepsTheClock) {
  EngineSession engine;
  ASSERT_TRUE(Ready(engine));
  for (const char* line :
       {"xboard\r\n", "new\r\n", "easy\r\n", "level 40 0:05 2\r\n", "time 300\r\n", "otim 300\r\n", "go\r\n"})
    ASSERT_TRUE(engine.SendRaw(line));
  const WaitResult answer = engine.WaitForPrefix("move ", 10000);
  ASSERT_TRUE(answer.matched) << engine.TranscriptText();
  EXPECT_TRUE(IsLegalIn("startpos", {}, Split(answer.match())[1])) << answer.match();
}

// Line ends fall anywhere among the reads: every line is handled once.
TEST(SessionInput, LinesPackedTogetherOrSplitAcrossWrites) {
  EngineSession engine;
  ASSERT_TRUE(Ready(engine));
  std::string packed;
  for (int i = 0; i < 1000; i++) packed += "isready\n";
  ASSERT_TRUE(engine.SendRaw(packed));
  for (int i = 0; i < 1000; i++) {
    const auto line = engine.ReadLine();
    ASSERT_TRUE(line.has_value()) << "readyok number " << i + 1 << " missing";
    ASSERT_EQ(*line, "readyok");
  }
  ASSERT_TRUE(SendInPieces(engine, "perft 2\nisr", 3));
  ASSERT_TRUE(engine.SendRaw("eady\n"));
  const WaitResult split = engine.WaitForLine("readyok");
  ASSERT_TRUE(split.matched);
  ASSERT_EQ(split.before().size(), 1u);
  EXPECT_TRUE(StartsWith(split.before()[0], "total moves = 400 ")) << split.before()[0];
  EXPECT_EQ(Join(engine.Run("")), "");
}

// Bytes of every value but the line feed and NUL, on lines that start with one that
// no command starts with: nothing answers, nothing breaks.
TEST(SessionInput, ArbitraryBytesAreIgnored) {
  EngineSession engine;
  ASSERT_TRUE(Ready(engine));
  uint32_t seed = 12345;
  std::string text;
  for (int line = 0; line < 200; line++) {
    text += '~';
    const int length = int(seed % 300);
    for (int i = 0; i < length; i++) {
      seed = seed * 1103515245u + 12345u;
      char c = char(seed >> 24);
      if (c == '\n' || c == '\0') c = ' ';
      text += c;
    }
    text += '\n';
  }
  ASSERT_TRUE(engine.SendRaw(text));
  EXPECT_EQ(Join(engine.Sync().before()), "");
  EXPECT_EQ(Join(engine.Run("brd")), Join(Diagram("startpos")));
  ASSERT_TRUE(engine.Send("quit"));
  const ExitResult exit = engine.WaitExit();
  EXPECT_TRUE(exit.exited);
  EXPECT_EQ(exit.code, 0);
}

// A NUL byte inside a line must not hide the lines behind it.
TEST(SessionInput, NulByteDoesNotSwallowLaterLines) {
  EngineSession engine;
  ASSERT_TRUE(Ready(engine));
  ASSERT_TRUE(engine.SendRaw(std::string("~ab\0cd\nperft 1\n", 15)));
  const std::vector<std::string> out = engine.Run("perft 2");
  ASSERT_EQ(out.size(), 2u) << Join(out);
  EXPECT_TRUE(StartsWith(out[0], "total moves = 20 ")) << out[0];
  EXPECT_TRUE(StartsWith(out[1], "total moves = 400 ")) << out[1];
}

// A move list longer than the game history holds: the engine keeps going,
// its board is one of the positions the knights' dance passes through, and
// a search from there answers legally (or with no move when the game is too
// long to search).
// A front end sends the whole game in one line: a game as long as the
// history holds is taken whole, so the board, the side to move and the
// answer are those of its last position.
TEST(SessionInput, AWholeGameInOneLine) {
  const std::vector<std::string> dance = {"g1f3", "g8f6", "f3g1", "f6g8"};
  const std::vector<std::string> last = {"e2e4", "e7e5", "d2d4"};
  for (const int plies : {930, MAX_GAME_PLIES - 1}) {
    SCOPED_TRACE(plies);
    EngineSession engine;
    ASSERT_TRUE(Ready(engine));
    EXPECT_NE(Join(engine.Run("uci")).find("uciok\n"), std::string::npos);
    std::vector<std::string> game;
    while (int(game.size()) + int(last.size()) < plies) game.push_back(dance[game.size() % 4]);
    // Moves that no cut of the line could leave on the board.
    while (game.size() % 4 != 0) game.pop_back();
    game.insert(game.end(), last.begin(), last.end());
    std::string line = "position startpos moves";
    for (const std::string& move : game) line += " " + move;
    EXPECT_EQ(Join(engine.Run(line)), "");
    EXPECT_EQ(Join(engine.Run("brd")), Join(Diagram(FenAfter("startpos", game))));
    ASSERT_TRUE(engine.Send("go depth 3"));
    const WaitResult answer = engine.WaitForPrefix("bestmove ");
    ASSERT_TRUE(answer.matched) << engine.TranscriptText();
    EXPECT_TRUE(IsLegalIn("startpos", game, Split(answer.match())[1])) << answer.match();
  }
}

// The poll of a running search takes the longest line whole too, and
// refuses a longer one with the same message; the search goes on.
TEST(SessionInput, LongLinesDuringASearch) {
  EngineSession engine;
  ASSERT_TRUE(Ready(engine));
  EXPECT_NE(Join(engine.Run("uci")).find("uciok\n"), std::string::npos);
  ASSERT_TRUE(engine.Send("go infinite"));
  ASSERT_TRUE(engine.WaitForPrefix("info depth").matched) << engine.TranscriptText();
  // "isready" with blanks up to the length: one answer, then the search goes on.
  const std::string longest = "isready" + std::string(size_t(MAX_INPUT_LINE) - 7, ' ');
  ASSERT_TRUE(engine.SendRaw(longest + "\n"));
  ASSERT_TRUE(engine.WaitForLine("readyok").matched) << engine.TranscriptText();
  ASSERT_TRUE(engine.SendRaw(longest + " \n"));
  const WaitResult refused = engine.WaitForPrefix("info string Line too long");
  ASSERT_TRUE(refused.matched) << engine.TranscriptText();
  EXPECT_EQ(refused.match(), "info string Line too long (over " + std::to_string(MAX_INPUT_LINE) +
                                 " characters), ignored: isready" + std::string(33, ' ') + "...");
  ASSERT_TRUE(engine.Send("stop"));
  const WaitResult answer = engine.WaitForPrefix("bestmove ");
  ASSERT_TRUE(answer.matched) << engine.TranscriptText();
  EXPECT_TRUE(IsLegalIn("startpos", {}, Split(answer.match())[1])) << answer.match();
  // Nothing of the refused line answered (the other answers: start-up, "uci"
  // and the longest line); the next line is read as usual.
  EXPECT_EQ(LinesWithPrefix(engine.transcript(), "readyok").size(), 3u) << engine.TranscriptText();
  EXPECT_TRUE(engine.Sync().matched);
}

TEST(SessionInput, MoveListLongerThanAGame) {
  EngineSession engine;
  ASSERT_TRUE(Ready(engine));
  const std::vector<std::string> dance = {"g1f3", "g8f6", "f3g1", "f6g8"};
  std::string line = "position startpos moves";
  int plies = 0;
  while (line.size() + 5 < 4500) line += " " + dance[plies++ % 4];
  ASSERT_GT(plies, 800);
  EXPECT_NE(Join(engine.Run("uci")).find("uciok\n"), std::string::npos);
  EXPECT_EQ(Join(engine.Run(line)), "");

  const std::string board = Join(engine.Run("brd"));
  std::vector<std::string> played;
  bool known = false;
  for (int k = 0; k < 4 && !known; k++) {
    played.assign(dance.begin(), dance.begin() + k);
    known = board == Join(Diagram(FenAfter("startpos", played)));
  }
  ASSERT_TRUE(known) << board;
  ASSERT_TRUE(engine.Send("go depth 2"));
  const WaitResult answer = engine.WaitForPrefix("bestmove ");
  ASSERT_TRUE(answer.matched) << engine.TranscriptText();
  const std::string best = Split(answer.match())[1];
  EXPECT_TRUE(best == "0000" || IsLegalIn("startpos", played, best)) << answer.match();
  EXPECT_EQ(Join(engine.Run("stop")), "");
}

}  // namespace
