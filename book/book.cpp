#include "book/book.h"

int32_t book_learning_done = 1;

int32_t book_loaded;

// No book file is open yet: no book move, nothing to learn into.
Move ChooseBookMove() { return 0; }
void LearnBookFromGame(int) { book_learning_done = 1; }
void LearnAfterSearch() {}
void FindLearnRecord(uint32_t, uint32_t, uint32_t*, int32_t*, uint32_t*, uint32_t* offset) { *offset = 0; }
