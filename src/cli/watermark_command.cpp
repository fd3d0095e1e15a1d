// watermark: stamp a layout file, or a one-layer layout built from the options, into every
// worked row's copy in the output folder.
#include <QTemporaryDir>

#include "cli/cli_session.h"
#include "cli/commands.h"
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
        return commandLine.usageError("watermark takes --layout FILE, or --text / --picture");
    }
    QString layoutPath = commandLine.value("layout");
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
    return session.runBatch(makeWatermarkJob(layoutPath.toStdString()));
}

}  // namespace pixmill::cli
