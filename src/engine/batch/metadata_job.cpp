#include "engine/batch/metadata_job.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <optional>

#include "engine/jpegmeta/image_metadata.h"
#include "engine/jpegmeta/jpeg_commands.h"
#include "engine/platform/safe_rewrite.h"
#include "engine/platform/status.h"

namespace pixmill {
namespace {

using jpegmeta::JpegCommandStatus;

// The in-place command of kinds DeleteExif..PureJpeg; nullopt for any other kind.
std::optional<jpegmeta::MetadataCommand> metadataCommandFor(BatchKind kind) {
    using jpegmeta::MetadataCommand;
    switch (kind) {
        case BatchKind::DeleteExif:
            return MetadataCommand::DeleteExif;
        case BatchKind::DeleteNonOriginal:
            return MetadataCommand::DeleteNonOriginal;
        case BatchKind::DeleteComment:
            return MetadataCommand::DeleteComment;
        case BatchKind::AddComment:
            return MetadataCommand::AddComment;
        case BatchKind::PureJpeg:
            return MetadataCommand::PureJpeg;
        default:
            return std::nullopt;
    }
}

// A row whose file is readable and plainly no JPEG (a PNG, a phone's HEIC, a WebP...): the
// metadata commands leave it alone and say why. Files that cannot be opened go on to the
// commands, which report them in their own words.
bool isOtherPicture(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return false;
    struct stat status {};
    std::uint8_t head[3] = {};
    const bool regular = ::fstat(fd, &status) == 0 && S_ISREG(status.st_mode);
    const bool read = regular && ::read(fd, head, sizeof head) == ssize_t(sizeof head);
    ::close(fd);
    return read && !jpegmeta::startsLikeJpeg(jpegmeta::Bytes(head, head + sizeof head));
}

ItemOutcome skippedOtherPicture(const CatalogItem& item) {
    return {
        ItemStatus::Skipped, {}, "不是 JPEG 图片，元数据命令只修改 JPEG，已跳过：" + item.fileName};
}

// Modified is Ok; Unchanged, Skipped and Failed keep their names.
ItemStatus toItemStatus(JpegCommandStatus status) {
    switch (status) {
        case JpegCommandStatus::Modified:
            return ItemStatus::Ok;
        case JpegCommandStatus::Unchanged:
            return ItemStatus::Unchanged;
        case JpegCommandStatus::Skipped:
            return ItemStatus::Skipped;
        default:
            return ItemStatus::Failed;
    }
}

ItemOutcome outcome(JpegCommandStatus status, std::string message, std::string output) {
    ItemOutcome result;
    result.status = toItemStatus(status);
    result.message = std::move(message);
    if (status == JpegCommandStatus::Modified)
        result.output = std::move(output);
    return result;
}

}  // namespace

BatchJob makeMetadataJob(BatchKind kind, MetadataParams params) {
    BatchJob job;
    job.kind = kind;
    if (kind == BatchKind::ShiftTime) {
        const int hours = params.shiftHours;
        job.perItem = [hours](WorkedRow& row, const BatchEnvironment&) {
            if (isOtherPicture(row.item.fullPath))
                return skippedOtherPicture(row.item);
            jpegmeta::ShiftResult shifted = [&] {
                RewriteLock lock(row.item.fullPath);  // no other rewrite of it meanwhile
                return jpegmeta::shiftShootingTime(row.item.fullPath, hours);
            }();
            if (shifted.status == JpegCommandStatus::Modified)
                row.item.shootingDate = shifted.newDate;
            statusPrintf("已校正第 %d 张图片：%s", row.item.number + 1, row.item.fileName.c_str());
            return outcome(shifted.status, std::move(shifted.message), row.item.fullPath);
        };
        return job;
    }
    const std::optional<jpegmeta::MetadataCommand> command = metadataCommandFor(kind);
    if (!command)
        return job;
    const auto options = jpegmeta::JpegCommandOptions::forCommand(*command, params.commentText);
    job.perItem = [options](WorkedRow& row, const BatchEnvironment& env) {
        statusPrintf("正在处理第 %d 张图片：%s", row.item.number + 1, row.item.fileName.c_str());
        if (isOtherPicture(row.item.fullPath))
            return skippedOtherPicture(row.item);
        if (!env.rewrites) {
            jpegmeta::JpegCommandResult result = [&] {
                RewriteLock lock(row.item.fullPath);  // held from the read to the replacement
                return jpegmeta::processJpegFile(row.item.fullPath, options, *env.fileOps);
            }();
            return outcome(result.status, std::move(result.message), row.item.fullPath);
        }
        // Staged with the rows around it and made durable together; the lock goes with it.
        RewriteLock lock = env.rewrites->lock(row.item.fullPath);
        jpegmeta::JpegEdit edit = jpegmeta::editJpegFile(row.item.fullPath, options);
        if (edit.result.status == JpegCommandStatus::Modified) {
            const Result<> staged = env.rewrites->stage(row.item.fullPath, edit.content, true,
                                                        std::move(lock), row.row);
            edit.result = jpegmeta::finishRewrite(row.item.fullPath, staged);
        }
        return outcome(edit.result.status, std::move(edit.result.message), row.item.fullPath);
    };
    return job;
}

}  // namespace pixmill
