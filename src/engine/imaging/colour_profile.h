#pragma once
// Colour management through Little CMS: CMYK pictures turned into sRGB.
//
// A CMYK or YCCK JPEG is converted through its own profile, or through the standard CMYK
// profile (Ghostscript's, installed with libgs-common) when it has none. When that profile
// cannot be used the plain ink formula is applied and a note says so.

#include <QImage>

#include <string>

#include "engine/platform/file_bytes.h"

namespace pixmill {

// Where the standard CMYK profile is installed.
inline constexpr const char* kStandardCmykProfilePath =
    "/usr/share/color/icc/ghostscript/default_cmyk.icc";

// Converts, in place, `image` (four ink bytes a pixel, as TurboJPEG decodes CMYK and YCCK
// data, in a 32-bit format) into sRGB RGBX8888 bytes. `inverted`: the inks are stored inverted,
// 255 meaning no ink, as in Adobe's files. `embeddedProfile` is the file's own profile, empty
// when it has none. Returns an empty string when a profile was used, otherwise the note that
// tells why the naive conversion was.
std::string convertCmykToSrgb(QImage& image, ByteSpan embeddedProfile, bool inverted);

// The same through the profile at `standardProfilePath` when the picture has none of its own.
std::string convertCmykToSrgb(QImage& image, ByteSpan embeddedProfile, bool inverted,
                              const std::string& standardProfilePath);

// The RGB colour profile of a picture file (a JPEG's APP2 chunks, a PNG's iCCP), which its
// outputs carry too. Empty when it has none, when the profile is not an RGB one, and for a CMYK
// JPEG, whose outputs hold sRGB.
Bytes rgbProfileOf(ByteSpan file);

// `encoded` (a JPEG or PNG fresh from the encoder) carrying `profile`: as APP2 chunks in a JPEG,
// as a compressed iCCP chunk in a PNG. Returned unchanged for an empty profile or another
// format.
Bytes withColourProfile(Bytes encoded, ByteSpan profile);

// `png` without its iCCP chunk when the profile there does not fit the picture (a grey profile
// on a colour picture, a colour one on a grey picture) or cannot be read: decoders reject or
// ignore such a file's profile. Otherwise, and for another format, returned unchanged.
Bytes withFittingPngProfile(Bytes png);

}  // namespace pixmill
