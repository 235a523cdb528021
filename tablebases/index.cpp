#include "tablebases/index.h"

// No index function is built yet: every row answers "no function".
const TbIndexFunction tb_index_functions[TB_TABLE_ROWS][2] = {};

void InitEnumerationTables() {}
