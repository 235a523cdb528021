// interface/uci.h: the handlers of the UCI commands. The interpreter
// (interface/commands.cpp) calls them in its fixed keyword order with the
// line split into tokens; n is the token count.
#pragma once

void UciHandshake();
void UciSetOption(int n);
void UciNewGame();
void UciPosition(int n);
void UciGo(int n);
// "ponderhit" and "stop" when no search is running.
void TopLevelPonderHit();
void TopLevelStop();
// Learns the finished game into the book as a draw when it was not learnt
// yet ("ucinewgame", and "reset" after a drawn last search).
void LearnDrawnGame();
// Clears the search memory of the last game.
void ForgetLastGame();
