// Start-up tables against their definitions and the published reference values.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <set>

#include "board/attacks.h"
#include "board/makemove.h"
#include "board/movegen.h"
#include "board/tables.h"
#include "test_util.h"

namespace {

constexpr int Sq(const char* name) { return (name[0] - 'a') + 8 * (name[1] - '1'); }

uint64_t Squares(std::initializer_list<const char*> names) {
  uint64_t set = 0;
  for (const char* name : names) set |= SquareBit(Sq(name));
  return set;
}

TEST(MersenneTwister, ReferenceOutputsOfTheArraySeed) {
  const uint64_t keys[4] = {0x12345, 0x23456, 0x34567, 0x45678};
  SeedKeyGeneratorByArray(keys, 4);
  EXPECT_EQ(DrawRandom64(), 7266447313870364031ULL);
  EXPECT_EQ(DrawRandom64(), 4946485549665804864ULL);
  EXPECT_EQ(DrawRandom64(), 16945909448695747420ULL);
  EXPECT_EQ(DrawRandom64(), 16394063075524226720ULL);
  EXPECT_EQ(DrawRandom64(), 4873882236456199058ULL);
}

TEST(ZobristKeys, DrawOrderFixesEveryKey) {
  InitBoardForTests();
  EXPECT_EQ(zobrist_keys[WHITE][PAWN][0], 7266447313870364031ULL);
  EXPECT_EQ(zobrist_keys[BLACK][PAWN][0], 4946485549665804864ULL);
  EXPECT_EQ(zobrist_keys[WHITE][KNIGHT][0], 16945909448695747420ULL);
  EXPECT_EQ(zobrist_keys[BLACK][KING][63], 10002890515925652606ULL);  // the 768th draw
  EXPECT_EQ(castle_keys[0], 10399654693663712506ULL);
  // Codes 0 and 4 name no piece and have no keys.
  for (int colour = 0; colour < 2; colour++)
    for (int square = 0; square < 64; square++) {
      EXPECT_EQ(zobrist_keys[colour][0][square], 0u);
      EXPECT_EQ(zobrist_keys[colour][4][square], 0u);
    }
  // All 768 piece keys, 16 castling and 8 en passant keys are distinct.
  std::set<uint64_t> seen;
  for (int colour = 0; colour < 2; colour++)
    for (int piece : {KING, KNIGHT, PAWN, ROOK, BISHOP, QUEEN})
      for (int square = 0; square < 64; square++) seen.insert(zobrist_keys[colour][piece][square]);
  for (uint64_t key : castle_keys) seen.insert(key);
  for (uint64_t key : ep_keys) seen.insert(key);
  EXPECT_EQ(seen.size(), 768u + 16u + 8u);
}

TEST(LineStates, NumberingByFirstAppearance) {
  InitBoardForTests();
  for (int p = 0; p < 8; p++) EXPECT_EQ(line_state[0][p], p);
  EXPECT_EQ(line_state[2][0], 8);
  std::set<int> states;
  for (int occupancy = 0; occupancy < 256; occupancy++)
    for (int p = 0; p < 8; p++) states.insert(line_state[occupancy][p]);
  EXPECT_EQ(states.size(), 70u);
  EXPECT_EQ(*states.rbegin(), 69);
  // A full line: each position sees only its neighbours.
  for (int p = 0; p < 8; p++) {
    uint64_t expected = 0;
    if (p > 0) expected |= SquareBit(p - 1);
    if (p < 7) expected |= SquareBit(p + 1);
    EXPECT_EQ(rank_attacks[line_state[255][p]][0], expected) << p;
  }
}

// Slider attacks walked square by square over the occupancy.
uint64_t WalkAttacks(int square, uint64_t occupied, const int (*deltas)[2], int count) {
  uint64_t set = 0;
  for (int d = 0; d < count; d++) {
    int file = (square & 7) + deltas[d][0], rank = (square >> 3) + deltas[d][1];
    for (; file >= 0 && file < 8 && rank >= 0 && rank < 8; file += deltas[d][0], rank += deltas[d][1]) {
      set |= SquareBit(rank * 8 + file);
      if (occupied & SquareBit(rank * 8 + file)) break;
    }
  }
  return set;
}

TEST(SliderAttacks, RotatedLookupsMatchARayWalkOnRandomBoards) {
  InitBoardForTests();
  static const int straight[4][2] = {{1, 0}, {-1, 0}, {0, 1}, {0, -1}};
  static const int diagonal[4][2] = {{1, 1}, {-1, -1}, {1, -1}, {-1, 1}};
  uint64_t seed = 12345;
  for (int trial = 0; trial < 200; trial++) {
    ClearBoard();
    uint64_t occupied = 0;
    for (int square = 0; square < 64; square++) {
      seed = seed * 6364136223846793005ULL + 1442695040888963407ULL;
      if ((seed >> 60) < 5) {  // about a third of the squares
        PutPiece(square, WHITE, KNIGHT);
        occupied |= SquareBit(square);
      }
    }
    for (int square = 0; square < 64; square++) {
      ASSERT_EQ(RookAttacksFrom(square), WalkAttacks(square, occupied, straight, 4)) << trial << " " << square;
      ASSERT_EQ(BishopAttacksFrom(square), WalkAttacks(square, occupied, diagonal, 4)) << trial << " " << square;
    }
  }
  ClearBoard();
  for (int square = 0; square < 64; square++) {
    EXPECT_EQ(rook_lines[square], WalkAttacks(square, 0, straight, 4));
    EXPECT_EQ(bishop_lines[square], WalkAttacks(square, 0, diagonal, 4));
  }
}

TEST(LineTables, BetweenDirectionAndRays) {
  InitBoardForTests();
  EXPECT_EQ(between_table[Sq("a1")][Sq("d4")], Squares({"a1", "b2", "c3"}));
  EXPECT_EQ(between_table[Sq("d4")][Sq("a1")], Squares({"d4", "c3", "b2"}));
  EXPECT_EQ(between_table[Sq("a1")][Sq("b3")], 0u);
  EXPECT_EQ(between_table[Sq("e4")][Sq("e4")], 0u);
  EXPECT_EQ(between_table[Sq("h1")][Sq("h2")], Squares({"h1"}));
  EXPECT_EQ(direction_table[Sq("e1")][Sq("e8")], 8);
  EXPECT_EQ(direction_table[Sq("h8")][Sq("a1")], -9);
  EXPECT_EQ(direction_table[Sq("a1")][Sq("b3")], 0);
  EXPECT_EQ(direction_table[Sq("h1")][Sq("a8")], 7);
  EXPECT_EQ(direction_table[Sq("a4")][Sq("h4")], 1);
  EXPECT_EQ(direction_table[Sq("c3")][Sq("c3")], 0);
  EXPECT_EQ(RayMask(9, Sq("e4")), Squares({"f5", "g6", "h7"}));
  EXPECT_EQ(RayMask(-1, Sq("c2")), Squares({"b2", "a2"}));
  EXPECT_EQ(RayMask(-7, Sq("a8")), Squares({"b7", "c6", "d5", "e4", "f3", "g2", "h1"}));
  EXPECT_EQ(RayMask(8, Sq("d8")), 0u);
}

TEST(StepTables, KnightKingPawnAndDistances) {
  InitBoardForTests();
  EXPECT_EQ(knight_attacks[Sq("a1")], Squares({"b3", "c2"}));
  EXPECT_EQ(knight_attacks[Sq("h8")], Squares({"g6", "f7"}));
  EXPECT_EQ(king_attacks[Sq("a1")], Squares({"a2", "b1", "b2"}));
  EXPECT_EQ(pawn_attacks[WHITE][Sq("a2")], Squares({"b3"}));
  EXPECT_EQ(pawn_attacks[BLACK][Sq("e5")], Squares({"d4", "f4"}));
  EXPECT_EQ(pawn_attacks[WHITE][Sq("e8")], 0u);
  EXPECT_EQ(pawn_attacks[BLACK][Sq("e1")], 0u);
  EXPECT_EQ(knight_distance[Sq("a1")][Sq("h8")], 6u);
  EXPECT_EQ(knight_distance[Sq("a1")][Sq("b3")], 1u);
  EXPECT_EQ(knight_distance[Sq("a1")][Sq("b2")], 4u);
  EXPECT_EQ(knight_distance[Sq("e4")][Sq("e4")], 0u);
  for (int a = 0; a < 64; a++)
    for (int b = 0; b < 64; b++) ASSERT_EQ(knight_distance[a][b], knight_distance[b][a]);
  EXPECT_EQ(passed_span[WHITE][Sq("e6")], Squares({"d7", "e7", "f7", "d8", "e8", "f8"}));
  EXPECT_EQ(passed_span[BLACK][Sq("a2")], Squares({"a1", "b1"}));
}

TEST(EvaluationMasks, ValuesOfTheirDefinitions) {
  InitBoardForTests();
  EXPECT_EQ(bit_count8[0xB5], 5);
  EXPECT_EQ(first_bit8[0], 8);
  EXPECT_EQ(last_bit8[0], 8);
  EXPECT_EQ(first_bit8[0x28], 3);
  EXPECT_EQ(last_bit8[0x28], 5);
  EXPECT_EQ(bit_count16[0xFFFF], 16);
  EXPECT_EQ(not_file_mask[0], ~0x0101010101010101ULL);
  EXPECT_EQ(adjacent_files_mask[Sq("a5")], 0x0202020202020202ULL);
  EXPECT_EQ(adjacent_files_mask[Sq("d5")], 0x1414141414141414ULL);
  EXPECT_EQ(ranks_above[Sq("c7")], 0xFF00000000000000ULL);
  EXPECT_EQ(ranks_above[Sq("c8")], 0u);
  EXPECT_EQ(ranks_below[Sq("c2")], 0xFFULL);
  EXPECT_EQ(ranks_below[Sq("c1")], 0u);
  EXPECT_EQ(file_ahead_mask[WHITE][Sq("g6")], Squares({"g7", "g8"}));
  EXPECT_EQ(file_ahead_mask[BLACK][Sq("g3")], Squares({"g2", "g1"}));
  EXPECT_EQ(king_front_mask[WHITE][Sq("a1")], Squares({"a2", "b2"}));
  EXPECT_EQ(king_front_mask[BLACK][Sq("e8")], Squares({"d7", "e7", "f7"}));
  EXPECT_EQ(king_front_mask[WHITE][Sq("e8")], 0u);
  EXPECT_TRUE(dark_squares & SquareBit(Sq("a1")));
  EXPECT_TRUE(light_squares & SquareBit(Sq("h1")));
  EXPECT_EQ(dark_squares | light_squares, ~0ULL);
  EXPECT_EQ(dark_squares & light_squares, 0u);

  EXPECT_EQ(corner_masks[0][0], Squares({"a2"}));
  EXPECT_EQ(corner_masks[0][2], Squares({"a1", "b1", "a2"}));
  EXPECT_EQ(corner_masks[1][2], Squares({"g1", "h1", "h2"}));
  EXPECT_EQ(corner_masks[2][1], Squares({"a7", "a8"}));
  EXPECT_EQ(corner_masks[3][2], Squares({"h7", "g8", "h8"}));

  auto mirrored = [](std::initializer_list<const char*> names) {
    uint64_t set = 0;
    for (const char* name : names) set |= SquareBit(63 - Sq(name));
    return set;
  };
  EXPECT_EQ(edge_opposition_mask[Sq("b1")], mirrored({"b3"}));
  EXPECT_EQ(edge_opposition_mask[Sq("h4")], mirrored({"f4"}));
  EXPECT_EQ(edge_opposition_mask[Sq("e8")], mirrored({"e6"}));
  EXPECT_EQ(edge_opposition_mask[Sq("a2")], mirrored({"c2"}));
  EXPECT_EQ(edge_opposition_mask[Sq("a1")], mirrored({"a3", "b3", "c2", "c1"}));
  EXPECT_EQ(edge_opposition_mask[Sq("h1")], mirrored({"h3", "g3", "f2", "f1"}));
  EXPECT_EQ(edge_opposition_mask[Sq("a8")], mirrored({"a6", "b6", "c7", "c8"}));
  EXPECT_EQ(edge_opposition_mask[Sq("h8")], mirrored({"h6", "g6", "f7", "f8"}));
  EXPECT_EQ(edge_opposition_mask[Sq("d4")], 0u);

  EXPECT_EQ(case_fold_table['A'], 'a');
  EXPECT_EQ(case_fold_table['Z'], 'z');
  EXPECT_EQ(case_fold_table['a'], 'a');
  EXPECT_EQ(case_fold_table['@'], '@');
  EXPECT_EQ(case_fold_table[0xC4], 0xC4);
}

TEST(EvaluationMasks, PawnSquares) {
  InitBoardForTests();
  // The king squares within a distance of the pawn's promotion square.
  auto within = [](int pawn, int d, bool white) {
    uint64_t set = 0;
    for (int k = 0; k < 64; k++) {
      int df = abs((k & 7) - (pawn & 7)), dr = white ? 7 - (k >> 3) : (k >> 3);
      if (std::max(df, dr) <= d) set |= SquareBit(k);
    }
    return set;
  };
  EXPECT_EQ(pawn_square_white[0][Sq("e2")], within(Sq("e2"), 5, true));
  EXPECT_EQ(pawn_square_white[1][Sq("e2")], within(Sq("e2"), 6, true));
  EXPECT_EQ(pawn_square_white[0][Sq("e3")], within(Sq("e3"), 5, true));
  EXPECT_EQ(pawn_square_white[0][Sq("b6")], within(Sq("b6"), 2, true));
  EXPECT_EQ(pawn_square_black[0][Sq("e7")], within(Sq("e7"), 6, false));
  EXPECT_EQ(pawn_square_black[1][Sq("e7")], within(Sq("e7"), 5, false));
  EXPECT_EQ(pawn_square_black[1][Sq("c3")], within(Sq("c3"), 2, false));
  EXPECT_EQ(pawn_square_white[0][Sq("e1")], 0u);
  EXPECT_EQ(pawn_square_black[0][Sq("e8")], 0u);
}

TEST(BitUtilities, HighestBitAndCounts) {
  EXPECT_EQ(FindHighestBit(1), 0);
  EXPECT_EQ(FindHighestBit(0x8000000000000001ULL), 63);
  EXPECT_EQ(CountBits(0), 0);
  EXPECT_EQ(CountBits(0xF0F0F0F0F0F0F0F0ULL), 32);
  EXPECT_EQ(TopBitMask(), SquareBit(63));
  uint64_t set = Squares({"c1", "e4", "h8"});
  EXPECT_EQ(PopLowestBit(&set), Sq("c1"));
  EXPECT_EQ(PopLowestBit(&set), Sq("e4"));
  EXPECT_EQ(set, SquareBit(63));
}

TEST(ConstantTables, CastleMaskAndCastlingWords) {
  const std::pair<const char*, int> masks[] = {{"a1", 253}, {"e1", 252}, {"h1", 254}, {"a8", 247},
                                               {"e8", 243}, {"h8", 251}, {"d4", 255}, {"b1", 255}};
  for (auto [name, value] : masks) EXPECT_EQ(castle_mask[Sq(name)], value) << name;
  EXPECT_EQ(WHITE_SHORT_CASTLING, MakeMoveWord(E1, G1, KING));
  EXPECT_EQ(WHITE_LONG_CASTLING, MakeMoveWord(E1, C1, KING));
  EXPECT_EQ(BLACK_SHORT_CASTLING, MakeMoveWord(E8, G8, KING));
  EXPECT_EQ(BLACK_LONG_CASTLING, MakeMoveWord(E8, C8, KING));
  EXPECT_EQ(WHITE_SHORT_CASTLING, 4484u);
  EXPECT_EQ(WHITE_LONG_CASTLING, 4228u);
  EXPECT_EQ(BLACK_SHORT_CASTLING, 8124u);
  EXPECT_EQ(BLACK_LONG_CASTLING, 7868u);
}

}  // namespace
