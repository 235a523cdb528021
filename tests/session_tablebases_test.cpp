// Tablebases seen from outside: the start-up lines, "egtbstat", the fatal
// messages of broken table files with exit status 1, and the UCI options.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>
#include <regex>
#include <string>
#include <vector>

#include "session_harness.h"
#include "tablebases/registry.h"
#include "tb_writer.h"
#include "test_util.h"

using namespace session;

namespace {

using tbw::Bytes;

std::string Text(const Bytes& bytes) { return std::string(bytes.begin(), bytes.end()); }

// A session whose working directory holds these table files, with the
// tablebase path set to that directory (an empty piece of the path).
SessionOptions WithTables(std::vector<ExtraFile> files, const std::string& ini_extra = "") {
  SessionOptions options;
  files.push_back({"Dravelnor.ini", "EGTBPath = ;\n" + ini_extra});
  options.files = std::move(files);
  return options;
}

// The start-up lines after the settings echo, up to the "readyok" that
// Ready() waited for.
std::vector<std::string> TablebaseLines(EngineSession& engine) {
  const std::vector<std::string>& lines = engine.transcript();
  size_t at = 0;
  while (at < lines.size() && lines[at].rfind("Pondering = ", 0) != 0) at++;
  std::vector<std::string> after;
  for (at += 2; at < lines.size() && lines[at] != "readyok"; at++) after.push_back(lines[at]);
  return after;
}

TEST(SessionTablebases, StartUpLinesAndStatus) {
  const Bytes kpk(81664, 0);
  const struct {
    const char* name;
    std::vector<ExtraFile> files;
    std::vector<std::string> lines;
  } cases[] = {
      {"none", {}, {"No EGTB files found"}},
      {"plain kpk", {{"kpk.nbw", Text(kpk)}}, {"3 piece EGTB files found"}},
      {"plain kpkp", {{"kpkp.nbb", Text(Bytes(3863492, 0))}}, {"4 piece EGTB files found"}},
  };
  for (const auto& c : cases) {
    EngineSession engine(WithTables(c.files));
    ASSERT_TRUE(Ready(engine)) << engine.error();
    EXPECT_EQ(Join(TablebaseLines(engine)), Join(c.lines)) << c.name;
    const std::vector<std::string> status = engine.Run("egtbstat");
    std::vector<std::string> expected = {"UseEGTB = TRUE", "tb_path = ;"};
    expected.insert(expected.end(), c.lines.begin(), c.lines.end());
    EXPECT_EQ(Join(status), Join(expected)) << c.name;
  }
  // A compressed file brings the decoder's memory line.
  EngineSession engine(WithTables({{"kpk.nbw.emd", Text(tbw::EncodeTableFile(kpk))}}));
  ASSERT_TRUE(Ready(engine));
  const std::vector<std::string> lines = TablebaseLines(engine);
  ASSERT_EQ(lines.size(), 2u) << Join(lines);
  EXPECT_EQ(lines[0], "3 piece EGTB files found");
  EXPECT_TRUE(std::regex_match(lines[1], std::regex("[0-9]+kb of RAM used for TB indices and decompression tables")))
      << lines[1];
  const std::vector<std::string> status = engine.Run("egtbstat");
  ASSERT_EQ(status.size(), 4u);
  EXPECT_EQ(status[3], lines[1]);
}

TEST(SessionTablebases, BrokenFilesEndTheEngineWithTheirMessage) {
  const Bytes kpk(81664, 0);
  const Bytes good = tbw::EncodeTableFile(kpk);
  Bytes banner = good, tag = good, short_decoded = good, split_extent;
  // Another banner does not excuse a header that is broken besides.
  banner[3] ^= 0x20;
  // Another banner and a sound header, but blocks that end short of the
  // file's end: a damaged file, not one of another format.
  Bytes banner_tail = banner;
  banner_tail.push_back(0);
  tbw::RefreshHeaderCheck(banner_tail);
  tag[77] = 0x41;
  tbw::RefreshHeaderCheck(tag);
  tbw::SetPackedField(short_decoded, tbw::BlockCount(good), 81000 - 9 * 8192);
  tbw::EncodeOptions small_blocks;
  small_blocks.block_bits = 12;
  const struct {
    const char* name;
    const char* file;
    Bytes content;
    std::string message;
  } cases[] = {
      {"plain size", "kpk.nbw", Bytes(81663, 0), "*** kpk.nbw corrupted 81664 81664 81663"},
      {"banner and check value", "kpk.nbw.emd", banner, "*** Unable to read kpk.nbw.emd - file broken"},
      {"banner and a byte past the blocks", "kpk.nbw.emd", banner_tail, "*** Unable to read kpk.nbw.emd - file broken"},
      {"format tag", "kpk_nbw.emd", tag, "*** Unable to read kpk_nbw.emd - file broken"},
      {"block size", "kpk_nbw_emd", tbw::EncodeTableFile(kpk, small_blocks),
       "*** kpk_nbw_emd: Unsupported block size 4096"},
      {"decoded size", "kpknbw.emd", short_decoded, "*** kpknbw.emd corrupted 81664 81664 81000"},
      {"split extent", "kqqpkq.0.nbw.emd", tbw::EncodeZeroFile(262144, 8191),
       "*** kqqpkq.0.nbw.emd corrupted 2147483648 855510632 2147483647"},
  };
  for (const auto& c : cases) {
    EngineSession engine(WithTables({{c.file, Text(c.content)}}));
    ASSERT_TRUE(engine.started()) << engine.error();
    const WaitResult seen = engine.WaitForPrefix("***");
    EXPECT_EQ(seen.match(), c.message) << c.name << "\n" << engine.TranscriptText();
    const ExitResult exit = engine.WaitExit();
    EXPECT_TRUE(exit.exited) << c.name;
    EXPECT_EQ(exit.code, 1) << c.name;
  }
}

// The one line registration prints when it found no table.
bool SaysNoTables(const std::vector<std::string>& lines) {
  return lines.size() == 1 && lines[0] == "No EGTB files found";
}

// Only regular files are table files: a directory or a FIFO named like one
// is as if the name were absent, later path pieces are still searched, and
// nothing holds up start-up.
TEST(SessionTablebases, NamesThatAreNotRegularFilesAreAbsent) {
  const Bytes kpk(81664, 0);
  const struct {
    const char* name;
    std::vector<std::string> directories, fifos;  // made under the folder
    std::vector<std::string> files;               // kpk.nbw contents, under the folder
    std::vector<std::string> pieces;              // the path's directories under the folder
    const char* found;                            // the found line; nullptr: none
  } cases[] = {
      {"directory named like a checked plain table", {"kpk.nbw"}, {}, {}, {""}, nullptr},
      {"directory named like a compressed file", {"kqk.nbw.emd"}, {}, {}, {""}, nullptr},
      {"directory named like an unchecked six-man table", {"kbnkbn.nbw"}, {}, {}, {""}, nullptr},
      {"directory in the first piece, the file in the next",
       {"a/kpk.nbw", "b"},
       {},
       {"b/kpk.nbw"},
       {"a", "b"},
       "3 piece EGTB files found"},
      {"FIFO named like a table", {}, {"kpk.nbw"}, {}, {""}, nullptr},
      {"FIFO in the first piece, the file in the next",
       {"a", "b"},
       {"a/kpk.nbw"},
       {"b/kpk.nbw"},
       {"a", "b"},
       "3 piece EGTB files found"},
  };
  for (const auto& c : cases) {
    const std::string folder = MakeTestFolder("tb_names");
    for (const std::string& d : c.directories) ASSERT_TRUE(std::filesystem::create_directories(folder + "/" + d)) << d;
    for (const std::string& f : c.fifos) ASSERT_EQ(mkfifo((folder + "/" + f).c_str(), 0644), 0) << f;
    for (const std::string& f : c.files) tbw::WriteFile(folder + "/" + f, kpk);
    std::string path;
    for (const std::string& piece : c.pieces)
      path += (path.empty() ? "" : ";") + folder + (piece.empty() ? "" : "/" + piece);
    SessionOptions options;
    options.files = {{"Dravelnor.ini", "EGTBPath = " + path + "\n"}};
    {
      EngineSession engine(options);
      const testing::AssertionResult ready = Ready(engine);
      EXPECT_TRUE(ready) << c.name;
      const std::vector<std::string> lines = TablebaseLines(engine);
      if (!ready)
        ;
      else if (c.found)
        EXPECT_EQ(Join(lines), Join({c.found})) << c.name;
      else
        EXPECT_TRUE(SaysNoTables(lines)) << c.name << "\n" << Join(lines);
    }
    std::system(("rm -rf " + folder).c_str());
  }
}

// A compressed file is one of this engine's only when it starts with the
// engine's banner.
Bytes WithAnotherBanner(Bytes file) {
  const char text[] = "Another compressor wrote this file: its banner is not ours";
  static_assert(sizeof text - 1 == 58);
  std::copy(text, text + 58, file.begin());
  tbw::RefreshHeaderCheck(file);
  return file;
}

// The folders of the path: the working directory holds a three-man
// table, "t3" another, "tb" a four-man one.
const std::vector<ExtraFile> kPathFolders = {{"kpk.nbw", Text(Bytes(81664, 0))},
                                             {"t3/kpk.nbw", Text(Bytes(81664, 0))},
                                             {"tb/kpkp.nbb", Text(Bytes(3863492, 0))}};

// A leading drive stands for the working directory, in the path as in
// every other file name: "C:" and "c:\\" name the working directory itself.
// Blanks around a piece are dropped, for the folder test and the table
// names alike.
TEST(SessionTablebases, PathPiecesNameTheirFolders) {
  const struct {
    const char* path;
    const char* found;
  } cases[] = {
      {"C:", "3 piece EGTB files found"},         {"c:\\", "3 piece EGTB files found"},
      {"c:\\tb", "4 piece EGTB files found"},     {"C:tb", "4 piece EGTB files found"},
      {"c:\\tb\\", "4 piece EGTB files found"},   {"tb   ", "4 piece EGTB files found"},
      {"tb ;t3", "4 piece EGTB files found"},     {"t3; tb", "4 piece EGTB files found"},
      {"t3 ,  tb  ", "4 piece EGTB files found"}, {"t3;tb", "4 piece EGTB files found"},
      {"t3 ", "3 piece EGTB files found"},        {" c:\\tb ; t3", "4 piece EGTB files found"},
  };
  for (const auto& c : cases) {
    SessionOptions options;
    options.files = kPathFolders;
    options.files.push_back({"Dravelnor.ini", std::string("EGTBPath = ") + c.path + "\n"});
    EngineSession engine(options);
    ASSERT_TRUE(Ready(engine)) << c.path;
    EXPECT_EQ(Join(TablebaseLines(engine)), Join({c.found})) << '"' << c.path << '"';
  }
}

// The last "tbhits" number of the lines.
long LastTbHits(const std::vector<std::string>& lines) {
  long hits = -1;
  for (const std::string& line : lines) {
    const size_t at = line.rfind(" tbhits ");
    if (at != std::string::npos) hits = std::atol(line.c_str() + at + 8);
  }
  return hits;
}

// A front end's CRLF line: the blank the '\r' leaves is no part of the
// path, and the tables are found and read.
TEST(SessionTablebases, ACrlfPathFindsItsTables) {
  SessionOptions options;
  options.files = kPathFolders;
  EngineSession engine(options);
  ASSERT_TRUE(Ready(engine));
  engine.Run("uci");
  ASSERT_TRUE(engine.SendRaw("setoption name NalimovPath value tb\r\n"));
  const std::vector<std::string> status = engine.Run("egtbstat");
  ASSERT_GE(status.size(), 3u);
  EXPECT_EQ(status[1], "tb_path = tb");
  EXPECT_EQ(status[2], "4 piece EGTB files found");
  // The tables are read, not only registered: the search probes them.
  EXPECT_EQ(Join(engine.Run("position fen 8/8/8/3k4/3p4/8/3P4/3K4 w - - 0 1")), "");
  ASSERT_TRUE(engine.Send("go depth 3"));
  const WaitResult result = engine.WaitForPrefix("bestmove");
  ASSERT_TRUE(result.matched) << engine.TranscriptText();
  EXPECT_GT(LastTbHits(result.before()), 0) << engine.TranscriptText();
}

TEST(SessionTablebases, SearchTakesTheTablesValues) {
  // Every position of kqk with black to move is stored as "mated": white's
  // every move mates at once, as far as the search can tell.
  EngineSession engine(WithTables({{"kqk.nbb", Text(Bytes(28644, tbw::LossByte(0)))}}));
  ASSERT_TRUE(Ready(engine));
  engine.Run("uci");
  for (const char* fen : {"4k3/8/8/8/8/8/8/4KQ2 w - - 0 1", "4kq2/8/8/8/8/8/8/4K3 b - - 0 1"}) {
    engine.Send(std::string("position fen ") + fen);
    engine.Send("go depth 4");
    const WaitResult result = engine.WaitForPrefix("bestmove");
    ASSERT_TRUE(result.matched) << engine.TranscriptText();
    EXPECT_NE(Join(result.before()).find("score mate 1 "), std::string::npos) << fen << "\n" << Join(result.before());
    EXPECT_GT(LastTbHits(result.before()), 0) << fen;
  }
}

TEST(SessionTablebases, ACompressedFileOfAnotherFormatIsSkipped) {
  // krk.nbw.emd has a sound header behind another banner: it is skipped
  // with one line, and the plain kqk.nbb in the next directory of the path
  // is registered and read.
  const std::string folder = MakeTestFolder("tb_banner");
  for (const char* piece : {"/a", "/b"}) ASSERT_TRUE(std::filesystem::create_directories(folder + piece));
  tbw::WriteFile(folder + "/a/krk.nbw.emd", WithAnotherBanner(tbw::EncodeTableFile(Bytes(27030, tbw::DRAW_BYTE))));
  tbw::WriteFile(folder + "/b/kqk.nbb", Bytes(28644, tbw::LossByte(0)));
  SessionOptions options;
  options.files = {{"Dravelnor.ini", "EGTBPath = " + folder + "/a;" + folder + "/b\n"}};
  {
    EngineSession engine(options);
    ASSERT_TRUE(Ready(engine));
    EXPECT_EQ(Join(TablebaseLines(engine)),
              Join({folder + "/a/krk.nbw.emd: compressed format not recognised, skipped", "3 piece EGTB files found"}));
    engine.Run("uci");
    const struct {
      const char* fen;
      bool table_hits;
    } searches[] = {
        {"4k3/8/8/8/8/8/8/4KQ2 w - - 0 1", true},   // children in kqk.nbb
        {"4k3/8/8/8/8/8/8/4KR2 b - - 0 1", false},  // children in krk.nbw
    };
    for (const auto& search : searches) {
      engine.Send(std::string("position fen ") + search.fen);
      engine.Send("go depth 4");
      const WaitResult result = engine.WaitForPrefix("bestmove");
      ASSERT_TRUE(result.matched) << engine.TranscriptText();
      if (search.table_hits) {
        EXPECT_GT(LastTbHits(result.before()), 0) << search.fen;
      } else {
        EXPECT_EQ(LastTbHits(result.before()), 0) << search.fen;
      }
    }
  }
  std::system(("rm -rf " + folder).c_str());
}

TEST(SessionTablebases, AnEntryCutByTheEndOfTheFileHasNoValue) {
  // krnknn has 16-bit entries (plain files of such tables are not
  // size-checked). The root's move Ra6-h6 leads to the position placed
  // below, with black to move; krnknn.nbb ends with that position's entry,
  // after entries that all hold "no value". No other table is there. Whole,
  // the entry (-32700, black lost) reads; cut after its low byte, it has no
  // value.
  const char root[] = "7N/8/R7/8/7n/7K/7n/7k w - - 0 1";
  constexpr int KNIGHTS = 3, ROOKS = 9, KING = 15;
  int32_t white[16] = {}, black[16] = {};
  white[KING] = 23, white[ROOKS] = 47, white[KNIGHTS] = 63;       // Kh3 Rh6 Nh8
  black[KING] = 7, black[KNIGHTS] = 15, black[KNIGHTS + 1] = 31;  // Kh1 Nh2 Nh4
  int row = 1;
  while (row < TB_TABLE_ROWS - 1 && std::string(tb_descriptors[row].signature) != "krnknn") row++;
  const TbDescriptor& krnknn = tb_descriptors[row];
  ASSERT_TRUE(krnknn.flags & TB_FLAG_WORD_ENTRIES);
  InitEnumerationTables();
  const uint64_t index = krnknn.index_function[1](white, black, TB_NO_EP_SQUARE, 0);
  ASSERT_LT(index, 1u << 20);
  Bytes before;
  for (uint64_t i = 0; i < index; i++) before.insert(before.end(), {0xFF, 0x7F});

  const struct {
    const char* name;
    Bytes entry;  // low byte first
    bool table_mate;
  } cases[] = {
      {"whole entry", {0x44, 0x80}, true},
      {"cut entry", {0x44}, false},
  };
  for (const auto& c : cases) {
    Bytes file = before;
    file.insert(file.end(), c.entry.begin(), c.entry.end());
    EngineSession engine(WithTables({{"krnknn.nbb", Text(file)}}));
    ASSERT_TRUE(Ready(engine));
    EXPECT_EQ(Join(TablebaseLines(engine)), Join({"6 piece EGTB files found"}));
    engine.Run("uci");
    // Only Ra6-h6 is searched: the root's score is that of the entry's
    // position when the table answers.
    engine.Send(std::string("position fen ") + root);
    engine.Send("go depth 3 searchmoves a6h6");
    const WaitResult result = engine.WaitForPrefix("bestmove");
    ASSERT_TRUE(result.matched) << engine.TranscriptText();
    const std::string lines = Join(result.before());
    EXPECT_EQ(result.match().rfind("bestmove a6h6", 0), 0u) << c.name << ": " << result.match();
    EXPECT_EQ(lines.find("score mate") != std::string::npos, c.table_mate) << c.name << "\n" << lines;
    EXPECT_EQ(LastTbHits(result.before()) > 0, c.table_mate) << c.name << "\n" << lines;
  }
}

TEST(SessionTablebases, AFileGoneAfterStartUpIsDropped) {
  // Registered at start-up, removed before any block of it was read: the
  // first read fails, the table is dropped and the search goes on without.
  EngineSession engine(WithTables({{"kqk.nbb", Text(Bytes(28644, tbw::LossByte(0)))}}));
  ASSERT_TRUE(Ready(engine));
  engine.Run("uci");
  ASSERT_EQ(std::remove((engine.directory() + "/kqk.nbb").c_str()), 0);
  for (int round = 0; round < 2; round++) {
    engine.Send("position fen 4k3/8/8/8/8/8/8/4KQ2 w - - 0 1");
    engine.Send("go depth 4");
    const WaitResult result = engine.WaitForPrefix("bestmove");
    ASSERT_TRUE(result.matched) << engine.TranscriptText();
    EXPECT_EQ(Join(result.before()).find("score mate"), std::string::npos) << Join(result.before());
    EXPECT_EQ(LastTbHits(result.before()), 0);
  }
}

TEST(SessionTablebases, UciPathAndCacheOptions) {
  const std::string folder = MakeTestFolder("session_tb");
  tbw::WriteFile(folder + "/kqk.nbw", Bytes(25629, 0));
  {
    EngineSession engine;
    ASSERT_TRUE(Ready(engine));
    engine.Run("uci");
    const std::vector<std::string> before = engine.Run("egtbstat");
    ASSERT_GE(before.size(), 3u);
    EXPECT_EQ(before[2], "No EGTB files found");
    engine.Run("setoption name NalimovPath value " + folder);
    engine.Run("setoption name NalimovCache value 4");
    const std::vector<std::string> after = engine.Run("egtbstat");
    ASSERT_GE(after.size(), 3u);
    EXPECT_EQ(after[1], "tb_path = " + folder);
    EXPECT_EQ(after[2], "3 piece EGTB files found");
  }
  {
    // With tablebases off the path is not even taken.
    SessionOptions options;
    options.files = {{"Dravelnor.ini", "UseEGTB = off\n"}};
    EngineSession engine(options);
    ASSERT_TRUE(Ready(engine));
    for (const std::string& line : engine.transcript()) EXPECT_EQ(line.find("EGTB files"), std::string::npos) << line;
    engine.Run("setoption name NalimovPath value " + folder);
    const std::vector<std::string> status = engine.Run("egtbstat");
    ASSERT_GE(status.size(), 3u);
    EXPECT_EQ(status[0], "UseEGTB = FALSE");
    EXPECT_EQ(status[1], "tb_path = c:\\tablebases\\");
    EXPECT_EQ(status[2], "No EGTB files found");
  }
  {
    // A path with nothing after "value" is the working directory.
    SessionOptions options;
    options.files = {{"kpk.nbw", Text(Bytes(81664, 0))}};
    EngineSession engine(options);
    ASSERT_TRUE(Ready(engine));
    EXPECT_TRUE(SaysNoTables(TablebaseLines(engine))) << Join(TablebaseLines(engine));
    engine.Run("uci");
    engine.Run("setoption name NalimovPath value");
    const std::vector<std::string> status = engine.Run("egtbstat");
    ASSERT_GE(status.size(), 3u);
    EXPECT_EQ(status[1], "tb_path = ");
    EXPECT_EQ(status[2], "3 piece EGTB files found");
  }
  std::system(("rm -rf " + folder).c_str());
}

}  // namespace
