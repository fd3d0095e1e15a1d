// pixmill-cli: every batch operation of the program over a folder's catalog, without a window.
#include <QGuiApplication>
#include <QMap>

#include <functional>

#include "cli/cli_options.h"
#include "cli/commands.h"
#include "engine/app/app_paths.h"
#include "engine/platform/diagnostics.h"

namespace {

using Command = std::function<int(const pixmill::cli::CommandLine&)>;

const QMap<QString, Command>& commands() {
    static const QMap<QString, Command> table = {
        {"scan", pixmill::cli::runScan},
        {"meta", pixmill::cli::runMeta},
    };
    return table;
}

}  // namespace

int main(int argc, char** argv) {
    // Fonts and painting work without a display on the offscreen platform.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication application(argc, argv);
    pixmill::setProgramDirectory(QCoreApplication::applicationDirPath());
    // Standard output carries results only; the engine's diagnostics go to standard error.
    pixmill::diag::sendStandardOutputToStandardError(true);

    pixmill::cli::CommandLine commandLine;
    if (auto status = commandLine.parse(QCoreApplication::arguments())) return *status;
    const auto command = commands().find(commandLine.command());
    if (command == commands().end()) {
        return commandLine.usageError(
            QStringLiteral("unknown command \"%1\"").arg(commandLine.command()));
    }
    return (*command)(commandLine);
}
