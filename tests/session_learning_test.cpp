// Position learning in real sessions: the learning file made at start-up
// when the ini file asks for learning, a lost position learnt and logged in
// a UCI game, a stored score taken by the search, and damaged or unusable
// files that the engine reports and plays on with. Every file is checked
// byte by byte after the engine quit.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "board/board.h"
#include "board/notation.h"
#include "book/learning.h"
#include "session_harness.h"
#include "test_util.h"

using namespace session;

namespace {

constexpr uint32_t kHeader = 262167;

std::string EmptyFile() {
  std::string bytes(kHeader, '\0');
  bytes.replace(0, 23, "Dravelnor learning file");
  return bytes;
}
void Put(std::string& bytes, size_t at, uint32_t value) {
  if (bytes.size() < at + 4) bytes.resize(at + 4, '\0');
  for (int i = 0; i < 4; i++) bytes[at + i] = char(uint8_t(value >> (8 * i)));
}
size_t Head(uint32_t key0) { return 23 + 4 * size_t(key0 & 0xFFFF); }
// Appends a record {depth, eval, move, key0, key1, next} and links it as the
// only one of its bucket (the keys' buckets differ in these fixtures).
void AppendRecord(std::string& bytes, int32_t depth, int32_t eval, uint32_t move, uint32_t key0, uint32_t key1,
                  uint32_t next = 0) {
  const size_t at = bytes.size();
  for (uint32_t v : {uint32_t(depth), uint32_t(eval), move, key0, key1, next}) Put(bytes, bytes.size(), v);
  Put(bytes, Head(key0), uint32_t(at));
}

// The position's keys and the move word, from the board code.
struct Position {
  uint32_t key0, key1;
};
Position KeysOf(const std::string& fen, const std::vector<std::string>& moves = {}) {
  InitBoardForTests();
  SetPosition(fen.c_str());
  for (const std::string& m : moves) PlayMove(m.c_str());
  return {LearnKey0(thread_board.Key), LearnKey1(thread_board.Key)};
}
Move MoveWord(const std::string& fen, const std::string& move) {
  InitBoardForTests();
  SetPosition(fen.c_str());
  return FindLegal(move.c_str());
}

SessionOptions WithIni(const std::string& ini, const std::string* learn_file = nullptr) {
  SessionOptions options;
  options.files.push_back({"Dravelnor.ini", ini});
  if (learn_file) options.files.push_back({"Learn.vo1", *learn_file});
  return options;
}

void StartUci(EngineSession& engine) {
  ASSERT_TRUE(Ready(engine));
  ASSERT_TRUE(engine.Send("uci"));
  ASSERT_TRUE(engine.WaitForLine("uciok").matched) << engine.TranscriptText();
}

struct SearchResult {
  std::string move;
  std::string score;  // "cp N" or "mate N" of the last thinking line
  int depth = 0;      // its depth
  std::vector<std::string> lines;
};
SearchResult Go(EngineSession& engine, const std::string& position, int depth, int timeout_ms = 120000) {
  SearchResult r;
  EXPECT_TRUE(engine.Send(position));
  EXPECT_TRUE(engine.Send("go depth " + std::to_string(depth)));
  const WaitResult result = engine.WaitForPrefix("bestmove", timeout_ms);
  EXPECT_TRUE(result.matched) << engine.TranscriptText();
  r.lines = result.before();
  const std::vector<std::string> words = Split(result.match());
  if (words.size() >= 2) r.move = words[1];
  for (const std::string& line : LinesWithPrefix(r.lines, "info depth")) {
    const std::vector<std::string> w = Split(line);
    for (size_t i = 0; i + 2 < w.size(); i++)
      if (w[i] == "score") r.score = w[i + 1] + " " + w[i + 2];
    r.depth = std::stoi(w[2]);
  }
  return r;
}
// The centipawns of a "cp N" score; fails the test for a mate score.
int Cp(const SearchResult& r) {
  EXPECT_EQ(r.score.rfind("cp ", 0), 0u) << r.score;
  return r.score.rfind("cp ", 0) == 0 ? std::stoi(r.score.substr(3)) : 0;
}

std::string Quit(EngineSession& engine, const std::string& file) {
  EXPECT_TRUE(engine.Send("quit"));
  const ExitResult exit = engine.WaitExit();
  EXPECT_TRUE(exit.exited && exit.code == 0) << engine.TranscriptText();
  bool found = false;
  const std::string bytes = engine.ReadFile(file, &found);
  return found ? bytes : "(missing)";
}

TEST(SessionLearning, StartUpMakesTheFileWhenLearningOrItsDataIsOnAndLeavesAnOldOneAlone) {
  struct Case {
    const char* ini;
    bool made;
  } cases[] = {
      {"", false},
      {"Learning = on\n", true},
      {"UseLearningData = on\n", true},
      {"Learning = off\nUseLearningData = off\nLogLearningIntoFile = on\n", false},
  };
  for (const Case& c : cases) {
    EngineSession engine(WithIni(c.ini));
    ASSERT_TRUE(Ready(engine)) << c.ini;
    const std::string file = Quit(engine, "Learn.vo1");
    EXPECT_EQ(file, c.made ? EmptyFile() : "(missing)") << c.ini;
    EXPECT_TRUE(LinesWithPrefix(engine.transcript(), "\"Learn.vo1\"").empty()) << engine.TranscriptText();
  }

  std::string old = EmptyFile();
  AppendRecord(old, 50, 33, 0x1234, 0xAAAA0001, 0xBBBBAAAA);
  EngineSession engine(WithIni("Learning = on\nUseLearningData = on\n", &old));
  StartUci(engine);
  Go(engine, "position startpos", 3);
  EXPECT_EQ(Quit(engine, "Learn.vo1"), old);
}

// The folder's entries, sorted, without the harness's standard error files.
std::vector<std::string> FolderEntries(const std::string& directory) {
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(directory)) {
    const std::string name = entry.path().filename().string();
    if (!StartsWith(name, "stderr")) names.push_back(name);
  }
  std::sort(names.begin(), names.end());
  return names;
}

// A creation that the disk cuts short (here a limit on the size of the
// files the engine writes) is reported and leaves nothing behind, neither
// the file nor any of its own: so the next start, with room again, makes
// the file as if none had been tried, and learning is on.
TEST(SessionLearning, ACreationCutShortLeavesNoFileAndTheNextStartMakesIt) {
  const std::string ini = "Learning = on\nUseLearningData = on\n";
  SessionOptions cut = WithIni(ini);
  cut.file_size_limit = 100000;
  EngineSession first(cut);
  StartUci(first);
  EXPECT_FALSE(Go(first, "position startpos moves e2e4", 5).move.empty());
  EXPECT_EQ(Quit(first, "Learn.vo1"), "(missing)");
  EXPECT_EQ(LinesWithPrefix(first.transcript(), "Error creating \"Learn.vo1\"!").size(), 1u) << first.TranscriptText();
  EXPECT_EQ(FolderEntries(first.directory()), (std::vector<std::string>{"Dravelnor.ini", "values.txt"}));

  SessionOptions again;
  again.directory = first.directory();
  EngineSession second(again);
  StartUci(second);
  EXPECT_EQ(Quit(second, "Learn.vo1"), EmptyFile());
  EXPECT_TRUE(LinesWithPrefix(second.transcript(), "\"Learn.vo1\"").empty()) << second.TranscriptText();
  EXPECT_TRUE(LinesWithPrefix(second.transcript(), "Error creating").empty()) << second.TranscriptText();
}

// White is lost here but a shallow search does not see it: black's queen
// and knight win material on the white king. A second engine plays black.
constexpr char kLostFen[] = "rq4k1/5ppp/8/8/6n1/8/PP4PP/QR3RK1 w - - 0 1";

TEST(SessionLearning, AScoreThatFallsAndFallsFurtherIsStoredAndLogged) {
  EngineSession white(WithIni("Learning = on\nLogLearningIntoFile = on\n"));
  EngineSession black;
  StartUci(white);
  StartUci(black);
  std::vector<std::string> moves;
  auto position = [&] {
    std::string text = std::string("position fen ") + kLostFen;
    if (!moves.empty()) text += " moves";
    for (const std::string& m : moves) text += " " + m;
    return text;
  };
  // The engine's first move from a shallow search, then two from deeper
  // ones, each answered by black.
  std::vector<SearchResult> own;
  for (int depth : {4, 8, 8}) {
    own.push_back(Go(white, position(), depth));
    ASSERT_TRUE(IsLegalIn(kLostFen, moves, own.back().move)) << own.back().move;
    moves.push_back(own.back().move);
    const SearchResult reply = Go(black, position(), 10);
    ASSERT_TRUE(IsLegalIn(kLostFen, moves, reply.move)) << reply.move;
    moves.push_back(reply.move);
  }
  // What the scenario needs of the searches: a fall of more than 40 from a
  // score above -180 to one below 520, then a score below -400.
  const int first = Cp(own[0]), second = Cp(own[1]);
  ASSERT_GT(first, -180);
  ASSERT_LT(second - first, -40);
  ASSERT_LT(second, 520);
  ASSERT_TRUE(own[2].score.rfind("mate -", 0) == 0 || Cp(own[2]) < -400) << own[2].score;

  const int depth = (own[1].depth - 1) * 4 + 2;
  const std::string log = "0\tAdd: Depth = " + std::to_string(depth) + "\tOldEvaluation = " + std::to_string(first) +
                          "\tEvaluaton = " + std::to_string(second) +
                          "\tFEN = rq4k1/5ppp/8/8/6n1/8/PP4PP/QR3RK1 w - - " + own[0].move + "\n";
  std::string expected = EmptyFile();
  const Position start = KeysOf(kLostFen);
  AppendRecord(expected, depth, second, MoveWord(kLostFen, own[0].move), start.key0, start.key1);
  EXPECT_EQ(Quit(white, "Learn.vo1"), expected);
  EXPECT_EQ(white.ReadFile("learn.log"), log);
  EXPECT_EQ(Quit(black, "Learn.vo1"), "(missing)");
}

// The same lost game, but its third search (where the score goes on below
// -400) is a front end's analysis or a ponder search: one that "stop" ends
// is no move of the game and stores nothing; one that "ponderhit" made the
// engine's own is stored as a "go" would be.
TEST(SessionLearning, AnAnalysisOrAStoppedPonderSearchStoresNothing) {
  struct Case {
    const char* go;
    const char* then;
    bool after_its_end;  // the line comes once the search has ended by its own limit
    bool stored;
  } cases[] = {
      {"go infinite", "stop", false, false},
      {"go ponder wtime 600000 btime 600000", "stop", false, false},
      {"go ponder wtime 60000 btime 60000", "ponderhit", false, true},
      {"go ponder depth 8 wtime 60000 btime 60000", "ponderhit", true, true},
      {"go ponder depth 8 wtime 60000 btime 60000", "stop", true, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.go) + ", " + c.then + (c.after_its_end ? " after its end" : ""));
    EngineSession white(WithIni("Learning = on\n"));
    EngineSession black;
    StartUci(white);
    StartUci(black);
    std::vector<std::string> moves;
    auto position = [&] {
      std::string text = std::string("position fen ") + kLostFen + " moves";
      for (const std::string& m : moves) text += " " + m;
      return text;
    };
    std::vector<SearchResult> own;
    for (int depth : {4, 8}) {
      own.push_back(Go(white, position(), depth));
      moves.push_back(own.back().move);
      moves.push_back(Go(black, position(), 10).move);
      ASSERT_TRUE(IsLegalIn(kLostFen, {}, moves[0]));
    }
    ASSERT_TRUE(white.Send(position()));
    const size_t first_line = white.transcript().size();
    ASSERT_TRUE(white.Send(c.go));
    if (std::string(c.then) == "stop" || c.after_its_end) {
      ASSERT_TRUE(white.WaitForRegex("info depth ([89]|[1-9][0-9]) .*", 120000).matched) << white.TranscriptText();
    }
    if (c.after_its_end) {
      ASSERT_TRUE(WaitUntilIdle(white, 120000)) << white.TranscriptText();
    }
    ASSERT_TRUE(white.Send(c.then));
    const WaitResult end = white.WaitForPrefix("bestmove", 120000);
    ASSERT_TRUE(end.matched) << white.TranscriptText();
    std::string score;
    const std::vector<std::string> search(white.transcript().begin() + long(first_line), white.transcript().end());
    for (const std::string& line : LinesWithPrefix(search, "info depth")) {
      const std::vector<std::string> w = Split(line);
      for (size_t i = 0; i + 2 < w.size(); i++)
        if (w[i] == "score") score = w[i + 1] + " " + w[i + 2];
    }
    // What would store the queued position after a move of the game.
    ASSERT_TRUE(score.rfind("mate -", 0) == 0 || (score.rfind("cp ", 0) == 0 && std::stoi(score.substr(3)) < -400))
        << score;

    std::string expected = EmptyFile();
    if (c.stored) {
      const Position start = KeysOf(kLostFen);
      AppendRecord(expected, (own[1].depth - 1) * 4 + 2, Cp(own[1]), MoveWord(kLostFen, own[0].move), start.key0,
                   start.key1);
    }
    const std::string file = Quit(white, "Learn.vo1");
    EXPECT_EQ((int64_t(file.size()) - kHeader) / 24, (int64_t(expected.size()) - kHeader) / 24) << "records";
    EXPECT_TRUE(file == expected) << "the file differs";
  }
}

// After f1b5+ black has six replies, all evasions; the file holds each
// position after them with a score for white that no search here reaches.
constexpr char kCheckFen[] = "rnbqkbnr/ppp2ppp/3p4/4p3/4P3/5N2/PPPP1PPP/RNBQKB1R w KQkq - 0 3";
constexpr int32_t kStoredScore = 2345;

std::string FileAfterCheck(int32_t depth, uint32_t next_mask = 0) {
  std::string bytes = EmptyFile();
  for (const std::string& reply : LegalMovesIn(kCheckFen, {"f1b5"})) {
    const Position p = KeysOf(kCheckFen, {"f1b5", reply});
    AppendRecord(bytes, depth, kStoredScore, 0, p.key0, p.key1, next_mask);
  }
  return bytes;
}

TEST(SessionLearning, TheSearchTakesAStoredScoreWhereItIsDeepEnough) {
  ASSERT_EQ(LegalMovesIn(kCheckFen, {"f1b5"}).size(), 6u);
  {
    // "bkm" shows a position's two words as the file holds them.
    const Position p = KeysOf(kCheckFen, {"f1b5", "c7c6"});
    EngineSession engine;
    StartUci(engine);
    engine.Send(std::string("position fen ") + kCheckFen + " moves f1b5 c7c6");
    const std::vector<std::string> lines = engine.Run("bkm");
    EXPECT_EQ(LinesWithPrefix(lines, "Current nhash1").size(), 1u) << Join(lines);
    EXPECT_FALSE(LinesWithPrefix(lines, "Current nhash1 = " + std::to_string(int32_t(p.key0)) +
                                            ", nhash2 = " + std::to_string(int32_t(p.key1)))
                     .empty())
        << Join(lines);
  }
  struct Case {
    const char* what;
    const char* ini;
    int32_t depth;
    bool taken;
  } cases[] = {
      {"deep records", "UseLearningData = on\n", 400, true},
      {"learning data off", "Learning = on\n", 400, false},
      {"records shallower than the search there", "UseLearningData = on\n", 8, false},
  };
  for (const Case& c : cases) {
    const std::string file = FileAfterCheck(c.depth);
    EngineSession engine(WithIni(c.ini, &file));
    StartUci(engine);
    const SearchResult r = Go(engine, std::string("position fen ") + kCheckFen, 10);
    if (c.taken) {
      EXPECT_EQ(r.score, "cp " + std::to_string(kStoredScore)) << c.what;
      EXPECT_EQ(r.move, "f1b5") << c.what;
    } else {
      EXPECT_NE(r.score, "cp " + std::to_string(kStoredScore)) << c.what;
    }
    EXPECT_EQ(Quit(engine, "Learn.vo1"), file) << c.what;
  }
}

TEST(SessionLearning, ChainsThatLoopOrLeaveTheFileNeverHoldUpTheSearch) {
  // The same records with other key1 words, linked to themselves or past
  // the end: every probe there walks a broken chain.
  std::string file = EmptyFile();
  bool loop = true;
  for (const std::string& reply : LegalMovesIn(kCheckFen, {"f1b5"})) {
    const Position p = KeysOf(kCheckFen, {"f1b5", reply});
    const uint32_t at = uint32_t(file.size());
    AppendRecord(file, 400, kStoredScore, 0, p.key0, p.key1 ^ 0x40000, loop ? at : 0xFFFFFF00u);
    loop = !loop;
  }
  EngineSession engine(WithIni("UseLearningData = on\nLearning = on\n", &file));
  StartUci(engine);
  const SearchResult r = Go(engine, std::string("position fen ") + kCheckFen, 10, 60000);
  EXPECT_NE(r.score, "cp " + std::to_string(kStoredScore));
  EXPECT_FALSE(r.move.empty());
  EXPECT_EQ(Quit(engine, "Learn.vo1"), file);
}

TEST(SessionLearning, AnUnusableFileIsReportedOnceAndTheEnginePlaysOn) {
  struct Case {
    const char* what;
    std::string content;
    const char* message;
  } cases[] = {
      {"another kind of file", std::string(300000, 'x'), "\"Learn.vo1\" is not a learning file: learning is off"},
      {"a learning file cut short", EmptyFile().substr(0, 5000),
       "\"Learn.vo1\" is not a learning file: learning is off"},
  };
  for (const Case& c : cases) {
    EngineSession engine(WithIni("Learning = on\nUseLearningData = on\nLogLearningIntoFile = on\n", &c.content));
    StartUci(engine);
    for (int game = 0; game < 2; game++) {
      EXPECT_FALSE(Go(engine, "position startpos moves e2e4", 6).move.empty()) << c.what;
      EXPECT_FALSE(Go(engine, "position fen " + std::string(kLostFen), 8).move.empty()) << c.what;
    }
    EXPECT_EQ(Quit(engine, "Learn.vo1"), c.content) << c.what;
    EXPECT_EQ(LinesWithPrefix(engine.transcript(), "\"Learn.vo1\"").size(), 1u) << engine.TranscriptText();
    EXPECT_EQ(LinesWithPrefix(engine.transcript(), c.message).size(), 1u) << engine.TranscriptText();
  }

  // A folder in the file's place.
  SessionOptions options = WithIni("Learning = on\n");
  options.files.push_back({"Learn.vo1/keep", ""});
  EngineSession engine(options);
  StartUci(engine);
  EXPECT_FALSE(Go(engine, "position startpos", 5).move.empty());
  Quit(engine, "Learn.vo1/keep");
  EXPECT_EQ(LinesWithPrefix(engine.transcript(), "\"Learn.vo1\"").size() +
                LinesWithPrefix(engine.transcript(), "Error opening \"Learn.vo1\"").size(),
            1u)
      << engine.TranscriptText();
}

}  // namespace
