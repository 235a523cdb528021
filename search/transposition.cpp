#include "search/transposition.h"

#include "board/notation.h"
#include "search/search.h"
#include "search/tables.h"

uint16_t search_id;
HashEntry* transposition_table;
int32_t tt_hit_score;
int32_t tt_hit_depth;
int32_t tt_hit_flags;
int32_t tt_hit_is_lower;
int32_t tt_hit_bound;

HashEntry* FindHashEntry() {
  if (!TranspositionTableUsable()) return nullptr;
  return FindHashEntry(GetPositionKey(), thread_board.SideToMove);
}

HashEntry* TouchHashEntry() {
  HashEntry* e = FindHashEntry();
  if (!e) {
    tt_hit_flags = 0;
    return nullptr;
  }
  e->age = search_id;
  tt_hit_flags = e->flags;
  tt_hit_score = e->score;
  tt_hit_depth = e->depth;
  tt_hit_bound = HashEntryBound(*e);
  return e;
}

int32_t ProbeTranspositionTable(int32_t depth, int32_t* alpha, int32_t beta, int32_t* threat, Move* move,
                                int32_t* null_ok, int32_t* cut) {
  HashEntry* e = TouchHashEntry();
  if (!e) {
    tt_hit_is_lower = 0;
    return 0;
  }
  const int32_t score = e->score;
  const int32_t stored_depth = e->depth;
  if (e->data >> HASH_THREAT_SHIFT & 1) *threat = 1;
  *move = HashEntryMove(*e);
  const int32_t bound = tt_hit_bound;
  // An upper bound below beta says the null move would not fail high either.
  if ((bound & HASH_UPPER) && score < beta) *null_ok = 0;
  if (depth <= stored_depth) {
    tt_hit_is_lower = bound != HASH_UPPER;
    int32_t decided;
    *cut = TableScoreDecides(bound, score, *alpha, beta, decided);
    if (*cut) *alpha = decided;
  } else {
    tt_hit_is_lower = (stored_depth + 8 >= depth && (bound & HASH_LOWER)) ? 1 : 0;
    *cut = 0;
  }
  return bound;
}

void StoreTranspositionTable(int32_t depth, Move move, int32_t score, int32_t bound, int32_t threat, uint16_t flags) {
  if (!TranspositionTableUsable()) return;
  const uint64_t key = GetPositionKey();
  const uint32_t side = thread_board.SideToMove;
  HashEntry* e = transposition_table + TableIndex(key, side);
  HashEntry* victim = nullptr;
  for (int n = 0; n < HASH_BUCKET_SIZE; n++, e++) {
    if (e->data == 0) {
      victim = e;
      break;
    }
    if (e->key == key && HashEntrySide(*e) == side) {
      // The flags describe the position, not the search depth: keep them even
      // when the deeper result stays.
      e->flags |= flags;
      e->age = search_id;
      if (depth < e->depth) return;
      flags = e->flags;
      victim = e;
      break;
    }
    if (!victim) {
      victim = e;
    } else {
      const bool e_old = e->age != search_id, victim_old = victim->age != search_id;
      if ((e_old && !victim_old) || (e_old == victim_old && victim->depth > e->depth)) victim = e;
    }
  }
  if (victim->data != 0 && victim->age == search_id) {
    if (depth < victim->depth) return;
  } else {
    hash_writes++;
  }
  if (bound == HASH_UPPER) {
    if (score <= -MATE_BOUND) score = -MATE_BOUND;
  } else if (bound == HASH_LOWER) {
    if (score > MATE_BOUND) score = MATE_BOUND;
  } else if (bound == HASH_EXACT) {
    // Mate distances are kept from this node, so they stay right wherever
    // the position is met again.
    if (score > MATE_BOUND)
      score += ply;
    else if (score < -MATE_BOUND)
      score -= ply;
  }
  victim->key = key;
  victim->depth = int16_t(depth);
  victim->score = int16_t(score);
  victim->data = (move & HASH_MOVE_MASK) | uint32_t(bound) << HASH_BOUND_SHIFT | side << HASH_SIDE_SHIFT |
                 uint32_t(threat & 1) << HASH_THREAT_SHIFT;
  victim->age = search_id;
  victim->flags = flags;
}

Move GetHashMove() {
  const HashEntry* e = FindHashEntry();
  return e ? HashEntryMove(*e) : 0;
}
