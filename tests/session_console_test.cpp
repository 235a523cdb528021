// Console commands: perft, positions from FEN, the board, the evaluation
// dump, the move list, help, EPD evaluation and the small reports.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstring>
#include <regex>
#include <string>
#include <vector>

#include "session_harness.h"

using namespace session;

namespace {

const char kKiwipete[] = "r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq - 0 1";
const char kItalian[] = "r1bqk1nr/pppp1ppp/2n5/2b1p3/2B1P3/5N2/PPPP1PPP/RNBQK2R w KQkq - 4 4";
const char kRookEnding[] = "8/5pk1/6p1/8/3R4/6P1/r4PK1/8 b - - 0 40";
const char kOpenKings[] = "2kr3r/ppp2ppp/2n5/3q4/3P4/2P2N2/P4PPP/R2Q1RK1 b - - 0 15";

// The colour-flipped twin of a FEN: ranks reversed, colours, side to move,
// castling rights and the en passant rank exchanged; the clocks dropped.
std::string FlipFen(const std::string& fen) {
  const std::vector<std::string> fields = Split(fen);
  std::vector<std::string> ranks = Split(fields[0], '/');
  std::string out;
  for (auto rank = ranks.rbegin(); rank != ranks.rend(); ++rank) {
    if (!out.empty()) out += '/';
    for (char c : *rank) out += char(std::isupper(c) ? std::tolower(c) : std::toupper(c));
  }
  out += fields[1] == "w" ? " b " : " w ";
  std::string rights;
  for (char c : fields[2]) rights += char(std::isupper(c) ? std::tolower(c) : std::toupper(c));
  std::sort(rights.begin(), rights.end());  // "KQkq" order: upper case first
  out += rights + " ";
  std::string ep = fields[3];
  if (ep != "-") ep[1] = char('1' + '8' - ep[1]);
  return out + ep;
}

// "total moves = N time = S.SS" with N, or -1 when the output is not that.
long PerftCount(const std::vector<std::string>& lines) {
  static const std::regex format(R"(total moves = ([0-9]+) time = [0-9]+\.[0-9]{2})");
  std::smatch m;
  if (lines.size() != 1 || !std::regex_match(lines[0], m, format)) return -1;
  return std::stol(m[1]);
}

TEST(SessionConsole, BoardOfTheStartPosition) {
  EngineSession engine;
  ASSERT_TRUE(Ready(engine));
  const std::vector<std::string> expected = {
      "*R*N*B*Q*K*B*N*R", "*P*P*P*P*P*P*P*P", " . . . . . . . .", " . . . . . . . .",
      " . . . . . . . .", " . . . . . . . .", " P P P P P P P P", " R N B Q K B N R",
  };
  EXPECT_EQ(Join(engine.Run("brd")), Join(expected));
}

TEST(SessionConsole, PerftCountsAndIgnoresMissingOrBadDepths) {
  EngineSession engine;
  ASSERT_TRUE(Ready(engine));
  struct Case {
    const char* line;
    long count;  // -1: prints nothing
  };
  const Case start[] = {{"perft 1", 20}, {"perft 2", 400}, {"perft 3", 8902}, {"perft 0", -1},
                        {"perft", -1},   {"perft -2", -1}, {"perft x", -1}};
  for (const Case& c : start) {
    const std::vector<std::string> out = engine.Run(c.line);
    if (c.count < 0)
      EXPECT_EQ(Join(out), "") << c.line;
    else
      EXPECT_EQ(PerftCount(out), c.count) << c.line << ": " << Join(out);
  }
  EXPECT_EQ(Join(engine.Run(std::string("loadfen ") + kKiwipete)), "");
  EXPECT_EQ(PerftCount(engine.Run("perft 1")), 48);
  EXPECT_EQ(PerftCount(engine.Run("perft 2")), 2039);
  // Perft leaves the position as it found it.
  EXPECT_EQ(Join(engine.Run("brd")), Join(Diagram(kKiwipete)));
}

// "loadfen" sets a legal position; a text that is not one keeps the
// position before it. Board and move count follow what was loaded.
TEST(SessionConsole, LoadfenSetsLegalPositionsOnly) {
  EngineSession engine;
  ASSERT_TRUE(Ready(engine));
  struct Case {
    std::string line;
    std::string expected;  // the position afterwards
  };
  const Case cases[] = {
      {std::string("loadfen ") + kKiwipete, kKiwipete},
      {"loadfen garbage", kKiwipete},
      {"loadfen 8/8/8/8/8/8/8/8 w - - 0 1", kKiwipete},  // no kings
      {"loadfen", kKiwipete},
      {"loadfen 4k3/8/8/8/8/8/8/4K2R w K - 0 1", "4k3/8/8/8/8/8/8/4K2R w K - 0 1"},
      {std::string("loadfen ") + kStartFen, kStartFen},
      {"loadfen 4k3/8/8/8/8/8/4q3/4K3 b - - 0 1", kStartFen},  // the side not to move in check
      {"loadfen 4k2P/8/8/8/8/8/8/4K3 w - - 0 1", kStartFen},   // pawn on the last rank
      {"loadfen rnbqkbnr/ppp1pppp/8/8/3pP3/8/PPPP1PPP/RNBQKBNR b KQkq e3 0 1",
       "rnbqkbnr/ppp1pppp/8/8/3pP3/8/PPPP1PPP/RNBQKBNR b KQkq e3 0 1"},
      {std::string("loadfen ") + kRookEnding, kRookEnding},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.line);
    engine.Run(c.line);  // a refused text may be reported: not checked here
    EXPECT_EQ(Join(engine.Run("brd")), Join(Diagram(c.expected)));
    EXPECT_EQ(PerftCount(engine.Run("perft 1")), long(LegalMovesIn(c.expected).size()));
  }
}

// The numbers of the evaluation dump, line by line.
struct EvalDump {
  bool ok = false;
  std::vector<std::vector<std::string>> fields;  // the captured values of each line
};

EvalDump ReadEvl(EngineSession& engine, const std::string& fen) {
  EvalDump dump;
  EXPECT_EQ(Join(engine.Run("loadfen " + fen)), "") << fen;
  const std::vector<std::string> lines = engine.Run("evl");
  const char* n = "(-?[0-9]+)";
  const std::string formats[12] = {
      std::string("Heuristic = ") + n,
      R"(PassedVector\[BLACK\] = ([01]{8}) PassedVector\[WHITE\] = ([01]{8}))",
      std::string("current_phase = ") + n + ", black_phase = " + n + ", white_phase = " + n,
      std::string(R"(Material\[WHITE\] = )") + n + R"( thread_board\.Material\[BLACK\] = )" + n +
          R"( EvaluateMaterial\(\) = )" + n,
      R"(ENDING\(WHITE\) = ([01]) ENDING\(BLACK\) = ([01]))",
      std::string("black_defects_k = ") + n + " black_defects_q = " + n + " white_defects_k = " + n +
          " white_defects_q = " + n,
      std::string(R"(thread_eval_info\.shelter_penalty\[BLACK\] = )") + n +
          R"( thread_eval_info\.shelter_penalty\[WHITE\] = )" + n,
      std::string(R"(thread_eval_info\.danger\[BLACK\] = )") + n + R"( thread_eval_info\.danger\[WHITE\] = )" + n,
      std::string(R"(Attacks\[ChangeSide\(thread_board\.SideToMove\)\] = )") + n,
      std::string(R"(Attacks\[thread_board\.SideToMove\] = )") + n,
      std::string(R"(Shelter\[BLACK\] = )") + n + R"( Shelter\[WHITE\] = )" + n,
      std::string("Dng = ") + n,
  };
  EXPECT_EQ(lines.size(), 12u) << Join(lines);
  if (lines.size() != 12) return dump;
  dump.ok = true;
  for (int i = 0; i < 12; i++) {
    std::smatch m;
    const bool matched = std::regex_match(lines[i], m, std::regex(formats[i]));
    EXPECT_TRUE(matched) << "line " << i + 1 << ": " << lines[i];
    dump.ok = dump.ok && matched;
    std::vector<std::string> values;
    for (size_t g = 1; g < m.size(); g++) values.push_back(m[g]);
    dump.fields.push_back(values);
  }
  return dump;
}

// The dump of a position and of its colour-flipped twin agree: the
// side-relative values are equal, the per-colour values trade places.
TEST(SessionConsole, EvaluationDumpIsTwelveLinesAndColourSymmetric) {
  EngineSession engine;
  ASSERT_TRUE(Ready(engine));
  for (const char* fen : {kItalian, kKiwipete, kRookEnding, kOpenKings}) {
    SCOPED_TRACE(fen);
    const EvalDump a = ReadEvl(engine, fen);
    const EvalDump b = ReadEvl(engine, FlipFen(fen));
    ASSERT_TRUE(a.ok && b.ok);
    const auto& x = a.fields;
    const auto& y = b.fields;
    EXPECT_EQ(x[0][0], y[0][0]) << "Heuristic, side to move's view";
    EXPECT_EQ(x[1][0], y[1][1]) << "PassedVector";
    EXPECT_EQ(x[1][1], y[1][0]) << "PassedVector";
    EXPECT_EQ(x[2][0], y[2][0]) << "current_phase";
    EXPECT_EQ(x[2][1], y[2][2]) << "phases";
    EXPECT_EQ(x[2][2], y[2][1]) << "phases";
    EXPECT_EQ(x[3][0], y[3][1]) << "Material";
    EXPECT_EQ(x[3][1], y[3][0]) << "Material";
    EXPECT_EQ(x[4][0], y[4][1]) << "ENDING";
    EXPECT_EQ(x[4][1], y[4][0]) << "ENDING";
    EXPECT_EQ(x[5][0], y[5][2]) << "defects_k";
    EXPECT_EQ(x[5][1], y[5][3]) << "defects_q";
    EXPECT_EQ(x[6][0], y[6][1]) << "shelter_penalty";
    EXPECT_EQ(x[6][1], y[6][0]) << "shelter_penalty";
    EXPECT_EQ(x[7][0], y[7][1]) << "danger";
    EXPECT_EQ(x[7][1], y[7][0]) << "danger";
    EXPECT_EQ(x[8][0], y[8][0]) << "Attacks on the side not to move";
    EXPECT_EQ(x[9][0], y[9][0]) << "Attacks on the side to move";
    EXPECT_EQ(x[10][0], y[10][1]) << "Shelter";
    EXPECT_EQ(x[10][1], y[10][0]) << "Shelter";
    EXPECT_EQ(x[11][0], y[11][0]) << "Dng";
  }
}

// "moves" lists every legal move once, as piece letter and squares with its
// ordering score.
TEST(SessionConsole, MovesListsTheLegalMoves) {
  EngineSession engine;
  ASSERT_TRUE(Ready(engine));
  for (const char* fen : {kStartFen, kKiwipete, "8/P7/8/8/8/8/k7/4K3 w - - 0 1", kRookEnding}) {
    SCOPED_TRACE(fen);
    EXPECT_EQ(Join(engine.Run(std::string("loadfen ") + fen)), "");
    const std::vector<std::string> lines = engine.Run("moves");
    ASSERT_EQ(lines.size(), 3u) << Join(lines);
    EXPECT_EQ(lines[0], "-------------- Legal moves: ----------------");
    EXPECT_EQ(lines[1], "");
    const std::regex entry(R"(([KQRBNP])([a-h][1-8][a-h][1-8]) \((-?[0-9]+)\); )");
    std::vector<std::string> listed;
    std::string rest = lines[2];
    std::smatch m;
    while (std::regex_search(rest, m, entry, std::regex_constants::match_continuous)) {
      listed.push_back(m[2]);
      rest = m.suffix();
    }
    EXPECT_EQ(rest, "") << "not in the entry format: " << lines[2];
    std::vector<std::string> legal;
    for (const std::string& move : LegalMovesIn(fen)) legal.push_back(move.substr(0, 4));
    std::sort(listed.begin(), listed.end());
    std::sort(legal.begin(), legal.end());
    EXPECT_EQ(Join(listed), Join(legal));
    // Listing does not change the position.
    EXPECT_EQ(Join(engine.Run("brd")), Join(Diagram(fen)));
  }
}

// Help prints page 1, waits for one line (which it swallows), then page 2.
TEST(SessionConsole, HelpWaitsForEnterBetweenItsPages) {
  EngineSession engine;
  ASSERT_TRUE(Ready(engine));
  const std::vector<std::string> page1 = {
      "Dravelnor commands:",
      std::string(78, '-'),
      "",
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
      "",
  };
  const std::vector<std::string> page2 = {
      "Press <enter> to continue....",
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
      "",
  };
  ASSERT_TRUE(engine.Send("help"));
  ASSERT_TRUE(engine.WaitForPartial("Press <enter> to continue....")) << engine.TranscriptText();
  std::vector<std::string> shown;
  while (auto line = engine.ReadLine(0)) shown.push_back(*line);
  EXPECT_EQ(Join(shown), Join(page1));
  EXPECT_EQ(engine.partial(), "Press <enter> to continue....");
  // This line answers the prompt: it must not be answered with "readyok".
  ASSERT_TRUE(engine.Send("isready"));
  const WaitResult rest = engine.Sync();
  ASSERT_TRUE(rest.matched) << engine.TranscriptText();
  EXPECT_EQ(Join(rest.before()), Join(page2));
  EXPECT_FALSE(engine.ReadLine(300).has_value()) << "a second readyok";
}

// One score per complete line, equal to the dump's Heuristic of that line's
// position; every tenth line is copied to out.epd as it was read.
TEST(SessionConsole, EpdEvaluationScoresEveryCompleteLine) {
  const std::vector<std::string> positions = {
      kStartFen,
      kKiwipete,
      kItalian,
      kRookEnding,
      "r1bqkbnr/pppp1ppp/2n5/4p3/4P3/5N2/PPPP1PPP/RNBQKB1R w KQkq - bm Bb5; id \"ruy\";",
  };
  std::string file;
  std::vector<std::string> lines;
  for (int i = 0; i < 25; i++) {
    lines.push_back(positions[(i * 3) % positions.size()]);
    file += lines.back() + "\n";
  }
  file += kOpenKings;  // no line end: not read as a position
  SessionOptions options;
  options.files.push_back({"pos.epd", file});
  EngineSession engine(options);
  ASSERT_TRUE(Ready(engine));

  std::vector<std::string> heuristic;
  for (const std::string& fen : positions) {
    const EvalDump dump = ReadEvl(engine, fen);
    ASSERT_TRUE(dump.ok);
    heuristic.push_back(dump.fields[0][0]);
  }
  std::vector<std::string> expected;
  for (int i = 0; i < 25; i++) expected.push_back(heuristic[(i * 3) % positions.size()]);

  EXPECT_EQ(Join(engine.Run("epdevl pos.epd")), Join(expected));
  bool found = false;
  EXPECT_EQ(engine.ReadFile("out.epd", &found), lines[9] + "\n" + lines[19] + "\n");
  EXPECT_TRUE(found);
  // The board holds the last position read.
  EXPECT_EQ(Join(engine.Run("brd")), Join(Diagram(lines[24])));
}

TEST(SessionConsole, EpdEvaluationOfAMissingFileReportsAndGoesOn) {
  EngineSession engine;
  ASSERT_TRUE(Ready(engine));
  for (const char* line : {"epdevl nosuch.epd", "epdevl"}) {
    SCOPED_TRACE(line);
    EXPECT_FALSE(engine.Run(line).empty()) << "no message";
    EXPECT_EQ(Join(engine.Run("brd")), Join(Diagram("startpos")));
    EXPECT_EQ(PerftCount(engine.Run("perft 1")), 20);
  }
}

// The lines of an EPD file of 25 start positions, by move number.
std::string StartPositions(int count) {
  std::string file;
  for (int i = 1; i <= count; i++)
    file += std::string(kStartFen).substr(0, std::strlen(kStartFen) - 1) + std::to_string(i) + "\n";
  return file;
}

// The output file given as the input, by any name that reaches it, is
// refused before it is replaced, and kept whole; a copy of it is another
// file, read as any other.
TEST(SessionConsole, EpdEvaluationRefusesItsOwnOutputFile) {
  const std::string kept = StartPositions(25);
  SessionOptions options;
  options.files.push_back({"out.epd", kept});
  options.files.push_back({"copy.epd", kept});
  options.special_files.push_back({SpecialFile::SYMBOLIC_LINK, "link.epd", "out.epd"});
  options.special_files.push_back({SpecialFile::SYMBOLIC_LINK, "sub/up.epd", "../out.epd"});
  EngineSession engine(options);
  ASSERT_TRUE(Ready(engine)) << engine.error();
  ASSERT_TRUE(
      MakeSpecialFile(engine.directory(), {SpecialFile::HARD_LINK, "hard.epd", engine.directory() + "/out.epd"}));
  const std::vector<std::string> names = {"out.epd",  "./out.epd",  "OUT.EPD",  "c:\\out.epd",
                                          "link.epd", "sub/up.epd", "hard.epd", engine.directory() + "/out.epd"};
  for (const std::string& name : names) {
    SCOPED_TRACE(name);
    EXPECT_EQ(engine.Run("epdevl " + name),
              std::vector<std::string>{"Refused: \"" + name + "\" is the output file out.epd; it is left whole"});
    EXPECT_EQ(engine.ReadFile("out.epd"), kept);
  }
  EXPECT_EQ(engine.Run("epdevl copy.epd").size(), 25u);
  const std::vector<std::string> lines = Split(kept, '\n');
  EXPECT_EQ(engine.ReadFile("out.epd"), lines[9] + "\n" + lines[19] + "\n");
}

// An output that cannot be written is reported, once, and the scores are
// all printed: a full disk (here a device that always is one) or a FIFO
// that nobody reads, which must not hold the command up either.
TEST(SessionConsole, EpdEvaluationReportsAnOutputItCannotWrite) {
  struct Case {
    const char* what;
    SpecialFile output;
    int lines;
    const char* report;
  };
  const Case cases[] = {
      {"a full disk", {SpecialFile::SYMBOLIC_LINK, "out.epd", "/dev/full"}, 25, "Error writing \"out.epd\"!"},
      {"a full disk met in the middle",
       {SpecialFile::SYMBOLIC_LINK, "out.epd", "/dev/full"},
       3000,
       "Error writing \"out.epd\"!"},
      {"a FIFO without a reader", {SpecialFile::FIFO, "out.epd", ""}, 25, "Error opening \"out.epd\"!"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    SessionOptions options;
    options.files.push_back({"pos.epd", StartPositions(c.lines)});
    options.special_files.push_back(c.output);
    EngineSession engine(options);
    ASSERT_TRUE(Ready(engine)) << engine.error();
    const std::vector<std::string> out = engine.Run("epdevl pos.epd", 10000);
    EXPECT_EQ(LinesWithPrefix(out, "Error "), std::vector<std::string>{c.report}) << Join(out);
    if (StartsWith(c.report, "Error writing")) EXPECT_EQ(out.size(), size_t(c.lines) + 1);
  }
}

// Only a regular file is read: a FIFO, a folder, a device or the engine's
// own input are reported as a missing file is, at once, and the output file
// stays as it was.
TEST(SessionConsole, EpdEvaluationReadsOnlyRegularFiles) {
  const std::string kept = StartPositions(12);
  SessionOptions options;
  options.files.push_back({"out.epd", kept});
  options.special_files = {{SpecialFile::FIFO, "fifo.epd", ""},
                           {SpecialFile::FOLDER, "folder.epd", ""},
                           {SpecialFile::SYMBOLIC_LINK, "null.epd", "/dev/null"}};
  EngineSession engine(options);
  ASSERT_TRUE(Ready(engine)) << engine.error();
  for (const char* name : {"fifo.epd", "folder.epd", "null.epd", "/dev/null", "/dev/stdin"}) {
    SCOPED_TRACE(name);
    ASSERT_TRUE(engine.Send(std::string("epdevl ") + name));
    const WaitResult answer = engine.Sync(5000);
    ASSERT_TRUE(answer.matched) << engine.TranscriptText();
    EXPECT_EQ(answer.before(), std::vector<std::string>{std::string("Error opening \"") + name + "\"!"});
    EXPECT_EQ(engine.ReadFile("out.epd"), kept);
  }
  EXPECT_EQ(PerftCount(engine.Run("perft 1")), 20);
}

// The one-line reports, each with the position it describes.
TEST(SessionConsole, ReportsOfFlagsBookAndTablebases) {
  EngineSession engine;
  ASSERT_TRUE(Ready(engine));
  struct Case {
    std::string fen;
    const char* line;
    std::vector<std::string> expected;  // patterns, one per line
  };
  const Case cases[] = {
      {kStartFen, "mvd", {"castling flags = 15"}},
      {"4k3/8/8/8/8/8/8/4K2R w K - 0 1", "mvd", {"castling flags = 1"}},
      {kRookEnding, "mvd", {"castling flags = 0"}},
      {kStartFen, "bkm", {"Current nhash1 = -?[0-9]+, nhash2 = -?[0-9]+", "No book loaded\\.\\.\\."}},
      {kStartFen, "bk", {"Current nhash1 = -?[0-9]+, nhash2 = -?[0-9]+", "No book loaded\\.\\.\\."}},
      {kStartFen, "egtbstat", {"UseEGTB = TRUE", "tb_path = c:\\\\tablebases\\\\", "No EGTB files found"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.line);
    EXPECT_EQ(Join(engine.Run("loadfen " + c.fen)), "");
    const std::vector<std::string> out = engine.Run(c.line);
    ASSERT_EQ(out.size(), c.expected.size()) << Join(out);
    for (size_t i = 0; i < out.size(); i++) EXPECT_TRUE(std::regex_match(out[i], std::regex(c.expected[i]))) << out[i];
  }
  // The hash words differ between positions.
  EXPECT_EQ(Join(engine.Run(std::string("loadfen ") + kKiwipete)), "");
  const std::vector<std::string> other = engine.Run("bkm");
  EXPECT_EQ(Join(engine.Run(std::string("loadfen ") + kStartFen)), "");
  const std::vector<std::string> start = engine.Run("bkm");
  ASSERT_FALSE(other.empty());
  ASSERT_FALSE(start.empty());
  EXPECT_NE(other[0], start[0]);
}

}  // namespace
