#include "book/learning.h"

#include <cstring>
#include <string>

#include "board/makemove.h"
#include "board/notation.h"
#include "board/tables.h"
#include "interface/options.h"
#include "interface/poll.h"
#include "platform/files.h"
#include "search/search.h"

FILE* learning_file;
int32_t learning_file_writable;

LearnQueueEntry learn_queue[LEARN_QUEUE_SIZE];
int32_t learn_queue_count;
char learn_text[LEARN_TEXT_SIZE];
int32_t learn_text_length;
int32_t learn_log_counter;

namespace {

// The trigger's thresholds, in centipawns unless said otherwise.
constexpr int32_t COMMIT_BELOW = -400;    // a queued fall that goes on below this is stored
constexpr int32_t RECOVERED_ABOVE = -10;  // three moves above this drop the queue
constexpr int32_t SUSPECT_FALL = -40;     // a fall of more than this is suspect
constexpr int32_t PREVIOUS_ABOVE = -180;  // ... when the previous move scored above this
constexpr int32_t CURRENT_BELOW = 520;    // ... and the latest one below this
constexpr int32_t MIN_ITERATION = 6;      // the latest search went deeper than this
constexpr int32_t MIN_PIECE_UNITS = 13;   // both sides keep more pieces than this
constexpr int32_t MAX_FIFTY_COUNT = 70;
constexpr int32_t MAX_LEARN_PLY = 100;

// The file's length as last seen; a link past it makes us look again, since
// another engine sharing the file may have appended since.
int64_t learning_file_length;
char learning_file_name[1024] = "Learn.vo1";
bool write_failure_reported;
bool log_failure_reported;

void Report(const char* format, const char* name) {
  std::printf(format, name);
  std::fflush(stdout);
}

uint32_t ReadUint32(const uint8_t* p) {
  return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

void WriteUint32(uint8_t* p, uint32_t value) {
  for (int i = 0; i < 4; i++) p[i] = uint8_t(value >> (8 * i));
}

bool ReadAt(uint64_t offset, uint8_t* buffer, size_t size) {
  return SeekFile(learning_file, offset) == 0 && std::fread(buffer, 1, size, learning_file) == size;
}

// Every write is flushed at once: a front end that kills the engine must not
// leave a link to a record that never reached the file.
bool WriteAt(uint64_t offset, const uint8_t* buffer, size_t size) {
  const bool ok = SeekFile(learning_file, offset) == 0 && std::fwrite(buffer, 1, size, learning_file) == size &&
                  std::fflush(learning_file) == 0;
  if (!ok && !write_failure_reported) {
    Report("Error writing \"%s\"!\n", learning_file_name);
    write_failure_reported = true;
  }
  return ok;
}

uint64_t GetLearnBucketOffset(uint32_t key0) { return LEARN_BANNER_SIZE + 4 * uint64_t(key0 & 0xFFFF); }

// A record offset that a chain may hold after previous: inside the file, on
// a record boundary and further on than the record before (records are only
// appended, so every chain runs forwards; this also ends any loop).
bool IsChainLink(uint64_t offset, uint64_t previous) {
  if (offset < uint64_t(LEARN_HEADER_SIZE) || offset <= previous ||
      (offset - LEARN_HEADER_SIZE) % LEARN_RECORD_SIZE != 0)
    return false;
  if (int64_t(offset + LEARN_RECORD_SIZE) > learning_file_length) learning_file_length = FileLength(learning_file);
  return int64_t(offset + LEARN_RECORD_SIZE) <= learning_file_length;
}

struct LearnRecord {
  int32_t depth;
  int32_t eval;
  uint32_t move;
  uint32_t key0;
  uint32_t key1;
  uint32_t next;
};

void EncodeRecord(uint8_t* p, const LearnRecord& r) {
  WriteUint32(p, uint32_t(r.depth));
  WriteUint32(p + 4, uint32_t(r.eval));
  WriteUint32(p + 8, r.move);
  WriteUint32(p + 12, r.key0);
  WriteUint32(p + 16, r.key1);
  WriteUint32(p + 20, r.next);
}

// Walks key0's chain. Returns the offset of the record holding key0 and
// *key1 (no key1: walk to the end), or 0; *tail is then the slot (the head
// or a next field) where the chain ends: the one holding 0, or a link that
// does not lead to a record, which an append overwrites and so mends the
// chain.
uint64_t WalkLearnChain(uint32_t key0, const uint32_t* key1, LearnRecord* found, uint64_t* tail) {
  uint64_t slot = GetLearnBucketOffset(key0), previous = 0;
  uint8_t bytes[LEARN_RECORD_SIZE];
  if (!ReadAt(slot, bytes, 4)) {
    *tail = slot;
    return 0;
  }
  uint64_t at = ReadUint32(bytes);
  while (at != 0 && IsChainLink(at, previous) && ReadAt(at, bytes, LEARN_RECORD_SIZE)) {
    if (key1 && ReadUint32(bytes + 12) == key0 && ReadUint32(bytes + 16) == *key1) {
      found->depth = int32_t(ReadUint32(bytes));
      found->eval = int32_t(ReadUint32(bytes + 4));
      found->move = ReadUint32(bytes + 8);
      return at;
    }
    previous = at;
    slot = at + LEARN_NEXT_FIELD;
    at = ReadUint32(bytes + LEARN_NEXT_FIELD);
  }
  *tail = slot;
  return 0;
}

uint64_t FindLearnChainTail(uint32_t key0) {
  LearnRecord unused;
  uint64_t tail = 0;
  WalkLearnChain(key0, nullptr, &unused, &tail);
  return tail;
}

bool HasWritableFile() { return learning_file && learning_file_writable; }

}  // namespace

void OpenLearningFile(const char* name) {
  CloseLearningFile();
  std::snprintf(learning_file_name, sizeof learning_file_name, "%s", name);
  const FileKind kind = KindOfFile(name);
  if (kind == FILE_OTHER) {
    // A FIFO, a device or a folder: no learning file, and none can be made.
    Report("\"%s\" is not a learning file: learning is off\n", name);
    return;
  }
  if (kind == FILE_MISSING) {
    // The banner, then every bucket head 0; made whole or not at all, so
    // that a full disk leaves no file cut short that a later start would
    // refuse.
    std::string empty(size_t(LEARN_HEADER_SIZE), '\0');
    empty.replace(0, LEARN_BANNER_SIZE, LEARN_BANNER, LEARN_BANNER_SIZE);
    if (!CreateWholeFile(name, empty)) {
      Report("Error creating \"%s\"!\n", name);
      return;
    }
  }

  // Another engine may write the file between two lookups.
  learning_file_writable = 1;
  learning_file = OpenSharedFile(name, "rb+");
  if (!learning_file) {
    learning_file_writable = 0;
    learning_file = OpenSharedFile(name, "rb");
    if (!learning_file) {
      Report("Error opening \"%s\"!\n", name);
      return;
    }
  }

  // Writing into some other file would damage it: such a file is left alone.
  // The name may have changed kind since it was looked at.
  learning_file_length = IsRegularStream(learning_file) ? FileLength(learning_file) : 0;
  uint8_t banner[LEARN_BANNER_SIZE];
  if (learning_file_length < LEARN_HEADER_SIZE || !ReadAt(0, banner, LEARN_BANNER_SIZE) ||
      std::memcmp(banner, LEARN_BANNER, LEARN_BANNER_SIZE) != 0) {
    Report("\"%s\" is not a learning file: learning is off\n", name);
    CloseLearningFile();
    return;
  }
  if (!learning_file_writable) Report("\"%s\" is read-only: nothing will be learnt into it\n", name);
}

void CloseLearningFile() {
  if (learning_file) std::fclose(learning_file);
  learning_file = nullptr;
  learning_file_writable = 0;
  learning_file_length = 0;
}

void FindLearnRecord(uint32_t key0, uint32_t key1, int32_t* depth, int32_t* eval, uint32_t* move, uint32_t* offset) {
  *offset = 0;
  if (!learning_file) return;
  LearnRecord record;
  uint64_t tail;
  const uint64_t at = WalkLearnChain(key0, &key1, &record, &tail);
  if (at == 0) return;
  *depth = record.depth;
  *eval = record.eval;
  *move = record.move;
  *offset = uint32_t(at);
}

void AddLearnRecord(uint32_t key0, uint32_t key1, int32_t depth, int32_t eval, uint32_t move) {
  if (!HasWritableFile()) return;
  // Two engines in one folder share the file: appends and updates hold its
  // lock so that they never pick the same tail or length.
  LockSharedFile(learning_file, true);
  // The end as it is now, with whatever another engine appended. A record
  // cut short by a crash is filled up with zeros to the next record
  // boundary (whole again but for its link, when its keys reached the
  // file), and the new one starts there.
  const int64_t length = FileLength(learning_file);
  if (length >= LEARN_HEADER_SIZE) {
    const int64_t records = (length - LEARN_HEADER_SIZE + LEARN_RECORD_SIZE - 1) / LEARN_RECORD_SIZE;
    const int64_t offset = LEARN_HEADER_SIZE + records * LEARN_RECORD_SIZE;
    const uint8_t zeros[LEARN_RECORD_SIZE] = {};
    // Offsets are 32-bit in the file.
    if (offset + LEARN_RECORD_SIZE <= int64_t(UINT32_MAX) &&
        (offset == length || WriteAt(uint64_t(length), zeros, size_t(offset - length)))) {
      learning_file_length = offset;
      // The tail is found before the record is written: a link left
      // dangling at the end by a crash must not lead into the new record
      // itself. Then the record, then the link to it: a crash in between
      // leaves an unlinked record, never a link to nothing.
      const uint64_t tail = FindLearnChainTail(key0);
      uint8_t bytes[LEARN_RECORD_SIZE];
      EncodeRecord(bytes, {depth, eval, move, key0, key1, 0});
      if (WriteAt(uint64_t(offset), bytes, sizeof bytes)) {
        learning_file_length = offset + LEARN_RECORD_SIZE;
        uint8_t link[4];
        WriteUint32(link, uint32_t(offset));
        WriteAt(tail, link, 4);
      }
    }
  }
  LockSharedFile(learning_file, false);
}

void UpdateLearnRecord(uint32_t key0, uint32_t key1, int32_t depth, int32_t eval, uint32_t move, uint32_t offset) {
  if (!HasWritableFile() || !IsChainLink(offset, 0)) return;
  uint8_t bytes[LEARN_RECORD_SIZE];
  EncodeRecord(bytes, {depth, eval, move, key0, key1, 0});
  LockSharedFile(learning_file, true);
  WriteAt(offset, bytes, LEARN_NEXT_FIELD);
  LockSharedFile(learning_file, false);
}

void AppendLearnText(const char* text) {
  const size_t length = std::strlen(text);
  if (learn_text_length + length >= sizeof learn_text) return;
  std::memcpy(learn_text + learn_text_length, text, length + 1);
  learn_text_length += int32_t(length);
}

void FormatLearnFen(Move move) {
  static const char letters[] = " KNP?RBQ";
  const Board& b = thread_board;
  learn_text_length = 0;
  learn_text[0] = 0;
  char piece[2] = {0, 0};
  for (int rank = 7; rank >= 0; rank--) {
    int empty = 0;
    for (int file = 0; file < 8; file++) {
      const int square = rank * 8 + file;
      if (b.Square[square] == EMPTY) {
        empty++;
        continue;
      }
      if (empty) {
        piece[0] = char('0' + empty);
        AppendLearnText(piece);
        empty = 0;
      }
      piece[0] = letters[b.Square[square] & 7];
      if (b.Occupied[BLACK] & SquareBit(square)) piece[0] = char(piece[0] - 'A' + 'a');
      AppendLearnText(piece);
    }
    if (empty) {
      piece[0] = char('0' + empty);
      AppendLearnText(piece);
    }
    if (rank > 0) AppendLearnText("/");
  }
  AppendLearnText(b.SideToMove == WHITE ? " w " : " b ");

  if (b.Castling & 15) {
    if (b.Castling & WHITE_SHORT) AppendLearnText("K");
    if (b.Castling & WHITE_LONG) AppendLearnText("Q");
    if (b.Castling & BLACK_SHORT) AppendLearnText("k");
    if (b.Castling & BLACK_LONG) AppendLearnText("q");
    AppendLearnText(" ");
  } else {
    AppendLearnText("- ");
  }

  // The passed-over square only when a pawn of the side to move could take.
  bool en_passant = false;
  if (game_ply > 0) {
    const Move last = game_history[game_ply - 1].Move;
    const int from = MoveFrom(last), to = MoveTo(last), file = to & 7;
    const uint64_t own_pawns = b.Pieces[PAWN][b.SideToMove];
    if (MovePiece(last) == PAWN && (from - to == 16 || to - from == 16) &&
        ((file > 0 && (own_pawns & SquareBit(to - 1))) || (file < 7 && (own_pawns & SquareBit(to + 1))))) {
      const int passed = (from + to) / 2;
      const char square[4] = {char('a' + (passed & 7)), char('1' + (passed >> 3)), ' ', 0};
      AppendLearnText(square);
      en_passant = true;
    }
  }
  if (!en_passant) AppendLearnText("- ");

  if (move != 0) {
    char text[8];
    AppendLearnText(MoveToSquaresText(text, move));
  }
}

void WriteLearnLogLine(const char* tag, int32_t depth, int32_t old_eval, int32_t eval, const char* fen) {
  FILE* log = OpenOutputFile("learn.log", true);
  if (log) {
    std::fprintf(log, "%d\t%s Depth = %d\tOldEvaluation = %d\tEvaluaton = %d\tFEN = %s\n", learn_log_counter, tag,
                 depth, old_eval, eval, fen);
    if (std::fclose(log) != 0) log = nullptr;
  }
  if (!log && !log_failure_reported) {
    Report("Error writing \"%s\"!\n", "learn.log");
    log_failure_reported = true;
  }
  learn_log_counter++;
}

void QueueLearnEntry(uint32_t key0, uint32_t key1, Move move, int32_t old_eval, int32_t eval, int32_t depth) {
  LearnQueueEntry& e = learn_queue[learn_queue_count];
  e.key0 = key0;
  e.key1 = key1;
  e.depth = depth;
  e.old_eval = old_eval;
  e.eval = eval;
  e.move = move;
  FormatLearnFen(move);
  std::memcpy(e.fen, learn_text, sizeof e.fen);
  learn_queue_count++;
}

void CommitLearnEntry(int slot) {
  const LearnQueueEntry& e = learn_queue[slot];
  int32_t depth, eval;
  uint32_t move, offset;
  FindLearnRecord(e.key0, e.key1, &depth, &eval, &move, &offset);
  if (offset == 0) {
    if (log_learning_into_file) WriteLearnLogLine("Add:", e.depth, e.old_eval, e.eval, e.fen);
    AddLearnRecord(e.key0, e.key1, e.depth, e.eval, e.move);
  } else {
    if (log_learning_into_file) WriteLearnLogLine("Refresh:", e.depth, e.old_eval, e.eval, e.fen);
    UpdateLearnRecord(e.key0, e.key1, e.depth, e.eval, e.move, offset);
  }
}

void CommitLearnQueue() {
  for (int slot = 0; slot < learn_queue_count; slot++) CommitLearnEntry(slot);
  learn_queue_count = 0;
}

void LearnAfterSearch() {
  // A score of a search that plays no move of the game proves nothing.
  if (silent_search || SearchIsAnalysis() || !HasWritableFile()) return;
  const int n = game_ply;

  if (learn_queue_count > 0 && root_scores[0] < COMMIT_BELOW) {
    CommitLearnQueue();
  } else if ((resign_scores[7] > RECOVERED_ABOVE && resign_scores[8] > RECOVERED_ABOVE &&
              resign_scores[9] > RECOVERED_ABOVE) ||
             book_move_played) {
    learn_queue_count = 0;
  }

  const int32_t previous = resign_scores[8], current = resign_scores[9];
  // The last two window slots must be this game's last two moves of the
  // engine: the board now shows the position after the latest one.
  if (n <= 2 || resign_book_flags[8] || resign_book_flags[9] || previous <= PREVIOUS_ABOVE ||
      current >= CURRENT_BELOW || current - previous >= SUSPECT_FALL || iteration_depth <= MIN_ITERATION ||
      thread_board.Key != resign_keys[9] || game_history[n - 2].Key != resign_keys[8])
    return;

  // Back to the position where the engine played its previous move.
  const Move moves[3] = {game_history[n - 3].Move, game_history[n - 2].Move, game_history[n - 1].Move};
  for (int i = 0; i < 3; i++) UnmakeMove();

  const Board& b = thread_board;
  if (b.PieceMaterial[WHITE] > MIN_PIECE_UNITS && b.PieceMaterial[BLACK] > MIN_PIECE_UNITS &&
      b.FiftyCount < MAX_FIFTY_COUNT && game_ply < MAX_LEARN_PLY && learn_queue_count < LEARN_QUEUE_SIZE) {
    const int32_t depth = iteration_depth * 4 + 2;
    const uint32_t key0 = LearnKey0(b.Key), key1 = LearnKey1(b.Key);
    int32_t stored_depth, stored_eval;
    uint32_t stored_move, offset;
    FindLearnRecord(key0, key1, &stored_depth, &stored_eval, &stored_move, &offset);
    if (offset == 0 || stored_depth < depth) QueueLearnEntry(key0, key1, moves[0], previous, current, depth);
  }

  for (int i = 0; i < 3; i++) MakeMove(moves[i], 1);
}
