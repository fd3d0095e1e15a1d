#include "cli/cli_options.h"

#include <QMap>
#include <QSet>

#include <algorithm>
#include <cstdio>
#include <string>

#include "cli/commands.h"
#include "engine/app/app_info.h"
#include "engine/imaging/size_presets.h"

namespace pixmill::cli {
namespace {

constexpr const char* kResize = "resize";
constexpr const char* kRename = "rename";
constexpr const char* kRotate = "rotate";
constexpr const char* kWatermark = "watermark";
constexpr const char* kMeta = "meta";
// The commands that write a picture into the output folder and take the output options.
constexpr const char* kOutputCommands = "resize crop watermark";

// The size options name their sizes from the size tables (defined before the option table,
// which points into them).
const std::string kPresetRange = indexRange(kCommonSizes);
const std::string kPresetHelp = "common size " + boundList(kCommonSizes);
const std::string kMarketRange = indexRange(kMarketSizes);
const std::string kMarketHelp = "marketplace size " + boundList(kMarketSizes);

const OptionEntry kOptions[] = {
    {"help", nullptr, "show this help", "h"},
    {"version", nullptr, "show the version"},
    {"out", "DIR", "output folder for resize, crop and watermark", nullptr, kEveryCommand},
    {"only", "GLOB", "tick only the rows whose file name matches (repeatable)", nullptr,
     kEveryCommand},
    {"config", "DIR", "folder holding the settings profile", nullptr, kEveryCommand},
    {"json", nullptr,
     "one JSON object per line for each worked row; a byte of a name or text that is not "
     "UTF-8 is written as \\udcXX (XX its hex value), numbers read back exactly",
     nullptr, kEveryCommand},
    {"quiet", nullptr, "no progress output", "q", kEveryCommand},
    {"rule", "TEXT", "rename rule (default <no>)", nullptr, kRename},
    {"start", "N", "first rename number (1)", nullptr, kRename},
    {"step", "N", "rename number increment (1)", nullptr, kRename},
    {"case", "keep|lower|upper", "extension case (lower)", nullptr, kRename},
    {"dry-run", nullptr, "print old and new names, touch nothing", nullptr, kRename},
    {"undo", nullptr, "put back the names of the folder's last finished rename", nullptr, kRename},
    {"bound", "N", "resize to fit N pixels", nullptr, kResize},
    {"preset", kPresetRange.c_str(), kPresetHelp.c_str(), nullptr, kResize},
    {"market", kMarketRange.c_str(), kMarketHelp.c_str(), nullptr, kResize},
    {"restore-exif", nullptr, "copy each photo's EXIF into the resized file (default)", nullptr,
     kResize},
    {"no-restore-exif", nullptr, "do not copy EXIF", nullptr, kResize},
    {"square", nullptr, "centre each picture on a bound x bound canvas", nullptr, kResize},
    {"canvas-color", "RRGGBB", "colour of the --square canvas (FFFFFF)", nullptr, kResize},
    {"format", "keep|jpeg|png|webp",
     "output format (keep: PNG and BMP stay themselves, the rest becomes JPEG); a changed "
     "format changes the extension",
     nullptr, kOutputCommands},
    {"quality", "1..100", "JPEG and WebP quality (100)", nullptr, kOutputCommands},
    {"max-kb", "N", "write each JPEG or WebP output at the highest quality whose file fits N KiB",
     nullptr, kOutputCommands},
    {"rect", "X,Y,W,H", "crop rectangle (0,0,800,600)", nullptr, "crop"},
    {"cw", nullptr, "rotate clockwise", nullptr, kRotate},
    {"ccw", nullptr, "rotate counter-clockwise", nullptr, kRotate},
    {"mirror-h", nullptr, "mirror left to right", nullptr, kRotate},
    {"mirror-v", nullptr, "mirror top to bottom", nullptr, kRotate},
    {"layout", "FILE", "watermark layout file, or the NAME of a layout saved in the window",
     nullptr, kWatermark},
    {"text", "TEXT", "a one-layer text watermark", nullptr, kWatermark},
    {"picture", "FILE", "a one-layer picture watermark", nullptr, kWatermark},
    {"font", "NAME", "text font", nullptr, kWatermark},
    {"size", "N", "text size", nullptr, kWatermark},
    {"color", "RRGGBB", "text colour", nullptr, kWatermark},
    {"bold", nullptr, "bold text", nullptr, kWatermark},
    {"italic", nullptr, "italic text", nullptr, kWatermark},
    {"underline", nullptr, "underlined text", nullptr, kWatermark},
    {"angle", "N", "text angle", nullptr, kWatermark},
    {"shadow", nullptr, "text shadow", nullptr, kWatermark},
    {"opacity", "N", "layer opacity 0..100", nullptr, kWatermark},
    {"align", "0..8", "layer alignment", nullptr, kWatermark},
    {"stamp-width", "PERCENT",
     "scale the layout so that its width is PERCENT (1..100) of each picture's width", nullptr,
     kWatermark},
    {"delete-exif", nullptr, "delete EXIF", nullptr, kMeta},
    {"delete-nonoriginal", nullptr, "delete non-original metadata", nullptr, kMeta},
    {"delete-comment", nullptr, "delete the comment", nullptr, kMeta},
    {"comment", "TEXT", "set the comment", nullptr, kMeta},
    {"pure", nullptr, "strip to a bare JPEG", nullptr, kMeta},
    {"shift-hours", "N", "shift the shooting time", nullptr, kMeta},
};

bool takenBy(const OptionEntry& option, const QString& command) {
    if (!option.commands || option.commands == kEveryCommand)
        return false;
    return QString::fromUtf8(option.commands).split(QLatin1Char(' ')).contains(command);
}

// "--out DIR" or "-q/--quiet", as the usage names the common options.
QString usageName(const OptionEntry& option) {
    QString text = QStringLiteral("--") + QString::fromUtf8(option.name);
    if (option.shortName)
        text.prepend(QStringLiteral("-%1/").arg(QString::fromUtf8(option.shortName)));
    if (option.valueName)
        text += QLatin1Char(' ') + QString::fromUtf8(option.valueName);
    return text;
}

// One line per option, "  -q, --quiet" or "      --bound <N>" and its help in a column.
QString optionLines(const QStringList& names) {
    QStringList heads;
    for (const QString& name : names) {
        const OptionEntry& option = *findOption(name);
        QString head = option.shortName
                           ? QStringLiteral("  -%1, ").arg(QString::fromUtf8(option.shortName))
                           : QStringLiteral("      ");
        head += QStringLiteral("--") + QString::fromUtf8(option.name);
        if (option.valueName)
            head += QStringLiteral(" <%1>").arg(QString::fromUtf8(option.valueName));
        heads << head;
    }
    qsizetype width = 0;
    for (const QString& head : heads)
        width = std::max(width, head.size());
    QString out;
    for (qsizetype i = 0; i < names.size(); ++i) {
        out += heads[i].leftJustified(width + 2) + QString::fromUtf8(findOption(names[i])->help) +
               QLatin1Char('\n');
    }
    return out;
}

// A paragraph broken into lines of at most 79 characters.
QString wrapped(const QString& paragraph) {
    QString out, line;
    for (const QString& word : paragraph.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
        if (!line.isEmpty() && line.size() + 1 + word.size() > 79) {
            out += line + QLatin1Char('\n');
            line.clear();
        }
        line += (line.isEmpty() ? QString() : QStringLiteral(" ")) + word;
    }
    return out + line + QLatin1Char('\n');
}

}  // namespace

std::span<const OptionEntry> optionTable() {
    return kOptions;
}

const OptionEntry* findOption(const QString& name) {
    for (const OptionEntry& option : kOptions) {
        if (name == QLatin1String(option.name))
            return &option;
    }
    return nullptr;
}

const QMap<QString, QStringList>& commandOptions() {
    static const QMap<QString, QStringList> options = [] {
        QMap<QString, QStringList> made;
        for (const CommandEntry& command : commandTable()) {
            QStringList& names = made[QString::fromUtf8(command.name)];
            for (const OptionEntry& option : kOptions) {
                if (takenBy(option, QString::fromUtf8(command.name)))
                    names << QString::fromUtf8(option.name);
            }
        }
        return made;
    }();
    return options;
}

const QStringList& commonOptionNames() {
    static const QStringList names = [] {
        QStringList made;
        for (const OptionEntry& option : kOptions) {
            if (option.commands == kEveryCommand)
                made << QString::fromUtf8(option.name);
        }
        return made;
    }();
    return names;
}

QString CommandLine::usageText() {
    QStringList commands, common;
    for (const CommandEntry& command : commandTable())
        commands << QString::fromUtf8(command.name);
    for (const QString& name : commonOptionNames())
        common << usageName(*findOption(name));
    return QStringLiteral(
               "Usage: pixmill-cli COMMAND [OPTIONS] FOLDER\n"
               "       pixmill-cli info FILE\n"
               "       pixmill-cli --help | --version\n"
               "Commands: %1\n"
               "Common options: %2\n"
               "Output is UTF-8: in --json lines and info lines, each byte of a file name or EXIF "
               "text\n"
               "that is not part of valid UTF-8 is written as the escape \\udcXX (XX the byte in "
               "hex),\n"
               "which no UTF-8 text produces, so the original bytes can be restored; numbers are\n"
               "written as the shortest decimal that reads back as the same value.\n")
        .arg(commands.join(QStringLiteral(", ")), common.join(QStringLiteral(", ")));
}

QString CommandLine::commandHelp(const QString& name) {
    const CommandEntry* command = findCommand(name);
    if (!command)
        return usageText();
    QString out = QStringLiteral("Usage: pixmill-cli %1 [OPTIONS] %2\n\n%3")
                      .arg(name, QString::fromUtf8(command->argument),
                           wrapped(QString::fromUtf8(command->summary)));
    if (!commandOptions()[name].isEmpty())
        out += QStringLiteral("\nOptions:\n") + optionLines(commandOptions()[name]);
    out += QStringLiteral("\nCommon options:\n") +
           optionLines(commonOptionNames() + QStringList{QStringLiteral("help")});
    return out;
}

CommandLine::CommandLine() {
    parser_.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    for (const OptionEntry& option : kOptions) {
        QStringList names{option.name};
        if (option.shortName)
            names.prepend(option.shortName);
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
        const QStringList words = parser_.positionalArguments();
        if (!words.isEmpty() && findCommand(words.front())) {
            std::fputs(commandHelp(words.front()).toUtf8().constData(), stdout);
            return kExitOk;
        }
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
    if (!findCommand(command_)) {
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
