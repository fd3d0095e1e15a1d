#include "engine/rename/file_digest.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <vector>

namespace pixmill {
namespace {

constexpr std::uint32_t kSine[64] = {
    0xd76aa478, 0xe8c7b756, 0x242070db, 0xc1bdceee, 0xf57c0faf, 0x4787c62a, 0xa8304613, 0xfd469501,
    0x698098d8, 0x8b44f7af, 0xffff5bb1, 0x895cd7be, 0x6b901122, 0xfd987193, 0xa679438e, 0x49b40821,
    0xf61e2562, 0xc040b340, 0x265e5a51, 0xe9b6c7aa, 0xd62f105d, 0x02441453, 0xd8a1e681, 0xe7d3fbc8,
    0x21e1cde6, 0xc33707d6, 0xf4d50d87, 0x455a14ed, 0xa9e3e905, 0xfcefa3f8, 0x676f02d9, 0x8d2a4c8a,
    0xfffa3942, 0x8771f681, 0x6d9d6122, 0xfde5380c, 0xa4beea44, 0x4bdecfa9, 0xf6bb4b60, 0xbebfbc70,
    0x289b7ec6, 0xeaa127fa, 0xd4ef3085, 0x04881d05, 0xd9d4d039, 0xe6db99e5, 0x1fa27cf8, 0xc4ac5665,
    0xf4292244, 0x432aff97, 0xab9423a7, 0xfc93a039, 0x655b59c3, 0x8f0ccc92, 0xffeff47d, 0x85845dd1,
    0x6fa87e4f, 0xfe2ce6e0, 0xa3014314, 0x4e0811a1, 0xf7537e82, 0xbd3af235, 0x2ad7d2bb, 0xeb86d391};
constexpr int kShift[64] = {7, 12, 17, 22, 7, 12, 17, 22, 7, 12, 17, 22, 7, 12, 17, 22,
                            5, 9,  14, 20, 5, 9,  14, 20, 5, 9,  14, 20, 5, 9,  14, 20,
                            4, 11, 16, 23, 4, 11, 16, 23, 4, 11, 16, 23, 4, 11, 16, 23,
                            6, 10, 15, 21, 6, 10, 15, 21, 6, 10, 15, 21, 6, 10, 15, 21};

std::uint32_t rotateLeft(std::uint32_t value, int bits) {
    return (value << bits) | (value >> (32 - bits));
}

constexpr size_t kChunkSize = 1 << 20;

}  // namespace

void Md5::transform(const std::uint8_t* block) {
    std::uint32_t words[16];
    for (int i = 0; i < 16; ++i) {
        words[i] = std::uint32_t(block[i * 4]) | std::uint32_t(block[i * 4 + 1]) << 8 |
                   std::uint32_t(block[i * 4 + 2]) << 16 | std::uint32_t(block[i * 4 + 3]) << 24;
    }
    std::uint32_t a = state_[0], b = state_[1], c = state_[2], d = state_[3];
    for (int i = 0; i < 64; ++i) {
        std::uint32_t mixed;
        int word;
        if (i < 16) {
            mixed = (b & c) | (~b & d);
            word = i;
        } else if (i < 32) {
            mixed = (d & b) | (~d & c);
            word = (5 * i + 1) % 16;
        } else if (i < 48) {
            mixed = b ^ c ^ d;
            word = (3 * i + 5) % 16;
        } else {
            mixed = c ^ (b | ~d);
            word = (7 * i) % 16;
        }
        const std::uint32_t next = d;
        d = c;
        c = b;
        b = b + rotateLeft(a + mixed + kSine[i] + words[word], kShift[i]);
        a = next;
    }
    state_[0] += a;
    state_[1] += b;
    state_[2] += c;
    state_[3] += d;
}

void Md5::update(std::span<const std::uint8_t> bytes) {
    size_t buffered = length_ % 64;
    length_ += bytes.size();
    size_t at = 0;
    if (buffered > 0) {
        const size_t take = std::min(bytes.size(), 64 - buffered);
        std::memcpy(buffer_.data() + buffered, bytes.data(), take);
        at = take;
        if (buffered + take < 64)
            return;
        transform(buffer_.data());
    }
    for (; bytes.size() - at >= 64; at += 64)
        transform(bytes.data() + at);
    std::memcpy(buffer_.data(), bytes.data() + at, bytes.size() - at);
}

std::array<std::uint8_t, 16> Md5::finish() {
    const std::uint64_t bitLength = length_ * 8;
    std::uint8_t padding[72] = {0x80};
    const size_t buffered = length_ % 64;
    const size_t padLength = buffered < 56 ? 56 - buffered : 120 - buffered;
    for (int i = 0; i < 8; ++i)
        padding[padLength + i] = std::uint8_t(bitLength >> (8 * i));
    update({padding, padLength + 8});
    std::array<std::uint8_t, 16> digest;
    for (int i = 0; i < 16; ++i)
        digest[i] = std::uint8_t(state_[i / 4] >> (8 * (i % 4)));
    return digest;
}

std::string Md5::stateHex() const {
    std::string text;
    char byte[3];
    for (int i = 0; i < 16; ++i) {
        std::snprintf(byte, sizeof byte, "%02x",
                      unsigned(std::uint8_t(state_[i / 4] >> (8 * (i % 4)))));
        text += byte;
    }
    return text;
}

std::string fileMd5Hex(const std::string& path) {
    Md5 md5;
    const std::string unreadable = md5.stateHex();
    const int fd = path.empty() ? -1 : ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return unreadable;
    std::vector<std::uint8_t> chunk(kChunkSize);
    for (;;) {
        const ssize_t got = ::read(fd, chunk.data(), chunk.size());
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0) {
            // A digest of part of the file would name a file that does not exist.
            ::close(fd);
            return unreadable;
        }
        if (got == 0)
            break;
        md5.update({chunk.data(), static_cast<size_t>(got)});
    }
    ::close(fd);
    md5.finish();
    return md5.stateHex();
}

}  // namespace pixmill
