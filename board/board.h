// board/board.h: the single global board (thread_board), the game history and
// the shared move list, with the whole-position set-up operations.
// Written by ClearBoard/PutPiece/NewGame here, MakeMove/UnmakeMove and
// SetUpPosition (FEN and edit).
#pragma once

#include <cstdint>
#include <initializer_list>

enum { WHITE = 0, BLACK = 1 };

// Piece codes. Bit value 4 marks a slider; among sliders bit value 1 moves
// along ranks and files, bit value 2 along diagonals. Code 4 names no piece.
enum { EMPTY = 0, KING = 1, KNIGHT = 2, PAWN = 3, ROOK = 5, BISHOP = 6, QUEEN = 7 };

constexpr bool IsSlider(int code) { return (code & 4) != 0; }
constexpr bool MovesStraight(int code) { return (code & 5) == 5; }
constexpr bool MovesDiagonally(int code) { return (code & 6) == 6; }

// 3 to the 12th: the material index of a configuration the table cannot hold.
constexpr int32_t NO_MATERIAL_INDEX = 531441;

// Material-index weights by piece code and colour.
constexpr int32_t material_index_weight[8][2] = {{0, 0}, {0, 0},  {729, 2187}, {6561, 59049},
                                                 {0, 0}, {9, 27}, {81, 243},   {1, 3}};

// Castling rights.
enum { WHITE_SHORT = 1, WHITE_LONG = 2, BLACK_SHORT = 4, BLACK_LONG = 8 };

// Squares used by name.
enum { A1 = 0, B1, C1, D1, E1, F1, G1, H1, A8 = 56, B8, C8, D8, E8, F8, G8, H8 };

// A square's rank counted from the colour's own side (0 = its first rank).
constexpr int RelativeRank(int colour, int square) { return colour == WHITE ? square >> 3 : 7 - (square >> 3); }
// The square step of the colour's pawns.
// The a- and h-file as bit sets.
constexpr uint64_t FILE_A = 0x0101010101010101ULL;
constexpr uint64_t FILE_H = FILE_A << 7;
constexpr int PawnForward(int colour) { return colour == WHITE ? 8 : -8; }
// Distance in king moves.
constexpr int KingDistance(int a, int b) {
  const int files = (a & 7) > (b & 7) ? (a & 7) - (b & 7) : (b & 7) - (a & 7);
  const int ranks = (a >> 3) > (b >> 3) ? (a >> 3) - (b >> 3) : (b >> 3) - (a >> 3);
  return files > ranks ? files : ranks;
}

using Move = uint32_t;

constexpr int MoveFrom(Move m) { return m & 63; }
constexpr int MoveTo(Move m) { return (m >> 6) & 63; }
constexpr int MovePiece(Move m) { return (m >> 12) & 7; }
constexpr int MoveCaptured(Move m) { return (m >> 15) & 7; }
constexpr int MovePromotion(Move m) { return m >> 18; }
// Capture or promotion: any bit above the moving man (en passant excluded).
constexpr bool IsCaptureOrPromotion(Move m) { return (m >> 15) != 0; }
// The from and to squares together (12 bits), as the history tables index them.
constexpr int MoveFromTo(Move m) { return m & 0xFFF; }
constexpr Move MakeMoveWord(int from, int to, int piece, int captured = 0, int promotion = 0) {
  return Move(from) | Move(to) << 6 | Move(piece) << 12 | Move(captured) << 15 | Move(promotion) << 18;
}

struct MoveEntry {
  Move move;
  int32_t score;
};

struct Board {
  uint32_t HeavyPieces[2];  // rook units: rook 1, queen 2
  uint32_t MinorPieces[2];  // knights plus bishops
  uint32_t MenCount;        // all men, kings and pawns included
  uint32_t Castling;        // rights, low 4 bits
  int16_t PstOpening;       // black's piece-square sum minus white's
  int16_t PstEnding;
  int32_t MaterialIndex;
  int32_t FiftyCount;
  uint32_t SideToMove;
  uint64_t Occupied[2];
  uint64_t Pieces[8][2];           // by piece code and colour
  uint32_t RankOccupancy[8];       // bit file
  uint32_t FileOccupancy[8];       // bit rank
  uint32_t DiagSumOccupancy[16];   // by file + rank, bit rank
  uint32_t DiagDiffOccupancy[16];  // by file - rank + 7, bit rank
  uint32_t KingSquare[2];
  uint64_t RooksQueens;    // both colours
  uint64_t BishopsQueens;  // both colours
  uint32_t PieceCount[8][2];
  uint32_t Square[64];  // piece code, colour from Occupied
  uint64_t Key;         // Zobrist XOR of all men; no side, castling or e.p. term
  uint64_t PawnKey;
  int32_t Material[2];       // centipawns, king not counted
  int32_t PieceMaterial[2];  // knight 3, bishop 3, rook 5, queen 9
};

struct UndoRecord {
  uint64_t Key;
  int32_t FiftyCount;
  uint32_t Move;
  uint32_t Castling;
  int32_t MaterialIndex;
  int16_t PstOpening;
  int16_t PstEnding;
};

// The game history holds the plies of the game and of the search on top of
// it. Commands that play moves into the game leave SEARCH_PLY_RESERVE records
// free for the search (and for the trial moves of the legality tests).
constexpr int SEARCH_PLY_RESERVE = 256;
constexpr int MAX_GAME_PLIES = 4096;
constexpr int GAME_HISTORY_SIZE = MAX_GAME_PLIES + SEARCH_PLY_RESERVE;

// Move-list regions. One generator call appends at most MAX_GENERATED_MOVES
// entries (a generous bound on the pseudo-legal moves of a position of at
// most 16 men a side), so a caller that starts at index i needs
// i + MAX_GENERATED_MOVES <= the end of its region.
constexpr int MAX_GENERATED_MOVES = 384;
constexpr int SEARCH_LIST_END = 200 * MAX_GENERATED_MOVES;  // search and ordinary callers: [0, this)
constexpr int LEGALITY_LIST_START = SEARCH_LIST_END;        // legality test and SAN reader
constexpr int TYPED_MOVE_LIST_START = LEGALITY_LIST_START + 2 * MAX_GENERATED_MOVES;
constexpr int MOVE_LIST_SIZE = TYPED_MOVE_LIST_START + 2 * MAX_GENERATED_MOVES;

extern Board thread_board;
extern UndoRecord game_history[GAME_HISTORY_SIZE];
extern int32_t game_ply;
// The records at the bottom of the history that belong to the set-up position
// (the double step a FEN's en passant square stands for): a take-back stops
// above them.
extern int32_t setup_ply;
extern MoveEntry move_list[MOVE_LIST_SIZE];
extern int32_t move_list_end;
extern int32_t root_move_end;  // end of the typed-move list

// Material values in centipawns by piece code (the king's never enters Material).
// Plies without a capture or pawn move after which a draw can be claimed.
constexpr int32_t FIFTY_MOVE_PLIES = 100;
constexpr int32_t piece_value[8] = {0, 10000, 300, 100, 0, 500, 300, 900};
// What one man adds to its colour's PieceMaterial, HeavyPieces and MinorPieces.
constexpr int32_t piece_material_units[8] = {0, 0, 3, 0, 0, 5, 3, 9};
constexpr int32_t heavy_piece_units[8] = {0, 0, 0, 0, 0, 1, 0, 2};
constexpr int32_t minor_piece_units[8] = {0, 0, 1, 0, 0, 0, 1, 0};
// The most men of a code the material index has a digit for.
constexpr uint32_t material_index_limit[8] = {0, 0, 2, 8, 0, 2, 2, 2};

void ClearBoard();
// Puts a man on an empty square and updates every incremental field.
void PutPiece(int square, int colour, int piece);
// Sets up the initial position and resets the game state. Reaches up into
// the layers above, as a new game must: it resets the option globals of a
// search (interface), the engine side, history, killers and last root score
// (search) and the book's learning mark (book).
void NewGame();
// Recomputes every redundant board field from Square and Occupied and
// compares; returns 1 when all agree. On a mismatch names the first field
// that differs on standard error (standard output is the protocol's).
int VerifyBoard();
// 1 when a move may be added to the game: the history keeps room for a search.
inline int GameHasRoomForMove() { return game_ply < MAX_GAME_PLIES; }
// 1 when the game has a ply played since its set-up position to take back.
inline int CanTakeBack() { return game_ply > setup_ply; }
