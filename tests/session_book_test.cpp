// The opening book in real sessions: moves answered from the book under the
// ini settings, the cases where the engine searches instead, and result
// learning by each of its triggers, checked byte by byte in the book file
// afterwards.
#include <gtest/gtest.h>

#include <regex>
#include <set>
#include <string>
#include <vector>

#include "book_writer.h"
#include "session_harness.h"

using namespace session;
namespace bw = book_writer;

namespace {

const char kKings[] = "4k3/8/8/8/8/8/8/4K3 w - - 0 1";

uint16_t Stats(int lo, int hi) { return uint16_t(lo | hi << 8); }

std::string AsText(const bw::Bytes& bytes) { return std::string(bytes.begin(), bytes.end()); }
bw::Bytes AsBytes(const std::string& text) { return bw::Bytes(text.begin(), text.end()); }

// The 57-byte book of the kings-only position: e1d1 untried, e1f1 with two
// points of three.
bw::Bytes KingsBook() { return bw::BuildBook({bw::NodeOf(kKings, {{"e1d1", 0}, {"e1f1", Stats(2, 1)}})}); }

SessionOptions WithBook(const bw::Bytes& book, const std::string& ini = "") {
  SessionOptions options;
  options.files.push_back({"Book.vop", AsText(book)});
  if (!ini.empty()) options.files.push_back({"Dravelnor.ini", ini});
  return options;
}

void StartUci(EngineSession& engine) {
  ASSERT_TRUE(Ready(engine));
  ASSERT_TRUE(engine.Send("uci"));
  ASSERT_TRUE(engine.WaitForLine("uciok").matched) << engine.TranscriptText();
}

// Sends the lines, then waits for the bestmove; the lines before it go to
// *before.
std::string Go(EngineSession& engine, const std::vector<std::string>& lines,
               std::vector<std::string>* before = nullptr) {
  for (const std::string& line : lines) EXPECT_TRUE(engine.Send(line));
  const WaitResult result = engine.WaitForPrefix("bestmove");
  EXPECT_TRUE(result.matched) << engine.TranscriptText();
  if (before) *before = result.before();
  const std::vector<std::string> words = Split(result.match());
  return words.size() >= 2 ? words[1] : "";
}

bool Searched(const std::vector<std::string>& before) { return !LinesWithPrefix(before, "info depth").empty(); }

// The book with the stats of the listed entries replaced: (fen, entry
// index, new stats).
struct Change {
  std::string fen;
  int entry;
  uint16_t stats;
};
bw::Bytes Changed(const bw::Bytes& book, const std::vector<Change>& changes) {
  bw::Bytes out = book;
  for (const Change& c : changes) {
    const long long at = bw::EntryValueOffset(book, c.fen, c.entry);
    EXPECT_GE(at, 0) << c.fen;
    if (at < 0) continue;
    out[at] = uint8_t(c.stats);
    out[at + 1] = uint8_t(c.stats >> 8);
  }
  return out;
}

// The stats of entry i in the list of the node for a FEN (-1: no such entry).
int StatsAt(const bw::Bytes& book, const std::string& fen, int i) {
  const long long at = bw::EntryValueOffset(book, fen, i);
  return at >= 0 && size_t(at) + 1 < book.size() ? book[at] | book[at + 1] << 8 : -1;
}

// What the engine left in its book after it quit.
bw::Bytes BookAfterQuit(EngineSession& engine) {
  EXPECT_TRUE(engine.Send("quit"));
  const ExitResult exit = engine.WaitExit();
  EXPECT_TRUE(exit.exited && exit.code == 0) << engine.TranscriptText();
  return AsBytes(engine.ReadFile("Book.vop"));
}

// The positions along a line of moves from the start, each in the book with
// the move played from it (and a second, never played entry first).
struct LineBook {
  std::vector<std::string> moves, fens;
  bw::Bytes bytes;
};
LineBook MakeLineBook(const std::vector<std::string>& moves) {
  LineBook book;
  book.moves = moves;
  std::vector<bw::Node> nodes;
  for (size_t i = 0; i < moves.size(); i++) {
    book.fens.push_back(FenAfter("startpos", std::vector<std::string>(moves.begin(), moves.begin() + long(i))));
    nodes.push_back(bw::NodeOf(book.fens.back(), {{"a1a1", 0xFFFF}, {moves[i], 0}}));
  }
  book.bytes = bw::BuildBook(nodes);
  return book;
}

std::string Position(const std::vector<std::string>& moves, size_t count) {
  std::string text = "position startpos";
  if (count) text += " moves";
  for (size_t i = 0; i < count; i++) text += " " + moves[i];
  return text;
}

TEST(SessionBook, MovesComeFromTheBookAsTheSettingsSay) {
  struct Case {
    const char* ini;
    std::string expected;
  } cases[] = {
      {"", "e1f1"},  // weights: 666 against 500 at variety 10
      {"UseBookWeights = off\n", "e1d1"},
      {"BookLearningMode = discover\n", "e1d1"},
      {"VarietyOfPlay = 0\n", "e1f1"},
  };
  for (const Case& c : cases) {
    EngineSession engine(WithBook(KingsBook(), c.ini));
    StartUci(engine);
    EXPECT_FALSE(LinesWithPrefix(engine.transcript(), "1 nodes in openings book").empty()) << engine.TranscriptText();
    std::vector<std::string> before;
    EXPECT_EQ(Go(engine, {"position fen " + std::string(kKings), "go depth 5"}, &before), c.expected) << c.ini;
    EXPECT_FALSE(Searched(before)) << c.ini << Join(before);
  }
}

TEST(SessionBook, TheEngineSearchesWhereTheBookMayNotAnswer) {
  // e1g1 is stored for the position with castling rights; without them the
  // same node is found but its move is illegal.
  const char* castled = "r3k2r/8/8/8/8/8/8/R3K2R w KQkq - 0 1";
  const bw::Bytes book = bw::BuildBook({bw::NodeOf(kKings, {{"e1d1", 0}}), bw::NodeOf(castled, {{"e1g1", 0}})});
  struct Case {
    const char* what;
    std::vector<std::string> lines;
    std::string not_expected;
  } cases[] = {
      {"OwnBook off",
       {"setoption name OwnBook value false", "position fen 4k3/8/8/8/8/8/8/4K3 w - - 0 1", "go depth 3"},
       ""},
      {"searchmoves", {"position fen 4k3/8/8/8/8/8/8/4K3 w - - 0 1", "go depth 3 searchmoves e1d1 e1e2"}, ""},
      {"an illegal castling", {"position fen r3k2r/8/8/8/8/8/8/R3K2R w kq - 0 1", "go depth 3"}, "e1g1"},
      {"a book move of the other side", {"position fen 4k3/8/8/8/8/8/8/4K3 b - - 0 1", "go depth 3"}, ""},
  };
  for (const Case& c : cases) {
    EngineSession engine(WithBook(book));
    StartUci(engine);
    std::vector<std::string> before;
    const std::string best = Go(engine, c.lines, &before);
    EXPECT_TRUE(Searched(before)) << c.what << "\n" << Join(before);
    EXPECT_NE(best, c.not_expected) << c.what;
    EXPECT_NE(best, "0000") << c.what;
  }

  // An infinite search never asks the book: it searches until "stop".
  EngineSession engine(WithBook(book));
  StartUci(engine);
  for (const char* line : {"position fen r3k2r/8/8/8/8/8/8/R3K2R w KQkq - 0 1", "go infinite"})
    ASSERT_TRUE(engine.Send(line));
  ASSERT_TRUE(engine.WaitForPrefix("info depth").matched) << engine.TranscriptText();
  Go(engine, {"stop"});
}

TEST(SessionBook, VarietyOfPlayWidensTheChoice) {
  // Scores 250 and 750: at variety 10 only the second is a candidate, at 100
  // both are, drawn anew for every search.
  const bw::Bytes book = bw::BuildBook({bw::NodeOf(kKings, {{"e1d1", Stats(1, 3)}, {"e1f1", Stats(3, 1)}})});
  for (int variety : {10, 100}) {
    EngineSession engine(WithBook(book, "VarietyOfPlay = " + std::to_string(variety) + "\n"));
    StartUci(engine);
    std::set<std::string> seen;
    for (int i = 0; i < 24; i++) seen.insert(Go(engine, {"position fen " + std::string(kKings), "go depth 3"}));
    const std::set<std::string> expected =
        variety == 10 ? std::set<std::string>{"e1f1"} : std::set<std::string>{"e1d1", "e1f1"};
    EXPECT_EQ(seen, expected);
  }
}

TEST(SessionBook, AFinishedGameIsLearntAsADrawOnce) {
  // Kings only after six plies: insufficient material at the root. The
  // position at ply 4 is the book's, with e1d1 played from it.
  const bw::Bytes book = KingsBook();
  EngineSession engine(WithBook(book));
  StartUci(engine);
  const std::string game = "position fen " + std::string(kKings) + " moves e1d1 e8d8 d1e1 d8e8 e1d1 e8d8";
  Go(engine, {game, "go depth 3"});
  // Learnt once: a second search of the same game writes nothing more.
  Go(engine, {game, "go depth 3"});
  EXPECT_EQ(BookAfterQuit(engine), Changed(book, {{kKings, 0, Stats(1, 1)}}));

  // With UseBookLearning off, nothing is written.
  EngineSession off(WithBook(book, "UseBookLearning = off\n"));
  StartUci(off);
  Go(off, {game, "go depth 3"});
  EXPECT_EQ(BookAfterQuit(off), book);
}

// Two engines of one front end in one folder learn into one book: each
// result lands, also when the other engine read the book before it was
// written.
TEST(SessionBook, TwoEnginesInOneFolderBothLearnTheirGames) {
  const bw::Bytes book = KingsBook();
  EngineSession first(WithBook(book));
  SessionOptions shared;
  shared.directory = first.directory();
  EngineSession second(shared);
  StartUci(first);
  StartUci(second);
  const std::string game = "position fen " + std::string(kKings) + " moves e1d1 e8d8 d1e1 d8e8 e1d1 e8d8";
  // The same finished game in each, one after the other: two draws of e1d1.
  Go(first, {game, "go depth 3"});
  Go(second, {game, "go depth 3"});
  EXPECT_TRUE(second.Send("quit"));
  EXPECT_TRUE(second.WaitExit().exited);
  const bw::Bytes after = BookAfterQuit(first);
  EXPECT_EQ(StatsAt(after, kKings, 0), Stats(2, 2)) << "the stats of e1d1";
  EXPECT_EQ(after, Changed(book, {{kKings, 0, Stats(2, 2)}}));
}

TEST(SessionBook, UciNewGameLearnsTheEnginesMovesAsADraw) {
  const LineBook line = MakeLineBook({"e2e4", "e7e5", "g1f3", "b8c6", "f1b5", "a7a6", "b5a4"});
  EngineSession engine(WithBook(line.bytes));
  StartUci(engine);
  // The engine plays white from the book at plies 0, 2, 4 and 6.
  for (size_t ply = 0; ply < line.moves.size(); ply += 2) {
    std::vector<std::string> before;
    EXPECT_EQ(Go(engine, {Position(line.moves, ply), "go depth 4"}, &before), line.moves[ply]);
    EXPECT_FALSE(Searched(before));
  }
  ASSERT_TRUE(engine.Send(Position(line.moves, 7)));
  // The engine's last move is taken back first; the one from the start is
  // never learnt.
  EXPECT_TRUE(engine.Run("ucinewgame").empty());
  EXPECT_EQ(BookAfterQuit(engine),
            Changed(line.bytes, {{line.fens[2], 1, Stats(1, 1)}, {line.fens[4], 1, Stats(1, 1)}}));
}

TEST(SessionBook, ResetLearnsADrawOfTheEngineAsBlack) {
  const LineBook line = MakeLineBook({"e2e4", "e7e5", "g1f3", "b8c6", "f1b5", "a7a6", "b5a4", "g8f6"});
  EngineSession engine(WithBook(line.bytes));
  ASSERT_TRUE(Ready(engine));
  for (const char* command : {"xboard", "new", "easy", "sd 3"}) EXPECT_TRUE(engine.Run(command).empty()) << command;
  for (size_t ply = 0; ply < line.moves.size(); ply += 2) {
    ASSERT_TRUE(engine.Send(line.moves[ply]));
    const WaitResult answer = engine.WaitForPrefix("move ");
    ASSERT_TRUE(answer.matched) << engine.TranscriptText();
    EXPECT_EQ(answer.match(), "move " + line.moves[ply + 1]);
  }
  EXPECT_TRUE(engine.Run("reset").empty());
  // Black's moves at plies 1, 3 and 5; its last one is taken back first.
  EXPECT_EQ(BookAfterQuit(engine),
            Changed(line.bytes,
                    {{line.fens[1], 1, Stats(1, 1)}, {line.fens[3], 1, Stats(1, 1)}, {line.fens[5], 1, Stats(1, 1)}}));
}

TEST(SessionBook, ADecidedGameIsLearntAsAWinOrALoss) {
  // The engine's move two plies back stands in the book; the search finds a
  // queen up (or down) and counts the game as won (or lost).
  const char* white = "4k3/8/8/8/8/8/8/Q3K3 w - - 0 1";
  const char* black = "4k3/8/8/8/8/8/8/Q3K3 b - - 0 1";
  const std::string white_ply2 = FenAfter(white, {"a1a2", "e8d8"});
  const std::string black_ply2 = FenAfter(black, {"e8d8", "a1a2"});
  const bw::Bytes book =
      bw::BuildBook({bw::NodeOf(white_ply2, {{"a2a3", Stats(4, 2)}}), bw::NodeOf(black_ply2, {{"d8e8", Stats(4, 2)}})});
  struct Case {
    const char* ini;
    std::string game;
    std::vector<Change> changes;
  } cases[] = {
      {"", "position fen " + std::string(white) + " moves a1a2 e8d8 a2a3 d8e8", {{white_ply2, 0, Stats(6, 2)}}},
      {"", "position fen " + std::string(black) + " moves e8d8 a1a2 d8e8 a2a3", {{black_ply2, 0, Stats(4, 4)}}},
      {"BookLearningBound = 20000\n", "position fen " + std::string(white) + " moves a1a2 e8d8 a2a3 d8e8", {}},
  };
  for (const Case& c : cases) {
    EngineSession engine(WithBook(book, c.ini));
    StartUci(engine);
    Go(engine, {c.game, "go depth 4"});
    EXPECT_EQ(BookAfterQuit(engine), Changed(book, c.changes)) << c.game << " " << c.ini;
  }
}

// A front end's analysis ("go infinite", or a bare "go", until "stop") and a
// ponder search that "stop" ends are no moves of the game: a score past the
// bound learns nothing. A ponder search that "ponderhit" made the engine's
// own learns as a "go" does.
TEST(SessionBook, AnAnalysisOrAStoppedPonderSearchLearnsNothing) {
  const char* white = "4k3/8/8/8/8/8/8/Q3K3 w - - 0 1";
  const std::string white_ply2 = FenAfter(white, {"a1a2", "e8d8"});
  const bw::Bytes book = bw::BuildBook({bw::NodeOf(white_ply2, {{"a2a3", Stats(4, 2)}})});
  const std::string game = "position fen " + std::string(white) + " moves a1a2 e8d8 a2a3 d8e8";
  struct Case {
    const char* go;
    const char* then;
    bool after_its_end;  // the line comes once the search has ended by its own limit
    uint16_t stats;      // of a2a3 afterwards
  } cases[] = {
      {"go infinite", "stop", false, Stats(4, 2)},
      {"go", "stop", false, Stats(4, 2)},
      {"go ponder wtime 10000 btime 10000", "stop", false, Stats(4, 2)},
      {"go ponder wtime 10000 btime 10000", "ponderhit", false, Stats(6, 2)},
      {"go ponder depth 6 wtime 10000 btime 10000", "ponderhit", true, Stats(6, 2)},
      {"go ponder nodes 20000 wtime 10000 btime 10000", "ponderhit", true, Stats(6, 2)},
      {"go ponder depth 6 wtime 10000 btime 10000", "stop", true, Stats(4, 2)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.go) + ", " + c.then + (c.after_its_end ? " after its end" : ""));
    EngineSession engine(WithBook(book));
    StartUci(engine);
    ASSERT_TRUE(engine.Send(game));
    ASSERT_TRUE(engine.Send(c.go));
    // Searching, a queen up: past the bound of 400.
    const char* past_the_bound = "info depth [0-9]+ .*score cp ([4-9][0-9]{2}|[1-9][0-9]{3,}) .*";
    if (c.after_its_end) {
      ASSERT_TRUE(WaitUntilIdle(engine)) << engine.TranscriptText();
      bool past = false;
      for (const std::string& line : engine.transcript()) past |= std::regex_match(line, std::regex(past_the_bound));
      ASSERT_TRUE(past) << engine.TranscriptText();
    } else {
      ASSERT_TRUE(
          engine.WaitForRegex("info depth ([4-9]|[1-9][0-9]) .*score cp ([4-9][0-9]{2}|[1-9][0-9]{3,}) .*").matched)
          << engine.TranscriptText();
    }
    EXPECT_NE(Go(engine, {c.then}), "");
    const bw::Bytes after = BookAfterQuit(engine);
    EXPECT_EQ(StatsAt(after, white_ply2, 0), c.stats);
    EXPECT_EQ(after, Changed(book, {{white_ply2, 0, c.stats}}));
  }
}

}  // namespace
