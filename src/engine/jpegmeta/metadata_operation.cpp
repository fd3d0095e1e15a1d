#include "engine/jpegmeta/metadata_operation.h"

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

}  // namespace

BatchJob makeMetadataJob(BatchKind kind, MetadataParams params) {
    BatchJob job;
    job.kind = kind;
    if (kind == BatchKind::ShiftTime) {
        const int hours = params.shiftHours;
        job.perItem = [hours](WorkedRow& row, const BatchEnvironment&) {
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
    const JpegCommandOptions options = JpegCommandOptions::forKind(kind, params.commentText);
    job.perItem = [options](WorkedRow& row, const BatchEnvironment& env) {
        statusPrintf("正在处理第 %d 张图片：%s", row.item.number + 1, row.item.fileName.c_str());
        JpegCommandResult result = [&] {
            RewriteLock lock(row.item.fullPath);  // held from the read to the replacement
            return processJpegFile(row.item.fullPath, options, *env.fileOps);
        }();
        return outcome(result.status, std::move(result.message), row.item.fullPath);
    };
    return job;
}

}  // namespace pixmill::jpegmeta
