// The tests' own writer of book files: the engine only reads books and
// updates their stats in place, so every fixture is built here, byte by
// byte, with the engine's key tables.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace book_writer {

using Bytes = std::vector<uint8_t>;

struct Entry {
  uint8_t from, to;
  uint16_t value;  // stats (version 1) or weight (version 0)
};
struct Node {
  uint32_t key1, key2;
  std::vector<Entry> moves;
};

// A book: banner, version, reserved, node count, the nodes sorted by signed
// keys, then each node's move list in the nodes' order.
Bytes BuildBook(std::vector<Node> nodes, int32_t version = 1);
// The keys of a FEN, straight from the tables and the placement field (not
// through the board): key1 toggled for black to move.
void KeysOfFen(const std::string& fen, uint32_t* key1, uint32_t* key2);
// A node for a FEN with moves given as coordinate texts ("e2e4") and values.
Node NodeOf(const std::string& fen, const std::vector<std::pair<std::string, uint16_t>>& moves);
// Square number of "e4".
uint8_t SquareOf(const char* text);

// Offset of the value of entry i in the list of the node for a FEN (the
// stats' low byte), or -1 when the book holds no such node.
long long EntryValueOffset(const Bytes& book, const std::string& fen, int i, int32_t version = 1);

Bytes ReadBytes(const std::string& path);
void WriteBytes(const std::string& path, const Bytes& bytes);

}  // namespace book_writer
