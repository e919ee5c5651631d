// Checked allocation with a record of every live block of a simulation.
#include "support/alloc.h"

#include <unistd.h>

#include <algorithm>
#include <cstdlib>

#include "support/fail.h"

namespace {

// The record of a live block, searched from the newest (end() when not recorded).
std::vector<void *>::iterator RecordOf(MEMORY &memory, void *block) {
  auto &blocks = memory.blocks;
  auto it = std::find(blocks.rbegin(), blocks.rend(), block);
  return it == blocks.rend() ? blocks.end() : std::next(it).base();
}

// A request for 0 bytes still yields a distinct block, so a null result always means exhaustion.
size_t AtLeastOne(size_t size) { return size ? size : 1; }

}  // namespace

MEMORY::~MEMORY() {
  for (void *block : blocks) free(block);
}

void *MyMalloc(MEMORY &memory, size_t size) {
  void *block = malloc(AtLeastOne(size));
  if (!block)
    Fail(1, "Error: Could not malloc'ate %zu bytes of memory. Aborting ...\n", size);
  memory.blocks.push_back(block);
  return block;
}

void *MyCalloc(MEMORY &memory, size_t count, size_t size) {
  void *block = calloc(AtLeastOne(count), AtLeastOne(size));
  if (!block)
    Fail(1, "Error: Could not calloc'ate %zu chunks of %zu bytes of memory. Aborting ...\n", count,
         size);
  memory.blocks.push_back(block);
  return block;
}

// A failed realloc leaves the old block in place, so its record is replaced only on success.
void *MyRealloc(MEMORY &memory, void *block, size_t size) {
  auto record = block ? RecordOf(memory, block) : memory.blocks.end();
  void *grown = realloc(block, AtLeastOne(size));
  if (!grown)
    Fail(1, "Error: Could not realloc'ate %zu bytes of memory. Aborting ...\n", size);
  if (record != memory.blocks.end())
    *record = grown;
  else
    memory.blocks.push_back(grown);
  return grown;
}

void MyFree(MEMORY &memory, void *block) {
  if (!block) return;
  auto record = RecordOf(memory, block);
  if (record != memory.blocks.end()) memory.blocks.erase(record);
  free(block);
}

double PhysicalMemoryBytes() {
  const long pages = sysconf(_SC_PHYS_PAGES), page_size = sysconf(_SC_PAGESIZE);
  return pages > 0 && page_size > 0 ? double(pages) * double(page_size) : 0.0;
}
