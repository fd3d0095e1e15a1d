// The EXIF block as PhotoInfoReader reads it: IFD0, its EXIF and interoperability
// subdirectories and the chain of next-directory links (IFD1 holds the thumbnail).
#include <cmath>
#include <set>

#include "engine/jpegmeta/exif_engine_pass.h"
#include "engine/jpegmeta/photo_info.h"

namespace pixmill::jpegmeta {
namespace {

constexpr int kMaxDepth = 8;

enum Tag : unsigned {
    kMake = 0x010F,
    kModel = 0x0110,
    kOrientation = 0x0112,
    kXResolution = 0x011A,
    kYResolution = 0x011B,
    kResolutionUnit = 0x0128,
    kThumbnailOffset = 0x0201,
    kThumbnailLength = 0x0202,
    kExposureTime = 0x829A,
    kFNumber = 0x829D,
    kExifOffset = 0x8769,
    kExposureProgram = 0x8822,
    kIsoSpeedRatings = 0x8827,
    kExifVersion = 0x9000,
    kDateTimeOriginal = 0x9003,
    kCompressedBitsPerPixel = 0x9102,
    kShutterSpeedValue = 0x9201,
    kApertureValue = 0x9202,
    kBrightnessValue = 0x9203,
    kExposureBiasValue = 0x9204,
    kMaxApertureValue = 0x9205,
    kSubjectDistance = 0x9206,
    kMeteringMode = 0x9207,
    kLightSource = 0x9208,
    kFlash = 0x9209,
    kFocalLength = 0x920A,
    kUserComment = 0x9286,
    kPixelXDimension = 0xA002,
    kPixelYDimension = 0xA003,
    kInteropOffset = 0xA005,
    kFocalPlaneXResolution = 0xA20E,
    kFocalPlaneYResolution = 0xA20F,
    kFocalPlaneResolutionUnit = 0xA210,
};

// Inches per unit of a resolution-unit code; other codes leave the field as it was.
void setInchesPerUnit(float& field, int code) {
    switch (code) {
        case 1:
        case 2:
            field = 1.0f;
            break;
        case 3:
            field = 0.3937008f;
            break;
        case 4:
            field = 0.03937008f;
            break;
        case 5:
            field = 0.00003937008f;
            break;
        default:
            break;
    }
}

std::uint64_t asOffset(double value) {
    return value >= 0 && value < 4294967296.0 ? static_cast<std::uint64_t>(value) : 0;
}

struct Entry {
    unsigned tag;
    int format;
    std::uint32_t components;
    std::uint64_t value;  // offset in the block
    std::uint64_t byteCount;
};

}  // namespace

class ExifDirectoryWalk {
  public:
    ExifDirectoryWalk(PhotoInfoReader& reader, ByteOrderReader block, std::uint64_t blockStart)
        : reader_(reader), info_(*reader.info_), block_(block), blockStart_(blockStart) {}

    bool walk(std::uint64_t start, int depth);

  private:
    bool fail(const char* message) {
        reader_.lastError_ = message;
        return false;
    }
    bool readEntry(const Entry& entry, int depth, std::uint64_t thumbnail[2]);
    void recordNumber(const Entry& entry);
    std::string text(const Entry& entry, std::size_t maxCharacters) const;
    ValueLocation location(const Entry& entry) const {
        return {blockStart_ + entry.value, entry.components, entry.format};
    }
    double number(const Entry& entry) const {
        return tiffNumber(block_, entry.value, entry.format, false);
    }
    void readUserComment(const Entry& entry);

    PhotoInfoReader& reader_;
    PhotoInfo& info_;
    ByteOrderReader block_;
    std::uint64_t blockStart_;
    std::set<std::uint64_t> visited_;
};

bool ExifDirectoryWalk::walk(std::uint64_t start, int depth) {
    // A directory linked twice, or a chain deeper than any camera writes, is not walked
    // again: a loop in a damaged file can neither hang the reader nor exhaust the stack.
    if (depth > kMaxDepth || !visited_.insert(start).second)
        return true;
    const std::uint64_t count = block_.u16(start);
    if (!block_.has(start, 2 + 12 * count))
        return fail("Illegally sized directory");
    std::uint64_t thumbnail[2] = {0, 0};
    for (std::uint64_t i = 0; i < count; ++i) {
        const std::uint64_t at = start + 2 + 12 * i;
        Entry entry{block_.u16(at), block_.u16(at + 2), block_.u32(at + 4), at + 8, 0};
        if (entry.format > kMaxFormatCode)
            return fail("Illegal format code in EXIF dir");
        entry.byteCount = std::uint64_t{entry.components} * kFormatSizes[entry.format];
        if (entry.byteCount > 4) {
            entry.value = block_.u32(at + 8);
            if (!block_.has(entry.value, entry.byteCount)) {
                return fail("Illegal pointer offset value in EXIF.");
            }
        }
        if (!readEntry(entry, depth, thumbnail))
            return false;
    }
    const std::uint64_t link = block_.u32(start + 2 + 12 * count);
    if (link != 0) {
        if (link >= block_.size())
            return fail("Illegal subdirectory link");
        walk(link, depth + 1);
    }
    if (thumbnail[0] != 0 && thumbnail[1] != 0 && block_.has(thumbnail[0], thumbnail[1])) {
        info_.thumbnailOffset = blockStart_ + thumbnail[0];
        info_.thumbnailSize = static_cast<unsigned>(thumbnail[1]);
    }
    return true;
}

std::string ExifDirectoryWalk::text(const Entry& entry, std::size_t maxCharacters) const {
    std::string result;
    const std::uint64_t count = std::min<std::uint64_t>(entry.byteCount, maxCharacters);
    for (std::uint64_t i = 0; i < count; ++i) {
        const char c = static_cast<char>(block_.u8(entry.value + i));
        if (c == '\0')
            break;
        result.push_back(c);
    }
    return result;
}

bool ExifDirectoryWalk::readEntry(const Entry& entry, int depth, std::uint64_t thumbnail[2]) {
    switch (entry.tag) {
        case kMake:
            info_.cameraMake = text(entry, 31);
            reader_.makeValue_ = location(entry);
            return true;
        case kModel:
            info_.cameraModel = text(entry, 39);
            reader_.modelValue_ = location(entry);
            return true;
        case kDateTimeOriginal:
            info_.dateTime = text(entry, 19);
            reader_.dateValue_ = location(entry);
            return true;
        case kExifVersion:
            info_.version = text(entry, 4);
            return true;
        case kUserComment:
            readUserComment(entry);
            return true;
        case kThumbnailOffset:
            thumbnail[0] = asOffset(number(entry));
            return true;
        case kThumbnailLength:
            thumbnail[1] = asOffset(number(entry));
            return true;
        case kExifOffset:
        case kInteropOffset: {
            const std::uint64_t target = block_.u32(entry.value);
            if (target >= block_.size())
                return fail("Illegal subdirectory link");
            walk(target, depth + 1);
            return true;
        }
        default:
            recordNumber(entry);
            return true;
    }
}

void ExifDirectoryWalk::recordNumber(const Entry& entry) {
    const double value = number(entry);
    const auto asInt = [value] {
        return std::isfinite(value) && std::fabs(value) < 2e9 ? static_cast<int>(value) : 0;
    };
    switch (entry.tag) {
        case kOrientation:
            info_.orientation = asInt();
            if (info_.orientation < 1 || info_.orientation > 8) {
                reader_.lastError_ = "Undefined rotation value";
                info_.orientation = 0;
            }
            break;
        case kXResolution:
            info_.xResolution = static_cast<float>(value);
            break;
        case kYResolution:
            info_.yResolution = static_cast<float>(value);
            break;
        case kResolutionUnit:
            setInchesPerUnit(info_.resolutionUnit, asInt());
            break;
        case kExposureTime:
            info_.exposureTime = static_cast<float>(value);
            break;
        case kFNumber:
            info_.apertureFNumber = static_cast<float>(value);
            break;
        case kExposureProgram:
            info_.exposureProgram = asInt();
            break;
        case kIsoSpeedRatings:
            info_.isoEquivalent = asInt();
            if (info_.isoEquivalent < 50)
                info_.isoEquivalent *= 200;
            break;
        case kCompressedBitsPerPixel:
            info_.compressionLevel = asInt();
            break;
        case kShutterSpeedValue:
            if (info_.exposureTime == 0)
                info_.exposureTime = static_cast<float>(1 / std::exp2(value));
            break;
        case kApertureValue:
        case kMaxApertureValue:
            if (info_.apertureFNumber == 0) {
                info_.apertureFNumber = static_cast<float>(std::exp2(value / 2));
            }
            break;
        case kBrightnessValue:
            info_.brightness = static_cast<float>(value);
            break;
        case kExposureBiasValue:
            info_.exposureBias = static_cast<float>(value);
            break;
        case kSubjectDistance:
            info_.distance = static_cast<float>(value);
            break;
        case kMeteringMode:
            info_.meteringMode = asInt();
            break;
        case kLightSource:
            info_.whiteBalance = asInt();
            break;
        case kFlash:
            info_.flashUsed = (asInt() & 7) != 0 ? 1 : 0;
            break;
        case kFocalLength:
            info_.focalLength = static_cast<float>(value);
            break;
        case kPixelXDimension:
        case kPixelYDimension:
            reader_.exifImageWidth_ = std::max(reader_.exifImageWidth_, asInt());
            break;
        case kFocalPlaneXResolution:
            info_.focalPlaneXRes = static_cast<float>(value);
            break;
        case kFocalPlaneYResolution:
            info_.focalPlaneYRes = static_cast<float>(value);
            break;
        case kFocalPlaneResolutionUnit:
            setInchesPerUnit(info_.focalPlaneUnits, asInt());
            break;
        default:
            break;
    }
}

void ExifDirectoryWalk::readUserComment(const Entry& entry) {
    info_.userCommentLength = static_cast<int>(entry.byteCount);
    std::string copy;
    for (std::uint64_t i = 0; i < entry.byteCount; ++i) {
        copy.push_back(static_cast<char>(block_.u8(entry.value + i)));
    }
    for (std::size_t i = copy.size(); i > 0 && copy[i - 1] == ' '; --i)
        copy[i - 1] = '\0';
    std::size_t from = 0;
    if (copy.compare(0, 5, "ASCII") == 0) {
        from = copy.size();
        for (std::size_t i = 5; i < 10 && i < copy.size(); ++i) {
            if (copy[i] != '\0' && copy[i] != ' ') {
                from = i;
                break;
            }
        }
    }
    std::string comment;
    for (std::size_t i = from; i < copy.size() && comment.size() < 199 && copy[i] != '\0'; ++i) {
        comment.push_back(copy[i]);
    }
    info_.comments = std::move(comment);
}

bool PhotoInfoReader::parseExif(std::uint64_t sectionOffset, unsigned length) {
    const Bytes section = bytes_.subspan(sectionOffset, length);
    if (!startsWith(section, 2, "Exif\0\0", 6)) {
        lastError_ = "Incorrect Exif header";
        return false;
    }
    if (startsWith(section, 8, "II", 2)) {
        bigEndian_ = false;
    } else if (startsWith(section, 8, "MM", 2)) {
        bigEndian_ = true;
    } else {
        lastError_ = "Invalid Exif alignment marker.";
        return false;
    }
    const ByteOrderReader block(section.subspan(8), bigEndian_);
    if (block.u16(2) != 42) {
        lastError_ = "Invalid Exif start (1)";
        return false;
    }
    const std::uint32_t first = block.u32(4);
    if (first < 8 || first > 16) {
        lastError_ = "Suspicious offset of first IFD value";
        return false;
    }
    info_->flashUsed = 0;
    info_->comments.clear();
    ExifDirectoryWalk walk(*this, block, sectionOffset + 8);
    const bool result = walk.walk(first, 0);
    if (info_->focalPlaneXRes != 0) {
        info_->ccdWidth =
            info_->focalPlaneUnits * static_cast<float>(exifImageWidth_) / info_->focalPlaneXRes;
    }
    return result;
}

}  // namespace pixmill::jpegmeta
