// The search's limits and final reports in real sessions: a fixed time per
// move in both dialects, and the variation lines a MultiPV search leaves.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <optional>
#include <regex>
#include <string>
#include <vector>

#include "session_harness.h"

using namespace session;

namespace {

using Clock = std::chrono::steady_clock;

const char kKiwipete[] = "r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq - 0 1";

// ---- a fixed time per move ----

// A front end that gives a fixed time per move forfeits an engine whose move
// arrives after it.
struct FixedTimeCase {
  const char* name;
  bool uci;
  std::vector<std::string> setup;  // after "uci", or after "xboard", "new", "easy"
  std::string go;                  // the line that starts the search
  int fixed_ms;
};

void PrintTo(const FixedTimeCase& c, std::ostream* os) { *os << c.name; }

class SessionFixedTime : public testing::TestWithParam<FixedTimeCase> {};

// The search time the engine itself reports last before its move, in
// milliseconds (-1 when none): the "time" of the UCI info line, or the
// centiseconds of the xboard thinking line.
long long LastReportedTime(bool uci, const std::vector<std::string>& lines) {
  static const std::regex uci_time(R"(info depth .* time ([0-9]+) .*)");
  static const std::regex xboard_time(R"([0-9]+ -?[0-9]+ ([0-9]+) [0-9]+( .*)?)");
  long long ms = -1;
  std::smatch m;
  for (const std::string& line : lines) {
    if (uci && std::regex_match(line, m, uci_time)) ms = std::stoll(m[1]);
    if (!uci && std::regex_match(line, m, xboard_time)) ms = 10 * std::stoll(m[1]);
  }
  return ms;
}

TEST_P(SessionFixedTime, MoveArrivesWithinTheTime) {
  const FixedTimeCase& c = GetParam();
  EngineSession engine;
  ASSERT_TRUE(Ready(engine));
  std::vector<std::string> setup = c.setup;
  if (c.uci) {
    ASSERT_TRUE(engine.Send("uci"));
    ASSERT_TRUE(engine.WaitForLine("uciok").matched) << engine.TranscriptText();
  } else {
    setup.insert(setup.begin(), {"xboard", "new", "easy"});
  }
  for (const std::string& line : setup) EXPECT_EQ(Join(engine.Run(line)), "") << line;

  // Twice, so that the second search starts from a filled table.
  for (int round = 0; round < 2; round++) {
    SCOPED_TRACE(round);
    if (!c.uci && round == 1) {
      for (const char* line : {"new", "easy"}) EXPECT_EQ(Join(engine.Run(line)), "") << line;
      for (const std::string& line : c.setup) EXPECT_EQ(Join(engine.Run(line)), "") << line;
    }
    const Clock::time_point sent = Clock::now();
    ASSERT_TRUE(engine.Send(c.go));
    const WaitResult result = engine.WaitForPrefix(c.uci ? "bestmove " : "move ");
    const long long reply_ms = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - sent).count();
    ASSERT_TRUE(result.matched) << engine.TranscriptText();
    // The engine's own clock: it stopped with room to print and send the
    // move, and it used most of the time.
    const long long reported = LastReportedTime(c.uci, result.before());
    EXPECT_LT(reported, c.fixed_ms) << engine.TranscriptText();
    EXPECT_GE(reported, c.fixed_ms * 3 / 4) << engine.TranscriptText();
    // The front end's clock; an emulator's start-up and scheduling are no
    // part of the engine's time.
    if (!RunsUnderEmulator()) {
      EXPECT_LT(reply_ms, c.fixed_ms) << engine.TranscriptText();
    }
    if (c.uci) {
      EXPECT_EQ(Join(engine.Run("ucinewgame")), "");
      for (const std::string& line : c.setup) EXPECT_EQ(Join(engine.Run(line)), "") << line;
    }
  }
}

const FixedTimeCase kFixedTimeCases[] = {
    {"UciMovetimeStartPosition", true, {"position startpos"}, "go movetime 1000", 1000},
    {"UciMovetimeMiddlegame", true, {std::string("position fen ") + kKiwipete}, "go movetime 1000", 1000},
    {"XboardStThenGo", false, {"st 1"}, "go", 1000},
    // As a match front end sends it: the time, the clocks, the opponent's move.
    {"XboardStThenTheOpponentsMove", false, {"st 1", "time 100", "otim 100"}, "e2e4", 1000},
};

INSTANTIATE_TEST_SUITE_P(Cases, SessionFixedTime, testing::ValuesIn(kFixedTimeCases),
                         [](const testing::TestParamInfo<FixedTimeCase>& info) { return info.param.name; });

// ---- MultiPV ----

// One "info multipv" line, parsed.
struct PvLine {
  int number = 0, depth = 0;
  long long score = 0;  // mates far beyond any centipawn score
  bool bound = false;
  std::string current;  // currmove, "" when the line has none
  std::vector<std::string> pv;
};

// The line as the engine must print it, or nullopt when it is malformed.
std::optional<PvLine> ParsePvLine(const std::string& line) {
  static const std::regex form(
      R"(info multipv ([0-9]+) depth ([0-9]+) seldepth [0-9]+ score (cp|mate) (-?[0-9]+)( lowerbound| upperbound)? )"
      R"(nodes [0-9]+ time [0-9]+ hashfull [0-9]+ nps [0-9]+ tbhits [0-9]+)"
      R"(( currmove ([a-h][1-8][a-h][1-8][qrbn]?) currmovenumber [0-9]+)? pv((?: [a-h][1-8][a-h][1-8][qrbn]?)+))");
  std::smatch m;
  if (!std::regex_match(line, m, form)) return std::nullopt;
  PvLine pv;
  pv.number = std::stoi(m[1]);
  pv.depth = std::stoi(m[2]);
  const long long value = std::stoll(m[4]);
  pv.score = m[3] == "cp" ? value : value > 0 ? 1000000 - value : -1000000 - value;
  pv.bound = m[5].matched;
  pv.current = m[7];
  pv.pv = Split(m[8].str().substr(1));
  return pv;
}

struct MultiPvCase {
  std::string position;  // "startpos" or a FEN
  int lines;             // the MultiPV option
  std::string go;
  int depth;  // of the last lines: the "go depth" asked for; 0 when another limit stops the search
};

// Kings and a pawn each, both a move from promoting.
const char kPromotions[] = "7k/P7/8/8/8/8/1p6/7K w - - 0 1";

// The last lines of lines, for failure messages.
std::string Tail(const std::vector<std::string>& lines, size_t count = 12) {
  return Join(std::vector<std::string>(lines.end() - std::min(count, lines.size()), lines.end()));
}

// One search of the case, judged: its lines well formed and legal, and the
// last lines before the answer those of its last depth.
void RunMultiPvCase(EngineSession& engine, const MultiPvCase& c) {
  EXPECT_EQ(Join(engine.Run("setoption name MultiPV value " + std::to_string(c.lines))), "");
  const std::string fen = c.position == "startpos" ? kStartFen : c.position;
  EXPECT_EQ(Join(engine.Run("position fen " + fen)), "");
  const std::vector<std::string> legal = LegalMovesIn(fen);
  ASSERT_TRUE(engine.Send(c.go));
  const WaitResult answer = engine.WaitForPrefix("bestmove ");
  ASSERT_TRUE(answer.matched) << engine.TranscriptText();
  const std::vector<std::string> words = Split(answer.match());
  ASSERT_GE(words.size(), 2u) << answer.match();
  const std::string best = words[1];
  EXPECT_TRUE(IsLegalIn(fen, {}, best)) << answer.match();
  if (c.lines < 2) return;

  const std::vector<std::string> before = answer.before();
  for (const std::string& text : before) {
    if (!StartsWith(text, "info multipv ")) continue;
    const std::optional<PvLine> line = ParsePvLine(text);
    ASSERT_TRUE(line.has_value()) << "malformed: " << text;
    if (!line->current.empty()) {
      EXPECT_TRUE(IsLegalIn(fen, {}, line->current)) << text;
    }
    std::vector<std::string> played;
    for (const std::string& move : line->pv) {
      ASSERT_TRUE(IsLegalIn(fen, played, move)) << "illegal " << move << " in " << text;
      played.push_back(move);
    }
  }
  // The last lines before the answer: multipv 1 to k of one depth.
  size_t first = before.size();
  for (size_t i = before.size(); i > 0 && StartsWith(before[i - 1], "info multipv "); i--) {
    if (ParsePvLine(before[i - 1])->number == 1) {
      first = i - 1;
      break;
    }
  }
  ASSERT_LT(first, before.size()) << "no variation lines at the end:\n" << Tail(before);
  std::vector<PvLine> last;
  for (size_t i = first; i < before.size(); i++) last.push_back(*ParsePvLine(before[i]));
  const size_t expected = std::min<size_t>(size_t(c.lines), legal.size());
  if (c.depth > 0) {
    EXPECT_EQ(last.size(), expected);
  }
  EXPECT_LE(last.size(), expected);
  EXPECT_EQ(last[0].pv[0], best) << Tail(before, last.size() + 1);
  // The move to ponder on is line 1's reply.
  const std::string ponder = words.size() == 4 ? words[3] : "";
  EXPECT_EQ(ponder, last[0].pv.size() >= 2 ? last[0].pv[1] : "") << answer.match() << "\n" << before[first];
  for (size_t i = 0; i < last.size(); i++) {
    EXPECT_EQ(last[i].number, int(i + 1)) << before[first + i];
    EXPECT_EQ(last[i].depth, last[0].depth) << before[first + i];
    EXPECT_FALSE(last[i].bound) << before[first + i];
    if (c.depth > 0) {
      EXPECT_EQ(last[i].depth, c.depth) << before[first + i];
    }
    if (i > 0) {
      EXPECT_LE(last[i].score, last[i - 1].score) << before[first + i];
      for (size_t j = 0; j < i; j++) EXPECT_NE(last[i].pv[0], last[j].pv[0]) << before[first + i];
    }
  }
}

// In one engine, as a front end uses it: each search leaves the lines of its
// last completed depth as its last output, line 1 with the move it plays,
// and every line it printed is well formed and legal.
TEST(SessionMultiPv, EachSearchEndsWithTheLinesOfItsLastDepth) {
  // A single-line search in between leaves its root move in the table, which
  // the next search shows first before its own.
  const MultiPvCase cases[] = {
      {"startpos", 2, "go depth 7", 7},
      {"startpos", 3, "go depth 7", 7},
      {"startpos", 1, "go depth 6", 0},
      {"startpos", 64, "go depth 4", 4},
      {"startpos", 64, "go depth 7", 7},
      {kPromotions, 1, "go depth 8", 0},
      {kPromotions, 20, "go depth 3", 3},
      {kPromotions, 20, "go depth 8", 8},
      {kKiwipete, 3, "go nodes 20000", 0},
      {kKiwipete, 3, "go movetime 300", 0},
      {"startpos", 3, "go depth 2", 2},
      // Stopped inside the first depth: the lines searched so far, at least
      // the move played.
      {kKiwipete, 5, "go nodes 1", 0},
  };
  EngineSession engine;
  ASSERT_TRUE(Ready(engine));
  ASSERT_TRUE(engine.Send("uci"));
  ASSERT_TRUE(engine.WaitForLine("uciok").matched) << engine.TranscriptText();
  for (const MultiPvCase& c : cases) {
    SCOPED_TRACE(testing::Message() << c.position << ", MultiPV " << c.lines << ", " << c.go);
    RunMultiPvCase(engine, c);
  }
}

}  // namespace
