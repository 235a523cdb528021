// eval/pawns.h: pawn structure (with the pawn hash) and king shelter. The
// facts of the last pawn structure evaluated stay in PawnEntry for the other
// terms. Reads thread_board; writes PawnEntry, the pawn hash and
// thread_eval_info's passed_pawns and shelter_penalty.
#pragma once

#include <cstdint>

#include "board/board.h"

// A pawn-hash record: 22 bytes in the 64-bit build, 24 in the 32-bit one.
#if UINTPTR_MAX > 0xFFFFFFFFu
#pragma pack(push, 2)
#endif
struct PawnHashEntry {
  uint64_t key;  // PawnKey
  int16_t opening;
  int16_t endgame;
  uint8_t white_defects_k;
  uint8_t white_defects_q;
  uint8_t black_defects_k;
  uint8_t black_defects_q;
  uint8_t passed_vector_black;
  uint8_t passed_vector_white;
  uint8_t pawn_files_white;
  uint8_t pawn_files_black;
  uint8_t target_pawn_files_black;
  uint8_t target_pawn_files_white;
};
#if UINTPTR_MAX > 0xFFFFFFFFu
#pragma pack(pop)
#endif
constexpr int PAWN_HASH_ENTRY_SIZE = sizeof(PawnHashEntry);
static_assert(PAWN_HASH_ENTRY_SIZE == (UINTPTR_MAX > 0xFFFFFFFFu ? 22 : 24), "pawn-hash record size");

extern PawnHashEntry PawnEntry;
// The pawn hash, owned here and allocated by the search's table code
// (search/tables.h); nullptr while off. The record of a key is only valid
// while the table is in use; the common size skips the division.
extern PawnHashEntry* pawn_hash;
inline uint32_t PawnHashIndex(uint64_t key, uint32_t entries) {
  return entries == 0x40000 ? uint32_t(key) & 0x3FFFF : uint32_t(key) % entries;
}
extern uint64_t AllPawns;
// By colour, views of the packed fields of PawnEntry.
inline uint8_t PassedVector(int colour) {
  return colour == WHITE ? PawnEntry.passed_vector_white : PawnEntry.passed_vector_black;
}
inline uint8_t PawnFiles(int colour) {
  return colour == WHITE ? PawnEntry.pawn_files_white : PawnEntry.pawn_files_black;
}
inline uint8_t TargetPawnFiles(int colour) {
  return colour == WHITE ? PawnEntry.target_pawn_files_white : PawnEntry.target_pawn_files_black;
}

// By square as seen from black (a white pawn on s reads entry 63 - s).
extern int32_t chained_pawn_table[64];
// Rebuilds chained_pawn_table from the chained-pawn parameters.
void BuildChainedPawnTable();

void EvaluatePawnStructure(int32_t* opening, int32_t* endgame);
void CountShelterDefects();
// Forgets the working copy, so that the next call recomputes (after the
// table is cleared or resized, or the parameters change).
void InvalidatePawnEntry();

// King shelter: set shelter_penalty of their king and return the weighted
// king-safety amount (0 or negative).
int32_t ComputeBlackShelterPenalty();
int32_t ComputeWhiteShelterPenalty();
extern const int32_t shelter_score_table[64];
