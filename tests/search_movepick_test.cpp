// The move picker on its own: from positions with castling, promotions, en
// passant (also pinned) and check, every combination of hash move, killers
// and generation mode yields each move at most once, never the hash move,
// and in full generation every legal move; the stages come in their order
// and each stage best score first.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "board/attacks.h"
#include "board/makemove.h"
#include "board/movegen.h"
#include "board/notation.h"
#include "search/movepick.h"
#include "search/node.h"
#include "search/search.h"
#include "search/tables.h"
#include "test_util.h"

namespace {

using search_node::MoverKingAttacked;

constexpr int kListStart = 1000;
constexpr int kA3 = 16, kB5 = 33;

std::string Text(Move m) {
  char buffer[16];
  return MoveToText(buffer, m);
}

std::vector<Move> LegalMoves() {
  const int saved_end = move_list_end;
  GenerateLegalMoves(LEGALITY_LIST_START);
  std::vector<Move> moves;
  for (int i = LEGALITY_LIST_START; i < move_list_end; i++) moves.push_back(move_list[i].move);
  move_list_end = saved_end;
  std::sort(moves.begin(), moves.end());
  return moves;
}

// Made and taken back: the mover's king is not left attacked.
bool IsLegalHere(Move m) {
  MakeMove(m, 1);
  const bool legal = !MoverKingAttacked();
  UnmakeMove();
  return legal;
}

struct Picked {
  Move move;
  int32_t stage;
  int32_t score;
};

struct PickerSetup {
  Move hash_move, killer1, killer2;
  int restricted, futile, near_alpha;
};

// Runs one picker to its end the way the node does (evasions listed first
// when in check).
std::vector<Picked> RunPicker(const PickerSetup& s) {
  const int own = int(thread_board.SideToMove);
  ply = 1;
  iteration_depth = 10;  // every promotion piece is generated at ply 1
  ply_records[ply].killer1[own] = s.killer1;
  ply_records[ply].killer2[own] = s.killer2;
  move_list_end = kListStart;
  const int in_check = InCheck();
  if (in_check) GenerateEvasions();
  MovePicker picker;
  InitMovePicker(picker, kListStart, s.hash_move, in_check, s.restricted, s.futile, s.near_alpha);
  std::vector<Picked> picked;
  Move m;
  while ((m = NextMove(picker)) != 0) {
    picked.push_back({m, picker.move_stage, picker.score});
    if (picked.size() > 400) break;
  }
  return picked;
}

// Stage order: captures, killer 1, killer 2, quiet moves, losing captures;
// the evasions alone in check.
int StageRank(int32_t stage) {
  switch (stage) {
    case STAGE_CAPTURES:
      return 0;
    case STAGE_KILLER1:
      return 1;
    case STAGE_KILLER2:
      return 2;
    case STAGE_QUIETS:
      return 3;
    case STAGE_LOSING:
      return 4;
    case STAGE_EVASIONS:
      return 5;
    default:
      return -1;
  }
}

const char* const kPositions[] = {
    "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1",
    "r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq - 0 1",
    "rnbqkbnr/ppp1p1pp/8/3pPp2/8/8/PPPP1PPP/RNBQKBNR w KQkq f6 0 3",  // en passant
    "8/8/8/KPp4r/8/8/8/4k3 w - c6 0 1",                               // en passant that uncovers the king
    "1r2k3/P7/8/8/8/8/6p1/4K2R w K - 0 1",                            // promotions, captures by one
    "4k3/8/8/8/1b6/8/8/RN2K2R w KQ - 0 1",                            // check by a bishop
    "8/8/8/2k5/3Pp3/8/8/4K3 b - d3 0 1",                              // check met by en passant
    "r1bqkbnr/pppp1ppp/2n5/4p2Q/2B1P3/8/PPPP1PPP/RNB1K1NR b KQkq - 3 3",
};

class MovePickerTest : public ::testing::Test {
 protected:
  void SetUp() override { InitSearchForTests(); }
};

TEST_F(MovePickerTest, EveryMoveOnceNeverTheHashMoveInStageOrder) {
  for (const char* fen : kPositions) {
    SetPosition(fen);
    const std::vector<Move> legal = LegalMoves();
    ASSERT_FALSE(legal.empty()) << fen;
    const int in_check = InCheck();
    // A quiet and a capture among the legal moves, for hash move and killers.
    Move quiet = 0, quiet2 = 0, capture = 0;
    for (Move m : legal) {
      if (search_node::IsQuiet(m)) {
        if (!quiet)
          quiet = m;
        else if (!quiet2)
          quiet2 = m;
      } else if (!capture) {
        capture = m;
      }
    }
    const Move no_piece = MakeMoveWord(kA3, kB5, KNIGHT);  // from an empty square in every position here
    ASSERT_EQ(thread_board.Square[kA3], EMPTY) << fen;
    const Move hash_moves[] = {0, quiet, capture};
    const Move killer_pairs[][2] = {{0, 0}, {quiet, quiet2}, {quiet2, quiet}, {quiet, quiet}, {no_piece, quiet2}};
    for (Move hash : hash_moves) {
      for (const auto& killers : killer_pairs) {
        for (int mode = 0; mode < 8; mode++) {
          const PickerSetup s{hash, killers[0], killers[1], mode & 1, (mode >> 1) & 1, (mode >> 2) & 1};
          const std::string where = std::string(fen) + " hash " + (hash ? Text(hash) : "-") + " killers " +
                                    (killers[0] ? Text(killers[0]) : "-") + " " +
                                    (killers[1] ? Text(killers[1]) : "-") + " mode " + std::to_string(mode);
          const std::vector<Picked> picked = RunPicker(s);

          std::vector<Move> seen;
          int last_rank = 0;
          for (size_t i = 0; i < picked.size(); i++) {
            const Picked& p = picked[i];
            EXPECT_NE(p.move, hash) << where << ": the hash move came out again";
            EXPECT_NE(p.move, no_piece) << where << ": a killer that cannot be played came out";
            seen.push_back(p.move);
            const int rank = StageRank(p.stage);
            ASSERT_GE(rank, 0) << where << " " << Text(p.move) << " from stage " << p.stage;
            EXPECT_EQ(rank == 5, in_check != 0) << where << " " << Text(p.move);
            EXPECT_GE(rank, last_rank) << where << ": " << Text(p.move) << " out of stage order";
            if (i > 0 && picked[i - 1].stage == p.stage && p.stage != STAGE_KILLER1 && p.stage != STAGE_KILLER2) {
              EXPECT_LE(p.score, picked[i - 1].score) << where << ": " << Text(p.move) << " not best first";
            }
            if (p.stage == STAGE_CAPTURES) {
              EXPECT_GE(p.score, 0) << where << " " << Text(p.move);
            }
            if (p.stage == STAGE_LOSING) {
              EXPECT_LT(p.score, 0) << where << " " << Text(p.move);
            }
            if (p.stage == STAGE_KILLER1) {
              EXPECT_EQ(p.move, s.killer1) << where;
            }
            if (p.stage == STAGE_KILLER2) {
              EXPECT_EQ(p.move, s.killer2) << where;
            }
            last_rank = rank;
          }
          std::sort(seen.begin(), seen.end());
          EXPECT_TRUE(std::adjacent_find(seen.begin(), seen.end()) == seen.end()) << where << ": a move came twice";

          // What the node would search: the legal ones, and the hash move
          // when it is playable.
          std::vector<Move> searched;
          for (Move m : seen)
            if (IsLegalHere(m)) searched.push_back(m);
          for (Move m : searched)
            EXPECT_TRUE(std::binary_search(legal.begin(), legal.end(), m)) << where << ": " << Text(m) << " is no move";
          if (s.restricted || s.futile) continue;  // deliberately fewer moves
          if (hash) searched.push_back(hash);
          std::sort(searched.begin(), searched.end());
          EXPECT_EQ(searched, legal) << where;
        }
      }
    }
  }
}

TEST_F(MovePickerTest, LegalKillersComeInTheirStageAndNotAgainWithTheQuietMoves) {
  SetPosition("r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq - 0 1");
  const Move castle = FindLegal("e1g1"), rook = FindLegal("a1b1"), pawn = FindLegal("a2a3");
  ASSERT_TRUE(castle && rook && pawn);
  const struct {
    Move hash, killer1, killer2;
    std::vector<Move> expected_killers;
  } cases[] = {
      {0, castle, rook, {castle, rook}},
      {pawn, castle, rook, {castle, rook}},
      {castle, castle, rook, {rook}},  // the hash move is not tried again as a killer
      {0, rook, rook, {rook}},         // nor one killer twice
      {0, MakeMoveWord(kA3, kB5, KNIGHT), castle, {castle}},
  };
  for (const auto& c : cases) {
    const std::vector<Picked> picked = RunPicker({c.hash, c.killer1, c.killer2, 0, 0, 1});
    std::vector<Move> killers;
    for (const Picked& p : picked) {
      if (p.stage != STAGE_KILLER1 && p.stage != STAGE_KILLER2) continue;
      killers.push_back(p.move);
      EXPECT_EQ(p.score, 0) << Text(p.move) << ": a killer is tried with the score 0";
    }
    EXPECT_EQ(killers, c.expected_killers) << Text(c.killer1) << " " << Text(c.killer2);
    EXPECT_EQ(std::count_if(picked.begin(), picked.end(), [&](const Picked& p) { return p.move == castle; }),
              c.hash == castle ? 0 : 1);
  }
}

TEST_F(MovePickerTest, LosingCapturesWaitUntilTheQuietMovesAreDone) {
  // The queen's capture on d5 loses her to the e6 pawn; the loose pawn on g5
  // is won by the knight or the queen.
  SetPosition("4k3/3p4/4p3/3p2p1/8/5N2/3Q4/4K3 w - - 0 1");
  const std::vector<Picked> picked = RunPicker({0, 0, 0, 0, 0, 1});
  int quiets = 0, losing = 0;
  for (const Picked& p : picked) {
    if (p.stage == STAGE_QUIETS) {
      EXPECT_EQ(losing, 0) << Text(p.move) << ": a quiet move after a losing capture";
      quiets++;
    }
    if (p.stage == STAGE_LOSING) {
      EXPECT_TRUE(MoveCaptured(p.move)) << Text(p.move);
      EXPECT_GT(quiets, 0);
      losing++;
    }
  }
  EXPECT_GT(losing, 0) << "the defended pawns are losing captures for the queen";
}

TEST_F(MovePickerTest, HashMoveIsPlayableOnlyWhereTheNodeMaySearchIt) {
  const struct {
    const char* fen;
    const char* move;
    bool playable;
  } cases[] = {
      {"4k3/8/8/8/1b6/8/8/RN2K2R w KQ - 0 1", "b1d2", true},    // blocks the check
      {"4k3/8/8/8/1b6/8/8/RN2K2R w KQ - 0 1", "h1h8", false},   // ignores it
      {"4k3/8/8/8/1b6/8/3N4/R3K2R w KQ - 0 1", "d2f3", false},  // pinned knight
      {"4k3/8/8/8/1b6/8/3N4/R3K2R w KQ - 0 1", "a1a8", true},
      {"8/8/8/2k5/3Pp3/8/8/4K3 b - d3 0 1", "e4d3", true},  // en passant takes the checker
  };
  for (const auto& c : cases) {
    SetPosition(c.fen);
    Move m = FindLegal(c.move);
    if (!m) {
      // Moves that are no legal move here are given as the word the table would hold.
      const int from = (c.move[0] - 'a') + 8 * (c.move[1] - '1'), to = (c.move[2] - 'a') + 8 * (c.move[3] - '1');
      m = MakeMoveWord(from, to, int(thread_board.Square[from]), int(thread_board.Square[to]));
    }
    move_list_end = kListStart;
    const int in_check = InCheck();
    if (in_check) GenerateEvasions();
    EXPECT_EQ(HashMoveIsPlayable(m, in_check, kListStart), c.playable) << c.fen << " " << c.move;
  }
}

}  // namespace
