// search/transposition.h: the transposition table and its search stamp.
#pragma once

#include <cstdint>

// Incremented once per search; ages of table entries and capture statistics
// are compared with it as 16-bit values.
extern uint16_t search_id;

// The stamp stored beside capture statistics: the 16 bits read as signed, so
// that storing and comparing always use one representation.
inline int32_t SearchStamp() { return int16_t(search_id); }
