// search/root.h: the root-search state that the evaluation reads (root_side,
// the lazy window). The evaluation sits below the search, so the declarations
// live in eval/evaluate.h; the definitions and every write are the root
// search's (search/root.cpp).
#pragma once

#include "eval/evaluate.h"
