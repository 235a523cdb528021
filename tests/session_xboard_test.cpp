// xboard dialogues: typed moves and the engine's answers, force mode, going
// back, illegal moves.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <chrono>
#include <regex>
#include <string>
#include <thread>
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

// Quiet plies that repeat no position: the white rook tours the ranks from
// a1 (on each rank b c d e f d e f c b a, then up a rank) while the black
// king steps between g8 and h8, its first step given.
std::vector<std::string> RookTour(int plies, bool black_first) {
  std::vector<std::string> moves;
  const char* king[2] = {"g8", "h8"};
  int king_at = black_first ? 1 : 0;
  auto black = [&] {
    moves.push_back(std::string(king[king_at]) + king[king_at ^ 1]);
    king_at ^= 1;
  };
  if (black_first) black();
  std::string rook = "a1";
  const char* files = "bcdefdefcba";
  for (char rank = '1'; int(moves.size()) < plies; rank++) {
    for (int i = 0; files[i] != '\0' && int(moves.size()) < plies; i++) {
      const std::string to = std::string(1, files[i]) + rank;
      moves.push_back(rook + to);
      rook = to;
      if (int(moves.size()) < plies) black();
    }
    if (int(moves.size()) >= plies) break;
    const std::string up = std::string("a") + char(rank + 1);
    moves.push_back(rook + up);
    rook = up;
    if (int(moves.size()) < plies) black();
  }
  return moves;
}

// The fifty-move draw is claimed from the count of the position on the
// board: not after a capture that reset it, at once after the hundredth
// quiet ply, and never over a mate.
struct FiftyMoveCase {
  const char* name;
  const char* fen;
  int quiet_plies;
  bool black_first;
  const char* last;  // played after the quiet plies ("" none)
  bool claimed;
  const char* result;  // the game-end line instead of a move ("" none)
};

void PrintTo(const FiftyMoveCase& c, std::ostream* os) { *os << c.name; }

class SessionXboardFiftyMoves : public testing::TestWithParam<FiftyMoveCase> {};

TEST_P(SessionXboardFiftyMoves, ClaimFollowsTheCountOnTheBoard) {
  const FiftyMoveCase& c = GetParam();
  EngineSession engine;
  ASSERT_TRUE(XboardReady(engine));
  EXPECT_EQ(Join(engine.Run("force")), "");
  EXPECT_EQ(Join(engine.Run(std::string("loadfen ") + c.fen)), "");
  std::vector<std::string> game = RookTour(c.quiet_plies, c.black_first);
  ASSERT_EQ(int(game.size()), c.quiet_plies);
  if (*c.last) game.push_back(c.last);
  for (size_t i = 0; i < game.size(); i++) {
    ASSERT_TRUE(IsLegalIn(c.fen, std::vector<std::string>(game.begin(), game.begin() + long(i)), game[i]))
        << "ply " << i + 1 << ": " << game[i];
    EXPECT_EQ(Join(engine.Run(game[i])), "") << game[i];
  }
  EXPECT_EQ(Join(engine.Run("sd 4")), "");
  ASSERT_TRUE(engine.Send("go"));
  const WaitResult answer = engine.WaitFor(
      [&](const std::string& line) { return StartsWith(line, "move ") || (*c.result && line == c.result); });
  ASSERT_TRUE(answer.matched) << engine.TranscriptText();
  if (*c.result) {
    EXPECT_EQ(answer.match(), c.result);
  } else {
    EXPECT_TRUE(IsLegalIn(c.fen, game, Split(answer.match())[1])) << answer.match();
  }
  const std::vector<std::string> lines = engine.Sync().lines;
  std::vector<std::string> all = answer.lines;
  all.insert(all.end(), lines.begin(), lines.end());
  const std::string claim = "1/2-1/2 {Draw by the 50-moves rule}";
  EXPECT_EQ(std::count(all.begin(), all.end(), claim), c.claimed ? 1 : 0) << Join(all);
}

const FiftyMoveCase kFiftyMoveCases[] = {
    {"CaptureAfter118QuietPlies", "n5k1/8/8/8/8/8/8/R6K w - - 0 1", 118, false, "a5a8", false, ""},
    {"After99QuietPlies", "n5k1/8/8/8/8/8/8/R6K w - - 0 1", 99, false, "", false, ""},
    {"After100QuietPlies", "n5k1/8/8/8/8/8/8/R6K w - - 0 1", 100, false, "", true, ""},
    {"After101QuietPlies", "n5k1/8/8/8/8/8/8/R6K w - - 0 1", 101, false, "", true, ""},
    // The rook mates on the hundredth quiet ply.
    {"MateOnTheHundredthPly", "7k/8/6K1/8/8/8/8/R7 b - - 0 1", 99, true, "b5b8", false, "1-0 {White mates}"},
};

INSTANTIATE_TEST_SUITE_P(Cases, SessionXboardFiftyMoves, testing::ValuesIn(kFiftyMoveCases),
                         [](const testing::TestParamInfo<FiftyMoveCase>& info) { return info.param.name; });

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
      {"e2e5", true}, {"e1e2", true},  {"e7e5", true},  {"g1g3", true},
      {"E2E5", true}, {"e7e8q", true}, {"e2e5", false}, {"a1a4", false},
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

// A take-back stops at a set-up position. The double step that a FEN's en
// passant square stands for belongs to the set-up: "remove" and "undo" never
// take it back, and the en passant right stays.
TEST(SessionXboard, TakeBackStopsAtTheSetUpPosition) {
  EngineSession engine;
  ASSERT_TRUE(XboardReady(engine));
  const std::string fen = "rnbqkbnr/ppp1p1pp/8/3pPp2/8/8/PPPP1PPP/RNBQKBNR w KQkq f6 0 3";
  for (const std::string& line : {std::string("force"), "loadfen " + fen})
    EXPECT_EQ(Join(engine.Run(line)), "") << line;
  struct Step {
    const char* line;
    std::vector<std::string> moves;  // the game after it, from the FEN
  };
  const Step steps[] = {
      {"undo", {}},
      {"remove", {}},
      {"d1g4", {"d1g4"}},
      {"remove", {}},
      {"remove", {}},
      {"e5f6", {"e5f6"}},  // the en passant capture
      {"undo", {}},
      {"undo", {}},
      {"d1g4", {"d1g4"}},
      {"g8f6", {"d1g4", "g8f6"}},
      {"g4f5", {"d1g4", "g8f6", "g4f5"}},
      {"remove", {"d1g4"}},
      {"remove", {}},
  };
  for (const Step& step : steps) {
    SCOPED_TRACE(step.line);
    EXPECT_EQ(Join(engine.Run(step.line)), "");
    EXPECT_EQ(Join(engine.Run("brd")), Join(Diagram(FenAfter(fen, step.moves))));
  }
  // Back at the set-up position white is to move, with its legal moves.
  EXPECT_EQ(LinesWithPrefix(engine.Run("perft 1"), "total moves = "),
            std::vector<std::string>{"total moves = " + std::to_string(LegalMovesIn(fen).size()) + " time = 0.00"});
  ASSERT_TRUE(engine.Send("go"));
  const std::string reply = WaitMove(engine);
  EXPECT_TRUE(IsLegalIn(fen, {}, reply)) << reply;
}

// Lines that only look like moves are not moves: a leading blank, or a
// rank outside 1..8.
TEST(SessionXboard, MoveShapeIsTakenFromTheFirstFourCharacters) {
  EngineSession engine;
  ASSERT_TRUE(XboardReady(engine));
  for (const char* line : {" e2e4", "e2e9", "i2i4", "e0e4"}) EXPECT_EQ(Join(engine.Run(line)), "") << line;
  EXPECT_EQ(Join(engine.Run("brd")), Join(Diagram("startpos")));
}

// "white" and "black" that would leave the side not to move in check are
// refused as loadfen refuses such a position: the message, then the same
// board, side and history (the search would otherwise capture a king).
struct SideSwitchCase {
  const char* name;
  std::string fen;                 // loaded first ("" for the start position)
  std::vector<std::string> moves;  // then played in force mode
  const char* side;                // the refused switch
};

void PrintTo(const SideSwitchCase& c, std::ostream* os) { *os << c.name; }

class SessionXboardSideSwitch : public testing::TestWithParam<SideSwitchCase> {};

TEST_P(SessionXboardSideSwitch, IntoCheckIsRefusedAndKeepsTheGame) {
  const SideSwitchCase& c = GetParam();
  EngineSession engine;
  ASSERT_TRUE(XboardReady(engine));
  const std::string fen = c.fen.empty() ? "startpos" : c.fen;
  EXPECT_EQ(Join(engine.Run("force")), "");
  if (!c.fen.empty()) {
    EXPECT_EQ(Join(engine.Run("loadfen " + c.fen)), "");
  }
  for (const std::string& move : c.moves) EXPECT_EQ(Join(engine.Run(move)), "") << move;
  const std::string board = Join(Diagram(FenAfter(fen, c.moves)));

  EXPECT_EQ(Join(engine.Run(c.side)), "Illegal position: the side not to move is in check\n");
  EXPECT_EQ(Join(engine.Run("brd")), board);

  // The side to move is still the one the game left: its move comes back.
  ASSERT_TRUE(engine.Send("go"));
  const std::string reply = WaitMove(engine);
  EXPECT_TRUE(IsLegalIn(fen, c.moves, reply)) << reply;
  // The history is still there: the reply and the last move taken back.
  if (!c.moves.empty()) {
    EXPECT_EQ(Join(engine.Run("remove")), "");
    std::vector<std::string> shorter = c.moves;
    shorter.pop_back();
    EXPECT_EQ(Join(engine.Run("brd")), Join(Diagram(FenAfter(fen, shorter))));
  }
  ASSERT_TRUE(engine.Send("quit"));
  EXPECT_EQ(engine.WaitExit().code, 0) << engine.StandardError();
}

const SideSwitchCase kSideSwitchCases[] = {
    {"WhiteWhileTheWhiteRookChecks", "R6k/8/8/8/8/8/8/K6R b - - 0 1", {}, "white"},
    {"BlackWhileTheBlackPawnChecks", "2b1k2r/3pn2q/r7/p1PP2p1/P5Pp/1P2p2P/2K2P2/1R4RN w - - 1 35", {}, "black"},
    {"WhiteAfterAQueenCheckInTheGame", "", {"e2e4", "f7f6", "d1h5"}, "white"},
};

INSTANTIATE_TEST_SUITE_P(Cases, SessionXboardSideSwitch, testing::ValuesIn(kSideSwitchCases),
                         [](const testing::TestParamInfo<SideSwitchCase>& info) { return info.param.name; });

// A switch that leaves nobody in check still works: the engine then plays
// the other side.
TEST(SessionXboard, SideSwitchOutOfCheckHandsTheMoveOver) {
  EngineSession engine;
  ASSERT_TRUE(XboardReady(engine));
  const std::string fen = "4k3/8/8/8/8/8/4P3/4K3 w - - 0 1";
  for (const std::string& line : std::vector<std::string>{"force", "loadfen " + fen, "black"})
    EXPECT_EQ(Join(engine.Run(line)), "") << line;
  ASSERT_TRUE(engine.Send("go"));
  const std::string reply = WaitMove(engine);
  EXPECT_TRUE(IsLegalIn("4k3/8/8/8/8/8/4P3/4K3 b - - 0 1", {}, reply)) << reply;
}

// "force" while the engine searches for its own move: no move, no pondering,
// and typed moves are only played until "go".
TEST(SessionXboard, ForceDuringItsOwnSearchKeepsTheMove) {
  EngineSession engine;
  ASSERT_TRUE(Ready(engine));
  // Pondering on, as a front end leaves it with "hard".
  for (const char* line : {"xboard", "new", "hard", "st 2"}) EXPECT_EQ(Join(engine.Run(line)), "") << line;
  ASSERT_TRUE(engine.Send("e2e4"));
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  ASSERT_TRUE(engine.Send("force"));
  const WaitResult quiet = engine.WaitFor(
      [](const std::string& line) { return StartsWith(line, "move ") || StartsWith(line, "Hint:"); }, 1500);
  EXPECT_FALSE(quiet.matched) << quiet.match();
  EXPECT_EQ(Join(engine.Run("brd")), Join(Diagram(FenAfter("startpos", {"e2e4"}))));

  // Black's move from the front end is played, not answered.
  std::vector<std::string> game = {"e2e4", "d7d5"};
  EXPECT_EQ(Join(engine.Run("d7d5")), "");
  EXPECT_FALSE(engine.WaitForPrefix("move ", 1200).matched) << engine.TranscriptText();
  EXPECT_EQ(Join(engine.Run("brd")), Join(Diagram(FenAfter("startpos", game))));

  // "go" takes the engine back into the game, for white now.
  EXPECT_EQ(Join(engine.Run("st 1")), "");
  ASSERT_TRUE(engine.Send("go"));
  const WaitResult move = engine.WaitForPrefix("move ");
  ASSERT_TRUE(move.matched) << engine.TranscriptText();
  EXPECT_TRUE(IsLegalIn("startpos", game, Split(move.match())[1])) << move.match();
  ASSERT_TRUE(engine.Send("quit"));
  EXPECT_EQ(engine.WaitExit().code, 0) << engine.StandardError();
}

// A resign value whose negation would not exist is held to one that does:
// every score is then below its negation, so with ResignTimes 1 the engine
// resigns before its first move.
TEST(SessionXboard, LowestResignValueResignsAtOnce) {
  SessionOptions options;
  options.files.push_back({"Dravelnor.ini", "ResignValue=-2147483648\nResignTimes=1\n"});
  EngineSession engine(options);
  ASSERT_TRUE(XboardReady(engine));
  ASSERT_TRUE(engine.Send("e2e4"));
  const WaitResult result = engine.WaitForPrefix("move ");
  ASSERT_TRUE(result.matched) << engine.TranscriptText();
  EXPECT_EQ(LinesWithPrefix(result.before(), "resign"), std::vector<std::string>{"resign"});
  EXPECT_TRUE(IsLegalIn("startpos", {"e2e4"}, Split(result.match())[1])) << result.match();
  ASSERT_TRUE(engine.Send("quit"));
  EXPECT_EQ(engine.WaitExit().code, 0) << engine.StandardError();
}

// xboard ends the session as soon as any line of the engine holds one of
// these words (in any case), whatever the line means. The engine meets every
// file it cannot use here (a damaged ini file, a book that is not a book, a
// learning file that is not one, missing tables, PGN files and books) and
// is asked in each dialect for the messages that name them.
TEST(SessionXboard, NoLineHoldsAWordThatMakesTheGuiDropTheEngine) {
  const char* const kFatalWords[] = {"unknown host", "no remote directory", "not found",
                                     "no such file", "can't alloc",         "permission denied"};
  SessionOptions options;
  options.files = {
      {"Dravelnor.ini",
       "Learning = maybe\nLearning = on\nLogLearningIntoFile = on\nTranspositionSizeMb = 99999\nNoSuchKey = 1\n"
       "OpeningsBook = damaged.vop\nEGTBPath = missing-folder;also-missing\nBookLearningMode = sometimes\n"},
      {"damaged.vop", "this is not a book, only text that looks like one\n"},
      {"Learn.vo1", "neither is this a learning file\n"},
  };
  EngineSession engine(options);
  ASSERT_TRUE(Ready(engine)) << engine.TranscriptText();
  for (const char* line : {"xboard", "new", "egtbstat", "bkm", "loadfen not a position", "e2e5", "pgneval", "selftest",
                           "uci", "setoption name OpeningsBook value gone.vop", "setoption name NalimovPath value gone",
                           "position fen 8/8/8/8 w - - 0 1", "position startpos moves e2e5"})
    engine.Run(line);
  ASSERT_TRUE(engine.Send("quit"));
  EXPECT_EQ(engine.WaitExit().code, 0) << engine.StandardError();
  // The session did meet the files: a message for each of them.
  const std::string all = engine.TranscriptText();
  for (const char* expected : {"WARNING", "Invalid book format", "not a learning file", "No EGTB files found",
                               "Illegal move", "Error opening file", "gone.vop"})
    EXPECT_NE(all.find(expected), std::string::npos) << expected << "\n" << all;
  for (std::string line : engine.transcript()) {
    for (char& c : line) c = char(std::tolower(static_cast<unsigned char>(c)));
    for (const char* word : kFatalWords) EXPECT_EQ(line.find(word), std::string::npos) << line;
  }
}

}  // namespace
