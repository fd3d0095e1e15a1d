#pragma once
// Photo information of one JPEG: the EXIF-derived details the catalog shows, the rename rules
// and the watermark text tags use, and the place of the shooting time inside the file.
//
// PhotoInfoReader walks the sections before SOS and the EXIF directories of bytes in memory.
// It never reads outside those bytes, never loops on linked directories and never ends the
// process. Each call answers a Result: a walk that stops short of the image data says why, and
// whatever was filled before the stop stays in the record. Damage inside the EXIF block that
// the walk stepped over is kept in exifFault(). One reader is used by one thread at a time.

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "engine/jpegmeta/byte_reader.h"
#include "engine/platform/result.h"

namespace pixmill::jpegmeta {

struct PhotoInfo {
    std::string version;      // ExifVersion, 4 characters
    std::string cameraMake;   // at most 31 characters
    std::string cameraModel;  // at most 39 characters
    std::string dateTime;     // DateTimeOriginal, "YYYY:MM:DD HH:MM:SS"
    int height = 0;           // pixels, from the frame header
    int width = 0;
    int orientation = 0;     // 1..8; 0 when absent or invalid
    int isColor = 0;         // 1 when the frame has 3 components
    int process = 0;         // the SOF marker byte (0xC0 baseline, 0xC2 progressive, ...)
    int flashUsed = 0;       // 1 when the flash fired
    float focalLength = 0;   // millimetres
    float exposureTime = 0;  // seconds
    float apertureFNumber = 0;
    float distance = 0;      // metres
    float ccdWidth = 0;      // millimetres when the focal-plane resolution is known
    float exposureBias = 0;  // EV
    int whiteBalance = 0;    // EXIF LightSource
    int meteringMode = 0;
    int exposureProgram = 0;
    int isoEquivalent = 0;
    int compressionLevel = 0;
    float focalPlaneXRes = 0;
    float focalPlaneYRes = 0;
    float focalPlaneUnits = 0;  // inches per unit
    float xResolution = 0;
    float yResolution = 0;
    float resolutionUnit = 0;  // inches per unit
    float brightness = 0;
    std::string comments;  // the first COM text or the UserComment, whichever came later
    int userCommentLength = 0;
    // The embedded thumbnail as a range of the bytes parsed (the file's own offsets when the
    // reader read the file).
    std::uint64_t thumbnailOffset = 0;
    unsigned thumbnailSize = 0;
    bool isExif = false;  // the EXIF block was parsed without a structural error
};

// Where a value lies in the bytes parsed.
struct ValueLocation {
    std::uint64_t offset = 0;
    std::uint32_t components = 0;
    int format = 0;
};

struct SectionRecord {
    std::uint64_t offset = 0;  // of the length bytes
    int marker = 0;
    unsigned length = 0;  // as stored, counting the two length bytes
};

class PhotoInfoReader {
  public:
    // Fills `info` (not cleared here), or a record of the reader's own when none is given.
    explicit PhotoInfoReader(PhotoInfo* info = nullptr);
    ~PhotoInfoReader();
    PhotoInfoReader(const PhotoInfoReader&) = delete;
    PhotoInfoReader& operator=(const PhotoInfoReader&) = delete;

    // Reads the start of the file with ordinary reads; parse() reads further when the
    // sections before SOS reach beyond it. An Error (with the errno value) when the file cannot
    // be opened or read, or is not a regular file.
    Result<> open(const std::string& path);
    // Ok when the walk reached the SOS section. Otherwise an Error saying where it stopped:
    // "invalid marker" or "Premature end of file" for a damaged section list, and, with the
    // severity Warning, bytes that hold no JPEG image at all ("not a JPEG", "No image in jpeg!",
    // "too many padding unsigned chars"; the last two are also written to standard output).
    Result<> parse();
    // Parses bytes in memory, which must outlive the reader's use of them.
    Result<> parse(Bytes bytes);
    // Parses an EXIF block that comes without a JPEG around it (a HEIF file's Exif item),
    // starting at its TIFF header. The reader keeps a copy; the value locations it reports are
    // not offsets of any file. Ok when the block was parsed without a structural error;
    // otherwise the Error names it.
    Result<> parseExifBlock(Bytes tiff);
    void close();

    PhotoInfo& info() { return *info_; }
    // The last damage met inside the EXIF block of the last walk (a bad header or directory,
    // an entry with an illegal format or offset, an Orientation outside 1..8); empty when none.
    // The walk itself goes on past it.
    const std::string& exifFault() const { return exifFault_; }
    const std::vector<SectionRecord>& sections() const { return sections_; }
    const std::optional<ValueLocation>& makeValue() const { return makeValue_; }
    const std::optional<ValueLocation>& modelValue() const { return modelValue_; }
    const std::optional<ValueLocation>& dateValue() const { return dateValue_; }
    int exifImageWidth() const { return exifImageWidth_; }
    bool bigEndian() const { return bigEndian_; }
    // The bytes parse() saw: the head of the opened file, or the bytes given.
    Bytes bytes() const { return bytes_; }

  private:
    Result<> walkSections();
    Result<> readHeadUpTo(std::uint64_t wanted);
    void readFrame(Bytes data);
    void readComment(Bytes data);
    bool parseExif(std::uint64_t sectionOffset, unsigned length);
    friend class ExifDirectoryWalk;

    PhotoInfo* info_;
    std::unique_ptr<PhotoInfo> ownedInfo_;
    std::string exifFault_;
    int fd_ = -1;
    std::uint64_t fileSize_ = 0;
    std::vector<std::uint8_t> head_;
    Bytes bytes_;
    std::uint64_t neededBytes_ = 0;  // how far the last walk wanted to read
    std::optional<ValueLocation> makeValue_, modelValue_, dateValue_;
    int exifImageWidth_ = 0;
    bool bigEndian_ = false;
    std::vector<SectionRecord> sections_;
};

// Reads, parses and closes; the record is cleared first. Returns open()'s Error, or else
// parse()'s result.
Result<> readPhotoInfoFile(const std::string& path, PhotoInfo& info);

}  // namespace pixmill::jpegmeta
