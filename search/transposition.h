// search/transposition.h: the transposition table and its search stamp, the
// probe and store of a search node and the prefetch of a child's entries.
// Reads the board; writes the table and the tt_hit_ record of the last probe.
#pragma once

#include <cstdint>

#include "board/board.h"
#include "board/makemove.h"
#include "board/notation.h"
#include "board/tables.h"
#include "eval/evaluate.h"
#include "eval/pawns.h"
#include "interface/options.h"
#include "search/search.h"
#include "search/tables.h"

// Incremented once per search; ages of table entries and capture statistics
// are compared with it as 16-bit values.
extern uint16_t search_id;

// The stamp stored beside capture statistics: the 16 bits read as signed, so
// that storing and comparing always use one representation.
inline int32_t SearchStamp() { return int16_t(search_id); }

// Packed to 4 so that the entry is 20 bytes in both the 32- and the 64-bit
// build: table sizes in megabytes give the same entry counts everywhere.
#pragma pack(push, 4)
struct HashEntry {
  uint64_t key;    // position key with castling and usable en passant terms
  int16_t depth;   // quarter plies
  int16_t score;   // mate scores stored node-relative (exact) or clamped (bounds)
  uint32_t data;   // move | bound << 21 | side << 23 | threat << 30; 0 = empty
  uint16_t age;    // search_id when last written or found
  uint16_t flags;  // OR of the flags words stored for this position
};
#pragma pack(pop)
static_assert(sizeof(HashEntry) == 20, "a hash entry is 20 bytes in both builds");

// Bound types; 0 is never stored. Bit 1 marks an upper, bit 2 a lower bound.
constexpr int32_t HASH_UPPER = 1;
constexpr int32_t HASH_LOWER = 2;
constexpr int32_t HASH_EXACT = 3;
constexpr uint32_t HASH_MOVE_MASK = 0x1FFFFF;
constexpr int HASH_BOUND_SHIFT = 21;
constexpr int HASH_SIDE_SHIFT = 23;
constexpr int HASH_THREAT_SHIFT = 30;
constexpr int HASH_BUCKET_SIZE = 4;
constexpr int HASH_SPARE_ENTRIES = 10;  // buckets starting near the end never wrap

inline Move HashEntryMove(const HashEntry& e) { return e.data & HASH_MOVE_MASK; }
inline int32_t HashEntryBound(const HashEntry& e) { return (e.data >> HASH_BOUND_SHIFT) & 3; }
inline uint32_t HashEntrySide(const HashEntry& e) { return (e.data >> HASH_SIDE_SHIFT) & 1; }

// tt_entries entries plus HASH_SPARE_ENTRIES; nullptr until allocated.
extern HashEntry* transposition_table;

// Left behind by the last probe (TouchHashEntry, ProbeTranspositionTable).
extern int32_t tt_hit_score;  // as stored, not converted
extern int32_t tt_hit_depth;
extern int32_t tt_hit_flags;  // 0 after a miss
extern int32_t tt_hit_is_lower;
extern int32_t tt_hit_bound;

// First entry of the bucket of a key for a side. The side is mixed into the
// index, not the key. Only valid while TranspositionTableUsable().
inline uint32_t TableIndex(uint64_t key, uint32_t side) {
  const uint32_t value = uint32_t(key) ^ (side << 2);
  return tt_entries == 524288 ? value & 0x7FFFF : value % tt_entries;
}

inline bool TranspositionTableUsable() { return transposition_table != nullptr && tt_entries != 0; }

// The entry of this key and side in its bucket, or nullptr; an empty entry
// ends the scan. Refreshes nothing.
inline HashEntry* FindHashEntry(uint64_t key, uint32_t side) {
  if (!TranspositionTableUsable()) return nullptr;
  HashEntry* e = transposition_table + TableIndex(key, side);
  for (int n = 0; n < HASH_BUCKET_SIZE; n++, e++) {
    if (e->data == 0) return nullptr;
    if (e->key == key && HashEntrySide(*e) == side) return e;
  }
  return nullptr;
}

// The entry of the current position (GetPositionKey, side to move), or nullptr.
HashEntry* FindHashEntry();

// The entry of the current position as a search node reads it: its age
// refreshed and tt_hit_score, tt_hit_depth, tt_hit_flags and tt_hit_bound
// taken from it. On a miss nullptr, with tt_hit_flags 0.
HashEntry* TouchHashEntry();

// A stored exact score as seen from this ply: mate distances are stored from
// the node that found them.
inline int32_t ExactScoreFromTable(int32_t stored) {
  if (stored > MATE_BOUND) return stored - ply;
  if (stored < -MATE_BOUND) return stored + ply;
  return stored;
}

// 1 when a stored score decides a node with the window (alpha, beta), with
// the node's score in result: an upper bound at or below alpha, a lower
// bound at or above beta, an exact score always. Depth is the caller's test.
inline bool TableScoreDecides(int32_t bound, int32_t stored, int32_t alpha, int32_t beta, int32_t& result) {
  if (bound == HASH_UPPER) {
    result = stored;
    return stored <= alpha;
  }
  if (bound == HASH_LOWER) {
    result = stored;
    return stored >= beta;
  }
  result = ExactScoreFromTable(stored);
  return true;
}

// Starts loading what the node of the current position reads first: its
// bucket, its evaluation-cache record and, when the pawns differ from the
// last structure evaluated, its pawn-hash record. The loads then overlap one
// another and the rest of the move instead of stalling the node one by one.
// A hint to the processor only: nothing is read or written.
inline void PrefetchNodeEntries() {
  const Board& b = thread_board;
  if (TranspositionTableUsable()) {
    // A bucket is 80 bytes from any entry, so it may touch three lines.
    const char* bucket =
        reinterpret_cast<const char*>(transposition_table + TableIndex(GetPositionKey(), b.SideToMove));
    __builtin_prefetch(bucket);
    __builtin_prefetch(bucket + 64);
    __builtin_prefetch(bucket + HASH_BUCKET_SIZE * sizeof(HashEntry) - 1);
  }
  if (eval_cache && eval_cache_entries) {
    const char* record =
        reinterpret_cast<const char*>(eval_cache + EvalCacheIndex(EvalCacheKey(b), eval_cache_entries));
    __builtin_prefetch(record);
    __builtin_prefetch(record + sizeof(EvalCacheEntry) - 1);
  }
  if (pawn_hash && pawn_hash_entries && b.PawnKey != PawnEntry.key) {
    const char* record = reinterpret_cast<const char*>(pawn_hash + PawnHashIndex(b.PawnKey, pawn_hash_entries));
    __builtin_prefetch(record);
    __builtin_prefetch(record + sizeof(PawnHashEntry) - 1);
  }
}

// How the search enters a child node: the move, then the prefetch of the
// child's entries.
inline void MakeSearchMove(Move move, int save) {
  MakeMove(move, save);
  PrefetchNodeEntries();
}

// Depth in quarter plies. Returns 0 on a miss, else the bound type found;
// writes alpha, threat, move, null_ok and cut only as the rules require (the
// caller presets threat = 0 and its own null_ok).
int32_t ProbeTranspositionTable(int32_t depth, int32_t* alpha, int32_t beta, int32_t* threat, Move* move,
                                int32_t* null_ok, int32_t* cut);
void StoreTranspositionTable(int32_t depth, Move move, int32_t score, int32_t bound, int32_t threat, uint16_t flags);
// The stored move of the current position, 0 when none; the age is kept.
Move GetHashMove();
