#pragma once
// The command line of pixmill-cli: one parser for every command, each command accepting only
// its own options besides the common ones. Usage errors exit with status 2.

#include <QCommandLineParser>
#include <QMap>
#include <QString>
#include <QStringList>

#include <optional>
#include <span>

namespace pixmill::cli {

// One option of the table behind the parser. The parser, the usage, each command's --help,
// the manual page and the shell completion (cli_reference.h) are all made from this table, so
// none of them can drift. Adding an option to a command is one entry here: its name, value,
// help and the commands that take it.
struct OptionEntry {
    const char* name;
    const char* valueName;  // none for a switch
    const char* help;
    const char* shortName = nullptr;
    // The commands that take it, separated by spaces ("resize crop watermark"); kEveryCommand
    // for the common options; none for the general ones (--help, --version).
    const char* commands = nullptr;
};
inline constexpr const char* kEveryCommand = "*";

// Every option, in table order.
std::span<const OptionEntry> optionTable();
// The option of that name, or null.
const OptionEntry* findOption(const QString& name);
// Each command with the options it takes besides the common ones, in table order.
const QMap<QString, QStringList>& commandOptions();
// The options every command takes.
const QStringList& commonOptionNames();

enum ExitStatus : int {
    kExitOk = 0,
    kExitFailed = 1,  // a worked row failed, or the batch was refused
    kExitUsage = 2,
    kExitMissing = 3,  // FOLDER or FILE does not exist or cannot be read
};

struct CommonOptions {
    QString target;  // FOLDER, or FILE for info
    QString outDir;
    QStringList only;
    QString configDir;
    bool json = false;
    bool quiet = false;
};

class CommandLine {
  public:
    CommandLine();

    // Parses argv; on a usage error prints the message and the usage on stderr and returns the
    // exit status to end with. --help and --version are answered here (status 0).
    std::optional<int> parse(const QStringList& arguments);

    const QString& command() const { return command_; }
    const CommonOptions& common() const { return common_; }
    bool isSet(const QString& name) const { return parser_.isSet(name); }
    QString value(const QString& name) const { return parser_.value(name); }
    QStringList values(const QString& name) const { return parser_.values(name); }

    // A usage error found by a command: prints it with the usage; returns kExitUsage.
    int usageError(const QString& message) const;
    // An integer option; a usage error (nullopt after printing) when it is not a number.
    std::optional<int> intValue(const QString& name, int defaultValue) const;

    static QString usageText();
    // What `pixmill-cli COMMAND --help` prints: the command's synopsis and summary, its own
    // options, then the common ones.
    static QString commandHelp(const QString& command);

  private:
    QCommandLineParser parser_;
    QString command_;
    CommonOptions common_;
};

}  // namespace pixmill::cli
