// eval/pst.cpp: the piece-square tables. Knight and king values come from
// the tunable half-board parameters; the other pieces have fixed tables.
#include "eval/pst.h"

#include "board/board.h"
#include "eval/params.h"

int16_t pst_opening[1024];
int16_t pst_endgame[1024];
int16_t tuned_king_tables[2][64];
int16_t tuned_knight_tables[2][64];

namespace {

// White's view, written with rank 8 on top as a board is read: row r is
// board rank 8 - r.
using BoardPicture = int16_t[8][8];

constexpr BoardPicture pawn_opening = {
    {-15, -5, 0, 5, 5, 0, -5, -15},   {-15, -5, 0, 5, 5, 0, -5, -15},   {-15, -5, 0, 5, 5, 0, -5, -15},
    {-15, -5, 0, 15, 15, 0, -5, -15}, {-15, -5, 0, 25, 25, 0, -5, -15}, {-15, -5, 0, 15, 15, 0, -5, -15},
    {-15, -5, 0, 5, 5, 0, -5, -15},   {-15, -5, 0, 5, 5, 0, -5, -15},
};
constexpr BoardPicture pawn_endgame = {
    {0, 0, 0, 0, 0, 0, 0, 0},       {6, 7, 8, 9, 9, 8, 7, 6},   {6, 7, 8, 9, 9, 8, 7, 6},
    {2, 3, 4, 5, 5, 4, 3, 2},       {-1, 0, 1, 2, 2, 1, 0, -1}, {-3, -2, -1, 0, 0, -1, -2, -3},
    {-3, -2, -1, 0, 0, -1, -2, -3}, {0, 0, 0, 0, 0, 0, 0, 0},
};
constexpr BoardPicture rook_opening = {
    {-6, -3, 0, 3, 3, 0, -3, -6}, {-6, -3, 0, 3, 3, 0, -3, -6}, {-6, -3, 0, 3, 3, 0, -3, -6},
    {-6, -3, 0, 3, 3, 0, -3, -6}, {-6, -3, 0, 3, 3, 0, -3, -6}, {-6, -3, 0, 3, 3, 0, -3, -6},
    {-6, -3, 0, 3, 3, 0, -3, -6}, {-6, -3, 0, 3, 3, 0, -3, -6},
};
constexpr BoardPicture rook_endgame = {};
constexpr BoardPicture bishop_opening = {
    {-8, -8, -6, -4, -4, -6, -8, -8}, {-8, 0, -2, 0, 0, -2, 0, -8},
    {-6, -2, 4, 2, 2, 4, -2, -6},     {-4, 0, 2, 8, 8, 2, 0, -4},
    {-4, 0, 2, 8, 8, 2, 0, -4},       {-6, -2, 4, 2, 2, 4, -2, -6},
    {-8, 0, -2, 0, 0, -2, 0, -8},     {-18, -18, -16, -14, -14, -16, -18, -18},
};
constexpr BoardPicture bishop_endgame = {
    {-18, -12, -9, -6, -6, -9, -12, -18}, {-12, -6, -3, 0, 0, -3, -6, -12},     {-9, -3, 0, 3, 3, 0, -3, -9},
    {-6, 0, 3, 6, 6, 3, 0, -6},           {-6, 0, 3, 6, 6, 3, 0, -6},           {-9, -3, 0, 3, 3, 0, -3, -9},
    {-12, -6, -3, 0, 0, -3, -6, -12},     {-18, -12, -9, -6, -6, -9, -12, -18},
};
constexpr BoardPicture queen_opening = {
    {0, 0, 0, 0, 0, 0, 0, 0}, {0, 0, 0, 0, 0, 0, 0, 0}, {0, 0, 0, 0, 0, 0, 0, 0}, {0, 0, 0, 0, 0, 0, 0, 0},
    {0, 0, 0, 0, 0, 0, 0, 0}, {0, 0, 0, 0, 0, 0, 0, 0}, {0, 0, 0, 0, 0, 0, 0, 0}, {-5, -5, -5, -5, -5, -5, -5, -5},
};
constexpr BoardPicture queen_endgame = {
    {-24, -16, -12, -8, -8, -12, -16, -24},
    {-16, -8, -4, 0, 0, -4, -8, -16},
    {-12, -4, 0, 4, 4, 0, -4, -12},
    {-8, 0, 4, 8, 8, 4, 0, -8},
    {-8, 0, 4, 8, 8, 4, 0, -8},
    {-12, -4, 0, 4, 4, 0, -4, -12},
    {-16, -8, -4, 0, 0, -4, -8, -16},
    {-24, -16, -12, -8, -8, -12, -16, -24},
};

constexpr int Mirror(int square) { return square ^ 56; }

void PutFixed(int16_t* table, int piece, const BoardPicture& white) {
  for (int square = 0; square < 64; square++) {
    const int16_t v = white[7 - (square >> 3)][square & 7];
    table[PstIndex(piece, WHITE, square)] = v;
    table[PstIndex(piece, BLACK, Mirror(square))] = v;
  }
}

// Black's table from the tuned one; white's is its vertical mirror.
void PutTuned(int16_t* table, int piece, const int16_t* black) {
  for (int square = 0; square < 64; square++) {
    table[PstIndex(piece, BLACK, square)] = black[square];
    table[PstIndex(piece, WHITE, Mirror(square))] = black[square];
  }
}

// A group of four file-pair parameters (ah, bg, cf, de, eight relative ranks
// each) spread over black's view of the board: relative rank k is rank 8 - k.
void ExpandHalfBoard(int16_t* black, int first_parameter) {
  for (int pair = 0; pair < 4; pair++)
    for (int k = 0; k < 8; k++) {
      // Only the low 16 bits of a parameter are kept.
      const int16_t v = int16_t(uint16_t(uint32_t(evaluation_parameters[first_parameter + 8 * pair + k])));
      const int rank = 7 - k;
      black[rank * 8 + pair] = v;
      black[rank * 8 + 7 - pair] = v;
    }
}

}  // namespace

void BuildPieceSquareTables() {
  ExpandHalfBoard(tuned_knight_tables[0], KNIGHT_OPENING_AH);
  ExpandHalfBoard(tuned_knight_tables[1], KNIGHT_ENDGAME_AH);
  ExpandHalfBoard(tuned_king_tables[0], KING_OPENING_AH);
  ExpandHalfBoard(tuned_king_tables[1], KING_ENDGAME_AH);

  for (int16_t* table : {pst_opening, pst_endgame})
    for (int colour = WHITE; colour <= BLACK; colour++)
      for (int square = 0; square < 64; square++) {
        table[PstIndex(EMPTY, colour, square)] = 0;
        table[PstIndex(4, colour, square)] = 0;
      }
  PutTuned(pst_opening, KING, tuned_king_tables[0]);
  PutTuned(pst_endgame, KING, tuned_king_tables[1]);
  PutTuned(pst_opening, KNIGHT, tuned_knight_tables[0]);
  PutTuned(pst_endgame, KNIGHT, tuned_knight_tables[1]);
  PutFixed(pst_opening, PAWN, pawn_opening);
  PutFixed(pst_endgame, PAWN, pawn_endgame);
  PutFixed(pst_opening, ROOK, rook_opening);
  PutFixed(pst_endgame, ROOK, rook_endgame);
  PutFixed(pst_opening, BISHOP, bishop_opening);
  PutFixed(pst_endgame, BISHOP, bishop_endgame);
  PutFixed(pst_opening, QUEEN, queen_opening);
  PutFixed(pst_endgame, QUEEN, queen_endgame);
}
