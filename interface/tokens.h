// interface/tokens.h: the one tokenizer and keyword rule for command lines,
// in-search commands and ini lines.
#pragma once

#include <array>
#include <cstdint>

#include "board/board.h"

// The first slots take long tokens (paths, FEN fields); the rest are moves
// and numbers, as many as the game history holds plies, so that the longest
// "position ... moves" line loses none.
constexpr int LONG_TOKEN_SLOTS = 64;
constexpr int TOKEN_SLOTS = LONG_TOKEN_SLOTS + MAX_GAME_PLIES;
constexpr int LONG_TOKEN_SIZE = 512;
constexpr int SHORT_TOKEN_SIZE = 16;
// Bytes of the slot's buffer, its NUL included.
constexpr int TokenSize(int slot) { return slot < LONG_TOKEN_SLOTS ? LONG_TOKEN_SIZE : SHORT_TOKEN_SIZE; }

// Separator sets: commands; a "level" line (minutes:seconds gives two
// tokens); ini lines.
inline constexpr char COMMAND_SEPARATORS[] = " ";
inline constexpr char LEVEL_SEPARATORS[] = " :";
inline constexpr char INI_SEPARATORS[] = " =\r\n,\"";

// Each slot points to its own NUL-terminated buffer of TokenSize(slot)
// bytes, for the whole run. Valid until the next split.
extern std::array<char*, TOKEN_SLOTS> tokens;
// Index in the split line of each token's first character; slots beyond
// the current split keep older values.
extern int32_t token_offsets[TOKEN_SLOTS];

// Splits line at runs of separator characters into tokens and returns the
// count (at least 1). Every slot is emptied first. A line that ends in
// separators has a last, empty token, counted, whose offset is the line's
// length. A token longer than its slot is cut to fit; after TOKEN_SLOTS
// tokens the rest of the line is ignored.
int SplitTokens(const char* line, const char* separators);
// 1 when text selects keyword: after leading blanks of both, they agree
// (ignoring case) until either ends, so text may abbreviate the keyword or
// run on past it. 0 when either is empty or blank.
int MatchKeyword(const char* keyword, const char* text);

// Copies a whole path text (blanks and quotes kept) into tb_path; a text too
// long for it is refused (0) and tb_path is left as it was.
int CopyPathString(const char* text);
// The rest of the line from token slot on, or "" when that token is empty
// (an empty last token's offset may be stale).
const char* RestOfLine(const char* line, int slot);
// The leading decimal number of the text as atoi reads it (leading blanks,
// a sign, digits; 0 without digits), saturated to the 32-bit range.
int32_t ReadDecimal(const char* text);
// A number held to [low, high], for values read from commands.
inline int32_t Clamp(int64_t value, int32_t low, int32_t high) {
  return value < low ? low : value > high ? high : int32_t(value);
}
// 1 when, after its leading blanks, line begins with the whole word (given
// in lower case), letters compared without regard to case.
int BeginsWithWord(const char* word, const char* line);
