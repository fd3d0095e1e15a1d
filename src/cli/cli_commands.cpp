// The commands of pixmill-cli: the one list that the parser, the usage, --help, the manual page
// and the completion read.
#include "cli/commands.h"
#include "cli/info_command.h"

#include <string_view>

namespace pixmill::cli {
namespace {

const CommandEntry kCommands[] = {
    {"scan", "FOLDER",
     "Prints the catalog, one tab-separated line per row: row (counting from 1), file name, "
     "WxH as displayed (EXIF orientation applied), file size in bytes, shooting date, camera "
     "maker, camera model, exposure, aperture, exposure bias, ISO and the EXIF flag (0/1). "
     "With --json every catalog field of each row instead.",
     runScan, false},
    {"info", "FILE", "Prints a JPEG's photo information and its section list (marker, length).",
     runInfo, false},
    {"rename", "FOLDER",
     "Renames the ticked files by a rule of literal text and tags (see RENAME TAGS), in two "
     "passes. The plan is written to a journal in the folder first, so that an interrupted "
     "rename is completed by the next run. A name that would clash refuses the whole batch. "
     "With --dry-run prints old and new name, separated by a tab, for each worked row and "
     "changes nothing.",
     runRename, false},
    {"resize", "FOLDER",
     "Resizes every ticked picture into the output folder so that its longer side fits the "
     "bound given by one of --bound, --preset or --market; a picture that already fits is "
     "copied unchanged. By default each resized JPEG gets its source's EXIF, comment, IPTC and "
     "XMP sections. With --square every picture is centred, scaled down to fit, on a bound x "
     "bound canvas of --canvas-color. Resize, crop and watermark take the output options "
     "--format, --quality and --max-kb; with --max-kb each JPEG or WebP output is written at "
     "the highest quality whose file, metadata included, fits, found by bisection over the "
     "quality; one that does not fit even at quality 1 is written at it and its row says so. "
     "PNG and BMP outputs are lossless and take no quality or size.",
     runResize},
    {"crop", "FOLDER", "Crops every ticked picture into the output folder.", runCrop},
    {"rotate", "FOLDER",
     "Turns every ticked picture by a quarter turn or mirrors it, in place, as it is shown (a "
     "photo's EXIF orientation is applied first and then reads 1); one of --cw, --ccw, "
     "--mirror-h or --mirror-v. JPEGs are turned losslessly; one whose size is not a whole "
     "number of blocks in the turned direction is decoded and encoded again, which the row's "
     "message says. Read-only files are skipped.",
     runRotate},
    {"watermark", "FOLDER",
     "Stamps a watermark layout file (--layout), or a one-layer layout made from --text or "
     "--picture, on every ticked picture and writes the result into the output folder. A text "
     "layer's --color is red, green, blue as on the web. --layout also takes the name of a "
     "layout saved in the window (a file NAME.layout in the WatermarkTemplate folder) when no "
     "file of that path exists; neither is exit status 3. --stamp-width scales the whole "
     "layout (positions, sizes, fonts, pictures, border) on each picture so that the width of "
     "its layers' bounding box is that share of the picture's width; an aligned layout keeps "
     "its corner or edge.",
     runWatermark},
    {"meta", "FOLDER",
     "Changes JPEG metadata in place without re-encoding the picture: one of --delete-exif, "
     "--delete-nonoriginal, --delete-comment, --comment, --pure (reduce to a bare JPEG) or "
     "--shift-hours (move the EXIF shooting times). Rows that are not JPEG files are skipped.",
     runMeta, false},
};

}  // namespace

std::span<const CommandEntry> commandTable() {
    return kCommands;
}

const CommandEntry* findCommand(const QString& name) {
    for (const CommandEntry& command : kCommands) {
        if (name == QLatin1String(command.name))
            return &command;
    }
    return nullptr;
}

std::vector<OperationSwitch> chosenOperations(const CommandLine& commandLine, const char* command) {
    std::vector<OperationSwitch> chosen;
    for (const BatchKindInfo& info : batchTable()) {
        if (std::string_view(info.cliCommand) != command)
            continue;
        for (const BatchMenuEntry& entry : info.menu) {
            if (entry.cliSwitch && commandLine.isSet(QString::fromUtf8(entry.cliSwitch)))
                chosen.push_back(OperationSwitch{info.kind, &entry});
        }
    }
    return chosen;
}

int runInfo(const CommandLine& commandLine) {
    return runInfoCommand(commandLine.common().target.toStdString(), commandLine.common().json);
}

}  // namespace pixmill::cli
