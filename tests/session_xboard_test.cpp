// xboard dialogues: typed moves and the engine's answers, force mode, going
// back, illegal moves.
#include <gtest/gtest.h>

#include <regex>
#include <string>
#include <vector>

#include "session_harness.h"

using namespace session;

namespace {

// xboard mode, a new game, no pondering (so that the lines after the
// engine's move reach the interpreter) and short searches.
testing::AssertionResult XboardReady(EngineSession& engine) {
  const testing::AssertionResult ready = Ready(engine);
  if (!ready) return ready;
  for (const char* line : {"xboard", "new", "easy", "sd 3"}) {
    const std::vector<std::string> out = engine.Run(line);
    if (!out.empty()) return testing::AssertionFailure() << line << " printed:\n" << Join(out);
  }
  return testing::AssertionSuccess();
}

// The engine's move after a line that starts its search; the lines before
// it must be thinking lines ("depth score time nodes pv").
std::string WaitMove(EngineSession& engine) {
  const WaitResult result = engine.WaitForPrefix("move ");
  EXPECT_TRUE(result.matched) << engine.TranscriptText();
  if (!result.matched) return "";
  const std::regex thinking(R"([0-9]+ -?[0-9]+ [0-9]+ [0-9]+( .*)?)");
  for (const std::string& line : result.before()) EXPECT_TRUE(std::regex_match(line, thinking)) << line;
  const std::vector<std::string> words = Split(result.match());
  EXPECT_EQ(words.size(), 2u) << result.match();
  return words.size() == 2 ? words[1] : "";
}

// A legal move for the side to move: the first of preferred that is legal,
// else the first legal move.
std::string PickReply(const std::vector<std::string>& moves, std::vector<std::string> preferred) {
  const std::vector<std::string> legal = LegalMovesIn("startpos", moves);
  for (const std::string& move : preferred)
    for (const std::string& candidate : legal)
      if (candidate == move) return move;
  return legal.empty() ? "" : legal[0];
}

TEST(SessionXboard, TypedMovesAreAnsweredWithLegalMoves) {
  EngineSession engine;
  ASSERT_TRUE(XboardReady(engine));
  std::vector<std::string> game;
  const std::vector<std::string> ours = {"e2e4", "d2d4", "g1f3", "f1c4", "b1c3"};
  for (int turn = 0; turn < 3; turn++) {
    const std::string mine = PickReply(game, ours);
    ASSERT_FALSE(mine.empty());
    ASSERT_TRUE(engine.Send(mine));
    game.push_back(mine);
    const std::string reply = WaitMove(engine);
    ASSERT_TRUE(IsLegalIn("startpos", game, reply)) << reply << " after " << Join(game);
    game.push_back(reply);
  }
  EXPECT_EQ(Join(engine.Run("brd")), Join(Diagram(FenAfter("startpos", game))));
}

TEST(SessionXboard, GoMovesForTheSideToMove) {
  EngineSession engine;
  ASSERT_TRUE(XboardReady(engine));
  std::vector<std::string> game;
  ASSERT_TRUE(engine.Send("go"));
  const std::string first = WaitMove(engine);
  ASSERT_TRUE(IsLegalIn("startpos", game, first)) << first;
  game.push_back(first);
  // The engine now plays white: a black move is answered by a white one.
  const std::string mine = PickReply(game, {"e7e5", "d7d5", "g8f6"});
  ASSERT_TRUE(engine.Send(mine));
  game.push_back(mine);
  const std::string second = WaitMove(engine);
  ASSERT_TRUE(IsLegalIn("startpos", game, second)) << second << " after " << Join(game);
  game.push_back(second);
  EXPECT_EQ(Join(engine.Run("brd")), Join(Diagram(FenAfter("startpos", game))));
}

TEST(SessionXboard, ForceModeOnlyPlaysAndUndoRemoveTakeBack) {
  EngineSession engine;
  ASSERT_TRUE(XboardReady(engine));
  // Nothing to take back in a new game.
  EXPECT_EQ(Join(engine.Run("undo")), "");
  EXPECT_EQ(Join(engine.Run("remove")), "");
  EXPECT_EQ(Join(engine.Run("brd")), Join(Diagram("startpos")));

  EXPECT_EQ(Join(engine.Run("force")), "");
  std::vector<std::string> game = {"e2e4", "e7e5", "g1f3"};
  for (const std::string& move : game) EXPECT_EQ(Join(engine.Run(move)), "") << move;
  EXPECT_EQ(Join(engine.Run("brd")), Join(Diagram(FenAfter("startpos", game))));

  // "go" leaves force mode and answers for black.
  ASSERT_TRUE(engine.Send("go"));
  const std::string reply = WaitMove(engine);
  ASSERT_TRUE(IsLegalIn("startpos", game, reply)) << reply;
  game.push_back(reply);
  EXPECT_EQ(Join(engine.Run("brd")), Join(Diagram(FenAfter("startpos", game))));

  EXPECT_EQ(Join(engine.Run("undo")), "");
  game.pop_back();
  EXPECT_EQ(Join(engine.Run("brd")), Join(Diagram(FenAfter("startpos", game)))) << "after undo";

  EXPECT_EQ(Join(engine.Run("remove")), "");
  game.resize(1);
  EXPECT_EQ(Join(engine.Run("brd")), Join(Diagram(FenAfter("startpos", game)))) << "after remove";

  // One ply left: "remove" takes back just that one.
  EXPECT_EQ(Join(engine.Run("remove")), "");
  EXPECT_EQ(Join(engine.Run("brd")), Join(Diagram("startpos"))) << "after the last remove";
}

TEST(SessionXboard, NewGameAfterMovesStartsAgain) {
  EngineSession engine;
  ASSERT_TRUE(XboardReady(engine));
  // A new game forgets the depth limit too, so it is given again.
  for (const char* line : {"force", "d2d4", "d7d5", "new", "sd 3"}) EXPECT_EQ(Join(engine.Run(line)), "") << line;
  EXPECT_EQ(Join(engine.Run("brd")), Join(Diagram("startpos")));
  // "new" also left force mode: a typed move is answered.
  ASSERT_TRUE(engine.Send("c2c4"));
  EXPECT_TRUE(IsLegalIn("startpos", {"c2c4"}, WaitMove(engine)));
}

// An illegal move is reported with the whole line and changes nothing, in
// force mode and out of it (then no search starts).
TEST(SessionXboard, IllegalMovesAreReportedAndChangeNothing) {
  EngineSession engine;
  ASSERT_TRUE(XboardReady(engine));
  struct Case {
    const char* line;
    bool force;
  };
  const Case cases[] = {
      {"e2e5", true},  {"e1e2", true},  {"e7e5", true}, {"g1g3", true},
      {"E2E5", true},  {"e7e8q", true}, {"e2e5", false}, {"a1a4", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.line);
    EXPECT_EQ(Join(engine.Run(c.force ? "force" : "new")), "");
    EXPECT_EQ(Join(engine.Run(c.line)), std::string("Illegal move: ") + c.line + "\n");
    EXPECT_EQ(Join(engine.Run("brd")), Join(Diagram("startpos")));
  }
  // The game goes on from the start position ("new" forgot the depth limit).
  EXPECT_EQ(Join(engine.Run("sd 3")), "");
  ASSERT_TRUE(engine.Send("e2e4"));
  EXPECT_TRUE(IsLegalIn("startpos", {"e2e4"}, WaitMove(engine)));
}

// Lines that only look like moves are not moves: a leading blank, or a
// rank outside 1..8.
TEST(SessionXboard, MoveShapeIsTakenFromTheFirstFourCharacters) {
  EngineSession engine;
  ASSERT_TRUE(XboardReady(engine));
  for (const char* line : {" e2e4", "e2e9", "i2i4", "e0e4"}) EXPECT_EQ(Join(engine.Run(line)), "") << line;
  EXPECT_EQ(Join(engine.Run("brd")), Join(Diagram("startpos")));
}

}  // namespace
