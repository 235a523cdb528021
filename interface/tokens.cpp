#include "interface/tokens.h"

#include <cstring>

#include "board/tables.h"
#include "interface/options.h"

namespace {

// Static storage: nothing to allocate at start-up, so nothing can fail.
char long_token_buffers[LONG_TOKEN_SLOTS][LONG_TOKEN_SIZE];
char short_token_buffers[TOKEN_SLOTS - LONG_TOKEN_SLOTS][SHORT_TOKEN_SIZE];

constexpr std::array<char*, TOKEN_SLOTS> TokenBufferTable() {
  std::array<char*, TOKEN_SLOTS> table{};
  for (int slot = 0; slot < TOKEN_SLOTS; slot++)
    table[slot] = slot < LONG_TOKEN_SLOTS ? long_token_buffers[slot] : short_token_buffers[slot - LONG_TOKEN_SLOTS];
  return table;
}

}  // namespace

constinit std::array<char*, TOKEN_SLOTS> tokens = TokenBufferTable();
int32_t token_offsets[TOKEN_SLOTS];

int SplitTokens(const char* line, const char* separators) {
  for (char* token : tokens) token[0] = '\0';
  int slot = 0;
  int length = 0;  // characters of the current token, kept or not
  int position = 0;
  for (; line[position] != '\0'; position++) {
    const char c = line[position];
    if (!std::strchr(separators, c)) {
      if (length == 0) token_offsets[slot] = position;
      if (length < TokenSize(slot) - 1) tokens[slot][length] = c;
      length++;
    } else if (length > 0) {
      tokens[slot][length < TokenSize(slot) ? length : TokenSize(slot) - 1] = '\0';
      if (slot == TOKEN_SLOTS - 1) return TOKEN_SLOTS;
      slot++;
      length = 0;
    }
  }
  if (length == 0) {
    // An empty last token: an offset from an older split would point
    // behind this line's end.
    token_offsets[slot] = position;
  } else {
    tokens[slot][length < TokenSize(slot) ? length : TokenSize(slot) - 1] = '\0';
  }
  return slot + 1;
}

int MatchKeyword(const char* keyword, const char* text) {
  while (*keyword == ' ') keyword++;
  while (*text == ' ') text++;
  if (*keyword == '\0' || *text == '\0') return 0;
  for (; *keyword != '\0' && *text != '\0'; keyword++, text++) {
    if (case_fold_table[uint8_t(*keyword)] != case_fold_table[uint8_t(*text)]) return 0;
  }
  return 1;
}

int CopyPathString(const char* text) {
  const size_t length = std::strlen(text);
  if (length >= TB_PATH_SIZE) return 0;
  std::memcpy(tb_path, text, length + 1);
  return 1;
}

const char* RestOfLine(const char* line, int slot) {
  if (slot >= TOKEN_SLOTS || tokens[slot][0] == '\0') return "";
  const size_t length = std::strlen(line);
  if (size_t(token_offsets[slot]) >= length) return "";
  return line + token_offsets[slot];
}

int32_t ReadDecimal(const char* text) {
  while (*text == ' ' || *text == '\t') text++;
  bool negative = false;
  if (*text == '+' || *text == '-') negative = *text++ == '-';
  int64_t value = 0;
  for (; *text >= '0' && *text <= '9'; text++) {
    value = value * 10 + (*text - '0');
    if (value > int64_t(INT32_MAX) + 1) value = int64_t(INT32_MAX) + 1;
  }
  if (negative) value = -value;
  if (value > INT32_MAX) value = INT32_MAX;
  return int32_t(value);
}

int BeginsWithWord(const char* word, const char* line) {
  while (*line == ' ') line++;
  for (; *word; word++, line++)
    if (case_fold_table[uint8_t(*line)] != uint8_t(*word)) return 0;
  return 1;
}
