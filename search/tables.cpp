#include "search/tables.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "eval/evaluate.h"
#include "eval/pawns.h"
#include "interface/options.h"
#include "platform/memory.h"
#include "search/driver.h"
#include "search/transposition.h"

PlyRecord ply_records[PLY_RECORDS];
int32_t ply;
int32_t history_table[HISTORY_SIZE];
Move check_reply_table[64][64][2];
int32_t capture_stat_age[CAPTURE_STAT_SLOTS];
int32_t capture_stat_successes[CAPTURE_STAT_SLOTS];
int32_t capture_stat_tries[CAPTURE_STAT_SLOTS];
int32_t capture_stat_other_tries;
int32_t capture_stat_other_successes;
MoveKeyBucket* move_key_table;

void ClearKillers() {
  for (int n = 0; n < KILLER_PLIES; n++) {
    ply_records[n].killer1[0] = ply_records[n].killer1[1] = 0;
    ply_records[n].killer2[0] = ply_records[n].killer2[1] = 0;
  }
}

void ClearCaptureStatistics() {
  memset(capture_stat_age, 0, sizeof capture_stat_age);
  memset(capture_stat_successes, 0, sizeof capture_stat_successes);
  memset(capture_stat_tries, 0, sizeof capture_stat_tries);
  capture_stat_other_tries = capture_stat_other_successes = 0;
}

int AllocateMoveKeyTable() {
  move_key_table = static_cast<MoveKeyBucket*>(malloc(sizeof(MoveKeyBucket) * MOVE_KEY_BUCKETS));
  if (!move_key_table) {
    printf("An error occured while memory allocation!\n");
    fflush(stdout);
    return 0;
  }
  return 1;
}

void FreeMoveKeyTable() {
  free(move_key_table);
  move_key_table = nullptr;
}

static void PrintAllocationError() {
  printf("An error occured while memory allocation!\n");
  fflush(stdout);
}

int AllocatePawnHash() {
  FreeTableMemory(pawn_hash);
  pawn_hash = nullptr;
  InvalidatePawnEntry();
  if (!pawn_hash_entries) return 1;
  pawn_hash = static_cast<PawnHashEntry*>(AllocateTableMemory((size_t(pawn_hash_entries) + 2) * sizeof(PawnHashEntry)));
  if (!pawn_hash) {
    PrintAllocationError();
    return 0;
  }
  ClearPawnHash();
  return 1;
}

int AllocateEvalCache() {
  FreeTableMemory(eval_cache);
  eval_cache =
      static_cast<EvalCacheEntry*>(AllocateTableMemory((size_t(eval_cache_entries) + 2) * sizeof(EvalCacheEntry)));
  if (!eval_cache) {
    PrintAllocationError();
    return 0;
  }
  ClearEvalCache();
  return 1;
}

void ClearPawnHash() {
  if (pawn_hash) memset(static_cast<void*>(pawn_hash), 0, (size_t(pawn_hash_entries) + 2) * sizeof(PawnHashEntry));
  InvalidatePawnEntry();
}

void ClearEvalCache() {
  if (eval_cache) memset(static_cast<void*>(eval_cache), 0, (size_t(eval_cache_entries) + 2) * sizeof(EvalCacheEntry));
}

void FreePawnHash() {
  FreeTableMemory(pawn_hash);
  pawn_hash = nullptr;
  InvalidatePawnEntry();
}

void FreeEvalCache() {
  FreeTableMemory(eval_cache);
  eval_cache = nullptr;
}

int SetPawnHashSize(int megabytes) {
  if (megabytes < 0) megabytes = 0;
  if (megabytes > 1024) megabytes = 1024;
  pawn_hash_entries = uint32_t((uint64_t(megabytes) * 1048576) / sizeof(PawnHashEntry));
  return AllocatePawnHash();
}

int AllocateTranspositionTable() {
  FreeTableMemory(transposition_table);
  transposition_table = nullptr;
  // Ten spare entries behind the table so that a bucket that begins at the
  // last index stays inside the allocation.
  transposition_table =
      static_cast<HashEntry*>(AllocateTableMemory((size_t(tt_entries) + HASH_SPARE_ENTRIES) * sizeof(HashEntry)));
  if (!transposition_table) {
    PrintAllocationError();
    return 0;
  }
  return 1;
}

void ClearTranspositionTable() {
  if (transposition_table)
    memset(static_cast<void*>(transposition_table), 0, (size_t(tt_entries) + HASH_SPARE_ENTRIES) * sizeof(HashEntry));
  search_id = 0;
}

void FreeTranspositionTable() {
  FreeTableMemory(transposition_table);
  transposition_table = nullptr;
}

int SetHashSize(int megabytes) {
  if (megabytes < 0) megabytes = 0;
  if (megabytes > 1024) megabytes = 1024;
  FreeTranspositionTable();
  tt_entries = uint32_t((uint64_t(megabytes) * 1048576) / sizeof(HashEntry));
  if (!AllocateTranspositionTable()) return 0;
  ClearTranspositionTable();
  return 1;
}

void ShiftKillers() {
  for (int n = 0; n < 192; n++) {
    ply_records[n].killer1[0] = ply_records[n + 2].killer1[0];
    ply_records[n].killer1[1] = ply_records[n + 2].killer1[1];
    ply_records[n].killer2[0] = ply_records[n + 2].killer2[0];
    ply_records[n].killer2[1] = ply_records[n + 2].killer2[1];
  }
}

void ClearSearchTables() {
  ClearTranspositionTable();
  ClearKillers();
  ClearPawnHash();
  ClearEvalCache();
  memset(history_table, 0, sizeof history_table);
  memset(check_reply_table, 0, sizeof check_reply_table);
  ClearCaptureStatistics();
  last_root_score = 0;
  last_root_side = 0;
}

int AllocateHashTables() {
  if (!AllocateTranspositionTable() || !AllocatePawnHash() || !AllocateEvalCache() || !AllocateMoveKeyTable()) return 0;
  ClearTranspositionTable();
  ClearPawnHash();
  ClearEvalCache();
  return 1;
}
