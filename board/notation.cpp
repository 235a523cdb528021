// Move and position text: coordinate moves, FEN, the board diagram.
#include "board/notation.h"

#include <cstdio>
#include <cstring>

#include "board/attacks.h"
#include "board/makemove.h"
#include "board/movegen.h"
#include "board/tables.h"
#include "search/driver.h"

static const char promotion_letters[] = "knp?rbq";  // by code from 1
static const char piece_letters[] = ".KNP?RBQ";

char* MoveToSquaresText(char* buffer, Move move) {
  const int from = MoveFrom(move), to = MoveTo(move);
  buffer[0] = char('a' + (from & 7));
  buffer[1] = char('1' + (from >> 3));
  buffer[2] = char('a' + (to & 7));
  buffer[3] = char('1' + (to >> 3));
  buffer[4] = 0;
  return buffer;
}

char* MoveToText(char* buffer, Move move) {
  if (!move) {
    strcpy(buffer, "0000");
    return buffer;
  }
  MoveToSquaresText(buffer, move);
  const int promotion = MovePromotion(move);
  if (promotion >= 1 && promotion <= 7) {
    buffer[4] = promotion_letters[promotion - 1];
    buffer[5] = 0;
  }
  return buffer;
}

int IsLegalMove(Move move) {
  const int saved_end = move_list_end;
  GenerateLegalMoves(LEGALITY_LIST_START);
  int found = 0;
  if (MoveCaptured(move) != KING)
    for (int i = LEGALITY_LIST_START; i < move_list_end && !found; i++) found = move_list[i].move == move;
  move_list_end = saved_end;
  return found;
}

Move FindRootMove(Move move) {
  for (int i = TYPED_MOVE_LIST_START; i < root_move_end; i++) {
    const Move stored = move_list[i].move;
    if (MoveFromTo(stored) == MoveFromTo(move) && (stored >> 18) == (move >> 18)) return stored;
  }
  return 0;
}

static int FoldCase(int c) { return case_fold_table[uint8_t(c)]; }

static int PromotionCode(int c) {
  switch (c) {
    case 'q':
      return QUEEN;
    case 'r':
      return ROOK;
    case 'b':
      return BISHOP;
    case 'n':
      return KNIGHT;
    default:
      return 0;
  }
}

Move BuildMoveFromSquares(int from_file, int from_rank, int to_file, int to_rank, int promotion) {
  from_file = FoldCase(from_file);
  to_file = FoldCase(to_file);
  if (from_file < 'a' || from_file > 'h' || to_file < 'a' || to_file > 'h' || from_rank < '1' || from_rank > '8' ||
      to_rank < '1' || to_rank > '8')
    return 0;
  const int from = (from_file - 'a') + 8 * (from_rank - '1');
  const int to = (to_file - 'a') + 8 * (to_rank - '1');
  const Board& b = thread_board;
  return MakeMoveWord(from, to, int(b.Square[from]), int(b.Square[to]), PromotionCode(promotion));
}

Move ParseCoordinateMove(const char* text) {
  if (!IsCoordinateMoveText(text)) return 0;
  return BuildMoveFromSquares(text[0], text[1], text[2], text[3], text[4]);
}

int IsCoordinateMoveText(const char* text) {
  const int c0 = FoldCase(text[0]);
  if (c0 < 'a' || c0 > 'h' || text[1] < '1' || text[1] > '8') return 0;
  const int c2 = FoldCase(text[2]);
  return c2 >= 'a' && c2 <= 'h' && text[3] >= '1' && text[3] <= '8';
}

void PrintBoard() {
  const Board& b = thread_board;
  for (int rank = 7; rank >= 0; rank--) {
    for (int file = 0; file < 8; file++) {
      const int square = rank * 8 + file;
      printf((b.Occupied[BLACK] & SquareBit(square)) ? "*%c" : " %c", piece_letters[b.Square[square]]);
    }
    printf("\n");
  }
  fflush(stdout);
}

uint64_t GetPositionKey() {
  const Board& b = thread_board;
  uint64_t key = b.Key;
  if (game_ply > 0) {
    const Move last = game_history[game_ply - 1].Move;
    const int from = MoveFrom(last), to = MoveTo(last);
    if (MovePiece(last) == PAWN && (((from >> 3) ^ (to >> 3)) & 1) == 0) {
      const int file = to & 7;
      const uint64_t own_pawns = b.Pieces[PAWN][b.SideToMove];
      if ((file > 0 && (own_pawns & SquareBit(to - 1))) || (file < 7 && (own_pawns & SquareBit(to + 1))))
        key ^= ep_keys[file];
    }
  }
  return key ^ castle_keys[b.Castling & 15];
}

const char* FenErrorText(FenError error) {
  switch (error) {
    case FEN_OK:
      return "ok";
    case FEN_BAD_PLACEMENT:
      return "a rank holds more than eight files";
    case FEN_MISSING_FIELDS:
      return "missing fields";
    case FEN_BAD_KINGS:
      return "each side needs exactly one king";
    case FEN_PAWN_ON_END_RANK:
      return "a pawn stands on the first or last rank";
    case FEN_TOO_MANY_MEN:
      return "more than 8 pawns or 16 men of one colour";
    case FEN_OPPONENT_IN_CHECK:
      return "the side not to move is in check";
  }
  return "bad position";
}

namespace {
const char* SkipBlanks(const char* p) {
  while (*p == ' ' || *p == '\t') p++;
  return p;
}

// The fields of a FEN text; the men themselves are judged by SetUpPosition.
FenError ParseFen(const char* text, PositionSetUp* fen) {
  memset(fen->piece, 0, sizeof fen->piece);
  memset(fen->colour, 0, sizeof fen->colour);
  const char* p = SkipBlanks(text);
  int rank = 7, file = 0, slashes = 0;
  for (; *p && *p != ' ' && *p != '\t'; p++) {
    const char c = *p;
    if (c == '/') {
      if (++slashes == 8) {  // past the eighth rank: the field ends
        while (*p && *p != ' ' && *p != '\t') p++;
        break;
      }
      rank--;
      file = 0;
    } else if (c >= '1' && c <= '8') {
      file += c - '0';
      if (file > 8) return FEN_BAD_PLACEMENT;
    } else {
      const char* found = strchr("KQRBNPkqrbnp", c);
      if (!found) continue;  // other characters are skipped
      static const int codes[6] = {KING, QUEEN, ROOK, BISHOP, KNIGHT, PAWN};
      if (file > 7) return FEN_BAD_PLACEMENT;
      const int index = int(found - "KQRBNPkqrbnp");
      fen->piece[rank * 8 + file] = codes[index % 6];
      fen->colour[rank * 8 + file] = index < 6 ? WHITE : BLACK;
      file++;
    }
  }

  p = SkipBlanks(p);
  if (!*p) return FEN_MISSING_FIELDS;
  fen->side = *p == 'w' ? WHITE : BLACK;
  p = SkipBlanks(p + 1);

  if (!*p) return FEN_MISSING_FIELDS;
  fen->castling = 0;
  if (*p == '-') {
    p++;
  } else {
    for (; *p && *p != ' ' && *p != '\t'; p++) {
      if (*p == 'K') fen->castling |= WHITE_SHORT;
      if (*p == 'Q') fen->castling |= WHITE_LONG;
      if (*p == 'k') fen->castling |= BLACK_SHORT;
      if (*p == 'q') fen->castling |= BLACK_LONG;
    }
  }

  p = SkipBlanks(p);
  if (!*p) return FEN_MISSING_FIELDS;
  fen->ep_file = fen->ep_rank = -1;
  const int ep_file = case_fold_table[uint8_t(p[0])];
  if (ep_file >= 'a' && ep_file <= 'h' && p[1] >= '1' && p[1] <= '8') {
    fen->ep_file = ep_file - 'a';
    fen->ep_rank = p[1] - '1';
  }
  return FEN_OK;
}

// The men the board and its tables can hold: one king a side, no pawn on an
// end rank, at most 8 pawns and 16 men of a colour.
FenError MenError(const PositionSetUp& position) {
  int kings[2] = {0, 0}, pawns[2] = {0, 0}, men[2] = {0, 0};
  for (int square = 0; square < 64; square++) {
    const int piece = position.piece[square];
    if (!piece) continue;
    const int colour = position.colour[square];
    men[colour]++;
    if (piece == KING) kings[colour]++;
    if (piece == PAWN) {
      pawns[colour]++;
      if (square < 8 || square >= 56) return FEN_PAWN_ON_END_RANK;
    }
  }
  if (kings[WHITE] != 1 || kings[BLACK] != 1) return FEN_BAD_KINGS;
  if (pawns[WHITE] > 8 || pawns[BLACK] > 8 || men[WHITE] > 16 || men[BLACK] > 16) return FEN_TOO_MANY_MEN;
  return FEN_OK;
}
}  // namespace

FenError SetUpPosition(PositionSetUp position) {
  const FenError men = MenError(position);
  if (men != FEN_OK) return men;
  const int side = position.side;

  // An en passant square is recorded as the double step that allows it,
  // played for real from the position before it, so that the board derives
  // the right from the last record as after any double step. It needs the
  // pawn that stepped and empty squares behind it. The record belongs to the
  // set-up position: no take-back reaches behind it.
  Move double_step = 0;
  if (position.ep_file >= 0 && ((side == WHITE && position.ep_rank == 5) || (side == BLACK && position.ep_rank == 2))) {
    const int ep = position.ep_rank * 8 + position.ep_file;
    const int forward = side == WHITE ? -8 : 8;  // the direction the enemy pawn went
    const int pawn_to = ep + forward, pawn_from = ep - forward;
    if (position.piece[pawn_to] == PAWN && position.colour[pawn_to] == (side ^ 1) && !position.piece[ep] &&
        !position.piece[pawn_from]) {
      position.piece[pawn_from] = PAWN;
      position.colour[pawn_from] = side ^ 1;
      position.piece[pawn_to] = 0;
      double_step = MakeMoveWord(pawn_from, pawn_to, PAWN);
    }
  }

  // Kept so that a refused position leaves everything as it was.
  const Board saved_board = thread_board;
  const UndoRecord saved_record = game_history[0];
  const int32_t saved_ply = game_ply, saved_setup_ply = setup_ply;
  const int32_t saved_score = last_root_score, saved_side = last_root_side;

  last_root_score = 0;
  last_root_side = 0;
  game_ply = 0;
  ClearBoard();
  for (int square = 0; square < 64; square++)
    if (position.piece[square]) PutPiece(square, position.colour[square], position.piece[square]);
  Board& b = thread_board;

  // Rights only where king and rook stand on their squares.
  uint32_t castling = position.castling;
  if (!(b.Pieces[KING][WHITE] & SquareBit(E1))) castling &= ~uint32_t(WHITE_SHORT | WHITE_LONG);
  if (!(b.Pieces[KING][BLACK] & SquareBit(E8))) castling &= ~uint32_t(BLACK_SHORT | BLACK_LONG);
  if (!(b.Pieces[ROOK][WHITE] & SquareBit(A1))) castling &= ~uint32_t(WHITE_LONG);
  if (!(b.Pieces[ROOK][WHITE] & SquareBit(H1))) castling &= ~uint32_t(WHITE_SHORT);
  if (!(b.Pieces[ROOK][BLACK] & SquareBit(A8))) castling &= ~uint32_t(BLACK_LONG);
  if (!(b.Pieces[ROOK][BLACK] & SquareBit(H8))) castling &= ~uint32_t(BLACK_SHORT);
  b.Castling = castling;

  if (double_step) {
    b.SideToMove = uint32_t(side ^ 1);
    MakeMove(double_step, 1);
  } else {
    b.SideToMove = uint32_t(side);
  }
  setup_ply = game_ply;

  if (KingCanBeTaken(side)) {
    thread_board = saved_board;
    game_history[0] = saved_record;
    game_ply = saved_ply;
    setup_ply = saved_setup_ply;
    last_root_score = saved_score;
    last_root_side = saved_side;
    return FEN_OPPONENT_IN_CHECK;
  }
  return FEN_OK;
}

FenError LoadFen(const char* text) {
  PositionSetUp fen;
  const FenError parsed = ParseFen(text, &fen);
  if (parsed != FEN_OK) return parsed;
  return SetUpPosition(fen);
}
