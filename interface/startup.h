// interface/startup.h: the engine's start-up in its fixed order, the settings
// echo, the input loop and the one way out of the program.
#pragma once

#include <cstdint>

// The version that the banner and "uci" report.
inline constexpr char ENGINE_VERSION[] = "1.60";

// Start-up tables (keys, masks, attacks, piece-square tables, knight
// distances and catch masks), the evaluation parameters from "values.txt",
// the capture statistics and the resign window. Shared with the benchmarks.
void InitStartupTables();
// Allocates the transposition table, pawn hash, evaluation cache and
// move-key table and fills the move-key table; 0 when an allocation failed
// (the message is printed).
int AllocateStartupTables();

// The whole start-up: defaults, banner, tables, ini file, hash tables, book,
// settings echo, learning file, tablebases and a new game. Ends the process
// with status 1 when a hash table cannot be allocated.
void StartEngine();
void PrintSettingsEcho();
// The tablebase lines of start-up and "egtbstat": the largest table's men
// (or that none was found) and the memory of the block indexes.
void PrintTablebaseReport();
// Cuts line after line from the pending input and interprets each; returns
// only through ExitProgram (the end of input quits as "quit" does).
[[noreturn]] void RunInputLoop();

// Frees the tables, closes the book and the learning file and ends the
// process with the status given.
[[noreturn]] void ExitProgram(int code);
// "quit" typed during a search: the same as ExitProgram(0).
[[noreturn]] void QuitDuringSearch();
// The token buffers are static storage: nothing to free.
void FreeTokenBuffers();
// Calendar seconds, the seed of the random numbers.
int64_t GetTimeSeconds();
