// tablebases/compressed.h: block-compressed table files: the header check
// that builds a BlockIndex, the header checksum and the block decoder with
// its one shared state. Reads the files handed in; writes tb_decoder_memory.
#pragma once

#include <cstdint>
#include <cstdio>

// The 64 bytes every compressed table file starts with: 58 characters of
// text, CR LF and four NUL bytes. The text of real files is not known here,
// so this one is the engine's own: a file with another banner is one this
// engine does not read (registration skips it), until the first 64 bytes
// of real files are copied in. Test files are written with this constant.
constexpr int TB_BANNER_SIZE = 64;
extern const uint8_t tb_compressed_banner[TB_BANNER_SIZE];

constexpr uint32_t TB_FORMAT_TAG = 0x004001F5;
constexpr int TB_MATCH_DISTANCES = 24;
constexpr int TB_BLOCK_SYMBOLS = 1024;
constexpr int TB_BLOCK_CODE_BITS = 13;      // first level of the block code
constexpr int TB_LENGTH_CODE_SYMBOLS = 64;  // each of the two code-length codes
constexpr int TB_LENGTH_CODE_BITS = 8;
constexpr int TB_BLOCK_DECODE_ENTRIES = (1 << TB_BLOCK_CODE_BITS) + 2 * TB_BLOCK_SYMBOLS;
constexpr int TB_LENGTH_DECODE_ENTRIES = (1 << TB_LENGTH_CODE_BITS) + 2 * TB_LENGTH_CODE_SYMBOLS;
constexpr int TB_MAX_BLOCK_SIZE = 8192;
constexpr int TB_MIN_HEADER_SIZE = 84;
constexpr uint32_t TB_DECODER_MAGIC = 0x79A3F29D;

// Error codes: a place number times 256 plus a kind.
enum { TB_KIND_READ = 2, TB_KIND_MEMORY = 5, TB_KIND_BROKEN = 6, TB_KIND_ARGUMENT = 7 };
constexpr int TbError(int place, int kind) { return place * 256 + kind; }
constexpr int TB_ERR_NO_INDEX_PLACE = TbError(674, TB_KIND_ARGUMENT);
constexpr int TB_ERR_SHORT_FIXED_HEADER = TbError(681, TB_KIND_READ);
constexpr int TB_ERR_BANNER = TbError(684, TB_KIND_READ);  // sound but for the banner
constexpr int TB_ERR_HEADER_SIZES = TbError(693, TB_KIND_BROKEN);
constexpr int TB_ERR_DISTANCE_COUNT = TbError(696, TB_KIND_BROKEN);
constexpr int TB_ERR_FORMAT_TAG = TbError(699, TB_KIND_BROKEN);
constexpr int TB_ERR_HEADER_MEMORY = TbError(702, TB_KIND_MEMORY);
constexpr int TB_ERR_SHORT_HEADER = TbError(707, TB_KIND_READ);
constexpr int TB_ERR_HEADER_CHECK = TbError(714, TB_KIND_BROKEN);
constexpr int TB_ERR_INDEX_MEMORY = TbError(722, TB_KIND_MEMORY);
constexpr int TB_ERR_CODE_LENGTHS = TbError(771, TB_KIND_BROKEN);
constexpr int TB_ERR_BLOCK_CODE = TbError(778, TB_KIND_BROKEN);
// Another banner, and blocks that do not end where the file ends.
constexpr int TB_ERR_INDEX_LENGTH = TbError(780, TB_KIND_BROKEN);
constexpr int TB_ERR_LENGTH_ABOVE_31 = TbError(332, TB_KIND_BROKEN);
constexpr int TB_ERR_LONE_CODE = TbError(345, TB_KIND_BROKEN);
constexpr int TB_ERR_CODE_UNPAIRED = TbError(361, TB_KIND_BROKEN);
constexpr int TB_ERR_CODE_INCOMPLETE = TbError(365, TB_KIND_BROKEN);
constexpr int TB_ERR_ZERO_RUN = TbError(449, TB_KIND_BROKEN);
constexpr int TB_ERR_LENGTH_RUN = TbError(495, TB_KIND_BROKEN);
constexpr int TB_ERR_INIT_STATE = TbError(808, TB_KIND_ARGUMENT);
constexpr int TB_ERR_NO_STATE_PLACE = TbError(825, TB_KIND_ARGUMENT);
constexpr int TB_ERR_STATE_MEMORY = TbError(828, TB_KIND_MEMORY);
constexpr int TB_ERR_READ_STATE = TbError(845, TB_KIND_ARGUMENT);
constexpr int TB_ERR_BLOCK_NUMBER = TbError(848, TB_KIND_ARGUMENT);
constexpr int TB_ERR_BLOCK_SEEK = TbError(857, TB_KIND_READ);
constexpr int TB_ERR_BLOCK_READ = TbError(859, TB_KIND_READ);
constexpr int TB_ERR_DECODE_STATE = TbError(884, TB_KIND_ARGUMENT);
constexpr int TB_ERR_DECODE_LENGTH = TbError(887, TB_KIND_ARGUMENT);
// Faults of a damaged block met while decoding it: the bit stream runs past
// the stored bytes, or a match reaches before the start of the block.
constexpr int TB_ERR_STREAM_OVERRUN = TbError(900, TB_KIND_BROKEN);
constexpr int TB_ERR_MATCH_SOURCE = TbError(901, TB_KIND_BROKEN);

// The checksum of the header (reflected 0xEDB88320 table, register starting
// at 0, no final inversion).
extern uint32_t crc32_table[256];
void InitCrc32Table();
uint32_t UpdateCrc32(const uint8_t* data, int64_t length);

// Most significant bit first, 16-bit big-endian refills. Bytes at or past
// size read as 0, so a damaged stream never leaves its buffer; whoever
// started the reader compares BitsTaken with the bits there were.
struct BitReader {
  uint32_t bit_buffer;
  int32_t bit_count;  // unread bits in bit_buffer minus 16
  const uint8_t* data;
  uint32_t size;
  uint32_t position;  // next byte to load
};

void StartBitReader(BitReader* reader, const uint8_t* data, uint32_t size);
// k bits (0..32) as a number.
uint32_t TakeBits(BitReader* reader, int k);
uint64_t BitsTaken(const BitReader* reader);

int ReadCodeLengths(BitReader* reader, uint8_t* lengths, int symbols);
int BuildHuffmanDecodeTable(int16_t* table, const uint8_t* lengths, int symbols, int first_level_bits);
int DecodeSymbol(BitReader* reader, const int16_t* table, int first_level_bits);

// One per compressed extent file; block_offsets has block_count + 1 entries.
struct BlockIndex {
  int16_t decode_table[TB_BLOCK_DECODE_ENTRIES];
  int32_t distances[TB_MATCH_DISTANCES];
  int32_t block_size;
  int32_t last_block_size;
  int32_t block_count;
  uint64_t block_offsets[1];
};

// Reads and checks the header at the stream's position (the file start);
// *index gets a malloc'd index (free with std::free), null on failure.
// TB_ERR_BANNER only when the banner differs and the rest of the header is
// sound, its blocks ending where the file ends: a fault besides gives that
// fault's code.
int OpenCompressedFile(BlockIndex** index, FILE* file);

struct DecoderState {
  uint8_t* output;
  int32_t decoded_size;
  uint8_t* input_buffer;
  uint8_t* position;
  const uint8_t* copy_source;
  int32_t pending;
  BitReader reader;
  uint32_t magic;
  int32_t stored_size;
  uint8_t read_buffer[TB_MAX_BLOCK_SIZE];
};
// What a decoder state counts for in tb_decoder_memory.
constexpr int64_t TB_DECODER_STATE_BYTES = sizeof(void*) == 8 ? 8280 : 8256;

int AllocateDecoderState(DecoderState** state, int size);
int InitDecoderState(DecoderState* state, uint8_t* output);
int ReadCompressedBlock(DecoderState* state, const BlockIndex* index, FILE* file, int block);
int DecompressBlock(DecoderState* state, const BlockIndex* index, int length);
int DecodeBlockSymbols(const BlockIndex* index, DecoderState* state, uint8_t* end);
