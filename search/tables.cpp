#include "search/tables.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

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
