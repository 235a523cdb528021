// book/book.h: the opening book's state read by the board's set-up.
#pragma once

#include <cstdint>

// 1 when the current game has already been learnt into the book.
extern int32_t book_learning_done;

#include "board/board.h"

// 1 while a book file is open.
extern int32_t book_loaded;
// A book move for the position, or 0 (always 0 while no book is open).
Move ChooseBookMove();
// Learns the game's result into the book (result 1 won, 0 lost, 2 drawn for
// the side to move); sets book_learning_done.
void LearnBookFromGame(int result);
// Position learning after a move, when learning is on.
void LearnAfterSearch();
// Looks the position up in the learning file; *offset = 0 when not found.
void FindLearnRecord(uint32_t key0, uint32_t key1, uint32_t* depth, int32_t* score, uint32_t* move, uint32_t* offset);
