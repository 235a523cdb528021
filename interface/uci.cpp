#include "interface/uci.h"

#include <cstdio>
#include <cstring>
#include <iterator>

#include "board/board.h"
#include "board/makemove.h"
#include "board/notation.h"
#include "board/tables.h"
#include "book/book.h"
#include "interface/commands.h"
#include "interface/options.h"
#include "interface/poll.h"
#include "interface/startup.h"
#include "interface/tokens.h"
#include "search/driver.h"
#include "search/root.h"
#include "search/search.h"
#include "search/tables.h"
#include "tablebases/tablebases.h"

namespace {

// UCI milliseconds as the engine's centiseconds, never negative (a negative
// clock would read as "no clock").
int32_t MillisecondsArgument(const char* text) { return Clamp(ReadDecimal(text), 0, INT32_MAX) / 10; }

}  // namespace

void UciHandshake() {
  std::printf("id name Dravelnor %s\n", ENGINE_VERSION);
  std::printf("id author Tovanesk\n");
  std::printf("option name Hash type spin min 0 max 1024 default 10\n");
  std::printf("option name PawnHash type spin min 0 max 1024 default 7\n");
  std::printf("option name NalimovPath type string default c:\\tablebases\\\n");
  std::printf("option name OpeningsBook type string default .\\book.vop\n");
  std::printf("option name OwnBook type check default true\n");
  std::printf("option name NalimovCache type spin min 1 max 128 default 1\n");
  std::printf("option name MultiPV type spin min 1 max 1024 default 1\n");
  std::printf("option name Aggressivity type spin min 0 max 300 default %d\n", aggressivity);
  std::printf("option name Defensivity type spin min 0 max 300 default %d\n", cowardice);
  std::printf("option name Clear Hash type button\n");
  std::printf("uciok\n");
  std::fflush(stdout);
  uci_mode = 1;
  ponder_on = 0;
}

void UciSetOption(int n) {
  if (n < 2 || !MatchKeyword("name", tokens[1])) return;
  const char* name = tokens[2];
  const bool has_value = n > 3 && MatchKeyword("value", tokens[3]);
  // Numbers are held to the ranges that "uci" announces: a front end never
  // sends others, and larger ones would overflow the sizes computed from them.
  const int32_t v = ReadDecimal(tokens[4]);
  const char* text = RestOfLine(command_line, 4);
  if (MatchKeyword("Aggressivity", name)) {
    if (!has_value) return;
    aggressivity = Clamp(v, 0, 300);
    aggressivity_half = aggressivity / 2;
  } else if (MatchKeyword("Defensivity", name)) {
    if (!has_value) return;
    cowardice = Clamp(v, 0, 300);
    cowardice_half = cowardice / 2;
  } else if (MatchKeyword("MultiPV", name)) {
    if (has_value) multi_pv = Clamp(v, 1, 1024);
  } else if (MatchKeyword("Hash", name)) {
    if (has_value && !SetHashSize(Clamp(v, 0, 1024))) ExitProgram(1);
  } else if (MatchKeyword("PawnHash", name)) {
    if (has_value && !SetPawnHashSize(Clamp(v, 0, 1024))) ExitProgram(1);
  } else if (MatchKeyword("NalimovCache", name)) {
    if (use_egtb && has_value) SetTablebaseCacheSize(Clamp(v, 1, 128));
  } else if (MatchKeyword("Clear", name)) {
    if (n > 3 && MatchKeyword("Hash", tokens[3])) ClearTranspositionTable();
  } else if (MatchKeyword("OwnBook", name)) {
    if (!has_value) return;
    if (MatchKeyword("false", tokens[4]))
      own_book = 0;
    else if (MatchKeyword("true", tokens[4]))
      own_book = 1;
  } else if (MatchKeyword("NalimovPath", name)) {
    // An empty path is the working directory; an overlong one leaves the
    // registered tables as they are.
    if (!use_egtb || !has_value || !CopyPathString(text)) return;
    tb_max_men = InitTablebases(tb_path);
    SetTablebaseCacheSize(tb_cache_size >> 20);
  } else if (MatchKeyword("OpeningsBook", name)) {
    if (!has_value || text[0] == '\0') return;
    OpenOpeningBook(text);
  }
}

void LearnDrawnGame() {
  if (BookLearningDue() && int(thread_board.SideToMove) != root_side && game_ply != 0) {
    UnmakeMove();
    LearnBookFromGame(2);
  }
}

void ForgetLastGame() {
  std::memset(history_table, 0, sizeof history_table);
  ClearKillers();
  last_root_score = 0;
  last_root_side = 0;
  searches_since_new_game = 0;
  book_learning_done = 0;
}

void UciNewGame() {
  pending_best_move = 0;
  LearnDrawnGame();
  ForgetLastGame();
}

void UciPosition(int n) {
  if (n < 2) return;
  pending_best_move = 0;
  // A held ponder result belongs to the old position.
  go_ponder = 0;
  if (MatchKeyword("startpos", tokens[1])) {
    NewGame();
  } else if (MatchKeyword("fen", tokens[1])) {
    const FenError error = LoadFen(RestOfLine(command_line, 2));
    if (error != FEN_OK) {
      // The previous position stays, and the moves are not played on it.
      std::printf("info string Illegal position: %s\n", FenErrorText(error));
      std::fflush(stdout);
      return;
    }
  }
  if (n <= 3) return;
  int first = 2;
  while (first < n && !MatchKeyword("moves", tokens[first])) first++;
  for (int i = first + 1; i < n; i++) PlayTypedMove(ParseTypedMove(tokens[i]));
}

void UciGo(int n) {
  force_mode = 0;
  go_ponder = 0;
  search_moves_count = 0;
  // A mate goal is this search's own: left in force, it would blind every
  // later search to all but that one mate (a set-up position keeps it, as
  // "position fen" starts no new game).
  mate_goal = 0;
  if (n > 1) {
    moves_to_go = fixed_move_time = own_increment = node_limit = 0;
    max_depth = 998;
    // Without wtime or btime this search has no clock, whatever an earlier
    // "go" left: "go depth 5" after "go infinite" must not wait for "stop".
    time_left = -1;
    const int side = int(thread_board.SideToMove);
    for (int i = 1; i < n; i++) {
      const char* t = tokens[i];
      const char* value = i + 1 < n ? tokens[i + 1] : "";
      if (MatchKeyword("btime", t)) {
        if (side == BLACK) time_left = MillisecondsArgument(value);
        i++;
      } else if (MatchKeyword("wtime", t)) {
        if (side == WHITE) time_left = MillisecondsArgument(value);
        i++;
      } else if (MatchKeyword("binc", t)) {
        if (side == BLACK) own_increment = MillisecondsArgument(value);
        i++;
      } else if (MatchKeyword("winc", t)) {
        if (side == WHITE) own_increment = MillisecondsArgument(value);
        i++;
      } else if (MatchKeyword("movestogo", t)) {
        moves_to_go = Clamp(ReadDecimal(value), 0, INT32_MAX);
        i++;
      } else if (MatchKeyword("depth", t)) {
        max_depth = Clamp(ReadDecimal(value), 0, 998);
        i++;
      } else if (MatchKeyword("nodes", t)) {
        node_limit = Clamp(ReadDecimal(value), 0, INT32_MAX);
        i++;
      } else if (MatchKeyword("movetime", t)) {
        // At least one centisecond: 0 would mean "no move time".
        const int32_t ms = Clamp(ReadDecimal(value), 0, INT32_MAX);
        fixed_move_time = ms > 0 && ms < 10 ? 1 : ms / 10;
        i++;
      } else if (MatchKeyword("mate", t)) {
        mate_goal = Clamp(ReadDecimal(value), 0, 500);
        i++;
      } else if (MatchKeyword("infinite", t)) {
        time_left = INFINITE_CLOCK;
      } else if (MatchKeyword("searchmoves", t)) {
        // Only legal moves, each once: a list with none left searches all.
        for (int j = i + 1; j < n && search_moves_count < int(std::size(search_moves)); j++) {
          const Move move = ParseTypedMove(tokens[j]);
          if (!move || !IsLegalMove(move)) continue;
          bool seen = false;
          for (int k = 0; k < search_moves_count; k++) seen |= search_moves[k] == move;
          if (!seen) search_moves[search_moves_count++] = move;
        }
        break;
      } else if (MatchKeyword("ponder", t)) {
        go_ponder = 1;
      }
    }
  }
  // What this search is, for the learning after it: the limits may change
  // before a later "ucinewgame" asks.
  uci_analysis = SearchIsInfinite();
  ponder_search_stopped = 0;
  Think();
}

void TopLevelPonderHit() {
  if (!go_ponder) return;
  go_ponder = 0;
  // The held move, if it still fits the position on the board.
  const Move move = pending_best_move;
  if (!move || !IsLegalMove(move) || !GameHasRoomForMove()) return;
  PlayHeldPonderMove(move);
}

void TopLevelStop() {
  // Only a held ponder result is still unreported; after a normal search the
  // answer was printed already and a second "bestmove" would confuse the
  // front end's next search.
  if (!go_ponder || !pending_best_move) return;
  go_ponder = 0;
  ponder_search_stopped = 1;
  char text[8];
  std::printf("bestmove %s\n", MoveToText(text, pending_best_move));
  std::fflush(stdout);
}
