// eval/pieces.h: the piece terms of the full evaluation (king placement,
// rooks, pawns near the kings, knights, queens, bishops). Reads thread_board
// and PawnEntry; adds to thread_eval_info. Called only by EvaluatePosition.
#pragma once

void EvaluatePieceTerms();
