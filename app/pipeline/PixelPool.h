#pragma once
// Reuse of picture memory. Every capture cycle makes and drops the same few picture-sized buffers; fresh
// memory from the system costs a page fault per 4 KiB on first touch, which at 1920 x 1080 took longer
// than the colour correction itself. This OpenCV allocator keeps a bounded number of freed large buffers
// and hands them out again for the same size.

#include <cstddef>

namespace quorvin::imaging {

// Makes the pool OpenCV's default allocator for the rest of the process (once; later calls do nothing).
void InstallPixelPool();

// Bytes currently held for reuse (for tests and diagnostics).
size_t PooledBytes();

}  // namespace quorvin::imaging
