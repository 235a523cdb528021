// search/root.cpp: the root of the search: iterative deepening with an
// aspiration window on the best move and null windows on the others, the
// MultiPV variant, the root move list and the game-end announcements.
#include "search/root.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <thread>

#include "board/attacks.h"
#include "board/board.h"
#include "board/makemove.h"
#include "board/movegen.h"
#include "book/book.h"
#include "interface/input.h"
#include "interface/options.h"
#include "search/driver.h"
#include "search/output.h"
#include "search/search.h"
#include "search/tables.h"
#include "search/transposition.h"

int32_t root_side;
int32_t lazy_window_low = -MATE_SCORE;
int32_t lazy_window_high = MATE_SCORE;

namespace {

// A fail high of the first move (of a later move) from this score on is
// searched again with the window open up to mate.
constexpr int32_t FIRST_MOVE_MATE_RESEARCH = MateIn(120);
constexpr int32_t LATER_MOVE_MATE_RESEARCH = MateIn(20);

// Margins of the reduced-depth test of clearly worse root moves.
constexpr int32_t margin_by_depth[16] = {150, 150, 150, 150, 150, 150, 150, 120, 80, 65, 50, 45, 40, 35, 30, 25};
constexpr int32_t margin_by_root_move[8] = {24, 16, 12, 10, 8, 6, 4, 0};

inline int32_t ClampScore(int32_t s) { return s < -MATE_SCORE ? -MATE_SCORE : s > MATE_SCORE ? MATE_SCORE : s; }

void SwapRootEntries(int a, int b) {
  const MoveEntry entry = move_list[a];
  move_list[a] = move_list[b];
  move_list[b] = entry;
  const int32_t score = root_scores[a];
  root_scores[a] = root_scores[b];
  root_scores[b] = score;
  const int32_t flag = root_move_flags[a];
  root_move_flags[a] = root_move_flags[b];
  root_move_flags[b] = flag;
}

// Moves root entry i to the front; entries 0..i-1 move down one place.
void MoveRootEntryToFront(int i) {
  const MoveEntry entry = move_list[i];
  const int32_t score = root_scores[i];
  const int32_t flag = root_move_flags[i];
  for (int j = i; j > 0; j--) {
    move_list[j] = move_list[j - 1];
    root_scores[j] = root_scores[j - 1];
    root_move_flags[j] = root_move_flags[j - 1];
  }
  move_list[0] = entry;
  root_scores[0] = score;
  root_move_flags[0] = flag;
}

// Root entries [first, end) by root score, highest first; equal scores keep
// their order.
void SortRootEntriesByScore(int first, int end) {
  for (int a = first; a < end - 1; a++)
    for (int b = a + 1; b < end; b++)
      if (root_scores[b] > root_scores[a]) SwapRootEntries(a, b);
}

// Generated entries [first, end) by ordering score, highest first.
void SortGeneratedMoves(int first, int end) {
  for (int a = first; a < end - 1; a++)
    for (int b = a + 1; b < end; b++)
      if (move_list[b].score > move_list[a].score) {
        const MoveEntry entry = move_list[a];
        move_list[a] = move_list[b];
        move_list[b] = entry;
      }
}

// The root list of the last depth a MultiPV search completed: a search
// stopped inside the next depth answers and reports with it, since that
// depth's lines are only partly searched and ranked.
struct CompletedDepth {
  MoveEntry moves[MAX_ROOT_MOVES];
  int32_t scores[MAX_ROOT_MOVES];
  int32_t flags[MAX_ROOT_MOVES];
  int32_t depth, selective_depth;
};
CompletedDepth completed_depth;

void SaveCompletedDepth() {
  for (int i = 0; i < move_list_end; i++) {
    completed_depth.moves[i] = move_list[i];
    completed_depth.scores[i] = root_scores[i];
    completed_depth.flags[i] = root_move_flags[i];
  }
  completed_depth.depth = iteration_depth;
  completed_depth.selective_depth = seldepth;
}

void RestoreCompletedDepth() {
  for (int i = 0; i < move_list_end; i++) {
    move_list[i] = completed_depth.moves[i];
    root_scores[i] = completed_depth.scores[i];
    root_move_flags[i] = completed_depth.flags[i];
  }
  iteration_depth = completed_depth.depth;
  seldepth = completed_depth.selective_depth;
}

void AgeHistory(int clear) {
  if (clear) {
    std::memset(history_table, 0, sizeof(history_table));
    return;
  }
  for (int i = 0; i < HISTORY_SIZE; i++) history_table[i] >>= 8;
}

void ResetSearchCounters(int max_depth_arg) {
  nps_report_interval = poll_interval > 0 ? 100000 / poll_interval : 0;
  search_id++;
  hash_writes = tbhits = nodes = 0;
  move_list_end = 0;
  book_move_played = 0;
  first_root_move_done = 0;
  root_side = int32_t(thread_board.SideToMove);
  root_game_ply = game_ply;
  poll_countdown = poll_interval;
  depth_limit = max_depth_arg;
}

void PrintRootLine(int bound) {
  if (uci_mode)
    PrintUciInfo(0, bound, 1);
  else
    PrintThinkingLine(0);
}

// A re-search of the root move on the window (a, b), from the root's view.
inline int32_t ResearchRootMove(int32_t a, int32_t b, int32_t depth) { return -SearchRootMove(-b, -a, depth); }

// Makes root move i and sets what its child reads of it; returns the depth.
int32_t MakeRootMove(int i, int d) {
  MakeSearchMove(move_list[i].move, 1);
  ply_records[1].in_check = uint32_t(root_move_flags[i] != 0);
  ply_records[0].flags = root_move_flags[i] ? 1 : 0;
  return ONE_PLY * d + 2 + (root_move_flags[i] ? ONE_PLY : 0);
}

// One pass over the root moves of iteration d; returns 1 when the first move
// failed low and the pass is to be repeated with the wider window in *delta.
// A search that was stopped leaves no trace: its move is taken back and the
// root list keeps the results of the searches that finished.
int RootPass(int d, int32_t* delta) {
  int32_t best = root_scores[0];
  int repeat = 0;
  root_move_index = 0;
  SetLazyEvalWindow(d);
  if (move_list_end == 0) return 0;
  first_root_move_done = 0;
  if (uci_mode && nodes > 200000) PrintUciInfo(0, 3, 0);

  while (root_move_index < move_list_end) {
    const int i = root_move_index;
    const int32_t depth = MakeRootMove(i, d);
    if (i == 0) {
      const int32_t s = root_scores[0];
      const int32_t alpha = ClampScore(*delta == 20 ? s - 20 : s - *delta);
      const int32_t beta = ClampScore(*delta == 20 ? s + 20 : s);
      const int32_t v = ResearchRootMove(alpha, beta, depth);
      if (stop_search) break;
      root_scores[0] = v;
      if (v > alpha && v < beta) {
        SetLazyEvalWindow(d);
        PrintRootLine(3);
      } else if (v <= alpha) {
        *delta *= 2;
        repeat = 1;
        SetLazyEvalWindow(d);
        PrintRootLine(1);
      } else {
        SetLazyEvalWindow(d);
        PrintRootLine(2);
        if (v >= FIRST_MOVE_MATE_RESEARCH) {
          const int32_t u = ResearchRootMove(v, MATE_SCORE, depth);
          if (stop_search) break;
          root_scores[0] = u;
          SetLazyEvalWindow(d);
          PrintRootLine(3);
        } else {
          const int32_t u = ResearchRootMove(v, v + 120, depth);
          if (stop_search) break;
          root_scores[0] = u;
          if (u >= v + 120) {
            SetLazyEvalWindow(d);
            PrintRootLine(2);
            const int32_t w = ResearchRootMove(u, MATE_SCORE, depth);
            if (stop_search) break;
            root_scores[0] = w;
          }
          PrintRootLine(3);
        }
      }
    } else {
      const int32_t v = ResearchRootMove(best, best + 1, depth);
      if (stop_search) break;
      root_scores[i] = v;
      if (v > best) {
        MoveRootEntryToFront(i);
        root_scores[0] = v;
        PrintRootLine(2);
        if (v >= LATER_MOVE_MATE_RESEARCH) {
          SetLazyEvalWindow(d);
          const int32_t u = ResearchRootMove(v, MATE_SCORE, depth);
          if (stop_search) break;
          root_scores[0] = u;
          SetLazyEvalWindow(d);
          PrintRootLine(3);
        } else {
          const int32_t u = ResearchRootMove(v, v + 20, depth);
          if (stop_search) break;
          root_scores[0] = u;
          SetLazyEvalWindow(d);
          if (u < v + 20) {
            PrintRootLine(3);
          } else {
            PrintRootLine(2);
            const int32_t w = ResearchRootMove(u, MATE_SCORE, depth);
            if (stop_search) break;
            root_scores[0] = w;
            PrintRootLine(3);
          }
        }
      } else if (i == move_list_end - 1 && uci_mode) {
        PrintUciStatistics();
      }
    }
    best = root_scores[0];
    UnmakeMove();
    if (i == 0 && move_list_end > 2) SortRootEntriesByScore(1, move_list_end);
    root_move_index++;
    first_root_move_done = 1;
  }
  // Left by a stop: the move is still made.
  if (root_move_index < move_list_end) UnmakeMove();
  return repeat;
}

int InSearchMoves(Move move) {
  // From, to and promotion decide: the typed moves may carry other piece bits.
  constexpr Move SHAPE = 0xFFF | (Move(7) << 18);
  for (int i = 0; i < search_moves_count; i++)
    if ((search_moves[i] & SHAPE) == (move & SHAPE)) return 1;
  return 0;
}

// A move that changes neither the pawns, the material nor the castling rights.
int IsReversibleRecord(int index) {
  const UndoRecord& r = game_history[index];
  return r.Move != 0 && !IsCaptureOrPromotion(r.Move) && MovePiece(r.Move) != PAWN &&
         r.Castling == thread_board.Castling;
}

int IsThirdRepetition() {
  const int n = game_ply;
  if (n < 4 || !IsReversibleRecord(n - 1) || !IsReversibleRecord(n - 2)) return 0;
  int matches = 0;
  for (int j = n - 4; j >= 0; j -= 2) {
    if (!IsReversibleRecord(j + 1) || !IsReversibleRecord(j)) return 0;
    if (game_history[j].Key == thread_board.Key && ++matches == 2) return 1;
  }
  return 0;
}

// Mate ends the game before the fifty-move rule can be claimed. The test
// generates into the legality region, which no search is using yet.
int IsCheckmate() {
  const Board& b = thread_board;
  const int side = int(b.SideToMove);
  if (!IsSquareAttacked(side ^ 1, int(b.KingSquare[side]))) return 0;
  const int saved_end = move_list_end;
  GenerateLegalMoves(LEGALITY_LIST_START);
  const int no_move = move_list_end == LEGALITY_LIST_START;
  move_list_end = saved_end;
  return no_move;
}

int HasInsufficientMaterial(int side) {
  const Board& b = thread_board;
  return b.Material[side ^ 1] == 0 && b.Material[side] <= 300 && b.PieceCount[PAWN][side] == 0;
}

void Announce(const char* text, int print, int learn) {
  if (learn && BookLearningDue()) LearnBookFromGame(2);
  if (print) {
    std::printf("%s\n", text);
    std::fflush(stdout);
  }
}

}  // namespace

int SearchIsInfinite() {
  if (!uci_mode) return 0;
  if (time_left == INFINITE_CLOCK) return 1;
  // A bare "go": no clock and no limit of any kind.
  return time_left == -1 && fixed_move_time == 0 && node_limit == 0 && mate_goal == 0 && max_depth >= 998;
}

void WaitForInput() {
  while (!stop_search && (pondering_now || go_ponder || SearchIsInfinite()) && !InputClosed()) {
    if (!std::strchr(pending_input, '\n') && !InputAvailable()) {
      // Nothing to read yet: yield the processor instead of spinning.
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
      continue;
    }
    PollInputDuringSearch();
  }
}

void SetLazyEvalWindow(int d) {
  const int32_t s = root_scores[0];
  const int32_t m = thread_board.Material[root_side] - thread_board.Material[root_side ^ 1];
  root_material_balance = m;
  int32_t c = s / 5;
  c = c < -150 ? -150 : c > 150 ? 150 : c;
  lazy_window_low = (s < m ? s : m) + c - 10 * d - 200;
  lazy_window_high = (s > m ? s : m) + c + 10 * d + 200;
}

int SearchRootMove(int32_t alpha, int32_t beta, int32_t depth) {
  const int32_t lower = mate_goal > 0 ? MatedIn(2 * mate_goal) : -OPEN_WINDOW;
  const int32_t upper = mate_goal > 0 ? MatedIn(2 * mate_goal + 1) : OPEN_WINDOW;
  if (alpha < lower) alpha = lower;
  if (beta > upper) beta = upper;
  if (alpha >= beta) return alpha;
  const int null_window = beta == alpha + 1;
  if (depth < 4) return Quiescence(alpha, beta, 0, null_window ? -1 : 0);
  if (depth < 20) return AlphaBeta(alpha, beta, depth, 1, null_window ? -1 : 0);
  if (!null_window) return AlphaBeta(alpha, beta, depth, 1, 0);

  // A clearly worse move usually fails even a raised bar at reduced depth.
  const int32_t margin = margin_by_depth[depth / ONE_PLY < 15 ? depth / ONE_PLY : 15] +
                         margin_by_root_move[root_move_index < 7 ? root_move_index : 7];
  const int32_t r = depth - ((depth / 6) & ~3) - 12;
  const int32_t v =
      r < 4 ? Quiescence(alpha + margin, beta + margin, 0, -1) : AlphaBeta(alpha + margin, beta + margin, r, 1, -1);
  if (stop_search) return 0;
  if (v >= beta + margin) return v;
  return AlphaBeta(alpha, beta, depth, 1, -1);
}

int SearchRoot(int max_depth_arg, int use_book) {
  if (multi_pv > 1) return SearchRootMultiPV(max_depth_arg);
  pending_best_move = 0;
  if (!own_book) use_book = 0;
  AgeHistory(target_time < 71);
  ShiftKillers();
  ResetSearchCounters(max_depth_arg);

  if (book_loaded && use_book && search_moves_count == 0 && time_left != INFINITE_CLOCK) {
    Move move = ChooseBookMove();
    if (move) {
      if (pondering_now) {
        ponder_done = 1;
        ponder_reply = 0;
      }
      move = CompleteBookMove(move);
      move_list[0].move = move;
      move_list[0].score = 0;
      move_list_end = 2;
      root_scores[0] = 0;
      book_move_played = 1;
      iteration_depth = 1;
      searches_since_new_game = 0;
      WaitForInput();
      return 0;
    }
  }

  ply_records[0].flags = 0;
  int start_depth = 0;
  if (PrepareRootMoves(&start_depth)) return 1;
  // The clock path resumes from the stored root depth; a depth given with the
  // clock ("go depth", "sd") still caps the iterations.
  int last_depth = max_depth_arg;
  if (max_depth_arg != 999) {
    start_depth = 0;
  } else if (max_depth > 0 && max_depth < 998) {
    last_depth = max_depth;
    if (start_depth > last_depth - 1) start_depth = last_depth - 1 > 0 ? last_depth - 1 : 0;
  }

  root_move_count = move_list_end;
  if (root_move_count < 2 && !(search_moves_count == 1 && root_move_count == 1)) {
    if (pondering_now || go_ponder) {
      ponder_done = 1;
      ponder_reply = 0;
    }
    WaitForInput();
    searches_since_new_game++;
    return 0;
  }

  ply = 1;
  for (int d = start_depth; d < last_depth; d++) {
    iteration_depth = d;
    seldepth = d + 1;
    if (d >= 99) {
      WaitForInput();
      break;
    }
    if (d > 3) poll_countdown = -1;
    nodes++;
    int32_t delta = 20;
    while (RootPass(d, &delta) && !stop_search) {
    }
    if (stop_search) break;
    ply = 0;
    StoreTranspositionTable(ONE_PLY * d + 6, move_list[0].move, root_scores[0], HASH_EXACT, 0, 0);
    ply = 1;
    if (mate_goal == 0 && std::abs(root_scores[0]) > OPEN_WINDOW - d) {
      WaitForInput();
      break;
    }
  }
  searches_since_new_game++;
  return 0;
}

int SearchRootMultiPV(int max_depth_arg) {
  AgeHistory(0);
  ShiftKillers();
  ResetSearchCounters(max_depth_arg);
  pending_best_move = 0;
  ply_records[0].flags = 0;

  int start_depth = 0;
  if (PrepareRootMoves(&start_depth)) return 1;
  root_move_count = move_list_end;
  // Without a search the report is the move played.
  multi_pv_final_lines = 1;
  if (root_move_count < 2 && !(search_moves_count == 1 && root_move_count == 1)) return 0;
  ply = 1;
  if (max_depth_arg < 2) return 0;

  int d = 1;
  iteration_depth = 1;
  seldepth = 2;
  nodes++;
  for (;;) {
    SetLazyEvalWindow(d);
    root_move_index = 0;
    int32_t weakest = OPEN_WINDOW;
    while (root_move_index < move_list_end) {
      const int i = root_move_index;
      first_root_move_done = 0;
      const int32_t depth = MakeRootMove(i, d);
      int32_t score;
      if (i < multi_pv) {
        const int32_t s = root_scores[i];
        const int32_t v = ResearchRootMove(s - 40, s + 40, depth);
        if (stop_search) break;
        score = v;
        if (v >= s + 40) {
          root_scores[i] = v;
          PrintUciMultiPvInfo(i, 2);
          score = ResearchRootMove(v, OPEN_WINDOW, depth);
        } else if (v <= s - 40) {
          root_scores[i] = v;
          PrintUciMultiPvInfo(i, 1);
          score = ResearchRootMove(-OPEN_WINDOW, v, depth);
        }
        if (stop_search) break;
        if (score < weakest) weakest = score;
      } else {
        const int32_t v = ResearchRootMove(weakest, weakest + 1, depth);
        if (stop_search) break;
        score = v;
        if (v > weakest) {
          root_scores[i] = v;
          PrintUciMultiPvInfo(i, 2);
          score = ResearchRootMove(v, OPEN_WINDOW, depth);
          if (stop_search) break;
        }
      }
      root_scores[i] = score;
      UnmakeMove();
      for (int j = i; j > 0 && root_scores[j] > root_scores[j - 1]; j--) SwapRootEntries(j, j - 1);
      PrintUciMultiPvInfo(i, 3);
      root_move_index = i + 1;
    }
    if (root_move_index < move_list_end) {
      // Stopped inside a move: take it back. In the first depth the lines
      // already finished stand.
      UnmakeMove();
      if (d > 1)
        RestoreCompletedDepth();
      else if (root_move_index > 1)
        multi_pv_final_lines = root_move_index;
      return 0;
    }
    SaveCompletedDepth();
    multi_pv_final_lines = move_list_end;
    if (stop_search) return 0;
    d++;
    if (d >= max_depth_arg) return 0;
    iteration_depth = d;
    seldepth = d + 1;
    if (d == 99) {
      WaitForInput();
      RestoreCompletedDepth();
      return 0;
    }
    nodes++;
    if (d >= 4) poll_countdown = -1;
    if (multi_pv < root_move_count - 1) SortRootEntriesByScore(multi_pv, move_list_end);
  }
}

void GenerateRootQuietMoves() { GenerateQuietMoves(1); }

int PrepareRootMoves(int* start_depth) {
  Board& b = thread_board;
  const int side = int(b.SideToMove);
  // The principal-variation walk takes back root moves down to this ply.
  root_game_ply = game_ply;
  // A ponder search stands on the predicted move, not on a game position:
  // it neither announces nor learns. The short search that looks for a move
  // to ponder on stands on the real position.
  const int real_position = !pondering_now || ponder_move_search;
  const int print = !uci_mode && !silent_search && real_position;

  if (HasInsufficientMaterial(WHITE) || HasInsufficientMaterial(BLACK))
    Announce("1/2-1/2 {Draw by insufficient material}", print, real_position);
  if (IsThirdRepetition()) Announce("1/2-1/2 {Draw by repetition}", print, real_position);
  // The count of the position on the board: a capture or pawn move that
  // just reset it leaves nothing to claim.
  if (b.FiftyCount >= FIFTY_MOVE_PLIES && !IsCheckmate())
    Announce("1/2-1/2 {Draw by the 50-moves rule}", print, real_position);

  move_list_end = 0;
  ply = 0;

  const int32_t default_score = root_side == last_root_side ? last_root_score : -last_root_score;
  Move hash_move = 0;
  HashEntry* entry = TouchHashEntry();
  if (entry) {
    hash_move = HashEntryMove(*entry);
    const int32_t stored = entry->score;
    switch (tt_hit_bound) {
      case HASH_UPPER:
        root_scores[0] = stored <= -MATE_SCORE ? stored : default_score;
        break;
      case HASH_LOWER:
        root_scores[0] = stored >= MATE_SCORE ? stored : default_score;
        break;
      case HASH_EXACT:
        root_scores[0] = stored;
        // Only a searched root entry tells where to resume; a tablebase or
        // very deep entry would skip every iteration.
        if (hash_move != 0 && entry->depth >= 0 && entry->depth < 392) {
          const int resume = entry->depth / ONE_PLY + 1;
          *start_depth = resume > 97 ? 97 : resume;
        }
        break;
      default:
        root_scores[0] = -MATE_SCORE;
        break;
    }
  } else {
    root_scores[0] = default_score;
  }

  iteration_depth = 10;
  const int in_check = IsSquareAttacked(side ^ 1, int(b.KingSquare[side]));
  ply_records[0].in_check = uint32_t(in_check);

  if (in_check) {
    GenerateEvasions();
  } else {
    GenerateCaptures(b.Occupied[side ^ 1]);
    GeneratePromotions();
    SortGeneratedMoves(0, move_list_end);
    const Move killer1 = ply_records[0].killer1[side];
    const Move killer2 = ply_records[0].killer2[side];
    auto already_listed = [&](Move move) {
      for (int i = 0; i < move_list_end; i++)
        if (move_list[i].move == move) return true;
      return false;
    };
    if (killer1 && !already_listed(killer1)) AddMoveIfValid(killer1);
    if (killer2 && !already_listed(killer2)) AddMoveIfValid(killer2);
    const int quiet_start = move_list_end;
    GenerateRootQuietMoves();
    int kept = quiet_start;
    for (int i = quiet_start; i < move_list_end; i++) {
      const Move move = move_list[i].move;
      if (move == 0 || move == killer1 || move == killer2) continue;
      move_list[kept++] = move_list[i];
    }
    move_list_end = kept;
    SortGeneratedMoves(quiet_start, move_list_end);
  }

  // Keep the legal moves (and only the requested ones), noting checks and
  // the one recapture of the opponent's last capture, if unique.
  const int generated = move_list_end;
  int kept = 0, recaptures = 0;
  Move recapture = 0;
  for (int i = 0; i < generated && kept < MAX_ROOT_MOVES; i++) {
    const MoveEntry entry_i = move_list[i];
    const Move move = entry_i.move;
    if (move == 0) continue;
    if (search_moves_count != 0 && !InSearchMoves(move)) continue;
    MakeMove(move, 1);
    if (IsSquareAttacked(side ^ 1, int(b.KingSquare[side]))) {
      UnmakeMove();
      continue;
    }
    if (game_ply > 1) {
      const Move last = game_history[game_ply - 2].Move;
      if (MoveCaptured(last) != 0 && MoveTo(last) == MoveTo(move) && entry_i.score >= 1) {
        recapture = move;
        recaptures++;
      }
    }
    root_move_flags[kept] = IsSquareAttacked(side, int(b.KingSquare[side ^ 1]));
    UnmakeMove();
    if (kept) root_scores[kept] = 0;
    move_list[kept++] = entry_i;
  }
  obvious_move = recaptures == 1 ? recapture : 0;
  move_list_end = kept;

  if (kept == 0) {
    if (real_position && BookLearningDue()) LearnBookFromGame(2);
    iteration_depth = seldepth = root_move_index = 0;
    if (uci_mode) return 1;
    if (print) {
      if (!in_check)
        std::printf("1/2-1/2 {Stalemate}\n");
      else
        std::printf(side == WHITE ? "0-1 {Black mates}\n" : "1-0 {White mates}\n");
      std::fflush(stdout);
    }
    return 1;
  }

  iteration_depth = seldepth = root_move_index = 0;
  if (!hash_move) return 0;
  for (int j = 1; j < kept; j++) {
    if (move_list[j].move != hash_move) continue;
    const MoveEntry hashed = move_list[j];
    const int32_t flag = root_move_flags[j];
    for (int k = j; k > 0; k--) {
      move_list[k] = move_list[k - 1];
      root_move_flags[k] = root_move_flags[k - 1];
    }
    move_list[0] = hashed;
    root_move_flags[0] = flag;
    break;
  }
  if (uci_mode) {
    if (multi_pv < 2)
      PrintUciInfo(0, 3, 1);
    else
      PrintUciMultiPvInfo(0, 3);
  } else {
    PrintThinkingLine(1);
  }
  std::fflush(stdout);
  return 0;
}
