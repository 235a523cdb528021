// The search's limits and final reports in real sessions: a fixed time per
// move in both dialects, and the variation lines a MultiPV search leaves.
#include <gtest/gtest.h>

#include <chrono>
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

}  // namespace
