#include "interface/input.h"

char pending_input[PENDING_INPUT_SIZE];

int InputAvailable() { return 0; }

void PollInputDuringSearch() {}

int InputClosed() { return 0; }
