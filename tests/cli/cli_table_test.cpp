// pixmill-cli's command and option tables against the batch table, and each command's --help.
#include <gtest/gtest.h>

#include <QProcess>
#include <QRegularExpression>

#include "cli/cli_options.h"
#include "cli/commands.h"
#include "engine/batch/batch_table.h"

namespace pixmill::cli {
namespace {

// The options a help text lists, from lines "  -q, --quiet  ..." or "      --bound <N>  ...".
QStringList listedOptions(const QString& help) {
    static const QRegularExpression line(QStringLiteral("^  (?:-[a-z], |    )--([a-z-]+)"),
                                         QRegularExpression::MultilineOption);
    QStringList names;
    for (auto match = line.globalMatch(help); match.hasNext();)
        names << match.next().captured(1);
    return names;
}

TEST(CliTableTest, EachCommandsHelpListsExactlyItsOwnAndTheCommonOptions) {
    for (const CommandEntry& command : commandTable()) {
        const QString name = QString::fromUtf8(command.name);
        SCOPED_TRACE(name.toStdString());
        const QString help = CommandLine::commandHelp(name);
        EXPECT_TRUE(help.startsWith(
            QStringLiteral("Usage: pixmill-cli %1 [OPTIONS] %2\n").arg(name, command.argument)));
        EXPECT_EQ(QString(help).replace('\n', ' ').count(QString::fromUtf8(command.summary)), 1);
        EXPECT_EQ(listedOptions(help),
                  commandOptions()[name] + commonOptionNames() + QStringList{"help"});
    }
    const QString resize = CommandLine::commandHelp("resize");
    EXPECT_TRUE(resize.contains(QRegularExpression("--preset <0\\.\\.4> +common size")));
    EXPECT_FALSE(resize.contains("--rule"));
    EXPECT_FALSE(resize.contains("--cw"));
    EXPECT_TRUE(resize.contains(QRegularExpression("  -q, --quiet +no progress output\n")));
}

TEST(CliTableTest, AnOptionNamingSeveralCommandsIsTakenByEachOfThem) {
    // The table's own entries: every command an entry names lists it, and no other does.
    for (const OptionEntry& option : optionTable()) {
        if (!option.commands || option.commands == kEveryCommand)
            continue;
        const QStringList takers = QString::fromUtf8(option.commands).split(' ');
        for (auto command = commandOptions().cbegin(); command != commandOptions().cend();
             ++command) {
            EXPECT_EQ(command.value().contains(option.name), takers.contains(command.key()))
                << option.name << " " << command.key().toStdString();
        }
    }
    EXPECT_EQ(commonOptionNames(), (QStringList{"out", "only", "config", "json", "quiet"}));
    EXPECT_EQ(commandOptions()["meta"],
              (QStringList{"delete-exif", "delete-nonoriginal", "delete-comment", "comment", "pure",
                           "shift-hours"}));
}

TEST(CliTableTest, EveryBatchOperationHasItsCommandAndEverySwitchIsAnOptionOfIt) {
    int switches = 0;
    for (const BatchKindInfo& info : batchTable()) {
        SCOPED_TRACE(info.name);
        ASSERT_NE(findCommand(QString::fromUtf8(info.cliCommand)), nullptr);
        for (const BatchMenuEntry& entry : info.menu) {
            if (!entry.cliSwitch)
                continue;
            ++switches;
            EXPECT_TRUE(commandOptions()[info.cliCommand].contains(entry.cliSwitch))
                << entry.cliSwitch;
        }
    }
    EXPECT_EQ(switches, 10);  // meta's six operations and rotate's four turns
}

TEST(CliTableTest, UsageNamesEveryCommandAndCommonOption) {
    const QString usage = CommandLine::usageText();
    EXPECT_TRUE(
        usage.contains("Commands: scan, info, rename, resize, crop, rotate, watermark, meta\n"));
    EXPECT_TRUE(usage.contains(
        "Common options: --out DIR, --only GLOB, --config DIR, --json, -q/--quiet\n"));
}

// The installed command answers `COMMAND --help` with that command's help alone.
TEST(CliTableTest, CommandHelpFromTheCommandLine) {
    const QString program = QString::fromLocal8Bit(qgetenv("PIXMILL_BIN_DIR")) + "/pixmill-cli";
    for (const QStringList& arguments :
         {QStringList{"resize", "--help"}, QStringList{"--help", "meta"}}) {
        QProcess process;
        process.start(program, arguments);
        ASSERT_TRUE(process.waitForFinished(30000)) << program.toStdString();
        EXPECT_EQ(process.exitCode(), 0);
        const QString command = arguments.contains("meta") ? "meta" : "resize";
        EXPECT_EQ(QString::fromUtf8(process.readAllStandardOutput()),
                  CommandLine::commandHelp(command));
    }
    QProcess general;
    general.start(program, {"--help"});
    ASSERT_TRUE(general.waitForFinished(30000));
    const QString text = QString::fromUtf8(general.readAllStandardOutput());
    EXPECT_TRUE(text.startsWith(CommandLine::usageText()));
    EXPECT_TRUE(text.contains("--rule") && text.contains("--cw"));  // every option
}

}  // namespace
}  // namespace pixmill::cli
