#include "tb_fixture.h"

#include <cstdlib>

#include "interface/options.h"
#include "tablebases/cache.h"
#include "tablebases/registry.h"
#include "tablebases/tablebases.h"
#include "test_util.h"

void TbFolderTest::SetUp() {
  folder = MakeTestFolder("tb");
  for (int id = 0; id < TB_TABLE_ROWS; id++)
    for (int side = 0; side < 2; side++) saved_functions[id][side] = tb_descriptors[id].index_function[side];
}

void TbFolderTest::TearDown() {
  FreeTablebaseCache();
  InitTablebases(nullptr);
  tb_cache_size = 1048576;
  tb_max_men = 0;
  for (int id = 0; id < TB_TABLE_ROWS; id++)
    for (int side = 0; side < 2; side++) tb_descriptors[id].index_function[side] = saved_functions[id][side];
  if (!folder.empty()) std::system(("rm -rf " + folder).c_str());
}

int TbFolderTest::RegisterWithCache(int cache_bytes) {
  const int men = InitTablebases(folder.c_str());
  tb_cache_size = cache_bytes;
  AllocateTablebaseCache();
  return men;
}
