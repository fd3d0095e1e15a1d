#pragma once
// Reading a file's bytes with ordinary reads: nothing here maps a file, so a file that shrinks
// while it is read shortens the read instead of crashing the program. Every part of the
// program that reads a whole file goes through readFileBytes.

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "engine/platform/result.h"

namespace pixmill {

using ByteSpan = std::span<const std::uint8_t>;
using Bytes = std::vector<std::uint8_t>;

// The bytes of the regular file at `path`. A failure carries an errno value as its code: EFBIG
// for a file larger than `limit` (nothing is read then), EISDIR or EINVAL for what is not a
// regular file, ENOMEM when the buffer cannot be had.
Result<Bytes> readFileBytes(const std::string& path, std::size_t limit = SIZE_MAX);

// The first `count` bytes of the regular file at `path` (fewer when it is shorter), for a look
// at a header. Failures as readFileBytes's.
Result<Bytes> readFileHead(const std::string& path, std::size_t count);

// Reads up to `count` bytes of an open descriptor at `offset` and says how many arrived (fewer
// when the file ends first). A failure carries the errno value.
Result<std::size_t> readFileRange(int fd, std::uint64_t offset, std::uint8_t* into,
                                  std::size_t count);

// True when the owner's write permission bit of `mode` (a stat st_mode) is clear: what makes
// a file read-only to the program. The bits decide, not access(2): root may write anything.
bool isReadOnlyMode(unsigned mode);

}  // namespace pixmill
