// Perft counts of well-known positions.
#pragma once

#include <cstdint>

struct PerftCase {
  const char* fen;
  int depth;
  uint64_t nodes;
};

#define DRAVELNOR_INITIAL "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1"
#define DRAVELNOR_KIWIPETE "r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq - 0 1"
#define DRAVELNOR_ENDGAME "8/2p5/3p4/KP5r/1R3p1k/8/4P1P1/8 w - - 0 1"
#define DRAVELNOR_PROMOTIONS "r3k2r/Pppp1ppp/1b3nbN/nP6/BBP1P3/q4N2/Pp1P2PP/R2Q1RK1 w kq - 0 1"
#define DRAVELNOR_MIDDLEGAME "rnbq1k1r/pp1Pbppp/2p5/8/2B5/8/PPP1NnPP/RNBQK2R w KQ - 1 8"

// Counts above this run only in the optimised builds (test label "deep").
constexpr uint64_t kDeepPerftNodes = 10000000;

inline constexpr PerftCase kPerftCases[] = {
    {DRAVELNOR_INITIAL, 1, 20},
    {DRAVELNOR_INITIAL, 2, 400},
    {DRAVELNOR_INITIAL, 3, 8902},
    {DRAVELNOR_INITIAL, 4, 197281},
    {DRAVELNOR_INITIAL, 5, 4865609},
    {DRAVELNOR_INITIAL, 6, 119060324},
    {DRAVELNOR_KIWIPETE, 1, 48},
    {DRAVELNOR_KIWIPETE, 2, 2039},
    {DRAVELNOR_KIWIPETE, 3, 97862},
    {DRAVELNOR_KIWIPETE, 4, 4085603},
    {DRAVELNOR_KIWIPETE, 5, 193690690},
    {DRAVELNOR_ENDGAME, 1, 14},
    {DRAVELNOR_ENDGAME, 2, 191},
    {DRAVELNOR_ENDGAME, 3, 2812},
    {DRAVELNOR_ENDGAME, 4, 43238},
    {DRAVELNOR_ENDGAME, 5, 674624},
    {DRAVELNOR_PROMOTIONS, 1, 6},
    {DRAVELNOR_PROMOTIONS, 2, 264},
    {DRAVELNOR_PROMOTIONS, 3, 9467},
    {DRAVELNOR_PROMOTIONS, 4, 422333},
    {DRAVELNOR_MIDDLEGAME, 1, 44},
    {DRAVELNOR_MIDDLEGAME, 2, 1486},
    {DRAVELNOR_MIDDLEGAME, 3, 62379},
    {DRAVELNOR_MIDDLEGAME, 4, 2103487},
    // Castling out of check must not count (Rxa8+ O-O and Rxh8+ O-O-O).
    {"r3k2r/8/8/8/8/8/8/R3K2R w KQkq - 0 1", 1, 26},
    {"r3k2r/8/8/8/8/8/8/R3K2R w KQkq - 0 1", 2, 568},
    {"r3k2r/8/8/8/8/8/8/R3K2R w KQkq - 0 1", 3, 13744},
    {"r4rk1/1pp1qppp/p1np1n2/2b1p1B1/2B1P1b1/P1NP1N2/1PP1QPPP/R4RK1 w - - 0 10", 3, 89890},
    {"r4rk1/1pp1qppp/p1np1n2/2b1p1B1/2B1P1b1/P1NP1N2/1PP1QPPP/R4RK1 w - - 0 10", 4, 3894594},
};
