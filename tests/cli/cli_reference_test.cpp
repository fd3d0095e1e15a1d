// pixmill-cli's manual page and bash completion against the option table and the parser.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QSet>

#include <filesystem>

#include "cli/cli_options.h"
#include "cli/cli_reference.h"
#include "support/temp_dir.h"

namespace pixmill::cli {
namespace {

// The head of an option's item: ".TP" and "--name" or "-n, --name" in bold.
bool hasItem(const QString& section, const char* name) {
    const QString dashed = QString::fromUtf8(name).replace("-", "\\\\-");
    const QRegularExpression head(
        QStringLiteral("^\\.TP\n(\\\\fB\\\\-[a-z]\\\\fR, )?\\\\fB\\\\-\\\\-%1\\\\fR").arg(dashed),
        QRegularExpression::MultilineOption);
    return head.match(section).hasMatch();
}

// The part of the manual from `start` up to the next heading of either level.
QString sectionOf(const QString& page, const QString& start) {
    const qsizetype from = page.indexOf(start);
    if (from < 0)
        return {};
    qsizetype to = page.size();
    for (const char* heading : {"\n.SS ", "\n.SH "}) {
        const qsizetype next = page.indexOf(QLatin1String(heading), from + 1);
        if (next >= 0)
            to = std::min(to, next);
    }
    return page.mid(from, to - from);
}

// Which options of the table have an item in `section`.
QStringList itemsIn(const QString& section) {
    QStringList names;
    for (const OptionEntry& option : optionTable()) {
        if (hasItem(section, option.name))
            names << QString::fromUtf8(option.name);
    }
    return names;
}

bool takesValue(const QString& name) {
    for (const OptionEntry& option : optionTable()) {
        if (name == QLatin1String(option.name))
            return option.valueName != nullptr;
    }
    return false;
}

QStringList sorted(QStringList list) {
    list.sort();
    return list;
}

TEST(CliReferenceTest, ManualListsEachCommandWithExactlyItsOptions) {
    const ReferenceGaps gaps = referenceGaps();
    EXPECT_TRUE(gaps.undescribed.isEmpty()) << gaps.undescribed.join(' ').toStdString();
    EXPECT_TRUE(gaps.unknown.isEmpty()) << gaps.unknown.join(' ').toStdString();
    const QString page = manualPage();
    for (auto command = commandOptions().cbegin(); command != commandOptions().cend(); ++command) {
        const QString section = sectionOf(page, QStringLiteral(".SS \"%1 ").arg(command.key()));
        ASSERT_FALSE(section.isEmpty()) << command.key().toStdString();
        EXPECT_EQ(sorted(itemsIn(section)), sorted(command.value())) << command.key().toStdString();
    }
    EXPECT_EQ(sorted(itemsIn(sectionOf(page, ".SH COMMON OPTIONS"))), sorted(commonOptionNames()));
    EXPECT_EQ(sorted(itemsIn(sectionOf(page, ".SH GENERAL OPTIONS"))),
              sorted(QStringList{"help", "version"}));
    EXPECT_TRUE(page.contains(".TP\n\\fB\\-q\\fR, \\fB\\-\\-quiet\\fR\nno progress output\n"));
    for (int status : {kExitOk, kExitFailed, kExitUsage, kExitMissing}) {
        EXPECT_TRUE(
            sectionOf(page, ".SH EXIT STATUS").contains(QStringLiteral(".B %1\n").arg(status)));
    }
    EXPECT_TRUE(sectionOf(page, ".SH RENAME TAGS").contains(".B <originalname>\n"));
}

TEST(CliReferenceTest, ManualFormatsWithoutWarnings) {
    testing::TempDir folder;
    QFile file(QString::fromStdString(folder.file("pixmill-cli.1")));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(manualPage().toUtf8());
    file.close();
    QProcess man;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("LC_ALL", "C.UTF-8");
    environment.insert("MANWIDTH", "80");
    man.setProcessEnvironment(environment);
    man.start("man", {"--warnings=w", "-l", file.fileName()});
    ASSERT_TRUE(man.waitForFinished(30000)) << "man (man-db) is needed: scripts/install-deps.sh";
    EXPECT_EQ(man.exitCode(), 0);
    EXPECT_EQ(man.readAllStandardError().toStdString(), "");
    const QString text = QString::fromUtf8(man.readAllStandardOutput());
    EXPECT_TRUE(text.contains("pixmill-cli COMMAND [OPTIONS] FOLDER"));
    EXPECT_TRUE(text.contains("--shift-hours=-11"));
    EXPECT_TRUE(text.contains("pixmill-cli rename --rule 'item-<no>' --dry-run ~/photos"));
}

// Runs the completion for the words of `line` (the last one being completed) in `folder`.
QStringList complete(const QString& script, const QStringList& line, const QString& folder) {
    QStringList quoted;
    for (const QString& word : line)
        quoted << "'" + word + "'";
    QProcess bash;
    bash.setWorkingDirectory(folder);
    bash.start("bash", {"-c", QStringLiteral(". '%1'; COMP_WORDS=(pixmill-cli %2); "
                                             "COMP_CWORD=%3; _pixmill_cli; "
                                             "printf '%s\\n' \"${COMPREPLY[@]}\"")
                                  .arg(script, quoted.join(' '))
                                  .arg(line.size())});
    if (!bash.waitForFinished(30000))
        return {"bash did not finish"};
    QStringList words =
        QString::fromUtf8(bash.readAllStandardOutput()).split('\n', Qt::SkipEmptyParts);
    words.sort();
    return words;
}

class CliCompletionTest : public ::testing::Test {
  protected:
    void SetUp() override {
        folder.write("completion.bash", bashCompletion().toStdString());
        std::filesystem::create_directory(folder.path() / "photos");
        folder.write("layout.wm", "x");
    }
    QString script() const { return QString::fromStdString(folder.file("completion.bash")); }
    QString here() const { return QString::fromStdString(folder.folder()); }

    testing::TempDir folder;
};

TEST_F(CliCompletionTest, OffersEachCommandTheOptionsTheParserAccepts) {
    EXPECT_EQ(complete(script(), {""}, here()), sorted(commandOptions().keys()));
    EXPECT_EQ(complete(script(), {"--"}, here()), (QStringList{"--help", "--version"}));
    for (auto command = commandOptions().cbegin(); command != commandOptions().cend(); ++command) {
        QStringList expected{"--help"};
        for (const QString& name : command.value() + commonOptionNames())
            expected << "--" + name;
        const QStringList offered = complete(script(), {command.key(), "--"}, here());
        EXPECT_EQ(offered, sorted(expected)) << command.key().toStdString();
        for (const QString& option : offered) {
            if (option == "--help")
                continue;
            CommandLine parser;
            const QString argument = takesValue(option.mid(2)) ? option + "=1" : option;
            EXPECT_EQ(parser.parse({"pixmill-cli", command.key(), argument, "photos"}),
                      std::nullopt)
                << command.key().toStdString() << " " << option.toStdString();
        }
    }
    CommandLine parser;
    EXPECT_EQ(parser.parse({"pixmill-cli", "crop", "--bound=1", "photos"}), kExitUsage);
}

TEST_F(CliCompletionTest, CompletesValuesByWhatTheOptionTakes) {
    EXPECT_EQ(complete(script(), {"resize", "--out", ""}, here()), QStringList{"photos"});
    EXPECT_EQ(complete(script(), {"resize", "--out", "=", ""}, here()), QStringList{"photos"});
    EXPECT_EQ(complete(script(), {"watermark", "--layout", "la"}, here()),
              QStringList{"layout.wm"});
    EXPECT_EQ(complete(script(), {"rename", "--case", ""}, here()),
              (QStringList{"keep", "lower", "upper"}));
    EXPECT_EQ(complete(script(), {"resize", "--bound", ""}, here()), QStringList{});
    // After an option's value the command's own argument: a folder, or a file for info.
    EXPECT_EQ(complete(script(), {"--config", "photos", "resize", ""}, here()),
              QStringList{"photos"});
    EXPECT_EQ(complete(script(), {"info", "lay"}, here()), QStringList{"layout.wm"});
}

}  // namespace
}  // namespace pixmill::cli
