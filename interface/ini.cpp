#include "interface/ini.h"

#include <cstdint>
#include <cstdio>
#include <cstring>

#include "book/book.h"
#include "eval/pawns.h"
#include "interface/options.h"
#include "interface/tokens.h"
#include "platform/files.h"

namespace {

// Characters of one line as read; a longer line is read in pieces of this
// size, each taken as a line of its own.
constexpr int INI_LINE_LIMIT = 249;

void Warn(int line, const char* what) {
  std::printf("Dravelnor.ini(%d) WARNING: %s\n", line, what);
  std::fflush(stdout);
}

void WarnToken(int line, const char* token) {
  std::printf("Dravelnor.ini(%d) WARNING: Token unknown \"%s\"\n", line, token);
  std::fflush(stdout);
}

// 1 for on/true, 0 for off/false, -1 (with the warning) for anything else.
int ReadBoolean(int line, const char* token) {
  if (MatchKeyword("on", token) || MatchKeyword("true", token)) return 1;
  if (MatchKeyword("off", token) || MatchKeyword("false", token)) return 0;
  WarnToken(line, token);
  return -1;
}

void SetBoolean(int line, const char* token, int32_t* setting) {
  const int value = ReadBoolean(line, token);
  if (value >= 0) *setting = value;
}

// Sets *target from a number in [low, high] by convert; otherwise warns and
// sets the fallback.
template <typename T, typename Convert>
void SetSize(int line, int32_t value, int32_t low, int32_t high, T* target, T fallback, const char* warning,
             Convert convert) {
  if (value >= low && value <= high) {
    *target = T(convert(int64_t(value)));
  } else {
    Warn(line, warning);
    *target = fallback;
  }
}

// Clamps a percentage to [0, high] with the warning naming the bound taken.
void SetClamped(int line, int32_t value, int32_t high, const char* name, int32_t* setting, int32_t* half) {
  if (value < 0 || value > high) {
    value = value < 0 ? 0 : high;
    char text[80];
    std::snprintf(text, sizeof text, "Incorrect %s setting; set to %d", name, value);
    Warn(line, text);
  }
  *setting = value;
  if (half) *half = value / 2;
}

const char kHashWarning[] = "Incorrect hash size setting in Dravelnor.ini; set to default";
const char kPawnWarning[] = "Incorrect pawn hash size setting in Dravelnor.ini; set to default";
const char kCacheWarning[] = "Incorrect EGTB cache size setting in Dravelnor.ini; set to default";

// Keys in the order they are tested: a longer key comes before a shorter one
// that begins it.
enum Key {
  TRANSPOSITION_SIZE_MB,
  TRANSPOSITION_SIZE,
  RESIGN_VALUE,
  RESIGN_TIMES,
  PAWN_HASH_SIZE_MB,
  PAWN_HASH_SIZE,
  EGTB_HASH_SIZE_MB,
  EGTB_CACHE_SIZE_MB,
  EGTB_HASH_SIZE,
  EGTB_CACHE_SIZE,
  AGGRESSIVITY,
  COWARDICE,
  VARIETY_OF_PLAY,
  BOOK_LEARNING_BOUND,
  LEARNING,
  USE_BOOK_LEARNING,
  PONDERING,
  USE_EGTB,
  EGTB_PATH,
  OPENINGS_BOOK,
  BOOK_LEARNING_MODE,
  USE_LEARNING_DATA,
  USE_BOOK_WEIGHTS,
  LOG_LEARNING_INTO_FILE,
  KEY_COUNT
};
const char* const kKeys[KEY_COUNT] = {
    "TranspositionSizeMb", "TranspositionSize", "ResignValue",     "ResignTimes",        "PawnHashSizeMb",
    "PawnHashSize",        "EGTBHashSizeMb",    "EGTBCacheSizeMb", "EGTBHashSize",       "EGTBCacheSize",
    "Aggressivity",        "Cowardice",         "VarietyOfPlay",   "BookLearningBound",  "Learning",
    "UseBookLearning",     "Pondering",         "UseEGTB",         "EGTBPath",           "OpeningsBook",
    "BookLearningMode",    "UseLearningData",   "UseBookWeights",  "LogLearningIntoFile"};

void HandleLine(int line_number, char* line) {
  // The line ends at its first control or non-ASCII byte (tab, CR, LF, a
  // high-bit byte).
  for (char* p = line; *p; p++) {
    const uint8_t c = uint8_t(*p);
    if (c < 32 || c > 127) {
      *p = '\0';
      break;
    }
  }
  if (line[0] == ';' || line[0] == '\0') return;
  if (SplitTokens(line, INI_SEPARATORS) < 2) return;

  int key = 0;
  while (key < KEY_COUNT && !MatchKeyword(kKeys[key], line)) key++;
  if (key == KEY_COUNT) return;

  const char* value = tokens[1];
  const int32_t number = ReadDecimal(value);
  const int n = line_number;
  switch (key) {
    case TRANSPOSITION_SIZE_MB:
      SetSize(n, number, 0, 1024, &tt_entries, 524288u, kHashWarning, [](int64_t v) { return v * 1048576 / 20; });
      break;
    case TRANSPOSITION_SIZE:
      SetSize(n, number, 0, 25, &tt_entries, 524288u, kHashWarning, [](int64_t v) { return int64_t(1) << v; });
      break;
    // Any value, but one whose negation exists: the resign test compares
    // with -resign_value.
    case RESIGN_VALUE:
      resign_value = number < -INT32_MAX ? -INT32_MAX : number;
      break;
    case RESIGN_TIMES:
      resign_times = number;
      break;
    case PAWN_HASH_SIZE_MB:
      SetSize(n, number, 0, 1024, &pawn_hash_entries, 262144u, kPawnWarning,
              [](int64_t v) { return v * 1048576 / PAWN_HASH_ENTRY_SIZE; });
      break;
    case PAWN_HASH_SIZE:
      SetSize(n, number, 12, 23, &pawn_hash_entries, 262144u, kPawnWarning, [](int64_t v) { return int64_t(1) << v; });
      break;
    case EGTB_HASH_SIZE_MB:
    case EGTB_CACHE_SIZE_MB:
      SetSize(n, number, 1, 128, &tb_cache_size, 1048576, kCacheWarning, [](int64_t v) { return v * 1048576; });
      break;
    case EGTB_HASH_SIZE:
    case EGTB_CACHE_SIZE:
      SetSize(n, number, 20, 27, &tb_cache_size, 1048576, kCacheWarning, [](int64_t v) { return int64_t(1) << v; });
      break;
    case AGGRESSIVITY:
      SetClamped(n, number, 300, "AGGRESSIVITY", &aggressivity, &aggressivity_half);
      break;
    case COWARDICE:
      SetClamped(n, number, 300, "COWARDICE", &cowardice, &cowardice_half);
      break;
    case VARIETY_OF_PLAY:
      SetClamped(n, number, 100, "VarietyOfPlay", &variety_of_play, nullptr);
      break;
    case BOOK_LEARNING_BOUND:
      book_learning_bound = number;
      break;
    case LEARNING:
      SetBoolean(n, value, &use_learning);
      break;
    case USE_BOOK_LEARNING:
      SetBoolean(n, value, &use_book_learning);
      break;
    case PONDERING: {
      const int on = ReadBoolean(n, value);
      if (on >= 0) pondering_allowed = on;
      if (on == 0) ponder_on = 0;
      break;
    }
    case USE_EGTB:
      SetBoolean(n, value, &use_egtb);
      break;
    case EGTB_PATH:
    case OPENINGS_BOOK: {
      // The rest of the line from the value on, blanks and quotes kept. A
      // key with no value leaves the path and the open book as they are.
      if (value[0] == '\0') break;
      const char* rest = line + token_offsets[1];
      if (key == EGTB_PATH)
        CopyPathString(rest);
      else
        OpenOpeningBook(rest);
      break;
    }
    case BOOK_LEARNING_MODE:
      if (MatchKeyword("discover", value))
        book_learning_mode = 1;
      else if (MatchKeyword("kill", value))
        book_learning_mode = 0;
      else
        WarnToken(n, value);
      break;
    case USE_LEARNING_DATA:
      SetBoolean(n, value, &use_learning_data);
      break;
    case USE_BOOK_WEIGHTS:
      SetBoolean(n, value, &use_book_weights);
      break;
    case LOG_LEARNING_INTO_FILE:
      SetBoolean(n, value, &log_learning_into_file);
      break;
  }
}

}  // namespace

void ReadIniFile(const char* file_name) {
  // Only a regular file: a FIFO would hold the start up, a device would
  // never end.
  FILE* file = OpenRegularFile(file_name, "r");
  if (!file) {
    if (KindOfFile(file_name) == FILE_OTHER) {
      std::printf("%s WARNING: not a regular file; skipped, the defaults stand\n", file_name);
      std::fflush(stdout);
    }
    return;
  }
  char line[INI_LINE_LIMIT + 1];
  int line_number = 0;
  bool previous_cut = false;  // the last piece filled the limit without a line end
  for (;;) {
    int length = 0, c = EOF;
    while (length < INI_LINE_LIMIT && (c = std::getc(file)) != EOF) {
      line[length++] = char(c);
      if (c == '\n') break;
    }
    if (length == 0) break;
    line[length] = '\0';
    // A line of exactly the limit leaves its line end as a piece of its own:
    // that is the end of the line before, not an empty line after it.
    const bool only_line_end = std::strcmp(line, "\n") == 0 || std::strcmp(line, "\r\n") == 0;
    const bool cut = length == INI_LINE_LIMIT && line[length - 1] != '\n';
    if (!(only_line_end && previous_cut)) HandleLine(++line_number, line);
    previous_cut = cut;
  }
  std::fclose(file);
}
