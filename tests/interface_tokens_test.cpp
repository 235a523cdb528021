// The tokenizer and the keyword rule.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "interface/tokens.h"
#include "test_util.h"

namespace {

TEST(MatchKeyword, Table) {
  InitBoardForTests();  // case_fold_table
  struct Case {
    const char* keyword;
    const char* text;
    int expected;
  } cases[] = {
      {"new", "NEW", 1},
      {"new", "  n", 1},
      {"new", "N", 1},
      {"new", "newgame", 1},
      {"new", "new  ", 1},
      {"new", "", 0},
      {"new", "   ", 0},
      {"new", "ne w", 0},
      {"new", "x", 0},
      {"q", "quit", 1},
      {"q", "Q", 1},
      {"quit", "q", 1},
      {"stop", "st 30", 0},
      {"stop", "st", 1},
      {"st", "stop", 1},
      {"edit", "e2e4", 0},
      {"bkm", "bk", 1},
      {"false", "f", 1},
      {"uci", "ucinewgame", 1},
      {"ucinewgame", "uci", 1},
      {"  new", "new", 1},
      {"EDIT", "edit", 1},
      {"go", "\tgo", 0},
      {"", "go", 0},
      {"   ", "go", 0},
      {"go", "gO depth 5", 1},
      {"[", "{", 0},
  };
  for (const Case& c : cases)
    EXPECT_EQ(MatchKeyword(c.keyword, c.text), c.expected)
        << "keyword \"" << c.keyword << "\" text \"" << c.text << "\"";
}

struct SplitCase {
  const char* line;
  const char* separators;
  std::vector<std::string> tokens;
  std::vector<int> offsets;
};

TEST(SplitTokens, Table) {
  const SplitCase cases[] = {
      {"", " ", {""}, {0}},
      {"    ", " ", {""}, {4}},
      {"  go  depth   5", " ", {"go", "depth", "5"}, {2, 6, 14}},
      {"go ", " ", {"go", ""}, {0, 3}},
      {"go", " ", {"go"}, {0}},
      {"level 40 5:30 0", LEVEL_SEPARATORS, {"level", "40", "5", "30", "0"}, {0, 6, 9, 11, 14}},
      {"level 40 5:30 0", COMMAND_SEPARATORS, {"level", "40", "5:30", "0"}, {0, 6, 9, 14}},
      {"Hash = 64\r\n", INI_SEPARATORS, {"Hash", "64", ""}, {0, 7, 11}},
      {"EGTBPath=\"c:\\tb dir\"", INI_SEPARATORS, {"EGTBPath", "c:\\tb", "dir", ""}, {0, 10, 16, 20}},
  };
  // A wide split first, so that emptied slots and rewritten offsets show.
  std::string wide;
  for (int i = 0; i < 100; i++) wide += "abcdefgh ";
  for (const SplitCase& c : cases) {
    SplitTokens(wide.c_str(), " ");
    const int count = SplitTokens(c.line, c.separators);
    ASSERT_EQ(count, int(c.tokens.size())) << "line \"" << c.line << "\"";
    for (int i = 0; i < count; i++) {
      EXPECT_EQ(tokens[i], c.tokens[i]) << "line \"" << c.line << "\" token " << i;
      EXPECT_EQ(token_offsets[i], c.offsets[i]) << "line \"" << c.line << "\" token " << i;
    }
    for (int i = count; i < TOKEN_SLOTS; i++) ASSERT_STREQ(tokens[i], "") << "slot " << i;
  }
}

TEST(SplitTokens, NoMoreThanAllSlots) {
  struct Case {
    int words;
    bool trailing_blank;
    int count;
    const char* last;
  } cases[] = {
      {TOKEN_SLOTS - 1, true, TOKEN_SLOTS, ""},
      {TOKEN_SLOTS, false, TOKEN_SLOTS, "w"},
      {TOKEN_SLOTS, true, TOKEN_SLOTS, "w"},
      {TOKEN_SLOTS + 1000, false, TOKEN_SLOTS, "w"},
  };
  for (const Case& c : cases) {
    std::string line;
    for (int i = 0; i < c.words; i++) line += i ? " w" : "w";
    if (c.trailing_blank) line += ' ';
    EXPECT_EQ(SplitTokens(line.c_str(), " "), c.count) << c.words << " words";
    EXPECT_STREQ(tokens[TOKEN_SLOTS - 1], c.last) << c.words << " words";
    EXPECT_EQ(token_offsets[TOKEN_SLOTS - 2], 2 * (TOKEN_SLOTS - 2));
  }
}

TEST(SplitTokens, LongTokensAreCutToTheirSlots) {
  std::string line(600, 'a');
  for (int i = 1; i < LONG_TOKEN_SLOTS; i++) line += " b";
  const int short_start = int(line.size()) + 1;
  line += " " + std::string(20, 'c') + " e2e4";
  ASSERT_EQ(SplitTokens(line.c_str(), " "), LONG_TOKEN_SLOTS + 2);
  EXPECT_EQ(tokens[0], std::string(LONG_TOKEN_SIZE - 1, 'a'));
  EXPECT_STREQ(tokens[1], "b");
  EXPECT_EQ(token_offsets[1], 601);
  EXPECT_EQ(tokens[LONG_TOKEN_SLOTS], std::string(SHORT_TOKEN_SIZE - 1, 'c'));
  EXPECT_EQ(token_offsets[LONG_TOKEN_SLOTS], short_start);
  EXPECT_STREQ(tokens[LONG_TOKEN_SLOTS + 1], "e2e4");
  EXPECT_EQ(token_offsets[LONG_TOKEN_SLOTS + 1], short_start + 21);
}

}  // namespace
