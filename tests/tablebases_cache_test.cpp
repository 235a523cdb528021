// The block cache and the table values read through it: cache sizes, hits
// without file reads, eviction, short and huge plain files, 16-bit entries,
// split and compressed extents, damaged and vanished files.
#include <gtest/gtest.h>

#include <cstdio>
#include <random>
#include <string>

#include "interface/options.h"
#include "tablebases/cache.h"
#include "tablebases/registry.h"
#include "tablebases/tablebases.h"
#include "tb_fixture.h"
#include "tb_writer.h"
#include "test_util.h"

namespace {

using tbw::Bytes;

// What a stored byte means, written out from the value table.
int32_t ExpectedByteValue(uint8_t stored) {
  const int b = int8_t(stored);
  if (b == 0) return 0;
  if (b == 127) return 32767;
  if (b == -128) return 32640;
  if (b == -127) return -32640;
  return b > 0 ? b + 32640 : b - 32640;
}

Bytes PatternData(size_t size, uint32_t seed) {
  std::mt19937 random(seed);
  Bytes data(size);
  for (auto& b : data) b = uint8_t(random() % 4 ? 0x70 + random() % 8 : random());
  return data;
}

constexpr int KQK = 5, KPKP = 6, KPPKP = 36, KBNKBN = 180, KPPKPP = 201, KQQPKQ = 440;

using TbCache = TbFolderTest;

TEST_F(TbCache, AreaSizeGivesTheEntryCount) {
  tbw::WriteFile(folder + "/kqk.nbb", PatternData(28644, 1));
  EXPECT_EQ(TB_CACHE_ENTRY_BYTES, sizeof(void*) == 8 ? 8280u : 8260u);
  ASSERT_EQ(RegisterWithCache(int(TB_CACHE_ENTRY_BYTES) - 1), 3);
  EXPECT_EQ(tb_cache_entries, 0u);
  EXPECT_EQ(ProbeTableEntry(KQK, 1, 5), TB_BROKEN);
  EXPECT_EQ(tb_descriptors[KQK].file[1][0], nullptr) << "an idle cache opens nothing";
  EXPECT_EQ(IsTableAvailable(KQK, 1), 1);
  tb_cache_size = int(TB_CACHE_ENTRY_BYTES) * 3 + 10;
  AllocateTablebaseCache();
  EXPECT_EQ(tb_cache_entries, 3u);
  SetTablebaseCacheSize(2);
  EXPECT_EQ(tb_cache_size, 2 << 20);
  EXPECT_EQ(tb_cache_entries, uint32_t((2 << 20) / TB_CACHE_ENTRY_BYTES));
}

TEST_F(TbCache, EveryEntryReadsRightThroughOneOrThreeCachedBlocks) {
  const Bytes data = PatternData(28644, 2);  // four blocks, the last short
  tbw::WriteFile(folder + "/kqk.nbb", data);
  for (int entries : {1, 3}) {
    ASSERT_EQ(RegisterWithCache(int(TB_CACHE_ENTRY_BYTES) * entries), 3);
    // In order, then alternating between two blocks, then at random.
    for (uint64_t i = 0; i < data.size(); i++) ASSERT_EQ(ProbeTableEntry(KQK, 1, i), ExpectedByteValue(data[i])) << i;
    for (int k = 0; k < 20; k++) {
      const uint64_t i = (k & 1) ? 8192 * 3 + 17 : 5;
      ASSERT_EQ(ProbeTableEntry(KQK, 1, i), ExpectedByteValue(data[i]));
    }
    std::mt19937 random(entries);
    for (int k = 0; k < 3000; k++) {
      const uint64_t i = random() % data.size();
      ASSERT_EQ(ProbeTableEntry(KQK, 1, i), ExpectedByteValue(data[i])) << i;
    }
    // Past the stored count: no value, and the file stays.
    EXPECT_EQ(ProbeTableEntry(KQK, 1, data.size()), TB_BROKEN);
    EXPECT_EQ(IsTableAvailable(KQK, 1), 1);
  }
}

TEST_F(TbCache, HitsNeedNoFileAndEvictionKeepsTheChain) {
  // kpkp, white to move: 472 blocks; blocks 0, 32, 64 and 96 share chain 0.
  std::vector<std::pair<uint64_t, Bytes>> marks;
  for (uint64_t block : {0, 32, 64, 96, 1}) marks.push_back({block * 8192 + 3, Bytes{uint8_t(block + 1)}});
  tbw::WriteSparseFile(folder + "/kpkp.nbw", 3863492, marks);
  ASSERT_EQ(RegisterWithCache(int(TB_CACHE_ENTRY_BYTES) * 3), 4);
  for (uint64_t block : {0, 32, 64, 96})
    ASSERT_EQ(ProbeTableEntry(KPKP, 0, block * 8192 + 3), int32_t(block + 1 + 32640));
  // Block 0 was evicted. Take the file away: what is cached still answers,
  // what is not cannot be read and the file is forgotten.
  CloseTablebaseFiles();
  ASSERT_EQ(std::rename((folder + "/kpkp.nbw").c_str(), (folder + "/gone").c_str()), 0);
  for (int round = 0; round < 3; round++)
    for (uint64_t block : {96, 32, 64})
      EXPECT_EQ(ProbeTableEntry(KPKP, 0, block * 8192 + 3), int32_t(block + 1 + 32640));
  EXPECT_EQ(IsTableAvailable(KPKP, 0), 1);
  EXPECT_EQ(ProbeTableEntry(KPKP, 0, 3), TB_BROKEN);
  EXPECT_EQ(IsTableAvailable(KPKP, 0), 0);
  EXPECT_EQ(ProbeTableEntry(KPKP, 0, 8192 + 3), TB_BROKEN);
  // The failed load took the least recently used entry (block 96) and gave
  // it back empty; the other two are still in.
  for (uint64_t block : {32, 64}) EXPECT_EQ(ProbeTableEntry(KPKP, 0, block * 8192 + 3), int32_t(block + 1 + 32640));
  EXPECT_EQ(ProbeTableEntry(KPKP, 0, 96 * 8192 + 3), TB_BROKEN);
}

TEST_F(TbCache, EvictionFromAnotherChainLeavesThisChainWhole) {
  // Two entries: blocks 0 (chain 0) and 1 (chain 1), then block 33 (chain 1)
  // takes the entry of block 0 out of chain 0.
  std::vector<std::pair<uint64_t, Bytes>> marks;
  for (uint64_t block : {0, 1, 33}) marks.push_back({block * 8192, Bytes{uint8_t(block + 1)}});
  tbw::WriteSparseFile(folder + "/kpkp.nbw", 3863492, marks);
  ASSERT_EQ(RegisterWithCache(int(TB_CACHE_ENTRY_BYTES) * 2), 4);
  for (uint64_t block : {0, 1, 33}) ASSERT_EQ(ProbeTableEntry(KPKP, 0, block * 8192), int32_t(block + 1 + 32640));
  CloseTablebaseFiles();
  ASSERT_EQ(std::rename((folder + "/kpkp.nbw").c_str(), (folder + "/gone").c_str()), 0);
  for (uint64_t block : {1, 33, 1}) EXPECT_EQ(ProbeTableEntry(KPKP, 0, block * 8192), int32_t(block + 1 + 32640));
}

TEST_F(TbCache, EntriesPastTheStoredCountAreNotRead) {
  // A file longer than its table (2-byte entries are not size-checked):
  // what lies behind the last entry is not a value.
  const uint64_t count = 1917741812;
  tbw::WriteSparseFile(folder + "/kppkpp.nbw", 2 * count + 64, {{2 * count - 2, Bytes{3, 0, 4, 0}}});
  ASSERT_EQ(RegisterWithCache(1 << 20), 6);
  EXPECT_EQ(ProbeTableEntry(KPPKPP, 0, count - 1), 3);
  EXPECT_EQ(ProbeTableEntry(KPPKPP, 0, count), TB_BROKEN);
  EXPECT_EQ(IsTableAvailable(KPPKPP, 0), 1);
}

TEST_F(TbCache, PositionsPastTwoAndFourGigabytes) {
  // kbnkbn: one unsplit file of 5489194800 bytes (a sparse file here).
  const uint64_t past_2g = (1ull << 31) + 5, past_4g = (1ull << 32) + 8192 * 7 + 1, last = 5489194799;
  const struct {
    uint64_t index;
    uint8_t stored;
  } marks[] = {{past_2g, 0x80}, {past_2g + 1, 0x81}, {past_4g, 126}, {past_4g + 1, 0x82}, {last, 0x7F}, {last - 1, 1}};
  std::vector<std::pair<uint64_t, Bytes>> patches;
  for (const auto& m : marks) patches.push_back({m.index, Bytes{m.stored}});
  tbw::WriteSparseFile(folder + "/kbnkbn.nbw", 5489194800ull, patches);
  ASSERT_EQ(RegisterWithCache(1 << 20), 6);
  const int32_t expected[] = {32640, -32640, 32766, -32766, 32767, 32641};
  for (size_t k = 0; k < std::size(marks); k++) {
    EXPECT_EQ(ProbeTableEntry(KBNKBN, 0, marks[k].index), expected[k]) << marks[k].index;
    EXPECT_EQ(ProbeTableEntry(KBNKBN, 1, marks[k].index), expected[k]) << "the other side reads the same file";
  }
  EXPECT_EQ(ProbeTableEntry(KBNKBN, 0, past_4g - 8192), 0);
  EXPECT_EQ(IsTableAvailable(KBNKBN, 0), 1);
}

TEST_F(TbCache, SixteenBitEntriesAndShortFiles) {
  // kppkpp: 2-byte entries, low byte first; the file stops short of its
  // count (such files are not size-checked), and entries past 2^30 lie
  // past 2^31 bytes.
  const uint64_t far_entry = (1ull << 30) + 12345;
  const struct {
    uint64_t entry;
    uint8_t low, high;
    int32_t value;
  } marks[] = {{10, 0x34, 0xFF, -204},
               {11, 0xFF, 0x7F, 32767},
               {4095, 0x01, 0x80, -32767},
               {4096, 0xFE, 0x7F, 32766},
               {far_entry, 0x10, 0x80, -32752}};
  std::vector<std::pair<uint64_t, Bytes>> patches;
  for (const auto& m : marks) patches.push_back({2 * m.entry, Bytes{m.low, m.high}});
  const uint64_t size = 2 * far_entry + 2 + 2 * 100;
  tbw::WriteSparseFile(folder + "/kppkpp.nbw", size, patches);
  ASSERT_EQ(RegisterWithCache(1 << 20), 6);
  for (const auto& m : marks) EXPECT_EQ(ProbeTableEntry(KPPKPP, 1, m.entry), m.value) << m.entry;
  EXPECT_EQ(ProbeTableEntry(KPPKPP, 0, 12), 0);
  // Past the end of the short file, in its last block and beyond it: no
  // value, never the bytes of another block; the file is kept.
  EXPECT_EQ(ProbeTableEntry(KPPKPP, 0, size / 2 - 1), 0);
  EXPECT_EQ(ProbeTableEntry(KPPKPP, 0, size / 2), TB_BROKEN);
  EXPECT_EQ(ProbeTableEntry(KPPKPP, 0, size / 2 + 4000), TB_BROKEN);
  EXPECT_EQ(ProbeTableEntry(KPPKPP, 0, size / 2 + 900000), TB_BROKEN);
  EXPECT_EQ(IsTableAvailable(KPPKPP, 0), 1);
}

TEST_F(TbCache, FixedAnswersOfOneTableSide) {
  const uint64_t fixed_indices[] = {56802428, 56811076, 56849992, 56858640, 59592489, 67775659, 71071628};
  std::vector<std::pair<uint64_t, Bytes>> patches;
  for (uint64_t i : fixed_indices) patches.push_back({i, Bytes{5}});
  tbw::WriteSparseFile(folder + "/kppkp.nbb", 89391280, patches);
  tbw::WriteSparseFile(folder + "/kppkp.nbw", 84219361, patches);
  ASSERT_EQ(RegisterWithCache(1 << 20), 5);
  for (uint64_t i : fixed_indices) {
    // Read once so that the block is cached: the answer stays fixed.
    EXPECT_EQ(ProbeTableEntry(KPPKP, 1, i + 1), 0);
    EXPECT_EQ(ProbeTableEntry(KPPKP, 1, i), -32639) << i;
    EXPECT_EQ(ProbeTableEntry(KPPKP, 0, i), 5 + 32640) << i;
  }
}

TEST_F(TbCache, SplitTablesReadTheirExtents) {
  // kqqpkq, white to move: extents 0-2 of 2^31 entries, extent 3 of the rest;
  // extent 0 compressed, with one raw block among zero blocks.
  const uint64_t extent = 1ull << 31;
  std::vector<tbw::Block> blocks(262144);
  blocks[5].raw = PatternData(8192, 3);
  tbw::WriteFile(folder + "/kqqpkq.0.nbw.emd", tbw::EncodeEmptyCodeFile(blocks));
  tbw::WriteSparseFile(folder + "/kqqpkq.1.nbw", extent, {{extent - 1, Bytes{0x81}}});
  tbw::WriteSparseFile(folder + "/kqqpkq.2.nbw", extent, {{100, Bytes{7}}});
  tbw::WriteSparseFile(folder + "/kqqpkq.3.nbw", 855510632, {{855510631, Bytes{9}}});
  ASSERT_EQ(RegisterWithCache(1 << 20), 6);
  EXPECT_EQ(ProbeTableEntry(KQQPKQ, 0, 5 * 8192 + 77), ExpectedByteValue(blocks[5].raw[77]));
  EXPECT_EQ(ProbeTableEntry(KQQPKQ, 0, 6 * 8192), 0);
  EXPECT_EQ(ProbeTableEntry(KQQPKQ, 0, 2 * extent - 1), -32640);
  EXPECT_EQ(ProbeTableEntry(KQQPKQ, 0, 2 * extent + 100), 7 + 32640);
  EXPECT_EQ(ProbeTableEntry(KQQPKQ, 0, 3 * extent + 855510631), 9 + 32640);
  // Without extent 2 the extents behind it are not registered either.
  std::remove((folder + "/kqqpkq.2.nbw").c_str());
  ASSERT_EQ(RegisterWithCache(1 << 20), 6);
  EXPECT_EQ(ProbeTableEntry(KQQPKQ, 0, 2 * extent + 100), TB_BROKEN);
  EXPECT_EQ(ProbeTableEntry(KQQPKQ, 0, 3 * extent + 855510631), TB_BROKEN);
  EXPECT_EQ(ProbeTableEntry(KQQPKQ, 0, 2 * extent - 1), -32640);
  EXPECT_EQ(IsTableAvailable(KQQPKQ, 0), 1);
}

TEST_F(TbCache, CompressedAndPlainFilesAnswerAlike) {
  const Bytes data = PatternData(28644, 4);
  tbw::WriteFile(folder + "/kqk.nbb", data);
  tbw::WriteFile(folder + "/kqk_nbw.emd", tbw::EncodeTableFile(PatternData(25629, 5)));
  tbw::EncodeOptions fixed;
  fixed.code = tbw::Code::FIXED10;
  const Bytes compressed = tbw::EncodeTableFile(data, fixed);
  const std::string other = MakeTestFolder("tb_twin");
  tbw::WriteFile(other + "/kqk.nbb.emd", compressed);
  ASSERT_EQ(RegisterWithCache(int(TB_CACHE_ENTRY_BYTES) * 2), 3);
  std::vector<int32_t> plain;
  for (uint64_t i = 0; i < data.size(); i++) plain.push_back(ProbeTableEntry(KQK, 1, i));
  ASSERT_EQ(InitTablebases(other.c_str()), 3);
  AllocateTablebaseCache();
  ASSERT_NE(tb_descriptors[KQK].block_index[1][0], nullptr);
  std::mt19937 random(6);
  for (int k = 0; k < 20000; k++) {
    const uint64_t i = k < 28644 ? uint64_t(k) : random() % data.size();
    ASSERT_EQ(ProbeTableEntry(KQK, 1, i), plain[i]) << i;
  }
  std::system(("rm -rf " + other).c_str());
}

TEST_F(TbCache, DamagedCompressedBlocksAnswerNoValue) {
  const Bytes data = PatternData(28644, 7);
  const Bytes good = tbw::EncodeTableFile(data);
  const uint32_t h = tbw::HeaderSize(good);
  std::mt19937 random(8);
  int forgotten = 0;
  for (int trial = 0; trial < 60; trial++) {
    Bytes file = good;
    const bool in_header = trial % 3 == 0;
    if (in_header) {
      // Stored sizes and distances changed behind a good check value.
      tbw::SetPackedField(file, random() % (tbw::BlockCount(file) + 1 + 24), uint32_t(random() % 8192));
    } else {
      for (int k = 0; k < 3; k++) file[h + random() % (file.size() - h)] ^= uint8_t(1 + random() % 255);
    }
    tbw::WriteFile(folder + "/kqk.nbb.emd", file);
    ASSERT_EQ(RegisterWithCache(int(TB_CACHE_ENTRY_BYTES) * 2), 3);
    for (uint64_t i = 0; i < data.size(); i += 97) {
      const int32_t v = ProbeTableEntry(KQK, 1, i);
      // A damaged block may still decode to the right bytes, or to wrong
      // ones where the damage is not seen; it never crashes or reads out of
      // its buffers (the sanitizer build runs this too).
      if (v == TB_BROKEN && !IsTableAvailable(KQK, 1)) {
        forgotten++;
        break;
      }
    }
  }
  EXPECT_GT(forgotten, 20);
}

}  // namespace
