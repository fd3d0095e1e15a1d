#pragma once
// Pixel memory for decoded pictures, kept for the next picture instead of being handed back
// to the system. A batch decodes picture after picture of the same few sizes; a fresh block
// of tens of megabytes costs a page fault and a cleared page for every 4 KB on first touch
// (a fifth of a watermark's processor time), a kept one costs nothing.
#include <QImage>

#include <cstddef>

namespace pixmill {

// An image of `width` x `height` in `format` (uninitialised pixels) whose memory comes from
// the pool and goes back to it when the last copy of the image is gone. Null when memory is
// short. Safe from any thread.
QImage pooledImage(int width, int height, QImage::Format format);

// Hands every idle block back to the system (at the end of a batch, when nothing follows).
void releasePooledMemory();

// How many blocks the pool holds unused, and their bytes (for tests).
std::size_t pooledBlockCount();
std::size_t pooledBytes();

}  // namespace pixmill
