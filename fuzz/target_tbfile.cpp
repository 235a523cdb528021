// Any bytes as a compressed table file behind the banner: the header, code
// lengths and block index are checked, then every block of a file that
// passes is read and decoded as the cache does. A fault shows as a sanitizer
// report or as a decoded block larger than its buffer. The same file behind
// another banner (its check value moved along, so that it is as right or as
// wrong as before) must give the same fault, or, where ours passes, be told
// apart as another format exactly when its blocks end where the file ends.
#include <cstdio>
#include <cstdlib>
#include <string>

#include "fuzz/fuzz_target.h"
#include "tablebases/cache.h"
#include "tablebases/compressed.h"

namespace {

constexpr int MOST_BLOCKS = 64;
constexpr size_t HEADER_SIZE_FIELD = 64, CHECK_VALUE_BYTES = 4;

uint32_t ReadBigEndian(const std::string& file, size_t at) {
  return uint32_t(uint8_t(file[at])) << 24 | uint32_t(uint8_t(file[at + 1])) << 16 |
         uint32_t(uint8_t(file[at + 2])) << 8 | uint32_t(uint8_t(file[at + 3]));
}

// The file with another banner; where the header's check value lies inside
// the file, it is changed by the difference the banner makes.
std::string WithAnotherBanner(std::string file) {
  const size_t header_size = file.size() >= HEADER_SIZE_FIELD + 4 ? ReadBigEndian(file, HEADER_SIZE_FIELD) : 0;
  const bool checked = header_size >= HEADER_SIZE_FIELD + 4 + CHECK_VALUE_BYTES && header_size <= file.size();
  const auto crc = [&] {
    return UpdateCrc32(reinterpret_cast<const uint8_t*>(file.data()), int64_t(header_size - CHECK_VALUE_BYTES));
  };
  const uint32_t before = checked ? crc() : 0;
  file[0] ^= 0x20;
  if (checked) {
    const uint32_t stored = ReadBigEndian(file, header_size - CHECK_VALUE_BYTES) ^ before ^ crc();
    for (size_t i = 0; i < CHECK_VALUE_BYTES; i++)
      file[header_size - CHECK_VALUE_BYTES + i] = char(stored >> (24 - 8 * i));
  }
  return file;
}

int OpenAs(const char* name, const std::string& file, BlockIndex** index, FILE** stream) {
  *stream = std::fopen(WriteScratchFile(name, reinterpret_cast<const uint8_t*>(file.data()), file.size()), "rb");
  FuzzCheck(*stream != nullptr, "cannot read the scratch file");
  return OpenCompressedFile(index, *stream);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  InitEngineForFuzzing();
  static DecoderState* state = nullptr;
  if (!state) FuzzCheck(AllocateDecoderState(&state, TB_MAX_BLOCK_SIZE) == 0, "no decoder state");
  // The banner is fixed: the mutations spend themselves on the rest.
  std::string file(reinterpret_cast<const char*>(tb_compressed_banner), TB_BANNER_SIZE);
  file.append(reinterpret_cast<const char*>(data), size);
  InitCrc32Table();
  FILE* stream = nullptr;
  BlockIndex* index = nullptr;
  const int rc = OpenAs("kqk.nbw.emd", file, &index, &stream);

  FILE* other_stream = nullptr;
  BlockIndex* other_index = nullptr;
  const int other_rc = OpenAs("krk.nbw.emd", WithAnotherBanner(file), &other_index, &other_stream);
  FuzzCheck(other_index == nullptr, "an index for a file of another banner");
  if (rc != 0)
    FuzzCheck(other_rc == rc, "another banner changed the header's fault");
  else
    FuzzCheck(
        other_rc == (index->block_offsets[index->block_count] == file.size() ? TB_ERR_BANNER : TB_ERR_INDEX_LENGTH),
        "another banner not told from a broken file");
  std::fclose(other_stream);

  if (rc == 0 && index) {
    static uint8_t output[TB_MAX_BLOCK_SIZE];
    for (int block = 0; block < index->block_count && block < MOST_BLOCKS; block++) {
      if (InitDecoderState(state, output) != 0) break;
      if (ReadCompressedBlock(state, index, stream, block) != 0) continue;
      FuzzCheck(state->decoded_size >= 0 && state->decoded_size <= TB_MAX_BLOCK_SIZE, "a block larger than its buffer");
      DecompressBlock(state, index, state->decoded_size);
    }
  }
  std::free(index);
  std::fclose(stream);
  return 0;
}
