// Any bytes as a compressed table file behind the banner: the header, code
// lengths and block index are checked, then every block of a file that
// passes is read and decoded as the cache does. A fault shows as a sanitizer
// report or as a decoded block larger than its buffer.
#include <cstdio>
#include <cstdlib>
#include <string>

#include "fuzz/fuzz_target.h"
#include "tablebases/cache.h"
#include "tablebases/compressed.h"

namespace {

constexpr int MOST_BLOCKS = 64;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  InitEngineForFuzzing();
  static DecoderState* state = nullptr;
  if (!state) FuzzCheck(AllocateDecoderState(&state, TB_MAX_BLOCK_SIZE) == 0, "no decoder state");
  // The banner is fixed: the mutations spend themselves on the rest.
  std::string file(reinterpret_cast<const char*>(tb_compressed_banner), TB_BANNER_SIZE);
  file.append(reinterpret_cast<const char*>(data), size);
  FILE* stream =
      std::fopen(WriteScratchFile("kqk.nbw.emd", reinterpret_cast<const uint8_t*>(file.data()), file.size()), "rb");
  FuzzCheck(stream != nullptr, "cannot read the scratch file");
  BlockIndex* index = nullptr;
  if (OpenCompressedFile(&index, stream) == 0 && index) {
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
