#include "engine/jpegmeta/jpeg_sections.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <new>
#include <stdexcept>

#include "engine/jpegmeta/exif_engine_pass.h"
#include "engine/platform/diagnostics.h"
#include "engine/platform/file_bytes.h"

namespace pixmill::jpegmeta {
namespace {

constexpr int kCommentLimit = 2000;  // bytes of a COM section's data looked at, length included
constexpr int kWarnPaddingAbove = 10;

}  // namespace

bool SectionTable::ensureRoom() {
    if (count() < capacity_)
        return true;
    int grown = capacity_ == 0 ? 5 : capacity_ + capacity_ / 2;
    try {
        sections_.reserve(static_cast<size_t>(grown));
    } catch (const std::bad_alloc&) {
        return false;
    } catch (const std::length_error&) {
        return false;
    }
    capacity_ = grown;
    return true;
}

void SectionTable::insertAt(int index, JpegSection section) {
    sections_.insert(sections_.begin() + index, std::move(section));
}

void SectionTable::removeAt(int index) {
    sections_.erase(sections_.begin() + index);
}

void JpegEngine::reset() {
    table_.clear();
    fileBytes_.clear();
    haveAll_ = false;
    info_ = JpegFileInfo{};
}

void JpegEngine::warning(const std::string& message) {
    if (suppressWarnings)
        return;
    std::string text = "\nNonfatal Error : ";
    if (!currentFile_.empty())
        text += "'" + currentFile_ + "' ";
    text += message + "\n";
    diag::write(diag::Stream::Err, text);
}

Error JpegEngine::fatal(const std::string& message) {
    std::string text = "\nError : " + message + "\n";
    if (!currentFile_.empty())
        text += "in file '" + currentFile_ + "'\n";
    diag::write(diag::Stream::Err, text);
    return makeError(message);
}

Result<> JpegEngine::loadJpeg(const std::string& path, int mode) {
    Result<std::vector<std::uint8_t>> file = readFileBytes(path);
    if (file.code() == ENOMEM) {
        Error error = fatal("could not allocate data for entire image");
        reset();
        return error;
    }
    if (!file) {
        diag::printf(diag::Stream::Err, "can't open '%s'\n", path.c_str());
        reset();
        return makeError(file.code(), "can't open '" + path + "'");
    }
    fileBytes_.push_back(std::move(*file));
    Result<> read = readSections(fileBytes_.back(), mode, true);
    if (!read && read.severity() == Severity::Warning)
        diag::printf(diag::Stream::Err, "Not JPEG: %s\n", path.c_str());
    if (!read)
        reset();
    return read;
}

Result<> JpegEngine::loadJpegBytes(Bytes file, int mode) {
    Result<> read = readSections(file, mode, false);
    if (!read)
        reset();
    return read;
}

Result<> JpegEngine::readSections(Bytes file, int mode, bool borrowScan) {
    if (file.size() < 2 || file[0] != 0xFF || file[1] != 0xD8)
        return makeError("not a JPEG", Severity::Warning);
    info_.jfifUnits = 1;
    info_.jfifXDensity = 300;
    info_.jfifYDensity = 300;
    // Colour evidence belongs to the file whose frame is read, not to an earlier load.
    info_.components = 0;
    info_.adobePresent = false;
    info_.adobeTransform = 0;
    SectionReader cursor(file, {MarkerSearch::AnyBytes});
    bool keptComment = false;
    for (;;) {
        if (!table_.ensureRoom())
            return fatal("could not allocate data for entire image");
        if (Result<> read = readSection(cursor); !read)
            return read;
        const int marker = table_[table_.count() - 1].type;
        if (marker == kSos)
            return (mode & kLoadScan) ? readScanData(cursor, borrowScan) : Result<>::ok();
        if (marker == kEoi) {
            diag::write(diag::Stream::Err, "No image in jpeg!\n");
            return makeError("No image in jpeg!", Severity::Warning);
        }
        if (!actOnSection(marker, mode, keptComment))
            table_.removeLast();
        if (table_.count() > table_.capacity())
            return fatal("allocation screwup");
    }
}

// Appends the next marker section; the end of the file before a marker is a soft failure.
Result<> JpegEngine::readSection(SectionReader& cursor) {
    SectionSpan span;
    switch (cursor.next(span)) {
        case SectionStep::Section:
            break;
        case SectionStep::BadLength:
            return fatal("invalid marker");
        case SectionStep::Truncated:
            return fatal("Premature end of file?");
        default:
            return makeError("the file ends before a marker", Severity::Warning);
    }
    if (span.skipped > kWarnPaddingAbove) {
        char text[80];
        std::snprintf(text, sizeof text, "Extraneous %d padding bytes before section %02X",
                      span.skipped - 1, span.marker);
        warning(text);
    }
    JpegSection section;
    section.type = span.marker;
    section.data.assign(span.data.begin(), span.data.end());
    table_.append(std::move(section));
    return {};
}

Result<> JpegEngine::readScanData(const SectionReader& cursor, bool borrow) {
    if (!table_.ensureRoom())
        return fatal("could not allocate data for entire image");
    JpegSection scan;
    scan.type = kScanData;
    const Bytes rest = cursor.file().subspan(cursor.position());
    if (borrow) {
        scan.borrowed = rest;
    } else {
        scan.data.assign(rest.begin(), rest.end());
    }
    table_.append(std::move(scan));
    haveAll_ = true;
    return {};
}

// Returns whether the section just appended stays in the table.
bool JpegEngine::actOnSection(int marker, int mode, bool& keptComment) {
    JpegSection& section = table_[table_.count() - 1];
    Bytes data(section.data);
    const bool meta = (mode & kLoadMeta) != 0;
    switch (marker) {
        case kCom:
            if (!meta || keptComment)
                return false;
            keptComment = true;
            extractComment(section);
            return true;
        case kApp0:
            // The writer makes a fresh JFIF header when one is needed; the old one never survives.
            readJfifHeader(section);
            return false;
        case kApp1:
            if (!meta)
                return false;
            if (startsWith(data, 2, "Exif", 4)) {
                exifEnginePass(data, info_, *this);
                return true;
            }
            if (startsWith(data, 2, "http:", 5)) {
                section.type = kXmpSection;
                return true;
            }
            return false;
        case kApp13:
            return meta;
        case kApp14:
            if (startsWith(data, 2, "Adobe", 5) && data.size() >= 14) {
                info_.adobePresent = true;
                info_.adobeTransform = data[13];
            }
            return true;
        default:
            if (isFrameMarker(marker))
                readFrameHeader(section);
            return true;
    }
}

void JpegEngine::readFrameHeader(const JpegSection& section) {
    Bytes data(section.data);
    ByteOrderReader reader(data, true);
    info_.height = reader.u16(3);
    info_.width = reader.u16(5);
    info_.components = reader.u8(7);
    info_.isColor = info_.components == 3;
    info_.process = section.type;
    for (int i = 0; i < 3; ++i)
        info_.componentIds[i] = reader.u8(8 + 3 * static_cast<unsigned>(i));
}

void JpegEngine::readJfifHeader(const JpegSection& section) {
    Bytes data(section.data);
    if (!startsWith(data, 2, "JFIF\0", 5)) {
        diag::write(diag::Stream::Err, "Header missing JFIF marker\n");
    }
    if (data.size() < 16) {
        diag::write(diag::Stream::Err, "Jfif header too short\n");
        return;
    }
    info_.jfifPresent = true;
    info_.jfifUnits = data[9];
    info_.jfifXDensity = bigEndian16(data, 10);
    info_.jfifYDensity = bigEndian16(data, 12);
}

void JpegEngine::extractComment(const JpegSection& section) {
    const std::size_t end = std::min<std::size_t>(section.data.size(), kCommentLimit);
    std::string text;
    for (std::size_t i = 2; i < end; ++i) {
        std::uint8_t byte = section.data[i];
        if (byte == '\r' && i + 1 < end && section.data[i + 1] == '\n')
            continue;
        if (byte >= 32 || byte == '\n' || byte == '\t') {
            text.push_back(static_cast<char>(byte));
        } else {
            text.push_back('?');
        }
    }
    info_.comment = std::move(text);
    info_.commentWideCharacters = 0;
}

}  // namespace pixmill::jpegmeta
