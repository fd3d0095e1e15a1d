#include "engine/imaging/crop_batch.h"

#include "engine/imaging/batch_output.h"
#include "engine/imaging/image_io.h"
#include "engine/imaging/input_formats.h"
#include "engine/platform/safe_rewrite.h"
#include "engine/platform/status.h"

namespace pixmill {
namespace {

void clampOrigin(int& origin, int size) {
    if (origin > size) {
        origin = 0;
    } else if (origin < 0) {
        origin += size;
        if (origin < 0)
            origin = 0;
    }
}

void clampExtent(int& extent, int available) {
    if (extent > 0) {
        extent = std::min(extent, available);
    } else if (extent == 0) {
        extent = available;
    } else {
        extent = available + extent;
        if (extent <= 0)
            extent = available;
    }
}

}  // namespace

CropRect normalizeCropRect(int w, int h, int x, int y, int width, int height) {
    CropRect r{x, y, width, height};
    clampOrigin(r.x, w);
    clampOrigin(r.y, h);
    clampExtent(r.width, w - r.x);
    clampExtent(r.height, h - r.y);
    return r;
}

ItemOutcome cropItem(const CropParams& params, const std::string& source, const std::string& output,
                     FileOps& ops, const OutputNamer& namer) {
    if (isSameFile(source, output))
        return outcomeOf(makeError("输出文件就是原图，已拒绝覆盖：" + output));
    LoadedImage loaded = loadImage(source);
    CropRect r;
    if (!loaded.isNull()) {
        r = normalizeCropRect(loaded.image.width(), loaded.image.height(), params.x, params.y,
                              params.width, params.height);
    }
    if (loaded.isNull() || r.width <= 0 || r.height <= 0) {
        // The name this source's output would have had by its name.
        const std::string stale =
            namer ? namer(writtenFormat(params.output, formatOfFileName(source))).path : output;
        (void)ops.removeFile(stale);
        return outcomeOf(makeError(!loaded.refusal.empty() ? loaded.refusal
                                   : loaded.isNull()       ? "cannot decode " + source
                                                           : "the crop rectangle is empty"));
    }
    const EncodedFormat written = writtenFormat(params.output, loaded.format);
    const OutputName named =
        namer ? namer(written) : OutputName{outputFileName(output, written), {}};
    const std::string& target = named.path;
    if (target != output && isSameFile(source, target))
        return outcomeOf(makeError("输出文件就是原图，已拒绝覆盖：" + target));
    // Cropped outputs carry no metadata and no alpha (dropped, not blended), only the colour
    // profile.
    QImage cut = loaded.image.copy(r.x, r.y, r.width, r.height)
                     .convertToFormat(QImage::Format_ARGB32)
                     .convertToFormat(QImage::Format_RGB32);
    loaded.image = QImage();
    OutputExtras extras;
    extras.iccProfile = loaded.iccProfile;
    Result<EncodedOutput> encoded = encodeOutput(cut, written, params.output, extras);
    if (!encoded) {
        reportSaveFailure(kSaveEncodeFailed, target);
        return outcomeOf(makeError("cannot save " + target));
    }
    if (!writeFileReplacing(target, encoded->bytes, ops)) {
        reportSaveFailure(kSaveWriteFailed, target);
        return outcomeOf(makeError("cannot save " + target));
    }
    return {ItemStatus::Ok, target,
            joinedNotes(named.note, joinedNotes(loaded.notes(), encoded->note))};
}

BatchJob makeCropJob(CropParams params) {
    BatchJob job;
    job.kind = BatchKind::Crop;
    auto names = std::make_shared<OutputNames>(params.output);
    job.perItem = [params, names](WorkedRow& row, const BatchEnvironment& env) {
        statusPrintf("正在裁剪第 %d 个图片……", row.row + 1);
        if (Result<> allowed = checkOutput(env, row.item); !allowed)
            return outcomeOf(allowed.error());
        // The item's own path: with subfolders in the catalog, the catalog folder and the
        // file name need not name the file.
        const std::string source =
            row.item.fullPath.empty() ? env.currentFolder + row.item.fileName : row.item.fullPath;
        return cropItem(params, source, outputPathFor(env.outputDir, row.item), *env.fileOps,
                        OutputNames::namerFor(names, env, row.item.fileName));
    };
    return job;
}

}  // namespace pixmill
