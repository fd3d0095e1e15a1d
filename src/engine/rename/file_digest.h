#pragma once
// MD5 (RFC 1321) of a file's bytes, behind the <md5> tag. Plain C++.

#include <array>
#include <cstdint>
#include <span>
#include <string>

namespace pixmill {

class Md5 {
  public:
    void update(std::span<const std::uint8_t> bytes);
    // Pads and returns the 16-byte digest; the object is spent afterwards.
    std::array<std::uint8_t, 16> finish();
    // The four state words written as 32 lower-case hex digits, each word low byte first,
    // the standard digest order. Before any update this is the initial state,
    // 0123456789abcdeffedcba9876543210.
    std::string stateHex() const;

  private:
    void transform(const std::uint8_t* block);

    std::array<std::uint32_t, 4> state_{0x67452301u, 0xefcdab89u, 0x98badcfeu, 0x10325476u};
    std::array<std::uint8_t, 64> buffer_{};
    std::uint64_t length_ = 0;  // bytes fed so far
};

// The digest of every byte of the file as 32 lower-case hex digits. The file is read in
// fixed-size chunks (never whole into memory); one that shrinks while it is read is hashed
// as far as it goes. A file that cannot be opened or read gives the MD5 initial state,
// 0123456789abcdeffedcba9876543210 (also what an empty path gives).
std::string fileMd5Hex(const std::string& path);

}  // namespace pixmill
