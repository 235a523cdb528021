// board/movegen.h: the move generators and their ordering scores.
// Every generator appends at move_list_end (one entry per move: the move word
// and its ordering score) and advances it; the caller leaves room for
// MAX_GENERATED_MOVES entries. Generated moves are pseudo-legal, except that
// castling is tested for rights, empty squares and the squares the king
// crosses. Reads thread_board and the search's history and capture tables;
// ScoreCapture may reset one stale capture-statistics slot.
#pragma once

#include <cstdint>

#include "board/board.h"

// Ordering values by piece code.
constexpr uint32_t capture_value[8] = {0, 950, 300, 100, 0, 500, 300, 900};
constexpr uint32_t history_piece_class[8] = {0, 0, 0, 1, 0, 2, 1, 3};
extern const int32_t capture_success_bonus[17];

// Castling move words.
constexpr Move WHITE_SHORT_CASTLING = MakeMoveWord(4, 6, KING);    // e1g1
constexpr Move WHITE_LONG_CASTLING = MakeMoveWord(4, 2, KING);     // e1c1
constexpr Move BLACK_SHORT_CASTLING = MakeMoveWord(60, 62, KING);  // e8g8
constexpr Move BLACK_LONG_CASTLING = MakeMoveWord(60, 58, KING);   // e8c8
static_assert(WHITE_SHORT_CASTLING == 4484 && BLACK_LONG_CASTLING == 7868, "castling words keep their values");

inline void AppendMove(Move move, int32_t score) {
  move_list[move_list_end].move = move;
  move_list[move_list_end].score = score;
  move_list_end++;
}

// History index of a quiet move of the side to move, in half table & 1.
inline int HistoryIndex(Move move, int table, int side) {
  return (table & 1) * 32768 + int(history_piece_class[MovePiece(move)]) * 8192 + MoveFromTo(move) * 2 + side;
}

// Captures onto the target squares, capture-promotions and every available en
// passant capture.
void GenerateCaptures(uint64_t targets);
// Non-capturing promotions to queen, rook, knight and bishop.
void GeneratePromotions();
int32_t ScoreCapture(Move move);
// ScoreCapture of a move known to pass the exchange test (the capture
// statistics are read only for the others).
inline int32_t ScorePassingCapture(Move move) {
  if (!IsCaptureOrPromotion(move)) return 100901;
  return 10 * int32_t(capture_value[MoveCaptured(move)]) - int32_t(capture_value[MovePiece(move)]) +
         (MovePromotion(move) ? 108000 : 100000);
}

// Castling and the other quiet moves, scored from history half table & 1.
void GenerateQuietMoves(int table);
int32_t GetHistoryScore(Move move, int table);

// Appends a stored move (a killer) with score 0 when it can be played here.
void AddMoveIfValid(Move move);
// The legal moves of the side to move, from index start.
void GenerateLegalMoves(int start);

// Check evasions of the side to move (which must be in check), scored.
void GenerateEvasions();
int32_t ScoreEvasion(Move move);

// Selective generators of the quiescence and deep searches.
void GenerateQuiescenceCaptures(uint64_t targets);
void GenerateQuiescencePromotions();
void GenerateSearchPromotions();
void GenerateQuietChecks(int table);
