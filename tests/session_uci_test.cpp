// UCI dialogues: identification, options, positions, the search limits and
// what arrives while a search runs.
#include <gtest/gtest.h>

#include <chrono>
#include <optional>
#include <regex>
#include <string>
#include <thread>
#include <vector>

#include "session_harness.h"

using namespace session;

namespace {

const char kKiwipete[] = "r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq - 0 1";

std::vector<std::string> Uci(EngineSession& engine) {
  EXPECT_TRUE(engine.Send("uci"));
  const WaitResult result = engine.WaitForLine("uciok");
  EXPECT_TRUE(result.matched) << engine.TranscriptText();
  return result.lines;
}

std::vector<std::string> UciLines(int aggressivity, int defensivity) {
  return {
      "id name Dravelnor 1.60",
      "id author Tovanesk",
      "option name Hash type spin min 0 max 1024 default 10",
      "option name PawnHash type spin min 0 max 1024 default 7",
      "option name NalimovPath type string default c:\\tablebases\\",
      "option name OpeningsBook type string default .\\book.vop",
      "option name OwnBook type check default true",
      "option name NalimovCache type spin min 1 max 128 default 1",
      "option name MultiPV type spin min 1 max 1024 default 1",
      "option name Aggressivity type spin min 0 max 300 default " + std::to_string(aggressivity),
      "option name Defensivity type spin min 0 max 300 default " + std::to_string(defensivity),
      "option name Clear Hash type button",
      "uciok",
  };
}

// A position as the engine is given it and as the board code replays it.
struct Game {
  std::string fen = "startpos";
  std::vector<std::string> moves;

  std::string Command() const {
    std::string text = fen == "startpos" ? "position startpos" : "position fen " + fen;
    if (!moves.empty()) text += " moves";
    for (const std::string& move : moves) text += " " + move;
    return text;
  }
  std::vector<std::string> With(const std::string& move) const {
    std::vector<std::string> longer = moves;
    longer.push_back(move);
    return longer;
  }
};

struct Answer {
  bool found = false;
  std::string best, ponder;
  std::vector<std::string> before;  // the lines that came before it
};

// Waits for "bestmove" and splits it.
Answer WaitBestmove(EngineSession& engine, int timeout_ms = kDefaultTimeoutMs) {
  Answer answer;
  const WaitResult result = engine.WaitForPrefix("bestmove", timeout_ms);
  answer.found = result.matched;
  answer.before = result.before();
  if (!result.matched) return answer;
  const std::vector<std::string> words = Split(result.match());
  EXPECT_TRUE(words.size() == 2 || (words.size() == 4 && words[2] == "ponder")) << result.match();
  if (words.size() >= 2) answer.best = words[1];
  if (words.size() == 4) answer.ponder = words[3];
  return answer;
}

// The answer's moves are legal where they are played.
void ExpectLegalAnswer(const Game& setup, const Answer& answer) {
  ASSERT_TRUE(answer.found);
  EXPECT_TRUE(IsLegalIn(setup.fen, setup.moves, answer.best)) << answer.best << " after " << setup.Command();
  if (!answer.ponder.empty()) {
    EXPECT_TRUE(IsLegalIn(setup.fen, setup.With(answer.best), answer.ponder))
        << "ponder " << answer.ponder << " after " << answer.best;
  }
}

// A search prints only "info" lines before its "bestmove".
void ExpectOnlyInfo(const std::vector<std::string>& lines) {
  for (const std::string& line : lines) EXPECT_TRUE(StartsWith(line, "info ")) << line;
}

// Nothing more follows a reported answer, not even after a late "stop".
void ExpectNothingMore(EngineSession& engine) {
  EXPECT_EQ(Join(engine.Run("stop")), "") << "a second answer or stray output";
}

TEST(SessionUci, IdentifiesItselfInThirteenLines) {
  EngineSession engine;
  ASSERT_TRUE(Ready(engine));
  EXPECT_EQ(Join(Uci(engine)), Join(UciLines(100, 100)));
  // A second handshake is answered the same way.
  EXPECT_EQ(Join(Uci(engine)), Join(UciLines(100, 100)));
}

// The two options whose values "uci" shows, set from the ini file or by
// "setoption", which prints nothing.
struct OptionCase {
  const char* name;
  std::string ini;
  std::vector<std::string> commands;
  int aggressivity, defensivity;
};

void PrintTo(const OptionCase& c, std::ostream* os) { *os << c.name; }

class SessionUciOptions : public testing::TestWithParam<OptionCase> {};

TEST_P(SessionUciOptions, UciShowsTheValueInForce) {
  const OptionCase& c = GetParam();
  SessionOptions options;
  if (!c.ini.empty()) options.files.push_back({"Dravelnor.ini", c.ini});
  EngineSession engine(options);
  ASSERT_TRUE(Ready(engine));
  Uci(engine);
  for (const std::string& command : c.commands) EXPECT_EQ(Join(engine.Run(command)), "") << command;
  EXPECT_EQ(Join(Uci(engine)), Join(UciLines(c.aggressivity, c.defensivity)));
}

const OptionCase kOptionCases[] = {
    {"FromIniFile", "Aggressivity 250\nCowardice 40\n", {}, 250, 40},
    {"BothSet", "", {"setoption name Aggressivity value 120", "setoption name Defensivity value 80"}, 120, 80},
    {"LastValueWins", "", {"setoption name Aggressivity value 10", "setoption name Aggressivity value 20"}, 20, 100},
    {"ClampedToMaximum", "", {"setoption name Aggressivity value 301"}, 300, 100},
    {"ClampedToMinimum", "", {"setoption name Defensivity value -7"}, 100, 0},
    {"HugeNumberClamped", "", {"setoption name Defensivity value 99999999999"}, 100, 300},
    {"TextReadsAsZero", "", {"setoption name Aggressivity value abc"}, 0, 100},
    {"WithoutValueNothing", "", {"setoption name Aggressivity", "setoption name Defensivity 50"}, 100, 100},
    {"WithoutNameNothing", "", {"setoption Aggressivity value 5", "setoption"}, 100, 100},
    {"NameAbbreviatedAnyCase", "", {"setoption name aggr value 7", "setoption name DEFENSIVITY value 9"}, 7, 9},
    {"UnknownNameNothing", "", {"setoption name Style value 5", "setoption name Clear"}, 100, 100},
};

INSTANTIATE_TEST_SUITE_P(Cases, SessionUciOptions, testing::ValuesIn(kOptionCases),
                         [](const testing::TestParamInfo<OptionCase>& info) { return info.param.name; });

// Table and MultiPV options at and beyond their bounds leave a working
// engine; MultiPV shows as that many principal variations.
struct TableOptionCase {
  const char* name;
  std::vector<std::string> options;
  const char* go;
  int multipv_lines;  // highest "info multipv" number expected (0: none)
};

void PrintTo(const TableOptionCase& c, std::ostream* os) { *os << c.name; }

class SessionUciTableOptions : public testing::TestWithParam<TableOptionCase> {};

TEST_P(SessionUciTableOptions, SearchStillAnswersLegally) {
  const TableOptionCase& c = GetParam();
  EngineSession engine;
  ASSERT_TRUE(Ready(engine));
  Uci(engine);
  for (const std::string& option : c.options) EXPECT_EQ(Join(engine.Run(option)), "") << option;
  const Game setup{kKiwipete, {}};
  EXPECT_EQ(Join(engine.Run("ucinewgame")), "");
  EXPECT_EQ(Join(engine.Run(setup.Command())), "");
  ASSERT_TRUE(engine.Send(c.go));
  const Answer answer = WaitBestmove(engine);
  ExpectLegalAnswer(setup, answer);
  ExpectOnlyInfo(answer.before);
  int highest = 0;
  const std::regex multipv(R"(info multipv ([0-9]+) .*)");
  for (const std::string& line : answer.before) {
    std::smatch m;
    if (std::regex_match(line, m, multipv)) highest = std::max(highest, std::stoi(m[1]));
  }
  EXPECT_EQ(highest, c.multipv_lines);
  ExpectNothingMore(engine);
}

// The variation lines show only after 50000 nodes: the last case searches
// deep enough for that.
const TableOptionCase kTableOptionCases[] = {
    {"NoTranspositionTable", {"setoption name Hash value 0"}, "go depth 3", 0},
    {"NegativeHashClamped", {"setoption name Hash value -1", "setoption name PawnHash value -5"}, "go depth 3", 0},
    {"SmallTablesThenCleared",
     {"setoption name Hash value 1", "setoption name PawnHash value 1", "setoption name Clear Hash"},
     "go depth 3",
     0},
    {"ZeroMultiPvClamped", {"setoption name MultiPV value 0", "setoption name NalimovCache value 0"}, "go depth 5", 0},
    {"ThreeVariations", {"setoption name MultiPV value 3"}, "go depth 5", 3},
};

INSTANTIATE_TEST_SUITE_P(Cases, SessionUciTableOptions, testing::ValuesIn(kTableOptionCases),
                         [](const testing::TestParamInfo<TableOptionCase>& info) { return info.param.name; });

// "position" sets up the board that "brd" shows and the search plays from;
// bad moves are skipped without a message.
struct PositionCase {
  const char* name;
  std::vector<std::string> commands;
  Game expected;
};

void PrintTo(const PositionCase& c, std::ostream* os) { *os << c.name; }

class SessionUciPosition : public testing::TestWithParam<PositionCase> {};

TEST_P(SessionUciPosition, BoardAndSearchFollowTheMoves) {
  const PositionCase& c = GetParam();
  EngineSession engine;
  ASSERT_TRUE(Ready(engine));
  Uci(engine);
  for (const std::string& command : c.commands) EXPECT_EQ(Join(engine.Run(command)), "") << command;
  const std::string fen = FenAfter(c.expected.fen, c.expected.moves);
  EXPECT_EQ(Join(engine.Run("brd")), Join(Diagram(fen))) << fen;
  ASSERT_TRUE(engine.Send("go depth 1"));
  ExpectLegalAnswer(c.expected, WaitBestmove(engine));
}

const PositionCase kPositionCases[] = {
    {"SkipsTextAndIllegalMoves",
     {"position startpos moves e2e4 e7e5 xyz a1a3 g1f3"},
     {"startpos", {"e2e4", "e7e5", "g1f3"}}},
    {"CapitalLettersPlay", {"position startpos moves E2E4 e7E5"}, {"startpos", {"e2e4", "e7e5"}}},
    {"MovesFromTheMovesKeyword", {"position startpos junk e2e4 moves d2d4"}, {"startpos", {"d2d4"}}},
    {"NoMovesWithoutKeyword", {"position startpos e2e4"}, {"startpos", {}}},
    {"FenWithCastlingBothSides",
     {std::string("position fen ") + kKiwipete + " moves e1g1 e8c8"},
     {kKiwipete, {"e1g1", "e8c8"}}},
    {"FenEnPassantCapture",
     {"position fen rnbqkbnr/ppp1pppp/8/8/3pP3/8/PPPP1PPP/RNBQKBNR b KQkq e3 0 1 moves d4e3"},
     {"rnbqkbnr/ppp1pppp/8/8/3pP3/8/PPPP1PPP/RNBQKBNR b KQkq e3 0 1", {"d4e3"}}},
    {"PromotionNeedsItsLetter",
     {"position fen 8/P7/8/8/8/8/k7/4K3 w - - 0 1 moves a7a8 a7a8n"},
     {"8/P7/8/8/8/8/k7/4K3 w - - 0 1", {"a7a8n"}}},
    {"PositionAloneChangesNothing", {"position startpos moves e2e4", "position"}, {"startpos", {"e2e4"}}},
    {"StartposStartsAgain", {"position startpos moves e2e4", "position startpos"}, {"startpos", {}}},
};

INSTANTIATE_TEST_SUITE_P(Cases, SessionUciPosition, testing::ValuesIn(kPositionCases),
                         [](const testing::TestParamInfo<PositionCase>& info) { return info.param.name; });

// Every limited "go" ends with one legal "bestmove", preceded only by "info"
// lines; a "stop" afterwards prints nothing.
struct GoCase {
  const char* name;
  Game setup;
  const char* go;
  const char* only_move;  // the one right answer, when there is one
};

void PrintTo(const GoCase& c, std::ostream* os) { *os << c.name; }

class SessionUciGo : public testing::TestWithParam<GoCase> {};

TEST_P(SessionUciGo, AnswersOnceWithALegalMove) {
  const GoCase& c = GetParam();
  EngineSession engine;
  ASSERT_TRUE(Ready(engine));
  Uci(engine);
  EXPECT_EQ(Join(engine.Run(c.setup.Command())), "");
  ASSERT_TRUE(engine.Send(c.go));
  const Answer answer = WaitBestmove(engine);
  ExpectLegalAnswer(c.setup, answer);
  ExpectOnlyInfo(answer.before);
  if (c.only_move) {
    EXPECT_EQ(answer.best, c.only_move);
  }
  ExpectNothingMore(engine);
  EXPECT_TRUE(engine.Send("quit"));
  EXPECT_EQ(engine.WaitExit().code, 0);
}

const GoCase kGoCases[] = {
    {"Depth", {"startpos", {}}, "go depth 4", nullptr},
    {"Nodes", {"startpos", {"e2e4"}}, "go nodes 20000", nullptr},
    {"Movetime", {kKiwipete, {}}, "go movetime 200", nullptr},
    {"WhiteClock", {"startpos", {"d2d4", "d7d5"}}, "go wtime 3000 btime 3000 winc 100 binc 100 movestogo 30", nullptr},
    {"BlackClock", {"startpos", {"e2e4"}}, "go wtime 100 btime 2000 binc 0 movestogo 10", nullptr},
    {"SuddenDeathClock", {"startpos", {"g1f3"}}, "go wtime 4000 btime 4000", nullptr},
    {"FindsMateInOne", {"6k1/5ppp/8/8/8/8/5PPP/R5K1 w - - 0 1", {}}, "go depth 3", "a1a8"},
    {"SearchMovesOnly", {"startpos", {}}, "go depth 3 searchmoves a2a3", "a2a3"},
};

INSTANTIATE_TEST_SUITE_P(Cases, SessionUciGo, testing::ValuesIn(kGoCases),
                         [](const testing::TestParamInfo<GoCase>& info) { return info.param.name; });

// A position without a legal move answers "bestmove 0000".
struct GameOverCase {
  const char* name;
  Game setup;
  const char* go;
};

void PrintTo(const GameOverCase& c, std::ostream* os) { *os << c.name; }

class SessionUciGameOver : public testing::TestWithParam<GameOverCase> {};

TEST_P(SessionUciGameOver, AnswersNullMove) {
  const GameOverCase& c = GetParam();
  EngineSession engine;
  ASSERT_TRUE(Ready(engine));
  Uci(engine);
  EXPECT_EQ(Join(engine.Run(c.setup.Command())), "");
  ASSERT_TRUE(LegalMovesIn(c.setup.fen, c.setup.moves).empty());
  ASSERT_TRUE(engine.Send(c.go));
  const Answer answer = WaitBestmove(engine);
  ASSERT_TRUE(answer.found) << engine.TranscriptText();
  EXPECT_EQ(answer.best, "0000");
  EXPECT_EQ(answer.ponder, "");
  ExpectNothingMore(engine);
}

const GameOverCase kGameOverCases[] = {
    {"Checkmate", {"startpos", {"f2f3", "e7e5", "g2g4", "d8h4"}}, "go depth 3"},
    {"Stalemate", {"7k/5Q2/6K1/8/8/8/8/8 b - - 0 1", {}}, "go depth 3"},
    {"CheckmateOnTheClock", {"startpos", {"f2f3", "e7e5", "g2g4", "d8h4"}}, "go wtime 1000 btime 1000"},
};

INSTANTIATE_TEST_SUITE_P(Cases, SessionUciGameOver, testing::ValuesIn(kGameOverCases),
                         [](const testing::TestParamInfo<GameOverCase>& info) { return info.param.name; });

// A search with no move waits for its "stop" when it was "go infinite" or
// "go ponder". A "new" in that wait gives the one "bestmove 0000" and sets
// up the new game, which the next search then searches.
class SessionUciNewDuringGameOverWait : public testing::TestWithParam<const char*> {};

TEST_P(SessionUciNewDuringGameOverWait, NextSearchSearchesTheNewGame) {
  EngineSession engine;
  ASSERT_TRUE(Ready(engine));
  Uci(engine);
  const Game mate{"6k1/5ppp/8/8/8/8/5PPP/R5K1 w - - 0 1", {}};
  EXPECT_EQ(Join(engine.Run(mate.Command())), "");
  ASSERT_TRUE(engine.Send("go depth 1"));
  const Answer mating = WaitBestmove(engine);
  ASSERT_TRUE(mating.found) << engine.TranscriptText();
  ASSERT_EQ(mating.best, "a1a8");
  ASSERT_TRUE(LegalMovesIn(mate.fen, {"a1a8"}).empty());

  ASSERT_TRUE(engine.Send(GetParam()));
  EXPECT_FALSE(engine.WaitForPrefix("bestmove", 400).matched) << "answered before new";
  ASSERT_TRUE(engine.Send("new"));
  const Answer none = WaitBestmove(engine);
  ASSERT_TRUE(none.found) << engine.TranscriptText();
  EXPECT_EQ(none.best, "0000");
  EXPECT_EQ(Join(engine.Run("brd")), Join(Diagram("startpos")));

  ASSERT_TRUE(engine.Send("go depth 4"));
  const Answer answer = WaitBestmove(engine);
  ExpectLegalAnswer(Game{}, answer);
  ExpectNothingMore(engine);
}

INSTANTIATE_TEST_SUITE_P(Cases, SessionUciNewDuringGameOverWait, testing::Values("go infinite", "go ponder"),
                         [](const testing::TestParamInfo<const char*>& info) {
                           return std::string(info.param) == "go infinite" ? "Infinite" : "Ponder";
                         });

// "go infinite" goes on through "isready" and "." and answers only "stop".
TEST(SessionUciInfinite, AnswersOnlyAfterStop) {
  EngineSession engine;
  ASSERT_TRUE(Ready(engine));
  Uci(engine);
  const Game setup{"startpos", {"e2e4", "c7c5"}};
  EXPECT_EQ(Join(engine.Run(setup.Command())), "");
  ASSERT_TRUE(engine.Send("go infinite"));
  EXPECT_FALSE(engine.WaitForPrefix("bestmove", 500).matched) << "answered before stop";

  ASSERT_TRUE(engine.Send("isready"));
  const WaitResult ready = engine.WaitForLine("readyok");
  ASSERT_TRUE(ready.matched) << engine.TranscriptText();
  ExpectOnlyInfo(ready.before());

  ASSERT_TRUE(engine.Send("."));
  const WaitResult status = engine.WaitForPrefix("stat01: ");
  ASSERT_TRUE(status.matched) << engine.TranscriptText();
  ExpectOnlyInfo(status.before());
  EXPECT_TRUE(std::regex_match(
      status.match(), std::regex(R"(stat01: [0-9]+ [0-9]+ [0-9]+ -?[0-9]+ [0-9]+ ([a-h][1-8][a-h][1-8][qrbn]?|0000))")))
      << status.match();
  EXPECT_EQ(Split(status.match())[5], std::to_string(LegalMovesIn(setup.fen, setup.moves).size() + 1));

  EXPECT_FALSE(engine.WaitForPrefix("bestmove", 300).matched) << "answered before stop";
  ASSERT_TRUE(engine.Send("stop"));
  const Answer answer = WaitBestmove(engine);
  ExpectLegalAnswer(setup, answer);
  ExpectOnlyInfo(answer.before);
  ExpectNothingMore(engine);
}

// Every "go" ends with exactly one "bestmove", also when a line that is
// not "stop" ends the search ("new" starts a new game after it).
struct EndingLineCase {
  const char* name;
  const char* go;
  const char* line;
};

void PrintTo(const EndingLineCase& c, std::ostream* os) { *os << c.name; }

class SessionUciEndingLine : public testing::TestWithParam<EndingLineCase> {};

TEST_P(SessionUciEndingLine, AnswersOnce) {
  const EndingLineCase& c = GetParam();
  EngineSession engine;
  ASSERT_TRUE(Ready(engine));
  Uci(engine);
  const Game setup{"startpos", {"d2d4", "g8f6"}};
  EXPECT_EQ(Join(engine.Run(setup.Command())), "");
  ASSERT_TRUE(engine.Send(c.go));
  EXPECT_FALSE(engine.WaitForPrefix("bestmove", 400).matched) << "answered before " << c.line;
  ASSERT_TRUE(engine.Send(c.line));
  if (std::string(c.line) != "new") {
    ASSERT_TRUE(engine.Send("stop"));
  }
  const Answer answer = WaitBestmove(engine, 5000);
  ExpectLegalAnswer(setup, answer);
  ExpectOnlyInfo(answer.before);
  ExpectNothingMore(engine);
  ASSERT_TRUE(engine.Send("quit"));
  EXPECT_EQ(engine.WaitExit().code, 0) << engine.StandardError();
}

const EndingLineCase kEndingLineCases[] = {
    {"NewDuringInfinite", "go infinite", "new"},
    {"NewDuringBareGo", "go", "new"},
    {"NewDuringPonder", "go ponder", "new"},
    // The search is over, its result held for "ponderhit" or "stop".
    {"NewAfterAFinishedPonderSearch", "go ponder depth 1", "new"},
    {"ForceThenStopDuringInfinite", "go infinite", "force"},
    {"ResultThenStopDuringPonder", "go ponder", "result"},
};

INSTANTIATE_TEST_SUITE_P(Cases, SessionUciEndingLine, testing::ValuesIn(kEndingLineCases),
                         [](const testing::TestParamInfo<EndingLineCase>& info) { return info.param.name; });

// "go ponder" holds its answer until "ponderhit" or "stop", which each give
// exactly one.
struct PonderCase {
  const char* name;
  const char* go;
  const char* release;
};

void PrintTo(const PonderCase& c, std::ostream* os) { *os << c.name; }

class SessionUciPonder : public testing::TestWithParam<PonderCase> {};

TEST_P(SessionUciPonder, ReleasedOnce) {
  const PonderCase& c = GetParam();
  EngineSession engine;
  ASSERT_TRUE(Ready(engine));
  Uci(engine);
  const Game setup{"startpos", {"e2e4", "e7e5", "g1f3"}};
  EXPECT_EQ(Join(engine.Run(setup.Command())), "");
  ASSERT_TRUE(engine.Send(c.go));
  EXPECT_FALSE(engine.WaitForPrefix("bestmove", 500).matched) << "answered while pondering";
  ASSERT_TRUE(engine.Send(c.release));
  const Answer answer = WaitBestmove(engine);
  ExpectLegalAnswer(setup, answer);
  ExpectOnlyInfo(answer.before);
  ExpectNothingMore(engine);
  // The engine takes the next position and searches as usual.
  const Game next{"startpos", setup.With(answer.best)};
  EXPECT_EQ(Join(engine.Run(next.Command())), "");
  ASSERT_TRUE(engine.Send("go depth 2"));
  ExpectLegalAnswer(next, WaitBestmove(engine));
  ExpectNothingMore(engine);
}

const PonderCase kPonderCases[] = {
    {"DepthThenPonderhit", "go ponder depth 3", "ponderhit"},
    {"DepthThenStop", "go ponder depth 3", "stop"},
    {"ClockThenPonderhit", "go ponder wtime 2000 btime 2000", "ponderhit"},
    {"ClockThenStop", "go ponder wtime 2000 btime 2000", "stop"},
    {"UnlimitedThenStop", "go ponder", "stop"},
};

INSTANTIATE_TEST_SUITE_P(Cases, SessionUciPonder, testing::ValuesIn(kPonderCases),
                         [](const testing::TestParamInfo<PonderCase>& info) { return info.param.name; });

// During a search a line that starts with a lower-case 'q' ends the engine
// without an answer; other spellings are dropped and the search goes on.
struct QuitCase {
  const char* name;
  const char* line;
  bool quits;
};

void PrintTo(const QuitCase& c, std::ostream* os) { *os << c.name; }

class SessionUciQuitDuringSearch : public testing::TestWithParam<QuitCase> {};

TEST_P(SessionUciQuitDuringSearch, QuitsOrIgnores) {
  const QuitCase& c = GetParam();
  EngineSession engine;
  ASSERT_TRUE(Ready(engine));
  Uci(engine);
  EXPECT_EQ(Join(engine.Run("position startpos")), "");
  // readyok without bestmove: the search is running when the line comes.
  ASSERT_TRUE(engine.SendRaw("go infinite\nisready\n"));
  const WaitResult ready = engine.WaitForLine("readyok");
  ASSERT_TRUE(ready.matched) << engine.TranscriptText();
  ExpectOnlyInfo(ready.before());
  ASSERT_TRUE(engine.Send(c.line));
  if (c.quits) {
    const ExitResult exit = engine.WaitExit();
    EXPECT_TRUE(exit.exited);
    EXPECT_EQ(exit.code, 0);
    EXPECT_EQ(Join(LinesWithPrefix(engine.transcript(), "bestmove")), "");
    return;
  }
  ASSERT_TRUE(engine.Send("isready"));
  const WaitResult still = engine.WaitForLine("readyok");
  ASSERT_TRUE(still.matched) << "gone after: " << c.line;
  ExpectOnlyInfo(still.before());
  ASSERT_TRUE(engine.Send("stop"));
  const Answer answer = WaitBestmove(engine);
  ExpectLegalAnswer(Game{}, answer);
  ExpectNothingMore(engine);
}

const QuitCase kQuitCases[] = {
    {"Quit", "quit", true},
    {"Q", "q", true},
    {"AnyWordWithQ", "queen", true},
    {"CapitalQDropped", "Quit", false},
    {"BlankFirstDropped", " quit", false},
};

INSTANTIATE_TEST_SUITE_P(Cases, SessionUciQuitDuringSearch, testing::ValuesIn(kQuitCases),
                         [](const testing::TestParamInfo<QuitCase>& info) { return info.param.name; });

// The end of input releases a waiting search like "stop"; a limited search
// finishes first. Either way: one answer, then status 0.
struct EndOfInputCase {
  const char* name;
  const char* go;
  // The input ends after this pause: long enough for a depth-2 search to be
  // over and only wait for its release, even under an emulator.
  int pause_ms;
};

void PrintTo(const EndOfInputCase& c, std::ostream* os) { *os << c.name; }

class SessionUciEndOfInput : public testing::TestWithParam<EndOfInputCase> {};

TEST_P(SessionUciEndOfInput, AnswersThenExits) {
  const EndOfInputCase& c = GetParam();
  EngineSession engine;
  ASSERT_TRUE(Ready(engine));
  Uci(engine);
  const Game setup{"startpos", {"d2d4"}};
  EXPECT_EQ(Join(engine.Run(setup.Command())), "");
  ASSERT_TRUE(engine.Send(c.go));
  if (c.pause_ms) {
    std::this_thread::sleep_for(std::chrono::milliseconds(c.pause_ms));
    EXPECT_FALSE(engine.WaitForPrefix("bestmove", 0).matched) << "answered before its release";
  }
  engine.CloseInput();
  const ExitResult exit = engine.WaitExit();
  EXPECT_TRUE(exit.exited) << (exit.timed_out ? "still running at the deadline" : "killed by a signal");
  EXPECT_EQ(exit.code, 0);
  const std::vector<std::string> answers = LinesWithPrefix(engine.transcript(), "bestmove");
  ASSERT_EQ(answers.size(), 1u) << engine.TranscriptText();
  const std::vector<std::string> words = Split(answers[0]);
  ASSERT_GE(words.size(), 2u);
  EXPECT_TRUE(IsLegalIn(setup.fen, setup.moves, words[1])) << answers[0];
}

const EndOfInputCase kEndOfInputCases[] = {
    {"Infinite", "go infinite", 0},
    // There is no mate in one here: only "stop" or the end of input can end
    // it. With a depth it still runs to that depth.
    {"MateWithoutLimit", "go mate 1", 0},
    {"MateWithoutLimitAfterAWhile", "go mate 1", 500},
    {"MateWithDepth", "go mate 1 depth 4", 0},
    {"Ponder", "go ponder", 0},
    {"PonderWithDepth", "go ponder depth 2", 0},
    {"PonderAfterItsDepth", "go ponder depth 2", 500},
    {"InfiniteAfterItsDepth", "go infinite depth 2", 500},
    {"DepthLimited", "go depth 3", 0},
};

INSTANTIATE_TEST_SUITE_P(Cases, SessionUciEndOfInput, testing::ValuesIn(kEndOfInputCases),
                         [](const testing::TestParamInfo<EndOfInputCase>& info) { return info.param.name; });

// "go mate N" looks for that mate only; a later "go" without "mate" searches
// as usual, in a set-up position too (which starts no new game).
struct MateGoalCase {
  const char* name;
  const char* between;  // sent between the mate search and the next position
  const char* go;
};

void PrintTo(const MateGoalCase& c, std::ostream* os) { *os << c.name; }

class SessionUciMateGoal : public testing::TestWithParam<MateGoalCase> {};

// The score in centipawns of the last "info" line that gives one, or nullopt.
std::optional<int> LastCentipawns(const std::vector<std::string>& lines) {
  std::optional<int> score;
  for (const std::string& line : lines) {
    const std::vector<std::string> words = Split(line);
    for (size_t i = 0; i + 2 < words.size(); i++)
      if (words[i] == "score" && words[i + 1] == "cp") score = std::stoi(words[i + 2]);
  }
  return score;
}

TEST_P(SessionUciMateGoal, LaterSearchesHaveNone) {
  const MateGoalCase& c = GetParam();
  EngineSession engine;
  ASSERT_TRUE(Ready(engine));
  Uci(engine);
  // The goal itself still works: the mate in one is found and shown.
  const Game mate{"6k1/5ppp/8/8/8/8/5PPP/R5K1 w - - 0 1", {}};
  EXPECT_EQ(Join(engine.Run(mate.Command())), "");
  ASSERT_TRUE(engine.Send("go mate 1 movetime 200"));
  Answer answer = WaitBestmove(engine);
  ExpectLegalAnswer(mate, answer);
  EXPECT_EQ(answer.best, "a1a8");
  EXPECT_FALSE(LinesWithPrefix(answer.before, "info").empty());
  bool shows_mate = false;
  for (const std::string& line : answer.before) shows_mate |= line.find("score mate 1 ") != std::string::npos;
  EXPECT_TRUE(shows_mate) << engine.TranscriptText();

  if (*c.between) {
    EXPECT_EQ(Join(engine.Run(c.between)), "");
  }
  // The rook takes the queen for nothing.
  const Game queen{"4k3/8/8/3q4/8/8/3R4/4K3 w - - 0 1", {}};
  EXPECT_EQ(Join(engine.Run(queen.Command())), "");
  ASSERT_TRUE(engine.Send(c.go));
  answer = WaitBestmove(engine);
  ExpectLegalAnswer(queen, answer);
  EXPECT_EQ(answer.best, "d2d5") << engine.TranscriptText();
  const std::optional<int> score = LastCentipawns(answer.before);
  ASSERT_TRUE(score.has_value()) << engine.TranscriptText();
  EXPECT_GT(*score, 500) << engine.TranscriptText();
}

const MateGoalCase kMateGoalCases[] = {
    {"Clock", "", "go wtime 10000 btime 10000"},
    {"ClockAfterNewGame", "ucinewgame", "go wtime 10000 btime 10000"},
    {"Depth", "ucinewgame", "go depth 6"},
    {"MoveTime", "", "go movetime 300"},
    {"Nodes", "", "go nodes 30000"},
};

INSTANTIATE_TEST_SUITE_P(Cases, SessionUciMateGoal, testing::ValuesIn(kMateGoalCases),
                         [](const testing::TestParamInfo<MateGoalCase>& info) { return info.param.name; });

// Commands that have nothing to say print nothing: no "pong", no "feature",
// no error texts.
TEST(SessionUci, SilentCommandsPrintNothing) {
  EngineSession engine;
  ASSERT_TRUE(Ready(engine));
  Uci(engine);
  const char* silent[] = {
      "ucinewgame",
      "debug on",
      "debug",
      "position",
      "setoption name Style value 5",
      "stop",
      "ponderhit",
      "protover 2",
      "accepted ping",
      "ping 7",
      "random",
      "computer",
      "result 1-0",
      "name someone",
      "rating 2000 1900",
      "hint",
      "draw",
      "usermove e2e4",
      "playother",
      "exit",
      "otim 250",
      "otime 250",
      "",
      "   ",
      "\t",
      "j",
      "k",
      "v",
      "y",
      "z",
      "#comment",
      "1234",
  };
  for (const char* line : silent) EXPECT_EQ(Join(engine.Run(line)), "") << "line: \"" << line << "\"";
  // The position was left alone throughout.
  EXPECT_EQ(Join(engine.Run("brd")), Join(Diagram("startpos")));
}

}  // namespace

namespace {

// The nodes of the last "info" line that reports them, or -1.
long long LastReportedNodes(const std::vector<std::string>& lines) {
  long long nodes = -1;
  for (const std::string& line : lines) {
    const std::vector<std::string> words = Split(line);
    for (size_t i = 0; i + 1 < words.size(); i++)
      if (words[i] == "nodes") nodes = std::stoll(words[i + 1]);
  }
  return nodes;
}

}  // namespace

// A node limit holds to within a small overshoot: the search checks it far
// more often than its input poll of quiet positions would.
TEST(SessionUci, NodeLimitHolds) {
  EngineSession engine;
  ASSERT_TRUE(Ready(engine));
  Uci(engine);
  const Game setup{"startpos", {"e2e4", "e7e5", "g1f3", "b8c6", "f1b5", "a7a6", "b5a4", "g8f6"}};
  for (const int limit : {3000, 5000, 20000}) {
    SCOPED_TRACE(limit);
    EXPECT_EQ(Join(engine.Run("ucinewgame")), "");
    EXPECT_EQ(Join(engine.Run(setup.Command())), "");
    ASSERT_TRUE(engine.Send("go nodes " + std::to_string(limit)));
    const Answer answer = WaitBestmove(engine);
    ExpectLegalAnswer(setup, answer);
    const long long nodes = LastReportedNodes(answer.before);
    ASSERT_GT(nodes, 0) << engine.TranscriptText();
    EXPECT_LE(nodes, limit + limit / 2) << engine.TranscriptText();
  }
}
