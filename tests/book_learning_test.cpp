// Position learning in process: the learning file's layout byte by byte
// (creation, chaining, updates in place), damaged chains and files, the FEN
// text and the log lines, and the trigger that queues, commits and drops
// positions after the engine's moves.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "board/makemove.h"
#include "board/notation.h"
#include "book/learning.h"
#include "book_writer.h"
#include "interface/options.h"
#include "search/search.h"
#include "test_util.h"

namespace fs = std::filesystem;
using book_writer::Bytes;
using book_writer::ReadBytes;
using book_writer::WriteBytes;

namespace {

constexpr uint32_t kHeader = 262167;
constexpr char kStartFen[] = "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1";

// The file as the format describes it, built here on its own.
Bytes EmptyFile() {
  Bytes bytes(kHeader, 0);
  const std::string banner = "Dravelnor learning file";
  std::copy(banner.begin(), banner.end(), bytes.begin());
  return bytes;
}
void Put(Bytes& bytes, size_t at, uint32_t value) {
  if (bytes.size() < at + 4) bytes.resize(at + 4, 0);
  for (int i = 0; i < 4; i++) bytes[at + i] = uint8_t(value >> (8 * i));
}
uint32_t Get(const Bytes& bytes, size_t at) {
  return uint32_t(bytes[at]) | uint32_t(bytes[at + 1]) << 8 | uint32_t(bytes[at + 2]) << 16 |
         uint32_t(bytes[at + 3]) << 24;
}
size_t Head(uint32_t key0) { return 23 + 4 * size_t(key0 & 0xFFFF); }
struct Record {
  int32_t depth, eval;
  uint32_t move, key0, key1, next;
};
// Writes the record at offset (appending when offset is the end).
void PutRecord(Bytes& bytes, size_t at, const Record& r) {
  Put(bytes, at, uint32_t(r.depth));
  Put(bytes, at + 4, uint32_t(r.eval));
  Put(bytes, at + 8, r.move);
  Put(bytes, at + 12, r.key0);
  Put(bytes, at + 16, r.key1);
  Put(bytes, at + 20, r.next);
}

// The record offsets of key0's chain; stops at a link that leaves the
// records or does not run forwards, and marks that with *broken.
std::vector<uint32_t> Chain(const Bytes& bytes, uint32_t key0, bool* broken = nullptr) {
  std::vector<uint32_t> chain;
  uint32_t previous = 0;
  if (broken) *broken = false;
  for (uint32_t at = Get(bytes, Head(key0)); at != 0; at = Get(bytes, at + 20)) {
    if (at < kHeader || (at - kHeader) % 24 != 0 || at + 24 > bytes.size() || at <= previous) {
      if (broken) *broken = true;
      break;
    }
    chain.push_back(at);
    previous = at;
  }
  return chain;
}

struct Found {
  uint32_t offset = 0;
  int32_t depth = -1, eval = -1;
  uint32_t move = 0;
};
Found Find(uint32_t key0, uint32_t key1) {
  Found f;
  FindLearnRecord(key0, key1, &f.depth, &f.eval, &f.move, &f.offset);
  return f;
}

class LearningFile : public ::testing::Test {
 protected:
  void SetUp() override {
    // A chain walk that never ends must fail the test, not hang it.
    alarm(60);
    InitBoardForTests();
    dir_ = MakeTestFolder("learn");
    ASSERT_FALSE(dir_.empty());
    path_ = dir_ + "/Learn.vo1";
    // learn.log is written into the working directory.
    cwd_ = fs::current_path();
    fs::current_path(dir_);
    log_learning_into_file = 0;
    learn_queue_count = 0;
    learn_log_counter = 0;
    silent_search = 0;
    book_move_played = 0;
  }
  void TearDown() override {
    CloseLearningFile();
    fs::current_path(cwd_);
    fs::remove_all(dir_);
    log_learning_into_file = 0;
    learn_queue_count = 0;
    learn_log_counter = 0;
    silent_search = 0;
    alarm(0);
  }
  // Opens path_ (after writing bytes there, when given); what it printed.
  std::string Open(const Bytes* bytes = nullptr) {
    if (bytes) WriteBytes(path_, *bytes);
    testing::internal::CaptureStdout();
    OpenLearningFile(path_.c_str());
    return testing::internal::GetCapturedStdout();
  }
  Bytes File() const { return ReadBytes(path_); }
  std::string Log() const {
    std::ifstream in(dir_ + "/learn.log", std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }

  std::string dir_, path_;
  fs::path cwd_;
};

TEST_F(LearningFile, ANewFileIsTheBannerAndEmptyBucketsAndAnOldOneStaysAsItWas) {
  EXPECT_EQ(Open(), "");
  ASSERT_NE(learning_file, nullptr);
  EXPECT_EQ(File(), EmptyFile());
  CloseLearningFile();

  Bytes old = EmptyFile();
  PutRecord(old, kHeader, {40, -55, 0x1234, 0x00050001, 0xABCD0005, 0});
  Put(old, Head(0x00050001), kHeader);
  EXPECT_EQ(Open(&old), "");
  const Found f = Find(0x00050001, 0xABCD0005);
  EXPECT_EQ(f.offset, kHeader);
  EXPECT_EQ(f.depth, 40);
  EXPECT_EQ(f.eval, -55);
  EXPECT_EQ(f.move, 0x1234u);
  CloseLearningFile();
  EXPECT_EQ(File(), old);
}

TEST_F(LearningFile, RecordsAreAppendedChainedPerBucketAndUpdatedInPlace) {
  Open();
  // a and b share a bucket (the low 16 bits of key0), c has its own; d has
  // a's key0 and another key1.
  const uint32_t a0 = 0x11110042, a1 = 0x22221111, b0 = 0x99990042, b1 = 0x77779999, c0 = 0x00000043, c1 = 0x5;
  AddLearnRecord(a0, a1, 42, -20, 0x3AB1C);
  AddLearnRecord(c0, c1, 30, -400, 7);
  AddLearnRecord(b0, b1, 26, 12, 9);

  Bytes expected = EmptyFile();
  PutRecord(expected, kHeader, {42, -20, 0x3AB1C, a0, a1, kHeader + 48});
  PutRecord(expected, kHeader + 24, {30, -400, 7, c0, c1, 0});
  PutRecord(expected, kHeader + 48, {26, 12, 9, b0, b1, 0});
  Put(expected, Head(a0), kHeader);
  Put(expected, Head(c0), kHeader + 24);
  EXPECT_EQ(File(), expected);

  EXPECT_EQ(Find(a0, a1).offset, kHeader);
  EXPECT_EQ(Find(b0, b1).offset, kHeader + 48);
  EXPECT_EQ(Find(b0, b1).eval, 12);
  EXPECT_EQ(Find(c0, c1).depth, 30);
  EXPECT_EQ(Find(a0, a1 ^ 0x10000).offset, 0u) << "key1 differs";
  EXPECT_EQ(Find(a0 ^ 0x10000, a1).offset, 0u) << "key0 differs above the bucket bits";

  // An update writes the five fields and nothing else: the link stays.
  UpdateLearnRecord(a0, a1, 50, -321, 0x55, kHeader);
  PutRecord(expected, kHeader, {50, -321, 0x55, a0, a1, kHeader + 48});
  EXPECT_EQ(File(), expected);
  EXPECT_EQ(Find(b0, b1).offset, kHeader + 48);

  // A negative depth or eval reads back with its sign.
  AddLearnRecord(0x1, 0x2, -8, -32000, 1);
  EXPECT_EQ(Find(0x1, 0x2).depth, -8);
  EXPECT_EQ(Find(0x1, 0x2).eval, -32000);
}

TEST_F(LearningFile, PositionsThatDifferOnlyInTurnCastlingOrEnPassantShareARecord) {
  Open();
  auto keys = [](const char* fen) {
    SetPosition(fen);
    return std::make_pair(LearnKey0(thread_board.Key), LearnKey1(thread_board.Key));
  };
  const auto stored = keys("r3k2r/pppp1ppp/8/3Pp3/8/8/PPP1PPPP/R3K2R w KQkq e6 0 1");
  AddLearnRecord(stored.first, stored.second, 42, -77, 0);
  for (const char* fen :
       {"r3k2r/pppp1ppp/8/3Pp3/8/8/PPP1PPPP/R3K2R b KQkq - 0 1", "r3k2r/pppp1ppp/8/3Pp3/8/8/PPP1PPPP/R3K2R w - - 0 1",
        "r3k2r/pppp1ppp/8/3Pp3/8/8/PPP1PPPP/R3K2R w Kq - 0 1"}) {
    const auto k = keys(fen);
    EXPECT_EQ(Find(k.first, k.second).eval, -77) << fen;
  }
  // One man elsewhere is another position.
  const auto other = keys("r3k2r/pppp1ppp/8/3Pp3/8/8/PPP1PPPP/R3K1R1 w - - 0 1");
  EXPECT_EQ(Find(other.first, other.second).offset, 0u);
}

TEST_F(LearningFile, ADamagedChainIsNotFollowedAndTheNextAppendMendsIt) {
  const uint32_t k0 = 0xCAFE0007, k1 = 0x1234CAFE;
  const uint32_t first = kHeader, second = kHeader + 24, end = kHeader + 48;
  struct Case {
    const char* what;
    // Two records of k0's bucket (neither of them the wanted keys), the
    // first linked to the second; the bucket's head and the second's link.
    uint32_t head, next;
    size_t extra;  // bytes after the records
  } cases[] = {
      {"head past the end", end, 0, 0},
      {"head far past the end", 0xFFFFFFF0u, 0, 0},
      {"head inside the header", 100, 0, 0},
      {"head between two records", first + 5, 0, 30},
      {"next to itself", first, second, 0},
      {"next back to the first record", first, first, 0},
      {"next past the end", first, end, 0},
      {"next into the header", first, 23, 0},
      {"next all ones (read past the end)", first, 0xFFFFFFFFu, 0},
  };
  for (const Case& c : cases) {
    Bytes bytes = EmptyFile();
    PutRecord(bytes, first, {100, 1, 2, k0, k1 ^ 1, second});
    PutRecord(bytes, second, {100, 1, 2, k0, k1 ^ 2, c.next});
    bytes.resize(bytes.size() + c.extra, 0);
    Put(bytes, Head(k0), c.head);
    Open(&bytes);
    ASSERT_NE(learning_file, nullptr) << c.what;
    EXPECT_EQ(Find(k0, k1).offset, 0u) << c.what;

    // The new record goes to the end, on a record boundary, and is linked
    // where the chain broke; every other byte before it stays as it was.
    AddLearnRecord(k0, k1, 42, -30, 5);
    const Bytes after = File();
    const size_t at = bytes.size() + (24 - (bytes.size() - kHeader) % 24) % 24;
    EXPECT_EQ(Find(k0, k1).offset, at) << c.what;
    EXPECT_EQ(Find(k0, k1).eval, -30) << c.what;
    bool broken = true;
    const std::vector<uint32_t> chain = Chain(after, k0, &broken);
    EXPECT_FALSE(broken) << c.what;
    ASSERT_FALSE(chain.empty()) << c.what;
    EXPECT_EQ(chain.back(), at) << c.what;
    EXPECT_EQ(chain.size(), c.head == first ? 3u : 1u) << c.what;
    ASSERT_EQ(after.size(), at + 24) << c.what;
    const size_t mended = chain.size() == 1 ? Head(k0) : size_t(chain[chain.size() - 2] + 20);
    for (size_t i = 0; i < bytes.size(); i++)
      if (i < mended || i >= mended + 4) {
        ASSERT_EQ(after[i], bytes[i]) << c.what << ": byte " << i;
      }
    for (size_t i = bytes.size(); i < at; i++) EXPECT_EQ(after[i], 0) << c.what << ": gap byte " << i;
    CloseLearningFile();
  }
}

TEST_F(LearningFile, TwoEnginesAppendingToOneFileLoseNothing) {
  Open();
  CloseLearningFile();
  constexpr int kEach = 2000, kBuckets = 40;
  int go[2];
  ASSERT_EQ(pipe(go), 0);
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  const uint32_t engine = child == 0 ? 1 : 0;
  if (child == 0) {
    char byte;
    if (read(go[0], &byte, 1) != 1) _exit(2);
  } else {
    ASSERT_EQ(write(go[1], "x", 1), 1);
  }
  // Both engines append into the same few buckets at once.
  OpenLearningFile(path_.c_str());
  for (int i = 0; i < kEach; i++) AddLearnRecord(uint32_t(i % kBuckets), engine << 16 | uint32_t(i), i, -i, engine);
  CloseLearningFile();
  if (child == 0) _exit(0);
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);

  const Bytes bytes = File();
  EXPECT_EQ(bytes.size(), size_t(kHeader) + 2 * kEach * 24);
  size_t linked = 0;
  for (uint32_t bucket = 0; bucket < kBuckets; bucket++) {
    bool broken = true;
    linked += Chain(bytes, bucket, &broken).size();
    EXPECT_FALSE(broken) << bucket;
  }
  EXPECT_EQ(linked, size_t(2 * kEach));
  Open();
  int found = 0;
  for (uint32_t e = 0; e < 2; e++)
    for (int i = 0; i < kEach; i++) found += Find(uint32_t(i % kBuckets), e << 16 | uint32_t(i)).eval == -i;
  EXPECT_EQ(found, 2 * kEach);
}

TEST_F(LearningFile, ARecordCutShortByACrashIsLeftAndTheNextOneStartsOnABoundary) {
  // The first record's link made it to the file and all but its last four
  // bytes.
  Bytes bytes = EmptyFile();
  PutRecord(bytes, kHeader, {60, -500, 3, 0x10, 0x20, 0});
  bytes.resize(kHeader + 20);
  Put(bytes, Head(0x10), kHeader);
  Open(&bytes);
  EXPECT_EQ(Find(0x10, 0x20).offset, 0u) << "the record does not lie wholly in the file";

  AddLearnRecord(0x10, 0x30, 42, -20, 4);
  Bytes expected = bytes;
  expected.resize(kHeader + 24, 0);
  PutRecord(expected, kHeader + 24, {42, -20, 4, 0x10, 0x30, 0});
  Put(expected, kHeader + 20, kHeader + 24);
  EXPECT_EQ(File(), expected);
  // The mended first record is whole again, with its link to the new one.
  EXPECT_EQ(Find(0x10, 0x20).eval, -500);
  EXPECT_EQ(Find(0x10, 0x30).offset, kHeader + 24);
}

TEST_F(LearningFile, AFileThatCannotBeUsedIsReportedAndNeitherReadNorWritten) {
  // Not a learning file: left as it is.
  Bytes other(kHeader + 24, 'x');
  EXPECT_EQ(Open(&other), "\"" + path_ + "\" is not a learning file: learning is off\n");
  EXPECT_EQ(learning_file, nullptr);
  AddLearnRecord(0x10, 0x20, 42, -20, 4);
  EXPECT_EQ(Find(0x10, 0x20).offset, 0u);
  EXPECT_EQ(File(), other);

  // A learning file cut short inside its bucket heads.
  Bytes short_file = EmptyFile();
  short_file.resize(1000);
  EXPECT_EQ(Open(&short_file), "\"" + path_ + "\" is not a learning file: learning is off\n");
  EXPECT_EQ(learning_file, nullptr);
  EXPECT_EQ(File(), short_file);

  // A name that cannot be created.
  path_ = dir_ + "/missing/Learn.vo1";
  EXPECT_EQ(Open(), "Error creating \"" + path_ + "\"!\n");
  EXPECT_EQ(learning_file, nullptr);
  EXPECT_FALSE(fs::exists(path_));
  LearnAfterSearch();
  EXPECT_EQ(learn_queue_count, 0);
}

TEST_F(LearningFile, TheFenTextHasNoCountersAndAnEnPassantSquareOnlyWhenItCanBeTaken) {
  struct Case {
    const char* fen;
    const char* move;  // played first, "" none
    const char* expected;
  } cases[] = {
      {kStartFen, "", "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - "},
      {kStartFen, "e2e4", "rnbqkbnr/pppppppp/8/8/4P3/8/PPPP1PPP/RNBQKBNR b KQkq - "},
      {"rnbqkbnr/ppp1pppp/8/8/3p4/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1", "e2e4",
       "rnbqkbnr/ppp1pppp/8/8/3pP3/8/PPPP1PPP/RNBQKBNR b KQkq e3 "},
      {"rnbqkbnr/ppppp1pp/8/8/5p2/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1", "e2e4",
       "rnbqkbnr/ppppp1pp/8/8/4Pp2/8/PPPP1PPP/RNBQKBNR b KQkq e3 "},
      // The neighbours of an edge pawn do not wrap round to the other edge.
      {"4k3/8/8/8/8/7p/P7/4K3 w - - 0 1", "a2a4", "4k3/8/8/8/P7/7p/8/4K3 b - - "},
      {"4k3/8/8/p7/8/8/7P/4K3 w - - 0 1", "h2h4", "4k3/8/8/p7/7P/8/8/4K3 b - - "},
      {"4k3/8/8/8/1p6/8/P7/4K3 w - - 0 1", "a2a4", "4k3/8/8/8/Pp6/8/8/4K3 b - a3 "},
      {"4k3/3p4/8/4P3/8/8/8/4K3 b - - 0 1", "d7d5", "4k3/8/8/3pP3/8/8/8/4K3 w - d6 "},
      {"4k3/3p4/8/8/4P3/8/8/4K3 b - - 0 1", "d7d5", "4k3/8/8/3p4/4P3/8/8/4K3 w - - "},
      {"r3k2r/8/8/8/8/8/8/R3K2R w Kq - 0 1", "", "r3k2r/8/8/8/8/8/8/R3K2R w Kq - "},
      {"r3k2r/8/8/8/8/8/8/R3K2R b KQk - 0 1", "", "r3k2r/8/8/8/8/8/8/R3K2R b KQk - "},
  };
  for (const Case& c : cases) {
    SetPosition(c.fen);
    if (*c.move) PlayMove(c.move);
    FormatLearnFen(0);
    EXPECT_EQ(std::string(learn_text), c.expected) << c.fen << " " << c.move;
    EXPECT_EQ(learn_text_length, int(std::strlen(c.expected)));
  }

  // The move's squares follow, without a promotion letter.
  SetPosition("8/4P1k1/8/8/8/8/8/4K3 w - - 0 1");
  FormatLearnFen(FindLegal("e7e8q"));
  EXPECT_STREQ(learn_text, "8/4P1k1/8/8/8/8/8/4K3 w - - e7e8");
}

// ---- the trigger ----

class LearningTrigger : public LearningFile {
 protected:
  void SetUp() override {
    LearningFile::SetUp();
    Open();
    ASSERT_NE(learning_file, nullptr);
    log_learning_into_file = 1;
  }
  // Plays the moves from fen; fifty is the fifty-move count of the position
  // three plies before the end.
  void Play(const char* fen, const std::vector<const char*>& moves, int fifty = 0) {
    SetPosition(fen);
    for (size_t i = 0; i < moves.size(); i++) {
      if (i + 3 == moves.size()) thread_board.FiftyCount = fifty;
      PlayMove(moves[i]);
    }
    // The record above the game holds whatever a search left there.
    game_history[game_ply].Key = 0x5555;
  }
  // The window after the engine's latest move (the board's position), as
  // the game driver leaves it: slots 8 and 9 this game's last two moves.
  void Window(int32_t before, int32_t previous, int32_t current, int iteration = 10, int32_t root = 0) {
    for (int i = 0; i < 10; i++) {
      resign_keys[i] = 0;
      resign_scores[i] = 100;
      resign_book_flags[i] = 0;
    }
    resign_scores[7] = before;
    resign_scores[8] = previous;
    resign_scores[9] = current;
    resign_keys[9] = thread_board.Key;
    resign_keys[8] = game_ply >= 2 ? game_history[game_ply - 2].Key : 0;
    iteration_depth = iteration;
    root_scores[0] = root;
    book_move_played = 0;
  }
  // LearnAfterSearch, checking that it leaves the board as it was.
  void Learn() {
    const std::string fen = BoardToFen();
    const uint64_t key = thread_board.Key;
    const int32_t plies = game_ply;
    LearnAfterSearch();
    EXPECT_EQ(BoardToFen(), fen);
    EXPECT_EQ(thread_board.Key, key);
    EXPECT_EQ(game_ply, plies);
    EXPECT_TRUE(VerifyBoard());
  }
  // The keys of the position after the first plies of moves from fen.
  static void KeysAfter(const char* fen, const std::vector<const char*>& moves, size_t plies, uint32_t* k0,
                        uint32_t* k1) {
    SetPosition(fen);
    for (size_t i = 0; i < plies; i++) PlayMove(moves[i]);
    *k0 = LearnKey0(thread_board.Key);
    *k1 = LearnKey1(thread_board.Key);
  }
};

const std::vector<const char*> kOpening = {"e2e4", "e7e5", "g1f3"};

TEST_F(LearningTrigger, AFallQueuesThePositionThreePliesBackAndAFurtherFallStoresIt) {
  uint32_t k0, k1;
  KeysAfter(kStartFen, kOpening, 0, &k0, &k1);
  EXPECT_EQ(k0, uint32_t(thread_board.Key));
  EXPECT_EQ(k1, uint32_t(thread_board.Key >> 16));
  const Move e2e4 = FindLegal("e2e4");

  Play(kStartFen, kOpening);
  Window(100, 30, -20, 10, -500);
  Learn();
  ASSERT_EQ(learn_queue_count, 1);
  const LearnQueueEntry& e = learn_queue[0];
  EXPECT_EQ(e.key0, k0);
  EXPECT_EQ(e.key1, k1);
  EXPECT_EQ(e.depth, 42);
  EXPECT_EQ(e.old_eval, 30);
  EXPECT_EQ(e.eval, -20);
  EXPECT_EQ(e.move, e2e4);
  EXPECT_STREQ(e.fen, "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - e2e4");
  // Not in the same call, even below -400.
  EXPECT_EQ(File(), EmptyFile());
  EXPECT_EQ(Log(), "");

  // The engine's next move scores -450: the queue is stored, and the new
  // fall queues the position of g1f3.
  PlayMove("b8c6");
  PlayMove("f1c4");
  Window(30, -20, -450, 10, -450);
  Learn();
  Bytes expected = EmptyFile();
  PutRecord(expected, kHeader, {42, -20, e2e4, k0, k1, 0});
  Put(expected, Head(k0), kHeader);
  EXPECT_EQ(File(), expected);
  EXPECT_EQ(Log(),
            "0\tAdd: Depth = 42\tOldEvaluation = 30\tEvaluaton = -20\tFEN = "
            "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - e2e4\n");
  ASSERT_EQ(learn_queue_count, 1);
  EXPECT_STREQ(learn_queue[0].fen, "rnbqkbnr/pppp1ppp/8/4p3/4P3/8/PPPP1PPP/RNBQKBNR w KQkq - g1f3");
  EXPECT_EQ(learn_queue[0].old_eval, -20);
  EXPECT_EQ(learn_queue[0].eval, -450);
}

TEST_F(LearningTrigger, EachConditionOfANewEntryHoldsAtItsBoundary) {
  const char* kQueenAndRook = "r2qk3/8/8/8/8/8/8/R2QK3 w - - 0 1";  // 14 units each
  const char* kWhite13 = "r2qk3/8/8/8/8/8/8/R1B1K2R w - - 0 1";     // white 13
  const char* kBlack13 = "r1b1k2r/8/8/8/8/8/8/R2QK3 w - - 0 1";     // black 13
  const std::vector<const char*> kings = {"e1f1", "e8f8", "f1g1"};
  struct Case {
    const char* what;
    const char* fen;
    std::vector<const char*> moves;
    int32_t previous, current;
    int iteration = 10;
    int fifty = 0;
    int book_slot = -1;  // window slot marked as a book move
    int wrong_key = -1;  // window slot whose key is not this game's
    bool queued;
  } cases[] = {
      {"30 to -20", kStartFen, kOpening, 30, -20, 10, 0, -1, -1, true},
      {"-150 to -200", kStartFen, kOpening, -150, -200, 10, 0, -1, -1, true},
      {"-179 to -260", kStartFen, kOpening, -179, -260, 10, 0, -1, -1, true},
      {"-180 to -260", kStartFen, kOpening, -180, -260, 10, 0, -1, -1, false},
      {"-200 to -260", kStartFen, kOpening, -200, -260, 10, 0, -1, -1, false},
      {"600 to 519", kStartFen, kOpening, 600, 519, 10, 0, -1, -1, true},
      {"600 to 520", kStartFen, kOpening, 600, 520, 10, 0, -1, -1, false},
      {"600 to 540", kStartFen, kOpening, 600, 540, 10, 0, -1, -1, false},
      {"a fall of 41", kStartFen, kOpening, 30, -11, 10, 0, -1, -1, true},
      {"a fall of exactly 40", kStartFen, kOpening, 30, -10, 10, 0, -1, -1, false},
      {"a rise", kStartFen, kOpening, -20, 30, 10, 0, -1, -1, false},
      {"iteration 7", kStartFen, kOpening, 30, -20, 7, 0, -1, -1, true},
      {"iteration 6", kStartFen, kOpening, 30, -20, 6, 0, -1, -1, false},
      {"the latest move from the book", kStartFen, kOpening, 30, -20, 10, 0, 9, -1, false},
      {"the previous move from the book", kStartFen, kOpening, 30, -20, 10, 0, 8, -1, false},
      {"a book move before them", kStartFen, kOpening, 30, -20, 10, 0, 7, -1, true},
      {"the latest key of another game", kStartFen, kOpening, 30, -20, 10, 0, -1, 9, false},
      {"the previous key of another game", kStartFen, kOpening, 30, -20, 10, 0, -1, 8, false},
      {"only two plies played", kStartFen, {"e2e4", "e7e5"}, 30, -20, 10, 0, -1, -1, false},
      {"fifty count 69", kStartFen, kOpening, 30, -20, 10, 69, -1, -1, true},
      {"fifty count 70", kStartFen, kOpening, 30, -20, 10, 70, -1, -1, false},
      {"14 units each", kQueenAndRook, kings, 30, -20, 10, 0, -1, -1, true},
      {"white 13 units", kWhite13, kings, 30, -20, 10, 0, -1, -1, false},
      {"black 13 units", kBlack13, kings, 30, -20, 10, 0, -1, -1, false},
  };
  for (const Case& c : cases) {
    learn_queue_count = 0;
    Play(c.fen, c.moves, c.fifty);
    Window(100, c.previous, c.current, c.iteration);
    if (c.book_slot >= 0) resign_book_flags[c.book_slot] = 1;
    if (c.wrong_key >= 0) resign_keys[c.wrong_key] ^= 0x100;
    Learn();
    EXPECT_EQ(learn_queue_count, c.queued ? 1 : 0) << c.what;
    if (learn_queue_count == 1) {
      EXPECT_EQ(learn_queue[0].depth, c.iteration * 4 + 2) << c.what;
      EXPECT_EQ(learn_queue[0].old_eval, c.previous) << c.what;
      EXPECT_EQ(learn_queue[0].eval, c.current) << c.what;
    }
  }
  EXPECT_EQ(File(), EmptyFile());
}

TEST_F(LearningTrigger, NoEntryForAPositionAtPly100OrLater) {
  const char* shuffle[] = {"g1f3", "g8f6", "f3g1", "f6g8"};
  for (int start : {99, 100}) {
    learn_queue_count = 0;
    SetPosition(kStartFen);
    for (int i = 0; i < start + 3; i++) {
      // The position three plies back keeps a fifty count that allows it.
      if (i == start) thread_board.FiftyCount = 0;
      PlayMove(shuffle[i % 4]);
    }
    Window(100, 30, -20);
    Learn();
    EXPECT_EQ(learn_queue_count, start < 100 ? 1 : 0) << start;
  }
}

TEST_F(LearningTrigger, TheQueueIsDroppedWhenTheScoreRecoversOrABookMoveIsPlayed) {
  struct Case {
    const char* what;
    int32_t before, previous, current;
    int book;
    bool kept;
  } cases[] = {
      {"three scores above -10", -9, 0, 20, 0, false},
      {"one of them -10", -10, 0, 20, 0, true},
      {"the latest -10", 0, 0, -10, 0, true},
      {"a book move", -300, -300, -300, 1, false},
      {"still low, not below -400", -300, -300, -300, 0, true},
  };
  for (const Case& c : cases) {
    learn_queue_count = 0;
    Play(kStartFen, kOpening);
    Window(100, 30, -20);
    Learn();
    ASSERT_EQ(learn_queue_count, 1) << c.what;

    PlayMove("b8c6");
    PlayMove("f1c4");
    Window(c.before, c.previous, c.current, 10, c.current);
    book_move_played = c.book;
    Learn();
    EXPECT_EQ(learn_queue_count, c.kept ? 1 : 0) << c.what;
    if (learn_queue_count) {
      EXPECT_EQ(learn_queue[0].move, game_history[0].Move) << c.what;
    }
  }
  EXPECT_EQ(File(), EmptyFile());
}

TEST_F(LearningTrigger, ThePositionQueuedTwiceIsAddedThenRefreshedAndAFullQueueTakesNoMore) {
  uint32_t k0, k1;
  KeysAfter(kStartFen, kOpening, 0, &k0, &k1);
  Play(kStartFen, kOpening);
  for (int call = 0; call < 4; call++) {
    Window(100, 30, -20 - call);
    Learn();
  }
  ASSERT_EQ(learn_queue_count, 3);
  EXPECT_EQ(learn_queue[2].eval, -22);

  // A fall with no fresh entry: only the queue's three are written.
  PlayMove("b8c6");
  PlayMove("f1c4");
  Window(100, 600, 540, 10, -401);
  Learn();
  EXPECT_EQ(learn_queue_count, 0);
  const std::string fen = "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - e2e4";
  EXPECT_EQ(Log(), "0\tAdd: Depth = 42\tOldEvaluation = 30\tEvaluaton = -20\tFEN = " + fen + "\n" +
                       "1\tRefresh: Depth = 42\tOldEvaluation = 30\tEvaluaton = -21\tFEN = " + fen + "\n" +
                       "2\tRefresh: Depth = 42\tOldEvaluation = 30\tEvaluaton = -22\tFEN = " + fen + "\n");
  Bytes expected = EmptyFile();
  PutRecord(expected, kHeader, {42, -22, game_history[0].Move, k0, k1, 0});
  Put(expected, Head(k0), kHeader);
  EXPECT_EQ(File(), expected);
}

TEST_F(LearningTrigger, ARecordAsDeepAsTheNewResultKeepsItsPlace) {
  uint32_t k0, k1;
  KeysAfter(kStartFen, kOpening, 0, &k0, &k1);
  AddLearnRecord(k0, k1, 42, 15, 0);
  Play(kStartFen, kOpening);
  Window(100, 30, -20, 10);
  Learn();
  EXPECT_EQ(learn_queue_count, 0) << "stored depth 42, new depth 42";
  Window(100, 30, -20, 11);
  Learn();
  ASSERT_EQ(learn_queue_count, 1) << "stored depth 42, new depth 46";

  // Stored over the old record, which stays first in its chain.
  PlayMove("b8c6");
  PlayMove("f1c4");
  Window(-20, -20, -20, 10, -450);
  Learn();
  const Found f = Find(k0, k1);
  EXPECT_EQ(f.offset, kHeader);
  EXPECT_EQ(f.depth, 46);
  EXPECT_EQ(f.eval, -20);
  EXPECT_EQ(File().size(), size_t(kHeader + 24));
}

TEST_F(LearningTrigger, NothingIsLearntInASilentSearchOrWithoutAWritableFile) {
  silent_search = 1;
  Play(kStartFen, kOpening);
  Window(100, 30, -20);
  Learn();
  EXPECT_EQ(learn_queue_count, 0);
  silent_search = 0;

  CloseLearningFile();
  Learn();
  EXPECT_EQ(learn_queue_count, 0);
}

TEST_F(LearningTrigger, AnUnwritableLogIsReportedOnceAndTheFileIsStillWritten) {
  fs::create_directory(dir_ + "/learn.log");
  Play(kStartFen, kOpening);
  Window(100, 30, -20);
  Learn();
  Learn();
  testing::internal::CaptureStdout();
  PlayMove("b8c6");
  PlayMove("f1c4");
  Window(100, -20, -20, 10, -450);
  Learn();
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "Error writing \"learn.log\"!\n");
  EXPECT_EQ(learn_log_counter, 2);
  EXPECT_EQ(File().size(), size_t(kHeader + 24));
}

TEST_F(LearningTrigger, WithoutLoggingNoLogIsWritten) {
  log_learning_into_file = 0;
  Play(kStartFen, kOpening);
  Window(100, 30, -20);
  Learn();
  PlayMove("b8c6");
  PlayMove("f1c4");
  Window(100, -20, -20, 10, -450);
  Learn();
  EXPECT_EQ(File().size(), size_t(kHeader + 24));
  EXPECT_FALSE(fs::exists(dir_ + "/learn.log"));
  EXPECT_EQ(learn_log_counter, 0);
}

}  // namespace
