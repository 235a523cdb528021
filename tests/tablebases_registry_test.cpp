// The table rows, material keys and registration of table files from the
// directories of a path, with plain, sparse and compressed fixtures.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <set>
#include <string>

#include "tablebases/cache.h"
#include "tablebases/material_keys.h"
#include "tablebases/registry.h"
#include "tablebases/tablebases.h"
#include "tb_fixture.h"
#include "tb_writer.h"

namespace {

using tbw::Bytes;

int RowOf(const char* signature) {
  for (int id = 1; id < TB_TABLE_ROWS; id++)
    if (std::strcmp(tb_descriptors[id].signature, signature) == 0) return id;
  return 0;
}

TEST(TbDescriptors, RowsFallIntoTheirClassesWithTheirFlags) {
  int symmetric = 0, word = 0, split = 0;
  std::set<std::string> seen;
  struct Class {
    int first, last, white, black, pawnless;
  };
  const Class classes[] = {{1, 5, 1, 0, 4},      {6, 20, 1, 1, 10},    {21, 35, 2, 0, 10},  {36, 110, 2, 1, 40},
                           {111, 145, 3, 0, 20}, {146, 265, 2, 2, 55}, {266, 440, 3, 1, 80}};
  for (const Class& c : classes) {
    int pawnless = 0;
    for (int id = c.first; id <= c.last; id++) {
      const TbDescriptor& d = tb_descriptors[id];
      EXPECT_EQ(d.id, id);
      int32_t counts[10];
      ParseTableSignature(counts, d.signature);
      int white = 0, black = 0;
      for (int i = 0; i < 5; i++) white += counts[i], black += counts[i + 5];
      EXPECT_EQ(white, c.white) << d.signature;
      EXPECT_EQ(black, c.black) << d.signature;
      const bool has_pawns = counts[0] + counts[5] > 0;
      pawnless += !has_pawns;
      // The two big classes put their tables without pawns first.
      if (c.first >= 146) {
        EXPECT_EQ(has_pawns, id - c.first >= c.pawnless) << d.signature;
      }
      const bool equal_material = std::equal(counts, counts + 5, counts + 5);
      EXPECT_EQ(bool(d.flags & TB_FLAG_SYMMETRIC), equal_material && id != 6) << d.signature;
      if (d.flags & TB_FLAG_SPLIT) {
        EXPECT_GE(id, 146) << d.signature;
      }
      symmetric += bool(d.flags & TB_FLAG_SYMMETRIC);
      word += bool(d.flags & TB_FLAG_WORD_ENTRIES);
      split += bool(d.flags & TB_FLAG_SPLIT);
      EXPECT_TRUE(seen.insert(d.signature).second) << d.signature;
      EXPECT_GT(d.entries[0], 0) << d.signature;
      EXPECT_GT(d.entries[1], 0) << d.signature;
    }
    EXPECT_EQ(pawnless, c.pawnless) << "rows " << c.first << "-" << c.last;
  }
  EXPECT_EQ(symmetric, 19);
  EXPECT_EQ(word, 64);
  EXPECT_EQ(split, 153);
  EXPECT_STREQ(tb_descriptors[0].signature, "kk");
}

TEST(TbDescriptors, TellingRowsHaveTheirCountsAndExtents) {
  const struct {
    const char* signature;
    int id;
    int64_t white, black;
    int extents_white, extents_black;
  } rows[] = {
      {"kpk", 1, 81664, 84012, 1, 1},
      {"knk", 2, 26282, 28644, 1, 1},
      {"kqk", 5, 25629, 28644, 1, 1},
      {"kpkp", 6, 3863492, 3863492, 1, 1},
      {"kbnkbn", 180, 5489194800, 5489194800, 1, 1},
      {"kqqpkq", 440, 7297961576, 8514011520, 4, 4},
      {"kqbpkq", 438, 15787021288, 17028023040, 15, 16},
  };
  for (const auto& r : rows) {
    ASSERT_EQ(RowOf(r.signature), r.id) << r.signature;
    const TbDescriptor& d = tb_descriptors[r.id];
    EXPECT_EQ(d.entries[0], r.white) << r.signature;
    EXPECT_EQ(d.entries[1], r.black) << r.signature;
    EXPECT_EQ(ExtentCount(d, 0), r.extents_white) << r.signature;
    EXPECT_EQ(ExtentCount(d, 1), r.extents_black) << r.signature;
  }
  EXPECT_TRUE(tb_descriptors[180].flags & TB_FLAG_SYMMETRIC);
  EXPECT_FALSE(tb_descriptors[180].flags & TB_FLAG_SPLIT);
  EXPECT_EQ(tb_descriptors[440].flags, TB_FLAG_SPLIT);
  EXPECT_EQ(tb_descriptors[438].flags, TB_FLAG_SPLIT | TB_FLAG_WORD_ENTRIES);
  std::string characters;
  for (int e : {0, 9, 10, 11, 17}) characters += ExtentCharacter(e);
  EXPECT_EQ(characters, "09abh");
}

TEST(TbDescriptors, RowsMatchTheIndexFunctionsList) {
  // The registry's rows take their signatures, counts and functions from the
  // index functions' list; each row must reach its own table.
  for (int id = 1; id < TB_TABLE_ROWS; id++) {
    const TbDescriptor& d = tb_descriptors[id];
    EXPECT_STREQ(d.signature, tb_index_signatures[id]);
    EXPECT_EQ(uint64_t(d.entries[0]), tb_index_entries[id][0]) << d.signature;
    EXPECT_EQ(uint64_t(d.entries[1]), tb_index_entries[id][1]) << d.signature;
    EXPECT_EQ(d.index_function[0], tb_index_functions[id][0]);
    EXPECT_NE(d.index_function[0], nullptr) << d.signature;
    EXPECT_NE(d.index_function[1], nullptr) << d.signature;
  }
}

TEST(TbMaterialKeys, StoredAndLookedUpInBothColours) {
  InitMaterialKeyTree();
  ASSERT_TRUE(RegisterMaterialSignature(&tb_descriptors[89]));  // kqpkr
  const int32_t queen_pawn_against_rook[10] = {1, 0, 0, 0, 1, 0, 0, 0, 1, 0};
  const int32_t rook_against_queen_pawn[10] = {0, 0, 0, 1, 0, 1, 0, 0, 0, 1};
  EXPECT_EQ(LookupTableId(queen_pawn_against_rook), 89);
  EXPECT_EQ(LookupTableId(rook_against_queen_pawn), -89);
  ASSERT_TRUE(RegisterMaterialSignature(&tb_descriptors[8]));  // knkn, symmetric
  const int32_t knight_each[10] = {0, 1, 0, 0, 0, 0, 1, 0, 0, 0};
  EXPECT_EQ(LookupTableId(knight_each), 8);
  ASSERT_TRUE(RegisterMaterialSignature(&tb_descriptors[6]));  // kpkp: the second store wins
  const int32_t pawn_each[10] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0};
  EXPECT_EQ(LookupTableId(pawn_each), -6);
  const int32_t five_men[10] = {1, 1, 1, 0, 0, 1, 0, 0, 1, 0};
  EXPECT_EQ(LookupTableId(five_men), 0);
  EXPECT_EQ(StoreTableId(77, five_men), 0);
  const int32_t four_against_bare[10] = {0, 0, 0, 0, 4, 0, 0, 0, 0, 0};
  EXPECT_EQ(LookupTableId(four_against_bare), 0);
  const int32_t never_registered[10] = {0, 0, 0, 0, 0, 0, 0, 3, 0, 0};
  EXPECT_EQ(LookupTableId(never_registered), 0);
  int32_t counts[5];
  EXPECT_STREQ(ParseSideMaterial(counts, "qxbk"), "k");
  EXPECT_EQ(counts[0], 1);  // an unknown letter is a pawn
  EXPECT_EQ(counts[2], 1);
  EXPECT_EQ(counts[4], 1);
}

using TbRegistration = TbFolderTest;

TEST_F(TbRegistration, LargestTableGivesTheResult) {
  EXPECT_EQ(InitTablebases(nullptr), 0);
  EXPECT_EQ(InitTablebases(folder.c_str()), 0);
  const struct {
    const char* name;
    uint64_t size;
    int men;
  } cases[] = {
      {"kpk.nbw", 81664, 3},
      {"kpkp.nbb", 3863492, 4},
      {"kppkp.nbw", 84219361, 5},
      {"kppkpp.nbw", 1000, 6},  // 2-byte entries: not size-checked
  };
  for (const auto& c : cases) {
    tbw::WriteSparseFile(folder + "/" + c.name, c.size);
    EXPECT_EQ(InitTablebases(folder.c_str()), c.men) << c.name;
    std::remove((folder + "/" + c.name).c_str());
  }
  // The largest table of all directories counts, not that of the last.
  const std::string a = folder + "/a", b = folder + "/b";
  ASSERT_EQ(mkdir(a.c_str(), 0755), 0);
  ASSERT_EQ(mkdir(b.c_str(), 0755), 0);
  tbw::WriteSparseFile(a + "/kppkp.nbb", 89391280);
  tbw::WriteSparseFile(b + "/kpk.nbb", 84012);
  EXPECT_EQ(InitTablebases((a + ";" + b).c_str()), 5);
}

TEST_F(TbRegistration, FiveNameFormsWithPlainAndCompressedFiles) {
  const Bytes data(25629, 0);
  const Bytes compressed = tbw::EncodeTableFile(data);
  const struct {
    const char* name;
    bool compressed;
  } forms[] = {
      {"kqk.nbw", false}, {"kqk.nbw.emd", true}, {"kqk_nbw.emd", true}, {"kqk_nbw_emd", true}, {"kqknbw.emd", true}};
  for (const auto& f : forms) {
    const std::string path = folder + "/" + f.name;
    tbw::WriteFile(path, f.compressed ? compressed : data);
    const int32_t before = tb_compressed_files;
    ASSERT_EQ(InitTablebases(folder.c_str()), 3) << f.name;
    EXPECT_STREQ(tb_descriptors[5].file_name[0][0], path.c_str());
    EXPECT_EQ(tb_descriptors[5].file_name[1][0], nullptr);
    EXPECT_EQ(tb_descriptors[5].block_index[0][0] != nullptr, f.compressed) << f.name;
    EXPECT_EQ(tb_compressed_files, before + (f.compressed ? 1 : 0)) << f.name;
    if (f.compressed) {
      EXPECT_NE(tb_decoder_state, nullptr);
      EXPECT_GT(tb_decoder_memory, TB_DECODER_STATE_BYTES);
    }
    std::remove(path.c_str());
  }
  // The fifth form only for tables up to five men; the third and fourth not
  // for split tables.
  tbw::WriteFile(folder + "/kbnkbnnbw.emd", tbw::EncodeZeroFile(1, 8192));
  tbw::WriteFile(folder + "/kqqpkq.0_nbw.emd", tbw::EncodeZeroFile(1, 8192));
  tbw::WriteFile(folder + "/kqqpkq.0_nbw_emd", tbw::EncodeZeroFile(1, 8192));
  EXPECT_EQ(InitTablebases(folder.c_str()), 0);
}

TEST_F(TbRegistration, DirectoriesInOrderAndTheirSeparators) {
  const std::string a = folder + "/a", b = folder + "/b";
  ASSERT_EQ(mkdir(a.c_str(), 0755), 0);
  ASSERT_EQ(mkdir(b.c_str(), 0755), 0);
  for (const std::string& d : {a, b}) tbw::WriteSparseFile(d + "/kpk.nbw", 81664);
  tbw::WriteSparseFile(b + "/kpk.nbb", 84012);
  // A split table: extents 0 and 1 in a, 2 and 3 in b, and 0 again in b.
  for (int e : {0, 1}) tbw::WriteSparseFile(a + "/kqqpkq." + char('0' + e) + ".nbw", 100);
  for (int e : {0, 2, 3}) tbw::WriteSparseFile(b + "/kqqpkq." + char('0' + e) + ".nbw", 100);
  const std::string path = folder + "/missing;" + a + "," + b + "/";
  ASSERT_EQ(InitTablebases(path.c_str()), 6);
  EXPECT_EQ(std::string(tb_descriptors[1].file_name[0][0]), a + "/kpk.nbw");
  EXPECT_EQ(std::string(tb_descriptors[1].file_name[1][0]), b + "/kpk.nbb");
  const TbDescriptor& split = tb_descriptors[440];
  EXPECT_EQ(std::string(split.file_name[0][0]), a + "/kqqpkq.0.nbw");
  EXPECT_EQ(std::string(split.file_name[0][1]), a + "/kqqpkq.1.nbw");
  EXPECT_EQ(std::string(split.file_name[0][2]), b + "/kqqpkq.2.nbw");
  EXPECT_EQ(std::string(split.file_name[0][3]), b + "/kqqpkq.3.nbw");
  EXPECT_EQ(split.file_name[0][4], nullptr);
  EXPECT_EQ(split.file_name[1][0], nullptr);

  // Empty pieces are the current directory: names without a directory.
  char here[4096];
  ASSERT_NE(getcwd(here, sizeof here), nullptr);
  ASSERT_EQ(chdir(a.c_str()), 0);
  const int found = InitTablebases(";");
  const std::string name = tb_descriptors[1].file_name[0][0] ? tb_descriptors[1].file_name[0][0] : "";
  ASSERT_EQ(chdir(here), 0);
  EXPECT_EQ(found, 6);
  EXPECT_EQ(name, "kpk.nbw");
  // Registering again forgets what is gone.
  ASSERT_EQ(InitTablebases(b.c_str()), 6);
  EXPECT_EQ(std::string(tb_descriptors[1].file_name[0][0]), b + "/kpk.nbw");
  EXPECT_NE(tb_descriptors[440].file_name[0][0], nullptr);
  EXPECT_EQ(tb_descriptors[440].file_name[0][1], nullptr);
  EXPECT_EQ(tb_descriptors[440].file_name[0][2], nullptr) << "stops at the first missing extent";
}

TEST_F(TbRegistration, SymmetricTablesOnlyForWhiteAndExtentsPastNine) {
  for (const char* name : {"kqkq.nbw", "kqkq.nbb", "kpkp.nbw", "kpkp.nbb"})
    tbw::WriteSparseFile(folder + "/" + name, name[1] == 'q' ? 1563735 : 3863492);
  for (int e = 0; e <= 10; e++) tbw::WriteSparseFile(folder + "/kqbpkq." + ExtentCharacter(e) + ".nbb", 0);
  ASSERT_EQ(InitTablebases(folder.c_str()), 6);
  EXPECT_NE(tb_descriptors[20].file_name[0][0], nullptr);
  EXPECT_EQ(tb_descriptors[20].file_name[1][0], nullptr);
  EXPECT_NE(tb_descriptors[6].file_name[0][0], nullptr);
  EXPECT_NE(tb_descriptors[6].file_name[1][0], nullptr);
  EXPECT_EQ(std::string(tb_descriptors[438].file_name[1][10]), folder + "/kqbpkq.a.nbb");
  EXPECT_EQ(tb_descriptors[438].file_name[1][11], nullptr);
  EXPECT_EQ(tb_descriptors[438].file_name[0][0], nullptr);
  // Both sides of kqkq are read from the white file.
  EXPECT_EQ(IsTableAvailable(20, 1), 1);
}

TEST_F(TbRegistration, CompressedExtentsDecodeToWholeExtents) {
  // Extent 0 of kqqpkq (white to move) holds 2^31 entries: 262144 blocks.
  tbw::WriteFile(folder + "/kqqpkq.0.nbw.emd", tbw::EncodeZeroFile(262144, 8192));
  const uint64_t rest = 7297961576ull - 3 * (1ull << 31);
  ASSERT_EQ(rest, 855510632u);
  const uint64_t blocks = (rest + 8191) / 8192;
  tbw::WriteFile(folder + "/kqqpkq.1.nbw.emd", tbw::EncodeZeroFile(blocks, int(rest - (blocks - 1) * 8192)));
  ASSERT_EQ(InitTablebases(folder.c_str()), 6);
  EXPECT_NE(tb_descriptors[440].block_index[0][0], nullptr);
  EXPECT_NE(tb_descriptors[440].block_index[0][1], nullptr);
  EXPECT_EQ(tb_descriptors[440].file_name[0][2], nullptr);
}

}  // namespace

namespace {

// The name of one extent's plain file, as registration looks for it first.
std::string PlainName(const TbDescriptor& table, int side, int extent) {
  std::string name = table.signature;
  if (table.flags & TB_FLAG_SPLIT) name += std::string(".") + ExtentCharacter(extent);
  return name + (side == 0 ? ".nbw" : ".nbb");
}

// Bytes of one extent of the side's table data.
uint64_t ExtentBytes(const TbDescriptor& table, int side, int extent) {
  const uint64_t total = uint64_t(table.entries[side]) * EntryBytes(table);
  const int extents = ExtentCount(table, side);
  return extent + 1 < extents ? uint64_t(TB_EXTENT_BYTES) : total - uint64_t(extents - 1) * TB_EXTENT_BYTES;
}

int MenOf(const TbDescriptor& table) { return int(std::strlen(table.signature)); }

}  // namespace

TEST_F(TbRegistration, EveryFiveAndSixManTableFromFilesOfItsExactSize) {
  int sides = 0, files = 0;
  for (int id = 1; id < TB_TABLE_ROWS; id++) {
    const TbDescriptor& table = tb_descriptors[id];
    if (MenOf(table) < 5) continue;
    for (int side = 0; side < 2; side++) {
      if (side == 1 && (table.flags & TB_FLAG_SYMMETRIC)) continue;
      for (int e = 0; e < ExtentCount(table, side); e++, files++)
        tbw::WriteSparseFile(folder + "/" + PlainName(table, side, e), ExtentBytes(table, side, e));
      sides++;
    }
  }
  ASSERT_EQ(InitTablebases(folder.c_str()), 6);
  EXPECT_GT(files, sides);  // split tables really came in several extents
  for (int id = 1; id < TB_TABLE_ROWS; id++) {
    const TbDescriptor& table = tb_descriptors[id];
    if (MenOf(table) < 5) continue;
    for (int side = 0; side < 2; side++) {
      if (side == 1 && (table.flags & TB_FLAG_SYMMETRIC)) {
        EXPECT_EQ(table.file_name[1][0], nullptr) << table.signature;
        continue;
      }
      const int extents = ExtentCount(table, side);
      for (int e = 0; e < extents; e++)
        EXPECT_NE(table.file_name[side][e], nullptr) << table.signature << " side " << side << " extent " << e;
      if (extents < TB_MAX_EXTENTS) {
        EXPECT_EQ(table.file_name[side][extents], nullptr) << table.signature;
      }
      EXPECT_EQ(IsTableAvailable(id, side), 1) << table.signature << " side " << side;
    }
  }
}

// A checked plain file one byte short ends the engine at registration: every
// five- and six-man table whose plain files are size-checked (1-byte
// entries, fewer than 2^31 of them), one in eight of them to keep it quick.
TEST_F(TbRegistration, EveryCheckedFiveAndSixManFileOneByteShortIsRefused) {
  testing::FLAGS_gtest_death_test_style = "fast";
  int checked = 0, candidates = 0;
  for (int id = 1; id < TB_TABLE_ROWS; id++) {
    const TbDescriptor& table = tb_descriptors[id];
    if (MenOf(table) < 5 || (table.flags & (TB_FLAG_WORD_ENTRIES | TB_FLAG_SPLIT))) continue;
    const int side = (table.flags & TB_FLAG_SYMMETRIC) ? 0 : id % 2;
    if (table.entries[side] >= TB_EXTENT_BYTES || candidates++ % 8 != 0) continue;
    const std::string path = folder + "/" + PlainName(table, side, 0);
    tbw::WriteSparseFile(path, ExtentBytes(table, side, 0) - 1);
    EXPECT_EXIT(InitTablebases(folder.c_str()), testing::ExitedWithCode(1), "") << table.signature;
    std::remove(path.c_str());
    checked++;
  }
  EXPECT_GE(checked, 15);
}
