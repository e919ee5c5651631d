// Checked allocation with a record of every live block, so that a reset can release them all.
#include "support/alloc.h"

#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <vector>

#include "support/fail.h"

namespace {

// Never destroyed, so the blocks stay reachable through it until the process ends.
std::vector<void *> &LiveBlocks() {
  static auto *blocks = new std::vector<void *>;
  return *blocks;
}

// The record of a live block, searched from the newest (end() when not recorded).
std::vector<void *>::iterator RecordOf(void *block) {
  auto &blocks = LiveBlocks();
  auto it = std::find(blocks.rbegin(), blocks.rend(), block);
  return it == blocks.rend() ? blocks.end() : std::next(it).base();
}

void Forget(void *block) {
  auto record = RecordOf(block);
  if (record != LiveBlocks().end()) LiveBlocks().erase(record);
}

// A request for 0 bytes still yields a distinct block, so a null result always means exhaustion.
size_t AtLeastOne(size_t size) { return size ? size : 1; }

}  // namespace

void *MyMalloc(size_t size) {
  void *block = malloc(AtLeastOne(size));
  if (!block)
    Fail(1, "Error: Could not malloc'ate %zu bytes of memory. Aborting ...\n", size);
  LiveBlocks().push_back(block);
  return block;
}

void *MyCalloc(size_t count, size_t size) {
  void *block = calloc(AtLeastOne(count), AtLeastOne(size));
  if (!block)
    Fail(1, "Error: Could not calloc'ate %zu chunks of %zu bytes of memory. Aborting ...\n", count,
         size);
  LiveBlocks().push_back(block);
  return block;
}

// A failed realloc leaves the old block in place, so its record is replaced only on success.
void *MyRealloc(void *block, size_t size) {
  auto record = block ? RecordOf(block) : LiveBlocks().end();
  void *grown = realloc(block, AtLeastOne(size));
  if (!grown)
    Fail(1, "Error: Could not realloc'ate %zu bytes of memory. Aborting ...\n", size);
  if (record != LiveBlocks().end())
    *record = grown;
  else
    LiveBlocks().push_back(grown);
  return grown;
}

double PhysicalMemoryBytes() {
  const long pages = sysconf(_SC_PHYS_PAGES), page_size = sysconf(_SC_PAGESIZE);
  return pages > 0 && page_size > 0 ? double(pages) * double(page_size) : 0.0;
}

void MyFree(void *block) {
  if (!block) return;
  Forget(block);
  free(block);
}

void ReleaseAllBlocks() {
  for (void *block : LiveBlocks()) free(block);
  LiveBlocks().clear();
}
