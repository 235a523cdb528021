// interface/startup.h: the engine's start-up work in its fixed order, shared
// by the engine and the benchmarks.
#pragma once

// Start-up tables (keys, masks, attacks, piece-square tables, knight
// distances and catch masks), the evaluation parameters from "values.txt",
// the capture statistics and the resign window.
void InitStartupTables();
// Allocates the transposition table, pawn hash, evaluation cache and
// move-key table and fills the move-key table; 0 when an allocation failed
// (the message is printed).
int AllocateStartupTables();
