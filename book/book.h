// book/book.h: the opening book's state read by the board's set-up.
#pragma once

#include <cstdint>

// 1 when the current game has already been learnt into the book.
extern int32_t book_learning_done;
