// A process harness for scripted sessions: it starts the built engine in a
// fresh temporary directory, talks to it through real pipes and keeps every
// output line, so that tests can assert on the exact dialogue.
#pragma once

#include <gtest/gtest.h>
#include <sys/types.h>

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace session {

// Generous: the 32-bit build runs the engine under an emulator.
constexpr int kDefaultTimeoutMs = 20000;

struct ExtraFile {
  std::string name;
  std::string content;
};

// An entry that is not a plain file written by the harness: a symbolic or a
// hard link (to target, as given), a FIFO or a folder.
struct SpecialFile {
  enum Kind { SYMBOLIC_LINK, HARD_LINK, FIFO, FOLDER };
  Kind kind;
  std::string name;
  std::string target;  // the links only
};
// Makes it under directory (folders on the way are made); false on failure.
bool MakeSpecialFile(const std::string& directory, const SpecialFile& file);

struct SessionOptions {
  // values.txt from the data folder; without it the engine reports the
  // missing parameters file.
  bool copy_values = true;
  // Written into the working directory before the engine starts (a name
  // may hold folders, which are made).
  std::vector<ExtraFile> files;
  // A limit on the engine's address space in bytes (0: none), to make its
  // large allocations fail.
  long long address_space_limit = 0;
  // A limit on the size of every file the engine writes, in bytes (0:
  // none), as a full disk would stop it: a write past it fails (EFBIG), the
  // engine is not ended.
  long long file_size_limit = 0;
  // Made after the files above, in this order.
  std::vector<SpecialFile> special_files;
  // Another session's working directory to run in (empty: a fresh one), as
  // two engines of one front end share a folder. The files above are still
  // written there; the folder stays its owner's, which must outlive this
  // session.
  std::string directory;
};
// True when the engine runs under an emulator, whose own address space
// needs make a limit meaningless.
bool RunsUnderEmulator();

// What WaitFor collected: every line read, the matching one last.
struct WaitResult {
  bool matched = false;
  std::vector<std::string> lines;
  // The matching line ("" when none matched).
  const std::string& match() const;
  // The lines before the match (all of them when none matched).
  std::vector<std::string> before() const;
};

struct ExitResult {
  bool exited = false;  // ended through exit(); code is valid
  int code = -1;
  int signal = 0;          // non-zero when a signal ended it
  bool timed_out = false;  // still running at the deadline: it was killed
};

class EngineSession {
 public:
  explicit EngineSession(SessionOptions options = {});
  ~EngineSession();
  EngineSession(const EngineSession&) = delete;
  EngineSession& operator=(const EngineSession&) = delete;

  // False (with error() telling why) when the engine could not be started.
  bool started() const { return pid_ > 0; }
  const std::string& error() const { return error_; }
  const std::string& directory() const { return directory_; }

  // Writes line and a line feed; false when the engine no longer reads.
  bool Send(const std::string& line);
  // Writes the bytes as they are (no line feed added).
  bool SendRaw(const std::string& bytes);
  // Ends the engine's standard input.
  void CloseInput();

  // The next output line without its '\n', or nullopt when none came in time
  // or the output ended (see output_closed()).
  std::optional<std::string> ReadLine(int timeout_ms = kDefaultTimeoutMs);
  // Reads lines until one satisfies the predicate.
  WaitResult WaitFor(const std::function<bool(const std::string&)>& predicate, int timeout_ms = kDefaultTimeoutMs);
  WaitResult WaitForPrefix(const std::string& prefix, int timeout_ms = kDefaultTimeoutMs);
  WaitResult WaitForLine(const std::string& exact, int timeout_ms = kDefaultTimeoutMs);
  WaitResult WaitForRegex(const std::string& pattern, int timeout_ms = kDefaultTimeoutMs);
  // Waits until the unfinished last output line (a prompt without a line
  // feed) ends with text; true when it did in time.
  bool WaitForPartial(const std::string& text, int timeout_ms = kDefaultTimeoutMs);
  // Sends "isready" and returns the lines that came before its "readyok";
  // matched is false when no "readyok" came. Only meaningful while the
  // engine is idle: during a search the answer does not wait for anything.
  WaitResult Sync(int timeout_ms = kDefaultTimeoutMs);
  // Sends a command that does not search, then syncs: the command's output
  // lines. A missing "readyok" fails the current test.
  std::vector<std::string> Run(const std::string& line, int timeout_ms = kDefaultTimeoutMs);

  // Waits for the process to end, reading its output meanwhile; kills it at
  // the deadline.
  ExitResult WaitExit(int timeout_ms = kDefaultTimeoutMs);

  bool output_closed() const { return stdout_fd_ < 0 && pending_.empty(); }
  // Every complete line received so far, in order.
  const std::vector<std::string>& transcript() const { return transcript_; }
  // The text after the last line feed, not yet a line.
  const std::string& partial() const { return partial_; }
  // The transcript as text, for failure messages.
  std::string TranscriptText() const;
  // Standard error, written into the session directory.
  std::string StandardError() const;
  // A file of the working directory ("" when missing); found tells which.
  std::string ReadFile(const std::string& name, bool* found = nullptr) const;

 private:
  // Moves whatever output is waiting (for up to timeout_ms) into the line
  // queue; false when nothing arrived.
  bool Pump(int timeout_ms);
  void SplitOutput(const char* data, size_t size);
  void CloseStdout();
  void Reap(ExitResult* result, int options);

  std::string directory_;
  bool owns_directory_ = true;
  std::string stderr_name_ = "stderr.txt";
  std::string error_;
  pid_t pid_ = -1;
  int stdin_fd_ = -1;
  int stdout_fd_ = -1;
  bool reaped_ = false;
  ExitResult exit_;
  std::vector<std::string> pending_;  // complete lines not yet handed out
  size_t pending_head_ = 0;
  std::string partial_;
  std::vector<std::string> transcript_;
};

// The engine started and answered a first "isready" (its start-up output
// is then in the transcript).
testing::AssertionResult Ready(EngineSession& engine);

// Waits until no search runs: a "." during a search prints its status line,
// between searches (UCI) nothing. True when the engine went idle in time;
// the lines read meanwhile go into the transcript.
bool WaitUntilIdle(EngineSession& engine, int timeout_ms = kDefaultTimeoutMs);

// Helpers for assertions.
bool StartsWith(const std::string& text, const std::string& prefix);
std::vector<std::string> Split(const std::string& text, char separator = ' ');
// The lines of lines that start with prefix.
std::vector<std::string> LinesWithPrefix(const std::vector<std::string>& lines, const std::string& prefix);
std::string Join(const std::vector<std::string>& lines);

// Chess facts from the board code, to judge the engine's answers. A position
// is "startpos" or a FEN, then moves in coordinate notation (each must be
// legal; a test fails otherwise).
constexpr char kStartFen[] = "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1";
bool IsLegalIn(const std::string& fen, const std::vector<std::string>& moves, const std::string& move);
std::vector<std::string> LegalMovesIn(const std::string& fen, const std::vector<std::string>& moves = {});
std::string FenAfter(const std::string& fen, const std::vector<std::string>& moves);
// The eight lines that "brd" prints for the placement field of a FEN:
// "*X" for a black man, " X" for a white one, " ." for an empty square.
std::vector<std::string> Diagram(const std::string& fen);

}  // namespace session
