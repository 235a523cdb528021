// board/notation.h: text forms of moves and positions (coordinate moves, the
// board diagram, FEN), the legality test of a whole move word, the typed-move
// lookup, the table key with castling and en passant terms, and the set-up
// of a whole position. SetUpPosition (and LoadFen through it) writes the
// board and the history's set-up mark, and clears the search's last root
// score with it (search/driver.h): a new position has none. The others only
// read the board.
#pragma once

#include <cstdint>

#include "board/board.h"

// "e2e4", "e7e8q"; "0000" for no move. buffer needs 6 bytes.
char* MoveToText(char* buffer, Move move);
// The four square characters only. buffer needs 5 bytes.
char* MoveToSquaresText(char* buffer, Move move);
// 1 when the move equals, in all its bits, a legal move of the side to move.
int IsLegalMove(Move move);
// The typed-move list's own entry with the from, to and promotion of move, or 0.
Move FindRootMove(Move move);
// A move from square characters, pieces taken from the board; 0 when a
// character lies outside a-h / 1-8 (file letters in either case).
Move BuildMoveFromSquares(int from_file, int from_rank, int to_file, int to_rank, int promotion);
Move ParseCoordinateMove(const char* text);
int IsCoordinateMoveText(const char* text);
void PrintBoard();

// Why LoadFen refused a text.
enum FenError {
  FEN_OK = 0,
  FEN_BAD_PLACEMENT,   // a rank of more or fewer than eight files, or not eight ranks
  FEN_MISSING_FIELDS,  // no side-to-move field
  FEN_BAD_KINGS,       // not exactly one king of each colour
  FEN_PAWN_ON_END_RANK,
  FEN_TOO_MANY_MEN,  // more than 8 pawns or 16 men of a colour
  FEN_OPPONENT_IN_CHECK,
};
// A whole position square by square, as a FEN text or the edit mode gives it.
struct PositionSetUp {
  int piece[64];  // piece code, 0 for an empty square
  int colour[64];
  int side;              // to move
  uint32_t castling;     // asked for; kept only where king and rook stand at home
  int ep_file, ep_rank;  // the en passant target square, -1 when none
};
// Puts the position on the board with no game history but the double step
// that its en passant square stands for. A position the engine cannot play
// from (not one king a side, a pawn on an end rank, more than 8 pawns or 16
// men of a colour, the side not to move in check) is refused: the board and
// game history are left as they were, and the reason is returned.
FenError SetUpPosition(PositionSetUp position);
// Sets up the position of a FEN text through SetUpPosition; a text that does
// not describe a legal position is refused the same way.
FenError LoadFen(const char* text);
const char* FenErrorText(FenError error);

// Key with castling and capturable en passant terms, for the tables.
uint64_t GetPositionKey();
