#define _FILE_OFFSET_BITS 64
#include "tablebases/compressed.h"

#include <cstddef>
#include <cstdlib>
#include <cstring>

#include "platform/files.h"
#include "tablebases/tablebases.h"

// The text, CR LF, then zeros up to 64 bytes.
const uint8_t tb_compressed_banner[TB_BANNER_SIZE] = "Dravelnor compressed table banner: copy it from real files\r\n";
static_assert(sizeof "Dravelnor compressed table banner: copy it from real files" - 1 == 58);

uint32_t crc32_table[256];

void InitCrc32Table() {
  static bool built = false;
  if (built) return;
  for (uint32_t i = 0; i < 256; i++) {
    uint32_t r = i;
    for (int step = 0; step < 8; step++) r = (r & 1) ? (r >> 1) ^ 0xEDB88320u : r >> 1;
    crc32_table[i] = r;
  }
  built = true;
}

uint32_t UpdateCrc32(const uint8_t* data, int64_t length) {
  InitCrc32Table();
  uint32_t r = 0;
  for (int64_t i = 0; i < length; i++) r = (r >> 8) ^ crc32_table[(r ^ data[i]) & 255];
  return r;
}

static uint32_t ReadBigEndian32(const uint8_t* p) {
  return uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | uint32_t(p[3]);
}

// ---------------------------------------------------------------------------
// Bit reader

static inline uint32_t ReaderByte(const BitReader* reader, uint32_t at) {
  return at < reader->size ? reader->data[at] : 0;
}

void StartBitReader(BitReader* reader, const uint8_t* data, uint32_t size) {
  reader->data = data;
  reader->size = size;
  reader->bit_buffer =
      ReaderByte(reader, 0) << 24 | ReaderByte(reader, 1) << 16 | ReaderByte(reader, 2) << 8 | ReaderByte(reader, 3);
  reader->bit_count = 16;
  reader->position = 4;
}

static inline uint32_t TakeUpTo16(BitReader* reader, int k) {
  if (k == 0) return 0;
  const uint32_t value = reader->bit_buffer >> (32 - k);
  reader->bit_buffer <<= k;
  reader->bit_count -= k;
  if (reader->bit_count < 1) {
    const uint32_t next = ReaderByte(reader, reader->position) << 8 | ReaderByte(reader, reader->position + 1);
    reader->bit_buffer |= next << -reader->bit_count;
    reader->position += 2;
    reader->bit_count += 16;
  }
  return value;
}

uint32_t TakeBits(BitReader* reader, int k) {
  if (k <= 16) return TakeUpTo16(reader, k);
  const uint32_t high = TakeUpTo16(reader, 16);
  return high << (k - 16) | TakeUpTo16(reader, k - 16);
}

uint64_t BitsTaken(const BitReader* reader) {
  return uint64_t(reader->position) * 8 - uint64_t(reader->bit_count + 16);
}

// ---------------------------------------------------------------------------
// Canonical codes

// Marks an entry of the second level not yet given (pointers are -p with
// p below 2^14, symbols are not negative).
static constexpr int16_t kUnset = INT16_MIN;

int BuildHuffmanDecodeTable(int16_t* table, const uint8_t* lengths, int symbols, int first_level_bits) {
  const int first_level = 1 << first_level_bits;
  int count[32] = {};
  for (int s = 0; s < symbols; s++) {
    if (lengths[s] > 31) return TB_ERR_LENGTH_ABOVE_31;
    count[lengths[s]]++;
  }
  count[0] = 0;
  int coded = 0;
  for (int l = 1; l < 32; l++) coded += count[l];
  if (coded == 0) {
    for (int i = 0; i < first_level; i++) table[i] = 0;
    return 0;
  }
  if (coded == 1) {
    int lone = 0;
    while (lengths[lone] == 0) lone++;
    if (lengths[lone] != 1) return TB_ERR_LONE_CODE;
    for (int i = 0; i < first_level; i++) table[i] = int16_t(lone * 32);
    return 0;
  }
  // A complete code: every length level pairs up exactly.
  int64_t carry = 0;
  for (int l = 31; l >= 1; l--) {
    carry += count[l];
    if (carry & 1) return TB_ERR_CODE_UNPAIRED;
    carry >>= 1;
  }
  if (carry != 1) return TB_ERR_CODE_INCOMPLETE;

  uint32_t next_code[32] = {};
  uint32_t code = 0;
  for (int l = 1; l < 32; l++) {
    code = (code + uint32_t(count[l - 1])) << 1;
    next_code[l] = code;
  }
  for (int i = 0; i < first_level; i++) table[i] = kUnset;
  const int table_end = first_level + 2 * symbols;
  int next_pair = first_level;
  for (int s = 0; s < symbols; s++) {
    const int l = lengths[s];
    if (l == 0) continue;
    const uint32_t c = next_code[l]++;
    if (l <= first_level_bits) {
      const int base = int(c << (first_level_bits - l));
      for (int i = 0; i < 1 << (first_level_bits - l); i++) table[base + i] = int16_t(s * 32 + l);
      continue;
    }
    int16_t* link = &table[c >> (l - first_level_bits)];
    for (int bit = l - first_level_bits - 1; bit >= 0; bit--) {
      if (*link == kUnset) {
        if (next_pair + 2 > table_end) return TB_ERR_CODE_UNPAIRED;
        table[next_pair] = table[next_pair + 1] = kUnset;
        *link = int16_t(-next_pair);
        next_pair += 2;
      }
      link = &table[-*link + int((c >> bit) & 1)];
    }
    *link = int16_t(s);
  }
  return 0;
}

int DecodeSymbol(BitReader* reader, const int16_t* table, int first_level_bits) {
  int e = table[reader->bit_buffer >> (32 - first_level_bits)];
  if (e >= 0) {
    TakeUpTo16(reader, e & 31);
    return e >> 5;
  }
  TakeUpTo16(reader, first_level_bits);
  while (e < 0) e = table[-e + int(TakeUpTo16(reader, 1))];
  return e;
}

int ReadCodeLengths(BitReader* reader, uint8_t* lengths, int symbols) {
  if (TakeBits(reader, 1)) {
    std::memset(lengths, 0, size_t(symbols));
    return 0;
  }
  if (symbols <= 128) {
    const int width = int(TakeBits(reader, 5));
    int i = 0;
    while (i < symbols) {
      const uint32_t length = TakeBits(reader, width);
      // A byte holds the length: larger ones would wrap past the check.
      if (length > 31) return TB_ERR_LENGTH_ABOVE_31;
      lengths[i++] = uint8_t(length);
      if (length == 0) {
        const int run = int(TakeBits(reader, 4));
        if (i + run > symbols) return TB_ERR_ZERO_RUN;
        std::memset(lengths + i, 0, size_t(run));
        i += run;
      }
    }
    return 0;
  }
  uint8_t inner[128];
  if (int rc = ReadCodeLengths(reader, inner, 128)) return rc;
  int16_t code_a[TB_LENGTH_DECODE_ENTRIES], code_b[TB_LENGTH_DECODE_ENTRIES];
  if (int rc = BuildHuffmanDecodeTable(code_a, inner, TB_LENGTH_CODE_SYMBOLS, TB_LENGTH_CODE_BITS)) return rc;
  if (int rc = BuildHuffmanDecodeTable(code_b, inner + 64, TB_LENGTH_CODE_SYMBOLS, TB_LENGTH_CODE_BITS)) return rc;
  int i = 0;
  while (i < symbols) {
    const int s = DecodeSymbol(reader, code_a, TB_LENGTH_CODE_BITS);
    if (s < 32) {
      lengths[i++] = uint8_t(s);
      continue;
    }
    const int c = DecodeSymbol(reader, code_b, TB_LENGTH_CODE_BITS);
    int64_t count = c;
    if (c >= 32) {
      const int k = c - 32;
      count = (int64_t(1) << k) + int64_t(TakeBits(reader, k)) + 31;
    }
    const int64_t repeat = count + 2;
    if (i + repeat > symbols) return TB_ERR_LENGTH_RUN;
    std::memset(lengths + i, s - 32, size_t(repeat));
    i += int(repeat);
  }
  return 0;
}

// ---------------------------------------------------------------------------
// Header

int OpenCompressedFile(BlockIndex** index, FILE* file) {
  if (index == nullptr) return TB_ERR_NO_INDEX_PLACE;
  InitCrc32Table();
  *index = nullptr;
  uint8_t fixed[80];
  if (std::fread(fixed, 1, sizeof fixed, file) != sizeof fixed) return TB_ERR_SHORT_FIXED_HEADER;
  // Another banner is told apart from a broken header: the rest is checked
  // first, and only a file sound but for its banner answers TB_ERR_BANNER.
  const bool own_banner = std::memcmp(fixed, tb_compressed_banner, TB_BANNER_SIZE) == 0;
  const uint32_t header_size = ReadBigEndian32(fixed + 64);
  const int bits = fixed[70];
  if (bits > 16 || header_size < TB_MIN_HEADER_SIZE) return TB_ERR_HEADER_SIZES;
  if (fixed[71] != TB_MATCH_DISTANCES) return TB_ERR_DISTANCE_COUNT;
  if (ReadBigEndian32(fixed + 76) != TB_FORMAT_TAG) return TB_ERR_FORMAT_TAG;
  // The parts the header must hold, checked before they are read: a file
  // without blocks or whose counts overrun the header is broken.
  const uint64_t blocks = ReadBigEndian32(fixed + 72);
  const uint64_t fields_start = 80 + 8 * blocks;
  const uint64_t lengths_start = fields_start + (uint64_t(bits) * (blocks + 1 + TB_MATCH_DISTANCES) + 7) / 8;
  if (blocks == 0 || lengths_start + 4 > header_size) return TB_ERR_HEADER_SIZES;

  // A header longer than the file is a short read, found before a
  // allocation of its stated size.
  const int64_t start = int64_t(ftello(file)) - int64_t(sizeof fixed);
  const int64_t length = FileLength(file);
  if (start < 0 || length < 0 || SeekFile(file, uint64_t(start) + sizeof fixed) != 0) return TB_ERR_SHORT_HEADER;
  if (uint64_t(length - start) < header_size) return TB_ERR_SHORT_HEADER;
  uint8_t* header = static_cast<uint8_t*>(std::malloc(header_size));
  if (header == nullptr) return TB_ERR_HEADER_MEMORY;
  std::memcpy(header, fixed, sizeof fixed);
  if (std::fread(header + 80, 1, header_size - 80, file) != header_size - 80) {
    std::free(header);
    return TB_ERR_SHORT_HEADER;
  }
  if (UpdateCrc32(header, int64_t(header_size) - 4) != ReadBigEndian32(header + header_size - 4)) {
    std::free(header);
    return TB_ERR_HEADER_CHECK;
  }
  const uint64_t wanted = offsetof(BlockIndex, block_offsets) + sizeof(uint64_t) * (blocks + 1);
  const size_t index_bytes = size_t(wanted);
  BlockIndex* built = wanted == index_bytes ? static_cast<BlockIndex*>(std::malloc(index_bytes)) : nullptr;
  if (built == nullptr) {
    std::free(header);
    return TB_ERR_INDEX_MEMORY;
  }
  tb_decoder_memory += int64_t(index_bytes);
  built->block_size = 1 << bits;
  built->block_count = int32_t(blocks);

  const uint32_t readable = header_size - 4;
  BitReader reader;
  StartBitReader(&reader, header + fields_start, uint32_t(readable - fields_start));
  for (uint64_t i = 0; i <= blocks; i++) {
    const uint32_t size = TakeBits(&reader, bits);
    built->block_offsets[i] = size ? size : uint64_t(1) << bits;
  }
  for (int d = 0; d < TB_MATCH_DISTANCES; d++) built->distances[d] = int32_t(TakeBits(&reader, bits));

  StartBitReader(&reader, header + lengths_start, uint32_t(readable - lengths_start));
  uint8_t lengths[TB_BLOCK_SYMBOLS];
  int rc = ReadCodeLengths(&reader, lengths, TB_BLOCK_SYMBOLS);
  if (rc == 0 && BitsTaken(&reader) > uint64_t(readable - lengths_start) * 8) rc = TB_ERR_CODE_LENGTHS;
  if (rc != 0)
    rc = TB_ERR_CODE_LENGTHS;
  else if (BuildHuffmanDecodeTable(built->decode_table, lengths, TB_BLOCK_SYMBOLS, TB_BLOCK_CODE_BITS) != 0)
    rc = TB_ERR_BLOCK_CODE;
  std::free(header);
  if (rc == 0) {
    // The stored block sizes become offsets; the last field is the last
    // block's decoded size.
    built->last_block_size = int32_t(built->block_offsets[blocks]);
    uint64_t offset = header_size;
    for (uint64_t i = 0; i < blocks; i++) {
      const uint64_t stored = built->block_offsets[i];
      built->block_offsets[i] = offset;
      offset += stored;
    }
    built->block_offsets[blocks] = offset;
    // A file this engine does not read is told from a broken one by its
    // header alone, and by blocks that end where the file ends.
    if (!own_banner) rc = offset == uint64_t(length - start) ? TB_ERR_BANNER : TB_ERR_INDEX_LENGTH;
  }
  if (rc != 0) {
    tb_decoder_memory -= int64_t(index_bytes);
    std::free(built);
    return rc;
  }
  *index = built;
  return 0;
}

// ---------------------------------------------------------------------------
// Decoder

int AllocateDecoderState(DecoderState** state, int) {
  if (state == nullptr) return TB_ERR_NO_STATE_PLACE;
  *state = static_cast<DecoderState*>(std::calloc(1, sizeof(DecoderState)));
  if (*state == nullptr) return TB_ERR_STATE_MEMORY;
  tb_decoder_memory += TB_DECODER_STATE_BYTES;
  (*state)->input_buffer = (*state)->read_buffer;
  return 0;
}

int InitDecoderState(DecoderState* state, uint8_t* output) {
  if (state == nullptr) return TB_ERR_INIT_STATE;
  state->output = output;
  state->position = output;
  state->input_buffer = state->read_buffer;
  state->pending = 0;
  state->magic = TB_DECODER_MAGIC;
  return 0;
}

int ReadCompressedBlock(DecoderState* state, const BlockIndex* index, FILE* file, int block) {
  if (state == nullptr || state->magic != TB_DECODER_MAGIC || state->output == nullptr) return TB_ERR_READ_STATE;
  if (block < 0 || block >= index->block_count) return TB_ERR_BLOCK_NUMBER;
  const int32_t decoded = block == index->block_count - 1 ? index->last_block_size : index->block_size;
  const uint64_t stored = index->block_offsets[block + 1] - index->block_offsets[block];
  // Blocks never exceed the buffers; a larger size comes from an index that
  // registration would have refused.
  if (decoded > TB_MAX_BLOCK_SIZE || stored > TB_MAX_BLOCK_SIZE) return TB_ERR_BLOCK_NUMBER;
  state->decoded_size = decoded;
  if (SeekFile(file, index->block_offsets[block]) != 0) return TB_ERR_BLOCK_SEEK;
  if (std::fread(state->read_buffer, 1, size_t(stored), file) != stored) return TB_ERR_BLOCK_READ;
  state->stored_size = int32_t(stored);
  state->pending = 0;
  if (int32_t(stored) == decoded) {
    std::memcpy(state->output, state->read_buffer, size_t(stored));
    state->position = state->output + stored;
  } else {
    state->position = state->output;
  }
  return 0;
}

int DecompressBlock(DecoderState* state, const BlockIndex* index, int length) {
  if (state == nullptr || state->magic != TB_DECODER_MAGIC) return TB_ERR_DECODE_STATE;
  if (length <= 0 || length > state->decoded_size) return TB_ERR_DECODE_LENGTH;
  return DecodeBlockSymbols(index, state, state->output + length);
}

static inline void CopyMatch(uint8_t* to, const uint8_t* from, int length, int distance) {
  if (distance >= length) {
    std::memcpy(to, from, size_t(length));
  } else {
    for (int i = 0; i < length; i++) to[i] = from[i];
  }
}

int DecodeBlockSymbols(const BlockIndex* index, DecoderState* state, uint8_t* end) {
  uint8_t* position = state->position;
  if (position >= end) return 0;
  BitReader reader = state->reader;
  const uint8_t* source = state->copy_source;
  if (position == state->output) {
    StartBitReader(&reader, state->read_buffer, uint32_t(state->stored_size));
    state->pending = 0;
  } else if (state->pending != 0) {
    const int n = int(end - position) < state->pending ? int(end - position) : state->pending;
    CopyMatch(position, source, n, int(position - source));
    position += n;
    source += n;
    state->pending -= n;
  }
  while (position < end) {
    const int symbol = DecodeSymbol(&reader, index->decode_table, TB_BLOCK_CODE_BITS);
    if (symbol < 256) {
      *position++ = uint8_t(symbol);
      continue;
    }
    const int match = symbol - 256;
    const int length_code = match & 31;
    const int distance = index->distances[match >> 5];
    int length = length_code + 1;
    if (length_code >= 15) {
      const int k = length_code - 14;
      length = (1 << k) + int(TakeBits(&reader, k)) + 14;
    }
    if (distance <= 0 || distance > position - state->output) {
      state->position = position;
      return TB_ERR_MATCH_SOURCE;
    }
    source = position - distance;
    const int n = int(end - position) < length ? int(end - position) : length;
    CopyMatch(position, source, n, distance);
    position += n;
    source += n;
    state->pending = length - n;
  }
  state->position = position;
  state->copy_source = source;
  state->reader = reader;
  if (BitsTaken(&reader) > uint64_t(state->stored_size) * 8) return TB_ERR_STREAM_OVERRUN;
  return 0;
}
