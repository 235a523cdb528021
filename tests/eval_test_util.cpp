// Set-up shared by the evaluation tests.
#include <gtest/gtest.h>

#include <cctype>
#include <sstream>

#include "eval/bitbases.h"
#include "eval/params.h"
#include "eval/pst.h"
#include "search/tables.h"
#include "search/transposition.h"
#include "test_util.h"

std::string DataPath(const char* name) { return std::string(DRAVELNOR_DATA_DIR) + "/" + name; }

void InitEvalForTests() {
  static bool ready = false;
  InitBoardForTests();
  if (!ready) {
    BuildPieceSquareTables();
    InitKnightCatchMasks();
    ASSERT_EQ(LoadEvaluationParametersFrom(DataPath("values.txt").c_str()), VALUES_FILE_COUNT);
    ASSERT_TRUE(AllocatePawnHash());
    ASSERT_TRUE(AllocateEvalCache());
    ready = true;
  }
  NewGame();
  move_list_end = 0;
}

void InitSearchForTests() {
  static bool allocated = false;
  InitEvalForTests();
  if (!allocated) {
    ASSERT_TRUE(AllocateTranspositionTable());
    allocated = true;
  }
  ClearSearchTables();
}

std::string FlipFen(const std::string& fen) {
  std::istringstream in(fen);
  std::string placement, side, castling, ep, rest;
  in >> placement >> side >> castling >> ep;
  std::getline(in, rest);
  std::vector<std::string> ranks;
  std::string rank;
  for (char c : placement + "/") {
    if (c == '/') {
      ranks.push_back(rank);
      rank.clear();
    } else {
      rank += char(isupper(c) ? tolower(c) : islower(c) ? toupper(c) : c);
    }
  }
  std::string flipped;
  for (size_t i = ranks.size(); i-- > 0;) flipped += ranks[i] + (i ? "/" : "");
  std::string rights;
  for (char c : std::string("KQkq")) {
    const char other = char(isupper(c) ? tolower(c) : toupper(c));
    if (castling.find(other) != std::string::npos) rights += c;
  }
  if (rights.empty()) rights.push_back('-');
  if (ep != "-" && ep.size() == 2) ep[1] = char('1' + ('8' - ep[1]));
  std::string result = flipped;
  result += side == "w" ? " b " : " w ";
  result += rights;
  result += ' ';
  result += ep;
  result += rest;
  return result;
}
