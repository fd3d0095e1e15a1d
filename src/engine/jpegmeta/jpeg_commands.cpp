#include "engine/jpegmeta/jpeg_commands.h"

#include <sys/stat.h>

#include "engine/jpegmeta/image_metadata.h"
#include "engine/platform/diagnostics.h"
#include "engine/platform/file_bytes.h"
#include "engine/platform/safe_rewrite.h"
#include "engine/platform/text_codec.h"

namespace pixmill::jpegmeta {
namespace {

std::size_t characterCount(const std::string& text) {
    std::size_t count = 0;
    for (unsigned char c : text)
        count += (c & 0xC0) != 0x80;
    return count;
}

// The owner's permission bits decide, not access(2): root may write anything.
bool isReadOnly(const struct stat& status) {
    return isReadOnlyMode(status.st_mode);
}

JpegCommandResult failed(const Error& error) {
    return {JpegCommandStatus::Failed, error.message};
}

// A file that holds no JPEG image is passed over; any other failure ends it as failed.
JpegCommandResult fromLoad(const Error& error, const std::string& path) {
    if (error.severity == Severity::Warning)
        return {JpegCommandStatus::Skipped, "not a JPEG with image data: " + path};
    return failed(error);
}

// Answers whether the table now differs from the file; `changed` says it already did.
Result<bool> setComment(JpegEngine& engine, const std::string& commentText, bool changed) {
    JpegSection* section = engine.findSectionOfType(kCom);
    if (!section) {
        Result<JpegSection*> inserted = engine.insertSection(kCom, {0x00, 0x02});
        if (!inserted)
            return inserted.error();
        section = *inserted;
    }
    const std::string current(section->data.begin() + 2, section->data.end());
    if (current.size() > kMaxCommentBytes) {
        diag::printf(diag::Stream::Err, "Truncating comment at %d chars\n",
                     static_cast<int>(kMaxCommentBytes));
    }
    const std::string wanted = cutToBytes(commentText, kMaxCommentBytes);
    if (wanted != current) {
        const std::size_t length = wanted.size() + 2;
        std::vector<std::uint8_t> data;
        data.reserve(length);
        data.push_back(static_cast<std::uint8_t>(length >> 8));
        data.push_back(static_cast<std::uint8_t>(length & 0xFF));
        data.insert(data.end(), wanted.begin(), wanted.end());
        section->data = std::move(data);
        changed = true;
    }
    if (!changed)
        diag::write(diag::Stream::Out, "Comment not modified\n");
    return changed;
}

}  // namespace

JpegCommandOptions JpegCommandOptions::forCommand(MetadataCommand command,
                                                  const std::string& commentText) {
    JpegCommandOptions options;
    switch (command) {
        case MetadataCommand::DeleteExif:
            options.removeExif = true;
            break;
        case MetadataCommand::DeleteNonOriginal:
            options.removeNonEssential = true;
            break;
        case MetadataCommand::DeleteComment:
            options.removeComment = true;
            break;
        case MetadataCommand::AddComment:
            options.commentText = commentText;
            break;
        case MetadataCommand::PureJpeg:
            options.removeExif = options.removeComment = options.removeIptc = options.removeXmp =
                options.removeNonEssential = true;
            break;
    }
    return options;
}

Result<bool> applyEdits(JpegEngine& engine, const JpegCommandOptions& options, bool changed) {
    if (options.commentText) {
        Result<bool> comment = setComment(engine, *options.commentText, changed);
        if (!comment)
            return comment.error();
        changed = *comment;
    }
    if (options.removeComment && engine.dropSectionOfType(kCom))
        changed = true;
    if (options.removeExif && engine.dropSectionOfType(kApp1))
        changed = true;
    if (options.removeIptc && engine.dropSectionOfType(kApp13))
        changed = true;
    if (options.removeXmp && engine.dropSectionOfType(kXmpSection))
        changed = true;
    if (options.removeNonEssential && engine.dropNonEssentialSections())
        changed = true;
    return changed;
}

JpegEdit editJpegFile(const std::string& path, const JpegCommandOptions& options) {
    JpegEngine engine;
    if (characterCount(path) >= kMaxPathCharacters)
        return {failed(engine.fatal("filename too long")), {}};
    engine.setCurrentFile(path);
    struct stat status;
    if (::stat(path.c_str(), &status) != 0)
        return {failed(engine.fatal("No such file")), {}};
    engine.fileInfo().fileModificationTime = status.st_mtime;
    engine.fileInfo().fileSize = status.st_size;
    if (isReadOnly(status)) {
        diag::printf(diag::Stream::Out, "Skipping readonly file '%s'\n", path.c_str());
        return {{JpegCommandStatus::Skipped, "read-only file"}, {}};
    }
    engine.fileInfo().fileName = path;

    bool changed = false;
    int mode = kLoadMeta | kLoadScan;
    if (options.exifSourcePath) {
        const std::string& source = *options.exifSourcePath;
        if (Result<> loaded = engine.loadJpeg(source, kLoadMeta); !loaded) {
            JpegCommandResult result = fromLoad(loaded.error(), source);
            if (result.status != JpegCommandStatus::Failed)
                result.status = JpegCommandStatus::Skipped;
            return {result, {}};
        }
        engine.keepOnlyMetadataSections();
        changed = true;
        mode = kLoadScan;
    }
    if (Result<> loaded = engine.loadJpeg(path, mode); !loaded)
        return {fromLoad(loaded.error(), path), {}};
    Result<bool> edited = applyEdits(engine, options, changed);
    if (!edited)
        return {failed(edited.error()), {}};
    if (!*edited) {
        return {{JpegCommandStatus::Unchanged,
                 options.commentText ? "Comment not modified" : "nothing to change"},
                {}};
    }
    Result<std::vector<std::uint8_t>> saved = engine.saveJpeg();
    if (!saved)
        return {failed(saved.error()), {}};
    return {{JpegCommandStatus::Modified, {}}, std::move(*saved)};
}

JpegCommandResult finishRewrite(const std::string& path, const Result<>& written) {
    if (!written) {
        JpegEngine engine;
        engine.setCurrentFile(path);
        return failed(engine.fatal("Could not open file for write: " + written.message()));
    }
    diag::printf(diag::Stream::Out, "Modified: %s\n", path.c_str());
    return {JpegCommandStatus::Modified, {}};
}

JpegCommandResult processJpegFile(const std::string& path, const JpegCommandOptions& options,
                                  FileOps& ops) {
    JpegEdit edit = editJpegFile(path, options);
    if (edit.result.status != JpegCommandStatus::Modified)
        return edit.result;
    return finishRewrite(path, rewriteFileSafely(path, edit.content, true, ops));
}

JpegCommandResult transferExif(const std::string& sourcePath, const std::string& targetPath,
                               FileOps& ops) {
    Result<std::vector<std::uint8_t>> source = readFileBytes(sourcePath);
    if (!source || !startsLikeJpeg(*source))
        return {JpegCommandStatus::Skipped, "the source is not a readable JPEG"};
    // The same carry resize and rotation give their freshly encoded pictures in memory.
    RewriteLock lock(targetPath);
    Result<std::vector<std::uint8_t>> target = readFileBytes(targetPath);
    if (!target)
        return {JpegCommandStatus::Failed,
                "cannot read '" + targetPath + "': " + errorText(target.code())};
    std::optional<ByteVector> carried = carryMetadata(*source, *target);
    if (!carried)
        return {JpegCommandStatus::Skipped, "the source or the target is not a readable JPEG"};
    if (Result<> written = rewriteFileSafely(targetPath, *carried, true, ops); !written)
        return {JpegCommandStatus::Failed, written.message()};
    diag::printf(diag::Stream::Out, "Modified: %s\n", targetPath.c_str());
    return {JpegCommandStatus::Modified, {}};
}

}  // namespace pixmill::jpegmeta
