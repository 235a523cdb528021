#include "search/output.h"

#include <cinttypes>
#include <cstdio>

#include "board/makemove.h"
#include "board/notation.h"
#include "interface/options.h"
#include "platform/clock.h"
#include "search/search.h"
#include "search/transposition.h"

uint64_t last_info_nodes;

namespace {

int32_t ElapsedCentiseconds() { return ClockCentiseconds() - search_start_time; }

// nodes * 100 stays within 64 bits for centuries of search.
uint64_t NodesPerSecond(int32_t elapsed) {
  if (elapsed < 1) return 0;
  return nodes * 100 / uint64_t(elapsed);
}

unsigned long long HashFull() {
  if (tt_entries == 0) return 0;
  return (unsigned long long)hash_writes * 1000 / tt_entries;
}

void ResetNpsReportInterval() { nps_report_interval = 100000 / (poll_interval > 0 ? poll_interval : 1); }

void PrintUciScore(int32_t score) {
  if (score > MATE_BOUND)
    printf("mate %d ", (MATE_SCORE + 1 - score) >> 1);
  else if (score < -MATE_BOUND)
    printf("mate -%d ", (score + MATE_SCORE + 1) >> 1);
  else
    printf("cp %d ", score);
}

void PrintBoundWord(int bound) {
  if (bound == HASH_UPPER)
    printf("upperbound ");
  else if (bound == HASH_LOWER)
    printf("lowerbound ");
}

// "nodes .. tbhits .." shared by the PV, current-move and MultiPV lines. The
// time in milliseconds passes 2^31 after 25 days.
void PrintCounters() {
  const int32_t elapsed = ElapsedCentiseconds();
  printf("nodes %" PRIu64 " time %" PRId64 " hashfull %llu nps %" PRIu64 " tbhits %" PRIu64, nodes,
         int64_t(elapsed) * 10, HashFull(), NodesPerSecond(elapsed), tbhits);
}

// Lines 1 to count of the MultiPV report, the bound word on the line being
// searched, and while the search runs the move it is at. The move to ponder
// on is the reply of line 1, the line played.
void PrintMultiPvLines(int count, int line, int bound, int with_current_move) {
  char text[8];
  Move reply = ponder_move;
  for (int i = 0; i < count && i < multi_pv && i < move_list_end; i++) {
    printf("info multipv %d depth %d seldepth %d score ", i + 1, iteration_depth + 1, seldepth);
    PrintUciScore(root_scores[i]);
    if (i == line) PrintBoundWord(bound);
    PrintCounters();
    if (with_current_move)
      printf(" currmove %s currmovenumber %d", MoveToText(text, move_list[root_move_index].move), root_move_index + 1);
    printf(" pv");
    if (i == 0) ponder_move = 0;
    PrintPrincipalVariation(i);
    if (i == 0) reply = ponder_move;
    printf("\n");
  }
  ponder_move = reply;
  ResetNpsReportInterval();
  fflush(stdout);
}

}  // namespace

int32_t XboardScore(int32_t score) {
  if (score > MATE_BOUND) return score + 67;
  if (score < -MATE_BOUND) return score - 67;
  return score;
}

void PrintPrincipalVariation(int root_index) {
  char text[8];
  const Move root_move = move_list[root_index].move;
  printf(" %s", MoveToText(text, root_move));
  // Called from inside a root move: step back to the root first.
  const bool inside_root_move = game_ply > root_game_ply && game_ply > 0;
  Move inner_move = 0;
  if (inside_root_move) {
    inner_move = game_history[game_ply - 1].Move;
    UnmakeMove();
  }
  MakeMove(root_move, 1);
  int made = 1;
  for (int n = 0; n < 19; n++) {
    const HashEntry* e = FindHashEntry();
    if (!e) break;
    const Move move = HashEntryMove(*e);
    if (!move) break;
    if (game_ply == root_game_ply + 1) ponder_move = move;
    MakeMove(move, 1);
    made++;
    printf(" %s", MoveToText(text, move));
  }
  while (made-- > 0) UnmakeMove();
  if (inside_root_move) MakeMove(inner_move, 1);
}

void PrintFinalThinkingLine() {
  printf("%d %d %d %" PRIu64, iteration_depth + 1, XboardScore(root_scores[0]), ElapsedCentiseconds(), nodes);
  PrintPrincipalVariation(0);
  printf("\n");
  fflush(stdout);
}

void PrintThinkingLine(int force) {
  if (silent_search || !post_thinking) return;
  if (!force && nodes >= 1 && nodes <= 100000) return;
  PrintFinalThinkingLine();
}

void PrintUciInfo(int force, int bound, int with_pv) {
  if (silent_search) return;
  if (!force && nodes != 0 && nodes - last_info_nodes < 30001) return;
  int32_t score = root_scores[0];
  if (mate_goal && ((MATE_SCORE + 1 - score) >> 1) != mate_goal) score = 0;
  last_info_nodes = nodes;
  printf("info depth %d seldepth %d score ", iteration_depth + 1, seldepth);
  PrintUciScore(score);
  PrintBoundWord(bound);
  PrintCounters();
  if (with_pv) {
    printf(" pv");
    PrintPrincipalVariation(0);
  } else {
    char text[8];
    printf(" currmove %s currmovenumber %d", MoveToText(text, move_list[root_move_index].move), root_move_index + 1);
  }
  printf("\n");
  ResetNpsReportInterval();
  fflush(stdout);
}

void PrintUciStatistics() {
  if (nodes >= 1 && nodes <= 200000) {
    ResetNpsReportInterval();
    return;
  }
  printf("info nps %" PRIu64 " nodes %" PRIu64 " tbhits %" PRIu64 " hashfull %llu\n",
         NodesPerSecond(ElapsedCentiseconds()), nodes, tbhits, HashFull());
  fflush(stdout);
  ResetNpsReportInterval();
}

void PrintUciMultiPvInfo(int line, int bound) {
  if (nodes >= 1 && nodes <= 50000) return;
  PrintMultiPvLines(multi_pv, line, bound, 1);
}

void PrintFinalUciMultiPvInfo() { PrintMultiPvLines(multi_pv_final_lines, -1, HASH_EXACT, 0); }
