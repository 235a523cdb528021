// The material table, the material balance and phases of positions without
// a row, and the gain estimate of the search's delta pruning.
#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "board/board.h"
#include "board/movegen.h"
#include "eval/evaluate.h"
#include "eval/material.h"
#include "eval/params.h"
#include "eval/pst.h"
#include "test_util.h"

namespace {

int LoadValues(const std::vector<int32_t>& values) {
  const std::string path = "/tmp/dravelnor_material_" + std::to_string(::getpid()) + ".txt";
  {
    std::ofstream out(path);
    for (int32_t v : values) out << v << "\n";
  }
  const int count = LoadEvaluationParametersFrom(path.c_str());
  std::remove(path.c_str());
  return count;
}

std::vector<int32_t> DefaultValues() {
  std::vector<int32_t> values(VALUES_FILE_COUNT);
  for (int p = 0; p < VALUES_FILE_COUNT; p++) values[p] = DefaultValueAt(p);
  return values;
}

// The board's material index of a signature, from the board's own weights.
int RowOf(const char* text) {
  MaterialSignature s;
  EXPECT_TRUE(ParseMaterialSignature(text, &s)) << text;
  const int pieces[5] = {QUEEN, ROOK, BISHOP, KNIGHT, PAWN};
  int index = 0;
  for (int colour = WHITE; colour <= BLACK; colour++)
    for (int k = 0; k < 5; k++) index += s.counts[colour][k] * material_index_weight[pieces[k]][colour];
  return index;
}

// The row of the same material with the colours exchanged.
int SwappedRow(int index) {
  int swapped = 0, weight = 1;
  // Digits by pairs (white, black): Q, R, B, N in base 3, then P in base 9.
  for (int base : {3, 3, 3, 3, 9}) {
    const int white = index % base, black = (index / base) % base;
    index /= base * base;
    swapped += weight * (black + base * white);
    weight *= base * base;
  }
  return swapped;
}

class MaterialTest : public ::testing::Test {
 protected:
  void SetUp() override {
    InitBoardForTests();
    ASSERT_EQ(LoadEvaluationParametersFrom(DataPath("values.txt").c_str()), VALUES_FILE_COUNT);
    BuildPieceSquareTables();
  }
  void TearDown() override {
    ResetEvaluationParameters();
    ASSERT_EQ(LoadEvaluationParametersFrom(DataPath("values.txt").c_str()), VALUES_FILE_COUNT);
    BuildPieceSquareTables();
  }
};

// ---- the material table ----

TEST_F(MaterialTest, BareKingsAndTheNoIndexRow) {
  std::vector<int32_t> values = DefaultValues();
  values[36] = 77;  // imbalance_table[0]
  ASSERT_EQ(LoadValues(values), VALUES_FILE_COUNT);
  const MaterialEntry& bare = material_table[0];
  EXPECT_EQ(bare.flags[WHITE], MATERIAL_CANNOT_WIN | MATERIAL_ENDING);
  EXPECT_EQ(bare.flags[BLACK], MATERIAL_CANNOT_WIN | MATERIAL_ENDING);
  EXPECT_EQ(bare.current_phase, 256);
  EXPECT_EQ(bare.white_phase, 256);
  EXPECT_EQ(bare.black_phase, 256);
  EXPECT_EQ(bare.material, 77);
  EXPECT_EQ(bare.time_factor, 256);

  const MaterialEntry& none = material_table[NO_MATERIAL_INDEX];
  EXPECT_EQ(none.flags[WHITE] | none.flags[BLACK], 0);
  EXPECT_EQ(none.current_phase, -1);
  EXPECT_EQ(none.white_phase, -1);
  EXPECT_EQ(none.black_phase, -1);
  EXPECT_EQ(none.material, 0);
  EXPECT_EQ(none.time_factor, 0);
}

TEST_F(MaterialTest, CannotWinAndEndingFlags) {
  struct Case {
    const char* white;  // against a bare black king, and mirrored
    bool cannot_win;
    bool few_pieces;  // ENDING for the other side
  };
  const std::vector<Case> cases = {
      {"K", true, true},       {"KN", true, true},
      {"KB", true, true},      {"KNN", true, true},
      {"KBN", false, true},    {"KBB", false, true},
      {"K+1P", false, true},   {"KR", false, true},
      {"KQ", false, true},     {"KQN", false, false},
      {"KRRB", false, true},   {"KRBBN", false, true},
      {"KRRBN", false, false}, {"KQRRBBNN+8P", false, false},
      {"KNN+1P", false, true},
  };
  for (const Case& c : cases) {
    const std::string white = std::string(c.white) + " v K", black = std::string("K v ") + c.white;
    const MaterialEntry& w = material_table[RowOf(white.c_str())];
    const MaterialEntry& b = material_table[RowOf(black.c_str())];
    EXPECT_EQ((w.flags[WHITE] & MATERIAL_CANNOT_WIN) != 0, c.cannot_win) << white;
    EXPECT_EQ((w.flags[BLACK] & MATERIAL_ENDING) != 0, c.few_pieces) << white;
    EXPECT_EQ((b.flags[BLACK] & MATERIAL_CANNOT_WIN) != 0, c.cannot_win) << black;
    EXPECT_EQ((b.flags[WHITE] & MATERIAL_ENDING) != 0, c.few_pieces) << black;
  }
  // The table's thresholds stay 9 and 15 whatever the file says.
  std::vector<int32_t> values = DefaultValues();
  values[3199] = 30;
  values[3200] = 30;
  ASSERT_EQ(LoadValues(values), VALUES_FILE_COUNT);
  EXPECT_EQ(material_table[RowOf("KQN v K")].flags[BLACK] & MATERIAL_ENDING, 0);
  EXPECT_NE(material_table[RowOf("KRRB v K")].flags[BLACK] & MATERIAL_ENDING, 0);
}

TEST_F(MaterialTest, RowsMatchTheBoardsIndexAndPhases) {
  const char* fens[] = {
      "8/8/8/4k3/8/8/8/R3K3 w - - 0 1",
      "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1",
      "r1b1k3/pp3p2/2n5/8/8/2N5/PP3PPP/3QKB2 b - - 0 1",
      "4k3/8/8/8/8/8/5PPP/1QQ1K3 w - - 0 1",
  };
  for (const char* fen : fens) {
    SetPosition(fen);
    ASSERT_LT(thread_board.MaterialIndex, NO_MATERIAL_INDEX) << fen;
    ComputeGamePhase();
    const MaterialEntry& row = material_table[thread_board.MaterialIndex];
    EXPECT_EQ(row.current_phase, current_phase) << fen;
    EXPECT_EQ(row.white_phase, white_phase) << fen;
    EXPECT_EQ(row.black_phase, black_phase) << fen;
  }
  SetPosition(fens[0]);
  ComputeGamePhase();
  EXPECT_EQ(current_phase, 235);
  EXPECT_EQ(black_phase, 256);
  EXPECT_EQ(white_phase, 213);
  SetPosition(fens[1]);
  EXPECT_EQ(material_table[thread_board.MaterialIndex].current_phase, 0);
  // Two queens of one side have a row but no scratch-table entry.
  EXPECT_EQ(material_table[RowOf("KQ v K") + 1].time_factor, 256);
}

// Rule bonuses A..F = bases 120, 90, 60, 30, 30, 60 plus 1..6 from the
// file; A's flag also earns a full endgame weight, which counts t/256.
TEST_F(MaterialTest, ImbalanceRules) {
  std::vector<int32_t> values = DefaultValues();
  for (int k = 0; k < 6; k++) values[14 + k] = k + 1;
  values[20] = 256;   // imbalance_endgame_weight[A]
  values[3201] = 11;  // lone_minor_table[0]
  ASSERT_EQ(LoadValues(values), VALUES_FILE_COUNT);
  struct Case {
    const char* signature;
    int material;  // black minus white
    const char* why;
  };
  const std::vector<Case> cases = {
      {"KN v K", -11, "case 1: a lone minor"},
      {"K+1P v K", -108, "case 1 has nothing; extra white pawn 108"},
      {"K v K+1P", 108, "extra black pawn 108"},
      {"KR v K", -(121 + 22), "case 2: A, endgame weight at t = 22"},
      {"KQ v KRR", -66, "case 3: the lone queen gets F"},
      {"KQN+1P v KQB", -21, "case 3: knight against bishop 10, +1 correction, queen and knight 10"},
      {"KRN v KR", -(121 + 19), "case 4: A at t = 19"},
      {"KNN v KR", -92, "case 5: B for two minors alone"},
      {"KBN v KR", -89, "case 5: B less the 3 correction"},
      {"KRB v KQ", 34 + 35 + 46, "case 5: D and E for the queen side, -46 correction"},
      {"KRBB v KQ", -(63 + 50), "case 5: C, bishop pair"},
      {"KRBN v KRR", -(121 + 10 + 16), "case 5: A, rook and bishop, t = 16"},
      {"KQ v KRB", -(34 + 35 + 46), "case 6: the mirror"},
      {"KBBN v KQ", -(121 + 50 + 17), "case 7: three minors more, bishop pair, t = 17"},
      {"KNN v KQ", 0, "case 7 needs three minors more"},
  };
  for (const Case& c : cases)
    EXPECT_EQ(material_table[RowOf(c.signature)].material, c.material) << c.signature << ": " << c.why;
}

// The endgame term is weighted by the 0..24 count t, the opening term by
// 256 - t, and the sum divided by 256.
TEST_F(MaterialTest, PieceValuesWeighByTheZeroTo24Count) {
  struct Case {
    const char* signature;
    int32_t opening, endgame;  // queen value corrections
    int difference;
  };
  const std::vector<Case> cases = {
      {"KQ v K", 0, 1000, -(1000 * 20 / 256)},
      {"KQ v K", 100, 0, -(100 * 236 / 256)},
      {"KQ v K", 100, 1000, -((1000 * 20 + 100 * 236) / 256)},
      {"K v KQ", 100, 1000, (1000 * 20 + 100 * 236) / 256},
      {"KQQRRBBNN v KQRRBBNN", 100, 1000, -100},  // more than all pieces on: t = 0
  };
  for (const Case& c : cases) {
    ASSERT_EQ(LoadValues(DefaultValues()), VALUES_FILE_COUNT);
    const int before = material_table[RowOf(c.signature)].material;
    std::vector<int32_t> values = DefaultValues();
    values[34] = c.opening;
    values[35] = c.endgame;
    ASSERT_EQ(LoadValues(values), VALUES_FILE_COUNT);
    EXPECT_EQ(material_table[RowOf(c.signature)].material - before, c.difference) << c.signature;
  }
  // Pawn values blend by both sides' heavy shares: a rook each gives
  // shares of 256, so only the first corner value counts.
  std::vector<int32_t> values = DefaultValues();
  values[0] = 40;   // both sides with heavy pieces
  values[3] = 500;  // neither
  ASSERT_EQ(LoadValues(DefaultValues()), VALUES_FILE_COUNT);
  const int rooks = material_table[RowOf("KR+2P v KR+1P")].material;
  const int pawns = material_table[RowOf("K+2P v K+1P")].material;
  ASSERT_EQ(LoadValues(values), VALUES_FILE_COUNT);
  EXPECT_EQ(material_table[RowOf("KR+2P v KR+1P")].material - rooks, -(40 * (256 - 20)) / 256);
  EXPECT_EQ(material_table[RowOf("K+2P v K+1P")].material - pawns, -(500 * (256 - 24)) / 256);
}

void ExpectColourSymmetry() {
  int mismatches = 0;
  for (int row = 0; row < NO_MATERIAL_INDEX && mismatches < 5; row++) {
    const MaterialEntry& a = material_table[row];
    const MaterialEntry& b = material_table[SwappedRow(row)];
    const bool same = a.material == -b.material && a.flags[WHITE] == b.flags[BLACK] &&
                      a.flags[BLACK] == b.flags[WHITE] && a.white_phase == b.black_phase &&
                      a.black_phase == b.white_phase && a.current_phase == b.current_phase &&
                      a.time_factor == b.time_factor;
    if (!same) {
      ADD_FAILURE() << "row " << row << " and its mirror " << SwappedRow(row) << ": material " << a.material << " / "
                    << b.material;
      mismatches++;
    }
  }
}

TEST_F(MaterialTest, ColourSymmetryOfEveryRowUnderTheDefaultFile) {
  ASSERT_EQ(SwappedRow(RowOf("KQR+2P v KBN+7P")), RowOf("KBN+7P v KQR+2P"));
  ExpectColourSymmetry();
}

// Any file whose imbalance table is antisymmetric keeps the table
// antisymmetric, whatever its other material values.
TEST_F(MaterialTest, ColourSymmetryUnderARandomAntisymmetricFile) {
  std::mt19937 random(20240611);
  std::uniform_int_distribution<int> small(-200, 200);
  std::vector<int32_t> values = DefaultValues();
  for (int p = 0; p < 36; p++) values[p] = small(random);
  for (int p : {3016, 3017}) values[p] = small(random);
  for (int p = 3113; p <= 3117; p++) values[p] = small(random);
  for (int p = 3201; p <= 3205; p++) values[p] = small(random);
  for (int p = 3231; p <= 3244; p++) values[p] = small(random);
  // By index: each configuration against its mirror, 0 when it is its own.
  const auto index_of = [](int qw, int rw, int bw, int nw, int qb, int rb, int bb, int nb) {
    return 1458 * qw + 486 * rw + 162 * bw + 54 * nw + 27 * qb + 9 * rb + 3 * bb + nb;
  };
  std::vector<int32_t> by_index(IMBALANCE_TABLE_SIZE, 0);
  for (int index = 0; index < IMBALANCE_TABLE_SIZE; index++) {
    const int qw = index / 1458, rw = index / 486 % 3, bw = index / 162 % 3, nw = index / 54 % 3;
    const int qb = index / 27 % 2, rb = index / 9 % 3, bb = index / 3 % 3, nb = index % 3;
    const int mirror = index_of(qb, rb, bb, nb, qw, rw, bw, nw);
    if (index < mirror) {
      by_index[index] = small(random);
      by_index[mirror] = -by_index[index];
    }
  }
  int position = 36;
  for (int qw = 0; qw < 2; qw++)
    for (int qb = 0; qb < 2; qb++)
      for (int rw = 0; rw < 3; rw++)
        for (int rb = 0; rb < 3; rb++)
          for (int bw = 0; bw < 3; bw++)
            for (int bb = 0; bb < 3; bb++)
              for (int nw = 0; nw < 3; nw++)
                for (int nb = 0; nb < 3; nb++) values[position++] = by_index[index_of(qw, rw, bw, nw, qb, rb, bb, nb)];
  ASSERT_EQ(LoadValues(values), VALUES_FILE_COUNT);
  ExpectColourSymmetry();
}

TEST_F(MaterialTest, RebuildTakesWellUnderASecond) {
  const auto start = std::chrono::steady_clock::now();
  const int loads = 5;
  for (int i = 0; i < loads; i++)
    ASSERT_EQ(LoadEvaluationParametersFrom(DataPath("values.txt").c_str()), VALUES_FILE_COUNT);
  const double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count() / loads;
  std::printf("[ timing   ] load and material-table rebuild: %.1f ms\n", ms);
  RecordProperty("rebuild_ms", std::to_string(ms));
  EXPECT_LT(ms, 1000.0);
}

// ---- positions without a row ----

TEST_F(MaterialTest, EvaluateMaterialRulesAndSmallLeadScaling) {
  struct Case {
    const char* fen;
    int32_t expected;  // black minus white
    const char* why;
  };
  const std::vector<Case> cases = {
      {"1n2k3/8/8/8/8/8/8/1NN1KN2 w - - 0 1", -600 - 120, "case 4: A; a lead of 6 units is not scaled"},
      {"1nb1k3/8/8/8/8/8/8/1NN1KN2 w - - 0 1", -300 - (120 >> 2), "lead of 3, no pawn: quartered"},
      {"1nb1k3/8/8/8/8/8/P7/1NN1KN2 w - - 0 1", -400 - (120 >> 1), "one pawn: halved"},
      {"1nb1k3/8/8/8/8/8/PP6/1NN1KN2 w - - 0 1", -500 - 4 * 120 / 5, "two pawns: four fifths"},
      {"1nb1k3/8/8/8/8/8/PPP5/1NN1KN2 w - - 0 1", -600 - 120, "three pawns: unchanged"},
      {"4k2r/8/8/8/8/8/8/RRR1K3 w - - 0 1", -1000 - 120, "case 2: A for more heavy units"},
      {"4k2r/8/8/8/8/8/8/RRRBK3 w - - 0 1", -1300 - 10, "case 7 needs three minors more; rook and bishop"},
  };
  for (const Case& c : cases) {
    SetPosition(c.fen);
    ASSERT_EQ(thread_board.MaterialIndex, NO_MATERIAL_INDEX) << c.fen;
    EXPECT_EQ(EvaluateMaterial(), c.expected) << c.fen << ": " << c.why;
    SetPosition(FlipFen(c.fen).c_str());
    EXPECT_EQ(EvaluateMaterial(), -c.expected) << FlipFen(c.fen) << ": " << c.why;
  }
  // Rooks by pawns counts twice for two or more rooks; rook and bishop
  // only without queens.
  rook_value_by_pawns[0] = 7;
  rook_bishop_bonus = 4;
  SetPosition("4k2r/8/8/8/8/8/8/RRR1K3 w - - 0 1");
  EXPECT_EQ(EvaluateMaterial(), -1000 - 120 - (2 * 7 - 7));
  SetPosition("4k2r/8/8/8/8/8/8/RRRBK3 w - - 0 1");
  EXPECT_EQ(EvaluateMaterial(), -1300 - (2 * 7 - 7) - 4);
  // Case 4 gives A; the queen switches the rook-and-bishop bonus off; a
  // lead of 4 units without pawns is quartered.
  SetPosition("3qk2r/8/8/8/8/8/8/RRRBK3 w - - 0 1");
  EXPECT_EQ(EvaluateMaterial(), -400 - ((120 + 2 * 7 - 7) >> 2));
}

TEST_F(MaterialTest, GamePhaseWithoutARow) {
  SetPosition("1n2k3/8/8/8/8/8/8/1NN1KN2 w - - 0 1");
  ComputeGamePhase();
  EXPECT_EQ(white_phase, (256 * 9 + 6) / 12);
  EXPECT_EQ(black_phase, (256 * 11 + 6) / 12);
  EXPECT_EQ(current_phase, (256 * 20 + 12) / 24);
  SetPosition("rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKQQR w KQkq - 0 1");  // more than all on
  ComputeGamePhase();
  EXPECT_EQ(current_phase, 0);
  EXPECT_EQ(white_phase, 0);
}

// ---- the gain estimate ----

Move FlippedMove(Move m) {
  return MakeMoveWord(MoveFrom(m) ^ 56, MoveTo(m) ^ 56, MovePiece(m), MoveCaptured(m), MovePromotion(m));
}

// Every move and its colour-flipped twin gain the same, and both leave the
// phases and ending flags of the position before the move.
TEST_F(MaterialTest, GainIsColourSymmetricAndSetsThePhases) {
  const char* fens[] = {
      "rnbqkbnr/ppp1pppp/8/3p4/4P3/8/PPPP1PPP/RNBQKBNR w KQkq d6 0 2",
      "r3k3/1P4p1/8/3pP3/8/8/6p1/R3K2R w KQq d6 0 2",
      "r1bqk2r/pp3ppp/2n2n2/2bpp3/2B1P3/2NP1N2/PPP2PPP/R1BQK2R w KQkq - 0 1",
      "1nb1k3/1p6/P7/8/3r4/8/8/1NN1KN2 w - - 0 1",
      "4k3/8/3R4/8/8/3p4/7P/4K3 w - - 0 1",
  };
  for (const char* fen : fens) {
    SetPosition(fen);
    GenerateLegalMoves(LEGALITY_LIST_START);
    std::vector<Move> moves;
    for (int i = LEGALITY_LIST_START; i < move_list_end; i++) moves.push_back(move_list[i].move);
    ASSERT_FALSE(moves.empty()) << fen;
    const std::string flipped = FlipFen(fen);
    for (Move m : moves) {
      SetPosition(fen);
      const int32_t gain = EstimateMaterialGain(m);
      const int32_t phases[3] = {current_phase, white_phase, black_phase};
      const int32_t ending[2] = {thread_eval_info.ending[WHITE], thread_eval_info.ending[BLACK]};
      if (thread_board.MaterialIndex < NO_MATERIAL_INDEX) {
        const MaterialEntry& row = material_table[thread_board.MaterialIndex];
        EXPECT_EQ(phases[0], row.current_phase);
        EXPECT_EQ(phases[1], row.white_phase);
        EXPECT_EQ(ending[WHITE], row.flags[WHITE] & MATERIAL_ENDING);
      }
      SetPosition(flipped.c_str());
      EXPECT_EQ(EstimateMaterialGain(FlippedMove(m)), gain) << fen << " move " << m;
      EXPECT_EQ(current_phase, phases[0]);
      EXPECT_EQ(black_phase, phases[1]);
      EXPECT_EQ(white_phase, phases[2]);
      EXPECT_EQ(thread_eval_info.ending[BLACK], ending[WHITE]);
      EXPECT_EQ(thread_eval_info.ending[WHITE], ending[BLACK]);
    }
  }
}

int32_t GainOf(const char* fen, const char* move) {
  SetPosition(fen);
  const Move m = FindLegal(move);
  EXPECT_NE(m, 0u) << fen << " " << move;
  return EstimateMaterialGain(m);
}

TEST_F(MaterialTest, GainAnchors) {
  struct Case {
    const char* fen;
    const char* move;
    int32_t gain;
    const char* why;
  };
  const std::vector<Case> cases = {
      {"4k1nr/8/8/8/3Q4/8/8/4K3 w - - 0 1", "d4e5", 160, "quiet queen move between squares of equal value"},
      {"4k2r/8/8/8/3Q4/8/8/4K3 w - - 0 1", "d4e5", 185, "the opponent is down to 5 units"},
      // K+P v K+RR: current phase 213; the queen's endgame values -16 on
      // a7 and -24 on a8.
      {"4k3/P7/8/8/8/K7/6rr/8 w - - 0 1", "a7a8q", 900 + 160 + ((-8 * 213) >> 8), "promotion to a queen"},
      {"4k3/P7/8/8/8/K7/6rr/8 w - - 0 1", "a7a8n", 900 + ((-10 * 213 + -65 * 43) >> 8), "under-promotion"},
      // K+P v K+P at phase 256: the pawn, the row change (the extra-pawn
      // value 108 of K v K), 25 for few pieces, a new passer on the 6th
      // rank (200), the taken d5 pawn was passed (10), piece-square 13.
      {"4k3/8/8/3pP3/8/8/8/4K3 w - d6 0 2", "e5d6", 100 + 108 + 25 + 200 + 10 + 13, "en passant"},
  };
  for (const Case& c : cases) EXPECT_EQ(GainOf(c.fen, c.move), c.gain) << c.fen << " " << c.move << ": " << c.why;
}

// Differences that isolate one step of the estimate.
TEST_F(MaterialTest, GainDifferences) {
  // A push that makes a passed pawn on the 6th rank: 200.
  EXPECT_EQ(GainOf("4k3/8/8/4P3/8/8/8/4K3 w - - 0 1", "e5e6") - GainOf("4k3/3p4/8/4P3/8/8/8/4K3 w - - 0 1", "e5e6"),
            200);
  // Taking a passed pawn on its 6th rank (d3 for black): 200 more than
  // taking the same pawn when a white pawn stands in its span.
  EXPECT_EQ(
      GainOf("4k3/8/3R4/8/8/3p4/7P/4K3 w - - 0 1", "d6d3") - GainOf("4k3/8/3R4/8/8/3p4/2P5/4K3 w - - 0 1", "d6d3"),
      200);
  // En passant is valued as the pawn capture the move word does not carry.
  const char* ep = "4k3/8/8/3pP3/8/2P5/8/4K3 w - d6 0 2";
  SetPosition(ep);
  const Move ep_move = FindLegal("e5d6");
  ASSERT_NE(ep_move, 0u);
  const int32_t as_played = EstimateMaterialGain(ep_move);
  SetPosition(ep);
  EXPECT_EQ(as_played, EstimateMaterialGain(MakeMoveWord(MoveFrom(ep_move), MoveTo(ep_move), PAWN, PAWN)));
  EXPECT_GE(as_played, 100);
  // Without a row (three white knights), a capture of a piece adds
  // imbalance_bonus[0] + 120; a pawn capture does not.
  const char* no_row = "1nb1k3/1p6/P7/8/3r4/8/4N3/1NN1K3 w - - 0 1";
  const int32_t takes_rook = GainOf(no_row, "e2d4"), takes_pawn = GainOf(no_row, "a6b7");
  imbalance_bonus[0] += 7;
  EXPECT_EQ(GainOf(no_row, "e2d4"), takes_rook + 7);
  EXPECT_EQ(GainOf(no_row, "a6b7"), takes_pawn);
}

}  // namespace
