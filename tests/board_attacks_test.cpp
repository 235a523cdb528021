// Attack tests, static exchange, pins and check detection.
#include <gtest/gtest.h>

#include "board/attacks.h"
#include "board/makemove.h"
#include "board/movegen.h"
#include "board/notation.h"
#include "test_util.h"

namespace {

constexpr int Sq(const char* name) { return (name[0] - 'a') + 8 * (name[1] - '1'); }

// The pseudo-legal move with this text (legality aside), from the generators.
Move Pseudo(const char* text) {
  const int saved = move_list_end;
  move_list_end = 0;
  GenerateCaptures(thread_board.Occupied[thread_board.SideToMove ^ 1]);
  GeneratePromotions();
  GenerateQuietMoves(1);
  Move found = 0;
  char buffer[8];
  for (int i = 0; i < move_list_end; i++)
    if (std::string(MoveToText(buffer, move_list[i].move)) == text) found = move_list[i].move;
  move_list_end = saved;
  return found;
}

int Exchange(const char* text) {
  const Move move = Pseudo(text);
  EXPECT_NE(move, 0u) << text;
  return PassesStaticExchange(MoveTo(move), MoveFrom(move), MovePiece(move), MoveCaptured(move), MovePromotion(move));
}

TEST(StaticExchange, CasesOfTheRules) {
  InitBoardForTests();
  struct Case {
    const char* fen;
    const char* move;
    int passes;
    const char* why;
  };
  const Case cases[] = {
      {"4k3/8/3p4/4p3/3P4/8/8/4K3 w - - 0 1", "d4e5", 1, "pawn takes a guarded pawn"},
      {"4k3/8/3p4/4b3/8/3N4/8/4K3 w - - 0 1", "d3e5", 1, "knight takes a guarded bishop"},
      {"4k3/8/3p4/4n3/8/8/1B6/4K3 w - - 0 1", "b2e5", 1, "bishop takes a guarded knight"},
      {"4k3/8/3p4/4r3/8/2B5/8/4K3 w - - 0 1", "c3e5", 1, "bishop takes a guarded rook"},
      {"4k3/8/3p4/4n3/8/8/4Q3/4K3 w - - 0 1", "e2e5", 0, "queen takes a pawn-guarded knight"},
      {"8/1P6/8/8/8/8/8/k3K3 w - - 0 1", "b7b8r", 0, "under-promotion never passes"},
      {"8/1P6/8/8/8/8/8/k3K3 w - - 0 1", "b7b8n", 0, "under-promotion never passes"},
      {"2r5/1P6/8/8/8/8/8/k3K3 w - - 0 1", "b7c8q", 1, "a queen capture-promotion passes at once"},
      {"2r5/1P6/8/8/8/8/8/k3K3 w - - 0 1", "b7c8n", 0, "capture-promotion to a knight"},
      {"8/1P6/8/8/8/8/8/k3K3 w - - 0 1", "b7b8q", 1, "quiet queen promotion, nobody guards"},
      {"8/1P1n4/8/8/8/8/8/k3K3 w - - 0 1", "b7b8q", 0, "the knight takes the new queen"},
      {"8/1P1n4/8/8/8/8/1R6/k3K3 w - - 0 1", "b7b8q", 1, "the rook behind the pawn retakes"},
      {"4k3/8/8/3p4/4p3/8/8/4K3 b - - 0 1", "e8e7", 1, "a quiet king step nobody attacks"},
      {"8/8/8/8/3p4/2p5/3K4/k7 w - - 0 1", "d2c3", 0, "king takes a defended pawn"},
      {"8/8/8/2k5/3p4/4K3/8/3R4 w - - 0 1", "e3d4", 1, "king takes a pawn only the king defends, the rook bears"},
      {"8/8/8/2k5/3p4/4K3/8/8 w - - 0 1", "e3d4", 0, "king takes a pawn the king defends"},
      {"3r2k1/8/8/8/3p4/8/8/3R2K1 w - - 0 1", "d1d4", 0, "rook takes a rook-guarded pawn"},
      {"3r2k1/8/8/8/3p4/8/3R4/3Q2K1 w - - 0 1", "d2d4", 1, "the queen behind the rook retakes"},
      {"3r2k1/3r4/8/8/3p4/8/3R4/3Q2K1 w - - 0 1", "d2d4", 0, "two rooks against rook and queen"},
  };
  for (const Case& c : cases) {
    SetPosition(c.fen);
    EXPECT_EQ(Exchange(c.move), c.passes) << c.fen << " " << c.move << ": " << c.why;
  }
}

TEST(WinningCapture, MarginsAndPawns) {
  InitBoardForTests();
  SetPosition("4k3/8/8/3q4/8/8/8/3RK3 w - - 0 1");  // the queen hangs to the rook
  EXPECT_EQ(HasWinningCapture(900), 1);
  EXPECT_EQ(HasWinningCapture(901), 0);
  SetPosition("4k3/8/8/3p4/8/8/8/3RK3 w - - 0 1");  // only a pawn hangs
  EXPECT_EQ(HasWinningCapture(100), 1);
  EXPECT_EQ(HasWinningCapture(101), 0);
  SetPosition("4k3/8/2p5/3n4/8/8/8/3QK3 w - - 0 1");  // the knight is guarded by a pawn
  EXPECT_EQ(HasWinningCapture(300), 0);
  SetPosition("4k3/8/2p5/3r4/8/8/8/3NK3 w - - 0 1");  // worth more than the taker
  EXPECT_EQ(HasWinningCapture(300), 0) << "the knight cannot reach d5";
  SetPosition("4k3/8/2p5/3r4/8/4N3/8/4K3 w - - 0 1");
  EXPECT_EQ(HasWinningCapture(500), 1);
}

TEST(Rays, RayAndXray) {
  InitBoardForTests();
  SetPosition("4k3/8/8/8/1r1Q2R1/8/8/4K3 w - - 0 1");
  const int d4 = Sq("d4");
  EXPECT_EQ(GetRayAttacks(d4, 1), SquareBit(Sq("e4")) | SquareBit(Sq("f4")) | SquareBit(Sq("g4")));
  EXPECT_EQ(GetRayAttacks(d4, -1), SquareBit(Sq("c4")) | SquareBit(Sq("b4")));
  EXPECT_EQ(GetRayAttacks(d4, 0), 0u);
  EXPECT_EQ(GetRayAttacks(d4, 10), 0u);
  EXPECT_EQ(GetRayAttacks(d4, 17), 0u);
  const uint64_t set = SquareBit(Sq("a1"));
  EXPECT_EQ(GetXrayAttackers(set, d4, 1), set | SquareBit(Sq("g4")));
  EXPECT_EQ(GetXrayAttackers(set, d4, -1), set | SquareBit(Sq("b4")));
  EXPECT_EQ(GetXrayAttackers(set, d4, 9), set) << "no slider on the diagonal";
  EXPECT_EQ(GetXrayAttackers(set, d4, 6), set);
}

TEST(Pins, PinnedPiecesAndExposingMoves) {
  InitBoardForTests();
  SetPosition("4k3/8/8/8/4r3/8/4N3/4K3 w - - 0 1");
  EXPECT_EQ(IsPinned(Sq("e2")), 1);
  EXPECT_EQ(ExposesKing(Pseudo("e2c3")), 1);
  EXPECT_EQ(ExposesKing(Pseudo("e1d1")), 0) << "a king move never exposes";
  SetPosition("4k3/4r3/8/8/4B3/8/4N3/4K3 w - - 0 1");
  EXPECT_EQ(IsPinned(Sq("e2")), 0) << "an own piece stands between";
  EXPECT_EQ(IsPinned(Sq("e4")), 0) << "two men between it and the king";
  SetPosition("4k3/8/8/7r/8/8/4N3/3K4 w - - 0 1");
  EXPECT_EQ(IsPinned(Sq("e2")), 0) << "a rook does not pin on a diagonal";
  SetPosition("4k3/8/8/7q/8/8/4N3/3K4 w - - 0 1");
  EXPECT_EQ(IsPinned(Sq("e2")), 1) << "a queen pins on a diagonal";
  SetPosition("4k3/8/8/7b/8/8/4P3/3K4 w - - 0 1");
  EXPECT_EQ(IsPinned(Sq("e2")), 1) << "the kind of the pinned man does not matter";
  SetPosition("4k3/4q3/8/8/4R3/8/8/4K3 w - - 0 1");
  EXPECT_EQ(ExposesKing(Pseudo("e4e6")), 0) << "along the pin line";
  EXPECT_EQ(ExposesKing(Pseudo("e4e2")), 0) << "toward the king";
  EXPECT_EQ(ExposesKing(Pseudo("e4e7")), 0) << "taking the pinner";
  EXPECT_EQ(ExposesKing(Pseudo("e4a4")), 1) << "off the line";
  SetPosition("4k3/8/8/8/8/8/8/R3K3 w - - 0 1");
  EXPECT_EQ(IsPinned(Sq("a1")), 0) << "nothing beyond";
}

// GivesCheck must agree with making the move and asking whether the enemy
// king is attacked, for every legal move of a tree of positions.
void CompareChecks(int depth, int* compared, int* failures) {
  const int start = move_list_end;
  GenerateLegalMoves(start);
  const int end = move_list_end;
  for (int i = start; i < end; i++) {
    const Move move = move_list[i].move;
    const int mover = int(thread_board.SideToMove);
    const int predicted = GivesCheck(move);
    const int discovered = GivesDiscoveredCheck(move);
    MakeMove(move, 1);
    const int actual = IsSquareAttacked(mover, int(thread_board.KingSquare[mover ^ 1]));
    ++*compared;
    if (predicted != actual || (discovered && !actual)) {
      char text[8];
      ADD_FAILURE() << MoveToText(text, move) << " predicted " << predicted << " discovered " << discovered
                    << " actual " << actual;
      ++*failures;
    }
    if (depth > 1 && *failures < 5) CompareChecks(depth - 1, compared, failures);
    UnmakeMove();
  }
  move_list_end = start;
}

TEST(GivesCheck, AgreesWithMakingTheMove) {
  InitBoardForTests();
  const std::pair<const char*, int> positions[] = {
      {"r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq - 0 1", 3},
      {"8/2p5/3p4/KP5r/1R3p1k/8/4P1P1/8 w - - 0 1", 4},
      {"r3k2r/Pppp1ppp/1b3nbN/nP6/BBP1P3/q4N2/Pp1P2PP/R2Q1RK1 w kq - 0 1", 3},
      {"rnbq1k1r/pp1Pbppp/2p5/8/2B5/8/PPP1NnPP/RNBQK2R w KQ - 1 8", 3},
      {"n1n5/PPPk4/8/8/8/8/4Kppp/5N1N b - - 0 1", 3},
      {"r3k2r/8/8/8/8/8/8/R3K2R w KQkq - 0 1", 3},
  };
  int compared = 0, failures = 0;
  for (auto [fen, depth] : positions) {
    SetPosition(fen);
    CompareChecks(depth, &compared, &failures);
  }
  EXPECT_EQ(failures, 0);
  EXPECT_GT(compared, 100000);
}

TEST(GivesCheck, SpecialMoves) {
  InitBoardForTests();
  struct Case {
    const char* fen;
    const char* move;
    int check;
  };
  const Case cases[] = {
      {"5k2/8/8/8/8/8/8/4K2R w K - 0 1", "e1g1", 1},  // the rook on f1 up the open file
      {"6k1/8/8/8/8/8/8/4K2R w K - 0 1", "e1g1", 0},
      {"8/8/8/8/8/8/8/R3K1k1 w Q - 0 1", "e1c1", 1},   // kings on one rank, nothing between
      {"8/4P3/8/8/8/4k3/8/K7 w - - 0 1", "e7e8q", 1},  // through the square the pawn left
      {"8/4P3/8/8/8/4k3/8/K7 w - - 0 1", "e7e8b", 0},
      {"8/4P3/5k2/8/8/8/8/K7 w - - 0 1", "e7e8n", 1},
      {"8/4P3/4k3/8/8/8/8/K7 w - - 0 1", "e7e8n", 0},
      {"8/8/8/RPp4k/8/8/8/4K3 w - c6 0 1", "b5c6", 1},  // en passant opens the rank
      {"4k3/8/8/8/8/8/4K3/4R3 w - - 0 1", "e2d2", 1},   // the king uncovers the rook
      {"4k3/8/8/8/8/8/4K3/4R3 w - - 0 1", "e2e3", 0},
  };
  for (const Case& c : cases) {
    SetPosition(c.fen);
    const Move move = FindLegal(c.move);
    ASSERT_NE(move, 0u) << c.fen << " " << c.move;
    EXPECT_EQ(GivesCheck(move), c.check) << c.fen << " " << c.move;
  }
  SetPosition("4k3/8/8/3p4/4P3/8/8/4R1K1 w - - 0 1");
  EXPECT_EQ(GivesDiscoveredCheck(FindLegal("e4e5")), 0) << "stays on the rook's line";
  EXPECT_EQ(GivesDiscoveredCheck(FindLegal("e4d5")), 1);
  EXPECT_EQ(GivesCheck(FindLegal("e4d5")), 1);
  EXPECT_EQ(game_ply, 0);
}

}  // namespace
