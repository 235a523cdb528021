#include "book_writer.h"

#include <algorithm>
#include <fstream>
#include <iterator>

#include "book/book.h"

namespace book_writer {

namespace {

void PutU32(Bytes& b, uint32_t v) {
  for (int i = 0; i < 4; i++) b.push_back(uint8_t(v >> (8 * i)));
}

uint32_t GetU32(const Bytes& b, size_t at) {
  return uint32_t(b[at]) | uint32_t(b[at + 1]) << 8 | uint32_t(b[at + 2]) << 16 | uint32_t(b[at + 3]) << 24;
}

}  // namespace

Bytes BuildBook(std::vector<Node> nodes, int32_t version) {
  std::sort(nodes.begin(), nodes.end(), [](const Node& a, const Node& b) {
    return int32_t(a.key1) != int32_t(b.key1) ? int32_t(a.key1) < int32_t(b.key1) : int32_t(a.key2) < int32_t(b.key2);
  });
  Bytes b(BOOK_BANNER, BOOK_BANNER + BOOK_BANNER_SIZE);
  PutU32(b, uint32_t(version));
  PutU32(b, 0xDEADBEEF);  // reserved: must be skipped
  PutU32(b, uint32_t(nodes.size()));
  const size_t entry_size = version == 0 ? 3 : 4;
  uint32_t list_offset = uint32_t(BOOK_HEADER_SIZE + BOOK_NODE_SIZE * nodes.size());
  for (const Node& n : nodes) {
    PutU32(b, n.key1);
    PutU32(b, n.key2);
    PutU32(b, list_offset);
    list_offset += uint32_t(1 + entry_size * n.moves.size());
  }
  for (const Node& n : nodes) {
    b.push_back(uint8_t(n.moves.size()));
    for (const Entry& e : n.moves) {
      b.push_back(e.from);
      b.push_back(e.to);
      b.push_back(uint8_t(e.value));
      if (version != 0) b.push_back(uint8_t(e.value >> 8));
    }
  }
  return b;
}

void KeysOfFen(const std::string& fen, uint32_t* key1, uint32_t* key2) {
  uint32_t k1 = 0, k2 = 0;
  int rank = 7, file = 0;
  size_t i = 0;
  for (; i < fen.size() && fen[i] != ' '; i++) {
    const char c = fen[i];
    if (c == '/') {
      rank--;
      file = 0;
    } else if (c >= '1' && c <= '8') {
      file += c - '0';
    } else {
      const int colour = (c >= 'a' && c <= 'z') ? 1 : 0;
      const char lower = char(colour ? c : c - 'A' + 'a');
      const int code = int(std::string(".knp?rbq").find(lower));
      const int index = code * 64 + rank * 8 + file;
      k1 ^= book_key_tables[colour][index];
      k2 ^= book_key_tables[2 + colour][index];
      file++;
    }
  }
  if (fen.compare(i, 3, " b ") == 0) k1 ^= 0x7D3ADEB;
  *key1 = k1;
  *key2 = k2;
}

uint8_t SquareOf(const char* text) { return uint8_t((text[0] - 'a') + 8 * (text[1] - '1')); }

Node NodeOf(const std::string& fen, const std::vector<std::pair<std::string, uint16_t>>& moves) {
  Node n;
  KeysOfFen(fen, &n.key1, &n.key2);
  for (const auto& [text, value] : moves)
    n.moves.push_back({SquareOf(text.c_str()), SquareOf(text.c_str() + 2), value});
  return n;
}

long long EntryValueOffset(const Bytes& book, const std::string& fen, int i, int32_t version) {
  uint32_t k1, k2;
  KeysOfFen(fen, &k1, &k2);
  const uint32_t count = GetU32(book, 32);
  for (uint32_t r = 0; r < count; r++) {
    const size_t at = BOOK_HEADER_SIZE + size_t(r) * BOOK_NODE_SIZE;
    if (GetU32(book, at) == k1 && GetU32(book, at + 4) == k2)
      return GetU32(book, at + 8) + 1 + i * (version == 0 ? 3 : 4) + 2;
  }
  return -1;
}

Bytes ReadBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void WriteBytes(const std::string& path, const Bytes& bytes) {
  std::ofstream(path, std::ios::binary)
      .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

}  // namespace book_writer
