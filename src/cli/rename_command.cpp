// rename: the two-pass rename of the ticked rows, or with --dry-run the names it would give.
#include <cstdio>

#include "cli/cli_session.h"
#include "cli/commands.h"
#include "engine/platform/native_path.h"
#include "engine/rename/rename_batch.h"

namespace pixmill::cli {
namespace {

int printDryRun(CliSession& session, const RenameParams& params) {
    std::vector<WorkedRow> rows;
    for (const TickedRow& ticked : session.model().tickedRows()) {
        rows.push_back(WorkedRow{ticked.row, ticked.copy});
    }
    BatchEnvironment environment;
    environment.currentFolder = pathBytes(session.model().currentFolder());
    environment.catalogRows = session.model().rowCount();
    const RenamePlan plan = dryRunRename(params, rows, environment);
    for (const RenamePlanEntry& entry : plan.entries) {
        std::printf("%s\t%s\n", entry.oldName.c_str(), entry.finalName.c_str());
    }
    std::fflush(stdout);
    return plan.refused() ? session.refuse(plan.refusal) : kExitOk;
}

}  // namespace

int runRename(const CommandLine& commandLine) {
    if (commandLine.isSet("undo")) {
        CliSession session(commandLine);
        if (int status = session.open(); status != kExitOk)
            return status;
        const Result<> undone = undoLastRename(pathBytes(session.model().currentFolder()));
        return undone ? kExitOk : session.refuse(undone.message());
    }
    RenameParams params;
    if (commandLine.isSet("rule"))
        params.rule = commandLine.value("rule").toStdString();
    const auto start = commandLine.intValue("start", 1);
    const auto step = commandLine.intValue("step", 1);
    if (!start || !step)
        return kExitUsage;
    params.start = *start;
    params.increment = *step;
    const QString textCase = commandLine.isSet("case") ? commandLine.value("case") : "lower";
    if (textCase == "keep") {
        params.extensionCase = ExtensionCase::Keep;
    } else if (textCase == "lower") {
        params.extensionCase = ExtensionCase::Lower;
    } else if (textCase == "upper") {
        params.extensionCase = ExtensionCase::Upper;
    } else {
        return commandLine.usageError("--case takes keep, lower or upper");
    }

    CliSession session(commandLine);
    if (int status = session.open(); status != kExitOk)
        return status;
    if (commandLine.isSet("dry-run")) {
        return session.model().rowCount() == 0 ? kExitOk : printDryRun(session, params);
    }
    return session.runBatch(makeRenameJob(params));
}

}  // namespace pixmill::cli
