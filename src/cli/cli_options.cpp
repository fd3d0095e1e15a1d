#include "cli/cli_options.h"

#include <QMap>
#include <QSet>

#include <cstdio>

#include "engine/app/app_info.h"

namespace pixmill::cli {
namespace {

const OptionEntry kOptions[] = {
    {"help", nullptr, "show this help", "h"},
    {"version", nullptr, "show the version"},
    {"quiet", nullptr, "no progress output", "q"},
    {"out", "DIR", "output folder for resize, crop and watermark"},
    {"only", "GLOB", "tick only the rows whose file name matches (repeatable)"},
    {"config", "DIR", "folder holding the settings profile"},
    {"json", nullptr,
     "one JSON object per line for each worked row; a byte of a name or text that is not "
     "UTF-8 is written as \\udcXX (XX its hex value), numbers read back exactly"},
    {"rule", "TEXT", "rename rule (default <no>)"},
    {"start", "N", "first rename number (1)"},
    {"step", "N", "rename number increment (1)"},
    {"case", "keep|lower|upper", "extension case (lower)"},
    {"dry-run", nullptr, "print old and new names, touch nothing"},
    {"undo", nullptr, "put back the names of the folder's last finished rename"},
    {"bound", "N", "resize to fit N pixels"},
    {"preset", "0..4", "common size 1600/800/640/320/160"},
    {"market", "0..2", "marketplace size 500/250/310"},
    {"restore-exif", nullptr, "copy each photo's EXIF into the resized file (default)"},
    {"no-restore-exif", nullptr, "do not copy EXIF"},
    {"rect", "X,Y,W,H", "crop rectangle (0,0,800,600)"},
    {"cw", nullptr, "rotate clockwise"},
    {"ccw", nullptr, "rotate counter-clockwise"},
    {"mirror-h", nullptr, "mirror left to right"},
    {"mirror-v", nullptr, "mirror top to bottom"},
    {"layout", "FILE", "watermark layout file, or the NAME of a layout saved in the window"},
    {"text", "TEXT", "a one-layer text watermark"},
    {"picture", "FILE", "a one-layer picture watermark"},
    {"font", "NAME", "text font"},
    {"size", "N", "text size"},
    {"color", "RRGGBB", "text colour"},
    {"bold", nullptr, "bold text"},
    {"italic", nullptr, "italic text"},
    {"underline", nullptr, "underlined text"},
    {"angle", "N", "text angle"},
    {"shadow", nullptr, "text shadow"},
    {"opacity", "N", "layer opacity 0..100"},
    {"align", "0..8", "layer alignment"},
    {"stamp-width", "PERCENT",
     "scale the layout so that its width is PERCENT (1..100) of each picture's width"},
    {"delete-exif", nullptr, "delete EXIF"},
    {"delete-nonoriginal", nullptr, "delete non-original metadata"},
    {"delete-comment", nullptr, "delete the comment"},
    {"comment", "TEXT", "set the comment"},
    {"pure", nullptr, "strip to a bare JPEG"},
    {"shift-hours", "N", "shift the shooting time"},
};

}  // namespace

std::span<const OptionEntry> optionTable() { return kOptions; }

const QMap<QString, QStringList>& commandOptions() {
    static const QMap<QString, QStringList> options = {
        {"scan", {}},
        {"info", {}},
        {"rename", {"rule", "start", "step", "case", "dry-run", "undo"}},
        {"resize", {"bound", "preset", "market", "restore-exif", "no-restore-exif"}},
        {"crop", {"rect"}},
        {"rotate", {"cw", "ccw", "mirror-h", "mirror-v"}},
        {"watermark",
         {"layout", "text", "picture", "font", "size", "color", "bold", "italic", "underline",
          "angle", "shadow", "opacity", "align", "stamp-width"}},
        {"meta",
         {"delete-exif", "delete-nonoriginal", "delete-comment", "comment", "pure", "shift-hours"}},
    };
    return options;
}

const QStringList& commonOptionNames() {
    static const QStringList names = {"out", "only", "config", "json", "quiet"};
    return names;
}

QString CommandLine::usageText() {
    return QStringLiteral(
        "Usage: pixmill-cli COMMAND [OPTIONS] FOLDER\n"
        "       pixmill-cli info FILE\n"
        "       pixmill-cli --help | --version\n"
        "Commands: scan, info, rename, resize, crop, rotate, watermark, meta\n"
        "Common options: --out DIR, --only GLOB, --config DIR, --json, -q/--quiet\n"
        "Output is UTF-8: in --json lines and info lines, each byte of a file name or EXIF text\n"
        "that is not part of valid UTF-8 is written as the escape \\udcXX (XX the byte in hex),\n"
        "which no UTF-8 text produces, so the original bytes can be restored; numbers are\n"
        "written as the shortest decimal that reads back as the same value.\n");
}

CommandLine::CommandLine() {
    parser_.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    for (const OptionEntry& option : kOptions) {
        QStringList names{option.name};
        if (option.shortName) names.prepend(option.shortName);
        if (option.valueName) {
            parser_.addOption(QCommandLineOption(names, option.help, option.valueName));
        } else {
            parser_.addOption(QCommandLineOption(names, option.help));
        }
    }
}

int CommandLine::usageError(const QString& message) const {
    std::fprintf(stderr, "pixmill-cli: %s\n%s", message.toUtf8().constData(),
                 usageText().toUtf8().constData());
    return kExitUsage;
}

std::optional<int> CommandLine::intValue(const QString& name, int defaultValue) const {
    if (!parser_.isSet(name))
        return defaultValue;
    bool ok = false;
    const int number = parser_.value(name).toInt(&ok);
    if (!ok) {
        usageError(
            QStringLiteral("--%1 takes a number, not \"%2\"").arg(name, parser_.value(name)));
        return std::nullopt;
    }
    return number;
}

std::optional<int> CommandLine::parse(const QStringList& arguments) {
    if (!parser_.parse(arguments))
        return usageError(parser_.errorText());
    if (parser_.isSet("help")) {
        std::fputs(usageText().toUtf8().constData(), stdout);
        std::fputs((parser_.helpText().section(QLatin1Char('\n'), 2) + QLatin1Char('\n'))
                       .toUtf8()
                       .constData(),
                   stdout);
        return kExitOk;
    }
    if (parser_.isSet("version")) {
        std::printf("%s\n", kVersionText);
        return kExitOk;
    }
    const QStringList positional = parser_.positionalArguments();
    if (positional.isEmpty())
        return usageError("no command given");
    command_ = positional.front();
    if (!commandOptions().contains(command_)) {
        return usageError(QStringLiteral("unknown command \"%1\"").arg(command_));
    }
    if (positional.size() != 2) {
        return usageError(command_ == "info" ? "info takes one FILE" : "give exactly one FOLDER");
    }
    const QStringList& allowed = commandOptions()[command_];
    for (const QString& name : parser_.optionNames()) {
        const bool common = commonOptionNames().contains(name) || name == "q";
        if (!common && !allowed.contains(name)) {
            return usageError(QStringLiteral("%1 does not take --%2").arg(command_, name));
        }
    }
    common_.target = positional[1];
    common_.outDir = parser_.value("out");
    common_.only = parser_.values("only");
    common_.configDir = parser_.value("config");
    common_.json = parser_.isSet("json");
    common_.quiet = parser_.isSet("quiet");
    return std::nullopt;
}

}  // namespace pixmill::cli
