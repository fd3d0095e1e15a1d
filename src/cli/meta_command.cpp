// meta: change JPEG metadata in place, one operation per run.
#include "cli/cli_session.h"
#include "cli/commands.h"
#include "engine/batch/metadata_job.h"

namespace pixmill::cli {

int runMeta(const CommandLine& commandLine) {
    struct Choice {
        const char* option;
        BatchKind kind;
    };
    static const Choice kChoices[] = {
        {"delete-exif", BatchKind::DeleteExif},   {"delete-nonoriginal", BatchKind::DeleteNonOriginal},
        {"delete-comment", BatchKind::DeleteComment}, {"comment", BatchKind::AddComment},
        {"pure", BatchKind::PureJpeg},            {"shift-hours", BatchKind::ShiftTime},
    };
    const Choice* chosen = nullptr;
    for (const Choice& choice : kChoices) {
        if (!commandLine.isSet(choice.option)) continue;
        if (chosen) return commandLine.usageError("meta takes exactly one operation");
        chosen = &choice;
    }
    if (!chosen) return commandLine.usageError("meta needs one of --delete-exif, "
                                               "--delete-nonoriginal, --delete-comment, "
                                               "--comment TEXT, --pure, --shift-hours N");
    MetadataParams params;
    if (chosen->kind == BatchKind::AddComment) params.commentText = commandLine.value("comment").toStdString();
    if (chosen->kind == BatchKind::ShiftTime) {
        const auto hours = commandLine.intValue("shift-hours", 0);
        if (!hours) return kExitUsage;
        params.shiftHours = *hours;
    }

    CliSession session(commandLine);
    if (int status = session.open(); status != kExitOk) return status;
    return session.runBatch(makeMetadataJob(chosen->kind, params), false);
}

}  // namespace pixmill::cli
