// Compressed table files: header checksum, canonical codes, code-length
// lists, block symbols, header checks with their codes, and damaged files,
// all against files from the test-side encoder.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <memory>
#include <random>
#include <string>

#include "tablebases/compressed.h"
#include "tablebases/tablebases.h"
#include "tb_writer.h"
#include "test_util.h"

namespace {

using tbw::Bytes;

TEST(TbChecksum, KnownValuesAndAgreementWithTheTestSideChecksum) {
  const struct {
    const char* text;
    uint32_t value;
  } cases[] = {{"abc", 0xCA6598D0u}, {"123456789", 0x2DFD2D88u}, {"", 0u}};
  for (const auto& c : cases)
    EXPECT_EQ(UpdateCrc32(reinterpret_cast<const uint8_t*>(c.text), int64_t(std::strlen(c.text))), c.value) << c.text;
  std::mt19937 random(7);
  Bytes data(5000);
  for (auto& b : data) b = uint8_t(random());
  EXPECT_EQ(UpdateCrc32(data.data(), int64_t(data.size())), tbw::Checksum(data.data(), data.size()));
}

// Bits given as text ("0110...") for a reader.
Bytes BitsFromText(const std::string& text) {
  tbw::BitWriter w;
  for (char c : text) w.Put(c == '1', 1);
  return w.bytes;
}

TEST(TbCanonicalCode, ShortCodesDecodeInCanonicalOrder) {
  const uint8_t lengths[4] = {1, 2, 3, 3};
  int16_t table[TB_LENGTH_DECODE_ENTRIES];
  ASSERT_EQ(BuildHuffmanDecodeTable(table, lengths, 4, TB_LENGTH_CODE_BITS), 0);
  const Bytes bits = BitsFromText(
      "0"
      "10"
      "110"
      "111"
      "111"
      "0");
  BitReader reader;
  StartBitReader(&reader, bits.data(), uint32_t(bits.size()));
  for (int expected : {0, 1, 2, 3, 3, 0}) EXPECT_EQ(DecodeSymbol(&reader, table, TB_LENGTH_CODE_BITS), expected);
  EXPECT_EQ(BitsTaken(&reader), 13u);
}

TEST(TbCanonicalCode, RefusedLengthSetsGiveTheirCodes) {
  const struct {
    std::vector<uint8_t> lengths;
    int code;
  } cases[] = {
      {{1, 1, 1}, TB_ERR_CODE_UNPAIRED}, {{1, 2}, TB_ERR_CODE_UNPAIRED},       {{1, 1, 1, 1}, TB_ERR_CODE_INCOMPLETE},
      {{0, 2, 0}, TB_ERR_LONE_CODE},     {{1, 32, 1}, TB_ERR_LENGTH_ABOVE_31}, {{2, 2, 2}, TB_ERR_CODE_UNPAIRED},
  };
  for (const auto& c : cases) {
    int16_t table[TB_LENGTH_DECODE_ENTRIES];
    EXPECT_EQ(BuildHuffmanDecodeTable(table, c.lengths.data(), int(c.lengths.size()), TB_LENGTH_CODE_BITS), c.code)
        << c.lengths.size() << " lengths";
  }
}

TEST(TbCanonicalCode, CodesLongerThanTheFirstLevelWalkTheSecondLevel) {
  // Lengths 1, 2, ..., 19, 20, 20: complete, with codes up to 20 bits.
  std::vector<uint8_t> lengths(TB_BLOCK_SYMBOLS, 0);
  for (int s = 0; s < 19; s++) lengths[size_t(s)] = uint8_t(s + 1);
  lengths[19] = lengths[20] = 20;
  std::vector<int16_t> table(TB_BLOCK_DECODE_ENTRIES);
  ASSERT_EQ(BuildHuffmanDecodeTable(table.data(), lengths.data(), TB_BLOCK_SYMBOLS, TB_BLOCK_CODE_BITS), 0);
  const std::vector<uint32_t> codes = tbw::CanonicalCodes(lengths);
  tbw::BitWriter w;
  const int order[] = {20, 0, 19, 13, 14, 18, 1, 12, 20, 5};
  for (int s : order) w.Put(codes[size_t(s)], lengths[size_t(s)]);
  BitReader reader;
  StartBitReader(&reader, w.bytes.data(), uint32_t(w.bytes.size()));
  uint64_t bits = 0;
  for (int s : order) {
    EXPECT_EQ(DecodeSymbol(&reader, table.data(), TB_BLOCK_CODE_BITS), s);
    bits += lengths[size_t(s)];
    EXPECT_EQ(BitsTaken(&reader), bits);
  }
}

TEST(TbCanonicalCode, EmptyAndSingleSymbolCodesTakeNoBits) {
  std::vector<uint8_t> none(TB_BLOCK_SYMBOLS, 0), one(TB_BLOCK_SYMBOLS, 0);
  one[300] = 1;
  for (const auto& [lengths, symbol] : {std::pair{none, 0}, std::pair{one, 300}}) {
    std::vector<int16_t> table(TB_BLOCK_DECODE_ENTRIES);
    ASSERT_EQ(BuildHuffmanDecodeTable(table.data(), lengths.data(), TB_BLOCK_SYMBOLS, TB_BLOCK_CODE_BITS), 0);
    const Bytes bits = {0xFF, 0xFF, 0xFF, 0xFF};
    BitReader reader;
    StartBitReader(&reader, bits.data(), 4);
    for (int i = 0; i < 100; i++) EXPECT_EQ(DecodeSymbol(&reader, table.data(), TB_BLOCK_CODE_BITS), symbol);
    EXPECT_EQ(BitsTaken(&reader), 0u);
  }
}

std::vector<uint8_t> ReadLengths(const Bytes& bytes, int symbols, int* rc) {
  std::vector<uint8_t> lengths(size_t(symbols), 99);
  BitReader reader;
  StartBitReader(&reader, bytes.data(), uint32_t(bytes.size()));
  *rc = ReadCodeLengths(&reader, lengths.data(), symbols);
  return lengths;
}

TEST(TbCodeLengths, ListsReadBackAsWritten) {
  // A list written by hand: code A holds only the run symbol of length 10,
  // code B only the count symbol 41 (nine more bits): one run of 1024.
  int rc;
  EXPECT_EQ(ReadLengths({0x02, 0xf7, 0xa6, 0xf7, 0xbd, 0xb7, 0x97, 0xbe}, TB_BLOCK_SYMBOLS, &rc),
            std::vector<uint8_t>(TB_BLOCK_SYMBOLS, 10));
  EXPECT_EQ(rc, 0);
  EXPECT_EQ(ReadLengths({0x80}, TB_BLOCK_SYMBOLS, &rc), std::vector<uint8_t>(TB_BLOCK_SYMBOLS, 0));
  EXPECT_EQ(rc, 0);

  std::mt19937 random(3);
  std::vector<std::vector<uint8_t>> lists = {std::vector<uint8_t>(1024, 10), std::vector<uint8_t>(1024, 0)};
  std::vector<uint8_t> mixed(1024, 0);
  for (int run = 0; run < 1024; run += 40) mixed[size_t(run)] = 3;
  for (int i = 600; i < 1024; i++) mixed[size_t(i)] = uint8_t(31);
  lists.push_back(mixed);
  std::vector<uint8_t> noisy(1024);
  for (auto& l : noisy) l = uint8_t(random() % 32);
  lists.push_back(noisy);
  for (const auto& lengths : lists)
    for (bool runs : {false, true}) {
      if (std::all_of(lengths.begin(), lengths.end(), [](uint8_t l) { return l == 0; }) && !runs) continue;
      const Bytes stream = tbw::EncodeCodeLengths(lengths, runs);
      EXPECT_EQ(ReadLengths(stream, TB_BLOCK_SYMBOLS, &rc), lengths) << "runs " << runs;
      EXPECT_EQ(rc, 0);
    }
}

TEST(TbCodeLengths, RunsPastTheLastSymbolAndOverlongLengthsAreRefused) {
  // Small form, 4 symbols, width 3: a length 0 whose run of 5 passes the end.
  tbw::BitWriter small;
  small.Put(0, 1);
  small.Put(3, 5);
  small.Put(0, 3);
  small.Put(5, 4);
  int rc;
  ReadLengths(small.bytes, 4, &rc);
  EXPECT_EQ(rc, TB_ERR_ZERO_RUN);
  // A width of 6 lets a length of 40 through to the byte it is stored in.
  tbw::BitWriter wide;
  wide.Put(0, 1);
  wide.Put(6, 5);
  wide.Put(40, 6);
  ReadLengths(wide.bytes, 4, &rc);
  EXPECT_EQ(rc, TB_ERR_LENGTH_ABOVE_31);
  // The hand list above with a single length 9 in front: its run of 1024
  // passes the end.
  tbw::BitWriter over;
  over.Put(0, 1);
  {
    std::vector<uint8_t> inner(128, 0);
    inner[9] = 1;
    inner[42] = 1;  // run symbol of length 10
    inner[64 + 41] = 1;
    over.Put(0, 1);
    over.Put(1, 5);
    for (int i = 0; i < 128;) {
      over.Put(inner[size_t(i)], 1);
      if (inner[size_t(i++)]) continue;
      int r = 0;
      while (r < 15 && i < 128 && !inner[size_t(i)]) r++, i++;
      over.Put(uint64_t(r), 4);
    }
  }
  // Code A {9, 42}: 9 is "0", 42 is "1"; code B has one symbol (no bits).
  over.Put(0, 1);
  over.Put(1, 1);
  over.Put(479, 9);
  ReadLengths(over.bytes, TB_BLOCK_SYMBOLS, &rc);
  EXPECT_EQ(rc, TB_ERR_LENGTH_RUN);
}

// A block index with the all-10 code and the given distances, and a decoder
// state reading the given symbols.
struct HandBlock {
  std::unique_ptr<BlockIndex, decltype(&std::free)> index{
      static_cast<BlockIndex*>(std::calloc(1, sizeof(BlockIndex) + 16)), &std::free};
  std::unique_ptr<DecoderState, decltype(&std::free)> state{
      static_cast<DecoderState*>(std::calloc(1, sizeof(DecoderState))), &std::free};
  std::vector<uint32_t> codes = tbw::CanonicalCodes(std::vector<uint8_t>(1024, 10));
  tbw::BitWriter bits;
  Bytes output = Bytes(TB_MAX_BLOCK_SIZE + 64, 0xEE);

  HandBlock() {
    const std::vector<uint8_t> lengths(1024, 10);
    EXPECT_EQ(BuildHuffmanDecodeTable(index->decode_table, lengths.data(), 1024, TB_BLOCK_CODE_BITS), 0);
    for (int d = 0; d < TB_MATCH_DISTANCES; d++) index->distances[d] = d + 1;
    index->distances[23] = 0;
  }
  void Symbol(int s) { bits.Put(codes[size_t(s)], 10); }
  void Match(int distance_index, int length_code) { Symbol(256 + 32 * distance_index + length_code); }
  // Readies the state as a block read from a file would.
  void Ready(int decoded, int stored = -1) {
    ASSERT_EQ(InitDecoderState(state.get(), output.data()), 0);
    if (stored < 0) stored = int(bits.bytes.size());
    std::memcpy(state->read_buffer, bits.bytes.data(), std::min<size_t>(bits.bytes.size(), TB_MAX_BLOCK_SIZE));
    state->stored_size = stored;
    state->decoded_size = decoded;
    state->position = output.data();
  }
};

TEST(TbBlockSymbols, LiteralsMatchesAndLengthCodes) {
  {
    HandBlock b;
    b.Symbol(7);
    b.Match(0, 9);  // distance 1, length 10
    b.Ready(11);
    ASSERT_EQ(DecompressBlock(b.state.get(), b.index.get(), 11), 0);
    EXPECT_EQ(Bytes(b.output.begin(), b.output.begin() + 12), Bytes({7, 7, 7, 7, 7, 7, 7, 7, 7, 7, 7, 0xEE}));
  }
  {
    // Length code 15 with the extra bit 1: 17 bytes; distance 3 repeats the
    // three literals.
    HandBlock b;
    for (int s : {1, 2, 3}) b.Symbol(s);
    b.Match(2, 15);
    b.bits.Put(1, 1);
    b.Symbol(9);
    b.Ready(21);
    ASSERT_EQ(DecompressBlock(b.state.get(), b.index.get(), 21), 0);
    Bytes expected;
    for (int i = 0; i < 20; i++) expected.push_back(uint8_t(1 + i % 3));
    expected.push_back(9);
    EXPECT_EQ(Bytes(b.output.begin(), b.output.begin() + 21), expected);
  }
  {
    // Length code 31 takes 17 more bits: the match is longer than any
    // block; it stops at the end and keeps the rest pending.
    HandBlock b;
    b.Symbol(5);
    b.Match(0, 31);
    b.bits.Put(0x1ABCD, 17);
    b.Ready(TB_MAX_BLOCK_SIZE);
    ASSERT_EQ(DecompressBlock(b.state.get(), b.index.get(), TB_MAX_BLOCK_SIZE), 0);
    EXPECT_EQ(b.state->pending, (1 << 17) + 0x1ABCD + 14 - (TB_MAX_BLOCK_SIZE - 1));
    EXPECT_EQ(b.output[TB_MAX_BLOCK_SIZE - 1], 5);
    EXPECT_EQ(b.output[TB_MAX_BLOCK_SIZE], 0xEE);
  }
}

TEST(TbBlockSymbols, DecodingInPartsEqualsDecodingWhole) {
  HandBlock whole, parts;
  for (HandBlock* b : {&whole, &parts}) {
    for (int s : {10, 20, 30, 40}) b->Symbol(s);
    b->Match(3, 20);  // distance 4, 2^6 + x + 14 bytes
    b->bits.Put(9, 6);
    b->Symbol(99);
    b->Ready(4 + 64 + 9 + 14 + 1);
  }
  const int n = 4 + 64 + 9 + 14 + 1;
  ASSERT_EQ(DecompressBlock(whole.state.get(), whole.index.get(), n), 0);
  for (int cut : {3, 30, 60, n}) ASSERT_EQ(DecompressBlock(parts.state.get(), parts.index.get(), cut), 0) << cut;
  EXPECT_EQ(Bytes(parts.output.begin(), parts.output.begin() + n),
            Bytes(whole.output.begin(), whole.output.begin() + n));
  EXPECT_EQ(whole.output[n - 1], 99);
  EXPECT_EQ(DecompressBlock(whole.state.get(), whole.index.get(), 0), TB_ERR_DECODE_LENGTH);
  EXPECT_EQ(DecompressBlock(whole.state.get(), whole.index.get(), n + 1), TB_ERR_DECODE_LENGTH);
}

TEST(TbBlockSymbols, DamagedBlocksFailInsideTheirBuffers) {
  {
    // A match before anything was written reaches before the block.
    HandBlock b;
    b.Match(0, 3);
    b.Ready(100);
    EXPECT_EQ(DecompressBlock(b.state.get(), b.index.get(), 100), TB_ERR_MATCH_SOURCE);
  }
  {
    // Distance 5 after four literals, and a distance of 0.
    for (int distance_index : {4, 23}) {
      HandBlock b;
      for (int s : {1, 2, 3, 4}) b.Symbol(s);
      b.Match(distance_index, 0);
      b.Ready(50);
      EXPECT_EQ(DecompressBlock(b.state.get(), b.index.get(), 50), TB_ERR_MATCH_SOURCE) << distance_index;
    }
  }
  {
    // Two stored bytes cannot hold 8192 symbols of 10 bits: the stream runs
    // past them (reading zeros, never beyond the buffer).
    HandBlock b;
    b.Symbol(1);
    b.Ready(TB_MAX_BLOCK_SIZE, 2);
    EXPECT_EQ(DecompressBlock(b.state.get(), b.index.get(), TB_MAX_BLOCK_SIZE), TB_ERR_STREAM_OVERRUN);
  }
}

// Writes the file and opens it as the registry does.
struct OpenedFile {
  std::string path;
  FILE* file = nullptr;
  BlockIndex* index = nullptr;
  int rc = -1;
  OpenedFile(const std::string& folder, const Bytes& bytes) : path(folder + "/t.emd") {
    tbw::WriteFile(path, bytes);
    file = std::fopen(path.c_str(), "rb");
    EXPECT_NE(file, nullptr);
    if (file) rc = OpenCompressedFile(&index, file);
  }
  ~OpenedFile() {
    if (file) std::fclose(file);
    std::free(index);
  }
};

struct CompressedFiles : testing::Test {
  std::string folder;
  DecoderState* state = nullptr;
  void SetUp() override {
    folder = MakeTestFolder("tb_compressed");
    ASSERT_EQ(AllocateDecoderState(&state, TB_MAX_BLOCK_SIZE), 0);
  }
  void TearDown() override {
    std::free(state);
    std::system(("rm -rf " + folder).c_str());
  }
  // Every block decoded in turn, or the first failing code.
  int DecodeAll(const OpenedFile& f, Bytes* out) {
    out->clear();
    Bytes slot(TB_MAX_BLOCK_SIZE);
    for (int b = 0; b < f.index->block_count; b++) {
      if (int rc = InitDecoderState(state, slot.data())) return rc;
      if (int rc = ReadCompressedBlock(state, f.index, f.file, b)) return rc;
      if (int rc = DecompressBlock(state, f.index, state->decoded_size)) return rc;
      out->insert(out->end(), slot.begin(), slot.begin() + state->decoded_size);
    }
    return 0;
  }
};

Bytes TableLikeData(size_t size, uint32_t seed) {
  std::mt19937 random(seed);
  Bytes data;
  while (data.size() < size) {
    const uint8_t value = uint8_t(random() % 7 == 0 ? random() : 120 + random() % 8);
    const size_t run = 1 + random() % 60;
    for (size_t i = 0; i < run && data.size() < size; i++) data.push_back(i % 5 == 4 ? uint8_t(value + 1) : value);
  }
  return data;
}

TEST_F(CompressedFiles, EveryKindOfBlockRoundTrips) {
  std::mt19937 random(11);
  Bytes noise(20000);
  for (auto& b : noise) b = uint8_t(random());
  Bytes small_alphabet(30000);
  for (auto& b : small_alphabet) b = uint8_t(random() % 21);
  std::vector<uint8_t> long_code(1024, 0);
  for (int s = 0; s < 19; s++) long_code[size_t(s)] = uint8_t(s + 1);
  long_code[19] = long_code[20] = 20;
  tbw::EncodeOptions literals_long_code;
  literals_long_code.code = tbw::Code::GIVEN;
  literals_long_code.lengths = long_code;
  literals_long_code.matches = false;
  tbw::EncodeOptions fixed;
  fixed.code = tbw::Code::FIXED10;
  tbw::EncodeOptions raw;
  raw.force_raw = true;
  tbw::EncodeOptions empty;
  empty.code = tbw::Code::EMPTY;
  tbw::EncodeOptions no_runs;
  no_runs.length_runs = false;
  const struct {
    const char* name;
    Bytes data;
    tbw::EncodeOptions options;
  } cases[] = {
      {"table-like, last block exactly full", TableLikeData(3 * 8192, 1), {}},
      {"table-like, kpk size", TableLikeData(81664, 2), {}},
      {"noise: raw blocks", noise, {}},
      {"fixed code", TableLikeData(17000, 3), fixed},
      {"codes up to 20 bits, literals only", small_alphabet, literals_long_code},
      {"all raw", TableLikeData(10000, 4), raw},
      {"zeros with the empty code", Bytes(8192 * 2 + 5, 0), empty},
      {"one byte", Bytes{42}, {}},
      {"one repeated byte", Bytes(9000, 0x81), {}},
      {"lengths without runs", TableLikeData(12000, 5), no_runs},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const Bytes file = tbw::EncodeTableFile(c.data, c.options);
    OpenedFile f(folder, file);
    ASSERT_EQ(f.rc, 0);
    EXPECT_EQ(f.index->block_size, 8192);
    EXPECT_EQ(f.index->block_count, int((c.data.size() + 8191) / 8192));
    EXPECT_EQ(f.index->last_block_size, int(c.data.size() - (c.data.size() - 1) / 8192 * 8192));
    EXPECT_EQ(f.index->block_offsets[f.index->block_count], file.size());
    Bytes decoded;
    ASSERT_EQ(DecodeAll(f, &decoded), 0);
    EXPECT_EQ(decoded, c.data);
  }
  // The table-like data is really coded, not stored.
  EXPECT_LT(tbw::EncodeTableFile(TableLikeData(81664, 2)).size(), 81664u / 2);
}

TEST_F(CompressedFiles, HeaderFaultsGiveTheirCodes) {
  const Bytes good = tbw::EncodeTableFile(TableLikeData(20000, 6));
  const uint32_t h = tbw::HeaderSize(good);
  using Mutation = std::function<void(Bytes&)>;
  const struct {
    const char* name;
    Mutation mutate;
    int code;
  } cases[] = {
      {"79 bytes", [](Bytes& f) { f.resize(79); }, TB_ERR_SHORT_FIXED_HEADER},
      // Another banner before a sound header: a file of another format.
      {"banner",
       [](Bytes& f) {
         f[10] ^= 1;
         tbw::RefreshHeaderCheck(f);
       },
       TB_ERR_BANNER},
      {"banner's last NUL",
       [](Bytes& f) {
         f[63] = 1;
         tbw::RefreshHeaderCheck(f);
       },
       TB_ERR_BANNER},
      // Another banner before a broken header: the header's fault.
      {"banner and check value", [](Bytes& f) { f[10] ^= 1; }, TB_ERR_HEADER_CHECK},
      {"banner and format tag", [](Bytes& f) { f[0] ^= 1, f[79] ^= 0x10; }, TB_ERR_FORMAT_TAG},
      {"banner and a header cut short", [h](Bytes& f) { f[0] ^= 1, f.resize(h - 1); }, TB_ERR_SHORT_HEADER},
      // Another banner, and blocks that do not end where the file does.
      {"banner and a byte past the blocks",
       [](Bytes& f) {
         f[0] ^= 1, f.push_back(0);
         tbw::RefreshHeaderCheck(f);
       },
       TB_ERR_INDEX_LENGTH},
      {"banner and the last block cut short",
       [](Bytes& f) {
         f[0] ^= 1, f.pop_back();
         tbw::RefreshHeaderCheck(f);
       },
       TB_ERR_INDEX_LENGTH},
      {"header size 83", [](Bytes& f) { tbw::PutBigEndian32(f, 64, 83); }, TB_ERR_HEADER_SIZES},
      {"block size exponent 17", [](Bytes& f) { f[70] = 17; }, TB_ERR_HEADER_SIZES},
      {"23 distances", [](Bytes& f) { f[71] = 23; }, TB_ERR_DISTANCE_COUNT},
      {"format tag", [](Bytes& f) { f[79] ^= 0x10; }, TB_ERR_FORMAT_TAG},
      {"header cut short", [h](Bytes& f) { f.resize(h - 1); }, TB_ERR_SHORT_HEADER},
      {"no blocks",
       [](Bytes& f) {
         tbw::PutBigEndian32(f, 72, 0);
         tbw::RefreshHeaderCheck(f);
       },
       TB_ERR_HEADER_SIZES},
      {"more blocks than the header holds", [](Bytes& f) { tbw::PutBigEndian32(f, 72, 0x10000000); },
       TB_ERR_HEADER_SIZES},
      {"a stored size changed", [](Bytes& f) { f[tbw::FieldsOffset(f)] ^= 0x40; }, TB_ERR_HEADER_CHECK},
      {"the check value", [h](Bytes& f) { f[h - 1] ^= 1; }, TB_ERR_HEADER_CHECK},
  };
  for (const auto& c : cases) {
    Bytes file = good;
    c.mutate(file);
    OpenedFile f(folder, file);
    EXPECT_EQ(f.rc, c.code) << c.name;
    EXPECT_EQ(f.index, nullptr) << c.name;
  }
  // Every byte between the fixed fields and the check value is covered by
  // the check.
  for (uint32_t at = 80; at < h; at++) {
    Bytes file = good;
    file[at] ^= 0x01;
    OpenedFile f(folder, file);
    ASSERT_EQ(f.rc, TB_ERR_HEADER_CHECK) << "byte " << at;
  }
  {
    OpenedFile f(folder, good);
    EXPECT_EQ(OpenCompressedFile(nullptr, f.file), TB_ERR_NO_INDEX_PLACE);
  }
}

TEST_F(CompressedFiles, BrokenCodeListsAndCodesAreRefusedAtOpening) {
  const Bytes data = TableLikeData(9000, 8);
  // The all-10 list cut to its first byte: the reader runs out of header.
  const Bytes fixed_list = tbw::EncodeCodeLengths(std::vector<uint8_t>(1024, 10), true);
  // Small-form list with a run past its 128 lengths.
  tbw::BitWriter run_past;
  run_past.Put(0, 1);
  run_past.Put(0, 1);
  run_past.Put(0, 5);
  for (int i = 0; i < 7; i++) run_past.Put(15, 4);
  for (int i = 0; i < 8; i++) run_past.Put(0, 4);
  run_past.Put(15, 4);
  const struct {
    const char* name;
    Bytes list;
    int code;
  } cases[] = {
      {"list cut short", Bytes(fixed_list.begin(), fixed_list.begin() + 1), TB_ERR_CODE_LENGTHS},
      {"run past the inner list", run_past.bytes, TB_ERR_CODE_LENGTHS},
      {"all lengths 11: incomplete", tbw::EncodeCodeLengths(std::vector<uint8_t>(1024, 11), true), TB_ERR_BLOCK_CODE},
      {"all lengths 9: overfull", tbw::EncodeCodeLengths(std::vector<uint8_t>(1024, 9), true), TB_ERR_BLOCK_CODE},
      {"the all-10 list", fixed_list, 0},
  };
  for (const auto& c : cases) {
    OpenedFile f(folder, tbw::EncodeRawFile(data, c.list));
    EXPECT_EQ(f.rc, c.code) << c.name;
  }
}

TEST_F(CompressedFiles, DamagedBlocksAndIndexesNeverLeaveTheBuffers) {
  const Bytes data = TableLikeData(6 * 8192 + 100, 9);
  const Bytes good = tbw::EncodeTableFile(data);
  const uint32_t h = tbw::HeaderSize(good);
  std::mt19937 random(5);
  int failures = 0, runs = 0;
  // Bytes of the stored blocks changed at random.
  for (int trial = 0; trial < 300; trial++) {
    Bytes file = good;
    for (int k = 0; k < 1 + trial % 4; k++) file[h + random() % (file.size() - h)] ^= uint8_t(1 + random() % 255);
    OpenedFile f(folder, file);
    ASSERT_EQ(f.rc, 0);
    Bytes decoded;
    failures += DecodeAll(f, &decoded) != 0;
    runs++;
  }
  // Packed fields changed with the check value made good again: stored
  // sizes (the offsets then run past the data), the last size, distances.
  const uint64_t blocks = tbw::BlockCount(good);
  for (int trial = 0; trial < 300; trial++) {
    Bytes file = good;
    const uint64_t field = random() % (blocks + 1 + 24);
    tbw::SetPackedField(file, field, uint32_t(random() % 8192));
    OpenedFile f(folder, file);
    if (f.rc != 0) continue;
    Bytes decoded;
    failures += DecodeAll(f, &decoded) != 0;
    runs++;
  }
  // Most damage is seen; what is not seen has decoded within the buffers.
  EXPECT_GT(failures, runs / 4);
  // A block past the last one.
  OpenedFile f(folder, good);
  Bytes slot(TB_MAX_BLOCK_SIZE);
  ASSERT_EQ(InitDecoderState(state, slot.data()), 0);
  EXPECT_EQ(ReadCompressedBlock(state, f.index, f.file, f.index->block_count), TB_ERR_BLOCK_NUMBER);
  EXPECT_EQ(ReadCompressedBlock(nullptr, f.index, f.file, 0), TB_ERR_READ_STATE);
  EXPECT_EQ(InitDecoderState(nullptr, slot.data()), TB_ERR_INIT_STATE);
  EXPECT_EQ(AllocateDecoderState(nullptr, TB_MAX_BLOCK_SIZE), TB_ERR_NO_STATE_PLACE);
  EXPECT_EQ(DecompressBlock(nullptr, f.index, 100), TB_ERR_DECODE_STATE);
  // The file cut inside the last block: a read error for that block only.
  Bytes cut = good;
  cut.resize(cut.size() - 10);
  OpenedFile g(folder, cut);
  ASSERT_EQ(g.rc, 0);
  ASSERT_EQ(InitDecoderState(state, slot.data()), 0);
  EXPECT_EQ(ReadCompressedBlock(state, g.index, g.file, 0), 0);
  EXPECT_EQ(ReadCompressedBlock(state, g.index, g.file, g.index->block_count - 1), TB_ERR_BLOCK_READ);
}

}  // namespace
