#include "interface/pgn.h"

#include <cstdio>
#include <cstring>

#include "board/board.h"
#include "board/makemove.h"
#include "board/movegen.h"
#include "board/tables.h"
#include "interface/options.h"
#include "interface/startup.h"
#include "platform/clock.h"
#include "platform/files.h"
#include "search/driver.h"
#include "search/search.h"

char san_text[SAN_TEXT_SIZE];
int32_t pgn_game_result;
int32_t pgn_skip_game;
int32_t tuning_hits;

namespace {

constexpr int END_OF_FILE = -1;
constexpr int TAG_TEXT_SIZE = 32;
constexpr int SAN_TOKEN_LIMIT = SAN_TEXT_SIZE - 1;
// The hit test leaves the opening to the book and skips positions with
// promoted queens, which games rarely reach.
constexpr int HIT_TEST_FIRST_PLY = 12;
constexpr int HIT_TEST_DEPTH = 2;
constexpr int32_t HIT_TEST_TIME = 9999999;
constexpr int32_t HIT_TEST_POLL_INTERVAL = 50000;
constexpr int PROGRESS_GAMES = 100;
constexpr int SCAN_GAME_LIMIT = 10000;

// Set when the skipped move text held a game termination marker ("1-0",
// "0-1", "1/2-1/2", "*"): a game that ends at the end of the file after
// one is complete.
int termination_seen;

int ReadPgnChar(PgnStream* s) {
  if (s->pos >= s->data.size()) return END_OF_FILE;
  return uint8_t(s->data[s->pos++]);
}
void StepBack(PgnStream* s, size_t count) { s->pos = s->pos >= count ? s->pos - count : 0; }

int Fold(int c) { return case_fold_table[uint8_t(c)]; }

void ReportBadTag(const char* what, const char* text) {
  std::printf("\nBad tag (%s): %s...\n", what, text);
  std::fflush(stdout);
}

// Skips the rest of an over-long tag name: 0 at white space, 4 at "]".
int SkipTagName(PgnStream* s) {
  for (;;) {
    const int c = ReadPgnChar(s);
    if (c == END_OF_FILE) return 1;
    if (c == ']') return 4;
    if (c <= ' ') return 0;
  }
}

// Skips the blanks before a tag value: 4 when it meets "]".
int SkipTagSpace(PgnStream* s) {
  for (;;) {
    const int c = ReadPgnChar(s);
    if (c == END_OF_FILE) return 1;
    if (c == ']') return 4;
    if (c > ' ') {
      StepBack(s, 1);
      return 0;
    }
  }
}

// After a tag, also one that ended early: 2 when another tag follows, 3
// when the move text does (so that a bad tag never swallows the moves).
int EndTag(PgnStream* s) {
  if (SkipPgnSpace(s)) return 1;
  return PeekPgnChar(s) == '[' ? 2 : 3;
}

int SkipNested(PgnStream* s, int open, int close) {
  int depth = 0;
  do {
    const int c = ReadPgnChar(s);
    if (c == END_OF_FILE) return 1;
    if (c == open) depth++;
    if (c == close) depth--;
  } while (depth > 0);
  return 0;
}

// A NUL (strchr finds the terminator for it) ends a token like any other
// byte outside the set: a file padded with zeros after its last move.
bool IsSanChar(int c) {
  return (c >= 'a' && c <= 'h') || (c >= '0' && c <= '8') || (c != 0 && std::strchr("KQNBR=-O:x", c) != nullptr);
}

int PieceOfLetter(int c) {
  switch (c) {
    case 'K':
      return KING;
    case 'Q':
      return QUEEN;
    case 'R':
      return ROOK;
    case 'B':
      return BISHOP;
    case 'N':
      return KNIGHT;
    case 'P':
      return PAWN;
    default:
      return 0;
  }
}

void ReportUnrecognised(const char* token) {
  std::printf("\nCan't recognize: %s...\n", token);
  std::fflush(stdout);
  pgn_skip_game = 1;
}

// What a SAN token says of its move; 0 (or -1 for squares) where it says
// nothing.
struct SanMove {
  int piece = 0, promotion = 0;
  int from_file = -1, from_rank = -1, to_file = -1, to_rank = -1;
  bool capture = false;
};

bool Matches(const SanMove& san, Move move) {
  const int from = MoveFrom(move), to = MoveTo(move);
  if (san.from_file >= 0 && (from & 7) != san.from_file) return false;
  if (san.to_file >= 0 && (to & 7) != san.to_file) return false;
  if (san.to_rank >= 0 && (to >> 3) != san.to_rank) return false;
  if (san.from_rank >= 0 && (from >> 3) != san.from_rank) return false;
  if (san.piece && MovePiece(move) != san.piece) return false;
  if (san.promotion && MovePromotion(move) != san.promotion) return false;
  if (san.capture && !MoveCaptured(move)) {
    // En passant: a pawn capture onto an empty square.
    if (MovePiece(move) != PAWN || (from & 7) == (to & 7)) return false;
  }
  return true;
}

bool HasTwoQueens() { return thread_board.PieceCount[QUEEN][WHITE] >= 2 || thread_board.PieceCount[QUEEN][BLACK] >= 2; }

// Does a 2-ply silent search of the position choose the game's move?
void RunHitTest(Move move) {
  engine_side = int32_t(thread_board.SideToMove);
  search_start_time = ClockCentiseconds();
  stop_search = 0;
  ponder_reply = 0;
  new_game_pending = 0;
  nodes = 0;
  target_time = hard_time_limit = HIT_TEST_TIME;
  poll_interval = HIT_TEST_POLL_INTERVAL;
  multi_pv = 0;
  silent_search = 1;
  move_list_end = 0;
  SearchRoot(HIT_TEST_DEPTH, 0);
  silent_search = 0;
  if (move_list[0].move == move) tuning_hits++;
}

}  // namespace

int SkipToChar(PgnStream* s, int c) {
  for (;;) {
    const int read = ReadPgnChar(s);
    if (read == END_OF_FILE) return 1;
    if (read == c) return 0;
  }
}

int SkipToMoveText(PgnStream* s) {
  for (;;) {
    const int c = ReadPgnChar(s);
    if (c == END_OF_FILE) return 1;
    if (c == '1' || c == '[') return 0;
  }
}

int StartPgnGame(PgnStream* s) { return SkipToChar(s, '['); }

int PeekPgnChar(PgnStream* s) {
  const int c = ReadPgnChar(s);
  if (c != END_OF_FILE) StepBack(s, 1);
  return c;
}

int SkipPgnSpace(PgnStream* s) {
  for (;;) {
    const int c = ReadPgnChar(s);
    if (c == END_OF_FILE) return 1;
    if (c > ' ') {
      StepBack(s, 1);
      return 0;
    }
  }
}

int ReadPgnTag(PgnStream* s) {
  if (PeekPgnChar(s) == '[') ReadPgnChar(s);
  char name[TAG_TEXT_SIZE + 1] = {}, value[TAG_TEXT_SIZE + 1] = {};
  int length = 0;
  for (;;) {
    const int c = ReadPgnChar(s);
    if (c == END_OF_FILE) return 1;
    if (c == ' ') break;
    if (c == ']') {
      ReportBadTag("no value", name);
      return EndTag(s);
    }
    if (length == TAG_TEXT_SIZE) {
      // The tag is dropped whole, its value too.
      ReportBadTag("name too long", name);
      StepBack(s, 1);
      const int skipped = SkipTagName(s);
      if (skipped == 1 || (skipped == 0 && SkipToChar(s, ']'))) return 1;
      return EndTag(s);
    }
    name[length++] = char(c);
  }
  const int space = SkipTagSpace(s);
  if (space == 1) return 1;
  if (space == 4) {
    ReportBadTag("no value", name);
    return EndTag(s);
  }
  length = 0;
  for (;;) {
    const int c = ReadPgnChar(s);
    if (c == END_OF_FILE) return 1;
    if (c == ']') break;
    if (length == TAG_TEXT_SIZE) {
      // Cut at the buffer's size; the rest goes up to the "]".
      if (SkipToChar(s, ']')) return 1;
      break;
    }
    value[length++] = char(c);
  }
  static constexpr char kResult[] = "result";
  bool is_result = true;
  for (int i = 0; i < 6; i++)
    if (Fold(name[i]) != kResult[i]) is_result = false;
  if (is_result) {
    const char* v = value[0] == '"' ? value + 1 : value;
    if (v[0] == '*')
      pgn_game_result = 0;
    else if (v[0] == '1' && v[1] == '-')
      pgn_game_result = 1;
    else if (v[0] == '1' && v[1] == '/')
      pgn_game_result = 3;
    else if (v[0] == '0' && v[1] == '-')
      pgn_game_result = 2;
  }
  return EndTag(s);
}

int SkipPgnComment(PgnStream* s) { return SkipNested(s, '{', '}'); }
int SkipPgnVariation(PgnStream* s) { return SkipNested(s, '(', ')'); }

int SkipMoveNumber(PgnStream* s) {
  int previous = 0;
  for (;;) {
    const int c = ReadPgnChar(s);
    if (c == END_OF_FILE) return 1;
    if (c == '-' && previous == '0' && PeekPgnChar(s) == '0') {
      // Castling written with zeros: leave "0-0" for the move reader.
      StepBack(s, 2);
      return 0;
    }
    if (c < 34 || std::strchr(".0123456789-$#*+/?\\", c)) {
      if (c == '-' || c == '/' || c == '*') termination_seen = 1;
      previous = c;
      continue;
    }
    StepBack(s, 1);
    return 0;
  }
}

int ReadSanToken(PgnStream* s) {
  int length = 0;
  std::memset(san_text, 0, sizeof san_text);
  for (;;) {
    const int c = ReadPgnChar(s);
    if (c == END_OF_FILE) return 1;
    if (!IsSanChar(c)) return 0;
    san_text[length++] = char(c);
    if (length == SAN_TOKEN_LIMIT) {
      std::printf("Error parsing move (move too long): %s...\n", san_text);
      std::fflush(stdout);
      ExitProgram(2);
    }
  }
}

void DropSanFirstChar() {
  const size_t length = std::strlen(san_text);
  if (length) std::memmove(san_text, san_text + 1, length);
}

void PlaySanMove() {
  char token[SAN_TEXT_SIZE];
  std::memcpy(token, san_text, sizeof token);
  // "x" and ":" mark a capture; "=" may stand before a promotion letter.
  SanMove san;
  {
    char* out = san_text;
    for (const char* in = san_text; *in; in++) {
      if (*in == 'x' || *in == ':') san.capture = true;
      if (*in != 'x' && *in != ':' && *in != '=') *out++ = *in;
    }
    *out = '\0';
  }
  const char* t = san_text;
  const int home_rank = thread_board.SideToMove == WHITE ? 0 : 7;
  if ((t[0] == 'O' || t[0] == '0') && t[1] == '-' && (t[2] == 'O' || t[2] == '0')) {
    san.from_file = 4;
    san.to_file = t[3] == '-' ? 2 : 6;
    san.from_rank = san.to_rank = home_rank;
  } else {
    if (const int piece = PieceOfLetter(san_text[0]); piece && piece != PAWN) {
      san.piece = piece;
      DropSanFirstChar();
    } else {
      san.piece = PAWN;
      if (san_text[0] == 'P') DropSanFirstChar();
    }
    int first_file = -1, first_rank = -1;
    if (san_text[0] >= 'a' && san_text[0] <= 'h') {
      first_file = san_text[0] - 'a';
      DropSanFirstChar();
    }
    if (san_text[0] >= '1' && san_text[0] <= '8') {
      first_rank = san_text[0] - '1';
      DropSanFirstChar();
    }
    if (san_text[0] >= 'a' && san_text[0] <= 'h') {
      san.to_file = san_text[0] - 'a';
      DropSanFirstChar();
      if (san_text[0] >= '1' && san_text[0] <= '8') {
        san.to_rank = san_text[0] - '1';
        DropSanFirstChar();
      }
      san.from_file = first_file;
      san.from_rank = first_rank;
    } else {
      san.to_file = first_file;
      san.to_rank = first_rank;
    }
    if (san_text[0] && std::strchr("BRKQNP", san_text[0])) san.promotion = PieceOfLetter(san_text[0]);
  }
  if (pgn_skip_game) return;
  // A token without a destination names no move, since every move of its
  // kind would match it: an empty one (ended by a character no move begins
  // with, such as ";" or a stray brace), marks or a piece letter alone.
  if (san.to_file < 0 && san.to_rank < 0) {
    ReportUnrecognised(token);
    return;
  }
  // A game longer than the history can hold is not played on.
  if (!GameHasRoomForMove()) {
    pgn_skip_game = 1;
    return;
  }

  GenerateLegalMoves(LEGALITY_LIST_START);
  const int end = move_list_end;
  move_list_end = 0;
  if (end == LEGALITY_LIST_START) {
    ReportUnrecognised(token);
    return;
  }
  Move chosen = 0;
  for (int i = LEGALITY_LIST_START; i < end; i++) {
    const Move move = move_list[i].move;
    if (!Matches(san, move)) continue;
    if (chosen) {
      std::printf("\nAmbigous move: %s...\n", token);
      std::fflush(stdout);
      pgn_skip_game = 1;
    }
    chosen = move;
  }
  if (!chosen) {
    ReportUnrecognised(token);
    return;
  }
  if (pgn_game_result != 0 && game_ply >= HIT_TEST_FIRST_PLY && !HasTwoQueens()) RunHitTest(chosen);
  MakeMove(chosen, 1);
}

namespace {

// The end of the file in the middle of a game: reported, since its last
// moves may be missing.
void ReportCutOff(int game) {
  std::printf("\nGame %d cut off at the end of the file...\n", game);
  std::fflush(stdout);
}

// The end of the file after a game's moves: complete when a termination
// marker came last.
void EndOfFileInMoves(int game) {
  if (!termination_seen) ReportCutOff(game);
}

void Scan(PgnStream* s) {
  int games = 0, progress = 0;
  for (;;) {
    // Nothing but text without a tag is left: the file is done.
    if (StartPgnGame(s)) return;
    pgn_game_result = 0;
    termination_seen = 0;
    int tag;
    do {
      tag = ReadPgnTag(s);
    } while (tag == 2);
    if (tag == 1) return ReportCutOff(games + 1);
    if (PeekPgnChar(s) == '{' && SkipPgnComment(s)) return ReportCutOff(games + 1);
    if (SkipToMoveText(s)) return ReportCutOff(games + 1);
    StepBack(s, 1);
    pgn_skip_game = 0;
    NewGame();
    for (;;) {
      if (SkipMoveNumber(s)) return EndOfFileInMoves(games + 1);
      if (PeekPgnChar(s) == '[') break;
      termination_seen = 0;
      if (ReadSanToken(s)) return ReportCutOff(games + 1);
      PlaySanMove();
      for (;;) {
        const size_t before = s->pos;
        if (SkipMoveNumber(s)) return EndOfFileInMoves(games + 1);
        const int c = PeekPgnChar(s);
        if (c == '{' && SkipPgnComment(s)) return ReportCutOff(games + 1);
        if (c == '(' && SkipPgnVariation(s)) return ReportCutOff(games + 1);
        if (s->pos == before) break;
      }
    }
    games++;
    progress++;
    if (progress == PROGRESS_GAMES) {
      std::printf("Processed %d games, hit/game = %1.3f...              \r", games,
                  double(float(tuning_hits) / float(games)));
      std::fflush(stdout);
      if (games > SCAN_GAME_LIMIT) return;
      progress = 0;
    }
  }
}

}  // namespace

void ScanPgnText(const std::string& text) {
  PgnStream stream;
  stream.data = text;
  // The scan's searches must not change what the front end set.
  const int32_t saved_multi_pv = multi_pv;
  Scan(&stream);
  multi_pv = saved_multi_pv;
  move_list_end = 0;
}

bool ScanPgnFile(const char* name) {
  // Anything but a regular file counts as missing: a FIFO would wait for
  // a writer, a device would never end.
  FILE* file = OpenRegularFile(name, "rb");
  if (!file) {
    std::printf("Error opening file %s...\n", name);
    std::fflush(stdout);
    return false;
  }
  std::string text;
  char buffer[65536];
  for (size_t count; (count = std::fread(buffer, 1, sizeof buffer, file)) > 0;) text.append(buffer, count);
  std::fclose(file);
  ScanPgnText(text);
  return true;
}
