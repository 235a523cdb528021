#include "tablebases/material_keys.h"

#include "tablebases/registry.h"

// At most four men besides the kings: each level's bound is what the levels
// above leave. Nodes come from one pool (every prefix of up to ten counts
// whose sum is at most four: 2002 of them), so building cannot fail.
constexpr int KEY_LEVELS = 10;
constexpr int KEY_MAX_MEN = 4;
constexpr int KEY_NODES = 2002;

struct MaterialKeyNode {
  uint32_t bound;
  // A node of the next level by its place in the pool, or at the last level
  // the signed table id.
  int32_t child[KEY_MAX_MEN + 1];
};

static MaterialKeyNode key_nodes[KEY_NODES];
static int key_nodes_used;
static const MaterialKeyNode& material_key_tree = key_nodes[0];

static int AllocateMaterialKeyNode(int bound, int depth) {
  const int node = key_nodes_used++;
  key_nodes[node].bound = uint32_t(bound);
  for (int c = 0; c <= bound; c++)
    key_nodes[node].child[c] = depth > 0 ? AllocateMaterialKeyNode(bound - c, depth - 1) : 0;
  return node;
}

void InitMaterialKeyTree() {
  if (key_nodes_used) return;
  AllocateMaterialKeyNode(KEY_MAX_MEN, KEY_LEVELS - 1);
}

const char* ParseSideMaterial(int32_t counts[5], const char* text) {
  for (int i = 0; i < 5; i++) counts[i] = 0;
  for (; *text && *text != 'k'; text++) {
    switch (*text) {
      case 'n':
        counts[1]++;
        break;
      case 'b':
        counts[2]++;
        break;
      case 'r':
        counts[3]++;
        break;
      case 'q':
        counts[4]++;
        break;
      default:
        counts[0]++;
        break;
    }
  }
  return text;
}

void ParseTableSignature(int32_t counts[10], const char* signature) {
  const char* rest = ParseSideMaterial(counts, signature + 1);
  ParseSideMaterial(counts + 5, rest + 1);
}

// The last level's slot for these counts, or null beyond the bounds.
static int32_t* FindKeySlot(const int32_t counts[10]) {
  InitMaterialKeyTree();
  const MaterialKeyNode* node = &material_key_tree;
  for (int level = 0; level < KEY_LEVELS; level++) {
    if (counts[level] < 0 || uint32_t(counts[level]) > node->bound) return nullptr;
    if (level == KEY_LEVELS - 1) return const_cast<int32_t*>(&node->child[counts[level]]);
    node = &key_nodes[node->child[counts[level]]];
  }
  return nullptr;
}

int StoreTableId(int32_t id, const int32_t counts[10]) {
  int32_t* slot = FindKeySlot(counts);
  if (!slot) return 0;
  *slot = id;
  return 1;
}

int32_t LookupTableId(const int32_t counts[10]) {
  const int32_t* slot = FindKeySlot(counts);
  return slot ? *slot : 0;
}

int RegisterMaterialSignature(const TbDescriptor* table) {
  int32_t counts[10];
  ParseTableSignature(counts, table->signature);
  if (!StoreTableId(table->id, counts)) return 0;
  if (table->flags & TB_FLAG_SYMMETRIC) return 1;
  int32_t exchanged[10];
  for (int i = 0; i < 5; i++) {
    exchanged[i] = counts[i + 5];
    exchanged[i + 5] = counts[i];
  }
  return StoreTableId(-table->id, exchanged);
}
