// Start-up output, the ini file's effect on it, and the ways the engine ends.
#include <gtest/gtest.h>

#include <map>
#include <regex>
#include <string>
#include <vector>

#include "session_harness.h"

using namespace session;

namespace {

const bool k32Bit = sizeof(void*) == 4;

// The start-up output in a directory with values.txt only, the banner line
// held as "" (its revision and date are checked by pattern).
std::vector<std::string> DefaultStartup() {
  return {
      "",
      "Error opening \"Book.vop\"!",
      "Transposition size is 524288 entries (10485760 bytes)",
      k32Bit ? "Pawn hash size is 262144 entries (6291456 bytes)" : "Pawn hash size is 262144 entries (5767168 bytes)",
      "EGTBHashSize = 1048576 bytes",
      "Aggressivity = 100 (50)%",
      "Cowardice = 100 (50)%",
      "ResignValue = 800",
      "ResignTimes = 3",
      "UseEGTB = on",
      "EGTB path = \"c:\\tablebases\\\"",
      "UseBookWeights = on",
      "UseBookLearning = on",
      "BookLearningMode = KILL",
      "VarietyOfPlay = 10",
      "BookLearningBound = 400",
      "UseLearning = off",
      "UseLearningData = off",
      "LogLearningIntoFile = off",
      "Pondering = on",
      "",
      "No EGTB files found",
  };
}

const char kBannerPattern[] = R"(Dravelnor v1\.60 \[r[0-9]+/[0-3][0-9]\.[01][0-9]\.[0-9]{4}\])";

// The start-up output, up to the first "readyok".
std::vector<std::string> StartupLines(EngineSession& engine) {
  const WaitResult result = engine.Sync();
  EXPECT_TRUE(result.matched) << engine.TranscriptText() << engine.StandardError();
  return result.before();
}

void ExpectStartup(const std::vector<std::string>& expected, std::vector<std::string> seen) {
  ASSERT_FALSE(seen.empty());
  EXPECT_TRUE(std::regex_match(seen[0], std::regex(kBannerPattern))) << seen[0];
  seen[0] = "";
  EXPECT_EQ(Join(expected), Join(seen));
}

TEST(SessionStartup, PrintsBannerBookErrorSettingsEchoAndTablebaseMessage) {
  EngineSession engine;
  ASSERT_TRUE(engine.started()) << engine.error();
  ExpectStartup(DefaultStartup(), StartupLines(engine));
  engine.CloseInput();
  const ExitResult exit = engine.WaitExit();
  EXPECT_TRUE(exit.exited);
  EXPECT_EQ(exit.code, 0);
  EXPECT_EQ(engine.StandardError(), "");
}

TEST(SessionStartup, WithoutValuesFileReportsItAfterTheBannerAndStillRuns) {
  SessionOptions options;
  options.copy_values = false;
  EngineSession engine(options);
  ASSERT_TRUE(engine.started()) << engine.error();
  std::vector<std::string> expected = DefaultStartup();
  expected.insert(expected.begin() + 1, "Error loading values.txt");
  ExpectStartup(expected, StartupLines(engine));
  const std::vector<std::string> perft = engine.Run("perft 2");
  ASSERT_EQ(perft.size(), 1u) << Join(perft);
  EXPECT_TRUE(std::regex_match(perft[0], std::regex(R"(total moves = 400 time = [0-9]+\.[0-9]{2})"))) << perft[0];
  EXPECT_TRUE(engine.Send("quit"));
  EXPECT_EQ(engine.WaitExit().code, 0);
}

// The echo with an ini file: warnings come right after the banner (the ini
// file is read before the book is tried), then the echo with the changed
// lines.
struct IniCase {
  const char* name;
  std::string ini;
  std::vector<std::string> warnings;
  std::map<std::string, std::string> changed;  // line prefix -> whole line ("" drops the line)
};

void PrintTo(const IniCase& c, std::ostream* os) { *os << c.name; }

class SessionIni : public testing::TestWithParam<IniCase> {};

TEST_P(SessionIni, EchoShowsTheSettings) {
  const IniCase& c = GetParam();
  SessionOptions options;
  options.files.push_back({"Dravelnor.ini", c.ini});
  EngineSession engine(options);
  ASSERT_TRUE(engine.started()) << engine.error();

  std::vector<std::string> expected;
  for (const std::string& line : DefaultStartup()) {
    std::string out = line;
    bool keep = true;
    for (const auto& [prefix, replacement] : c.changed) {
      if (!line.empty() && StartsWith(line, prefix)) {
        out = replacement;
        keep = !replacement.empty();
      }
    }
    if (keep) expected.push_back(out);
  }
  expected.insert(expected.begin() + 1, c.warnings.begin(), c.warnings.end());
  ExpectStartup(expected, StartupLines(engine));
  EXPECT_TRUE(engine.Send("quit"));
  EXPECT_EQ(engine.WaitExit().code, 0);
}

const IniCase kIniCases[] = {
    {"TranspositionMegabytes",
     "TranspositionSizeMb 64\n",
     {},
     {{"Transposition size", "Transposition size is 3355443 entries (67108860 bytes)"}}},
    {"TranspositionPowerOutOfRange",
     "; sizes\n\nTranspositionSize 26\n",
     {"Dravelnor.ini(3) WARNING: Incorrect hash size setting in Dravelnor.ini; set to default"},
     {}},
    {"PawnHashMegabytes",
     "PawnHashSizeMb = 10\n",
     {},
     {{"Pawn hash size", k32Bit ? "Pawn hash size is 436906 entries (10485744 bytes)"
                                : "Pawn hash size is 476625 entries (10485750 bytes)"}}},
    {"ClampedPercentages",
     "Aggressivity 301\nCowardice -4\n",
     {"Dravelnor.ini(1) WARNING: Incorrect AGGRESSIVITY setting; set to 300",
      "Dravelnor.ini(2) WARNING: Incorrect COWARDICE setting; set to 0"},
     {{"Aggressivity = ", "Aggressivity = 300 (150)%"}, {"Cowardice = ", "Cowardice = 0 (0)%"}}},
    {"WordsAndUnknownToken",
     "UseEGTB yes\nPondering off\nBookLearningMode discover\nUseBookWeights of\n",
     {"Dravelnor.ini(1) WARNING: Token unknown \"yes\""},
     {{"Pondering = ", "Pondering = off"},
      {"BookLearningMode = ", "BookLearningMode = DISCOVER"},
      {"UseBookWeights = ", "UseBookWeights = off"}}},
    {"TablebasesOffKeepsPathAndIsSilent",
     "UseEGTB off\nEGTBPath = d:\\a, e:\\b\n",
     {},
     {{"UseEGTB = ", "UseEGTB = off"}, {"EGTB path = ", "EGTB path = \"d:\\a, e:\\b\""}, {"No EGTB files found", ""}}},
    {"CrlfLinesAndEmptyValue",
     "EGTBHashSize 27\r\nResignValue=\r\nResignTimes = 5\r\n",
     {},
     {{"EGTBHashSize = ", "EGTBHashSize = 134217728 bytes"},
      {"ResignValue = ", "ResignValue = 0"},
      {"ResignTimes = ", "ResignTimes = 5"}}},
};

INSTANTIATE_TEST_SUITE_P(Cases, SessionIni, testing::ValuesIn(kIniCases),
                         [](const testing::TestParamInfo<IniCase>& info) { return info.param.name; });

// Every way out at the top level ends with status 0 and prints nothing more.
struct ExitCase {
  const char* name;
  const char* line;  // nullptr: end of input
};

void PrintTo(const ExitCase& c, std::ostream* os) { *os << c.name; }

class SessionExit : public testing::TestWithParam<ExitCase> {};

TEST_P(SessionExit, EndsWithStatusZeroAndNoFurtherOutput) {
  EngineSession engine;
  ASSERT_TRUE(Ready(engine));
  if (GetParam().line) {
    // The line behind the quit must never be handled.
    ASSERT_TRUE(engine.SendRaw(std::string(GetParam().line) + "\nisready\n"));
  } else {
    engine.CloseInput();
  }
  const ExitResult exit = engine.WaitExit();
  EXPECT_TRUE(exit.exited) << "signal " << exit.signal << (exit.timed_out ? " (timed out)" : "");
  EXPECT_EQ(exit.code, 0);
  // The start-up's sync is the last thing the engine answered.
  const std::vector<std::string>& all = engine.transcript();
  ASSERT_FALSE(all.empty());
  EXPECT_EQ(all.back(), "readyok");
  EXPECT_EQ(LinesWithPrefix(all, "readyok").size(), 1u) << engine.TranscriptText();
  EXPECT_EQ(engine.StandardError(), "");
}

const ExitCase kExitCases[] = {
    {"Quit", "quit"},           {"Q", "q"},
    {"CapitalQuit", "QUIT"},    {"QuitWithWords", "quit now"},
    {"LeadingBlank", "  quit"}, {"EndOfInput", nullptr},
};

INSTANTIATE_TEST_SUITE_P(Cases, SessionExit, testing::ValuesIn(kExitCases),
                         [](const testing::TestParamInfo<ExitCase>& info) { return info.param.name; });

TEST(SessionStartup, LinesSentTogetherAreHandledInOrderUpToTheQuit) {
  EngineSession engine;
  ASSERT_TRUE(Ready(engine));
  ASSERT_TRUE(engine.SendRaw("isready\nperft 1\nisready\nquit\nisready\nperft 2\n"));
  const ExitResult exit = engine.WaitExit();
  EXPECT_EQ(exit.code, 0);
  const std::vector<std::string>& all = engine.transcript();
  std::vector<std::string> after(all.end() - std::min<size_t>(all.size(), 3), all.end());
  ASSERT_EQ(after.size(), 3u);
  EXPECT_EQ(after[0], "readyok");
  EXPECT_TRUE(std::regex_match(after[1], std::regex(R"(total moves = 20 time = [0-9]+\.[0-9]{2})"))) << after[1];
  EXPECT_EQ(after[2], "readyok");
  // One readyok from the sync, two from the batch: nothing behind "quit" ran.
  size_t readyok = 0;
  for (const std::string& line : all) readyok += line == "readyok";
  EXPECT_EQ(readyok, 3u);
}

}  // namespace

namespace {

constexpr long long kSmallAddressSpace = 512ll << 20;
constexpr char kAllocationMessage[] = "An error occured while memory allocation!";

bool Contains(const std::vector<std::string>& lines, const std::string& text) {
  for (const std::string& line : lines)
    if (line.find(text) != std::string::npos) return true;
  return false;
}

}  // namespace

// A hash table that cannot be had ends the engine with status 1 after the
// message, at start-up (before the echo) and when an option resizes it.
TEST(SessionStartup, FailedHashAllocationExitsWithStatusOne) {
  if (RunsUnderEmulator()) GTEST_SKIP() << "an address-space limit also limits the emulator";
#ifdef __SANITIZE_ADDRESS__
  GTEST_SKIP() << "the address sanitizer reserves more address space than the limit";
#endif
  {
    SessionOptions options;
    options.address_space_limit = kSmallAddressSpace;
    options.files.push_back({"Dravelnor.ini", "TranspositionSizeMb 1024\n"});
    EngineSession engine(options);
    ASSERT_TRUE(engine.started()) << engine.error();
    const ExitResult result = engine.WaitExit();
    ASSERT_TRUE(result.exited) << engine.TranscriptText();
    EXPECT_EQ(result.code, 1);
    EXPECT_TRUE(Contains(engine.transcript(), kAllocationMessage)) << engine.TranscriptText();
    EXPECT_FALSE(Contains(engine.transcript(), "Transposition size is")) << engine.TranscriptText();
  }
  {
    SessionOptions options;
    options.address_space_limit = kSmallAddressSpace;
    EngineSession engine(options);
    ASSERT_TRUE(engine.started()) << engine.error();
    // The default sizes fit in the limit: the engine answers.
    ASSERT_TRUE(engine.Sync().matched) << engine.TranscriptText();
    engine.Send("setoption name Hash value 1024");
    const ExitResult result = engine.WaitExit();
    ASSERT_TRUE(result.exited) << engine.TranscriptText();
    EXPECT_EQ(result.code, 1);
    EXPECT_TRUE(Contains(engine.transcript(), kAllocationMessage)) << engine.TranscriptText();
  }
}

// A file read at start-up that is no regular file (a FIFO, a device, a
// folder) is never read: the open cannot wait and nothing is read from it.
// It is reported and taken as missing, or refused as its kind of file is,
// and the engine answers as usual.
TEST(SessionStartup, FilesThatAreNotRegularFilesAreReportedAndSkipped) {
  const char* const kIniSkipped = "Dravelnor.ini WARNING: not a regular file; skipped, the defaults stand";
  const char* const kNoLearningFile = "\"Learn.vo1\" is not a learning file: learning is off";
  struct Case {
    const char* what;
    SpecialFile entry;
    bool copy_values;
    std::string ini;
    std::vector<std::string> after_banner;       // inserted after the banner
    std::map<std::string, std::string> changed;  // line prefix -> whole line
    std::vector<std::string> after_echo;         // inserted before the tablebase line
  };
  const Case cases[] = {
      {"ini FIFO", {SpecialFile::FIFO, "Dravelnor.ini", ""}, true, "", {kIniSkipped}, {}, {}},
      {"ini link to /dev/zero",
       {SpecialFile::SYMBOLIC_LINK, "Dravelnor.ini", "/dev/zero"},
       true,
       "",
       {kIniSkipped},
       {},
       {}},
      {"ini folder", {SpecialFile::FOLDER, "Dravelnor.ini", ""}, true, "", {kIniSkipped}, {}, {}},
      {"values.txt FIFO", {SpecialFile::FIFO, "values.txt", ""}, false, "", {"Error loading values.txt"}, {}, {}},
      {"values.txt link to /dev/zero",
       {SpecialFile::SYMBOLIC_LINK, "values.txt", "/dev/zero"},
       false,
       "",
       {"Error loading values.txt"},
       {},
       {}},
      {"book FIFO", {SpecialFile::FIFO, "Book.vop", ""}, true, "", {}, {{"Error opening", "Invalid book format"}}, {}},
      {"learning file FIFO",
       {SpecialFile::FIFO, "Learn.vo1", ""},
       true,
       "Learning = on\n",
       {},
       {{"UseLearning =", "UseLearning = on"}},
       {kNoLearningFile}},
      {"learning file link to /dev/zero",
       {SpecialFile::SYMBOLIC_LINK, "Learn.vo1", "/dev/zero"},
       true,
       "Learning = on\nUseLearningData = on\n",
       {},
       {{"UseLearning =", "UseLearning = on"}, {"UseLearningData =", "UseLearningData = on"}},
       {kNoLearningFile}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    SessionOptions options;
    options.copy_values = c.copy_values;
    if (!c.ini.empty()) options.files.push_back({"Dravelnor.ini", c.ini});
    options.special_files.push_back(c.entry);
    EngineSession engine(options);
    ASSERT_TRUE(engine.started()) << engine.error();
    std::vector<std::string> expected;
    for (const std::string& line : DefaultStartup()) {
      std::string out = line;
      for (const auto& [prefix, replacement] : c.changed)
        if (!line.empty() && StartsWith(line, prefix)) out = replacement;
      expected.push_back(out);
    }
    expected.insert(expected.end() - 1, c.after_echo.begin(), c.after_echo.end());
    expected.insert(expected.begin() + 1, c.after_banner.begin(), c.after_banner.end());
    const WaitResult start = engine.Sync(10000);
    ASSERT_TRUE(start.matched) << "no readyok after: " << engine.TranscriptText();
    ExpectStartup(expected, start.before());
    const std::vector<std::string> perft = engine.Run("perft 2");
    ASSERT_EQ(perft.size(), 1u) << Join(perft);
    EXPECT_TRUE(StartsWith(perft[0], "total moves = 400 ")) << perft[0];
    EXPECT_TRUE(engine.Send("quit"));
    EXPECT_EQ(engine.WaitExit().code, 0);
  }
}
