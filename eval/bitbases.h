// eval/bitbases.h: the built-in endgame bitbases (constant data generated at build time) and their probes; the
// rook-against-pawn judges read thread_board; InitKnightCatchMasks writes knight_catch_masks and nothing else.
#pragma once

#include <cstdint>

// King and pawn against king, seen with the pawn white: bit KpkBitIndex(...)
// at byte index / 8, bit index % 8. kpk_bitbase: the pawn runs through
// unaided; second_pawn_bitbase: the pawn side wins. Every kpk bit is also set
// in second_pawn_bitbase.
extern const uint8_t kpk_bitbase[65536];
extern const uint8_t second_pawn_bitbase[65536];
// Rook against pawn with the rook side to move: word
// rook * 1024 + rook side's king * 16 + pawn_index[pawn], bit pawn side's
// king; set when the pawn side holds. Pawns on e4-h7 only.
extern const uint64_t rook_pawn_bitbase[65536];
// e4 0, f4 1, g4 2, h4 3, e5 4 ... h7 15; 0 elsewhere.
extern const int32_t pawn_index[64];
// [pawn square][king square]: the knight squares from which a knight stops a
// black pawn running down the file with its king on the king square.
extern uint64_t knight_catch_masks[64][64];

// side 0: the pawn's side to move; pawn, king and other_king as if the pawn
// were white (a black pawn's squares turned by 180 degrees).
constexpr int KpkBitIndex(int side, int pawn, int king, int other_king) {
  return side + 2 * pawn + 128 * king + 8192 * other_king;
}

// Each returns the bit for the side given and sets *reliable to 0 when the
// bit for the other side to move differs (otherwise leaves it).
int ProbeKpkBitbase(int side, int pawn, int king, int other_king, int* reliable);
int ProbeSecondPawnBitbase(int side, int pawn, int king, int other_king, int* reliable);
// ProbeKpkBitbase, except that a king standing ahead of its pawn on the file
// is answered by the rule of the square.
int ProbeKpkOrBlockedPawn(int side, int pawn, int king, int other_king, int* reliable);

// rook, rook side's king, pawn, pawn side's king, the pawn white on its
// ranks 4-7; files a-d are mirrored here.
int ProbeRookPawnBitbase(int a, int b, int pawn, int d);

// The lone rook of one colour against a pawn of the other on thread_board:
// 0 the rook side wins, 1 the pawn side holds, 2 undecided.
int ProbeBlackRookVsPawns(int pawn, int rook);
int ProbeWhiteRookVsPawns(int pawn, int rook);

// After InitKnightDistance; touches nothing but knight_catch_masks.
void InitKnightCatchMasks();
