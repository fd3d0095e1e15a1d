// resize, crop and rotate: the pixel operations.
#include <span>

#include "cli/cli_session.h"
#include "cli/commands.h"
#include "engine/imaging/crop_batch.h"
#include "engine/imaging/resize_batch.h"
#include "engine/imaging/rotate_batch.h"
#include "engine/watermark/watermark_options.h"

namespace pixmill::cli {
namespace {

std::optional<int> chosenBound(const CommandLine& commandLine) {
    const int given = int(commandLine.isSet("bound")) + int(commandLine.isSet("preset")) +
                      int(commandLine.isSet("market"));
    if (given != 1) {
        commandLine.usageError(
            QStringLiteral("resize takes one of --bound N, --preset %1, --market %2")
                .arg(QString::fromStdString(indexRange(kCommonSizes)),
                     QString::fromStdString(indexRange(kMarketSizes))));
        return std::nullopt;
    }
    if (commandLine.isSet("bound")) {
        const auto bound = commandLine.intValue("bound", 0);
        if (bound && *bound <= 0) {
            commandLine.usageError("--bound takes a number of pixels above 0");
            return std::nullopt;
        }
        return bound;
    }
    const bool preset = commandLine.isSet("preset");
    const auto index = commandLine.intValue(preset ? "preset" : "market", 0);
    if (!index)
        return std::nullopt;
    const std::span<const SizePreset> sizes = preset ? std::span<const SizePreset>(kCommonSizes)
                                                     : std::span<const SizePreset>(kMarketSizes);
    if (*index < 0 || *index >= int(sizes.size())) {
        commandLine.usageError(QStringLiteral("--%1 takes 0 to %2")
                                   .arg(preset ? "preset" : "market")
                                   .arg(sizes.size() - 1));
        return std::nullopt;
    }
    return sizes[*index].bound;
}

// --square and --canvas-color into `params`; false after a usage error has been printed.
bool readSquare(const CommandLine& commandLine, ResizeParams& params) {
    params.square = commandLine.isSet("square");
    if (!commandLine.isSet("canvas-color"))
        return true;
    if (!params.square) {
        commandLine.usageError("--canvas-color goes with --square");
        return false;
    }
    const auto bgr = parseWebColor(commandLine.value("canvas-color").toStdString());
    if (!bgr) {
        commandLine.usageError("--canvas-color takes RRGGBB, as on the web");
        return false;
    }
    params.canvasColor = (*bgr & 0xFF) << 16 | (*bgr & 0xFF00) | (*bgr >> 16 & 0xFF);
    return true;
}

}  // namespace

std::optional<OutputOptions> outputOptions(const CommandLine& commandLine) {
    OutputOptions options;
    if (commandLine.isSet("format")) {
        const auto format = parseOutputFormat(commandLine.value("format").toStdString());
        if (!format) {
            commandLine.usageError("--format takes keep, jpeg, png or webp");
            return std::nullopt;
        }
        options.format = *format;
    }
    const auto quality = commandLine.intValue("quality", kMaxOutputQuality);
    const auto maxKb = commandLine.intValue("max-kb", 0);
    if (!quality || !maxKb)
        return std::nullopt;
    if (*quality < kMinOutputQuality || *quality > kMaxOutputQuality) {
        commandLine.usageError("--quality takes 1 to 100");
        return std::nullopt;
    }
    if (commandLine.isSet("max-kb") && (*maxKb <= 0 || *maxKb > kMaxTargetKb)) {
        commandLine.usageError("--max-kb takes a size in KiB above 0");
        return std::nullopt;
    }
    if (options.format == OutputFormat::Png &&
        (commandLine.isSet("quality") || commandLine.isSet("max-kb"))) {
        commandLine.usageError(
            "--quality and --max-kb apply to JPEG and WebP outputs; PNG is lossless");
        return std::nullopt;
    }
    options.quality = *quality;
    options.maxKb = *maxKb;
    return options;
}

int runResize(const CommandLine& commandLine) {
    const auto bound = chosenBound(commandLine);
    if (!bound)
        return kExitUsage;
    if (commandLine.isSet("restore-exif") && commandLine.isSet("no-restore-exif")) {
        return commandLine.usageError("give --restore-exif or --no-restore-exif, not both");
    }
    ResizeParams params;
    params.bound = *bound;
    params.restoreExif = !commandLine.isSet("no-restore-exif");
    const auto output = outputOptions(commandLine);
    if (!output || !readSquare(commandLine, params))
        return kExitUsage;
    params.output = *output;
    CliSession session(commandLine);
    if (int status = session.open(); status != kExitOk)
        return status;
    return session.runBatch(makeResizeJob(params));
}

int runCrop(const CommandLine& commandLine) {
    CropParams params;
    if (commandLine.isSet("rect")) {
        const QStringList parts = commandLine.value("rect").split(QLatin1Char(','));
        bool ok = parts.size() == 4;
        int values[4] = {};
        for (int i = 0; ok && i < 4; ++i)
            values[i] = parts[i].trimmed().toInt(&ok);
        if (!ok)
            return commandLine.usageError("--rect takes X,Y,W,H (four integers)");
        params = CropParams{values[0], values[1], values[2], values[3]};
    }
    const auto output = outputOptions(commandLine);
    if (!output)
        return kExitUsage;
    params.output = *output;
    CliSession session(commandLine);
    if (int status = session.open(); status != kExitOk)
        return status;
    return session.runBatch(makeCropJob(params));
}

int runRotate(const CommandLine& commandLine) {
    const std::vector<OperationSwitch> chosen = chosenOperations(commandLine, "rotate");
    if (chosen.size() > 1)
        return commandLine.usageError(
            "rotate takes exactly one of --cw, --ccw, --mirror-h, --mirror-v");
    if (chosen.empty())
        return commandLine.usageError("rotate needs one of --cw, --ccw, --mirror-h, --mirror-v");
    CliSession session(commandLine);
    if (int status = session.open(); status != kExitOk)
        return status;
    return session.runBatch(
        makeRotateFlipJob(RotateFlipParams{chosen.front().entry->argument, {}}));
}

}  // namespace pixmill::cli
