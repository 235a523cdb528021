// Transposition table and the search tables: probe and store rules, mate
// score conversion, replacement, sizing and clearing.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>

#include "board/notation.h"
#include "platform/memory.h"
#include "search/driver.h"
#include "search/search.h"
#include "search/tables.h"
#include "search/transposition.h"
#include "test_util.h"

namespace {

const char* const kStart = "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1";

class TranspositionTest : public ::testing::Test {
 protected:
  void SetUp() override {
    InitBoardForTests();
    ASSERT_TRUE(SetHashSize(1));
    SetPosition(kStart);
    ply = 1;
    hash_writes = 0;
    search_id = 1;
  }
  void TearDown() override { ply = 0; }

  // Selects one of several positions whose keys share their low 32 bits, and
  // so their bucket, by rewriting the board's key.
  void UseBucketKey(uint64_t base, int n) { thread_board.Key = base ^ (uint64_t(n + 1) << 40); }
  // Probes with a generous window and reports the entry's move, 0 on a miss.
  Move ProbedMove() {
    int32_t alpha = -32000, threat = 0, null_ok = 1, cut = 0;
    Move move = 0;
    return ProbeTranspositionTable(0, &alpha, 32000, &threat, &move, &null_ok, &cut) ? move : 0;
  }
};

const Move kMoveA = MakeMoveWord(12, 28, PAWN);   // e2e4
const Move kMoveB = MakeMoveWord(6, 21, KNIGHT);  // g1f3

TEST_F(TranspositionTest, EntryIsTwentyBytesAndFieldsPackIntoTheDataWord) {
  EXPECT_EQ(sizeof(HashEntry), 20u);
  StoreTranspositionTable(12, kMoveA, 55, HASH_LOWER, 1, 0x21);
  const HashEntry* e = FindHashEntry();
  ASSERT_NE(e, nullptr);
  const uint64_t stored_key = e->key;  // a packed field: compare a copy
  EXPECT_EQ(stored_key, GetPositionKey());
  EXPECT_EQ(e->data, kMoveA | 2u << 21 | 0u << 23 | 1u << 30);
  EXPECT_EQ(e->depth, 12);
  EXPECT_EQ(e->score, 55);
  EXPECT_EQ(e->age, 1);
  EXPECT_EQ(e->flags, 0x21);
  EXPECT_EQ(hash_writes, 1u);

  thread_board.SideToMove = BLACK;
  StoreTranspositionTable(4, kMoveB, 0, HASH_EXACT, 0, 0);
  e = FindHashEntry();
  ASSERT_NE(e, nullptr);
  EXPECT_EQ(e->data, kMoveB | 3u << 21 | 1u << 23);
}

TEST_F(TranspositionTest, ProbeCutsByBoundAndDepth) {
  struct Case {
    int32_t bound, stored_score, stored_depth, depth, alpha, beta;
    int32_t cut, alpha_after, is_lower, null_ok;
  };
  const Case cases[] = {
      // deep enough
      {HASH_UPPER, -40, 12, 12, -30, 10, 1, -40, 0, 0},
      {HASH_UPPER, -20, 12, 8, -30, 10, 0, -30, 0, 0},
      {HASH_UPPER, 50, 12, 8, -30, 10, 0, -30, 0, 1},  // not below beta: null move stays allowed
      {HASH_LOWER, 30, 12, 12, -30, 10, 1, 30, 1, 1},
      {HASH_LOWER, 5, 12, 12, -30, 10, 0, -30, 1, 1},
      {HASH_EXACT, 5, 12, 4, -30, 10, 1, 5, 1, 0},
      {HASH_EXACT, 50, 12, 4, -30, 10, 1, 50, 1, 1},
      // shallower: never cuts; a near-enough lower bit still marks is_lower
      {HASH_UPPER, -40, 12, 16, -30, 10, 0, -30, 0, 0},
      {HASH_EXACT, -40, 12, 20, -30, 10, 0, -30, 1, 0},
      {HASH_EXACT, -40, 12, 21, -30, 10, 0, -30, 0, 0},
      {HASH_LOWER, 40, 12, 20, -30, 10, 0, -30, 1, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "bound " << c.bound << " score " << c.stored_score << " depth " << c.depth);
    ClearTranspositionTable();
    StoreTranspositionTable(c.stored_depth, kMoveA, c.stored_score, c.bound, 0, 7);
    int32_t alpha = c.alpha, threat = 0, null_ok = 1, cut = -1;
    Move move = 0;
    EXPECT_EQ(ProbeTranspositionTable(c.depth, &alpha, c.beta, &threat, &move, &null_ok, &cut), c.bound);
    EXPECT_EQ(cut, c.cut);
    EXPECT_EQ(alpha, c.alpha_after);
    EXPECT_EQ(tt_hit_is_lower, c.is_lower);
    EXPECT_EQ(null_ok, c.null_ok);
    EXPECT_EQ(move, kMoveA);
    EXPECT_EQ(threat, 0);
    EXPECT_EQ(tt_hit_score, c.stored_score);
    EXPECT_EQ(tt_hit_depth, c.stored_depth);
    EXPECT_EQ(tt_hit_flags, 7);
  }
}

TEST_F(TranspositionTest, MissResetsHitFlagsAndTouchesNoOutput) {
  StoreTranspositionTable(8, kMoveA, 10, HASH_EXACT, 1, 3);
  int32_t alpha = -5, threat = 0, null_ok = 1, cut = 0;
  Move move = 0;
  ProbeTranspositionTable(8, &alpha, 5, &threat, &move, &null_ok, &cut);
  EXPECT_EQ(threat, 1);
  EXPECT_EQ(tt_hit_flags, 3);
  PlayMove("e2e4");
  alpha = -5, threat = 0, null_ok = 1, cut = 9, move = 77;
  EXPECT_EQ(ProbeTranspositionTable(8, &alpha, 5, &threat, &move, &null_ok, &cut), 0);
  EXPECT_EQ(tt_hit_flags, 0);
  EXPECT_EQ(tt_hit_is_lower, 0);
  EXPECT_EQ(alpha, -5);
  EXPECT_EQ(threat, 0);
  EXPECT_EQ(null_ok, 1);
  EXPECT_EQ(cut, 9);
  EXPECT_EQ(move, 77u);
}

TEST_F(TranspositionTest, MateScoresAreStoredFromTheNodeAndReadFromTheRoot) {
  struct Case {
    int32_t bound, score, store_ply, stored, read_ply, beta, read;
  };
  const Case cases[] = {
      {HASH_EXACT, MATE_SCORE - 7, 3, MATE_SCORE - 4, 5, 32000, MATE_SCORE - 9},
      {HASH_EXACT, -(MATE_SCORE - 7), 3, -(MATE_SCORE - 4), 5, 32000, -(MATE_SCORE - 9)},
      {HASH_LOWER, MATE_SCORE - 10, 3, 31000, 5, 30000, 31000},
      {HASH_EXACT, 31000, 3, 31000, 5, 32000, 31000},      // not yet a mate score
      {HASH_LOWER, -32000, 3, -32000, 5, -32500, -32000},  // lower bounds of being mated stay as they are
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "bound " << c.bound << " score " << c.score);
    ClearTranspositionTable();
    ply = c.store_ply;
    StoreTranspositionTable(20, kMoveA, c.score, c.bound, 0, 0);
    ASSERT_NE(FindHashEntry(), nullptr);
    EXPECT_EQ(FindHashEntry()->score, c.stored);
    ply = c.read_ply;
    int32_t alpha = -32700, threat = 0, null_ok = 1, cut = 0;
    Move move = 0;
    ProbeTranspositionTable(20, &alpha, c.beta, &threat, &move, &null_ok, &cut);
    EXPECT_EQ(cut, 1);
    EXPECT_EQ(alpha, c.read);
  }
  // An upper bound of being mated is clamped; it still cuts a low alpha.
  ClearTranspositionTable();
  StoreTranspositionTable(20, 0, -(MATE_SCORE - 2), HASH_UPPER, 0, 0);
  EXPECT_EQ(FindHashEntry()->score, -31000);
}

TEST_F(TranspositionTest, MatchNeedsTheSideBitAndAnEmptyEntryEndsTheScan) {
  const uint64_t key = GetPositionKey();
  const uint32_t index = TableIndex(key, WHITE);
  HashEntry* bucket = transposition_table + index;
  const HashEntry white{key, 8, 0, kMoveA | 3u << 21, 1, 0};
  const HashEntry black{key, 8, 0, kMoveB | 3u << 21 | 1u << 23, 1, 0};
  const HashEntry other{key ^ 0x100000000ull, 8, 0, kMoveB | 3u << 21, 1, 0};

  bucket[0] = black;  // same key, other side, in the white bucket
  EXPECT_EQ(ProbedMove(), 0u);
  EXPECT_EQ(GetHashMove(), 0u);

  bucket[0] = other;
  bucket[1] = HashEntry{};
  bucket[2] = white;
  EXPECT_EQ(ProbedMove(), 0u);
  EXPECT_EQ(GetHashMove(), 0u);
  EXPECT_EQ(FindHashEntry(), nullptr);

  bucket[1] = black;
  EXPECT_EQ(ProbedMove(), kMoveA);
  EXPECT_EQ(GetHashMove(), kMoveA);
  EXPECT_EQ(FindHashEntry(), &bucket[2]);
}

TEST_F(TranspositionTest, GetHashMoveKeepsTheAgeAndProbeRefreshesIt) {
  StoreTranspositionTable(8, kMoveA, 0, HASH_UPPER, 0, 0);
  search_id = 9;
  EXPECT_EQ(GetHashMove(), kMoveA);
  EXPECT_EQ(FindHashEntry()->age, 1);
  EXPECT_EQ(ProbedMove(), kMoveA);
  EXPECT_EQ(FindHashEntry()->age, 9);
}

TEST_F(TranspositionTest, ShallowerStoreKeepsTheDeeperEntryButMergesFlags) {
  StoreTranspositionTable(20, kMoveA, 15, HASH_LOWER, 0, 0x1);
  search_id = 2;
  StoreTranspositionTable(8, kMoveB, -3, HASH_UPPER, 1, 0x4);
  const HashEntry* e = FindHashEntry();
  EXPECT_EQ(e->depth, 20);
  EXPECT_EQ(HashEntryMove(*e), kMoveA);
  EXPECT_EQ(e->score, 15);
  EXPECT_EQ(e->flags, 0x5);
  EXPECT_EQ(e->age, 2);
  EXPECT_EQ(hash_writes, 1u);

  // As deep or deeper: overwritten in place, flags still merged, not counted.
  StoreTranspositionTable(20, kMoveB, -3, HASH_UPPER, 0, 0x10);
  EXPECT_EQ(HashEntryMove(*e), kMoveB);
  EXPECT_EQ(HashEntryBound(*e), HASH_UPPER);
  EXPECT_EQ(e->flags, 0x15);
  EXPECT_EQ(hash_writes, 1u);
  EXPECT_EQ(FindHashEntry(), e);
}

TEST_F(TranspositionTest, ReplacementPrefersOlderSearchesThenShallowerEntries) {
  const uint64_t base = thread_board.Key;
  const int depths[4] = {12, 8, 16, 8};
  for (int n = 0; n < 4; n++) {
    UseBucketKey(base, n);
    StoreTranspositionTable(depths[n], MakeMoveWord(n, 40, KNIGHT), 0, HASH_EXACT, 0, 0);
  }
  EXPECT_EQ(hash_writes, 4u);
  const uint32_t index = TableIndex(GetPositionKey(), WHITE);
  for (int n = 0; n < 4; n++) EXPECT_EQ(transposition_table[index + n].depth, depths[n]);

  // Same search: a shallower newcomer never displaces; an equal one takes
  // the first of the shallowest without counting a write.
  UseBucketKey(base, 4);
  StoreTranspositionTable(4, kMoveA, 0, HASH_EXACT, 0, 0);
  EXPECT_EQ(FindHashEntry(), nullptr);
  StoreTranspositionTable(8, kMoveA, 0, HASH_EXACT, 0, 0);
  EXPECT_EQ(FindHashEntry(), &transposition_table[index + 1]);
  EXPECT_EQ(hash_writes, 4u);

  // A new search: entries of the old one go first, the shallowest of them,
  // even before a shallower entry refreshed by this search.
  search_id = 2;
  hash_writes = 0;
  UseBucketKey(base, 4);  // entry 1, refreshed by this search
  EXPECT_EQ(ProbedMove(), kMoveA);
  UseBucketKey(base, 5);
  StoreTranspositionTable(0, kMoveB, 0, HASH_EXACT, 0, 0);
  EXPECT_EQ(FindHashEntry(), &transposition_table[index + 3]);
  EXPECT_EQ(hash_writes, 1u);
  UseBucketKey(base, 6);
  StoreTranspositionTable(0, kMoveB, 0, HASH_EXACT, 0, 0);
  EXPECT_EQ(FindHashEntry(), &transposition_table[index + 0]);
  UseBucketKey(base, 7);
  StoreTranspositionTable(0, kMoveB, 0, HASH_EXACT, 0, 0);
  EXPECT_EQ(FindHashEntry(), &transposition_table[index + 2]);
  EXPECT_EQ(hash_writes, 3u);
  // All four now belong to this search: the first of the shallowest (depth
  // 0 at entries 0, 2 and 3) goes, uncounted; a shallower store is dropped.
  UseBucketKey(base, 8);
  StoreTranspositionTable(0, kMoveB, 0, HASH_EXACT, 0, 0);
  EXPECT_EQ(FindHashEntry(), &transposition_table[index + 0]);
  EXPECT_EQ(hash_writes, 3u);
  UseBucketKey(base, 9);
  StoreTranspositionTable(-4, kMoveB, 0, HASH_EXACT, 0, 0);
  EXPECT_EQ(FindHashEntry(), nullptr);
}

TEST_F(TranspositionTest, BucketAtTheLastIndexStaysInsideTheSpareEntries) {
  // Find a key whose bucket starts at the last index of the table.
  const uint32_t last = tt_entries - 1;
  thread_board.Key = 0;
  const uint64_t plain = GetPositionKey();
  thread_board.Key = uint64_t(last ^ uint32_t(plain));  // the castling term cancels in the low half
  ASSERT_EQ(TableIndex(GetPositionKey(), WHITE), last);
  const uint64_t base = thread_board.Key;
  for (int n = 0; n < 4; n++) {
    UseBucketKey(base, n);
    StoreTranspositionTable(4, kMoveA, n, HASH_EXACT, 0, 0);
    ASSERT_NE(FindHashEntry(), nullptr);
    EXPECT_EQ(FindHashEntry(), &transposition_table[last + n]);
  }
  EXPECT_EQ(transposition_table[0].data, 0u);
}

TEST_F(TranspositionTest, UnusableEnPassantRightSharesTheKey) {
  PlayMove("e2e4");  // no black pawn beside e4
  StoreTranspositionTable(8, kMoveB, 0, HASH_EXACT, 0, 0);
  SetPosition("rnbqkbnr/pppppppp/8/8/4P3/8/PPPP1PPP/RNBQKBNR b KQkq - 0 1");
  EXPECT_EQ(GetHashMove(), kMoveB);
}

TEST_F(TranspositionTest, EmptyTableAnswersNothing) {
  ASSERT_TRUE(SetHashSize(0));
  EXPECT_EQ(tt_entries, 0u);
  StoreTranspositionTable(8, kMoveA, 0, HASH_EXACT, 0, 0);
  EXPECT_EQ(hash_writes, 0u);
  EXPECT_EQ(ProbedMove(), 0u);
  EXPECT_EQ(GetHashMove(), 0u);
  EXPECT_EQ(FindHashEntry(), nullptr);
}

TEST(SearchTablesTest, HashSizeGivesEntryCounts) {
  const struct {
    int megabytes;
    uint32_t entries;
  } cases[] = {{1, 52428}, {10, 524288}, {3, 157286}, {0, 0}, {-5, 0}};
  for (const auto& c : cases) {
    search_id = 5;
    ASSERT_TRUE(SetHashSize(c.megabytes));
    EXPECT_EQ(tt_entries, c.entries) << c.megabytes;
    EXPECT_EQ(search_id, 0);
    ASSERT_NE(transposition_table, nullptr);
    for (uint32_t i = 0; i < c.entries + HASH_SPARE_ENTRIES; i += 997) EXPECT_EQ(transposition_table[i].data, 0u);
  }
  ASSERT_TRUE(SetHashSize(1));
}

// The large tables come from the large-page allocator: each block must be
// whole (the rounding up to whole large pages must never shorten it, nor
// wrap around for absurd sizes) and, on Linux, start on a large page.
TEST(SearchTablesTest, TableMemoryIsWholeAlignedAndRefusesAbsurdSizes) {
  constexpr size_t kLargePage = size_t(2) << 20;
  for (size_t bytes : {size_t(100), kLargePage - 1, kLargePage, 3 * kLargePage + 5, size_t(10485960)}) {
    unsigned char* block = static_cast<unsigned char*>(AllocateTableMemory(bytes));
    ASSERT_NE(block, nullptr) << bytes;
#if defined(__linux__)
    if (bytes >= kLargePage) {
      EXPECT_EQ(reinterpret_cast<uintptr_t>(block) % kLargePage, 0u) << bytes;
    }
#endif
    memset(block, 0xA5, bytes);
    EXPECT_EQ(block[0], 0xA5);
    EXPECT_EQ(block[bytes - 1], 0xA5);
    FreeTableMemory(block);
  }
  for (size_t bytes : {SIZE_MAX, SIZE_MAX - kLargePage + 2}) EXPECT_EQ(AllocateTableMemory(bytes), nullptr) << bytes;
  FreeTableMemory(nullptr);

  ASSERT_TRUE(SetHashSize(10));
#if defined(__linux__)
  EXPECT_EQ(reinterpret_cast<uintptr_t>(transposition_table) % kLargePage, 0u);
  EXPECT_EQ(reinterpret_cast<uintptr_t>(eval_cache) % kLargePage, 0u);
#endif
  ASSERT_TRUE(SetHashSize(1));
}

TEST(SearchTablesTest, MaskedAndModuloIndexAgree) {
  InitBoardForTests();
  SetPosition(kStart);
  ASSERT_TRUE(SetHashSize(10));
  ASSERT_EQ(tt_entries, 524288u);
  search_id = 1;
  ply = 1;
  StoreTranspositionTable(8, kMoveA, 0, HASH_EXACT, 0, 0);
  const uint64_t key = GetPositionKey();
  const HashEntry* e = FindHashEntry();
  ASSERT_NE(e, nullptr);
  EXPECT_EQ(e, transposition_table + (uint32_t(key) % 524288u));
  thread_board.SideToMove = BLACK;
  StoreTranspositionTable(8, kMoveB, 0, HASH_EXACT, 0, 0);
  EXPECT_EQ(FindHashEntry(), transposition_table + ((uint32_t(key) ^ 4u) % 524288u));
  ply = 0;
  SetHashSize(1);
}

TEST(SearchTablesTest, KillersClearAndShiftLeaveTheOtherFields) {
  for (int n = 0; n < PLY_RECORDS; n++) {
    PlyRecord& r = ply_records[n];
    r.flags = 100 + n;
    r.in_check = n & 1;
    r.static_eval = -n;
    r.best_move = 1000 + n;
    r.killer1[0] = 1 + n * 4, r.killer1[1] = 2 + n * 4, r.killer2[0] = 3 + n * 4, r.killer2[1] = 4 + n * 4;
  }
  ShiftKillers();
  for (int n = 0; n < PLY_RECORDS; n++) {
    const PlyRecord& r = ply_records[n];
    const int from = n < 192 ? n + 2 : n;
    EXPECT_EQ(r.killer1[0], Move(1 + from * 4)) << n;
    EXPECT_EQ(r.killer1[1], Move(2 + from * 4)) << n;
    EXPECT_EQ(r.killer2[0], Move(3 + from * 4)) << n;
    EXPECT_EQ(r.killer2[1], Move(4 + from * 4)) << n;
    EXPECT_EQ(r.best_move, Move(1000 + n));
    EXPECT_EQ(r.flags, uint32_t(100 + n));
  }
  ClearKillers();
  for (int n = 0; n < PLY_RECORDS; n++) {
    const PlyRecord& r = ply_records[n];
    const bool cleared = n < 196;
    EXPECT_EQ(r.killer1[0] == 0 && r.killer1[1] == 0 && r.killer2[0] == 0 && r.killer2[1] == 0, cleared) << n;
    EXPECT_EQ(r.best_move, Move(1000 + n));
    EXPECT_EQ(r.flags, uint32_t(100 + n));
    EXPECT_EQ(r.in_check, uint32_t(n & 1));
    EXPECT_EQ(r.static_eval, -n);
  }
}

TEST(SearchTablesTest, ClearSearchTablesEmptiesEverythingTheSearchRemembers) {
  InitEvalForTests();
  ASSERT_TRUE(SetHashSize(1));
  search_id = 3;
  ply = 1;
  StoreTranspositionTable(8, kMoveA, 0, HASH_EXACT, 0, 0);
  ply = 0;
  ply_records[5].killer1[0] = kMoveA;
  history_table[1234] = 77;
  check_reply_table[3][4][1] = kMoveB;
  capture_stat_tries[99] = 5;
  capture_stat_other_tries = 2;
  last_root_score = 250;
  last_root_side = BLACK;
  ClearSearchTables();
  EXPECT_EQ(search_id, 0);
  EXPECT_EQ(FindHashEntry(), nullptr);
  EXPECT_EQ(ply_records[5].killer1[0], 0u);
  EXPECT_EQ(history_table[1234], 0);
  EXPECT_EQ(check_reply_table[3][4][1], 0u);
  EXPECT_EQ(capture_stat_tries[99], 0);
  EXPECT_EQ(capture_stat_other_tries, 0);
  EXPECT_EQ(last_root_score, 0);
  EXPECT_EQ(last_root_side, 0);
}

}  // namespace
