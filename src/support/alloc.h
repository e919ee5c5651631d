// Allocation that cannot fail silently: each wrapper returns the block or ends the process with
// exit status 1 and its fixed message, which shows the sizes asked for in full. Every block is
// recorded in the MEMORY of the simulation it belongs to, which gives them all back when it goes.
#pragma once

#include <cstddef>
#include <vector>

// The blocks of one simulation; released together when the record is destroyed.
struct MEMORY {
  std::vector<void *> blocks;
  MEMORY() = default;
  MEMORY(const MEMORY &) = delete;
  MEMORY &operator=(const MEMORY &) = delete;
  ~MEMORY();
};

void *MyMalloc(MEMORY &memory, size_t size);
void *MyCalloc(MEMORY &memory, size_t count, size_t size);
void *MyRealloc(MEMORY &memory, void *block, size_t size);

// Frees one block obtained from the wrappers above (null is ignored).
void MyFree(MEMORY &memory, void *block);

// The machine's physical memory in bytes (0 when it cannot be told).
double PhysicalMemoryBytes();
