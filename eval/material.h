// eval/material.h: the material table (one row per material configuration)
// and the material balance, game phase and gain estimate of positions
// without a row. The table is rebuilt by every load of the parameters.
#pragma once

#include <cstdint>

#include "board/board.h"

struct MaterialEntry {
  uint8_t flags[2];  // by colour: bit 0 cannot win, bit 1 ENDING(colour)
  int16_t current_phase;
  int16_t black_phase;
  int16_t white_phase;
  int16_t material;     // adjustment, black minus white
  int16_t time_factor;  // of 256
};
static_assert(sizeof(MaterialEntry) == 12, "a material-table row is 12 bytes");

constexpr int MATERIAL_TABLE_ROWS = NO_MATERIAL_INDEX + 1;
extern MaterialEntry material_table[MATERIAL_TABLE_ROWS];

constexpr int MATERIAL_CANNOT_WIN = 1;
constexpr int MATERIAL_ENDING = 2;

// Scratch tables of one load, indexed as the loader describes.
constexpr int IMBALANCE_TABLE_SIZE = 2916;
constexpr int MATERIAL_BONUS_TABLE_SIZE = 236196;
void DeriveEvaluationTables(const int32_t* imbalance_table, const int32_t* extra_white_pawn_table,
                            const int32_t* extra_black_pawn_table, const int32_t* material_bonus_table,
                            const int32_t* time_factor_table);

// Material balance, black minus white, for positions without a row.
int32_t EvaluateMaterial();
void ComputeGamePhase();
// Optimistic gain of a move for delta pruning; also sets the phases and the
// ending flags of thread_eval_info for the current position.
int32_t EstimateMaterialGain(Move move);
