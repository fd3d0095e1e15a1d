#pragma once
// The manual page and the bash completion of pixmill-cli, made from the option table that the
// parser itself uses (cli_options.h). The build writes both with pixmill-cli-reference and
// installs them.

#include <QString>
#include <QStringList>

namespace pixmill::cli {

// The commands in the order the manual presents them, each with its one argument.
struct CommandDoc {
    const char* name;
    const char* argument;  // "FOLDER" or "FILE"
    const char* summary;   // one paragraph of plain text
};
QList<CommandDoc> commandDocs();

// Options of the table that belong to no command and are not common (help, version).
QStringList generalOptionNames();

// Commands without a description, and commands that batch operations name (batch_table.h) but
// the command table lacks: both empty when the manual covers every command.
struct ReferenceGaps {
    QStringList undescribed;
    QStringList unknown;
};
ReferenceGaps referenceGaps();

// The manual page in roff (man macros), UTF-8.
QString manualPage();

// A bash script that completes commands, each command's options and the values of options
// that take a folder, a file or one of a few words. Needs no bash-completion helpers.
QString bashCompletion();

}  // namespace pixmill::cli
