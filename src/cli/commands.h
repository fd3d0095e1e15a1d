#pragma once
// The commands of pixmill-cli, each turning its options into one engine call or batch. The
// table below is the one list of commands: the parser, the usage, the manual page and the
// completion read it; each batch operation's command is named in its batch table entry
// (engine/batch/batch_table.h).

#include <span>
#include <vector>

#include "cli/cli_options.h"
#include "engine/batch/batch_table.h"
#include "engine/imaging/output_format.h"

namespace pixmill::cli {

struct CommandEntry {
    const char* name;
    const char* argument;  // "FOLDER" or "FILE"
    const char* summary;   // one paragraph of plain text, for the manual and --help
    int (*run)(const CommandLine& commandLine);
    // Whether the command draws (text, canvases): it then needs the GUI application and its
    // fonts; the others start on a plain core application, which loads no platform plugin.
    bool draws = true;
};

// Every command, in the order the manual presents them.
std::span<const CommandEntry> commandTable();
const CommandEntry* findCommand(const QString& name);

// An operation that a command picks by one of its switches (meta --delete-exif, rotate --cw):
// the batch table's kind and menu entry carrying that switch.
struct OperationSwitch {
    BatchKind kind;
    const BatchMenuEntry* entry;
};
// The switches of `command` that the command line has set, in the batch table's order.
std::vector<OperationSwitch> chosenOperations(const CommandLine& commandLine, const char* command);

int runScan(const CommandLine& commandLine);
int runInfo(const CommandLine& commandLine);
int runMeta(const CommandLine& commandLine);
int runRename(const CommandLine& commandLine);
int runWatermark(const CommandLine& commandLine);
int runResize(const CommandLine& commandLine);
int runCrop(const CommandLine& commandLine);
int runRotate(const CommandLine& commandLine);

// --format, --quality and --max-kb of resize, crop and watermark; nullopt after a usage error
// has been printed.
std::optional<OutputOptions> outputOptions(const CommandLine& commandLine);

}  // namespace pixmill::cli
