#include "interface/startup.h"

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>

#include "board/movekeys.h"
#include "board/tables.h"
#include "book/book.h"
#include "book/learning.h"
#include "eval/bitbases.h"
#include "eval/params.h"
#include "eval/pawns.h"
#include "eval/pst.h"
#include "interface/commands.h"
#include "interface/ini.h"
#include "interface/input.h"
#include "interface/options.h"
#include "interface/uci.h"
#include "platform/random.h"
#include "search/driver.h"
#include "search/search.h"
#include "search/tables.h"
#include "tablebases/tablebases.h"

#ifndef DRAVELNOR_REVISION
#define DRAVELNOR_REVISION 1
#endif

void InitStartupTables() {
  InitZobristKeys();
  InitBitboardMasks();
  InitAttackTables();
  BuildPieceSquareTables();
  ResetResignWindow();
  InitKnightDistance();
  InitKnightCatchMasks();
  LoadEvaluationParameters();
  ClearCaptureStatistics();
}

int AllocateStartupTables() {
  if (!AllocateHashTables()) return 0;
  BuildMoveKeyTable();
  return 1;
}

namespace {

void SetFirstDefaults() {
  own_book = 1;
  pending_best_move = 0;
  multi_pv = 1;
  searches_since_new_game = 0;
  ResetInput();
  std::strcpy(tb_path, "c:\\tablebases\\");
  use_learning = 0;
  use_learning_data = 0;
  log_learning_into_file = 0;
  book_learning_done = 1;
  ponder_move_search = 0;
  pondering_allowed = 1;
  ponder_on = 1;
  use_egtb = 1;
  uci_mode = 0;
  fritz_mode = 0;
  own_increment = 0;
  moves_to_go = 0;
  node_limit = 0;
  seldepth = 0;
}

void SetSecondDefaults() {
  eval_cache_entries = 524288;
  tb_cache_size = 1048576;
  tt_entries = 524288;
  pawn_hash_entries = 262144;
  aggressivity = 100;
  cowardice = 100;
  resign_value = 800;
  resign_times = 3;
  aggressivity_half = 50;
  cowardice_half = 50;
  book_learning_mode = 0;
  use_book_learning = 1;
  use_book_weights = 1;
  book_learning_bound = 400;
  variety_of_play = 10;
}

// "Dravelnor v1.60 [r1/10.12.2026]": the date is the build's, from the
// compiler's "Mmm dd yyyy".
void PrintBanner() {
  static const char months[] = "JanFebMarAprMayJunJulAugSepOctNovDec";
  const char* date = __DATE__;
  int month = 1;
  for (int m = 0; m < 12; m++)
    if (std::strncmp(months + 3 * m, date, 3) == 0) month = m + 1;
  const int day = std::atoi(date + 4);
  const int year = std::atoi(date + 7);
  char banner[96];
  std::snprintf(banner, sizeof banner, "Dravelnor v%s [r%d/%02d.%02d.%04d]", ENGINE_VERSION, DRAVELNOR_REVISION, day,
                month, year);
  std::puts(banner);
}

const char* OnOff(int32_t flag) { return flag ? "on" : "off"; }

void RegisterTablebases() {
  if (!use_egtb) {
    tb_max_men = 0;
    return;
  }
  tb_max_men = InitTablebases(tb_path);
  PrintTablebaseReport();
  if (tb_max_men) AllocateTablebaseCache();
  // A GUI on a pipe would otherwise wait for these lines.
  std::fflush(stdout);
}

}  // namespace

void PrintTablebaseReport() {
  if (tb_max_men)
    std::printf("%d piece EGTB files found\n", tb_max_men);
  else
    // Not "not found": xboard takes any engine line holding those words
    // for a failed start and drops the engine.
    std::puts("No EGTB files found");
  if (tb_decoder_memory)
    std::printf("%dkb of RAM used for TB indices and decompression tables\n", int((tb_decoder_memory + 1023) / 1024));
}

void PrintSettingsEcho() {
  std::printf("Transposition size is %d entries (%lld bytes)\n", int(tt_entries), (long long)tt_entries * 20);
  std::printf("Pawn hash size is %d entries (%lld bytes)\n", int(pawn_hash_entries),
              (long long)pawn_hash_entries * PAWN_HASH_ENTRY_SIZE);
  std::printf("EGTBHashSize = %d bytes\n", tb_cache_size);
  std::printf("Aggressivity = %d (%d)%%\nCowardice = %d (%d)%%\n", aggressivity, aggressivity_half, cowardice,
              cowardice_half);
  std::printf("ResignValue = %d\nResignTimes = %d\n", resign_value, resign_times);
  std::printf("UseEGTB = ");
  std::puts(OnOff(use_egtb));
  std::printf("EGTB path = \"%s\"\n", tb_path);
  std::printf("UseBookWeights = ");
  std::puts(OnOff(use_book_weights));
  std::printf("UseBookLearning = ");
  std::puts(OnOff(use_book_learning));
  std::printf("BookLearningMode = ");
  std::puts(book_learning_mode ? "DISCOVER" : "KILL");
  std::printf("VarietyOfPlay = %d\nBookLearningBound = %d\n", variety_of_play, book_learning_bound);
  std::printf("UseLearning = ");
  std::puts(OnOff(use_learning));
  std::printf("UseLearningData = ");
  std::puts(OnOff(use_learning_data));
  std::printf("LogLearningIntoFile = ");
  std::puts(OnOff(log_learning_into_file));
  std::printf("Pondering = ");
  std::puts(pondering_allowed ? "on\n" : "off\n");
  std::fflush(stdout);
}

void StartEngine() {
  // A front end that goes away must not kill the engine in the middle of a
  // write; the end of its input ends the engine instead. xboard may send
  // interrupts to engines that did not refuse them.
  std::signal(SIGPIPE, SIG_IGN);
  std::signal(SIGINT, SIG_IGN);

  SetFirstDefaults();
  PrintBanner();
  InitStartupTables();
  SetSecondDefaults();
  ReadIniFile();
  if (!AllocateStartupTables()) ExitProgram(1);
  SeedRandom(uint32_t(GetTimeSeconds()));
  if (!book_loaded) OpenOpeningBook("Book.vop");
  PrintSettingsEcho();
  if (use_learning || use_learning_data) OpenLearningFile("Learn.vo1");
  post_thinking = 1;
  time_left = -1;
  RegisterTablebases();
  NewGame();
}

void RunInputLoop() {
  for (;;) {
    while (!TakePendingLine(command_line, COMMAND_LINE_SIZE)) {
      // Nothing more can come: answer a held ponder search as "stop" would,
      // then leave as "quit" does.
      if (!ReadInputChunk()) {
        TopLevelStop();
        ExitProgram(0);
      }
    }
    ProcessCommand();
  }
}

void FreeTokenBuffers() {}

void ExitProgram(int code) {
  FreeTranspositionTable();
  FreeEvalCache();
  FreeMoveKeyTable();
  FreePawnHash();
  FreeTablebaseCache();
  if (book_loaded || book_file) CloseOpeningBook();
  if (learning_file) CloseLearningFile();
  FreeTokenBuffers();
  std::fflush(stdout);
  std::exit(code);
}

void QuitDuringSearch() { ExitProgram(0); }

int64_t GetTimeSeconds() { return int64_t(std::time(nullptr)); }
