#include "search/transposition.h"

uint16_t search_id;
