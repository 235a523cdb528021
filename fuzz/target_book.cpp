// Any bytes as the opening book: the header check, then the lookup, the move
// choice and the listing of the start position and of a few positions after
// it, as a game asks them. The book is opened read-only in effect: no
// learning is asked for.
#include "board/board.h"
#include "board/makemove.h"
#include "board/movegen.h"
#include "board/notation.h"
#include "book/book.h"
#include "fuzz/fuzz_target.h"

namespace {

void AskBook() {
  BookMoveList list;
  LookupBookPosition(&list);
  FuzzCheck(list.count >= 0 && list.count <= 255, "a book list count outside its array");
  const Move move = book_version0 ? ChooseBookMoveV0() : ChooseBookMove();
  if (move) FuzzCheck(IsLegalMove(CompleteBookMove(move)) != 0, "the book chose a move that is not legal here");
  PrintBookMoves();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  InitEngineForFuzzing();
  NewGame();
  OpenOpeningBook(WriteScratchFile("Book.vop", data, size));
  if (book_loaded) {
    AskBook();
    // Each first move of the start position and then the book's own replies.
    move_list_end = 0;
    GenerateLegalMoves(LEGALITY_LIST_START);
    const int end = move_list_end;
    for (int i = LEGALITY_LIST_START; i < end && i < LEGALITY_LIST_START + 6; i++) {
      MakeMove(move_list[i].move, 1);
      AskBook();
      UnmakeMove();
    }
    move_list_end = 0;
  }
  CloseOpeningBook();
  return 0;
}
