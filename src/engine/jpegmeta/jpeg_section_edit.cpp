// Editing the section table and writing it back out as a JPEG stream.
#include <cmath>
#include <new>
#include <optional>

#include "engine/jpegmeta/jpeg_sections.h"

namespace pixmill::jpegmeta {
namespace {

bool inKeepSet(int type) {
    if (type >= 0xC0 && type <= 0xC7)
        return true;  // SOF0-3, DHT, SOF5-7
    if (type >= 0xC9 && type <= 0xCB)
        return true;
    if (type >= 0xCD && type <= 0xCF)
        return true;
    switch (type) {
        case kSoi:
        case kEoi:
        case kSos:
        case kDqt:
        case kDri:
        case kApp0:
        case kApp1:
        case kApp13:
        case kCom:
        case kXmpSection:
            return true;
        default:
            return false;
    }
}

std::uint16_t densityFromResolution(float resolution) {
    if (!(resolution > 0))
        return 0;  // also NaN
    if (resolution >= 65535.0f)
        return 65535;
    return static_cast<std::uint16_t>(resolution);
}

}  // namespace

JpegSection* JpegEngine::findSectionOfType(int type) {
    for (JpegSection& section : table_.entries()) {
        if (section.type == type)
            return &section;
    }
    return nullptr;
}

bool JpegEngine::dropSectionOfType(int type) {
    for (int i = 0; i + 1 < table_.count(); ++i) {
        if (table_[i].type == type) {
            table_.removeAt(i);
            return true;
        }
    }
    return false;
}

bool JpegEngine::keepsColourSection(const JpegSection& section) const {
    if (section.type != kApp14 || !startsWith(section.data, 2, "Adobe", 5))
        return false;
    // Without its Adobe section a CMYK or YCCK frame, or an RGB one that relies on the
    // transform flag, decodes with wrong colours.
    return info_.components == 4 || (info_.components == 3 && info_.adobeTransform == 0);
}

bool JpegEngine::dropNonEssentialSections() {
    bool dropped = false;
    for (int i = 0; i + 1 < table_.count();) {
        const JpegSection& section = table_[i];
        if (inKeepSet(section.type) || keepsColourSection(section)) {
            ++i;
            continue;
        }
        table_.removeAt(i);
        dropped = true;
    }
    return dropped;
}

Result<JpegSection*> JpegEngine::insertSection(int type, std::vector<std::uint8_t> data) {
    int index = 0;
    if (type != kApp1) {
        index = 3;
        for (int i = 0; i < 3; ++i) {
            if (i >= table_.count() || (table_[i].type != kApp0 && table_[i].type != kApp1)) {
                index = i;
                break;
            }
        }
    }
    if (table_.count() < index)
        return fatal("Too few sections!");
    if (!table_.ensureRoom())
        return fatal("could not allocate data for entire image");
    JpegSection section;
    section.type = type;
    section.data = std::move(data);
    table_.insertAt(index, std::move(section));
    return &table_[index];
}

namespace {

bool isIccSection(const JpegSection& section) {
    return section.type == kApp2 && startsWith(section.data, 2, "ICC_PROFILE\0", 12);
}

// The colour space signature of a profile's first chunk: "ICC_PROFILE\0", sequence number,
// count, then the profile, whose signature sits at its byte 16.
bool describesRgb(const JpegSection& firstChunk) {
    return firstChunk.data.size() > 2 + 14 + 20 &&
           startsWith(firstChunk.data, 2 + 14 + 16, "RGB ", 4);
}

}  // namespace

void JpegEngine::keepOnlyMetadataSections() {
    std::optional<JpegSection> exif, comment, iptc, xmp;
    std::vector<JpegSection> profile;
    for (JpegSection& section : table_.entries()) {
        std::optional<JpegSection>* slot = nullptr;
        if (section.type == kApp1)
            slot = &exif;
        if (section.type == kCom)
            slot = &comment;
        if (section.type == kApp13)
            slot = &iptc;
        if (section.type == kXmpSection)
            slot = &xmp;
        if (slot && !slot->has_value())
            *slot = std::move(section);
        else if (isIccSection(section))
            profile.push_back(std::move(section));
    }
    table_.clear();
    for (std::optional<JpegSection>* slot : {&exif, &comment, &iptc, &xmp}) {
        if (slot->has_value())
            table_.append(std::move(**slot));
    }
    // A CMYK or grey profile would misdescribe the RGB pictures this program writes.
    if (!profile.empty() && describesRgb(profile.front())) {
        for (JpegSection& chunk : profile)
            table_.append(std::move(chunk));
    }
}

bool JpegEngine::needsJfifHeader() const {
    // A JFIF header tells decoders the image is YCbCr (or grayscale); on any other frame it
    // would change the colours.
    switch (info_.components) {
        case 4:
            return false;
        case 3:
            if (info_.adobePresent)
                return info_.adobeTransform != 0;
            return !(info_.componentIds[0] == 'R' && info_.componentIds[1] == 'G' &&
                     info_.componentIds[2] == 'B');
        default:
            return true;
    }
}

void JpegEngine::appendJfifHeader(std::vector<std::uint8_t>& out) {
    if (info_.resolutionUnit == 2 || info_.resolutionUnit == 3) {
        info_.jfifUnits = static_cast<std::uint8_t>(info_.resolutionUnit - 1);
        info_.jfifXDensity = densityFromResolution(info_.xResolution);
        info_.jfifYDensity = densityFromResolution(info_.yResolution);
    }
    const std::uint8_t header[18] = {0xFF,
                                     0xE0,
                                     0x00,
                                     0x10,
                                     'J',
                                     'F',
                                     'I',
                                     'F',
                                     0x00,
                                     0x01,
                                     0x01,
                                     info_.jfifUnits,
                                     static_cast<std::uint8_t>(info_.jfifXDensity >> 8),
                                     static_cast<std::uint8_t>(info_.jfifXDensity & 0xFF),
                                     static_cast<std::uint8_t>(info_.jfifYDensity >> 8),
                                     static_cast<std::uint8_t>(info_.jfifYDensity & 0xFF),
                                     0x00,
                                     0x00};
    out.insert(out.end(), header, header + sizeof header);
}

Result<std::vector<std::uint8_t>> JpegEngine::saveJpeg() {
    if (!haveAll_ || table_.count() == 0)
        return fatal("Can't write back - didn't read all");
    std::size_t total = 2 + 18;
    for (const JpegSection& section : table_.entries())
        total += 2 + section.size();
    std::vector<std::uint8_t> out;
    try {
        out.reserve(total);
    } catch (const std::bad_alloc&) {
        return fatal("could not allocate data for entire image");
    }
    out.push_back(0xFF);
    out.push_back(0xD8);
    const int firstType = table_[0].type;
    if (firstType != kApp1 && firstType != kApp0 && needsJfifHeader())
        appendJfifHeader(out);
    for (int i = 0; i + 1 < table_.count(); ++i) {
        const JpegSection& section = table_[i];
        out.push_back(0xFF);
        out.push_back(static_cast<std::uint8_t>(section.type & 0xFF));
        out.insert(out.end(), section.data.begin(), section.data.end());
    }
    const JpegSection& scan = table_[table_.count() - 1];
    const Bytes scanBytes = scan.bytes();
    out.insert(out.end(), scanBytes.begin(), scanBytes.end());
    return out;
}

}  // namespace pixmill::jpegmeta
