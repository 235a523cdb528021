#include "session_harness.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>
#include <thread>

#include "board/makemove.h"
#include "board/notation.h"
#include "test_util.h"

#ifndef DRAVELNOR_ENGINE_PATH
#error "DRAVELNOR_ENGINE_PATH must name the engine binary"
#endif
#ifndef DRAVELNOR_EMULATOR
#define DRAVELNOR_EMULATOR ""
#endif
#ifndef DRAVELNOR_DATA_DIR
#error "DRAVELNOR_DATA_DIR must name the data folder"
#endif

namespace session {

namespace {

using Clock = std::chrono::steady_clock;

int RemainingMs(Clock::time_point deadline) {
  const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
  return left > 0 ? int(left) : 0;
}

Clock::time_point DeadlineIn(int timeout_ms) { return Clock::now() + std::chrono::milliseconds(timeout_ms); }

// Folders on the way are made ("work/source.pgn").
bool WriteFile(const std::string& path, const std::string& content) {
  std::error_code ec;
  const std::filesystem::path parent = std::filesystem::path(path).parent_path();
  if (!parent.empty()) std::filesystem::create_directories(parent, ec);
  std::ofstream out(path, std::ios::binary);
  out << content;
  return bool(out);
}

}  // namespace

bool MakeSpecialFile(const std::string& directory, const SpecialFile& file) {
  const std::string path = directory + "/" + file.name;
  std::error_code ec;
  const std::filesystem::path parent = std::filesystem::path(path).parent_path();
  if (!parent.empty()) std::filesystem::create_directories(parent, ec);
  switch (file.kind) {
    case SpecialFile::SYMBOLIC_LINK:
      return symlink(file.target.c_str(), path.c_str()) == 0;
    case SpecialFile::HARD_LINK:
      return link(file.target.c_str(), path.c_str()) == 0;
    case SpecialFile::FIFO:
      return mkfifo(path.c_str(), 0644) == 0;
    case SpecialFile::FOLDER:
      return std::filesystem::create_directory(path, ec);
  }
  return false;
}

namespace {

// The emulator and its arguments, '|'-separated: "qemu-i386" or "qemu-i386|-L|/x".
std::vector<std::string> CommandLine() {
  std::vector<std::string> argv;
  std::string emulator = DRAVELNOR_EMULATOR;
  size_t start = 0;
  while (start <= emulator.size() && !emulator.empty()) {
    const size_t end = emulator.find('|', start);
    const std::string part = emulator.substr(start, end == std::string::npos ? std::string::npos : end - start);
    if (!part.empty()) argv.push_back(part);
    if (end == std::string::npos) break;
    start = end + 1;
  }
  argv.push_back(DRAVELNOR_ENGINE_PATH);
  return argv;
}

}  // namespace

bool RunsUnderEmulator() { return std::string(DRAVELNOR_EMULATOR).size() > 0; }

const std::string& WaitResult::match() const {
  static const std::string none;
  return matched && !lines.empty() ? lines.back() : none;
}

std::vector<std::string> WaitResult::before() const {
  if (!matched || lines.empty()) return lines;
  return std::vector<std::string>(lines.begin(), lines.end() - 1);
}

EngineSession::EngineSession(SessionOptions options) {
  // A write to an engine that has already gone must fail, not kill the tests.
  std::signal(SIGPIPE, SIG_IGN);

  if (!options.directory.empty()) {
    directory_ = options.directory;
    owns_directory_ = false;
    // Each engine of a shared folder writes its standard error apart.
    static int joined = 0;
    stderr_name_ = "stderr-" + std::to_string(++joined) + ".txt";
  } else {
    const char* tmp = std::getenv("TMPDIR");
    std::string templ = std::string(tmp && *tmp ? tmp : "/tmp") + "/dravelnor-session-XXXXXX";
    std::vector<char> buffer(templ.begin(), templ.end());
    buffer.push_back('\0');
    if (!mkdtemp(buffer.data())) {
      error_ = std::string("mkdtemp: ") + std::strerror(errno);
      return;
    }
    directory_ = buffer.data();
  }

  if (options.copy_values) {
    std::error_code ec;
    std::filesystem::copy_file(std::string(DRAVELNOR_DATA_DIR) + "/values.txt", directory_ + "/values.txt",
                               std::filesystem::copy_options::skip_existing, ec);
    if (ec) {
      error_ = "copying values.txt: " + ec.message();
      return;
    }
  }
  for (const ExtraFile& file : options.files) {
    if (!WriteFile(directory_ + "/" + file.name, file.content)) {
      error_ = "writing " + file.name;
      return;
    }
  }
  for (const SpecialFile& file : options.special_files) {
    if (!MakeSpecialFile(directory_, file)) {
      error_ = "making " + file.name + ": " + std::strerror(errno);
      return;
    }
  }

  int in_pipe[2], out_pipe[2];
  if (pipe2(in_pipe, O_CLOEXEC) != 0) {
    error_ = std::string("pipe: ") + std::strerror(errno);
    return;
  }
  if (pipe2(out_pipe, O_CLOEXEC) != 0) {
    error_ = std::string("pipe: ") + std::strerror(errno);
    close(in_pipe[0]);
    close(in_pipe[1]);
    return;
  }

  // Everything the child needs is prepared before the fork.
  const std::vector<std::string> args = CommandLine();
  std::vector<char*> argv;
  for (const std::string& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
  argv.push_back(nullptr);
  const std::string stderr_path = directory_ + "/" + stderr_name_;
  const long long limit = options.address_space_limit;
  const long long file_size_limit = options.file_size_limit;

  const pid_t pid = fork();
  if (pid < 0) {
    error_ = std::string("fork: ") + std::strerror(errno);
    close(in_pipe[0]);
    close(in_pipe[1]);
    close(out_pipe[0]);
    close(out_pipe[1]);
    return;
  }
  if (pid == 0) {
    const int err = open(stderr_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (chdir(directory_.c_str()) != 0 || dup2(in_pipe[0], 0) < 0 || dup2(out_pipe[1], 1) < 0 ||
        (err >= 0 && dup2(err, 2) < 0))
      _exit(126);
    std::signal(SIGPIPE, SIG_DFL);
    if (limit > 0) {
      const struct rlimit address_space = {rlim_t(limit), rlim_t(limit)};
      if (setrlimit(RLIMIT_AS, &address_space) != 0) _exit(125);
    }
    if (file_size_limit > 0) {
      // Ignored, the signal stays so across exec: the write fails instead.
      std::signal(SIGXFSZ, SIG_IGN);
      const struct rlimit file_size = {rlim_t(file_size_limit), rlim_t(file_size_limit)};
      if (setrlimit(RLIMIT_FSIZE, &file_size) != 0) _exit(125);
    }
    execvp(argv[0], argv.data());
    _exit(127);
  }
  pid_ = pid;
  close(in_pipe[0]);
  close(out_pipe[1]);
  stdin_fd_ = in_pipe[1];
  stdout_fd_ = out_pipe[0];
  // Writes must never block while the engine waits for us to read its output.
  fcntl(stdin_fd_, F_SETFL, fcntl(stdin_fd_, F_GETFL) | O_NONBLOCK);
}

EngineSession::~EngineSession() {
  if (pid_ > 0 && !reaped_) {
    CloseInput();
    ExitResult ignored;
    Reap(&ignored, WNOHANG);
    if (!reaped_) {
      // Give a well-behaved engine a moment to end on the end of its input.
      WaitExit(2000);
    }
  }
  CloseInput();
  CloseStdout();
  if (owns_directory_ && !directory_.empty() && !std::getenv("DRAVELNOR_KEEP_SESSIONS")) {
    std::error_code ec;
    std::filesystem::remove_all(directory_, ec);
  }
}

bool EngineSession::Send(const std::string& line) { return SendRaw(line + "\n"); }

bool EngineSession::SendRaw(const std::string& bytes) {
  if (stdin_fd_ < 0) return false;
  size_t done = 0;
  const auto deadline = DeadlineIn(kDefaultTimeoutMs);
  while (done < bytes.size()) {
    const ssize_t n = write(stdin_fd_, bytes.data() + done, bytes.size() - done);
    if (n > 0) {
      done += size_t(n);
      continue;
    }
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK) return false;  // EPIPE: the engine is gone
    if (RemainingMs(deadline) == 0) return false;
    // The pipe is full: keep the engine's output flowing while we wait.
    pollfd fds[2] = {{stdin_fd_, POLLOUT, 0}, {stdout_fd_, POLLIN, 0}};
    const int count = stdout_fd_ >= 0 ? 2 : 1;
    if (poll(fds, count, 50) > 0 && count == 2 && (fds[1].revents & (POLLIN | POLLHUP))) Pump(0);
  }
  return true;
}

void EngineSession::CloseInput() {
  if (stdin_fd_ >= 0) close(stdin_fd_);
  stdin_fd_ = -1;
}

void EngineSession::CloseStdout() {
  if (stdout_fd_ >= 0) close(stdout_fd_);
  stdout_fd_ = -1;
}

void EngineSession::SplitOutput(const char* data, size_t size) {
  for (size_t i = 0; i < size; i++) {
    if (data[i] == '\n') {
      pending_.push_back(partial_);
      transcript_.push_back(partial_);
      partial_.clear();
    } else {
      partial_ += data[i];
    }
  }
}

bool EngineSession::Pump(int timeout_ms) {
  if (stdout_fd_ < 0) return false;
  pollfd fd = {stdout_fd_, POLLIN, 0};
  int r;
  do r = poll(&fd, 1, timeout_ms);
  while (r < 0 && errno == EINTR);
  if (r <= 0) return false;
  char buffer[65536];
  const ssize_t n = read(stdout_fd_, buffer, sizeof buffer);
  if (n < 0 && errno == EINTR) return true;
  if (n <= 0) {
    // The output ended: an unfinished last line still counts as a line.
    if (!partial_.empty()) SplitOutput("\n", 1);
    CloseStdout();
    return false;
  }
  SplitOutput(buffer, size_t(n));
  return true;
}

std::optional<std::string> EngineSession::ReadLine(int timeout_ms) {
  const auto deadline = DeadlineIn(timeout_ms);
  while (pending_head_ >= pending_.size()) {
    if (stdout_fd_ < 0) return std::nullopt;
    const int left = RemainingMs(deadline);
    if (!Pump(left) && left == 0) return std::nullopt;
  }
  std::string line = std::move(pending_[pending_head_++]);
  if (pending_head_ == pending_.size()) {
    pending_.clear();
    pending_head_ = 0;
  }
  return line;
}

WaitResult EngineSession::WaitFor(const std::function<bool(const std::string&)>& predicate, int timeout_ms) {
  WaitResult result;
  const auto deadline = DeadlineIn(timeout_ms);
  for (;;) {
    std::optional<std::string> line = ReadLine(RemainingMs(deadline));
    if (!line) return result;
    result.lines.push_back(*line);
    if (predicate(*line)) {
      result.matched = true;
      return result;
    }
  }
}

WaitResult EngineSession::WaitForPrefix(const std::string& prefix, int timeout_ms) {
  return WaitFor([&](const std::string& line) { return StartsWith(line, prefix); }, timeout_ms);
}

WaitResult EngineSession::WaitForLine(const std::string& exact, int timeout_ms) {
  return WaitFor([&](const std::string& line) { return line == exact; }, timeout_ms);
}

WaitResult EngineSession::WaitForRegex(const std::string& pattern, int timeout_ms) {
  const std::regex re(pattern);
  return WaitFor([&](const std::string& line) { return std::regex_match(line, re); }, timeout_ms);
}

bool EngineSession::WaitForPartial(const std::string& text, int timeout_ms) {
  const auto deadline = DeadlineIn(timeout_ms);
  auto ends_with = [&] {
    return partial_.size() >= text.size() && partial_.compare(partial_.size() - text.size(), text.size(), text) == 0;
  };
  while (!ends_with()) {
    const int left = RemainingMs(deadline);
    if (stdout_fd_ < 0 || left == 0) return false;
    Pump(left);
  }
  return true;
}

WaitResult EngineSession::Sync(int timeout_ms) {
  WaitResult result;
  if (!Send("isready")) return result;
  return WaitForLine("readyok", timeout_ms);
}

std::vector<std::string> EngineSession::Run(const std::string& line, int timeout_ms) {
  if (!Send(line)) ADD_FAILURE() << "engine no longer reads; sending: " << line;
  const WaitResult result = Sync(timeout_ms);
  if (!result.matched)
    ADD_FAILURE() << "no readyok after: " << line.substr(0, 200) << "\ntranscript:\n" << TranscriptText();
  return result.before();
}

void EngineSession::Reap(ExitResult* result, int options) {
  if (reaped_) {
    *result = exit_;
    return;
  }
  int status = 0;
  pid_t r;
  do r = waitpid(pid_, &status, options);
  while (r < 0 && errno == EINTR);
  if (r != pid_) return;
  reaped_ = true;
  if (WIFEXITED(status)) {
    exit_.exited = true;
    exit_.code = WEXITSTATUS(status);
  } else if (WIFSIGNALED(status)) {
    exit_.signal = WTERMSIG(status);
  }
  *result = exit_;
}

ExitResult EngineSession::WaitExit(int timeout_ms) {
  ExitResult result;
  if (pid_ <= 0) return result;
  const auto deadline = DeadlineIn(timeout_ms);
  for (;;) {
    Reap(&result, WNOHANG);
    if (reaped_) break;
    const int left = RemainingMs(deadline);
    if (left == 0) {
      kill(pid_, SIGKILL);
      Reap(&result, 0);
      exit_.timed_out = true;
      result = exit_;
      break;
    }
    // Reading keeps an engine that is still writing from blocking on a full
    // pipe; without output to read, a short sleep paces the loop.
    if (stdout_fd_ < 0 || !Pump(left < 10 ? left : 10)) usleep(2000);
  }
  // Collect what the engine wrote before it ended.
  while (stdout_fd_ >= 0 && Pump(200)) {
  }
  return result;
}

std::string EngineSession::TranscriptText() const {
  std::string text = Join(transcript_);
  if (!partial_.empty()) text += partial_ + "<no line feed>\n";
  return text;
}

std::string EngineSession::StandardError() const { return ReadFile(stderr_name_); }

std::string EngineSession::ReadFile(const std::string& name, bool* found) const {
  std::ifstream in(directory_ + "/" + name, std::ios::binary);
  if (found) *found = bool(in);
  if (!in) return "";
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

testing::AssertionResult Ready(EngineSession& engine) {
  if (!engine.started()) return testing::AssertionFailure() << "not started: " << engine.error();
  if (!engine.Sync().matched)
    return testing::AssertionFailure() << "no readyok after start-up:\n"
                                       << engine.TranscriptText() << engine.StandardError();
  return testing::AssertionSuccess();
}

bool WaitUntilIdle(EngineSession& engine, int timeout_ms) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms);
  while (std::chrono::steady_clock::now() < deadline) {
    if (!engine.Send(".")) return false;
    const WaitResult result = engine.Sync(timeout_ms);
    if (!result.matched) return false;
    if (LinesWithPrefix(result.before(), "stat01:").empty()) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  return false;
}

bool StartsWith(const std::string& text, const std::string& prefix) {
  return text.compare(0, prefix.size(), prefix) == 0;
}

std::vector<std::string> Split(const std::string& text, char separator) {
  std::vector<std::string> parts;
  std::string part;
  std::istringstream in(text);
  while (std::getline(in, part, separator))
    if (!part.empty()) parts.push_back(part);
  return parts;
}

std::vector<std::string> LinesWithPrefix(const std::vector<std::string>& lines, const std::string& prefix) {
  std::vector<std::string> found;
  for (const std::string& line : lines)
    if (StartsWith(line, prefix)) found.push_back(line);
  return found;
}

std::string Join(const std::vector<std::string>& lines) {
  std::string text;
  for (const std::string& line : lines) text += line + "\n";
  return text;
}

namespace {

// Sets up the position on the test process's own board; false (with a test
// failure) when the FEN or a move is refused.
bool SetUp(const std::string& fen, const std::vector<std::string>& moves) {
  InitBoardForTests();
  if (fen != "startpos") {
    const FenError error = LoadFen(fen.c_str());
    if (error != FEN_OK) {
      ADD_FAILURE() << "FEN refused: " << fen << ": " << FenErrorText(error);
      return false;
    }
  }
  for (const std::string& text : moves) {
    const Move move = FindLegal(text.c_str());
    if (!move) {
      ADD_FAILURE() << "not legal here: " << text << " (" << BoardToFen() << ")";
      return false;
    }
    MakeMove(move, 1);
  }
  return true;
}

}  // namespace

bool IsLegalIn(const std::string& fen, const std::vector<std::string>& moves, const std::string& move) {
  return SetUp(fen, moves) && FindLegal(move.c_str()) != 0;
}

std::vector<std::string> LegalMovesIn(const std::string& fen, const std::vector<std::string>& moves) {
  if (!SetUp(fen, moves)) return {};
  const int saved_end = move_list_end;
  GenerateLegalMoves(LEGALITY_LIST_START);
  std::vector<std::string> texts = MoveTexts(LEGALITY_LIST_START, move_list_end);
  move_list_end = saved_end;
  return texts;
}

std::string FenAfter(const std::string& fen, const std::vector<std::string>& moves) {
  return SetUp(fen, moves) ? BoardToFen() : "";
}

std::vector<std::string> Diagram(const std::string& fen) {
  std::vector<std::string> rows;
  std::string row;
  const std::string placement = fen == "startpos" ? std::string(kStartFen).substr(0, 43) : fen.substr(0, fen.find(' '));
  for (char c : placement) {
    if (c == '/') {
      rows.push_back(row);
      row.clear();
    } else if (c >= '1' && c <= '8') {
      for (int i = 0; i < c - '0'; i++) row += " .";
    } else if (c >= 'a' && c <= 'z') {
      row += '*';
      row += char(c - 'a' + 'A');
    } else {
      row += ' ';
      row += c;
    }
  }
  rows.push_back(row);
  return rows;
}

}  // namespace session
