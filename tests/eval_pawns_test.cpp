// Pawn structure, pawn hash and king shelter; with them the position-corpus
// checks of all pawn terms (passed pawns included): colour symmetry, the pawn
// hash switched off, on and cleared, and a hostile parameter set.
#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "board/makemove.h"
#include "board/movegen.h"
#include "board/notation.h"
#include "board/tables.h"
#include "eval/evaluate.h"
#include "eval/params.h"
#include "eval/passed.h"
#include "eval/pawns.h"
#include "interface/options.h"
#include "search/root.h"
#include "search/tables.h"
#include "test_util.h"

namespace {

// The expectations below are worked out by hand from the compiled-in
// parameters, so the suite runs on those and restores the shared file values
// afterwards.
class PawnTermsTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    InitEvalForTests();
    ResetEvaluationParameters();
  }
  static void TearDownTestSuite() { LoadEvaluationParametersFrom(DataPath("values.txt").c_str()); }
  void SetUp() override {
    InitEvalForTests();
    saved_root_side_ = root_side;
    saved_aggressivity_ = aggressivity_half;
    saved_cowardice_ = cowardice_half;
    saved_entries_ = pawn_hash_entries;
    root_side = WHITE;
    aggressivity_half = cowardice_half = 50;
  }
  void TearDown() override {
    root_side = saved_root_side_;
    aggressivity_half = saved_aggressivity_;
    cowardice_half = saved_cowardice_;
    if (pawn_hash_entries != saved_entries_) {
      pawn_hash_entries = saved_entries_;
      ASSERT_TRUE(AllocatePawnHash());
    }
    ClearPawnHash();
  }

 private:
  int32_t saved_root_side_ = 0, saved_aggressivity_ = 0, saved_cowardice_ = 0;
  uint32_t saved_entries_ = 0;
};

struct Structure {
  int32_t opening, endgame;
};

// What EvaluatePosition sets up before the pawn terms run.
void PreparePawnTerms() {
  memset(&thread_eval_info, 0, sizeof thread_eval_info);
  thread_eval_info.reliable = 1;
  thread_eval_info.cacheable = 1;
  AllPawns = thread_board.Pieces[PAWN][WHITE] | thread_board.Pieces[PAWN][BLACK];
}

Structure EvaluateStructure() {
  PreparePawnTerms();
  Structure s = {0, 0};
  EvaluatePawnStructure(&s.opening, &s.endgame);
  return s;
}

// ---- pawn structure ----

struct StructureCase {
  const char* fen;
  int32_t opening, endgame;
  uint8_t passed_white, passed_black;
  uint8_t targets_white, targets_black;
};

TEST_F(PawnTermsTest, StructureScoresAndFacts) {
  const StructureCase cases[] = {
      // No pawns: nothing at all.
      {"4k3/8/8/8/8/8/8/4K3 w - - 0 1", 0, 0, 0, 0, 0, 0},
      // e3, e4: only the front pawn is doubled; both isolated, the front one free.
      {"4k3/8/8/8/4P3/4P3/8/4K3 w - - 0 1", 46, 64, 0x10, 0, 0x10, 0},
      // A third pawn on the file adds a second doubled penalty.
      {"4k3/8/8/8/4P3/4P3/4P3/4K3 w - - 0 1", 70, 106, 0x10, 0, 0x10, 0},
      // e7 with d5/f5: the 2nd-rank escape holds, all three passed; front width 2.
      {"4k3/4p3/8/3p1p2/8/8/8/4K3 w - - 0 1", 0, 12, 0, 0x38, 0, 0},
      // A white pawn on f4 attacks e5: e7 is backward on a free file.
      {"4k3/4p3/8/3p1p2/5P2/8/8/4K3 w - - 0 1", -8, 20, 0, 0x08, 0, 0x10},
      // d4 is a chained candidate, e3 passed (not backward: d4 covers it), c6 isolated free.
      {"4k3/8/2p5/8/3P4/4P3/8/4K3 w - - 0 1", -36, -52, 0x10, 0, 0, 0x04},
      // e6 blocked by e7, guarded from f5 with the f/g files clear: endgame bonus;
      // f5 is backward since e7 attacks f6.
      {"4k3/4p3/4P3/5P2/8/8/8/4K3 w - - 0 1", -12, -50, 0, 0, 0x20, 0},
      // The same with a black pawn on g7: no bonus.
      {"4k3/4p1p1/4P3/5P2/8/8/8/4K3 w - - 0 1", -31, -41, 0, 0, 0x20, 0x40},
      // Side by side pawns are chained.
      {"4k3/8/8/8/3PP3/8/8/4K3 w - - 0 1", -12, -18, 0x18, 0, 0, 0},
  };
  for (const StructureCase& c : cases) {
    SCOPED_TRACE(c.fen);
    SetPosition(c.fen);
    const Structure s = EvaluateStructure();
    EXPECT_EQ(s.opening, c.opening);
    EXPECT_EQ(s.endgame, c.endgame);
    EXPECT_EQ(PassedVector(WHITE), c.passed_white);
    EXPECT_EQ(PassedVector(BLACK), c.passed_black);
    EXPECT_EQ(TargetPawnFiles(WHITE), c.targets_white);
    EXPECT_EQ(TargetPawnFiles(BLACK), c.targets_black);
  }
}

TEST_F(PawnTermsTest, PassedSetsHoldEveryPawnOfAPassedFile) {
  SetPosition("4k3/8/8/8/4P3/4P3/8/4K3 w - - 0 1");
  EvaluateStructure();
  EXPECT_EQ(thread_eval_info.passed_pawns[WHITE], SquareBit(20) | SquareBit(28));
  EXPECT_EQ(thread_eval_info.passed_pawns[BLACK], 0u);
  // d5 passed, e7 and f5 not: only d5 is in black's set.
  SetPosition("4k3/4p3/8/3p1p2/5P2/8/8/4K3 w - - 0 1");
  EvaluateStructure();
  EXPECT_EQ(thread_eval_info.passed_pawns[BLACK], SquareBit(35));
  EXPECT_EQ(thread_eval_info.passed_pawns[WHITE], 0u);
  // Rebuilt on a table hit too, and empty without pawns.
  SetPosition("4k3/8/8/8/4P3/4P3/8/4K3 b - - 0 1");
  EvaluateStructure();
  EXPECT_EQ(thread_eval_info.passed_pawns[WHITE], SquareBit(20) | SquareBit(28));
  SetPosition("4k3/8/8/8/8/8/8/4K3 w - - 0 1");
  EvaluateStructure();
  EXPECT_EQ(thread_eval_info.passed_pawns[WHITE] | thread_eval_info.passed_pawns[BLACK], 0u);
}

TEST_F(PawnTermsTest, BuiltInChainTableMatchesTheParameters) {
  int32_t built_in[64];
  memcpy(built_in, chained_pawn_table, sizeof built_in);
  BuildChainedPawnTable();
  for (int square = 0; square < 64; square++) EXPECT_EQ(chained_pawn_table[square], built_in[square]) << square;
  // A black pawn on c3 (its 6th rank) reads chained_pawn_cf[3]; a white pawn
  // on its 2nd rank never gets a chain bonus.
  EXPECT_EQ(chained_pawn_table[18], evaluation_parameters[CHAINED_PAWN_CF + 3]);
  for (int square = 8; square < 16; square++) EXPECT_EQ(chained_pawn_table[63 - square], 0);
}

// ---- shelter defects ----

struct DefectCase {
  const char* fen;
  int white_k, white_q, black_k, black_q;
};

TEST_F(PawnTermsTest, ShelterDefects) {
  const DefectCase cases[] = {
      // Unmoved wings: nothing wrong, the inner file is not even examined.
      {"4k3/5ppp/8/8/8/8/5PPP/4K3 w - - 0 1", 0, 16, 0, 16},
      // g3/h3 with f2: 1 + 2 before the f-file, 2 after the g3/h3 reduction.
      {"4k3/5ppp/8/8/8/6PP/5P2/4K3 w - - 0 1", 2, 16, 0, 16},
      // No white h-pawn: missing for white (3 + 1), half missing for black.
      {"4k3/5ppp/8/8/8/8/5PP1/4K3 w - - 0 1", 4, 16, 1, 16},
      // An open h-file counts for both.
      {"4k3/5pp1/8/8/8/8/5PP1/4K3 w - - 0 1", 8, 16, 8, 16},
      // a6/b6 with c7: 1 + 2, less 1 for the pair on the 6th rank.
      {"4k3/2p5/pp6/8/8/8/PPP5/4K3 w - - 0 1", 16, 0, 16, 2},
      // h5 (2) and no g-pawn (missing, 1): 3 + missing 3 + defects 3 = 6.
      {"4k3/5p2/8/7p/8/8/5PPP/4K3 w - - 0 1", 1, 16, 6, 16},
      // f3 does not count while h and g are intact.
      {"4k3/5ppp/8/8/8/5P2/6PP/4K3 w - - 0 1", 0, 16, 0, 16},
      // ... but does once the h-pawn has moved.
      {"4k3/5ppp/8/8/8/5P1P/6P1/4K3 w - - 0 1", 2, 16, 0, 16},
  };
  for (const DefectCase& c : cases) {
    SCOPED_TRACE(c.fen);
    SetPosition(c.fen);
    EvaluateStructure();
    EXPECT_EQ(PawnEntry.white_defects_k, c.white_k);
    EXPECT_EQ(PawnEntry.white_defects_q, c.white_q);
    EXPECT_EQ(PawnEntry.black_defects_k, c.black_k);
    EXPECT_EQ(PawnEntry.black_defects_q, c.black_q);
  }
}

// ---- king shelter ----

struct ShelterCase {
  const char* fen;
  int colour;
  int32_t root, aggressivity, cowardice;
  int32_t penalty, amount;
};

TEST_F(PawnTermsTest, ShelterPenaltyAndWeightedAmount) {
  const ShelterCase cases[] = {
      // g8 without castling, g6 pawn: defects 2; the opponent's king, weight 50.
      {"6k1/5p1p/6p1/8/8/8/5PPP/3QK3 b - - 0 1", BLACK, WHITE, 50, 50, 2, -7},
      // The engine's own king takes the cowardice weight.
      {"6k1/5p1p/6p1/8/8/8/5PPP/3QK3 b - - 0 1", BLACK, BLACK, 50, 80, 2, -12},
      {"6k1/5p1p/6p1/8/8/8/5PPP/3QK3 b - - 0 1", BLACK, WHITE, 80, 50, 2, -12},
      // A white bishop on f6 in front of the missing g7 pawn, white has a queen.
      {"6k1/5p1p/5Bp1/8/8/8/5PPP/3QK3 b - - 0 1", BLACK, WHITE, 50, 50, 5, -21},
      // Without the white queen: no bishop term, the penalty halved.
      {"6k1/5p1p/5Bp1/8/8/8/5PPP/4K3 b - - 0 1", BLACK, WHITE, 50, 50, 1, -2},
      // Castling rights left, queen off d8: half the central files, -12.
      {"r3k2r/pppqpppp/8/8/8/8/PPPPPPPP/R2QK2R b KQkq - 0 1", BLACK, WHITE, 50, 50, 4, -30},
      // King on d8 without rights: the c, d and e files and 1 more.
      {"3k4/ppp1pppp/8/8/8/8/PPP1PPPP/3QK3 b - - 0 1", BLACK, WHITE, 50, 50, 12, -58},
      // Only the long right: the queen wing's 1 defect beats the central 3.
      {"r3k3/1pp1pppp/p7/8/8/8/PPPPPPPP/R2QK3 b Qq - 0 1", BLACK, WHITE, 50, 50, 4, -30},
      // Only the short right, with h6 played.
      {"4k2r/ppp1ppp1/7p/8/8/8/PPPPPPPP/3QK2R b Kk - 0 1", BLACK, WHITE, 50, 50, 4, -30},
      // White king with the short right, no queen of either side.
      {"4k3/8/8/8/8/8/PPPPPPPP/4K2R w K - 0 1", WHITE, WHITE, 50, 50, 1, -14},
      {"4k3/8/8/8/8/8/PPPPPPPP/4K2R w K - 0 1", WHITE, WHITE, 50, 80, 1, -15},
      {"4k3/8/8/8/8/8/PPPPPPPP/4K2R w K - 0 1", WHITE, BLACK, 80, 50, 1, -15},
  };
  for (const ShelterCase& c : cases) {
    SCOPED_TRACE(c.fen);
    SetPosition(c.fen);
    EvaluateStructure();
    root_side = c.root;
    aggressivity_half = c.aggressivity;
    cowardice_half = c.cowardice;
    const int32_t amount = c.colour == BLACK ? ComputeBlackShelterPenalty() : ComputeWhiteShelterPenalty();
    EXPECT_EQ(thread_eval_info.shelter_penalty[c.colour], c.penalty);
    EXPECT_EQ(amount, c.amount);
  }
}

// ---- position corpus ----

// Random playouts that prefer captures, so that the corpus runs down into
// endings and pawnless positions.
std::vector<std::string> CorpusPositions() {
  static std::vector<std::string> fens;
  if (!fens.empty()) return fens;
  static const char* const starts[] = {
      "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1",
      "r3k2r/pp1b1ppp/2n1pn2/q1pp4/3P4/2PBPN2/PP1N1PPP/R2QK2R w KQkq - 0 1",
      "4k3/pp3ppp/8/8/8/8/PP3PPP/4K3 w - - 0 1",
      "8/2p2k2/1p6/p7/P6P/1P4P1/5K2/8 w - - 0 1",
      "r3k3/8/8/8/8/8/8/4K2R w Kq - 0 1",
      "2r2k2/5p2/8/3N4/8/8/5PP1/3R2K1 b - - 0 1",
      "4k3/8/8/3n4/8/8/PP6/4K3 w - - 0 1",
  };
  std::mt19937 random(20240611);
  const int games = 56;
  for (int game = 0; game < games; game++) {
    SetPosition(starts[game % (sizeof starts / sizeof *starts)]);
    for (int plies = 0; plies < 160; plies++) {
      GenerateLegalMoves(LEGALITY_LIST_START);
      std::vector<Move> moves, captures;
      for (int i = LEGALITY_LIST_START; i < move_list_end; i++) {
        moves.push_back(move_list[i].move);
        if (MoveCaptured(move_list[i].move)) captures.push_back(move_list[i].move);
      }
      move_list_end = 0;
      if (moves.empty()) break;
      const std::vector<Move>& pool = (!captures.empty() && random() % 4 != 0) ? captures : moves;
      MakeMove(pool[random() % pool.size()], 1);
      fens.push_back(BoardToFen());
    }
  }
  return fens;
}

// Every output of the pawn terms for the position on the board.
struct PawnTerms {
  int32_t opening, endgame;
  uint8_t facts[sizeof(PawnHashEntry) - sizeof(uint64_t)];  // the record without its key
  uint64_t passed[2];
  int32_t shelter[2], shelter_penalty[2];
  int32_t passed_score, king_attack[2], side_endgame[2], reliable;

  bool operator==(const PawnTerms& o) const {
    return opening == o.opening && endgame == o.endgame && !memcmp(facts, o.facts, sizeof facts) &&
           passed[0] == o.passed[0] && passed[1] == o.passed[1] && shelter[0] == o.shelter[0] &&
           shelter[1] == o.shelter[1] && shelter_penalty[0] == o.shelter_penalty[0] &&
           shelter_penalty[1] == o.shelter_penalty[1] && passed_score == o.passed_score &&
           king_attack[0] == o.king_attack[0] && king_attack[1] == o.king_attack[1] &&
           side_endgame[0] == o.side_endgame[0] && side_endgame[1] == o.side_endgame[1] && reliable == o.reliable;
  }
};

PawnTerms EvaluatePawnTerms() {
  PawnTerms t = {};
  const Structure s = EvaluateStructure();
  t.opening = s.opening;
  t.endgame = s.endgame;
  memcpy(t.facts, reinterpret_cast<const uint8_t*>(&PawnEntry) + sizeof(uint64_t), sizeof t.facts);
  t.passed[WHITE] = thread_eval_info.passed_pawns[WHITE];
  t.passed[BLACK] = thread_eval_info.passed_pawns[BLACK];
  t.shelter[BLACK] = ComputeBlackShelterPenalty();
  t.shelter[WHITE] = ComputeWhiteShelterPenalty();
  t.shelter_penalty[BLACK] = thread_eval_info.shelter_penalty[BLACK];
  t.shelter_penalty[WHITE] = thread_eval_info.shelter_penalty[WHITE];
  if (PassedVector(WHITE) || PassedVector(BLACK)) {
    int32_t king_attack[2] = {0, 0}, side_endgame[2] = {0, 0};
    t.passed_score = EvaluatePassedPawns(0, king_attack, side_endgame);
    for (int c = 0; c < 2; c++) {
      t.king_attack[c] = king_attack[c];
      t.side_endgame[c] = side_endgame[c];
    }
  }
  t.reliable = thread_eval_info.reliable;
  return t;
}

void SetPawnHashEntries(uint32_t entries) {
  pawn_hash_entries = entries;
  ASSERT_TRUE(AllocatePawnHash());
}

std::vector<PawnTerms> EvaluateCorpus(const std::vector<std::string>& fens) {
  std::vector<PawnTerms> results;
  for (const std::string& fen : fens) {
    SetPosition(fen.c_str());
    results.push_back(EvaluatePawnTerms());
  }
  return results;
}

// Runs the corpus with the table in the given state and compares each
// position with the reference; returns the number of differences.
template <typename BeforeEach>
int CountDifferences(const std::vector<std::string>& fens, const std::vector<PawnTerms>& reference,
                     BeforeEach before_each) {
  int differences = 0;
  for (size_t i = 0; i < fens.size(); i++) {
    before_each(i);
    SetPosition(fens[i].c_str());
    if (!(EvaluatePawnTerms() == reference[i])) {
      if (differences < 5) ADD_FAILURE() << "differs: " << fens[i];
      differences++;
    }
  }
  return differences;
}

TEST_F(PawnTermsTest, CorpusHasPawnlessAndPawnPositions) {
  const std::vector<std::string> fens = CorpusPositions();
  ASSERT_GT(fens.size(), 3000u);
  int pawnless = 0, passers = 0;
  for (const std::string& fen : fens) {
    SetPosition(fen.c_str());
    if (!thread_board.PawnKey) pawnless++;
    EvaluateStructure();
    if (PassedVector(WHITE) || PassedVector(BLACK)) passers++;
  }
  EXPECT_GT(pawnless, 50);
  EXPECT_GT(passers, 500);
}

TEST_F(PawnTermsTest, PawnHashNeverChangesAResult) {
  const std::vector<std::string> fens = CorpusPositions();
  SetPawnHashEntries(0);
  const std::vector<PawnTerms> reference = EvaluateCorpus(fens);

  // Default size, twice over so that the second pass hits the table; then a
  // tiny table where records are replaced all the time.
  SetPawnHashEntries(262144);
  EXPECT_EQ(CountDifferences(fens, reference, [](size_t) {}), 0);
  EXPECT_EQ(CountDifferences(fens, reference, [](size_t) {}), 0);
  SetPawnHashEntries(61);
  EXPECT_EQ(CountDifferences(fens, reference, [](size_t) {}), 0);

  // Cleared now and then, and switched off and on, with the same structure
  // revisited right after the switch.
  SetPawnHashEntries(262144);
  EXPECT_EQ(CountDifferences(fens, reference,
                             [](size_t i) {
                               if (i % 7 == 0) ClearPawnHash();
                             }),
            0);
  EXPECT_EQ(CountDifferences(fens, reference,
                             [&](size_t i) {
                               if (i % 5 == 0) SetPawnHashEntries(i % 10 == 0 ? 0 : 262144);
                             }),
            0);
}

TEST_F(PawnTermsTest, PawnlessPositionAfterClearedTableHasFreshShelterFacts) {
  // A cleared record and the forgotten working copy both carry key 0.
  SetPosition("r3k3/8/8/8/8/8/8/4K2R w Kq - 0 1");
  ClearPawnHash();
  EvaluateStructure();
  EXPECT_EQ(PawnEntry.white_defects_k, 16);
  EXPECT_EQ(PawnEntry.black_defects_q, 16);
  // The same again after a structure with pawns went through the table.
  SetPosition("4k3/5ppp/8/8/8/8/5PPP/4K3 w - - 0 1");
  EvaluateStructure();
  SetPosition("r3k3/8/8/8/8/8/8/4K2R w Kq - 0 1");
  EvaluateStructure();
  EXPECT_EQ(PawnEntry.white_defects_k, 16);
  EXPECT_EQ(PawnEntry.black_defects_k, 16);
}

// Restores every parameter the pawn terms read, however the test ends.
struct SavedPawnParameters {
  int32_t parameters[EVALUATION_PARAMETER_COUNT];
  int32_t ranks[14][8];
  SavedPawnParameters() {
    memcpy(parameters, evaluation_parameters, sizeof parameters);
    memcpy(ranks, passed_rank_table, sizeof ranks);
  }
  ~SavedPawnParameters() {
    memcpy(evaluation_parameters, parameters, sizeof parameters);
    memcpy(passed_rank_table, ranks, sizeof ranks);
    BuildChainedPawnTable();
    ClearPawnHash();
  }
};

// After a parameter change its owner clears the pawn hash (rebuilding the
// chain table first where needed); the structure evaluated last must not keep
// its old score through the working copy.
TEST_F(PawnTermsTest, ParameterChangesReachTheLastStructure) {
  const SavedPawnParameters saved;
  SetPosition("4k3/8/8/8/3PP3/8/8/4K3 w - - 0 1");
  EXPECT_EQ(EvaluateStructure().endgame, -18);
  evaluation_parameters[PAWN_FRONT_WIDTH] = 100;
  ClearPawnHash();
  EXPECT_EQ(EvaluateStructure().endgame, -112);
  evaluation_parameters[CHAINED_PAWN_DE + 1] = 50;
  BuildChainedPawnTable();
  ClearPawnHash();
  EXPECT_EQ(EvaluateStructure().opening, -100);
}

TEST_F(PawnTermsTest, NoTableKeepsTheWorkingCopyConsistent) {
  SetPawnHashEntries(0);
  SetPosition("4k3/8/8/8/4P3/4P3/8/4K3 w - - 0 1");
  const Structure s = EvaluateStructure();
  EXPECT_EQ(PawnEntry.key, thread_board.PawnKey);
  EXPECT_EQ(PawnEntry.opening, s.opening);
  EXPECT_EQ(PawnEntry.endgame, s.endgame);
}

// Ranks reversed: the twin of a square set.
uint64_t Mirrored(uint64_t set) { return __builtin_bswap64(set); }

TEST_F(PawnTermsTest, ColourFlipGivesMirroredTerms) {
  const std::vector<std::string> fens = CorpusPositions();
  aggressivity_half = 65;  // unequal weights, so that whose king it is matters
  cowardice_half = 40;
  int compared = 0;  // positions with a passed-pawn score checked
  for (size_t i = 0; i < fens.size(); i++) {
    const std::string& fen = fens[i];
    root_side = int32_t(i & 1);
    SetPosition(fen.c_str());
    const PawnTerms a = EvaluatePawnTerms();
    const PawnHashEntry original = PawnEntry;
    root_side = int32_t(!(i & 1));
    const std::string flipped = FlipFen(fen);
    SetPosition(flipped.c_str());
    const PawnTerms b = EvaluatePawnTerms();
    SCOPED_TRACE(fen + "  /  " + flipped);
    ASSERT_EQ(a.opening, -b.opening);
    ASSERT_EQ(a.endgame, -b.endgame);
    ASSERT_EQ(original.white_defects_k, PawnEntry.black_defects_k);
    ASSERT_EQ(original.white_defects_q, PawnEntry.black_defects_q);
    ASSERT_EQ(original.black_defects_k, PawnEntry.white_defects_k);
    ASSERT_EQ(original.black_defects_q, PawnEntry.white_defects_q);
    ASSERT_EQ(original.passed_vector_white, PawnEntry.passed_vector_black);
    ASSERT_EQ(original.passed_vector_black, PawnEntry.passed_vector_white);
    ASSERT_EQ(original.pawn_files_white, PawnEntry.pawn_files_black);
    ASSERT_EQ(original.target_pawn_files_white, PawnEntry.target_pawn_files_black);
    ASSERT_EQ(original.target_pawn_files_black, PawnEntry.target_pawn_files_white);
    ASSERT_EQ(a.passed[WHITE], Mirrored(b.passed[BLACK]));
    ASSERT_EQ(a.passed[BLACK], Mirrored(b.passed[WHITE]));
    ASSERT_EQ(a.shelter[WHITE], b.shelter[BLACK]);
    ASSERT_EQ(a.shelter[BLACK], b.shelter[WHITE]);
    ASSERT_EQ(a.shelter_penalty[WHITE], b.shelter_penalty[BLACK]);
    ASSERT_EQ(a.shelter_penalty[BLACK], b.shelter_penalty[WHITE]);
    ASSERT_EQ(a.king_attack[WHITE], b.king_attack[BLACK]);
    ASSERT_EQ(a.king_attack[BLACK], b.king_attack[WHITE]);
    ASSERT_EQ(a.side_endgame[WHITE], b.side_endgame[BLACK]);
    ASSERT_EQ(a.side_endgame[BLACK], b.side_endgame[WHITE]);
    ASSERT_EQ(a.reliable, b.reliable);
    // Where both sides may have runners (no rook, queen or bishop anywhere)
    // the close race is not colour-blind: the leader's award counts its moves
    // with the tempo only when it is white, and ties between runners go to
    // the first pawn walked (a-file first for black, h-file first for white).
    const bool race_possible = PassedVector(WHITE) && PassedVector(BLACK) && !thread_board.HeavyPieces[WHITE] &&
                               !thread_board.HeavyPieces[BLACK] && !thread_board.Pieces[BISHOP][WHITE] &&
                               !thread_board.Pieces[BISHOP][BLACK];
    if (race_possible) continue;
    ASSERT_EQ(a.passed_score, -b.passed_score);
    if (a.passed_score) compared++;
  }
  EXPECT_GT(compared, 500);
}

// Extreme values everywhere the pawn terms read: nothing may overflow or
// index out of range (the sanitizer build checks), and the pawn hash must
// still not change a result, which it would if the miss path used other
// values than the 16-bit ones a hit returns.
TEST_F(PawnTermsTest, HostileParametersStayDefinedAndHashConsistent) {
  const SavedPawnParameters saved;
  const int32_t extremes[] = {INT32_MIN, INT32_MAX, -1, 1 << 30, -(1 << 30), 0, 7, -100000, 100000, 255};
  std::mt19937 random(7);
  const std::vector<std::string> fens = CorpusPositions();
  std::vector<std::string> sample;
  for (size_t i = 0; i < fens.size(); i += 3) sample.push_back(fens[i]);

  for (int round = 0; round < 3; round++) {
    for (int i = 0; i < EVALUATION_PARAMETER_COUNT; i++)
      evaluation_parameters[i] = extremes[(random() + uint32_t(round)) % (sizeof extremes / sizeof *extremes)];
    for (auto& row : passed_rank_table)
      for (int32_t& value : row) value = extremes[random() % (sizeof extremes / sizeof *extremes)];
    BuildChainedPawnTable();
    aggressivity_half = round == 0 ? INT32_MAX : round == 1 ? INT32_MIN : -50;
    cowardice_half = round == 0 ? INT32_MIN : INT32_MAX;
    SetPawnHashEntries(0);
    const std::vector<PawnTerms> reference = EvaluateCorpus(sample);
    SetPawnHashEntries(1021);
    EXPECT_EQ(CountDifferences(sample, reference, [](size_t) {}), 0) << "round " << round;
    EXPECT_EQ(CountDifferences(sample, reference, [](size_t) {}), 0) << "round " << round;
  }
}

}  // namespace
