// The 880 index functions: each is the one scheme of index_scheme.h run by
// the plan of its table's signature and side to move.
#include "tablebases/index.h"

#include "tablebases/index_scheme.h"

namespace {

#define TB_PLANS(id, signature, Name, entries_white, entries_black)                               \
  inline constexpr tb_scheme::IndexPlan plan_##Name##_white = tb_scheme::MakePlan(#signature, 0); \
  inline constexpr tb_scheme::IndexPlan plan_##Name##_black = tb_scheme::MakePlan(#signature, 1);
TB_INDEX_TABLE_LIST(TB_PLANS)
#undef TB_PLANS

}  // namespace

#define TB_FUNCTIONS(id, signature, Name, entries_white, entries_black)                                 \
  uint64_t Index##Name##White(const int32_t* white, const int32_t* black, int32_t ep, int32_t invert) { \
    return tb_scheme::ComputeIndex<plan_##Name##_white>(white, black, ep, invert);                      \
  }                                                                                                     \
  uint64_t Index##Name##Black(const int32_t* white, const int32_t* black, int32_t ep, int32_t invert) { \
    if constexpr (plan_##Name##_black.forward)                                                          \
      return Index##Name##White(black, white, ep, invert ^ 1);                                          \
    else                                                                                                \
      return tb_scheme::ComputeIndex<plan_##Name##_black>(white, black, ep, invert);                    \
  }
TB_INDEX_TABLE_LIST(TB_FUNCTIONS)
#undef TB_FUNCTIONS

#define TB_FUNCTION_ROW(id, signature, Name, entries_white, entries_black) {Index##Name##White, Index##Name##Black},
const TbIndexFunction tb_index_functions[TB_TABLE_ROWS][2] = {{nullptr, nullptr}, TB_INDEX_TABLE_LIST(TB_FUNCTION_ROW)};
#undef TB_FUNCTION_ROW

#define TB_ENTRIES_ROW(id, signature, Name, entries_white, entries_black) {entries_white, entries_black},
const uint64_t tb_index_entries[TB_TABLE_ROWS][2] = {{0, 0}, TB_INDEX_TABLE_LIST(TB_ENTRIES_ROW)};
#undef TB_ENTRIES_ROW

#define TB_SIGNATURE_ROW(id, signature, Name, entries_white, entries_black) #signature,
const char* const tb_index_signatures[TB_TABLE_ROWS] = {"", TB_INDEX_TABLE_LIST(TB_SIGNATURE_ROW)};
#undef TB_SIGNATURE_ROW
