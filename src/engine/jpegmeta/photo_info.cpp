#include "engine/jpegmeta/photo_info.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <iterator>
#include <new>

#include "engine/jpegmeta/jpeg_sections.h"
#include "engine/platform/diagnostics.h"
#include "engine/platform/file_bytes.h"
#include "engine/platform/file_ops.h"

namespace pixmill::jpegmeta {
namespace {

// Many photos put everything before SOS in the first few kilobytes; a longer head is read,
// up to what the cut section needs, when the sections reach further. A larger first read costs
// every file the copy of bytes the walk never looks at (in a folder scan that copy was a third
// of the time with 64 KB).
constexpr std::size_t kFirstRead = 8 * 1024;
constexpr int kMaxPadding = 6;
constexpr std::size_t kCommentLimit = 1000;

}  // namespace

PhotoInfoReader::PhotoInfoReader(PhotoInfo* info) : info_(info) {
    if (!info_) {
        ownedInfo_ = std::make_unique<PhotoInfo>();
        info_ = ownedInfo_.get();
    }
}

PhotoInfoReader::~PhotoInfoReader() {
    close();
}

Result<> PhotoInfoReader::open(const std::string& path) {
    close();
    fd_ = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd_ < 0) {
        const int error = errno;
        return makeError(error, "cannot open '" + path + "': " + errorText(error));
    }
    struct stat status;
    if (::fstat(fd_, &status) != 0) {
        const int error = errno;
        close();
        return makeError(error, "cannot read '" + path + "': " + errorText(error));
    }
    if (!S_ISREG(status.st_mode)) {
        close();
        return makeError(S_ISDIR(status.st_mode) ? EISDIR : EINVAL,
                         "'" + path + "' is not a regular file");
    }
    fileSize_ = static_cast<std::uint64_t>(status.st_size);
    Result<> head = readHeadUpTo(kFirstRead);
    if (!head)
        close();
    return head;
}

Result<> PhotoInfoReader::readHeadUpTo(std::uint64_t wanted) {
    const std::uint64_t target = std::min<std::uint64_t>(wanted, fileSize_);
    const std::size_t have = head_.size();
    if (target <= have)
        return {};
    try {
        head_.resize(static_cast<std::size_t>(target));
    } catch (const std::bad_alloc&) {
        head_.resize(have);
        return makeError(ENOMEM, "no memory for the file's first sections");
    }
    Result<std::size_t> read = readFileRange(fd_, have, head_.data() + have, head_.size() - have);
    const std::size_t got = read ? *read : 0;
    head_.resize(have + got);
    bytes_ = head_;
    if (got < target - have)
        fileSize_ = head_.size();  // the file shrank while being read
    if (!read)
        return read.error();
    return {};
}

void PhotoInfoReader::close() {
    if (fd_ >= 0)
        ::close(fd_);
    fd_ = -1;
    fileSize_ = 0;
    head_.clear();
    bytes_ = {};
}

Result<> PhotoInfoReader::parse(Bytes bytes) {
    close();
    bytes_ = bytes;
    return parse();
}

Result<> PhotoInfoReader::parseExifBlock(Bytes tiff) {
    close();
    exifFault_.clear();
    // The walker reads an APP1 section's body: its length bytes and "Exif\0\0", then TIFF.
    static constexpr std::uint8_t kSectionStart[] = {0, 0, 'E', 'x', 'i', 'f', 0, 0};
    head_.assign(std::begin(kSectionStart), std::end(kSectionStart));
    head_.insert(head_.end(), tiff.begin(), tiff.end());
    bytes_ = head_;
    info_->isExif = parseExif(0, static_cast<unsigned>(head_.size()));
    if (!info_->isExif)
        return makeError(exifFault_);
    return {};
}

Result<> PhotoInfoReader::parse() {
    const PhotoInfo before = *info_;
    for (;;) {
        neededBytes_ = 0;
        Result<> reachedScan = walkSections();
        const bool cut = neededBytes_ > bytes_.size();
        if (!cut || fd_ < 0 || head_.size() >= fileSize_)
            return reachedScan;
        // The head read was too short for the sections before SOS: read on and walk again
        // from the record as the caller handed it over.
        const std::uint64_t grown = std::max<std::uint64_t>(neededBytes_ + 4096, head_.size() * 2);
        if (!readHeadUpTo(grown))
            return reachedScan;
        *info_ = before;
    }
}

Result<> PhotoInfoReader::walkSections() {
    exifFault_.clear();
    bigEndian_ = false;
    exifImageWidth_ = 0;
    sections_.clear();
    makeValue_.reset();
    modelValue_.reset();
    dateValue_.reset();
    SectionReader reader(bytes_, {MarkerSearch::FillBytes, kMaxPadding});
    if (!reader.valid())
        return makeError("not a JPEG", Severity::Warning);
    bool sawComment = false;
    // However many sections come before the scan: the walk is bounded by the bytes alone.
    for (;;) {
        SectionSpan span;
        switch (reader.next(span)) {
            case SectionStep::Section:
                break;
            case SectionStep::TooMuchFill:
                diag::write(diag::Stream::Out, "too many padding unsigned chars\n");
                return makeError("too many padding unsigned chars", Severity::Warning);
            case SectionStep::BadLength:
                return makeError("invalid marker");
            default:
                neededBytes_ = reader.neededBytes();
                return makeError("Premature end of file");
        }
        const int marker = span.marker;
        sections_.push_back({span.offset, marker, span.length});
        if (isFrameMarker(marker)) {
            readFrame(span.data);
        } else if (marker == kEoi) {
            diag::write(diag::Stream::Out, "No image in jpeg!\n");
            return makeError("No image in jpeg!", Severity::Warning);
        } else if (marker == kSos) {
            return {};
        } else if (marker == kApp1 && startsWith(span.data, 2, "Exif", 4)) {
            info_->isExif = parseExif(span.offset, span.length);
        } else if (marker == kCom && !sawComment) {
            sawComment = true;
            readComment(span.data);
        }
    }
}

void PhotoInfoReader::readFrame(Bytes data) {
    info_->height = bigEndian16(data, 3);
    info_->width = bigEndian16(data, 5);
    info_->isColor = data.size() > 7 && data[7] == 3 ? 1 : 0;
    info_->process = sections_.back().marker;
}

void PhotoInfoReader::readComment(Bytes data) {
    const std::size_t end = std::min(data.size(), kCommentLimit);
    std::string text;
    for (std::size_t i = 2; i < end; ++i) {
        const std::uint8_t byte = data[i];
        if (byte == '\r' && i + 1 < end && data[i + 1] == '\n')
            continue;
        text.push_back(byte >= 32 || byte == '\n' || byte == '\t' ? static_cast<char>(byte) : '?');
    }
    info_->comments = std::move(text);
}

Result<> readPhotoInfoFile(const std::string& path, PhotoInfo& info) {
    info = PhotoInfo{};
    PhotoInfoReader reader(&info);
    if (Result<> opened = reader.open(path); !opened)
        return opened;
    Result<> walked = reader.parse();
    reader.close();
    return walked;
}

}  // namespace pixmill::jpegmeta
