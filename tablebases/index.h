// tablebases/index.h: the entry index of a position in each table and side
// to move. Owns tb_index_functions and the enumeration tables the functions
// count with; reads nothing of the board (the probe hands in square lists).
#pragma once

#include <cstdint>

#include "tablebases/index_list.h"

// Squares of one colour's men: slots 0-2 pawns, 3-5 knights, 6-8 bishops,
// 9-11 rooks, 12-14 queens, 15 the king. a1 = 0, h8 = 63.
using SquareList = int32_t[16];

// ep: the square a double-stepping pawn passed over when it can be taken en
// passant, else TB_NO_EP_SQUARE; invert: 1 when the caller exchanged the
// colours.
using TbIndexFunction = uint64_t (*)(const int32_t* white, const int32_t* black, int32_t ep, int32_t invert);

constexpr int32_t TB_NO_EP_SQUARE = 127;
constexpr int TB_TABLE_ROWS = 441;  // row 0 unused, tables 1..440

// What an index function answers for a position no table holds (kings on
// one square or side by side, a man of the side to move giving contact
// check, an en-passant square no pawn can take on): above every entry count,
// so the reader answers "no value" instead of reading past the tables.
constexpr uint64_t TB_NO_INDEX = ~uint64_t(0);

// Per table row and side to move (0 white, 1 black) the index function
// (row 0 null). Any index at or past the side's entry count, TB_NO_INDEX
// included, has no stored entry.
extern const TbIndexFunction tb_index_functions[TB_TABLE_ROWS][2];

// Per table row and side to move the number of stored entries (row 0: 0).
extern const uint64_t tb_index_entries[TB_TABLE_ROWS][2];
// Per table row its signature ("kpk" ... "kqqpkq"; row 0 "").
extern const char* const tb_index_signatures[TB_TABLE_ROWS];

// Builds the run-time enumeration tables once; later calls do nothing.
void InitEnumerationTables();

// Kinds of men the enumeration tables count: a pawn of the side not to move,
// a pawn of the side to move (running toward rank 8), knight ... queen.
enum EnumKind : int { ENUM_p = 0, ENUM_P = 1, ENUM_N = 2, ENUM_B = 3, ENUM_R = 4, ENUM_Q = 5 };
constexpr int ENUM_KINDS = 6;
constexpr int PAWN_KING_PAIRS = 1806;
constexpr int PAWNLESS_KING_PAIRS = 462;
constexpr int16_t NO_KING_PAIR = 4000;
constexpr uint8_t NO_ENUM_RANK = 255;

// King pairs after the fold (own king x 64 + other king): 0.. in ascending
// order, NO_KING_PAIR where the pair is not numbered.
extern int16_t pawn_king_pair_index[64 * 64];
extern int16_t pawnless_king_pair_index[64 * 64];

// Rank of a square among the squares a man of the kind may stand on for the
// other king (index other king x 64 + square); NO_ENUM_RANK where it may not.
extern uint8_t enum_square_rank[ENUM_KINDS][64 * 64];
extern uint8_t enum_square_count[ENUM_KINDS][64];

// Per king pair the number of placements of the group over all lower pairs;
// kinds strongest first. Only the groups the tables use are filled.
extern uint32_t enum_single_offset[ENUM_KINDS][PAWN_KING_PAIRS];
extern uint32_t enum_pair_offset[ENUM_KINDS][ENUM_KINDS][PAWN_KING_PAIRS];
extern uint32_t enum_triple_offset[ENUM_KINDS][ENUM_KINDS][ENUM_KINDS][PAWN_KING_PAIRS];
extern uint32_t enum_single_offset_pawnless[ENUM_KINDS][PAWNLESS_KING_PAIRS];
extern uint32_t enum_pair_offset_pawnless[ENUM_KINDS][ENUM_KINDS][PAWNLESS_KING_PAIRS];
extern uint32_t enum_triple_offset_pawnless[ENUM_KINDS][ENUM_KINDS][ENUM_KINDS][PAWNLESS_KING_PAIRS];
// The placements of each group summed over all king pairs; 0 where unbuilt.
extern uint32_t enum_counts[ENUM_KINDS];
extern uint32_t enum_counts_pawnless[ENUM_KINDS];
extern uint32_t enum_pair_counts[ENUM_KINDS][ENUM_KINDS];
extern uint32_t enum_pair_counts_pawnless[ENUM_KINDS][ENUM_KINDS];
extern uint32_t enum_triple_counts[ENUM_KINDS][ENUM_KINDS][ENUM_KINDS];
extern uint32_t enum_triple_counts_pawnless[ENUM_KINDS][ENUM_KINDS][ENUM_KINDS];

// The index functions by name: IndexKpkWhite, IndexKpkBlack, ...,
// IndexKqqpkqBlack (white to move reads the ".nbw" file, black the ".nbb").
#define TB_DECLARE_INDEX_FUNCTIONS(id, signature, Name, entries_white, entries_black)                  \
  uint64_t Index##Name##White(const int32_t* white, const int32_t* black, int32_t ep, int32_t invert); \
  uint64_t Index##Name##Black(const int32_t* white, const int32_t* black, int32_t ep, int32_t invert);
TB_INDEX_TABLE_LIST(TB_DECLARE_INDEX_FUNCTIONS)
#undef TB_DECLARE_INDEX_FUNCTIONS
