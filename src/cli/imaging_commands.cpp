// resize, crop and rotate: the pixel operations.
#include <iterator>

#include "cli/cli_session.h"
#include "cli/commands.h"
#include "engine/imaging/crop_batch.h"
#include "engine/imaging/resize_batch.h"
#include "engine/imaging/rotate_batch.h"

namespace pixmill::cli {
namespace {

std::optional<int> chosenBound(const CommandLine& commandLine) {
    const int given = int(commandLine.isSet("bound")) + int(commandLine.isSet("preset")) +
                      int(commandLine.isSet("market"));
    if (given != 1) {
        commandLine.usageError("resize takes one of --bound N, --preset 0..4, --market 0..2");
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
    const int count = preset ? int(std::size(kCommonSizes)) : int(std::size(kMarketSizes));
    if (*index < 0 || *index >= count) {
        commandLine.usageError(preset ? "--preset takes 0 to 4" : "--market takes 0 to 2");
        return std::nullopt;
    }
    return preset ? kCommonSizes[*index].bound : kMarketSizes[*index].bound;
}

}  // namespace

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
