// interface/modes.h: the xboard edit and analyze modes, which keep control
// until they end. Edit reads characters from the one pending input and
// rebuilds the board; analyze searches the board without end, taking moves
// and commands during and between its searches.
#pragma once

#include "board/notation.h"

// Sets up a position from piece tokens ("Pe2", "x", "c", "#") up to "." or
// the end of input. Every board field is rebuilt from the squares; the side
// to move and the fifty-move counter are kept; the game history is dropped.
// A position that loadfen would refuse is refused the same way: the board,
// history and search tables stay as they were and the reason is returned.
FenError EditPosition();
// Searches the current position again and again until "exit" (during or
// between searches) or the end of input; "q" quits the program.
void RunAnalyzeMode();
