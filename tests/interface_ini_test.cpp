// The ini file: every key, its bounds and warnings, line numbering and
// overlong lines, on files written to a temporary directory.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <tuple>

#include "book/book.h"
#include "eval/pawns.h"
#include "interface/ini.h"
#include "interface/options.h"
#include "test_util.h"

namespace fs = std::filesystem;

namespace {

// Every global the ini file sets.
struct Settings {
  uint32_t tt = 524288, pawn = 262144;
  int32_t cache = 1048576, aggr = 100, aggr_half = 50, cow = 100, cow_half = 50;
  int32_t rv = 800, rt = 3, variety = 10, bound = 400;
  int32_t learning = 0, book_learning = 1, allowed = 1, ponder = 1, egtb = 1;
  int32_t mode = 0, learning_data = 0, weights = 1, log = 0;
  std::string path = "c:\\tablebases\\";

  auto Tie() const {
    return std::tie(tt, pawn, cache, aggr, aggr_half, cow, cow_half, rv, rt, variety, bound, learning, book_learning,
                    allowed, ponder, egtb, mode, learning_data, weights, log, path);
  }
  bool operator==(const Settings& o) const { return Tie() == o.Tie(); }

  static Settings Now() {
    return {tt_entries,        pawn_hash_entries,      tb_cache_size,
            aggressivity,      aggressivity_half,      cowardice,
            cowardice_half,    resign_value,           resign_times,
            variety_of_play,   book_learning_bound,    use_learning,
            use_book_learning, pondering_allowed,      ponder_on,
            use_egtb,          book_learning_mode,     use_learning_data,
            use_book_weights,  log_learning_into_file, tb_path};
  }
  void Apply() const {
    tt_entries = tt, pawn_hash_entries = pawn, tb_cache_size = cache, aggressivity = aggr;
    aggressivity_half = aggr_half, cowardice = cow, cowardice_half = cow_half, resign_value = rv;
    resign_times = rt, variety_of_play = variety, book_learning_bound = bound;
    use_learning = learning, use_book_learning = book_learning, pondering_allowed = allowed, ponder_on = ponder;
    use_egtb = egtb, book_learning_mode = mode, use_learning_data = learning_data, use_book_weights = weights;
    log_learning_into_file = log;
    std::snprintf(tb_path, sizeof tb_path, "%s", path.c_str());
  }
};

std::ostream& operator<<(std::ostream& os, const Settings& s) {
  return os << "tt " << s.tt << " pawn " << s.pawn << " cache " << s.cache << " aggr " << s.aggr << "/" << s.aggr_half
            << " cow " << s.cow << "/" << s.cow_half << " resign " << s.rv << "/" << s.rt << " variety " << s.variety
            << " bound " << s.bound << " learning " << s.learning << " book_learning " << s.book_learning
            << " pondering " << s.allowed << "/" << s.ponder << " egtb " << s.egtb << " mode " << s.mode << " data "
            << s.learning_data << " weights " << s.weights << " log " << s.log << " path \"" << s.path << "\"";
}

std::string W(int line, const std::string& text) {
  return "Dravelnor.ini(" + std::to_string(line) + ") WARNING: " + text + "\n";
}
const std::string kHash = "Incorrect hash size setting in Dravelnor.ini; set to default";
const std::string kPawn = "Incorrect pawn hash size setting in Dravelnor.ini; set to default";
const std::string kCache = "Incorrect EGTB cache size setting in Dravelnor.ini; set to default";
std::string Token(const std::string& t) { return "Token unknown \"" + t + "\""; }

const uint32_t kTenMbPawn = PAWN_HASH_ENTRY_SIZE == 22 ? 476625 : 436906;

struct Case {
  const char* name;
  std::string text;
  std::string output;
  std::function<void(Settings&)> expect;
};

class IniTest : public ::testing::Test {
 protected:
  void SetUp() override {
    InitBoardForTests();  // the keyword match folds case through the board's table
    dir_ = MakeTestFolder("ini");
    ASSERT_FALSE(dir_.empty());
    // The table sizes of the process are given back at the end: tables that
    // an earlier test allocated keep the entry counts they were made with.
    before_ = Settings::Now();
    Settings{}.Apply();
  }
  void TearDown() override {
    CloseOpeningBook();
    before_.Apply();
    fs::remove_all(dir_);
  }
  std::string Write(const std::string& name, const std::string& bytes) {
    const fs::path path = dir_ / name;
    std::ofstream(path, std::ios::binary) << bytes;
    return path.string();
  }
  std::string Read(const std::string& text) {
    const std::string path = Write("Dravelnor.ini", text);
    testing::internal::CaptureStdout();
    ReadIniFile(path.c_str());
    return testing::internal::GetCapturedStdout();
  }
  void Run(const Case& c) {
    Settings{}.Apply();
    Settings expected;
    c.expect(expected);
    EXPECT_EQ(Read(c.text), c.output) << c.name;
    EXPECT_EQ(Settings::Now(), expected) << c.name;
  }
  fs::path dir_;
  Settings before_;
};

}  // namespace

TEST_F(IniTest, SizeKeys) {
  const Case cases[] = {
      {"tt mb", "TranspositionSizeMb 64\n", "", [](Settings& s) { s.tt = 3355443; }},
      {"tt mb 0 turns the table off", "TranspositionSizeMb = 0\n", "", [](Settings& s) { s.tt = 0; }},
      {"tt mb top", "TranspositionSizeMb=1024", "", [](Settings& s) { s.tt = 53687091; }},
      {"tt mb over falls back", "TranspositionSize 10\nTranspositionSizeMb 2000\n", W(2, kHash), [](Settings&) {}},
      {"tt mb negative", "TranspositionSizeMb -1\n", W(1, kHash), [](Settings&) {}},
      {"tt mb wraps no more", "TranspositionSizeMb 4294967360\n", W(1, kHash), [](Settings&) {}},
      {"tt power", "TranspositionSize 25\n", "", [](Settings& s) { s.tt = 33554432; }},
      {"tt power 0", "TranspositionSize 0\n", "", [](Settings& s) { s.tt = 1; }},
      {"tt power over", "TranspositionSize 26\n", W(1, kHash), [](Settings&) {}},
      {"pawn mb", "PawnHashSizeMb = 10\n", "", [](Settings& s) { s.pawn = kTenMbPawn; }},
      {"pawn mb over", "PawnHashSizeMb 1025\n", W(1, kPawn), [](Settings&) {}},
      {"pawn power low", "PawnHashSize 12\n", "", [](Settings& s) { s.pawn = 4096; }},
      {"pawn power high", "PawnHashSize 23\n", "", [](Settings& s) { s.pawn = 8388608; }},
      {"pawn power under", "PawnHashSize 14\nPawnHashSize 11\n", W(2, kPawn), [](Settings&) {}},
      {"pawn power over", "PawnHashSize 24\n", W(1, kPawn), [](Settings&) {}},
      {"cache mb 0", "EGTBCacheSizeMb 0\n", W(1, kCache), [](Settings&) {}},
      {"cache mb top", "EGTBCacheSizeMb 128\n", "", [](Settings& s) { s.cache = 134217728; }},
      {"cache mb over", "EGTBHashSizeMb 64\nEGTBHashSizeMb 129\n", W(2, kCache), [](Settings&) {}},
      {"hash mb 3", "EGTBHashSizeMb 3\n", "", [](Settings& s) { s.cache = 3145728; }},
      {"cache power", "EGTBHashSize 27\n", "", [](Settings& s) { s.cache = 134217728; }},
      {"cache power low", "EGTBCacheSize 21\nEGTBCacheSize 20\n", "", [](Settings&) {}},
      {"cache power under", "EGTBCacheSize 19\n", W(1, kCache), [](Settings&) {}},
      {"cache power over", "EGTBHashSize 28\n", W(1, kCache), [](Settings&) {}},
      {"number with a unit", "TranspositionSizeMb 64MB\n", "", [](Settings& s) { s.tt = 3355443; }},
      {"no digits read as 0", "TranspositionSizeMb lots\n", "", [](Settings& s) { s.tt = 0; }},
  };
  for (const Case& c : cases) Run(c);
}

TEST_F(IniTest, ClampedAndFreeNumbers) {
  const Case cases[] = {
      {"aggr in range", "Aggressivity 151\n", "", [](Settings& s) { s.aggr = 151, s.aggr_half = 75; }},
      {"aggr over", "Aggressivity 301\n", W(1, "Incorrect AGGRESSIVITY setting; set to 300"),
       [](Settings& s) { s.aggr = 300, s.aggr_half = 150; }},
      {"aggr under", "Aggressivity -5\n", W(1, "Incorrect AGGRESSIVITY setting; set to 0"),
       [](Settings& s) { s.aggr = 0, s.aggr_half = 0; }},
      {"aggr huge", "Aggressivity 99999999999999999999\n", W(1, "Incorrect AGGRESSIVITY setting; set to 300"),
       [](Settings& s) { s.aggr = 300, s.aggr_half = 150; }},
      {"aggr huge negative", "Aggressivity -99999999999\n", W(1, "Incorrect AGGRESSIVITY setting; set to 0"),
       [](Settings& s) { s.aggr = 0, s.aggr_half = 0; }},
      {"cow in range", "Cowardice 0\n", "", [](Settings& s) { s.cow = 0, s.cow_half = 0; }},
      {"cow over", "Cowardice 1000\n", W(1, "Incorrect COWARDICE setting; set to 300"),
       [](Settings& s) { s.cow = 300, s.cow_half = 150; }},
      {"cow under", "Cowardice -1\n", W(1, "Incorrect COWARDICE setting; set to 0"),
       [](Settings& s) { s.cow = 0, s.cow_half = 0; }},
      {"variety", "VarietyOfPlay 100\n", "", [](Settings& s) { s.variety = 100; }},
      {"variety over", "VarietyOfPlay 101\n", W(1, "Incorrect VarietyOfPlay setting; set to 100"),
       [](Settings& s) { s.variety = 100; }},
      {"variety under", "VarietyOfPlay -1\n", W(1, "Incorrect VarietyOfPlay setting; set to 0"),
       [](Settings& s) { s.variety = 0; }},
      {"resign values", "ResignValue -300\nResignTimes 7\nBookLearningBound -3\n", "",
       [](Settings& s) { s.rv = -300, s.rt = 7, s.bound = -3; }},
      {"empty value reads 0", "ResignValue=\n", "", [](Settings& s) { s.rv = 0; }},
      {"key runs on", "ResignValueX 5\n", "", [](Settings& s) { s.rv = 5; }},
      {"plus sign", "ResignTimes +4\n", "", [](Settings& s) { s.rt = 4; }},
      {"case of the key", "aggressivity 120\nRESIGNTIMES 9\n", "",
       [](Settings& s) { s.aggr = 120, s.aggr_half = 60, s.rt = 9; }},
      {"last line wins", "ResignTimes 4\nResignTimes 5\n", "", [](Settings& s) { s.rt = 5; }},
  };
  for (const Case& c : cases) Run(c);
}

TEST_F(IniTest, BooleansAndWords) {
  const Case cases[] = {
      {"learning o", "Learning o\n", "", [](Settings& s) { s.learning = 1; }},
      {"weights of", "UseBookWeights of\n", "", [](Settings& s) { s.weights = 0; }},
      {"egtb yes", "UseEGTB yes\n", W(1, Token("yes")), [](Settings&) {}},
      {"egtb false", "UseEGTB = FALSE\n", "", [](Settings& s) { s.egtb = 0; }},
      {"book learning f", "UseBookLearning f\n", "", [](Settings& s) { s.book_learning = 0; }},
      {"data t", "UseLearningData t\n", "", [](Settings& s) { s.learning_data = 1; }},
      {"log onwards", "LogLearningIntoFile onwards\n", "", [](Settings& s) { s.log = 1; }},
      {"empty boolean", "Learning =\n", W(1, Token("")), [](Settings&) {}},
      {"bad keeps the old value", "UseLearningData on\nUseLearningData 1\n", W(2, Token("1")),
       [](Settings& s) { s.learning_data = 1; }},
      {"pondering off", "Pondering off\n", "", [](Settings& s) { s.allowed = 0, s.ponder = 0; }},
      {"pondering back on", "Pondering false\nPondering true\n", "", [](Settings& s) { s.ponder = 0; }},
      {"pondering bad", "Pondering maybe\n", W(1, Token("maybe")), [](Settings&) {}},
      {"mode discover", "BookLearningMode discover\n", "", [](Settings& s) { s.mode = 1; }},
      {"mode kill", "BookLearningMode d\nBookLearningMode KILL\n", "", [](Settings& s) { s.mode = 0; }},
      {"mode bad", "BookLearningMode discover\nBookLearningMode learn\n", W(2, Token("learn")),
       [](Settings& s) { s.mode = 1; }},
  };
  for (const Case& c : cases) Run(c);
}

TEST_F(IniTest, PathAndIgnoredLines) {
  const Case cases[] = {
      {"path list", "EGTBPath = d:\\a, e:\\b\n", "", [](Settings& s) { s.path = "d:\\a, e:\\b"; }},
      {"path quoted keeps the closing quote", "EGTBPath = \"c:\\tb\"\n", "", [](Settings& s) { s.path = "c:\\tb\""; }},
      {"path trailing blanks", "EGTBPath /tb/x  \n", "", [](Settings& s) { s.path = "/tb/x  "; }},
      {"path cut at the tab", "EGTBPath /tb/x\tmore\n", "", [](Settings& s) { s.path = "/tb/x"; }},
      {"path without value", "EGTBPath =  \n", "", [](Settings&) {}},
      {"abbreviated key", "Learn on\n", "", [](Settings&) {}},
      {"longer key", "LearningRate on\n", "", [](Settings& s) { s.learning = 1; }},
      {"tab after the key", "Learning\ton\n", "", [](Settings&) {}},
      {"key alone", "Learning\n", "", [](Settings&) {}},
      {"comment", "; Learning on\n", "", [](Settings&) {}},
      {"unknown key", "Threads 4\nHash 64\n", "", [](Settings&) {}},
      {"high-bit byte ends the line",
       "Aggressivity 4\xC3\xA9"
       "0\nCowardice\xC3 999\n",
       "", [](Settings& s) { s.aggr = 4, s.aggr_half = 2; }},
      {"key after leading blanks", "   ResignTimes 6\n", "", [](Settings& s) { s.rt = 6; }},
      {"key after a separator", "=ResignTimes 6\n", "", [](Settings&) {}},
  };
  for (const Case& c : cases) Run(c);
}

TEST_F(IniTest, LineNumbersCountEveryLineAndPiece) {
  const std::string pad249(249, ' ');
  const std::string exact = "ResignTimes 5" + std::string(249 - 13, ' ');
  const Case cases[] = {
      {"comments and empty lines count", "\n; note\n\nAggressivity 400\nCowardice -2",
       W(4, "Incorrect AGGRESSIVITY setting; set to 300") + W(5, "Incorrect COWARDICE setting; set to 0"),
       [](Settings& s) { s.aggr = 300, s.aggr_half = 150, s.cow = 0, s.cow_half = 0; }},
      {"crlf lines", "VarietyOfPlay 500\r\nVarietyOfPlay -5\r\n",
       W(1, "Incorrect VarietyOfPlay setting; set to 100") + W(2, "Incorrect VarietyOfPlay setting; set to 0"),
       [](Settings& s) { s.variety = 0; }},
      {"long line in pieces", pad249 + pad249 + "Aggressivity 400\nCowardice 400\n",
       W(3, "Incorrect AGGRESSIVITY setting; set to 300") + W(4, "Incorrect COWARDICE setting; set to 300"),
       [](Settings& s) { s.aggr = s.cow = 300, s.aggr_half = s.cow_half = 150; }},
      {"a line of exactly the limit is one line", exact + "\nAggressivity 400\n",
       W(2, "Incorrect AGGRESSIVITY setting; set to 300"),
       [](Settings& s) { s.rt = 5, s.aggr = 300, s.aggr_half = 150; }},
      {"the same with crlf", exact + "\r\nAggressivity 400\n", W(2, "Incorrect AGGRESSIVITY setting; set to 300"),
       [](Settings& s) { s.rt = 5, s.aggr = 300, s.aggr_half = 150; }},
      {"a piece's end is no key", "ResignTimes 5" + std::string(236, ' ') + "ResignValue 7\n", "",
       [](Settings& s) { s.rt = 5, s.rv = 7; }},
      {"overlong path cut to its piece", "EGTBPath " + std::string(300, 'p') + "\n", "",
       [](Settings& s) { s.path = std::string(240, 'p'); }},
  };
  for (const Case& c : cases) Run(c);
}

TEST_F(IniTest, MissingFileChangesNothing) {
  testing::internal::CaptureStdout();
  ReadIniFile((dir_ / "none.ini").string().c_str());
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
  EXPECT_EQ(Settings::Now(), Settings{});
}

TEST_F(IniTest, OpeningsBookOpensAtOnceAndLaterLinesOverride) {
  std::string book = "~Dravelnor openings book";
  book += std::string(
      "\0\0\0\0"
      "\0\0\0\0"
      "\0\0\0\0",
      12);  // version 0, no nodes
  const std::string path = Write("My Book.vop", book);
  const std::string missing = (dir_ / "gone.vop").string();
  // Version 0 switches weights and learning off; a later line turns
  // weights back on. A second book line closes the first book.
  EXPECT_EQ(Read("OpeningsBook = " + path + "\nUseBookWeights on\n"),
            "NG: Book learning not supported for book version 0\n0 nodes in openings book\n");
  EXPECT_EQ(book_loaded, 1);
  EXPECT_EQ(use_book_learning, 0);
  EXPECT_EQ(use_book_weights, 1);
  EXPECT_EQ(Read("OpeningsBook " + missing + "\n"), "Error opening \"" + missing + "\"!\n");
  EXPECT_EQ(book_loaded, 0);
  // A key with no value leaves the open book alone.
  Read("OpeningsBook " + path + "\n");
  ASSERT_EQ(book_loaded, 1);
  EXPECT_EQ(Read("OpeningsBook =\n"), "");
  EXPECT_EQ(book_loaded, 1);
}
