#include "book/book.h"

FILE* learning_file;

// The learning file's records are not read or written yet, so it is left
// closed and the search never finds a learnt position.
void OpenLearningFile(const char*) {}

void CloseLearningFile() {
  if (learning_file) std::fclose(learning_file);
  learning_file = nullptr;
}
