// tests/tb_positions.h: positions of a table's material for the index tests:
// the men of a signature in SquareList slots, a legality check written
// square by square, random legal positions, the board's symmetries and a key
// naming a position's symmetry class. Reads the signature list only.
#pragma once

#include <cstdint>
#include <random>
#include <string>
#include <vector>

struct TbMan {
  int colour;  // 0 white, 1 black
  int piece;   // 0 pawn, 1 knight, 2 bishop, 3 rook, 4 queen, 5 king
  int slot;    // slot in the colour's SquareList
};

struct TbPosition {
  int32_t lists[2][16];
  int32_t ep = 127;  // square passed over by the last double step, or 127
};

// The men of a signature, kings last: white's men, black's men.
std::vector<TbMan> MenOfSignature(const std::string& signature);
int RowOfSignature(const std::string& signature);

// Legal for the side to move: distinct squares, pawns on ranks 2 to 7,
// kings apart, the side not to move not in check, and an en-passant square
// only behind a pawn of the side not to move that has just stepped twice,
// with a pawn of the side to move beside it.
bool IsLegalPosition(const std::vector<TbMan>& men, const TbPosition& position, int side);

// Random legal position (en passant set with the given chance when
// possible); false when none was found in many tries.
bool RandomLegalPosition(const std::vector<TbMan>& men, int side, std::mt19937_64& random, double ep_chance,
                         TbPosition* position);

// The position with every square (and the en-passant square) mapped by
// symmetry t: bit 0 mirrors the files, bit 1 the ranks, bit 2 transposes.
TbPosition TransformPosition(const std::vector<TbMan>& men, const TbPosition& position, int t);
// Exchanged colours: lists swapped and the board turned over.
TbPosition ExchangeColours(const std::vector<TbMan>& men, const TbPosition& position);
// The same men with like men's slots rotated (their order in the list).
TbPosition PermuteLikeMen(const std::vector<TbMan>& men, const TbPosition& position, int step);

// A key equal for two positions exactly when a symmetry the table's index
// folds (files mirrored with a pawn, all eight without) maps one onto the
// other, like men in any slots.
std::string SymmetryClassKey(const std::vector<TbMan>& men, const TbPosition& position);

std::string DescribePosition(const std::vector<TbMan>& men, const TbPosition& position);
int SquareOf(const char* name);
