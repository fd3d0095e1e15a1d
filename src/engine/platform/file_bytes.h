#pragma once
// Reading a file's bytes with ordinary reads: nothing here maps a file, so a file that shrinks
// while it is read shortens the read instead of crashing the program. Every part of the
// program that reads a whole file goes through readFileBytes.

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace pixmill {

using ByteSpan = std::span<const std::uint8_t>;
using Bytes = std::vector<std::uint8_t>;

// Replaces `out` with the bytes of the regular file at `path`. Returns 0 or an errno value:
// EFBIG for a file larger than `limit` (nothing is read then), EISDIR or EINVAL for what is not
// a regular file, ENOMEM when the buffer cannot be had.
int readFileBytes(const std::string& path, std::vector<std::uint8_t>& out,
                  std::size_t limit = SIZE_MAX);

// Reads up to `count` bytes of an open descriptor at `offset`; `got` says how many arrived
// (fewer when the file ends first). Returns 0 or an errno value.
int readFileRange(int fd, std::uint64_t offset, std::uint8_t* into, std::size_t count,
                  std::size_t& got);

// True when the owner's write permission bit of `mode` (a stat st_mode) is clear: what makes
// a file read-only to the program. The bits decide, not access(2): root may write anything.
bool isReadOnlyMode(unsigned mode);

}  // namespace pixmill
