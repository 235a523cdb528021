#include "interface/modes.h"

#include <cstdio>
#include <cstring>

#include "board/board.h"
#include "board/makemove.h"
#include "board/movegen.h"
#include "board/notation.h"
#include "board/tables.h"
#include "interface/commands.h"
#include "interface/input.h"
#include "interface/poll.h"
#include "interface/startup.h"
#include "platform/clock.h"
#include "search/search.h"
#include "search/tables.h"
#include "search/transposition.h"

namespace {

// The analysis runs until a command ends it: no clock ever does.
constexpr int32_t ANALYSIS_TIME = 9999999;
constexpr int32_t ANALYSIS_POLL_INTERVAL = 50000;
constexpr int ANALYSIS_DEPTH = 100;
// Transposition entries of the edited position's predecessors must look old.
constexpr int EDIT_SEARCH_ID_STEP = 3;

void PrintError() {
  std::printf("Error\n");
  std::fflush(stdout);
}

// Piece code of an edit letter, 0 for "x" (empty the square), -1 for none.
int EditPieceCode(int c) {
  switch (c) {
    case 'b':
      return BISHOP;
    case 'k':
      return KING;
    case 'n':
      return KNIGHT;
    case 'p':
      return PAWN;
    case 'q':
      return QUEEN;
    case 'r':
      return ROOK;
    case 'x':
      return 0;
    default:
      return -1;
  }
}

int Fold(int c) { return case_fold_table[uint8_t(c)]; }

// The move of a coordinate line typed between searches ("e2e4", "e7e8q"),
// or 0 when the line does not begin with one.
Move MoveOfLine(const char* line) {
  if (std::strlen(line) < 4) return 0;
  const int from_file = Fold(line[0]), to_file = Fold(line[2]);
  if (from_file < 'a' || from_file > 'h' || line[1] < '1' || line[1] > '8') return 0;
  if (to_file < 'a' || to_file > 'h' || line[3] < '1' || line[3] > '8') return 0;
  // A fifth character below 'a' is not a promotion letter.
  const int promotion = uint8_t(line[4]) < 'a' ? 0 : line[4];
  return BuildMoveFromSquares(from_file, line[1], to_file, line[3], promotion);
}

bool BeginsWith(const char* line, const char* word) { return std::strncmp(line, word, std::strlen(word)) == 0; }

void PrintIllegal(const char* text) {
  std::printf("Illegal move: %s\n", text);
  std::fflush(stdout);
}

// A legal move the game still has room for is made.
void PlayAnalyzedMove(Move move) {
  if (GameHasRoomForMove()) MakeMove(move, 1);
}

}  // namespace

FenError EditPosition() {
  // A working copy of the men: the board is set up from it at the end, so a
  // removed or replaced man leaves nothing behind in any board field, and a
  // position the engine cannot play from never reaches the board.
  PositionSetUp edited;
  for (int square = 0; square < 64; square++) {
    edited.piece[square] = int(thread_board.Square[square]);
    edited.colour[square] = (thread_board.Occupied[BLACK] >> square & 1) ? BLACK : WHITE;
  }
  int colour = WHITE;
  for (;;) {
    // The end of input ends the edit as "." does.
    const int raw = ReadInputChar();
    if (raw < 0) break;
    const int c = Fold(raw);
    if (c == '.') break;
    if (c == ' ' || c == '\r' || c == '\n') continue;
    if (c == 'c') {
      colour ^= 1;
      continue;
    }
    if (c == '#') {
      std::memset(edited.piece, 0, sizeof edited.piece);
      continue;
    }
    const int piece = EditPieceCode(c);
    if (piece < 0) {
      PrintError();
      continue;
    }
    const int file_char = ReadInputChar();
    if (file_char < 0) break;
    const int file = Fold(file_char);
    if (file < 'a' || file > 'h') {
      PrintError();
      continue;
    }
    const int rank = ReadInputChar();
    if (rank < 0) break;
    if (rank < '1' || rank > '8') {
      PrintError();
      continue;
    }
    const int square = (file - 'a') + 8 * (rank - '1');
    edited.piece[square] = 0;
    if (piece == 0) continue;
    // One king a side: a new one replaces the old.
    if (piece == KING)
      for (int s = 0; s < 64; s++)
        if (edited.piece[s] == KING && edited.colour[s] == colour) edited.piece[s] = 0;
    edited.piece[square] = piece;
    edited.colour[square] = colour;
  }

  // Castling rights where the kings and rooks stand at home; no en passant.
  Board& b = thread_board;
  edited.side = int(b.SideToMove);
  edited.castling = WHITE_SHORT | WHITE_LONG | BLACK_SHORT | BLACK_LONG;
  edited.ep_file = edited.ep_rank = -1;
  const auto fifty = b.FiftyCount;
  const FenError error = SetUpPosition(edited);
  if (error != FEN_OK) return error;
  b.FiftyCount = fifty;
  std::memset(history_table, 0, sizeof history_table);
  ClearKillers();
  search_id = uint16_t(search_id + EDIT_SEARCH_ID_STEP);
  return FEN_OK;
}

void RunAnalyzeMode() {
  analyze_mode_active = 1;
  for (;;) {
    // Nothing can come any more: no command could end another search.
    if (InputClosed() && !std::strchr(pending_input, '\n')) break;
    stop_search = 0;
    search_start_time = ClockCentiseconds();
    target_time = hard_time_limit = ANALYSIS_TIME;
    poll_interval = ANALYSIS_POLL_INTERVAL;
    new_game_pending = analyze_exit_requested = analyze_undo_requested = 0;
    ponder_reply = 0;
    // The moves a move typed during the search is looked up in.
    GenerateLegalMoves(TYPED_MOVE_LIST_START);
    root_move_end = move_list_end;
    move_list_end = 0;
    SearchRoot(ANALYSIS_DEPTH, 0);

    if (ponder_reply) {
      char text[8];
      if (!IsLegalMove(ponder_reply))
        PrintIllegal(MoveToText(text, ponder_reply));
      else
        PlayAnalyzedMove(ponder_reply);
      continue;
    }
    if (new_game_pending) {
      NewGame();
      continue;
    }
    if (analyze_exit_requested) break;
    if (analyze_undo_requested && CanTakeBack()) {
      UnmakeMove();
      continue;
    }

    // Between searches: the search was stopped or had nothing to search.
    if (ReadInputLine(command_line, COMMAND_LINE_SIZE) < 0) break;
    const char* line = command_line;
    if (line[0] == '.') {
      std::printf("stat01: 0 0 0 0 0\n");
      std::fflush(stdout);
    } else if (BeginsWith(line, "exit")) {
      break;
    } else if (BeginsWith(line, "new")) {
      NewGame();
    } else if (BeginsWith(line, "undo")) {
      if (CanTakeBack()) UnmakeMove();
    } else if (BeginsWith(line, "isready")) {
      // Answered here too: a front end waits for it, and the analysis that
      // stopped before it (a "stop" or "?") would otherwise swallow it.
      AnswerIsready();
    } else if (line[0] == 'q') {
      analyze_mode_active = 0;
      ExitProgram(0);
    } else if (const Move move = MoveOfLine(line)) {
      if (IsLegalMove(move)) {
        std::printf("move maked...\n");
        std::fflush(stdout);
        PlayAnalyzedMove(move);
      } else {
        PrintIllegal(line);
      }
    }
  }
  analyze_mode_active = 0;
}
