// tests/tb_index_reference.h: a slow, plainly written index of every table,
// straight from the rules and with tables of its own (ranks by walking the
// squares, offsets by summing the placements of the lower king pairs), for
// comparing the engine's index functions with. Tests only.
#pragma once

#include <cstdint>
#include <string>

// The index of the position (lists as for the engine's functions) in the
// table of the signature with side to move 0 (white) or 1 (black);
// UINT64_MAX for a position the rules give no index.
uint64_t ReferenceIndex(const std::string& signature, int side, const int32_t* white, const int32_t* black, int32_t ep,
                        int32_t invert);

// The index space of the table side: the normal region (total of the
// numbered group times the closed radix) plus the en-passant region.
uint64_t ReferenceIndexSpace(const std::string& signature, int side);
