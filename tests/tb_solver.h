// tests/tb_solver.h: true distance-to-mate tables of kqk, krk and kpk for
// the tests, solved backward from the mates by a small solver of its own,
// laid out by the engine's index functions as a table file stores them.
// Reads the index functions; writes only what it returns.
#pragma once

#include <cstdint>
#include <vector>

// Stored bytes of a table: side to move wins in n moves: 127 - n; loses in n
// moves (0: checkmated): n - 126; draw 0; no legal position at the index: 127.
constexpr int8_t SOLVER_NO_POSITION = 127;
int8_t SolverWinByte(int moves);
int8_t SolverLossByte(int moves);

struct SolvedTable {
  std::vector<int8_t> bytes[2];  // per side to move (0 white), entry count long
  // Legal positions whose index another position of a different value (or
  // an index at or past the entry count) already took: 0 in a sound layout.
  int64_t conflicts = 0;
  int64_t legal_positions[2] = {0, 0};
};

// The table of "kqk", "krk" or "kpk" (white has the piece), solved once and
// kept. InitEnumerationTables must have run.
const SolvedTable& SolveThreeManTable(const char* signature);

// The stored byte of one position of such a table, from the solver's own
// square-by-square result (not through the index): white king, white piece
// (queen, rook or pawn), black king; side 0 white to move. 127 when illegal.
int8_t SolvedPositionByte(const char* signature, int side, int white_king, int piece, int black_king);
