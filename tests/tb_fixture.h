// A test's own folder for table files, and a registry and cache that are
// emptied again after the test.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "tablebases/index.h"

struct TbFolderTest : testing::Test {
  std::string folder;
  // Index functions a test put into the registry, restored afterwards.
  TbIndexFunction saved_functions[TB_TABLE_ROWS][2];
  void SetUp() override;
  void TearDown() override;
  // Registers the test folder and gives the cache this many bytes.
  int RegisterWithCache(int cache_bytes);
};
