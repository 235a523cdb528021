// Writes the seed inputs of the table-file fuzz target: compressed files of
// the test-side encoder with their 64-byte banner cut off (the target puts
// it back). Run by hand: tb_seed_maker FOLDER.
#include <cstdio>
#include <string>

#include "tablebases/compressed.h"
#include "tb_writer.h"

namespace {

void WriteSeed(const std::string& path, const tbw::Bytes& file) {
  FILE* out = std::fopen(path.c_str(), "wb");
  if (!out) {
    std::perror(path.c_str());
    return;
  }
  std::fwrite(file.data() + TB_BANNER_SIZE, 1, file.size() - TB_BANNER_SIZE, out);
  std::fclose(out);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: tb_seed_maker FOLDER\n");
    return 2;
  }
  const std::string folder = argv[1];
  tbw::Bytes data(20000);
  for (size_t i = 0; i < data.size(); i++) data[i] = uint8_t((i * 7 / 13) % 40 + (i % 97 == 0 ? 100 : 0));
  WriteSeed(folder + "/huffman.emd", tbw::EncodeTableFile(data));
  tbw::EncodeOptions fixed;
  fixed.code = tbw::Code::FIXED10;
  WriteSeed(folder + "/fixed.emd", tbw::EncodeTableFile(data, fixed));
  tbw::EncodeOptions raw;
  raw.force_raw = true;
  WriteSeed(folder + "/raw.emd", tbw::EncodeTableFile(tbw::Bytes(9000, 3), raw));
  WriteSeed(folder + "/empty_code.emd", tbw::EncodeZeroFile(3, 100));
  return 0;
}
