#include "tablebases/registry.h"

#include <cinttypes>
#include <cstdlib>
#include <cstring>
#include <string>

#include "platform/files.h"
#include "tablebases/cache.h"
#include "tablebases/descriptor_rows.h"
#include "tablebases/material_keys.h"
#include "tablebases/tablebases.h"

static TbDescriptor BuildDescriptor(int id) {
  TbDescriptor d{};
  d.id = id;
  d.flags = tb_descriptor_flags[id];
  d.index_function[0] = tb_index_functions[id][0];
  d.index_function[1] = tb_index_functions[id][1];
  // Row 0 stands for the bare kings; the index list has no table for it.
  std::strncpy(d.signature, id == 0 ? "kk" : tb_index_signatures[id], sizeof d.signature - 1);
  for (int side = 0; side < 2; side++) d.entries[side] = int64_t(tb_index_entries[id][side]);
  return d;
}

TbDescriptor tb_descriptors[TB_TABLE_ROWS];
[[maybe_unused]] static const bool descriptors_built = [] {
  for (int id = 0; id < TB_TABLE_ROWS; id++) tb_descriptors[id] = BuildDescriptor(id);
  return true;
}();

int32_t tb_compressed_files;
DecoderState* tb_decoder_state;

// Largest table numbers of the classes by men: 3, 4, 5 and 6 men start at
// these rows.
constexpr int FIRST_FOUR_MAN_ROW = 6;
constexpr int FIRST_FIVE_MAN_ROW = 36;
constexpr int FIRST_SIX_MAN_ROW = 146;
constexpr int LAST_FIVE_MAN_ROW = FIRST_SIX_MAN_ROW - 1;

int ExtentCount(const TbDescriptor& table, int side) {
  if (!(table.flags & TB_FLAG_SPLIT)) return 1;
  return int((uint64_t(table.entries[side]) * uint64_t(EntryBytes(table))) >> 31) + 1;
}

char ExtentCharacter(int extent) { return extent < 10 ? char('0' + extent) : char('a' + extent - 10); }

[[noreturn]] static void FailRegistration() {
  std::fflush(stdout);
  std::exit(1);
}

void* AllocateTablebaseMemory(size_t bytes) {
  void* memory = std::malloc(bytes);
  if (memory == nullptr) {
    std::printf("*** Cannot allocate %d bytes of memory\n", int(bytes));
    FailRegistration();
  }
  return memory;
}

void CloseTablebaseFiles() {
  // Every stream that is open is closed, also while the cache is idle, so
  // that no stream outlives the registry that named it.
  for (int id = 1; id < TB_TABLE_ROWS; id++)
    for (int side = 0; side < 2; side++)
      for (int e = 0; e < TB_MAX_EXTENTS; e++) {
        FILE*& file = tb_descriptors[id].file[side][e];
        if (file) std::fclose(file);
        file = nullptr;
      }
}

void CheckTablebaseSize(int id, int side, uint64_t size, const char* name) {
  const TbDescriptor& table = tb_descriptors[id];
  const uint64_t n = uint64_t(table.entries[side]);
  if (n == 0) return;
  uint64_t full = n, rest = n;
  if (table.flags & TB_FLAG_SPLIT) {
    full = uint64_t(TB_EXTENT_BYTES) / uint64_t(EntryBytes(table));
    rest = n % full;
    if (size == full || size == rest) return;
  } else if (size == n) {
    return;
  }
  std::printf("*** %s corrupted %" PRIu64 " %" PRIu64 " %" PRIu64 "\n", name, full, rest, size);
  FailRegistration();
}

[[noreturn]] static void ReportUnreadableFile(const char* name, int code) {
  std::printf("*** Unable to read %s - ", name);
  switch (code & 255) {
    case TB_KIND_READ:
      std::printf("read error\n");
      break;
    case TB_KIND_MEMORY:
      std::printf("out of memory\n");
      break;
    case TB_KIND_BROKEN:
      std::printf("file broken\n");
      break;
    default:
      std::printf("error %d\n", code);
      break;
  }
  FailRegistration();
}

int RegisterTablebaseFile(const char* directory, int id, int side) {
  TbDescriptor& table = tb_descriptors[id];
  const int s = FileSide(table, side);
  const bool split = table.flags & TB_FLAG_SPLIT;
  const int extents = ExtentCount(table, s);
  const size_t length = std::strlen(directory);
  std::string base = directory;
  if (length > 0 && directory[length - 1] != '/' && directory[length - 1] != '\\') base += '/';
  base += table.signature;
  const char* extension = s ? "nbb" : "nbw";
  int e = 0;
  for (; e < extents; e++) {
    if (table.file_name[s][e]) continue;
    std::string stem = base;
    if (split) {
      stem += '.';
      stem += ExtentCharacter(e);
    }
    std::string names[5];
    int forms = 0;
    names[forms++] = stem + "." + extension;
    names[forms++] = stem + "." + extension + ".emd";
    if (!split) {
      names[forms++] = stem + "_" + extension + ".emd";
      names[forms++] = stem + "_" + extension + "_emd";
    }
    if (id <= LAST_FIVE_MAN_ROW) names[forms++] = stem + extension + ".emd";
    FILE* file = nullptr;
    BlockIndex* index = nullptr;
    int form = 0;
    for (; form < forms; form++) {
      // Only a regular file is a table file: anything else is as if absent.
      file = OpenRegularFile(names[form].c_str());
      if (!file) continue;
      if (form == 0) break;
      const int rc = OpenCompressedFile(&index, file);
      if (rc == 0) break;
      if (rc != TB_ERR_BANNER) ReportUnreadableFile(names[form].c_str(), rc);
      // A sound file of another compressor is one this engine cannot read,
      // not a broken one: it is passed over as if it were not there.
      std::printf("%s: compressed format not recognised, skipped\n", names[form].c_str());
      std::fclose(file);
      file = nullptr;
    }
    if (!file) break;
    const char* name = names[form].c_str();
    if (form == 0) {
      if (EntryBytes(table) == 1 && table.entries[s] < TB_EXTENT_BYTES) {
        const int64_t size = FileLength(file);
        if (size < 0) {
          std::printf("*** Seek in %s failed\n", name);
          FailRegistration();
        }
        CheckTablebaseSize(id, s, uint64_t(size), name);
      }
    } else {
      tb_compressed_files++;
      if (index->block_size != TB_MAX_BLOCK_SIZE) {
        std::printf("*** %s: Unsupported block size %d\n", name, index->block_size);
        FailRegistration();
      }
      const uint64_t whole_blocks = uint64_t(index->block_count - 1);
      const uint64_t decoded = EntryBytes(table) == 1
                                   ? whole_blocks * TB_MAX_BLOCK_SIZE + uint64_t(index->last_block_size)
                                   : whole_blocks * (TB_MAX_BLOCK_SIZE / 2) + uint64_t(index->last_block_size / 2);
      CheckTablebaseSize(id, s, decoded, name);
    }
    std::fclose(file);
    if (!RegisterMaterialSignature(&table)) {
      std::printf("*** Unable to register %s\n", name);
      FailRegistration();
    }
    char* copy = static_cast<char*>(AllocateTablebaseMemory(names[form].size() + 1));
    std::memcpy(copy, name, names[form].size() + 1);
    std::free(table.file_name[s][e]);
    table.file_name[s][e] = copy;
    std::free(table.block_index[s][e]);
    table.block_index[s][e] = index;
    if (!table.cache_chains[s]) {
      const size_t bytes = TB_CACHE_CHAINS * sizeof(TbCacheEntry*);
      table.cache_chains[s] = static_cast<TbCacheEntry**>(AllocateTablebaseMemory(bytes));
      std::memset(table.cache_chains[s], 0, bytes);
    }
  }
  return e > 0 ? 1 : 0;
}

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

}  // namespace

int InitTablebases(const char* path) {
  tb_decoder_memory = 0;
  CloseTablebaseFiles();
  InitEnumerationTables();
  InitMaterialKeyTree();
  for (int id = 1; id < TB_TABLE_ROWS; id++) {
    TbDescriptor& table = tb_descriptors[id];
    for (int side = 0; side < 2; side++) {
      std::free(table.cache_chains[side]);
      table.cache_chains[side] = nullptr;
      for (int e = 0; e < TB_MAX_EXTENTS; e++) {
        std::free(table.file_name[side][e]);
        table.file_name[side][e] = nullptr;
        std::free(table.block_index[side][e]);
        table.block_index[side][e] = nullptr;
      }
    }
  }
  std::free(tb_decoder_state);
  tb_decoder_state = nullptr;
  // The cache's chains lived in the arrays just freed: it starts empty.
  ResetTablebaseCache();
  if (path == nullptr) return 0;

  int largest = 0;
  const char* piece = path;
  while (true) {
    const size_t length = std::strcspn(piece, ",;");
    // Blanks around a piece are no part of the folder's name: the front end's
    // CRLF, or "t3; tb" typed in the ini file, leaves them.
    size_t first = 0, end = length;
    while (first < end && IsBlank(piece[first])) first++;
    while (end > first && IsBlank(piece[end - 1])) end--;
    const std::string directory(piece + first, end - first);
    // Directories that are not there are skipped, as absent drives are.
    if (directory.empty() || IsDirectory(directory.c_str())) {
      for (int id = 1; id < TB_TABLE_ROWS; id++) {
        int found = RegisterTablebaseFile(directory.c_str(), id, 0);
        if (!(tb_descriptors[id].flags & TB_FLAG_SYMMETRIC)) found |= RegisterTablebaseFile(directory.c_str(), id, 1);
        if (found && id > largest) largest = id;
      }
    }
    if (piece[length] == '\0') break;
    piece += length + 1;
  }
  if (tb_compressed_files != 0 && tb_decoder_state == nullptr) {
    const int rc = AllocateDecoderState(&tb_decoder_state, TB_MAX_BLOCK_SIZE);
    if (rc != 0) {
      std::printf("*** Cannot allocate decode block: error code %d\n", rc);
      FailRegistration();
    }
  }
  if (largest >= FIRST_SIX_MAN_ROW) return 6;
  if (largest >= FIRST_FIVE_MAN_ROW) return 5;
  if (largest >= FIRST_FOUR_MAN_ROW) return 4;
  return largest > 0 ? 3 : 0;
}
