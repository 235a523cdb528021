// The xboard edit and analyze modes in real sessions: an edit block sent in
// one write, and the commands the analysis takes during and between its
// searches, each change of position seen in the thinking lines that follow.
#include <gtest/gtest.h>

#include <regex>
#include <string>
#include <vector>

#include "session_harness.h"

using namespace session;

namespace {

testing::AssertionResult XboardReady(EngineSession& engine) {
  const testing::AssertionResult ready = Ready(engine);
  if (!ready) return ready;
  for (const char* line : {"xboard", "new", "easy", "post"}) {
    const std::vector<std::string> out = engine.Run(line);
    if (!out.empty()) return testing::AssertionFailure() << line << " printed:\n" << Join(out);
  }
  return testing::AssertionSuccess();
}

// The first move of a thinking line ("depth score time nodes move ..."), or
// "" for any other line.
std::string ThinkingMove(const std::string& line) {
  static const std::regex thinking(R"([0-9]+ -?[0-9]+ [0-9]+ [0-9]+ ([a-h][1-8][a-h][1-8][qrbn]?)( .*)?)");
  std::smatch match;
  return std::regex_match(line, match, thinking) ? match[1].str() : "";
}

// Waits for the analysis of the position after moves: the first thinking
// line whose move is legal there. Lines of the position searched before
// (legal after before) may come first, and the result line of a finished
// game searched before; nothing else may.
void WaitAnalysisOf(EngineSession& engine, const std::vector<std::string>& moves,
                    const std::vector<std::string>& before) {
  const WaitResult result = engine.WaitFor([&](const std::string& line) {
    const std::string move = ThinkingMove(line);
    return !move.empty() && IsLegalIn("startpos", moves, move);
  });
  ASSERT_TRUE(result.matched) << "no analysis after " << Join(moves) << ":\n" << engine.TranscriptText();
  for (const std::string& line : result.before()) {
    if (StartsWith(line, "1/2-1/2 {") || StartsWith(line, "1-0 {") || StartsWith(line, "0-1 {")) continue;
    const std::string move = ThinkingMove(line);
    EXPECT_TRUE(!move.empty() && IsLegalIn("startpos", before, move)) << line;
  }
}

// After "exit": "brd" shows the position after moves, behind the last
// thinking lines of the analysis.
void ExpectBoardAfterAnalysis(EngineSession& engine, const std::vector<std::string>& moves) {
  const std::vector<std::string> board = engine.Run("brd");
  const std::vector<std::string> diagram = Diagram(FenAfter("startpos", moves));
  ASSERT_GE(board.size(), diagram.size());
  EXPECT_EQ(Join(std::vector<std::string>(board.end() - long(diagram.size()), board.end())), Join(diagram));
}

TEST(SessionModes, EditBlockInOneWriteThenCommands) {
  EngineSession engine;
  ASSERT_TRUE(XboardReady(engine));
  ASSERT_TRUE(engine.SendRaw("edit\n#\nKe1\nRh1\nRa1\nPe2\nxa1\nc\nKe8\nRa8\nNb8\n.\nmvd\n"));
  ASSERT_TRUE(engine.WaitForLine("castling flags = 9").matched) << engine.TranscriptText();
  EXPECT_EQ(Join(engine.Run("brd")), Join(Diagram("rn2k3/8/8/8/8/8/4P3/4K2R w - - 0 1")));
  // The edited position plays on: white to move, every reply legal.
  const std::vector<std::string> legal = LegalMovesIn("rn2k3/8/8/8/8/8/4P3/4K2R w K q - 0 1");
  EXPECT_EQ(LinesWithPrefix(engine.Run("perft 1"), "total moves = "),
            std::vector<std::string>{"total moves = " + std::to_string(legal.size()) + " time = 0.00"});
}

TEST(SessionModes, AnalysisFollowsMovesUndoAndNewGivenDuringTheSearch) {
  EngineSession engine;
  ASSERT_TRUE(XboardReady(engine));
  ASSERT_TRUE(engine.Send("analyze"));
  WaitAnalysisOf(engine, {}, {});
  ASSERT_TRUE(engine.Send("e2e4"));
  WaitAnalysisOf(engine, {"e2e4"}, {});
  ASSERT_TRUE(engine.Send("e7e5"));
  WaitAnalysisOf(engine, {"e2e4", "e7e5"}, {"e2e4"});
  ASSERT_TRUE(engine.Send("undo"));
  WaitAnalysisOf(engine, {"e2e4"}, {"e2e4", "e7e5"});
  ASSERT_TRUE(engine.Send("new"));
  WaitAnalysisOf(engine, {}, {"e2e4"});
  ASSERT_TRUE(engine.Send("d2d4"));
  WaitAnalysisOf(engine, {"d2d4"}, {});
  // An illegal move is refused and the position stays.
  ASSERT_TRUE(engine.Send("d4d6"));
  ASSERT_TRUE(engine.WaitForLine("Illegal move: d4d6").matched) << engine.TranscriptText();
  ASSERT_TRUE(engine.Send("exit"));
  // Out of the mode the interpreter answers again.
  ExpectBoardAfterAnalysis(engine, {"d2d4"});
}

TEST(SessionModes, BetweenSearchesTheLoopTakesLines) {
  EngineSession engine;
  ASSERT_TRUE(XboardReady(engine));
  // Stalemate: every search ends at once and the loop reads a line.
  EXPECT_TRUE(engine.Run("loadfen 7k/5Q2/6K1/8/8/8/8/8 b - - 0 1").empty());
  ASSERT_TRUE(engine.Send("analyze"));
  ASSERT_TRUE(engine.Send("."));
  ASSERT_TRUE(engine.WaitForLine("stat01: 0 0 0 0 0").matched) << engine.TranscriptText();
  ASSERT_TRUE(engine.Send("h8g8"));
  ASSERT_TRUE(engine.WaitForLine("Illegal move: h8g8").matched) << engine.TranscriptText();
  ASSERT_TRUE(engine.Send("new"));
  WaitAnalysisOf(engine, {}, {});
  // "?" stops the search; the loop then waits for a line.
  ASSERT_TRUE(engine.Send("?"));
  ASSERT_TRUE(engine.Send("e2e4"));
  ASSERT_TRUE(engine.WaitForLine("move maked...").matched) << engine.TranscriptText();
  WaitAnalysisOf(engine, {"e2e4"}, {});
  ASSERT_TRUE(engine.Send("?"));
  ASSERT_TRUE(engine.Send("undo"));
  WaitAnalysisOf(engine, {}, {"e2e4"});
  ASSERT_TRUE(engine.Send("?"));
  ASSERT_TRUE(engine.Send("exit"));
  EXPECT_EQ(engine.Run("mvd"), std::vector<std::string>{"castling flags = 15"});
}

// The thinking lines of an analysis, each with its whole principal variation
// legal from the position after moves.
void ExpectAnalysisLegal(const std::vector<std::string>& lines, const std::vector<std::string>& moves) {
  for (const std::string& line : lines) {
    if (ThinkingMove(line).empty()) continue;
    const std::vector<std::string> words = Split(line);
    std::vector<std::string> played = moves;
    for (size_t i = 4; i < words.size(); i++) {
      ASSERT_TRUE(IsLegalIn("startpos", played, words[i])) << words[i] << " in " << line;
      played.push_back(words[i]);
    }
  }
}

// An edit block that describes a position loadfen refuses is refused with
// loadfen's message; the game before it stays, board and history, for the
// analysis and for the engine's own move.
struct RefusedEditCase {
  const char* name;
  const char* block;  // after "edit", up to and including "."
  const char* message;
};

void PrintTo(const RefusedEditCase& c, std::ostream* os) { *os << c.name; }

class SessionModesRefusedEdit : public testing::TestWithParam<RefusedEditCase> {};

TEST_P(SessionModesRefusedEdit, KeepsTheGameBeforeIt) {
  const RefusedEditCase& c = GetParam();
  EngineSession engine;
  ASSERT_TRUE(XboardReady(engine));
  const std::vector<std::string> game = {"e2e4", "e7e5"};
  for (const char* line : {"force", "e2e4", "e7e5"}) EXPECT_EQ(Join(engine.Run(line)), "") << line;

  ASSERT_TRUE(engine.SendRaw(std::string("edit\n") + c.block));
  const WaitResult refused = engine.WaitForPrefix("Illegal position");
  ASSERT_TRUE(refused.matched) << engine.TranscriptText();
  EXPECT_EQ(refused.match(), c.message);
  EXPECT_EQ(Join(engine.Run("brd")), Join(Diagram(FenAfter("startpos", game))));

  // The analysis searches the game's position.
  ASSERT_TRUE(engine.Send("analyze"));
  WaitAnalysisOf(engine, game, game);
  ASSERT_TRUE(engine.Send("exit"));
  ExpectAnalysisLegal(engine.Sync().lines, game);
  EXPECT_EQ(Join(engine.Run("brd")), Join(Diagram(FenAfter("startpos", game))));

  // The history is the game's: "undo" takes back e7e5, and the engine's
  // move for black is legal there.
  EXPECT_EQ(Join(engine.Run("undo")), "");
  EXPECT_EQ(Join(engine.Run("brd")), Join(Diagram(FenAfter("startpos", {"e2e4"}))));
  EXPECT_EQ(Join(engine.Run("sd 3")), "");
  ASSERT_TRUE(engine.Send("go"));
  const WaitResult move = engine.WaitForPrefix("move ");
  ASSERT_TRUE(move.matched) << engine.TranscriptText();
  const std::string reply = Split(move.match())[1];
  EXPECT_TRUE(IsLegalIn("startpos", {"e2e4"}, reply)) << move.match();
  EXPECT_EQ(Join(engine.Run("brd")), Join(Diagram(FenAfter("startpos", {"e2e4", reply}))));
  ASSERT_TRUE(engine.Send("quit"));
  EXPECT_EQ(engine.WaitExit().code, 0) << engine.StandardError();
}

const RefusedEditCase kRefusedEditCases[] = {
    {"NoBlackKing", "#\nKe1\nQd1\n.\n", "Illegal position: each side needs exactly one king"},
    {"NoKingAtAll", "#\nQd1\nc\nRa8\n.\n", "Illegal position: each side needs exactly one king"},
    // White to move, as the game left it.
    {"BlackInCheck", "#\nKe1\nRe7\nc\nKe8\n.\n", "Illegal position: the side not to move is in check"},
    {"BlackInDoubleCheck", "#\nKe1\nQe2\nRa8\nc\nKe8\nPd7\n.\n", "Illegal position: the side not to move is in check"},
    {"PawnOnTheLastRank", "#\nKe1\nPa8\nc\nKe8\n.\n", "Illegal position: a pawn stands on the first or last rank"},
};

INSTANTIATE_TEST_SUITE_P(Cases, SessionModesRefusedEdit, testing::ValuesIn(kRefusedEditCases),
                         [](const testing::TestParamInfo<RefusedEditCase>& info) { return info.param.name; });

// An illegal move typed during the analysis is refused and the analysis
// goes on with the position unchanged: "." shows the running search.
TEST(SessionModes, AnalysisGoesOnAfterAnIllegalMove) {
  EngineSession engine;
  ASSERT_TRUE(XboardReady(engine));
  ASSERT_TRUE(engine.Send("analyze"));
  WaitAnalysisOf(engine, {}, {});
  ASSERT_TRUE(engine.Send("e2e5"));
  ASSERT_TRUE(engine.WaitForLine("Illegal move: e2e5").matched) << engine.TranscriptText();
  ASSERT_TRUE(engine.Send("."));
  const WaitResult status = engine.WaitForPrefix("stat01: ");
  ASSERT_TRUE(status.matched) << engine.TranscriptText();
  EXPECT_TRUE(std::regex_match(status.match(),
                               std::regex(R"(stat01: [0-9]+ [1-9][0-9]* [0-9]+ -?[0-9]+ [0-9]+ [a-h][1-8][a-h][1-8])")))
      << status.match();
  EXPECT_EQ(Split(status.match())[5], std::to_string(LegalMovesIn("startpos").size() + 1)) << status.match();
  // The position is still the start: a move from it is taken.
  ASSERT_TRUE(engine.Send("e2e4"));
  WaitAnalysisOf(engine, {"e2e4"}, {});
  ASSERT_TRUE(engine.Send("exit"));
  ExpectBoardAfterAnalysis(engine, {"e2e4"});
}

// "isready" is answered whether the analysis is searching or has been
// stopped ("?", "stop") and waits for a line between its searches.
TEST(SessionModes, AnalysisAnswersIsreadyStoppedOrSearching) {
  for (const char* stop : {"", "?", "stop"}) {
    SCOPED_TRACE(stop);
    EngineSession engine;
    ASSERT_TRUE(XboardReady(engine));
    ASSERT_TRUE(engine.Send("analyze"));
    WaitAnalysisOf(engine, {}, {});
    if (*stop) ASSERT_TRUE(engine.Send(stop));
    for (int i = 0; i < 2; i++) {
      ASSERT_TRUE(engine.Send("isready"));
      ASSERT_TRUE(engine.WaitForLine("readyok", 5000).matched) << engine.TranscriptText();
    }
    ASSERT_TRUE(engine.Send("exit"));
    ExpectBoardAfterAnalysis(engine, {});
  }
}

TEST(SessionModes, TheModesEndWithTheInput) {
  struct Case {
    const char* name;
    std::vector<std::string> lines;
  };
  const std::vector<Case> cases = {
      {"analysis searching", {"analyze"}},
      // A clock does not limit an analysis: only the end of input can.
      {"analysis searching with a clock set", {"time 6000", "otim 6000", "analyze"}},
      {"analysis of a stalemate", {"loadfen 7k/5Q2/6K1/8/8/8/8/8 b - - 0 1", "analyze"}},
      {"analysis stopped", {"analyze", "?"}},
      {"edit", {"edit", "#", "Ke1", "c", "Ke8"}},
      {"quit between searches", {"loadfen 7k/5Q2/6K1/8/8/8/8/8 b - - 0 1", "analyze", "quit"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EngineSession engine;
    ASSERT_TRUE(XboardReady(engine));
    for (const std::string& line : c.lines) ASSERT_TRUE(engine.Send(line));
    engine.CloseInput();
    const ExitResult exit = engine.WaitExit();
    EXPECT_TRUE(exit.exited) << engine.TranscriptText();
    EXPECT_EQ(exit.code, 0);
  }
}

}  // namespace
