#define _FILE_OFFSET_BITS 64
#include "tb_writer.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <queue>

#include "tablebases/compressed.h"

namespace tbw {

void WriteFile(const std::string& path, const Bytes& bytes) {
  FILE* f = std::fopen(path.c_str(), "wb");
  ASSERT_NE(f, nullptr) << path;
  if (!bytes.empty()) {
    ASSERT_EQ(std::fwrite(bytes.data(), 1, bytes.size(), f), bytes.size());
  }
  std::fclose(f);
}

void WriteSparseFile(const std::string& path, uint64_t size, const std::vector<std::pair<uint64_t, Bytes>>& patches) {
  FILE* f = std::fopen(path.c_str(), "wb");
  ASSERT_NE(f, nullptr) << path;
  for (const auto& [offset, bytes] : patches) {
    ASSERT_EQ(fseeko(f, off_t(offset), SEEK_SET), 0);
    ASSERT_EQ(std::fwrite(bytes.data(), 1, bytes.size(), f), bytes.size());
  }
  std::fflush(f);
  ASSERT_EQ(ftruncate(fileno(f), off_t(size)), 0);
  std::fclose(f);
}

Bytes ReadFile(const std::string& path) {
  Bytes bytes;
  FILE* f = std::fopen(path.c_str(), "rb");
  if (!f) return bytes;
  uint8_t buffer[65536];
  size_t n;
  while ((n = std::fread(buffer, 1, sizeof buffer, f)) > 0) bytes.insert(bytes.end(), buffer, buffer + n);
  std::fclose(f);
  return bytes;
}

uint32_t Checksum(const uint8_t* data, size_t length) {
  uint32_t r = 0;
  for (size_t i = 0; i < length; i++) {
    r ^= data[i];
    for (int k = 0; k < 8; k++) r = (r >> 1) ^ ((r & 1) ? 0xEDB88320u : 0);
  }
  return r;
}

void BitWriter::Put(uint64_t value, int bits) {
  for (int i = bits - 1; i >= 0; i--) {
    if (used == 8) {
      bytes.push_back(0);
      used = 0;
    }
    if ((value >> i) & 1) bytes.back() |= uint8_t(0x80 >> used);
    used++;
  }
}

std::vector<uint32_t> CanonicalCodes(const std::vector<uint8_t>& lengths) {
  int count[33] = {};
  for (uint8_t l : lengths) count[l]++;
  count[0] = 0;
  uint32_t next[33] = {};
  uint32_t code = 0;
  for (int l = 1; l <= 32; l++) {
    code = (code + uint32_t(count[l - 1])) << 1;
    next[l] = code;
  }
  std::vector<uint32_t> codes(lengths.size());
  for (size_t s = 0; s < lengths.size(); s++)
    if (lengths[s]) codes[s] = next[lengths[s]]++;
  return codes;
}

// Writes symbols of one code; a code with a single symbol takes no bits.
struct SymbolWriter {
  std::vector<uint8_t> lengths;
  std::vector<uint32_t> codes;
  bool lone = false;
  explicit SymbolWriter(std::vector<uint8_t> l) : lengths(std::move(l)), codes(CanonicalCodes(lengths)) {
    lone = std::count_if(lengths.begin(), lengths.end(), [](uint8_t x) { return x != 0; }) == 1;
  }
  bool Has(int s) const { return lengths[size_t(s)] != 0; }
  void Put(BitWriter& w, int s) const {
    EXPECT_TRUE(Has(s)) << "symbol " << s << " is not coded";
    if (!lone) w.Put(codes[size_t(s)], lengths[size_t(s)]);
  }
};

static void PutSmallLengths(BitWriter& w, const std::vector<uint8_t>& lengths, int width) {
  w.Put(0, 1);
  w.Put(uint64_t(width), 5);
  for (size_t i = 0; i < lengths.size();) {
    w.Put(lengths[i], width);
    if (lengths[i++] != 0) continue;
    int run = 0;
    while (run < 15 && i < lengths.size() && lengths[i] == 0) run++, i++;
    w.Put(uint64_t(run), 4);
  }
}

Bytes EncodeCodeLengths(const std::vector<uint8_t>& lengths, bool runs) {
  BitWriter w;
  if (std::all_of(lengths.begin(), lengths.end(), [](uint8_t l) { return l == 0; })) {
    w.Put(1, 1);
    return w.bytes;
  }
  w.Put(0, 1);
  // Code A: the 32 single lengths (and with runs the 32 run symbols), code
  // B: the run counts; all of one length, so complete.
  std::vector<uint8_t> inner(128, 0);
  for (int s = 0; s < (runs ? 64 : 32); s++) inner[size_t(s)] = runs ? 6 : 5;
  if (runs)
    for (int c = 64; c < 128; c++) inner[size_t(c)] = 6;
  PutSmallLengths(w, inner, 3);
  const SymbolWriter a(std::vector<uint8_t>(inner.begin(), inner.begin() + 64));
  const SymbolWriter b(std::vector<uint8_t>(inner.begin() + 64, inner.end()));
  for (size_t i = 0; i < lengths.size();) {
    size_t run = 1;
    while (i + run < lengths.size() && lengths[i + run] == lengths[i]) run++;
    if (!runs || run < 2) {
      a.Put(w, lengths[i]);
      i++;
      continue;
    }
    const uint64_t count = run - 2;
    a.Put(w, 32 + lengths[i]);
    if (count <= 31) {
      b.Put(w, int(count));
    } else {
      int k = 0;
      while ((uint64_t(2) << k) <= count - 31) k++;
      b.Put(w, 32 + k);
      w.Put(count - 31 - (uint64_t(1) << k), k);
    }
    i += run;
  }
  return w.bytes;
}

static std::vector<uint8_t> HuffmanLengths(const std::vector<uint64_t>& frequency) {
  const int n = int(frequency.size());
  std::vector<uint64_t> weight(frequency);
  std::vector<int> used;
  for (int s = 0; s < n; s++)
    if (weight[size_t(s)]) used.push_back(s);
  if (used.size() < 2) {
    const int extra = used.empty() ? 0 : (used[0] + 1) % 256;
    weight[size_t(extra)] = 1;
    if (used.empty()) weight[1] = 1;
  }
  using Node = std::pair<uint64_t, int>;
  std::priority_queue<Node, std::vector<Node>, std::greater<Node>> heap;
  std::vector<int> parent(size_t(2 * n), -1);
  for (int s = 0; s < n; s++)
    if (weight[size_t(s)]) heap.push({weight[size_t(s)], s});
  int next = n;
  while (heap.size() > 1) {
    const Node x = heap.top();
    heap.pop();
    const Node y = heap.top();
    heap.pop();
    parent[size_t(x.second)] = parent[size_t(y.second)] = next;
    heap.push({x.first + y.first, next++});
  }
  std::vector<uint8_t> lengths(size_t(n), 0);
  for (int s = 0; s < n; s++) {
    if (!weight[size_t(s)]) continue;
    int depth = 0;
    for (int p = s; parent[size_t(p)] >= 0; p = parent[size_t(p)]) depth++;
    if (depth > 31) return std::vector<uint8_t>(size_t(n), 10);
    lengths[size_t(s)] = uint8_t(depth);
  }
  return lengths;
}

struct Token {
  int symbol;
  int extra_bits;
  uint32_t extra;
};

static std::vector<Token> Tokenize(const uint8_t* data, int n, const EncodeOptions& o,
                                   const std::vector<uint8_t>* lengths) {
  std::vector<Token> tokens;
  for (int pos = 0; pos < n;) {
    int best = 0, best_d = 0;
    if (o.matches) {
      for (int d = 0; d < 24; d++) {
        const int dist = o.distances[size_t(d)];
        if (dist <= 0 || dist > pos) continue;
        int len = 0;
        while (pos + len < n && data[pos + len] == data[pos + len - dist]) len++;
        int code = len <= 15 ? len - 1 : 14 + [&] {
          int k = 0;
          while ((2 << k) <= len - 14) k++;
          return k;
        }();
        if (len > best && (!lengths || (*lengths)[size_t(256 + 32 * d + code)])) best = len, best_d = d;
      }
    }
    if (best >= 3) {
      if (best <= 15) {
        tokens.push_back({256 + 32 * best_d + best - 1, 0, 0});
      } else {
        int k = 0;
        while ((2 << k) <= best - 14) k++;
        tokens.push_back({256 + 32 * best_d + 14 + k, k, uint32_t(best - 14 - (1 << k))});
      }
      pos += best;
    } else {
      tokens.push_back({data[pos], 0, 0});
      pos++;
    }
  }
  return tokens;
}

static Bytes CodeBlock(const std::vector<Token>& tokens, const SymbolWriter& code) {
  BitWriter w;
  for (const Token& t : tokens) {
    code.Put(w, t.symbol);
    w.Put(t.extra, t.extra_bits);
  }
  // Zero bits are at least one stored byte: a size of 0 means a full block.
  if (w.bytes.empty()) w.bytes.push_back(0);
  return w.bytes;
}

static Bytes AssembleFile(const std::vector<Bytes>& stored, const std::vector<uint32_t>& decoded_crc, int last_decoded,
                          const std::vector<uint32_t>& stored_crc, const std::array<int, 24>& distances,
                          const Bytes& code_lengths, int block_bits) {
  const uint64_t n = stored.size();
  BitWriter fields;
  const uint32_t mask = (1u << block_bits) - 1;
  for (const Bytes& s : stored) fields.Put(uint32_t(s.size()) & mask, block_bits);
  fields.Put(uint32_t(last_decoded) & mask, block_bits);
  for (int d : distances) fields.Put(uint32_t(d) & mask, block_bits);
  const uint64_t header = 80 + 8 * n + fields.bytes.size() + code_lengths.size() + 4;
  uint64_t total = header;
  for (const Bytes& s : stored) total += s.size();
  Bytes file(tb_compressed_banner, tb_compressed_banner + TB_BANNER_SIZE);
  file.resize(80);
  file.reserve(size_t(total));
  PutBigEndian32(file, 64, uint32_t(header));
  file[70] = uint8_t(block_bits);
  file[71] = 24;
  PutBigEndian32(file, 72, uint32_t(n));
  PutBigEndian32(file, 76, TB_FORMAT_TAG);
  file.resize(size_t(80 + 8 * n));
  for (uint64_t i = 0; i < n; i++) {
    PutBigEndian32(file, size_t(80 + 8 * i), decoded_crc[size_t(i)]);
    PutBigEndian32(file, size_t(84 + 8 * i), stored_crc[size_t(i)]);
  }
  file.insert(file.end(), fields.bytes.begin(), fields.bytes.end());
  file.insert(file.end(), code_lengths.begin(), code_lengths.end());
  file.resize(size_t(header));
  RefreshHeaderCheck(file);
  for (const Bytes& s : stored) file.insert(file.end(), s.begin(), s.end());
  return file;
}

Bytes EncodeTableFile(const Bytes& data, const EncodeOptions& o) {
  const int block_size = 1 << o.block_bits;
  const size_t blocks = data.empty() ? 1 : (data.size() + size_t(block_size) - 1) / size_t(block_size);
  std::vector<uint8_t> lengths;
  switch (o.code) {
    case Code::EMPTY:
      lengths.assign(1024, 0);
      break;
    case Code::FIXED10:
      lengths.assign(1024, 10);
      break;
    case Code::GIVEN:
      lengths = o.lengths;
      break;
    case Code::HUFFMAN: {
      std::vector<uint64_t> frequency(1024, 0);
      for (size_t b = 0; b < blocks; b++) {
        const size_t begin = b * size_t(block_size), end = std::min(data.size(), begin + size_t(block_size));
        for (const Token& t : Tokenize(data.data() + begin, int(end - begin), o, nullptr))
          frequency[size_t(t.symbol)]++;
      }
      lengths = HuffmanLengths(frequency);
      break;
    }
  }
  const SymbolWriter code(lengths);
  const bool empty_code = o.code == Code::EMPTY;
  std::vector<Bytes> stored;
  std::vector<uint32_t> decoded_crc, stored_crc;
  int last = 0;
  for (size_t b = 0; b < blocks; b++) {
    const size_t begin = b * size_t(block_size), end = std::min(data.size(), begin + size_t(block_size));
    const Bytes raw(data.begin() + long(begin), data.begin() + long(end));
    last = int(raw.size());
    Bytes coded;
    bool can_code = !o.force_raw;
    if (empty_code) can_code = can_code && std::all_of(raw.begin(), raw.end(), [](uint8_t x) { return x == 0; });
    if (can_code) {
      if (empty_code) {
        coded.push_back(0);
      } else {
        const std::vector<Token> tokens = Tokenize(raw.data(), int(raw.size()), o, &lengths);
        for (const Token& t : tokens)
          if (!code.Has(t.symbol)) can_code = false;
        if (can_code) coded = CodeBlock(tokens, code);
      }
    }
    const bool use_code = can_code && coded.size() < raw.size();
    stored.push_back(use_code ? coded : raw);
    decoded_crc.push_back(Checksum(raw.data(), raw.size()));
    stored_crc.push_back(Checksum(stored.back().data(), stored.back().size()));
  }
  return AssembleFile(stored, decoded_crc, last, stored_crc, o.distances, EncodeCodeLengths(lengths, o.length_runs),
                      o.block_bits);
}

Bytes EncodeEmptyCodeFile(const std::vector<Block>& blocks) {
  std::vector<Bytes> stored;
  std::vector<uint32_t> decoded_crc, stored_crc;
  const Bytes zeros(8192, 0);
  const uint32_t zero_crc = Checksum(zeros.data(), zeros.size());
  int last = 0;
  for (const Block& b : blocks) {
    if (!b.raw.empty()) {
      stored.push_back(b.raw);
      decoded_crc.push_back(Checksum(b.raw.data(), b.raw.size()));
      last = int(b.raw.size());
    } else {
      stored.push_back(Bytes{0});
      decoded_crc.push_back(b.decoded == 8192 ? zero_crc : Checksum(zeros.data(), size_t(b.decoded)));
      last = b.decoded;
    }
    stored_crc.push_back(Checksum(stored.back().data(), stored.back().size()));
  }
  std::array<int, 24> distances;
  for (int d = 0; d < 24; d++) distances[size_t(d)] = d + 1;
  return AssembleFile(stored, decoded_crc, last, stored_crc, distances, Bytes{0x80}, 13);
}

Bytes EncodeRawFile(const Bytes& data, const Bytes& code_lengths) {
  std::vector<Bytes> stored;
  std::vector<uint32_t> crc;
  for (size_t begin = 0; begin < data.size(); begin += 8192) {
    stored.emplace_back(data.begin() + long(begin), data.begin() + long(std::min(data.size(), begin + 8192)));
    crc.push_back(Checksum(stored.back().data(), stored.back().size()));
  }
  std::array<int, 24> distances;
  for (int d = 0; d < 24; d++) distances[size_t(d)] = d + 1;
  return AssembleFile(stored, crc, int(stored.back().size()), crc, distances, code_lengths, 13);
}

Bytes EncodeZeroFile(uint64_t blocks, int last) {
  std::vector<Block> list{size_t(blocks), Block{}};
  list.back().decoded = last;
  return EncodeEmptyCodeFile(list);
}

static uint32_t BigEndian32(const Bytes& f, size_t at) {
  return uint32_t(f[at]) << 24 | uint32_t(f[at + 1]) << 16 | uint32_t(f[at + 2]) << 8 | f[at + 3];
}

uint32_t HeaderSize(const Bytes& file) { return BigEndian32(file, 64); }
uint32_t BlockCount(const Bytes& file) { return BigEndian32(file, 72); }
uint64_t FieldsOffset(const Bytes& file) { return 80 + 8 * uint64_t(BlockCount(file)); }
uint64_t LengthsOffset(const Bytes& file) {
  return FieldsOffset(file) + (uint64_t(file[70]) * (BlockCount(file) + 25) + 7) / 8;
}

void PutBigEndian32(Bytes& file, size_t at, uint32_t value) {
  for (int i = 0; i < 4; i++) file[at + size_t(i)] = uint8_t(value >> (24 - 8 * i));
}

void RefreshHeaderCheck(Bytes& file) {
  const uint32_t h = HeaderSize(file);
  PutBigEndian32(file, h - 4, Checksum(file.data(), h - 4));
}

void SetPackedField(Bytes& file, uint64_t field, uint32_t value) {
  const int bits = file[70];
  const uint64_t start = FieldsOffset(file) * 8 + field * uint64_t(bits);
  for (int i = 0; i < bits; i++) {
    const uint64_t at = start + uint64_t(i);
    const uint8_t mask = uint8_t(0x80 >> (at & 7));
    if ((value >> (bits - 1 - i)) & 1)
      file[size_t(at / 8)] |= mask;
    else
      file[size_t(at / 8)] &= uint8_t(~mask);
  }
  RefreshHeaderCheck(file);
}

}  // namespace tbw
