#include "interface/commands.h"

#include <cstdio>
#include <cstring>
#include <iterator>
#include <string>

#include "board/attacks.h"
#include "board/board.h"
#include "board/makemove.h"
#include "board/movekeys.h"
#include "board/notation.h"
#include "board/tables.h"
#include "book/book.h"
#include "eval/evaluate.h"
#include "eval/params.h"
#include "eval/pawns.h"
#include "interface/epd.h"
#include "interface/modes.h"
#include "interface/options.h"
#include "interface/perft.h"
#include "interface/pgn.h"
#include "interface/startup.h"
#include "interface/tokens.h"
#include "interface/tuner.h"
#include "interface/uci.h"
#include "platform/clock.h"
#include "search/driver.h"
#include "search/root.h"
#include "search/search.h"
#include "search/tables.h"
#include "tablebases/tablebases.h"

char command_line[COMMAND_LINE_SIZE];

void PrintBits(int value) {
  for (int bit = 0; bit < 8; bit++) std::putchar((value >> bit) & 1 ? '1' : '0');
}

Move ParseTypedMove(const char* text) {
  if (!IsCoordinateMoveText(text)) return 0;
  char move_text[6] = {};
  for (int i = 0; i < 5 && text[i]; i++) move_text[i] = text[i];
  move_text[0] = char(case_fold_table[uint8_t(move_text[0])]);
  move_text[2] = char(case_fold_table[uint8_t(move_text[2])]);
  return ParseCoordinateMove(move_text);
}

int PlayTypedMove(Move move) {
  if (move == 0 || !IsLegalMove(move)) return 0;
  if (!GameHasRoomForMove()) return 0;
  MakeMove(move, 1);
  return 1;
}

namespace {

// A handler returns 1 when the line is done, 0 when testing goes on with the
// keywords after its own.
using Handler = int (*)(int n);

// A clock or time in the engine's centiseconds: never below 0, which would
// read as "no clock" (-1) or be meaningless.
int32_t TimeArgument(const char* text, int64_t factor) {
  return Clamp(int64_t(ReadDecimal(text)) * factor, 0, INT32_MAX);
}

// ---- typed moves ----

// The first four characters of the line itself, without skipping blanks.
int TypedMove(int) {
  if (!IsCoordinateMoveText(command_line)) return 0;
  const Move move = ParseTypedMove(command_line);
  if (!PlayTypedMove(move)) {
    if (move && IsLegalMove(move))
      std::printf("Illegal move (the game is too long to go on): %s\n", command_line);
    else
      std::printf("Illegal move: %s\n", command_line);
    std::fflush(stdout);
    return 1;
  }
  if (!force_mode) {
    go_ponder = 0;
    search_moves_count = 0;
    Think();
  }
  return 1;
}

// ---- console and xboard handlers ----

// Testing goes on: "p" alone also selects "post".
int Pgneval(int) {
  ScanPgnFile(PGN_EVAL_FILE);
  return 0;
}
int Quit(int) { ExitProgram(0); }
int Clean(int) {
  ClearSearchTables();
  return 1;
}
int Reload(int) {
  LoadEvaluationParameters();
  return 1;
}

void PrintLines(const char* const* lines, int count) {
  for (int i = 0; i < count; i++) std::printf("%s\n", lines[i]);
}

int Help(int) {
  static const char* const page1[] = {
      "analyze ................... Enters analyze mode",
      "black ..................... Sets black to move and engine side to white",
      "brd ....................... Prints a board",
      "bkm ....................... Prints book moves for current position",
      "easy ...................... Toggles pondering off",
      "edit ...................... Edit board position",
      "egtbstat .................. Displays current EGTB status",
      "epdevl <f> ................ Produces static evaluations for EPD-file <f>",
      "evl ....................... Shows static evaluation for current position",
      "force ..................... Toggles autoplay off",
      "go ........................ Starts search",
      "hard ...................... Toggles pondering on",
      "help ...................... Displays this help",
      "level <m> <t> <i> ......... Sets ICS time controls",
      "loadfen <e> ............... Sets FEN-position <e>",
      "moves ..................... Displays all legal moves with ranking priorities",
      "mvd ....................... Shows position flags",
      "new ....................... Starts a new game",
      "nopost .................... Toggles silent mode on",
  };
  static const char* const page2[] = {
      "perft <d> ................. Tests the move generator/make_move with depth <d>",
      "post ...................... Toggles silent mode off",
      "q[uit] .................... Exits Dravelnor",
      "remove .................... Un-makes last moves of each side",
      "sd <d> .................... Sets max search depth to <d>",
      "st <t> .................... Sets max search time to <t>",
      "time <t> .................. Sets remaining game time in milliseconds to <t>",
      "uci ....................... UCI mode",
      "undo ...................... Un-makes last move of one side",
      "white ..................... Sets white to move and engine side to black",
  };
  std::printf("Dravelnor commands:\n");
  std::printf("%s\n\n", std::string(78, '-').c_str());
  PrintLines(page1, int(std::size(page1)));
  std::printf("\nPress <enter> to continue....");
  std::fflush(stdout);
  char discarded[COMMAND_LINE_SIZE];
  ReadInputLine(discarded, sizeof discarded);
  std::printf("\n");
  PrintLines(page2, int(std::size(page2)));
  std::printf("\n");
  std::fflush(stdout);
  return 1;
}

int New(int) {
  // A held UCI ponder result is the answer of its "go": it is given now, as
  // when "new" arrives during the search itself.
  if (uci_mode) TopLevelStop();
  NewGame();
  return 1;
}
int Post(int) {
  post_thinking = 1;
  return 1;
}

int Reset(int) {
  if (root_scores[0] == 0) LearnDrawnGame();
  ForgetLastGame();
  return 1;
}

int Level(int n) {
  if (n >= 5) {
    moves_to_go = Clamp(ReadDecimal(tokens[1]), 0, INT32_MAX);
    own_increment = TimeArgument(tokens[4], 100);
  } else if (n >= 2) {
    moves_to_go = Clamp(ReadDecimal(tokens[1]), 0, INT32_MAX);
    if (n == 4) own_increment = TimeArgument(tokens[3], 100);
  }
  return 1;
}

int Moves(int) {
  const int saved_end = move_list_end;
  std::printf("-------------- Legal moves: ----------------\n\n");
  int depth = 0;
  PrepareRootMoves(&depth);
  char text[8];
  for (int i = 0; i < move_list_end; i++)
    std::printf("%s (%d); ", MoveToPieceText(text, move_list[i].move), move_list[i].score);
  std::printf("\n");
  std::fflush(stdout);
  move_list_end = saved_end;
  return 1;
}

// A refused FEN keeps the previous position; the reason is shown.
void ReportBadFen(FenError error) {
  if (uci_mode)
    std::printf("info string Illegal position: %s\n", FenErrorText(error));
  else
    std::printf("Illegal position: %s\n", FenErrorText(error));
  std::fflush(stdout);
}

int Edit(int) {
  const FenError error = EditPosition();
  if (error != FEN_OK) ReportBadFen(error);
  return 1;
}

int Loadfen(int) {
  // The text after the keyword's own token, however the line was indented.
  const FenError error = LoadFen(RestOfLine(command_line, 1));
  if (error != FEN_OK) ReportBadFen(error);
  return 1;
}

int Epdevl(int) {
  EvaluateEpdFile(tokens[1]);
  return 1;
}
int Selftest(int) {
  ScoreParameterSet(TRAINING_FILE);
  return 1;
}
int Tunenew(int) {
  RunTuning();
  return 1;
}
int Nopost(int) {
  post_thinking = 0;
  return 1;
}

int PerftCommand(int n) {
  move_list_end = 0;
  if (n < 2) return 1;
  const int32_t depth = ReadDecimal(tokens[1]);
  // Depth 0 or less has no leaves to count; deeper than the move list allows
  // is refused by Perft itself.
  if (depth < 1 || depth > MAX_PERFT_DEPTH) return 1;
  const int64_t tick = ClockMilliseconds();
  while (ClockMilliseconds() == tick) {
  }
  const int64_t start = ClockMilliseconds();
  perft_nodes = 0;
  Perft(depth);
  const int64_t end = ClockMilliseconds();
  std::printf("total moves = %llu time = %.2f\n", (unsigned long long)perft_nodes,
              double(float(end - start) / 1000.0f));
  std::fflush(stdout);
  return 1;
}

int Sd(int n) {
  if (n >= 2) max_depth = ReadDecimal(tokens[1]);
  return 1;
}
int Stop(int) {
  TopLevelStop();
  return 1;
}
int St(int n) {
  if (n >= 2) fixed_move_time = TimeArgument(tokens[1], 100);
  return 1;
}
int Go(int n) {
  UciGo(n);
  return 1;
}
int Ponderhit(int) {
  TopLevelPonderHit();
  return 0;
}

// The side to move changes without a move: the game history no longer leads
// to this position, so it is dropped (a take-back through it would rebuild
// the men with the wrong colours). A switch that would leave the other side
// in check is refused as loadfen refuses such a position: the search would
// capture a king. Side, board and history then stay as they are.
void SetSideToMove(int side) {
  if (int(thread_board.SideToMove) != side) {
    if (KingCanBeTaken(side)) {
      ReportBadFen(FEN_OPPONENT_IN_CHECK);
      return;
    }
    thread_board.SideToMove = side;
    game_ply = setup_ply = 0;
  }
  engine_side = side ^ 1;
}

int White(int) {
  SetSideToMove(WHITE);
  return 1;
}
// A take-back never reaches behind the set-up position.
int Remove(int) {
  if (CanTakeBack()) UnmakeMove();
  if (CanTakeBack()) UnmakeMove();
  return 1;
}
int Analyze(int) {
  RunAnalyzeMode();
  return 1;
}
int Black(int) {
  SetSideToMove(BLACK);
  return 1;
}
int Force(int) {
  force_mode = 1;
  return 1;
}
int Brd(int) {
  PrintBoard();
  return 1;
}
int Time(int n) {
  if (n >= 2) time_left = TimeArgument(tokens[1], 1);
  return 1;
}
int Otime(int) { return 1; }
int Easy(int) {
  ponder_on = 0;
  return 1;
}
int Hard(int) {
  if (pondering_allowed) ponder_on = 1;
  return 1;
}

int Ending(int colour) {
  const Board& b = thread_board;
  const int opponent = colour ^ 1;
  return b.PieceMaterial[opponent] <= endgame_threshold ||
         (b.PieceCount[QUEEN][opponent] == 0 && b.PieceMaterial[opponent] <= endgame_threshold_no_queen);
}

// Table reads of the dump, kept inside the tables for any evaluation state.
int32_t DangerAt(int32_t danger) { return king_danger_table[Clamp(int64_t(danger) + 8, 0, 127)]; }
int32_t ShelterFactorAt(int32_t penalty) { return shelter_factor_table[Clamp(penalty, 0, 63)]; }
int32_t ShelterScoreAt(int32_t penalty) { return shelter_score_table[Clamp(penalty, 0, 63)]; }

int Evl(int) {
  const int s = int(thread_board.SideToMove), o = s ^ 1;
  root_side = s;
  int32_t score = NO_SCORE;
  EvaluatePosition(&score, MATE_SCORE);
  const EvalInfo& e = thread_eval_info;
  std::printf("Heuristic = %d\n", score);
  std::printf("PassedVector[BLACK] = ");
  PrintBits(PassedVector(BLACK));
  std::printf(" PassedVector[WHITE] = ");
  PrintBits(PassedVector(WHITE));
  std::printf("\n");
  std::printf("current_phase = %d, black_phase = %d, white_phase = %d\n", current_phase, black_phase, white_phase);
  std::printf("Material[WHITE] = %d thread_board.Material[BLACK] = %d EvaluateMaterial() = %d\n",
              thread_board.Material[WHITE], thread_board.Material[BLACK], e.material);
  std::printf("ENDING(WHITE) = %d ENDING(BLACK) = %d\n", Ending(WHITE), Ending(BLACK));
  std::printf("black_defects_k = %d black_defects_q = %d white_defects_k = %d white_defects_q = %d\n",
              PawnEntry.black_defects_k, PawnEntry.black_defects_q, PawnEntry.white_defects_k,
              PawnEntry.white_defects_q);
  std::printf("thread_eval_info.shelter_penalty[BLACK] = %d thread_eval_info.shelter_penalty[WHITE] = %d\n",
              e.shelter_penalty[BLACK], e.shelter_penalty[WHITE]);
  std::printf("thread_eval_info.danger[BLACK] = %d thread_eval_info.danger[WHITE] = %d\n", e.danger[BLACK],
              e.danger[WHITE]);
  const int32_t attacks_opponent = (DangerAt(e.danger[s]) * ShelterFactorAt(e.shelter_penalty[o])) >> 4;
  const int32_t attacks_own = (DangerAt(e.danger[o]) * ShelterFactorAt(e.shelter_penalty[s])) >> 4;
  std::printf("Attacks[ChangeSide(thread_board.SideToMove)] = %d\n", attacks_opponent);
  std::printf("Attacks[thread_board.SideToMove] = %d\n", attacks_own);
  std::printf("Shelter[BLACK] = %d Shelter[WHITE] = %d\n", ShelterScoreAt(e.shelter_penalty[BLACK]),
              ShelterScoreAt(e.shelter_penalty[WHITE]));
  std::printf("Dng = %d\n", attacks_opponent + ShelterScoreAt(e.shelter_penalty[o]));
  std::fflush(stdout);
  return 1;
}

int Undo(int) {
  if (CanTakeBack()) UnmakeMove();
  return 1;
}
int Fritz(int) {
  fritz_mode = 1;
  return 0;
}
int Xboard(int) {
  node_limit = 0;
  max_depth = 998;
  moves_to_go = 0;
  fixed_move_time = 0;
  mate_goal = 0;
  uci_mode = 0;
  ponder_on = pondering_allowed;
  return 1;
}
int Mvd(int) {
  std::printf("castling flags = %d\n", int(thread_board.Castling));
  std::fflush(stdout);
  return 1;
}

int Demo(int) {
  const int32_t saved_ponder_on = ponder_on;
  ponder_on = 0;
  NewGame();
  for (;;) {
    go_ponder = 0;
    search_moves_count = 0;
    const int32_t before = game_ply;
    Think();
    // Once the input has ended nothing could stop a search: the game ends.
    if (game_ply == before || InputClosed()) break;
  }
  ponder_on = saved_ponder_on;
  return 1;
}

int Bkm(int) {
  const uint64_t key = thread_board.Key;
  std::printf("Current nhash1 = %d, nhash2 = %d\n", int32_t(uint32_t(key)), int32_t(uint32_t(key >> 16)));
  if (book_loaded)
    PrintBookMoves();
  else
    std::printf("No book loaded...\n");
  std::fflush(stdout);
  return 1;
}

int Ucinewgame(int) {
  UciNewGame();
  return 1;
}
int Uci(int) {
  UciHandshake();
  return 1;
}
int Setoption(int n) {
  UciSetOption(n);
  return 1;
}
int Isready(int) {
  AnswerIsready();
  return 1;
}

int Egtbstat(int) {
  std::printf("UseEGTB = %s", use_egtb ? "TRUE" : "FALSE");
  std::printf("\ntb_path = %s\n", tb_path);
  PrintTablebaseReport();
  // Flushed, so that a front end on a pipe sees the lines now.
  std::fflush(stdout);
  return 0;
}

int Position(int n) {
  UciPosition(n);
  return 1;
}
int Debug(int) { return 1; }

struct Keyword {
  const char* word;  // nullptr: the typed-move test
  bool whole_word;   // selected only by a line that begins with the whole word
  Handler handler;
};

// The order decides between keywords that share a beginning.
constexpr Keyword keywords[] = {
    {"pgneval", false, Pgneval},
    {"q", false, Quit},
    {"clean", false, Clean},
    {"reload", false, Reload},
    {nullptr, false, TypedMove},
    {"help", false, Help},
    {"new", false, New},
    {"post", false, Post},
    {"reset", false, Reset},
    {"level", false, Level},
    {"moves", false, Moves},
    {"edit", false, Edit},
    {"loadfen", false, Loadfen},
    {"epdevl", false, Epdevl},
    {"selftest", false, Selftest},
    {"tunenew", false, Tunenew},
    {"nopost", false, Nopost},
    {"perft", false, PerftCommand},
    {"sd", false, Sd},
    {"stop", true, Stop},
    {"st", false, St},
    {"go", false, Go},
    {"ponderhit", false, Ponderhit},
    {"white", false, White},
    {"remove", false, Remove},
    {"analyze", false, Analyze},
    {"black", false, Black},
    {"force", false, Force},
    {"brd", false, Brd},
    {"time", false, Time},
    {"otime", false, Otime},
    {"easy", false, Easy},
    {"hard", false, Hard},
    {"evl", false, Evl},
    {"undo", false, Undo},
    {"fritz", false, Fritz},
    {"xboard", false, Xboard},
    {"mvd", false, Mvd},
    {"demo", false, Demo},
    {"bkm", false, Bkm},
    {"ucinewgame", true, Ucinewgame},
    {"uci", false, Uci},
    {"setoption", false, Setoption},
    {"isready", false, Isready},
    {"egtbstat", false, Egtbstat},
    {"position", false, Position},
    {"debug", false, Debug},
};

bool Selects(const Keyword& k, const char* line) {
  return k.whole_word ? BeginsWithWord(k.word, line) : MatchKeyword(k.word, line) != 0;
}

}  // namespace

void AnswerIsready() {
  std::printf("readyok\n");
  std::fflush(stdout);
}

void ProcessCommand() {
  // A front end that ends its lines with CR LF leaves a blank at the end
  // (the '\r' made one). Counted as an empty last token it would change what
  // a command reads: xboard's "go" would drop the clock and think for ever,
  // "level 40 5 2" would lose its increment. Blanks at the end carry nothing.
  size_t length = std::strlen(command_line);
  while (length > 0 && command_line[length - 1] == ' ') command_line[--length] = '\0';
  const int n = SplitTokens(command_line, MatchKeyword("level", command_line) ? LEVEL_SEPARATORS : COMMAND_SEPARATORS);
  for (const Keyword& k : keywords) {
    if (k.word && !Selects(k, command_line)) continue;
    if (k.handler(n)) return;
  }
}
