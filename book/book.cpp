#include "book/book.h"

int32_t book_learning_done = 1;
