#pragma once
// Reading a file's bytes with ordinary reads: the metadata engine never maps a file, so a file
// that shrinks while it is read shortens the read instead of crashing the program.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace pixmill::jpegmeta {

// Replaces `out` with the file's first `limit` bytes (all of it by default). Returns 0 or an
// errno value; ENOMEM when the buffer cannot be had.
int readFileBytes(const std::string& path, std::vector<std::uint8_t>& out,
                  std::size_t limit = SIZE_MAX);

// Reads up to `count` bytes of an open descriptor at `offset`; `got` says how many arrived
// (fewer when the file ends first). Returns 0 or an errno value.
int readFileRange(int fd, std::uint64_t offset, std::uint8_t* into, std::size_t count,
                  std::size_t& got);

}  // namespace pixmill::jpegmeta
