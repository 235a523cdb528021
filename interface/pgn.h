// interface/pgn.h: the PGN scan and its SAN move reader. Replays every game
// of a PGN file from the initial position and counts the positions where a
// 2-ply silent search picks the move that was played. Writes the board, the
// search state and tuning_hits; never the book or the learning file.
#pragma once

#include <cstdint>
#include <string>

// The file the console command "pgneval" scans (a Windows name; see
// ResolveFileName for where it lies on other systems).
constexpr const char* PGN_EVAL_FILE = "c:\\work\\source.pgn";

constexpr int SAN_TEXT_SIZE = 16;
extern char san_text[SAN_TEXT_SIZE];  // the current move token
// Of the current game's Result tag: 0 unknown or "*", 1 white won, 2 black
// won, 3 drawn.
extern int32_t pgn_game_result;
// Set once a move of the current game was not resolved or was ambiguous:
// the rest of the game is read but not played.
extern int32_t pgn_skip_game;
// Positions where the engine's move was the game's; never reset here.
extern int32_t tuning_hits;

// The PGN text, read whole; readers step back by moving pos.
struct PgnStream {
  std::string data;
  size_t pos = 0;
};
// Readers: 1 when they met the end of the file, 0 when done, unless noted.
int SkipToChar(PgnStream* stream, int c);
int SkipToMoveText(PgnStream* stream);
int StartPgnGame(PgnStream* stream);
// The next character without taking it, -1 at the end of the file.
int PeekPgnChar(PgnStream* stream);
int SkipPgnSpace(PgnStream* stream);
// 1 end of file, 2 another tag follows (or the tag ended early), 3 the
// move text follows.
int ReadPgnTag(PgnStream* stream);
int SkipPgnComment(PgnStream* stream);
int SkipPgnVariation(PgnStream* stream);
int SkipMoveNumber(PgnStream* stream);
// Fills san_text; a token of 15 characters ends the program with status 2.
int ReadSanToken(PgnStream* stream);
void DropSanFirstChar();
// Resolves san_text against the legal moves, runs the hit test when the
// game has a result, and makes the move.
void PlaySanMove();

// Scans the text of a PGN file (the tests give it directly).
void ScanPgnText(const std::string& text);
// Opens the file (a Windows name is read as ResolveFileName says) and scans
// it; false when there was none to scan: a missing file, or anything but a
// regular file, prints "Error opening file <name>...".
bool ScanPgnFile(const char* name);
