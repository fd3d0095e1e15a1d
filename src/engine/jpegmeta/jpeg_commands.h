#pragma once
// The metadata commands: per-file entry points that change a JPEG's metadata in place without
// re-encoding its image, and the EXIF transfer into a freshly encoded copy.
//
// Every entry point keeps its state in its own engine object, so any of them may run on
// several threads at once (on different files). A fatal engine error ends the current file
// only: its "\nError : ..." text goes to standard error, the file stays exactly as it was and
// the result says Failed. Rewrites go through the safe rewrite (old permissions, owner and
// times kept; never a half-written file).

#include <optional>
#include <string>
#include <vector>

#include "engine/jpegmeta/jpeg_sections.h"
#include "engine/platform/file_ops.h"
#include "engine/platform/result.h"

namespace pixmill::jpegmeta {

// The commands that rewrite a file's metadata in place, each a fixed set of changes.
enum class MetadataCommand {
    DeleteExif,         // the EXIF section
    DeleteNonOriginal,  // every section outside the keep set
    DeleteComment,      // the comment
    AddComment,         // the comment replaced by the text given
    PureJpeg,           // all of the above removed
};

// What processJpegFile changes in a file.
struct JpegCommandOptions {
    bool removeComment = false;       // the first COM section
    bool removeExif = false;          // the first EXIF APP1 section
    bool removeIptc = false;          // the first IPTC APP13 section
    bool removeXmp = false;           // the first XMP section
    bool removeNonEssential = false;  // every section outside the keep set
    // The comment the file gets (UTF-8 bytes, at most 2000 of them are stored).
    std::optional<std::string> commentText;
    // The JPEG whose EXIF, comment, IPTC and XMP replace the file's own.
    std::optional<std::string> exifSourcePath;

    static JpegCommandOptions forCommand(MetadataCommand command,
                                         const std::string& commentText = {});
};

enum class JpegCommandStatus {
    Modified,   // the file was rewritten
    Unchanged,  // nothing needed doing
    Skipped,    // read-only, or not a JPEG with image data
    Failed,     // a fatal engine error or a failed rewrite; the file is as it was
};

struct JpegCommandResult {
    JpegCommandStatus status = JpegCommandStatus::Unchanged;
    std::string message;  // why it was unchanged, skipped or failed
};

// Paths of this many characters or more are refused ("filename too long").
constexpr std::size_t kMaxPathCharacters = 259;
constexpr std::size_t kMaxCommentBytes = 2000;

JpegCommandResult processJpegFile(const std::string& path, const JpegCommandOptions& options,
                                  FileOps& ops = systemFileOps());

// processJpegFile in two halves, for a caller that writes many files together: the new bytes
// (in `content` when the result says Modified; nothing is written), then the caller's rewrite,
// whose outcome finishRewrite reports as processJpegFile does ("Modified: ..." or the error).
struct JpegEdit {
    JpegCommandResult result;
    std::vector<std::uint8_t> content;
};
JpegEdit editJpegFile(const std::string& path, const JpegCommandOptions& options);
JpegCommandResult finishRewrite(const std::string& path, const Result<>& written);

// Gives `targetPath` (a JPEG just encoded from the source, upright) the source's metadata
// through carryMetadata, the carry resize and rotation use: EXIF first, then the comment, IPTC,
// XMP and an RGB colour profile, the EXIF saying Orientation 1 with the target's size. A source
// or target that cannot be read as a JPEG leaves the target as it was (Skipped).
JpegCommandResult transferExif(const std::string& sourcePath, const std::string& targetPath,
                               FileOps& ops = systemFileOps());

// Steps after loading, shared with the in-memory users: sets the comment and applies the
// removals. Answers whether the table now differs from the file (`changed`: it already did,
// as when another file's metadata was taken in), or the fatal error that stopped it.
Result<bool> applyEdits(JpegEngine& engine, const JpegCommandOptions& options,
                        bool changed = false);

struct ShiftResult {
    JpegCommandStatus status = JpegCommandStatus::Unchanged;
    std::string newDate;  // the shooting time written, when Modified
    std::string message;
};

// Moves the EXIF shooting time (DateTimeOriginal) by `hours`, overwriting only that value's
// own bytes in place with one positioned write. Left alone: a read-only file, a file without
// a 19-character shooting time, a date out of range, a value too short to hold the result.
ShiftResult shiftShootingTime(const std::string& path, int hours);

// "YYYY:MM:DD HH:MM:SS" moved by `hours` with plain calendar arithmetic (no time zone, no
// daylight saving). Empty when the text is not 19 characters, a field is out of range
// (year below 1900, month 1..12, day 1..31, hour 0..23, minute and second 0..59), or the
// result does not have a four-digit year.
std::optional<std::string> shiftDateText(const std::string& dateTime, long long hours);

}  // namespace pixmill::jpegmeta
