// watermark: stamp a layout file, or a one-layer layout built from the options, into every
// worked row's copy in the output folder.
#include <QTemporaryDir>

#include "cli/cli_session.h"
#include "cli/commands.h"
#include "engine/watermark/layout_library.h"
#include "engine/watermark/watermark_batch.h"
#include "engine/watermark/watermark_options.h"

namespace pixmill::cli {
namespace {

// The text panel's defaults, changed by whatever options were given; nullopt after a usage
// error has been printed.
std::optional<WatermarkLayerOptions> layerOptions(const CommandLine& commandLine) {
    WatermarkLayerOptions options;
    options.text = commandLine.value("text").toStdString();
    options.picturePath = commandLine.value("picture").toStdString();
    if (commandLine.isSet("font"))
        options.fontName = commandLine.value("font").toStdString();
    if (commandLine.isSet("color")) {
        const auto color = parseWebColor(commandLine.value("color").toStdString());
        if (!color) {
            commandLine.usageError("--color takes RRGGBB, as on the web");
            return std::nullopt;
        }
        options.color = *color;
    }
    const auto size = commandLine.intValue("size", options.fontSize);
    const auto angle = commandLine.intValue("angle", options.angle);
    const auto opacity = commandLine.intValue("opacity", options.opacity);
    const auto align = commandLine.intValue("align", options.alignMode);
    if (!size || !angle || !opacity || !align)
        return std::nullopt;
    if (commandLine.isSet("align") && (*align < 0 || *align > 8)) {
        commandLine.usageError("--align takes 0 to 8");
        return std::nullopt;
    }
    options.fontSize = *size;
    options.angle = *angle;
    options.opacity = *opacity;
    options.alignMode = *align;
    options.bold = commandLine.isSet("bold");
    options.italic = commandLine.isSet("italic");
    options.underline = commandLine.isSet("underline");
    options.shadow = commandLine.isSet("shadow");
    return options;
}

}  // namespace

int runWatermark(const CommandLine& commandLine) {
    const bool oneLayer = commandLine.isSet("text") || commandLine.isSet("picture");
    if (commandLine.isSet("layout") == oneLayer) {
        return commandLine.usageError(
            "watermark takes --layout FILE (or a saved layout's NAME), or --text / --picture");
    }
    const auto output = outputOptions(commandLine);
    if (!output)
        return kExitUsage;
    const auto stampWidth = commandLine.intValue("stamp-width", 0);
    if (!stampWidth)
        return kExitUsage;
    if (commandLine.isSet("stamp-width") && (*stampWidth < 1 || *stampWidth > 100))
        return commandLine.usageError("--stamp-width takes a percentage from 1 to 100");
    QString layoutPath;
    QTemporaryDir scratch;
    if (oneLayer) {
        const auto options = layerOptions(commandLine);
        if (!options)
            return kExitUsage;
        if (!scratch.isValid())
            return kExitFailed;
        layoutPath = scratch.filePath("layout.wmk");
        if (!writeOneLayerLayout(*options, layoutPath.toStdString())) {
            std::fprintf(stderr, "pixmill-cli: cannot write the layout file %s\n",
                         layoutPath.toUtf8().constData());
            return kExitFailed;
        }
    }
    CliSession session(commandLine);
    if (int status = session.open(); status != kExitOk)
        return status;
    if (!oneLayer) {
        // A path to an existing file, else the name of a layout saved from the window.
        const Result<std::string> resolved =
            resolveLayoutArgument(commandLine.value("layout").toStdString(),
                                  session.settings().templateDir.toStdString());
        if (!resolved) {
            std::fprintf(stderr, "pixmill-cli: %s\n", resolved.message().c_str());
            return kExitMissing;
        }
        layoutPath = QString::fromStdString(*resolved);
    }
    return session.runBatch(
        makeWatermarkJob(layoutPath.toStdString(), *stampWidth, appendBatchErrorLog, *output));
}

}  // namespace pixmill::cli
