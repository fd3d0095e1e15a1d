#pragma once
// The section layer of the metadata engine: a JPEG split into its marker sections, kept in an
// ordered table, edited, and written back without touching the entropy-coded image data.
//
// All state of one file operation lives in one JpegEngine object, so separate objects may work
// on separate files on separate threads. An object is not itself thread-safe.
//
// Diagnostics are the engine's fixed English texts: warnings ("\nNonfatal Error : ...") and
// fatal errors ("\nError : %s\n") go to standard error. A fatal error ends the current file only:
// the call that met it answers an Error (severity Error) carrying the message.

#include <cstdint>
#include <string>
#include <vector>

#include "engine/jpegmeta/byte_reader.h"
#include "engine/jpegmeta/section_reader.h"
#include "engine/platform/result.h"

namespace pixmill::jpegmeta {

// Section type codes: JPEG marker bytes, plus two codes of the engine's own.
enum SectionType : int {
    kSof0 = 0xC0,
    kSof2 = 0xC2,
    kDht = 0xC4,
    kSoi = 0xD8,
    kEoi = 0xD9,
    kSos = 0xDA,
    kDqt = 0xDB,
    kDri = 0xDD,
    kApp0 = 0xE0,
    kApp1 = 0xE1,
    kApp2 = 0xE2,
    kApp13 = 0xED,
    kApp14 = 0xEE,
    kCom = 0xFE,
    kXmpSection = 0x10E1,  // an APP1 section holding XMP; written as APP1
    kScanData = 0x123,     // the bytes after the SOS section up to the end of the file
};

struct JpegSection {
    // For a marker section: the section from its 2-byte length field on, without 0xFF and the
    // marker. For ScanData: the raw bytes after the SOS section.
    std::vector<std::uint8_t> data;
    int type = 0;
    // ScanData read from a file is not copied: it refers into the file's bytes, which the
    // engine keeps until the next reset.
    Bytes borrowed;
    Bytes bytes() const { return data.empty() ? borrowed : Bytes(data); }
    std::size_t size() const { return bytes().size(); }
};

// The ordered section list of the file in hand. Capacity starts at 5 and grows by half of
// itself whenever the count reaches it (5, 7, 10, 15, 22, ...); it is never shrunk.
class SectionTable {
  public:
    int count() const { return static_cast<int>(sections_.size()); }
    int capacity() const { return capacity_; }
    // Applies the growth rule; false when the memory cannot be had.
    bool ensureRoom();
    JpegSection& operator[](int index) { return sections_[static_cast<size_t>(index)]; }
    const JpegSection& operator[](int index) const { return sections_[static_cast<size_t>(index)]; }
    void append(JpegSection section) { sections_.push_back(std::move(section)); }
    void insertAt(int index, JpegSection section);
    void removeAt(int index);
    void removeLast() { sections_.pop_back(); }
    void clear() { sections_.clear(); }
    std::vector<JpegSection>& entries() { return sections_; }
    const std::vector<JpegSection>& entries() const { return sections_; }

  private:
    std::vector<JpegSection> sections_;
    int capacity_ = 0;
};

// What the engine knows about the file in hand; cleared per file.
struct JpegFileInfo {
    std::string fileName;
    std::int64_t fileModificationTime = 0;  // seconds
    std::int64_t fileSize = 0;
    // JFIF header as read (defaults units 1, 300 x 300 dots), or as written.
    bool jfifPresent = false;
    std::uint8_t jfifUnits = 0;
    std::uint16_t jfifXDensity = 0;
    std::uint16_t jfifYDensity = 0;
    // From the main image directory of EXIF; the unit is the raw EXIF code.
    int resolutionUnit = 0;
    float xResolution = 0;
    float yResolution = 0;
    std::string comment;  // first COM text, at most 1998 bytes
    int commentWideCharacters = 0;
    int height = 0;
    unsigned width = 0;
    bool isColor = false;
    int process = 0;  // the SOF marker byte
    // Colour-space evidence, so a rewrite never changes how the pixels decode.
    int components = 0;
    std::uint8_t componentIds[3] = {};
    bool adobePresent = false;
    std::uint8_t adobeTransform = 0;
};

enum LoadMode : int {
    kLoadMeta = 1,  // EXIF, XMP, IPTC and the first comment are kept and parsed
    kLoadScan = 2,  // the image data is read too, so the table can be written
};

class JpegEngine {
  public:
    // --- per-file state -------------------------------------------------------------
    // Clears the table and JpegFileInfo; the table's capacity is kept.
    void reset();
    void setCurrentFile(std::string path) { currentFile_ = std::move(path); }
    const std::string& currentFile() const { return currentFile_; }
    SectionTable& sections() { return table_; }
    const SectionTable& sections() const { return table_; }
    JpegFileInfo& fileInfo() { return info_; }
    bool haveAll() const { return haveAll_; }
    bool suppressWarnings = false;

    // --- reading ---------------------------------------------------------------------
    // Appends the file's sections to the table (it does not clear it first). On any failure
    // the table is released. Bytes that hold no JPEG image (not a JPEG, no image, the end of
    // the file before a marker) answer severity Warning; a file that cannot be opened ("can't
    // open '<path>'") and a fatal error answer severity Error.
    Result<> loadJpeg(const std::string& path, int mode);
    Result<> loadJpegBytes(Bytes file, int mode);

    // --- editing ---------------------------------------------------------------------
    JpegSection* findSectionOfType(int type);
    // Removes the first section of `type`, never the last entry.
    bool dropSectionOfType(int type);
    // Removes every section outside the keep set (the last entry excepted). An Adobe APP14
    // section stays when it says how to decode the colours of a 4-component or RGB frame.
    bool dropNonEssentialSections();
    // EXIF goes first; anything else after the leading APP0/APP1 sections (at most 3 places).
    // A fatal error when the table is too short for that place.
    Result<JpegSection*> insertSection(int type, std::vector<std::uint8_t> data);
    // Keeps the first EXIF, COM, IPTC and XMP sections, in that order, then the ICC profile's
    // sections when the profile describes RGB data, and nothing else.
    void keepOnlyMetadataSections();

    // --- writing ---------------------------------------------------------------------
    // The complete JPEG stream of the table; a fatal error when the image data was not read.
    Result<std::vector<std::uint8_t>> saveJpeg();

    // --- diagnostics -----------------------------------------------------------------
    void warning(const std::string& message);
    // Reports a fatal error for the current file on standard error and answers it.
    Error fatal(const std::string& message);

  private:
    Result<> readSections(Bytes file, int mode, bool borrowScan);
    Result<> readSection(SectionReader& cursor);
    Result<> readScanData(const SectionReader& cursor, bool borrow);
    bool actOnSection(int marker, int mode, bool& keptComment);
    void readFrameHeader(const JpegSection& section);
    void readJfifHeader(const JpegSection& section);
    void extractComment(const JpegSection& section);
    bool keepsColourSection(const JpegSection& section) const;
    bool needsJfifHeader() const;
    void appendJfifHeader(std::vector<std::uint8_t>& out);

    SectionTable table_;
    bool haveAll_ = false;
    JpegFileInfo info_;
    std::string currentFile_;
    std::vector<std::vector<std::uint8_t>> fileBytes_;  // what borrowed scan data refers into
};

}  // namespace pixmill::jpegmeta
