// The EXIF block as PhotoInfoReader reads it: IFD0, its EXIF and interoperability
// subdirectories and the chain of next-directory links (IFD1 holds the thumbnail).
#include <cmath>
#include <map>

#include "engine/jpegmeta/photo_info.h"
#include "engine/jpegmeta/tiff_walker.h"

namespace pixmill::jpegmeta {
namespace {

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

// Text values end at their first NUL; trailing blanks and NULs, which many cameras pad their
// maker and model with, are not part of the name.
std::string trimmedText(std::string text) {
    while (!text.empty() && (text.back() == ' ' || text.back() == '\0'))
        text.pop_back();
    return text;
}

}  // namespace

class ExifDirectoryWalk : public TiffVisitor {
  public:
    ExifDirectoryWalk(PhotoInfoReader& reader, ByteOrderReader block, std::uint64_t blockStart)
        : reader_(reader), info_(*reader.info_), block_(block), blockStart_(blockStart) {}

    // False when a directory could not be read (an entry's own damage costs that entry only).
    bool walk(std::uint64_t first) {
        walkTiff(block_, first, *this);
        return !failed_;
    }

    void entry(const TiffDirectory& directory, const TiffEntry& entry, TiffFault fault) override;
    void leave(const TiffDirectory& directory) override;
    void fault(const TiffDirectory&, TiffDirectoryFault fault, std::uint64_t) override;

  private:
    void fail(const char* message) {
        reader_.exifFault_ = message;
        failed_ = true;
    }
    void recordNumber(const TiffEntry& entry);
    std::string text(const TiffEntry& entry, std::size_t maxCharacters) const;
    ValueLocation location(const TiffEntry& entry) const {
        return {blockStart_ + entry.value, entry.components, entry.format};
    }
    double number(const TiffEntry& entry) const { return tiffNumber(block_, entry, false); }
    void readUserComment(const TiffEntry& entry);

    PhotoInfoReader& reader_;
    PhotoInfo& info_;
    ByteOrderReader block_;
    std::uint64_t blockStart_;
    bool failed_ = false;
    // Thumbnail offset and length per directory.
    std::map<std::uint64_t, std::pair<std::uint64_t, std::uint64_t>> thumbnails_;
};

void ExifDirectoryWalk::fault(const TiffDirectory&, TiffDirectoryFault fault, std::uint64_t) {
    // Nesting beyond the limit is a loop or garbage: quietly not followed.
    if (fault == TiffDirectoryFault::BadSize)
        fail("Illegally sized directory");
    else if (fault != TiffDirectoryFault::TooDeep)
        fail("Illegal subdirectory link");
}

void ExifDirectoryWalk::leave(const TiffDirectory& directory) {
    const auto found = thumbnails_.find(directory.offset);
    if (found == thumbnails_.end())
        return;
    const auto [offset, length] = found->second;
    if (offset != 0 && length != 0 && block_.has(offset, length)) {
        info_.thumbnailOffset = blockStart_ + offset;
        info_.thumbnailSize = static_cast<unsigned>(length);
    }
}

std::string ExifDirectoryWalk::text(const TiffEntry& entry, std::size_t maxCharacters) const {
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

void ExifDirectoryWalk::entry(const TiffDirectory& directory, const TiffEntry& entry,
                              TiffFault fault) {
    if (fault == TiffFault::BadFormat) {
        reader_.exifFault_ = "Illegal format code in EXIF dir";
        return;
    }
    if (fault != TiffFault::None) {
        reader_.exifFault_ = "Illegal pointer offset value in EXIF.";
        return;
    }
    switch (entry.tag) {
        case kMake:
            info_.cameraMake = trimmedText(text(entry, 31));
            reader_.makeValue_ = location(entry);
            return;
        case kModel:
            info_.cameraModel = trimmedText(text(entry, 39));
            reader_.modelValue_ = location(entry);
            return;
        case kDateTimeOriginal:
            info_.dateTime = text(entry, 19);
            reader_.dateValue_ = location(entry);
            return;
        case kExifVersion:
            info_.version = text(entry, 4);
            return;
        case kUserComment:
            readUserComment(entry);
            return;
        case kThumbnailOffset:
            thumbnails_[directory.offset].first = asOffset(number(entry));
            return;
        case kThumbnailLength:
            thumbnails_[directory.offset].second = asOffset(number(entry));
            return;
        case kOrientation:
            // The picture's own; a thumbnail directory may state one for the thumbnail.
            if (directory.nesting == 0)
                recordNumber(entry);
            return;
        default:
            recordNumber(entry);
            return;
    }
}

void ExifDirectoryWalk::recordNumber(const TiffEntry& entry) {
    const double value = number(entry);
    const auto asInt = [value] {
        return std::isfinite(value) && std::fabs(value) < 2e9 ? static_cast<int>(value) : 0;
    };
    switch (entry.tag) {
        case kOrientation:
            info_.orientation = asInt();
            if (info_.orientation < 1 || info_.orientation > 8) {
                reader_.exifFault_ = "Undefined rotation value";
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
            // As written: a phone's ISO 32 is ISO 32.
            info_.isoEquivalent = asInt();
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

void ExifDirectoryWalk::readUserComment(const TiffEntry& entry) {
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
    TiffHeader header;
    switch (readExifHeader(section, header)) {
        case TiffHeaderFault::NotExif:
            exifFault_ = "Incorrect Exif header";
            return false;
        case TiffHeaderFault::BadByteOrder:
            exifFault_ = "Invalid Exif alignment marker.";
            return false;
        case TiffHeaderFault::BadMagic:
            exifFault_ = "Invalid Exif start (1)";
            return false;
        case TiffHeaderFault::None:
            break;
    }
    bigEndian_ = header.bigEndian;
    const ByteOrderReader block(section.subspan(8), bigEndian_);
    // The first directory lies wherever the header says, as long as it is inside the block
    // and not over the header itself.
    const std::uint32_t first = header.firstDirectory;
    if (first < 8 || first >= block.size()) {
        exifFault_ = "Suspicious offset of first IFD value";
        return false;
    }
    info_->flashUsed = 0;
    info_->comments.clear();
    ExifDirectoryWalk walk(*this, block, sectionOffset + 8);
    const bool result = walk.walk(first);
    if (info_->focalPlaneXRes != 0) {
        info_->ccdWidth =
            info_->focalPlaneUnits * static_cast<float>(exifImageWidth_) / info_->focalPlaneXRes;
    }
    return result;
}

}  // namespace pixmill::jpegmeta
