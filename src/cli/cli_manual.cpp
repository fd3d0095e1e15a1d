// The manual page of pixmill-cli. Commands, options and their order come from the option table;
// this file only adds the prose around them.
#include <QRegularExpression>

#include <string>

#include "cli/cli_options.h"
#include "cli/cli_reference.h"
#include "cli/commands.h"
#include "engine/app/app_info.h"
#include "engine/batch/batch_table.h"
#include "engine/rename/tags.h"

namespace pixmill::cli {
namespace {

const char* tagMeaning(Tag tag) {
    switch (tag) {
        case Tag::Number:
            return "sequence number (see --start and --step), zero-padded";
        case Tag::Maker:
            return "camera maker";
        case Tag::Model:
            return "camera model";
        case Tag::PhotoDate:
            return "shooting date";
        case Tag::ShutterSpeed:
            return "shutter speed";
        case Tag::Aperture:
            return "aperture";
        case Tag::Bias:
            return "exposure bias";
        case Tag::Iso:
            return "ISO speed";
        case Tag::Program:
            return "exposure program";
        case Tag::WhiteBalance:
            return "white balance";
        case Tag::Flash:
            return "whether the flash fired";
        case Tag::OriginalName:
            return "the file's original name without its extension";
        case Tag::Md5:
            return "the file's MD5 digest";
    }
    return "";
}

QString dashes(const QString& text) {
    QString out = text;
    return out.replace(QLatin1Char('-'), QLatin1String("\\-"));
}

// Plain text for roff: backslashes escaped, options in bold, no line starting with a control
// character.
QString prose(const QString& text) {
    QString escaped = text;
    escaped.replace(QLatin1Char('\\'), QLatin1String("\\e"));
    escaped.replace(QLatin1String("pixmill-cli"), QLatin1String("pixmill\\-cli"));
    escaped.replace(QLatin1String("=-"), QLatin1String("=\\-"));
    // Option names in bold, with minus signs that copy as typed and no line break inside.
    static const QRegularExpression option(QStringLiteral("(?<![\\w-])--[a-z][a-z-]*"));
    QString out;
    qsizetype done = 0;
    for (auto match = option.globalMatch(escaped); match.hasNext();) {
        const QRegularExpressionMatch found = match.next();
        out += escaped.mid(done, found.capturedStart() - done);
        out += QStringLiteral("\\%\\fB") + dashes(found.captured()) + QStringLiteral("\\fR");
        done = found.capturedEnd();
    }
    out += escaped.mid(done);
    if (out.startsWith(QLatin1Char('.')) || out.startsWith(QLatin1Char('\''))) {
        out.prepend(QLatin1String("\\&"));
    }
    return out;
}

// ".TP" paragraph for one option: "-q, --quiet" or "--out DIR", then its help.
QString optionItem(const OptionEntry& option) {
    QString head = QStringLiteral("\\fB\\-\\-%1\\fR").arg(dashes(QString::fromUtf8(option.name)));
    if (option.shortName) {
        head.prepend(QStringLiteral("\\fB\\-%1\\fR, ").arg(QString::fromUtf8(option.shortName)));
    }
    if (option.valueName) {
        head += QStringLiteral(" \\fI%1\\fR").arg(prose(QString::fromUtf8(option.valueName)));
    }
    return QStringLiteral(".TP\n%1\n%2\n").arg(head, prose(QString::fromUtf8(option.help)));
}

QString optionItems(const QStringList& names) {
    QString out;
    for (const QString& name : names) {
        if (const OptionEntry* option = findOption(name))
            out += optionItem(*option);
    }
    return out;
}

QString headerAndSynopsis() {
    return QStringLiteral(
               ".TH PIXMILL\\-CLI 1 \"\" \"%1 %2\" \"User Commands\"\n"
               ".SH NAME\n"
               "pixmill\\-cli \\- batch image processing over a folder, without a window\n"
               ".SH SYNOPSIS\n"
               ".B pixmill\\-cli\n.I COMMAND\n[\\fIOPTIONS\\fR] \\fIFOLDER\\fR\n.br\n"
               ".B pixmill\\-cli info\n.I FILE\n.br\n"
               ".B pixmill\\-cli\n.I COMMAND\n.B \\-\\-help\n.br\n"
               ".B pixmill\\-cli\n\\fB\\-\\-help\\fR | \\fB\\-\\-version\\fR\n"
               ".SH DESCRIPTION\n"
               "%3\n.PP\n%4\n.PP\n%5\n")
        .arg(QString::fromUtf8(kDisplayName), QString::fromUtf8(kVersionText),
             prose(QStringLiteral(
                 "pixmill-cli runs every batch operation of the Pixmill program over a folder "
                 "without a window, with the same engine, texts and results. The FOLDER is "
                 "catalogued as the program does it (JPEG, PNG and BMP files, in the same "
                 "order, every row ticked); then the command runs as one batch over the ticked "
                 "rows.")),
             prose(QStringLiteral(
                 "Every option that takes a value also takes the --name=value form, which "
                 "negative numbers need (--rect=-300,0,0,0, --shift-hours=-11). The settings "
                 "are read but never written.")),
             prose(QStringLiteral(
                 "Standard output carries results only: the lines of scan, info and --dry-run, "
                 "and the --json objects. Progress texts, diagnostics and failures go to "
                 "standard error.")));
}

QString commandsSection() {
    QString out = QStringLiteral(".SH COMMANDS\n");
    for (const CommandDoc& command : commandDocs()) {
        out += QStringLiteral(".SS \"%1 \\fI%2\\fR\"\n%3\n")
                   .arg(QString::fromUtf8(command.name), QString::fromUtf8(command.argument),
                        prose(QString::fromUtf8(command.summary)));
        out += optionItems(commandOptions().value(QString::fromUtf8(command.name)));
    }
    return out;
}

QString optionSections() {
    return QStringLiteral(".SH COMMON OPTIONS\nEvery command takes these.\n") +
           optionItems(commonOptionNames()) + QStringLiteral(".SH GENERAL OPTIONS\n") +
           optionItems(generalOptionNames());
}

QString tagsSection() {
    QString out = QStringLiteral(
        ".SH RENAME TAGS\nA rename rule is literal text with these tags, each replaced by the "
        "row's value; a name between < and > that is no tag stays literal.\n");
    for (const TagInfo& tag : tagTable()) {
        out += QStringLiteral(".TP\n.B %1\n%2\n")
                   .arg(QString::fromUtf8(tag.text.data(), qsizetype(tag.text.size())),
                        QString::fromUtf8(tagMeaning(tag.tag)));
    }
    return out;
}

QString exitStatusSection() {
    const auto item = [](int status, const char* text) {
        return QStringLiteral(".TP\n.B %1\n%2\n").arg(status).arg(prose(QString::fromUtf8(text)));
    };
    return QStringLiteral(".SH EXIT STATUS\n") +
           item(kExitOk,
                "No worked row failed; also for a folder without pictures and for a batch whose "
                "rows were all unchanged or skipped (skipped rows are named on standard error).") +
           item(kExitFailed,
                "At least one row failed (each is named on standard error), or the batch was "
                "refused: a rename conflict, an output folder equal to the catalogued one, or "
                "nothing ticked for crop, rotate and meta.") +
           item(kExitUsage, "A usage error; the message and the usage go to standard error.") +
           item(kExitMissing, "FOLDER or FILE does not exist or cannot be read.");
}

QString filesAndExamples() {
    const QString name = QString::fromUtf8(kShortName);
    return QStringLiteral(
               ".SH ENVIRONMENT\n.TP\n.B PIXMILL_CONFIG_DIR\n%1\n"
               ".SH FILES\n.TP\n.I ~/.config/%2/%2.conf\n%3\n"
               ".TP\n.I ~/.local/share/%2/out/\n%4\n"
               ".SH EXAMPLES\n"
               "List a folder's catalog:\n.PP\n.RS\n.EX\npixmill\\-cli scan ~/photos\n.EE\n.RE\n"
               ".PP\nResize to 800 pixels into another folder:\n.PP\n.RS\n.EX\n"
               "pixmill\\-cli resize \\-\\-preset 1 \\-\\-out ~/shop ~/photos\n.EE\n.RE\n"
               ".PP\nSee what a rename rule would do:\n.PP\n.RS\n.EX\n"
               "pixmill\\-cli rename \\-\\-rule 'item\\-<no>' \\-\\-dry\\-run ~/photos\n.EE\n.RE\n"
               ".PP\nStamp a red text bottom right, then delete EXIF, reporting as JSON:\n"
               ".PP\n.RS\n.EX\n"
               "pixmill\\-cli watermark \\-\\-text 'my shop' \\-\\-color FF0000 \\-\\-align 8 "
               "~/photos\n"
               "pixmill\\-cli meta \\-\\-delete\\-exif \\-\\-json ~/photos\n.EE\n.RE\n")
        .arg(prose(QStringLiteral("The folder of the settings profile, as --config gives it.")),
             name,
             prose(QStringLiteral("The settings, shared with the program; XDG_CONFIG_HOME moves "
                                  "them.")),
             prose(QStringLiteral("The default output folder of an installed copy, unless the "
                                  "settings name another; XDG_DATA_HOME moves it.")));
}

}  // namespace

QStringList generalOptionNames() {
    QStringList names;
    for (const OptionEntry& option : optionTable()) {
        if (!option.commands)
            names << QString::fromUtf8(option.name);
    }
    return names;
}

QList<CommandDoc> commandDocs() {
    QList<CommandDoc> docs;
    for (const CommandEntry& command : commandTable())
        docs.append(CommandDoc{command.name, command.argument, command.summary});
    return docs;
}

ReferenceGaps referenceGaps() {
    ReferenceGaps gaps;
    for (const CommandEntry& command : commandTable()) {
        if (!command.summary || !*command.summary)
            gaps.undescribed << QString::fromUtf8(command.name);
    }
    // Every batch operation is run by a command of the table.
    for (const BatchKindInfo& info : batchTable()) {
        if (!findCommand(QString::fromUtf8(info.cliCommand)))
            gaps.unknown << QString::fromUtf8(info.cliCommand);
    }
    return gaps;
}

QString manualPage() {
    return headerAndSynopsis() + commandsSection() + optionSections() + tagsSection() +
           exitStatusSection() + filesAndExamples();
}

}  // namespace pixmill::cli
