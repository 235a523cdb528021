// interface/modes.h: the xboard edit and analyze modes, which keep control
// until they end. Edit reads characters from the one pending input and
// rebuilds the board; analyze searches the board without end, taking moves
// and commands during and between its searches.
#pragma once

// Sets up a position from piece tokens ("Pe2", "x", "c", "#") up to "." or
// the end of input. Every board field is rebuilt from the squares; the side
// to move and the fifty-move counter are kept; the game history is dropped.
void EditPosition();
// Searches the current position again and again until "exit" (during or
// between searches) or the end of input; "q" quits the program.
void RunAnalyzeMode();
