#include "tb_positions.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "tablebases/index.h"

namespace {

int FileOf(int s) { return s & 7; }
int RankOf(int s) { return s >> 3; }

int PieceOfLetter(char c) {
  switch (c) {
    case 'p':
      return 0;
    case 'n':
      return 1;
    case 'b':
      return 2;
    case 'r':
      return 3;
    case 'q':
      return 4;
    default:
      return 5;
  }
}

// Whether a man of the colour and piece on from attacks target on the board
// of occupied squares.
bool Attacks(int colour, int piece, int from, int target, const bool* occupied) {
  const int df = FileOf(target) - FileOf(from), dr = RankOf(target) - RankOf(from);
  if (from == target) return false;
  switch (piece) {
    case 0:
      return std::abs(df) == 1 && dr == (colour == 0 ? 1 : -1);
    case 1:
      return (std::abs(df) == 1 && std::abs(dr) == 2) || (std::abs(df) == 2 && std::abs(dr) == 1);
    case 5:
      return std::abs(df) <= 1 && std::abs(dr) <= 1;
    default:
      break;
  }
  const bool straight = df == 0 || dr == 0, diagonal = std::abs(df) == std::abs(dr);
  if (piece == 2 && !diagonal) return false;
  if (piece == 3 && !straight) return false;
  if (piece == 4 && !straight && !diagonal) return false;
  const int sf = (df > 0) - (df < 0), sr = (dr > 0) - (dr < 0);
  for (int f = FileOf(from) + sf, r = RankOf(from) + sr; f != FileOf(target) || r != RankOf(target); f += sf, r += sr)
    if (occupied[r * 8 + f]) return false;
  return true;
}

int MapSquare(int s, int t) {
  int f = FileOf(s), r = RankOf(s);
  if (t & 1) f ^= 7;
  if (t & 2) r ^= 7;
  if (t & 4) std::swap(f, r);
  return r * 8 + f;
}

}  // namespace

int SquareOf(const char* name) { return (name[1] - '1') * 8 + (name[0] - 'a'); }

std::vector<TbMan> MenOfSignature(const std::string& signature) {
  std::vector<TbMan> men;
  const size_t second = signature.find('k', 1);
  for (int colour = 0; colour < 2; colour++) {
    const std::string letters = colour == 0 ? signature.substr(1, second - 1) : signature.substr(second + 1);
    int used[5] = {};
    for (char c : letters) {
      const int piece = PieceOfLetter(c);
      men.push_back({colour, piece, piece * 3 + used[piece]++});
    }
  }
  men.push_back({0, 5, 15});
  men.push_back({1, 5, 15});
  return men;
}

int RowOfSignature(const std::string& signature) {
  for (int r = 1; r < TB_TABLE_ROWS; r++)
    if (signature == tb_index_signatures[r]) return r;
  return 0;
}

bool IsLegalPosition(const std::vector<TbMan>& men, const TbPosition& position, int side) {
  bool occupied[64] = {};
  for (const TbMan& man : men) {
    const int s = position.lists[man.colour][man.slot];
    if (s < 0 || s > 63 || occupied[s]) return false;
    occupied[s] = true;
    if (man.piece == 0 && (RankOf(s) == 0 || RankOf(s) == 7)) return false;
  }
  const int waiting = side ^ 1;
  const int king = position.lists[waiting][15];
  for (const TbMan& man : men)
    if (man.colour == side && Attacks(side, man.piece, position.lists[side][man.slot], king, occupied)) return false;
  if (position.ep == 127) return true;
  // The pawn that stepped twice stands beyond the en-passant square, both
  // squares it crossed are empty, and a pawn of the side to move beside it.
  const int e = position.ep;
  if (RankOf(e) != (side == 0 ? 5 : 2)) return false;
  const int pushed = side == 0 ? e - 8 : e + 8, from = side == 0 ? e + 8 : e - 8;
  if (occupied[e] || occupied[from]) return false;
  bool pushed_found = false, capturer = false;
  for (const TbMan& man : men) {
    const int s = position.lists[man.colour][man.slot];
    if (man.piece != 0) continue;
    if (man.colour == waiting && s == pushed) pushed_found = true;
    if (man.colour == side && RankOf(s) == RankOf(pushed) && std::abs(FileOf(s) - FileOf(pushed)) == 1) capturer = true;
  }
  return pushed_found && capturer;
}

bool RandomLegalPosition(const std::vector<TbMan>& men, int side, std::mt19937_64& random, double ep_chance,
                         TbPosition* position) {
  std::uniform_int_distribution<int> square(0, 63);
  std::uniform_real_distribution<double> chance(0, 1);
  for (int attempt = 0; attempt < 100000; attempt++) {
    TbPosition p{};
    for (auto& list : p.lists)
      for (int32_t& s : list) s = 0;
    for (const TbMan& man : men) p.lists[man.colour][man.slot] = square(random);
    p.ep = 127;
    if (chance(random) < ep_chance) {
      // Pick a pawn of the side not to move on its double-step rank and
      // call the square behind it the en-passant square.
      std::vector<int> candidates;
      for (const TbMan& man : men)
        if (man.piece == 0 && man.colour != side) {
          int& s = p.lists[man.colour][man.slot];
          s = (side == 0 ? 4 : 3) * 8 + (s & 7);
          candidates.push_back(s);
          break;
        }
      if (!candidates.empty()) {
        p.ep = side == 0 ? candidates[0] + 8 : candidates[0] - 8;
        // And a pawn of the side to move beside it.
        for (const TbMan& man : men)
          if (man.piece == 0 && man.colour == side) {
            const int file = candidates[0] & 7;
            const int beside = file == 0 ? 1 : file == 7 ? 6 : file + (chance(random) < 0.5 ? -1 : 1);
            p.lists[man.colour][man.slot] = (candidates[0] & 56) + beside;
            break;
          }
      }
    }
    if (IsLegalPosition(men, p, side)) {
      *position = p;
      return true;
    }
  }
  return false;
}

TbPosition TransformPosition(const std::vector<TbMan>& men, const TbPosition& position, int t) {
  TbPosition out = position;
  for (const TbMan& man : men) out.lists[man.colour][man.slot] = MapSquare(position.lists[man.colour][man.slot], t);
  if (position.ep != 127) out.ep = MapSquare(position.ep, t);
  return out;
}

TbPosition ExchangeColours(const std::vector<TbMan>& men, const TbPosition& position) {
  TbPosition out = position;
  for (const TbMan& man : men) out.lists[man.colour ^ 1][man.slot] = position.lists[man.colour][man.slot] ^ 56;
  if (position.ep != 127) out.ep = position.ep ^ 56;
  return out;
}

TbPosition PermuteLikeMen(const std::vector<TbMan>& men, const TbPosition& position, int step) {
  TbPosition out = position;
  for (int colour = 0; colour < 2; colour++)
    for (int piece = 0; piece < 5; piece++) {
      int count = 0;
      for (const TbMan& man : men) count += man.colour == colour && man.piece == piece;
      for (int i = 0; i < count; i++)
        out.lists[colour][piece * 3 + i] = position.lists[colour][piece * 3 + (i + step) % count];
    }
  return out;
}

std::string SymmetryClassKey(const std::vector<TbMan>& men, const TbPosition& position) {
  bool pawns = false;
  for (const TbMan& man : men) pawns = pawns || man.piece == 0;
  std::string best;
  for (int t = 0; t < 8; t++) {
    if (pawns && t > 1) break;
    const TbPosition p = TransformPosition(men, position, t);
    // Like men as a sorted set of squares.
    std::string key;
    for (int colour = 0; colour < 2; colour++)
      for (int piece = 0; piece < 6; piece++) {
        std::vector<int> squares;
        for (const TbMan& man : men)
          if (man.colour == colour && man.piece == piece) squares.push_back(p.lists[colour][man.slot]);
        std::sort(squares.begin(), squares.end());
        for (int s : squares) key += char('0' + s);
        key += '/';
      }
    key += char('0' + (p.ep == 127 ? 64 : p.ep));
    if (best.empty() || key < best) best = key;
  }
  return best;
}

std::string DescribePosition(const std::vector<TbMan>& men, const TbPosition& position) {
  static const char letters[] = "pnbrqk";
  std::string text;
  for (const TbMan& man : men) {
    const int s = position.lists[man.colour][man.slot];
    text += man.colour == 0 ? char(std::toupper(letters[man.piece])) : letters[man.piece];
    text += char('a' + (s & 7));
    text += char('1' + (s >> 3));
    text += ' ';
  }
  if (position.ep != 127) text += std::string("ep ") + char('a' + (position.ep & 7)) + char('1' + (position.ep >> 3));
  return text;
}
