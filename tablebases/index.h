// tablebases/index.h: the entry index of a position in each table and side
// to move. Owns tb_index_functions and the enumeration tables the functions
// count with; reads nothing of the board (the probe hands in square lists).
#pragma once

#include <cstdint>

// Squares of one colour's men: slots 0-2 pawns, 3-5 knights, 6-8 bishops,
// 9-11 rooks, 12-14 queens, 15 the king. a1 = 0, h8 = 63.
using SquareList = int32_t[16];

// ep: the square a double-stepping pawn passed over when it can be taken en
// passant, else TB_NO_EP_SQUARE; invert: 1 when the caller exchanged the
// colours.
using TbIndexFunction = uint64_t (*)(const int32_t* white, const int32_t* black, int32_t ep, int32_t invert);

constexpr int32_t TB_NO_EP_SQUARE = 127;
constexpr int TB_TABLE_ROWS = 441;  // row 0 unused, tables 1..440

// Per table row and side to move (0 white, 1 black) the index function;
// null where the table's functions are not built yet.
extern const TbIndexFunction tb_index_functions[TB_TABLE_ROWS][2];

// Builds the run-time enumeration tables once; later calls do nothing.
void InitEnumerationTables();
