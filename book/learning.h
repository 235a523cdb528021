// book/learning.h: position learning: the learning file "Learn.vo1" (a hash
// table on disk of learnt scores), the queue of suspect moves and "learn.log".
// Reads the board, the game history and the search's root results and resign
// window; writes the learning file and the log. The search calls up into it
// (FindLearnRecord at its nodes, LearnAfterSearch from the game driver).
#pragma once

#include <cstdint>
#include <cstdio>

#include "board/board.h"

// File layout: the banner, then one u32 head per bucket (offset of the
// bucket's first record, 0 none), then 24-byte records appended at the end:
// i32 depth (quarter plies), i32 eval (centipawns, side to move), u32 move,
// u32 key0 (Key bits 0-31), u32 key1 (Key bits 16-47), u32 next (0 last).
// All numbers little-endian.
constexpr char LEARN_BANNER[] = "Dravelnor learning file";  // no NUL in the file
constexpr int LEARN_BANNER_SIZE = 23;
constexpr int LEARN_BUCKETS = 65536;
constexpr int64_t LEARN_HEADER_SIZE = LEARN_BANNER_SIZE + 4 * LEARN_BUCKETS;
constexpr int64_t LEARN_RECORD_SIZE = 24;
constexpr int LEARN_NEXT_FIELD = 20;
static_assert(LEARN_HEADER_SIZE == 262167);

// The open learning file, read and written in place; nullptr while none is
// open (then every operation does nothing and nothing is found).
extern FILE* learning_file;
// 0 when the file could only be opened for reading: it is consulted but
// never written.
extern int32_t learning_file_writable;

// Opens the file, creating an empty one when it does not exist: whole or not
// at all, so that a creation that fails leaves nothing. A file that cannot
// be made or opened, or that is not a learning file (anything but a regular
// file among them), is reported and left alone, and the engine plays on
// without it.
void OpenLearningFile(const char* name);
void CloseLearningFile();

// The two words that identify a position in the file.
inline uint32_t LearnKey0(uint64_t key) { return uint32_t(key); }
inline uint32_t LearnKey1(uint64_t key) { return uint32_t(key >> 16); }

// Looks the position up: *offset is the record's file offset, 0 when the
// position is not in the file (the other outputs are then untouched). A
// chain that leaves the file, points backwards or lands between records
// (a file cut short or damaged) ends the walk as not found.
void FindLearnRecord(uint32_t key0, uint32_t key1, int32_t* depth, int32_t* eval, uint32_t* move, uint32_t* offset);
// Appends a record and links it at the end of its bucket's chain.
void AddLearnRecord(uint32_t key0, uint32_t key1, int32_t depth, int32_t eval, uint32_t move);
// Overwrites the first five fields of the record at offset; its link stays.
void UpdateLearnRecord(uint32_t key0, uint32_t key1, int32_t depth, int32_t eval, uint32_t move, uint32_t offset);

// ---- the learning queue ----
struct LearnQueueEntry {
  uint32_t key0;
  uint32_t key1;
  int32_t depth;     // iteration depth * 4 + 2 (quarter plies)
  int32_t old_eval;  // score of the engine's previous move (logged only)
  int32_t eval;      // score of the latest move (stored)
  uint32_t move;     // the move the engine played in the position
  char fen[128];     // the position's FEN and the move, for the log
};
constexpr int LEARN_QUEUE_SIZE = 3;
constexpr int LEARN_TEXT_SIZE = 128;
extern LearnQueueEntry learn_queue[LEARN_QUEUE_SIZE];
extern int32_t learn_queue_count;
extern char learn_text[LEARN_TEXT_SIZE];
extern int32_t learn_text_length;
// Running number of the log lines of this run.
extern int32_t learn_log_counter;

// After each move the engine made (and announced), when learning is on: a
// score that fell by more than 40 centipawns queues the position where the
// engine played its move before; a score that keeps falling below -400
// writes the queue into the file, one that recovers (or a book move) drops
// it. Moves the board back three plies and forward again. It does nothing
// after a silent search or an analysis (SearchIsAnalysis), nor without a
// writable learning file.
void LearnAfterSearch();
// Fills the next queue slot with the current position (the caller makes sure
// that one is free).
void QueueLearnEntry(uint32_t key0, uint32_t key1, Move move, int32_t old_eval, int32_t eval, int32_t depth);
void CommitLearnQueue();
void CommitLearnEntry(int slot);
// learn_text = the current position as FEN without the move counters, then
// the move's four square characters when move is not 0.
void FormatLearnFen(Move move);
void AppendLearnText(const char* text);
// Appends one line to "learn.log" in the working directory; a log that
// cannot be written is reported once and the line is lost.
void WriteLearnLogLine(const char* tag, int32_t depth, int32_t old_eval, int32_t eval, const char* fen);
