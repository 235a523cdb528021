// Test-side writers of table files: plain files, sparse files of any size,
// and block-compressed files made by an encoder of the format written from
// its description alone (its own checksum, bit writer, code-length lists,
// canonical codes and LZ77 matches).
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace tbw {

using Bytes = std::vector<uint8_t>;

// Writes the bytes to path; fails the test when it cannot.
void WriteFile(const std::string& path, const Bytes& bytes);
// A file of this size whose bytes read as 0 except the patches given
// (offset, bytes); the holes take no disk space.
void WriteSparseFile(const std::string& path, uint64_t size,
                     const std::vector<std::pair<uint64_t, Bytes>>& patches = {});
Bytes ReadFile(const std::string& path);

// The header checksum: reflected 0xEDB88320 table, register from 0, no
// final inversion.
uint32_t Checksum(const uint8_t* data, size_t length);

enum class Code {
  EMPTY,    // no symbol coded: every coded block decodes to zeros
  FIXED10,  // all 1024 symbols of length 10
  HUFFMAN,  // built from the symbol frequencies of the data
  GIVEN,    // the lengths in EncodeOptions::lengths
};

struct EncodeOptions {
  Code code = Code::HUFFMAN;
  std::vector<uint8_t> lengths;  // Code::GIVEN: 1024 lengths
  std::array<int, 24> distances = {1,  2,  3,  4,  5,  6,  7,  8,  9,  10, 11, 12,
                                   13, 14, 15, 16, 17, 18, 19, 20, 24, 32, 64, 256};
  bool matches = true;     // find LZ77 matches (else literals only)
  bool force_raw = false;  // store every block as it is
  int block_bits = 13;
  // Code-length list: all lengths as 5-bit symbols of code A, or with runs
  // through code B.
  bool length_runs = true;
};

// A whole compressed file holding data (one extent of one table side).
Bytes EncodeTableFile(const Bytes& data, const EncodeOptions& options = {});

// A compressed file with the empty code from explicit blocks: a block with
// bytes is stored raw (its decoded size is its length); a block without
// bytes is coded and decodes to `decoded` zero bytes. Cheap for huge
// tables: only the header grows with the block count.
struct Block {
  Bytes raw;
  int decoded = 8192;
};
Bytes EncodeEmptyCodeFile(const std::vector<Block>& blocks);
// Every block stored raw, behind a header with this code-length list as
// it is (for lists the encoder would not write).
Bytes EncodeRawFile(const Bytes& data, const Bytes& code_lengths);
// Many equal zero blocks, the last one `last` bytes long.
Bytes EncodeZeroFile(uint64_t blocks, int last);

// Layout of a file written above, for mutations.
uint32_t HeaderSize(const Bytes& file);
uint32_t BlockCount(const Bytes& file);
// Offset of the packed size fields and of the code-length list.
uint64_t FieldsOffset(const Bytes& file);
uint64_t LengthsOffset(const Bytes& file);
// Writes the header check value again after a change to the header.
void RefreshHeaderCheck(Bytes& file);
void PutBigEndian32(Bytes& file, size_t at, uint32_t value);
// Replaces packed field i (the n stored sizes, the last decoded size, then
// the 24 distances) and refreshes the check value.
void SetPackedField(Bytes& file, uint64_t field, uint32_t value);

// MSB-first bit writer.
struct BitWriter {
  Bytes bytes;
  int used = 8;  // bits used in the last byte
  void Put(uint64_t value, int bits);
};
// The code-length list of the format for these lengths.
Bytes EncodeCodeLengths(const std::vector<uint8_t>& lengths, bool runs);
// The canonical code (value of each symbol's code) for these lengths.
std::vector<uint32_t> CanonicalCodes(const std::vector<uint8_t>& lengths);

// Table values as stored bytes.
inline uint8_t WinByte(int moves) { return uint8_t(moves == 127 ? 0x80 : 127 - moves); }
inline uint8_t LossByte(int moves) { return uint8_t(moves == 126 ? 0x81 : moves - 126); }
constexpr uint8_t DRAW_BYTE = 0;
constexpr uint8_t NO_VALUE_BYTE = 0x7F;

}  // namespace tbw
