// Allocation that cannot fail silently: each wrapper returns the block or ends the process with
// exit status 1 and its fixed message, which shows the sizes asked for in full. Every block is
// recorded so that ReleaseAllBlocks can give the whole state back (tests reset the state between
// simulations; the program itself never frees).
#pragma once

#include <cstddef>

void *MyMalloc(size_t size);
void *MyCalloc(size_t count, size_t size);
void *MyRealloc(void *block, size_t size);

// The machine's physical memory in bytes (0 when it cannot be told).
double PhysicalMemoryBytes();

// Frees one block obtained from the wrappers above (null is ignored).
void MyFree(void *block);
// Frees every block obtained from the wrappers and not yet freed.
void ReleaseAllBlocks();
