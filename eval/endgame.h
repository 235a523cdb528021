// eval/endgame.h: special endgame knowledge (recognised draws and wins,
// mating drives) and the damping of balanced extra-pawn endings. Reads
// thread_board, the material table and the bitbases; writes thread_eval_info,
// the phases and the cannot-win flags.
#pragma once

#include <cstdint>

// Sets *final = 1 and writes *score (side-to-move view) when it decides the
// position; otherwise sets *final = 0 and returns an additive term (black
// minus white), having set material, phases and ending flags.
int32_t EvaluateSpecialEndgame(int32_t* score, int32_t bound, int32_t* final);
int32_t ScaleExtraPawnEnding(int32_t score);
