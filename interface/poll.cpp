#include "interface/poll.h"

#include <cinttypes>
#include <cstdio>
#include <cstring>

#include "board/board.h"
#include "board/notation.h"
#include "board/tables.h"
#include "interface/commands.h"
#include "interface/options.h"
#include "interface/startup.h"
#include "interface/tokens.h"
#include "platform/clock.h"
#include "search/search.h"

char search_input_line[PENDING_INPUT_SIZE];
int32_t analyze_undo_requested;
int32_t analyze_exit_requested;
int32_t analyze_mode_active;
int32_t uci_analysis;
int32_t ponder_search_stopped;

namespace {

// The search on the opponent's time ends without a reply move.
void EndPondering() {
  if (pondering_now) {
    ponder_reply = 0;
    ponder_done = 1;
  }
}

void StopSearch() { stop_search = 1; }

// A UCI ponder search ends without its "ponderhit": the opponent did not
// play the predicted move, so its result is no move of the game.
void AbandonPonderSearch() {
  if (go_ponder) ponder_search_stopped = 1;
  go_ponder = 0;
}

// Nothing but input could end this search: no clock, no move time, no node
// or depth limit, or it waits for "ponderhit" or "stop". A mate goal is no
// limit: where there is no such mate the search never ends by itself.
int OnlyInputEndsSearch() {
  if (pondering_now || go_ponder || SearchIsInfinite() || analyze_mode_active) return 1;
  return time_left == -1 && fixed_move_time == 0 && node_limit == 0 && max_depth >= 998;
}

void PrintStatusLine() {
  char text[8];
  Move move = 0;
  if (root_game_ply >= 0 && root_game_ply < GAME_HISTORY_SIZE) move = game_history[root_game_ply].Move;
  std::printf("stat01: %d %" PRIu64 " %d %d %d %s\n", ClockCentiseconds() - search_start_time, nodes,
              iteration_depth + 1, root_move_count - root_move_index, root_move_count + 1, MoveToText(text, move));
  std::fflush(stdout);
}

// The number after the line's first word ("time 500"), never negative.
int32_t NumberAfterWord(const char* line) {
  while (*line == ' ') line++;
  while (*line && *line != ' ') line++;
  const int32_t value = ReadDecimal(line);
  return value < 0 ? 0 : value;
}

// A move typed during the search, looked up in the list of moves the game
// driver or the analyze loop prepared for the position it is played in.
void HandleTypedMove(char* line) {
  // A fifth character below 'a' is not a promotion letter.
  if (uint8_t(line[4]) < 'a') line[4] = '\0';
  const Move typed = BuildMoveFromSquares(case_fold_table[uint8_t(line[0])], line[1], case_fold_table[uint8_t(line[2])],
                                          line[3], line[4]);
  const Move move = typed ? FindRootMove(typed) : 0;
  ponder_reply = move;
  if (!move) {
    std::printf("Illegal move: %s\n", line);
    std::fflush(stdout);
    // The analysis goes on with the position unchanged; any other search
    // ends (a ponder search without a reply move).
    if (analyze_mode_active) return;
    ponder_done = 1;
    StopSearch();
  } else if (!pondering_now) {
    StopSearch();
  } else if (move == predicted_move) {
    // The expected reply: the running search becomes the engine's own.
    pondering_now = 0;
  } else {
    ponder_done = 1;
    StopSearch();
  }
}

}  // namespace

int SearchIsAnalysis() {
  return analyze_mode_active || (uci_mode && (uci_analysis || go_ponder || ponder_search_stopped));
}

void PollInputDuringSearch() {
  for (;;) {
    search_input_line[0] = '\0';
    // "undo" and "remove" outside the analyze loop are left in the buffer
    // for the interpreter, which takes the move back after the search: look
    // at the line before taking it.
    const char* end = std::strchr(pending_input, '\n');
    if (!end) {
      if (!InputAvailable()) return;
      if (!ReadInputChunk()) {
        // The input has ended: a search that only input could end stops
        // now and answers; any other runs to its own limit.
        if (OnlyInputEndsSearch()) {
          EndPondering();
          AbandonPonderSearch();
          StopSearch();
        }
        return;
      }
      end = std::strchr(pending_input, '\n');
      if (!end) return;
    }
    const size_t length = size_t(end - pending_input);
    std::memcpy(search_input_line, pending_input, length);
    search_input_line[length] = '\0';
    if (char* cr = std::strchr(search_input_line, '\r')) *cr = ' ';
    char* line = search_input_line;

    if (!analyze_mode_active && (BeginsWithWord("undo", line) || BeginsWithWord("remove", line))) {
      EndPondering();
      StopSearch();
      return;
    }
    TakePendingLine(search_input_line, sizeof search_input_line);

    const char c = line[0];
    if (c == '?' || MatchKeyword("stop", line)) {
      EndPondering();
      AbandonPonderSearch();
      StopSearch();
      return;
    }
    if (c == '.') {
      PrintStatusLine();
      return;
    }
    if (MatchKeyword("isready", line)) {
      AnswerIsready();
      continue;
    }
    if (MatchKeyword("ponderhit", line)) {
      go_ponder = 0;
      continue;
    }
    if (MatchKeyword("undo", line)) {
      analyze_undo_requested = 1;
      StopSearch();
      return;
    }
    if (MatchKeyword("exit", line)) {
      // Leaving the predicted move on the board would put the engine's
      // position out of step with the front end's.
      EndPondering();
      analyze_exit_requested = 1;
      StopSearch();
      return;
    }
    if (MatchKeyword("new", line)) {
      EndPondering();
      StopSearch();
      new_game_pending = 1;
      return;
    }
    if (MatchKeyword("result", line)) {
      EndPondering();
      StopSearch();
      return;
    }
    if (MatchKeyword("post", line)) {
      post_thinking = 1;
      EndPondering();
      StopSearch();
      return;
    }
    if (MatchKeyword("nopost", line)) {
      post_thinking = 0;
      EndPondering();
      StopSearch();
      return;
    }
    if (c == 'q') QuitDuringSearch();
    if (MatchKeyword("force", line)) {
      EndPondering();
      force_mode = 1;
      StopSearch();
      return;
    }
    if (MatchKeyword("hard", line)) {
      EndPondering();
      StopSearch();
      if (pondering_allowed) ponder_on = 1;
      return;
    }
    if (MatchKeyword("easy", line)) {
      ponder_on = 0;
      EndPondering();
      StopSearch();
      return;
    }
    if (MatchKeyword("time", line)) {
      time_left = NumberAfterWord(line);
      if (pondering_now) continue;
      StopSearch();
      return;
    }
    if (MatchKeyword("otim", line)) continue;
    if (IsCoordinateMoveText(line)) {
      HandleTypedMove(line);
      return;
    }
  }
}
