// search/driver.cpp: the game driver: the time allocation, the root search
// of each cycle, the result output in the dialect in force, the resign
// window and rule, learning after the move and the xboard pondering loop.
#include "search/driver.h"

#include <cstdio>
#include <cstdlib>

#include "board/board.h"
#include "board/makemove.h"
#include "board/movegen.h"
#include "board/notation.h"
#include "book/book.h"
#include "book/learning.h"
#include "eval/material.h"
#include "interface/options.h"
#include "platform/clock.h"
#include "search/output.h"
#include "search/root.h"
#include "search/search.h"
#include "search/transposition.h"

int32_t engine_side = BLACK;
int32_t last_root_score;
int32_t last_root_side;
int32_t searches_since_new_game;

namespace {

// Huge clocks ("go infinite", "time 2147483647") must not overflow the
// limits: the arithmetic runs in 64 bits and the results are clamped.
inline int32_t ClampTime(int64_t t) { return t > INT32_MAX ? INT32_MAX : t < INT32_MIN ? INT32_MIN : int32_t(t); }
inline int64_t Min(int64_t a, int64_t b) { return a < b ? a : b; }
inline int64_t Max(int64_t a, int64_t b) { return a > b ? a : b; }

void ShiftResignWindow(uint64_t key, int32_t score, int32_t from_book) {
  for (int i = 0; i < 9; i++) {
    resign_keys[i] = resign_keys[i + 1];
    resign_scores[i] = resign_scores[i + 1];
    resign_book_flags[i] = resign_book_flags[i + 1];
  }
  resign_keys[9] = key;
  resign_scores[9] = score;
  resign_book_flags[9] = from_book;
}

// The engine's last moves, newest first, each scored below -resign_value and
// each still the position of this game after that move.
int ShouldResign() {
  int count = 0;
  for (int j = 0; j < 10; j++) {
    const int slot = 9 - j;
    uint64_t key;
    if (j == 0) {
      key = thread_board.Key;
    } else {
      const int index = game_ply - 2 * j;
      if (index < 0) break;
      key = game_history[index].Key;
    }
    if (!(resign_scores[slot] < -resign_value && resign_keys[slot] == key)) break;
    if (++count >= resign_times) return 1;
  }
  return count >= resign_times;
}

// The predicted move only when the opponent can really play it here.
int IsInTypedMoveList(Move move) {
  for (int i = TYPED_MOVE_LIST_START; i < root_move_end; i++)
    if (move_list[i].move == move) return 1;
  return 0;
}

// Nodes between input polls, and so between readings of the clock, for the
// planned time of a move.
int32_t PollIntervalFor(int32_t target) { return target >= 301 ? 50000 : target < 101 ? 5000 : 20000; }

// A fixed time per move is a limit the front end enforces on the move's
// arrival, so the search stops early enough for the move to be printed and
// read within it. The clock is read only at the polls, and the search stops
// at the first reading past its limit, so a fixed time polls often: every
// 1000 nodes is 10 ms even at 100,000 nodes a second (the sanitizer build or
// an emulator on a loaded machine; a reading of the clock costs far less
// than the nodes between). The limit leaves room for that interval at that
// speed and 50 ms more for the clock's centisecond steps, the output and the
// front end's reading on a busy machine. A time too short for that keeps
// half of it.
constexpr int32_t FIXED_TIME_POLL_INTERVAL = 1000;  // nodes
constexpr int32_t FIXED_TIME_OVERHEAD = 5;          // centiseconds
constexpr int32_t SLOWEST_NODES_PER_CS = 1000;      // 100,000 nodes a second

int32_t FixedTimeLimit(int32_t fixed) {
  const int32_t poll_time = (FIXED_TIME_POLL_INTERVAL + SLOWEST_NODES_PER_CS - 1) / SLOWEST_NODES_PER_CS;
  const int32_t limit = fixed - FIXED_TIME_OVERHEAD - poll_time;
  return limit >= fixed / 2 ? limit : Max(fixed / 2, 1);
}

// The node limit is checked where the input is polled: under a limit the
// checks come often enough that the search stops close to it.
int32_t NodeLimitedPollInterval(int32_t interval) {
  if (node_limit <= 0) return interval;
  const int32_t step = node_limit / 16 > 100 ? node_limit / 16 : 100;
  return step < interval ? step : interval;
}

// A UCI ponder search's result, held until "ponderhit" makes it the
// engine's move: what playing it needs besides the move, kept apart from the
// search globals that commands in between may change.
struct HeldResult {
  int32_t score;
  int32_t depth;  // iteration_depth
  int32_t from_book;
  int32_t single_reply;
};
HeldResult held_result;

// The chosen move played as the engine's own: the book learns from a
// decided score, the move is made and enters the resign window, the answer
// is printed in the dialect in force, and the position learning follows.
void PlaySearchedMove(Move best, int32_t s, int single_reply) {
  char text[8], reply_text[8];
  if (!book_move_played && BookLearningDue() && std::abs(s) > book_learning_bound) LearnBookFromGame(s >= 0 ? 1 : 0);
  const int32_t previous_score = resign_scores[9];
  MakeMove(best, 1);
  ShiftResignWindow(thread_board.Key, single_reply ? previous_score : s, book_move_played);
  if (uci_mode) {
    pending_best_move = best;
    std::printf("bestmove %s", MoveToText(text, best));
    if (ponder_move != 0 && IsLegalMove(ponder_move)) std::printf(" ponder %s", MoveToText(reply_text, ponder_move));
    std::printf("\n");
  } else {
    if (ShouldResign()) std::printf("resign\n");
    std::printf("move %s\n", MoveToText(text, best));
  }
  // The move goes out now: the learning after it reads and writes a file.
  std::fflush(stdout);
  if (use_learning) LearnAfterSearch();
}

void PrintNoMove() {
  pending_best_move = 0;
  std::printf("bestmove 0000\n");
  std::fflush(stdout);
}

}  // namespace

void ResetResignWindow() {
  for (int i = 0; i < 10; i++) {
    resign_keys[i] = 0;
    resign_scores[i] = 100;
    resign_book_flags[i] = 1;
  }
  resign_scores[9] = 0;
  resign_book_flags[9] = 0;
}

void AllocateTime() {
  if (time_left == -1 && fixed_move_time == 0) {
    target_time = hard_time_limit = 9999999;
    poll_interval = NodeLimitedPollInterval(50000);
    return;
  }
  if (fixed_move_time != 0) {
    // Honoured with or without a clock.
    target_time = hard_time_limit = FixedTimeLimit(fixed_move_time);
    poll_interval = NodeLimitedPollInterval(FIXED_TIME_POLL_INTERVAL);
    return;
  }
  const int64_t r = int64_t(95) * time_left / 100 - 1;
  const int64_t m = game_ply / 2 + 1;
  const int64_t inc = own_increment;
  int64_t t, h;
  if (moves_to_go != 0) {
    int64_t k;
    if (uci_mode) {
      k = Min(moves_to_go, 30);
    } else {
      // xboard: moves_to_go is the period length; count to the end of the
      // period the game is in.
      int64_t n = moves_to_go;
      if (n < m) n = n * ((m - 1) / n + 1);
      k = Min(n - m + 1, 30);
    }
    if (k < 1) k = 1;
    t = (r - inc + inc * k) / k;
    h = 7 * t;
  } else {
    t = (29 * inc + r) / 30;
    if (thread_board.MaterialIndex != NO_MATERIAL_INDEX) {
      const int64_t half = t >> 1;
      t = half + ((material_table[thread_board.MaterialIndex].time_factor * half) >> 8);
    }
    h = Min(7 * t, r >> 1);
  }
  if (searches_since_new_game < 2) t += t / 5;
  t = Max(t, 5);
  hard_time_limit = ClampTime(Min(Min(r >> 1, 7 * t), h));
  target_time = ClampTime(Max(3 * t / 4, 1));
  poll_interval = NodeLimitedPollInterval(PollIntervalFor(target_time));
}

void PlayHeldPonderMove(Move move) {
  // Learning reads these as the search left them.
  root_scores[0] = held_result.score;
  iteration_depth = held_result.depth;
  book_move_played = held_result.from_book;
  PlaySearchedMove(move, held_result.score, held_result.single_reply);
}

void Think() {
  char text[8];
  ponder_move = 0;
  ponder_move_search = 0;
  for (;;) {
    engine_side = int32_t(thread_board.SideToMove);
    // "force" typed during this search means: no move and no pondering.
    const int32_t forced_before = force_mode;
    search_start_time = ClockCentiseconds();
    stop_search = ponder_reply = new_game_pending = 0;

    // A game this long would overrun the history the search builds on.
    if (!GameHasRoomForMove()) {
      if (pondering_now) UnmakeMove();
      pondering_now = 0;
      if (uci_mode && !silent_search) PrintNoMove();
      return;
    }

    AllocateTime();
    const int depth = time_left == -1 && fixed_move_time == 0 ? max_depth : 999;
    if (SearchRoot(depth, 1)) {
      if (pondering_now) {
        // The predicted move ends the game: take it back and let the
        // opponent's real move arrive at the top level.
        UnmakeMove();
        pondering_now = 0;
        return;
      }
      pondering_now = 0;
      // One "bestmove" per "go", even with nothing to play; a ponder or
      // infinite search still waits for its "stop" or "ponderhit". A "new"
      // read in that wait still starts the new game at the end.
      if (uci_mode && !silent_search) {
        WaitForInput();
        PrintNoMove();
      }
      break;
    }
    if (uci_mode && !silent_search && SearchIsInfinite()) WaitForInput();

    const int32_t s = root_scores[0];

    if (pondering_now) {
      // No ponder hit turned this search into the engine's own.
      pondering_now = 0;
      UnmakeMove();
      if (!ponder_done || ponder_reply == 0) break;
      MakeMove(ponder_reply, 1);
      if (force_mode) break;
      continue;
    }

    // xboard's "force" during the engine's own search: the front end plays
    // both sides from now on, so the engine keeps its move until "go".
    if (!uci_mode && force_mode && !forced_before) break;

    last_root_score = s;
    last_root_side = root_side;
    const Move best = move_list[0].move;

    if (silent_search) {
      if (!new_game_pending && !go_ponder) MakeMove(best, 1);
      break;
    }

    if (!book_move_played) {
      if (!uci_mode) {
        PrintFinalThinkingLine();
      } else if (multi_pv < 2) {
        PrintUciInfo(1, 3, 1);
      } else {
        PrintFinalUciMultiPvInfo();
      }
      std::fflush(stdout);
    }

    if (new_game_pending) {
      // A UCI "go" ends with its one "bestmove" whatever line stopped it; a
      // held ponder result goes with it, so that no later "stop" repeats it.
      if (uci_mode) {
        go_ponder = 0;
        pending_best_move = 0;
        std::printf("bestmove %s\n", MoveToText(text, best));
        std::fflush(stdout);
      }
      break;
    }

    // Outside UCI "go ponder" has no meaning: the move is played as usual.
    if (uci_mode && go_ponder) {
      // Held for "ponderhit", which plays it as this search would have.
      pending_best_move = best;
      held_result = {s, iteration_depth, book_move_played, move_list_end == 1};
      break;
    }
    PlaySearchedMove(best, s, move_list_end == 1);
    if (silent_search || !ponder_on) break;

    // Pondering: the opponent's legal moves first, against which the input
    // poll checks a move typed during the ponder search.
    GenerateLegalMoves(TYPED_MOVE_LIST_START);
    root_move_end = move_list_end;
    move_list_end = 0;
    predicted_move = GetHashMove();
    if (predicted_move && !IsInTypedMoveList(predicted_move)) predicted_move = 0;
    pondering_now = 1;
    ponder_done = 0;

    if (!predicted_move) {
      // A short search finds a move to ponder on.
      const int32_t saved_post = post_thinking;
      ponder_move_search = 1;
      post_thinking = 0;
      const int over = SearchRoot(999, 1);
      post_thinking = saved_post;
      if (over || new_game_pending) break;
      if (ponder_move_search == 1 || ponder_done) {
        // Ended by the opponent's move or a command, not by its own time.
        ponder_move_search = 0;
        if (!ponder_done || ponder_reply == 0) break;
        pondering_now = 0;
        MakeMove(ponder_reply, 1);
        if (force_mode) return;
        continue;
      }
      predicted_move = move_list[0].move;
      if (!predicted_move || !IsInTypedMoveList(predicted_move)) break;
    }

    std::printf("Hint: %s\n", MoveToSquaresText(text, predicted_move));
    std::fflush(stdout);
    MakeMove(predicted_move, 1);
  }
  pondering_now = 0;
  if (new_game_pending) NewGame();
}
