// search/output.h: the thinking output: UCI "info" lines and the xboard
// thinking line, with the principal variation walked out of the
// transposition table. Reads the root state; writes last_info_nodes,
// nps_report_interval and ponder_move; prints to standard output.
#pragma once

#include <cstdint>

extern uint64_t last_info_nodes;

void PrintUciInfo(int force, int bound, int with_pv);
void PrintUciStatistics();
void PrintUciMultiPvInfo(int line, int bound);
// The final report of a MultiPV search, whatever the node count: its lines
// (multi_pv_final_lines of them) with exact scores and no current move.
void PrintFinalUciMultiPvInfo();
void PrintThinkingLine(int force);
// The xboard thinking line whatever "post" and the node count say: the game
// driver's report of the finished search.
void PrintFinalThinkingLine();
void PrintPrincipalVariation(int root_index);
// The score as the xboard lines show it (mates as |s| + 67).
int32_t XboardScore(int32_t score);
