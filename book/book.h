// book/book.h: the opening book file, its position keys and the lookup of a
// position's record; the book move choice and result learning.
#pragma once

#include <array>
#include <cstdint>
#include <cstdio>

// 1 when the current game has already been learnt into the book.
extern int32_t book_learning_done;

#include "board/board.h"

// The open book, read and written in place; nullptr while no book is open.
extern FILE* book_file;
// 1 while a book is open and its header was accepted (then book_file is set).
extern int32_t book_loaded;
// 1 when the open book has version 0 (weights instead of game results).
extern int32_t book_version0;
// Record number one past the last node: node count + 3.
extern int32_t book_node_end;

constexpr int BOOK_HEADER_SIZE = 36;
constexpr int BOOK_NODE_SIZE = 12;
constexpr char BOOK_BANNER[] = "~Dravelnor openings book";  // 24 bytes in the file, no NUL
constexpr int BOOK_BANNER_SIZE = 24;
// Toggled into key1 when black is to move.
constexpr uint32_t BOOK_BLACK_TO_MOVE = 0x7D3ADEB;

// The position keys' random values, indexed by piece code * 64 + square:
// [0] key1 white, [1] key1 black, [2] key2 white, [3] key2 black.
using BookKeyTables = std::array<std::array<uint32_t, 512>, 4>;
extern const BookKeyTables book_key_tables;

// Closes the open book, then opens and checks the named file (a Windows
// style name is read too). Prints the outcome; on failure no book is open.
void OpenOpeningBook(const char* name);
void CloseOpeningBook();

// The two keys of the men on thread_board, without the side-to-move term.
void ComputeBookKeys(uint32_t* key1, uint32_t* key2);
// 1, -1 or 0 as (a1, a2) is greater than, smaller than or equal to (b1, b2),
// comparing as signed 32-bit numbers, first components first.
int CompareBookKeys(uint32_t a1, uint32_t a2, uint32_t b1, uint32_t b2);
// 1 when the current position (side to move included) has a node; the book
// stream then stands at that node's moves_offset field. 0 otherwise.
int FindBookPosition();

// One entry of a position's move list, with where it lies in the file so
// that its stats can be updated in place.
struct BookEntry {
  uint8_t from;
  uint8_t to;
  uint16_t value;  // stats (version 1) or weight (version 0)
  uint64_t file_offset;
};
struct BookMoveList {
  int count;
  BookEntry entries[255];
};
// FindBookPosition, then reads the node's move list. 0 when the position has
// no node or its list does not lie wholly inside the file.
int LookupBookPosition(BookMoveList* list);

// stats of a version 1 entry: low byte the points of the side that played
// the move, high byte its opponent's (a win 2, a draw 1 each); 0 no games.
constexpr uint16_t BOOK_STATS_DISABLED = 0xFFFF;  // never chosen, never updated
constexpr uint16_t BOOK_WEIGHT_DISABLED = 255;    // version 0
constexpr int BOOK_COUNTER_MAX = 254;             // learning keeps both counters here
constexpr int BOOK_SCORE_UNPLAYED = 500;          // of 1000, for stats 0
constexpr int BOOK_MODE_DISCOVER = 1;             // book_learning_mode: try the least played

// 0 for an entry that is never chosen or learnt: disabled, or a square
// byte the format does not allow.
int BookEntryIsUsable(const BookEntry& e);
// A version 1 entry's score, 0 to 1000: the share of its points.
int BookEntryScore(uint16_t stats);
// The book move as it is played: a pawn move onto the last rank promotes to
// a queen.
Move CompleteBookMove(Move move);

// The entries of the last version 1 choice, in list order (the weights mode
// leaves its candidates at the front of the squares).
extern int32_t book_move_from[256];
extern int32_t book_move_to[256];
extern int32_t book_move_stats[256];

// A legal book move for the position (its moving and captured piece from the
// board, no promotion bits: see CompleteBookMove), or 0 when the book has
// none here. The weights mode and version 0 books draw one Random15 number.
Move ChooseBookMove();
Move ChooseBookMoveV0();

// 1 when a finished or decided game may be learnt into the book now: book
// learning on, a book open, this game not yet learnt, and not a silent
// (tool) search, nor an analysis (SearchIsAnalysis).
int BookLearningDue();
// Adds one result (1 won, 0 lost, 2 drawn, for the side that played it) to
// the first usable entry of move's squares in the current position's list,
// in place; version 1 books only.
void UpdateBookMoveStats(int result, Move move);
// Learns the game's result into the book (result 1 won, 0 lost, 2 drawn for
// the side to move): every move of that side in the game history but one
// played from the starting position; the board is restored. Sets
// book_learning_done.
void LearnBookFromGame(int result);
// Prints the book moves of the position (a book must be loaded).
void PrintBookMoves();
