// The search's probe: square lists, orientation by the material key, the
// en-passant square, and table values on the engine's score scale. A
// recording index function stands in for the real ones here.
#include <gtest/gtest.h>

#include <array>
#include <string>

#include "tablebases/cache.h"
#include "tablebases/registry.h"
#include "tablebases/tablebases.h"
#include "tb_fixture.h"
#include "tb_writer.h"
#include "test_util.h"

namespace {

using tbw::Bytes;

struct IndexCall {
  int calls = 0;
  std::array<int32_t, 16> first{}, second{};
  int32_t ep = -1, invert = -1;
  uint64_t answer = 0;
};
IndexCall recorded;

uint64_t RecordingIndex(const int32_t* first, const int32_t* second, int32_t ep, int32_t invert) {
  recorded.calls++;
  for (int i = 0; i < 16; i++) recorded.first[size_t(i)] = first[i], recorded.second[size_t(i)] = second[i];
  recorded.ep = ep;
  recorded.invert = invert;
  return recorded.answer;
}

constexpr int KRK = 4, KPKP = 6, KPPKPP = 201;
constexpr int ROOK_SLOT = 9, KING_SLOT = 15;

struct TbProbe : TbFolderTest {
  void SetUp() override {
    TbFolderTest::SetUp();
    InitBoardForTests();
    recorded = IndexCall{};
    for (int id : {KRK, KPKP, KPPKPP})
      for (int side = 0; side < 2; side++) tb_descriptors[id].index_function[side] = RecordingIndex;
  }
  // Probes the board; the score stays 12345 when nothing answers.
  std::pair<int, int32_t> Probe() {
    int32_t score = 12345;
    const int hit = ProbeEGTB(thread_board.SideToMove == WHITE ? 1 : 0, &score);
    return {hit, score};
  }
};

TEST_F(TbProbe, ListsAndOrientationFollowTheMaterialKey) {
  Bytes krk_white(27030, 0);
  krk_white[17] = tbw::WinByte(3);
  tbw::WriteFile(folder + "/krk.nbw", krk_white);
  tbw::WriteFile(folder + "/krk.nbb", Bytes(28644, tbw::LossByte(5)));
  ASSERT_EQ(RegisterWithCache(1 << 20), 3);
  recorded.answer = 17;
  // Black's rook, black to move: the colours are exchanged and the white
  // to move file is read, with black's men first.
  SetPosition("8/8/8/3k4/8/8/7r/K7 b - - 0 1");
  EXPECT_EQ(Probe(), std::make_pair(1, 32700 - 2 * 3));
  EXPECT_EQ(recorded.invert, 1);
  EXPECT_EQ(recorded.first[ROOK_SLOT], 15);
  EXPECT_EQ(recorded.first[KING_SLOT], 35);
  EXPECT_EQ(recorded.second[KING_SLOT], 0);
  EXPECT_EQ(recorded.ep, TB_NO_EP_SQUARE);
  // White's rook, black to move: as it stands, the black to move file.
  SetPosition("8/8/8/3k4/8/8/8/K6R b - - 0 1");
  EXPECT_EQ(Probe(), std::make_pair(1, -32700 + 2 * 5));
  EXPECT_EQ(recorded.invert, 0);
  EXPECT_EQ(recorded.first[ROOK_SLOT], 7);
  EXPECT_EQ(recorded.first[KING_SLOT], 0);
  EXPECT_EQ(recorded.second[KING_SLOT], 35);
  // Material without a registered file or without a table: nothing asked.
  const int calls = recorded.calls;
  SetPosition("8/8/8/3k4/8/8/8/K6Q b - - 0 1");
  EXPECT_EQ(Probe(), std::make_pair(0, 12345));
  SetPosition("8/8/8/3k4/8/8/8/KNNNN3 b - - 0 1");
  EXPECT_EQ(Probe(), std::make_pair(0, 12345));
  // More men of a kind than a square list holds (the sanitizer build sees
  // any write past a list).
  SetPosition("8/8/8/3k4/8/8/8/KQQQQQ2 b - - 0 1");
  EXPECT_EQ(Probe(), std::make_pair(0, 12345));
  EXPECT_EQ(recorded.calls, calls);
  // A row whose index function is not there answers nothing.
  tb_descriptors[KRK].index_function[1] = nullptr;
  SetPosition("8/8/8/3k4/8/8/8/K6R b - - 0 1");
  EXPECT_EQ(Probe(), std::make_pair(0, 12345));
}

TEST_F(TbProbe, EnPassantSquareOfTheLastMove) {
  tbw::WriteSparseFile(folder + "/kpkp.nbw", 3863492);
  tbw::WriteSparseFile(folder + "/kpkp.nbb", 3863492);
  ASSERT_EQ(RegisterWithCache(1 << 20), 4);
  const struct {
    const char* fen;
    const char* move;
    int32_t ep;
  } cases[] = {
      {"4k3/8/8/8/3p4/8/4P3/4K3 w - - 0 1", "e2e4", 20},
      {"4k3/8/8/8/5p2/8/4P3/4K3 w - - 0 1", "e2e4", 20},
      {"4k3/8/8/8/2p5/8/4P3/4K3 w - - 0 1", "e2e4", TB_NO_EP_SQUARE},
      {"4k3/3p4/8/4P3/8/8/8/4K3 b - - 0 1", "d7d5", 43},
      {"4k3/8/8/8/1p6/8/P7/4K3 w - - 0 1", "a2a4", 16},
      // On file a only the file-b neighbour counts: h3 is not beside a4.
      {"4k3/8/8/8/8/7p/P7/4K3 w - - 0 1", "a2a4", TB_NO_EP_SQUARE},
      {"4k3/8/8/8/3p4/4P3/8/4K3 w - - 0 1", "e3e4", TB_NO_EP_SQUARE},
      {"4k3/8/8/8/3p4/8/4P3/4K3 b - - 0 1", nullptr, TB_NO_EP_SQUARE},
  };
  for (const auto& c : cases) {
    SetPosition(c.fen);
    if (c.move) PlayMove(c.move);
    ASSERT_EQ(Probe().first, 1) << c.fen;
    EXPECT_EQ(recorded.ep, c.ep) << c.fen;
    // kpkp is always read with the colours exchanged (its key is stored
    // last for the exchanged counts).
    EXPECT_EQ(recorded.invert, 1);
    EXPECT_EQ(recorded.first[KING_SLOT], 60);
    EXPECT_EQ(recorded.second[KING_SLOT], 4);
  }
}

TEST_F(TbProbe, TableValuesOnTheScoreScale) {
  const struct {
    uint8_t stored;
    int hit;
    int32_t score;
  } bytes[] = {
      {0, 1, 0},        {126, 1, 32698},   {0x82, 1, -32700}, {0x7F, 0, 12345}, {1, 1, 32448},
      {0x80, 1, 32446}, {0x81, 1, -32448}, {0xFF, 1, -32450}, {100, 1, 32646},
  };
  Bytes file(27030, 0);
  for (size_t i = 0; i < std::size(bytes); i++) file[i] = bytes[i].stored;
  tbw::WriteFile(folder + "/krk.nbw", file);
  // 16-bit values, of which some lie off the scale.
  const struct {
    int16_t stored;
    int hit;
    int32_t score;
  } words[] = {{-32767, 1, -32700}, {-32768, 1, -32700}, {-32766, 1, -32700}, {32766, 1, 32698}, {32767, 0, 12345},
               {1, 0, 12345},       {-1, 0, 12345},      {-32000, 1, -31168}, {0, 1, 0}};
  std::vector<std::pair<uint64_t, Bytes>> patches;
  for (size_t i = 0; i < std::size(words); i++)
    patches.push_back({2 * i, Bytes{uint8_t(words[i].stored & 255), uint8_t((words[i].stored >> 8) & 255)}});
  tbw::WriteSparseFile(folder + "/kppkpp.nbw", 20000, patches);
  ASSERT_EQ(RegisterWithCache(1 << 20), 6);
  SetPosition("8/8/8/3k4/8/8/8/K6R w - - 0 1");
  for (size_t i = 0; i < std::size(bytes); i++) {
    recorded.answer = i;
    EXPECT_EQ(Probe(), std::make_pair(bytes[i].hit, bytes[i].score)) << "byte " << int(bytes[i].stored);
  }
  SetPosition("8/pp6/8/3k4/8/8/PP6/K7 w - - 0 1");
  for (size_t i = 0; i < std::size(words); i++) {
    recorded.answer = i;
    const auto result = Probe();
    EXPECT_EQ(result, std::make_pair(words[i].hit, words[i].score)) << "value " << words[i].stored;
    EXPECT_LE(result.second, 32700);
    EXPECT_GE(result.second, -32700);
  }
}

}  // namespace
