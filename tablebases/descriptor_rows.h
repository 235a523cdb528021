// tablebases/descriptor_rows.h: the flags of each table's row, the one part
// of tb_descriptors the index functions' list does not hold.
#pragma once

#include <cstdint>

#include "tablebases/registry.h"

extern const int32_t tb_descriptor_flags[TB_TABLE_ROWS];
