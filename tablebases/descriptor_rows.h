// tablebases/descriptor_rows.h: the constant part of each table's row (its
// signature, flags and entry counts), from which tb_descriptors is built.
#pragma once

#include <cstdint>

#include "tablebases/registry.h"

struct TbDescriptorRow {
  const char* signature;
  int32_t flags;
  int64_t entries_white;
  int64_t entries_black;
};

extern const TbDescriptorRow tb_descriptor_rows[TB_TABLE_ROWS];
