// board/notation.h: text forms of moves and positions (coordinate moves, the
// board diagram, FEN), the legality test of a whole move word, the typed-move
// lookup and the table key with castling and en passant terms.
// LoadFen writes the board, and clears the search's last root score with it
// (search/driver.h): a new position has none. The others only read the board.
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
// Sets up the position of a FEN text; a text that does not describe a legal
// position is refused, the board and game history are left as they were, and
// the reason is returned.
FenError LoadFen(const char* text);
const char* FenErrorText(FenError error);

// Key with castling and capturable en passant terms, for the tables.
uint64_t GetPositionKey();
