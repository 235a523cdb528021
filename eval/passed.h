// eval/passed.h: passed pawns, with king support, unstoppable pawns and the
// pawn race. Reads thread_board and PawnEntry; writes thread_eval_info's
// king_attack, side_endgame and reliable.
#pragma once

#include <cstdint>

// Returns the running score (black's view) with the passed-pawn terms added.
int32_t EvaluatePassedPawns(int32_t score, int32_t* king_attack, int32_t* side_endgame);
int32_t ScoreSupportedPassedPawn(int colour, int square);
