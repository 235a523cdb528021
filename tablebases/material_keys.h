// tablebases/material_keys.h: the map from the men on the board (ten counts,
// white then black: pawns, knights, bishops, rooks, queens) to a table id,
// negative when the table is read with the colours exchanged.
#pragma once

#include <cstdint>

struct TbDescriptor;

void InitMaterialKeyTree();
// Counts the letters up to the first 'k' (an unknown letter counts as a
// pawn); returns a pointer to that 'k' or the terminating NUL.
const char* ParseSideMaterial(int32_t counts[5], const char* text);
void ParseTableSignature(int32_t counts[10], const char* signature);
// 1, or 0 when the counts hold more than four men.
int StoreTableId(int32_t id, const int32_t counts[10]);
int32_t LookupTableId(const int32_t counts[10]);
int RegisterMaterialSignature(const TbDescriptor* table);
