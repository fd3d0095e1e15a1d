#include "engine/jpegmeta/metadata_operation.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "engine/jpegmeta/image_metadata.h"
#include "engine/jpegmeta/jpeg_commands.h"
#include "engine/platform/safe_rewrite.h"
#include "engine/platform/status.h"

namespace pixmill::jpegmeta {
namespace {

ItemOutcome outcome(JpegCommandStatus status, std::string message, std::string output) {
    ItemOutcome result;
    result.status = toItemStatus(status);
    result.message = std::move(message);
    if (status == JpegCommandStatus::Modified)
        result.output = std::move(output);
    return result;
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
    return read && !startsLikeJpeg(Bytes(head, sizeof head));
}

ItemOutcome skippedOtherPicture(const CatalogItem& item) {
    return {
        ItemStatus::Skipped, {}, "不是 JPEG 图片，元数据命令只修改 JPEG，已跳过：" + item.fileName};
}

}  // namespace

BatchJob makeMetadataJob(BatchKind kind, MetadataParams params) {
    BatchJob job;
    job.kind = kind;
    if (kind == BatchKind::ShiftTime) {
        job.pattern = BatchPattern::PerItem;
        const int hours = params.shiftHours;
        job.perItem = [hours](WorkedRow& row, const BatchEnvironment&) {
            if (isOtherPicture(row.item.fullPath))
                return skippedOtherPicture(row.item);
            ShiftResult shifted = [&] {
                RewriteLock lock(row.item.fullPath);  // no other rewrite of it meanwhile
                return shiftShootingTime(row.item.fullPath, hours);
            }();
            if (shifted.status == JpegCommandStatus::Modified)
                row.item.shootingDate = shifted.newDate;
            statusPrintf("已校正第 %d 张图片：%s", row.item.number + 1, row.item.fileName.c_str());
            return outcome(shifted.status, std::move(shifted.message), row.item.fullPath);
        };
        return job;
    }
    if (kind < BatchKind::DeleteExif || kind > BatchKind::PureJpeg)
        return job;
    job.pattern = BatchPattern::Sequential;
    const JpegCommandOptions options = JpegCommandOptions::forKind(kind, params.commentText);
    job.perItem = [options](WorkedRow& row, const BatchEnvironment& env) {
        statusPrintf("正在处理第 %d 张图片：%s", row.item.number + 1, row.item.fileName.c_str());
        if (isOtherPicture(row.item.fullPath))
            return skippedOtherPicture(row.item);
        JpegCommandResult result = [&] {
            RewriteLock lock(row.item.fullPath);  // held from the read to the replacement
            return processJpegFile(row.item.fullPath, options, *env.fileOps);
        }();
        return outcome(result.status, std::move(result.message), row.item.fullPath);
    };
    return job;
}

}  // namespace pixmill::jpegmeta
