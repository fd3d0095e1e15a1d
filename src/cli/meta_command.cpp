// meta: change JPEG metadata in place, one operation per run.
#include "cli/cli_session.h"
#include "cli/commands.h"
#include "engine/jpegmeta/metadata_operation.h"

namespace pixmill::cli {

int runMeta(const CommandLine& commandLine) {
    const std::vector<OperationSwitch> chosen = chosenOperations(commandLine, "meta");
    if (chosen.size() > 1)
        return commandLine.usageError("meta takes exactly one operation");
    if (chosen.empty())
        return commandLine.usageError(
            "meta needs one of --delete-exif, "
            "--delete-nonoriginal, --delete-comment, "
            "--comment TEXT, --pure, --shift-hours N");
    const BatchKind kind = chosen.front().kind;
    jpegmeta::MetadataParams params;
    if (kind == BatchKind::AddComment)
        params.commentText = commandLine.value("comment").toStdString();
    if (kind == BatchKind::ShiftTime) {
        const auto hours = commandLine.intValue("shift-hours", 0);
        if (!hours)
            return kExitUsage;
        params.shiftHours = *hours;
    }

    CliSession session(commandLine);
    if (int status = session.open(); status != kExitOk)
        return status;
    return session.runBatch(jpegmeta::makeMetadataJob(kind, params));
}

}  // namespace pixmill::cli
