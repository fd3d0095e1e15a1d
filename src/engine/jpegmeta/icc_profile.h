#pragma once
// ICC colour profiles in JPEG files: the APP2 "ICC_PROFILE" chunks read back into one profile,
// and a profile written into a JPEG as such chunks. Plain C++ over bytes in memory.

#include <cstdint>
#include <optional>
#include <vector>

#include "engine/jpegmeta/byte_reader.h"

namespace pixmill::jpegmeta {

// The profile the file's APP2 chunks hold, joined in their sequence order. Empty when the file
// has none, or when its chunks do not form one profile (a number missing or repeated, counts
// that disagree).
std::vector<std::uint8_t> readJpegIccProfile(Bytes file);

// True when the profile's header names RGB data (colour space signature "RGB ").
bool isRgbIccProfile(Bytes profile);

// `encoded` (a JPEG without a profile) with `profile` written as APP2 chunks after its leading
// APP0 and APP1 sections. Nothing for an empty profile, one too large for 255 chunks, or bytes
// that do not start as a JPEG with well-formed leading sections.
std::optional<std::vector<std::uint8_t>> withJpegIccProfile(Bytes encoded, Bytes profile);

}  // namespace pixmill::jpegmeta
