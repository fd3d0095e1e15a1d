// pixmill-cli: every batch operation of the program over a folder's catalog, without a window.
#include <QGuiApplication>

#include <memory>

#include <cstdio>
#include <cstdlib>

#include "cli/cli_options.h"
#include "cli/commands.h"
#include "engine/app/app_paths.h"
#include "engine/platform/diagnostics.h"
#include "engine/platform/native_path.h"

namespace {

// Qt's own chatter about the session (no runtime folder when run from a service or CI) is not
// a result or a diagnostic of ours.
void quietQtMessages(QtMsgType type, const QMessageLogContext&, const QString& message) {
    if (type != QtFatalMsg && message.startsWith(QLatin1String("QStandardPaths:")))
        return;
    std::fprintf(stderr, "%s\n", message.toLocal8Bit().constData());
    if (type == QtFatalMsg)
        std::abort();
}

}  // namespace

int main(int argc, char** argv) {
    // Fonts and painting work without a display on the offscreen platform.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    qInstallMessageHandler(quietQtMessages);
    // Only a command that draws pays for the GUI application (platform plugin, font database).
    const pixmill::cli::CommandEntry* named =
        argc > 1 ? pixmill::cli::findCommand(QString::fromUtf8(argv[1])) : nullptr;
    std::unique_ptr<QCoreApplication> application;
    if (named && !named->draws)
        application = std::make_unique<QCoreApplication>(argc, argv);
    else
        application = std::make_unique<QGuiApplication>(argc, argv);
    pixmill::setExecutableDirectory(QCoreApplication::applicationDirPath());
    // Standard output carries results only; the engine's diagnostics go to standard error.
    pixmill::diag::sendStandardOutputToStandardError(true);

    pixmill::cli::CommandLine commandLine;
    // From argv itself: a folder name that is not valid UTF-8 keeps its bytes (native_path.h).
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << pixmill::pathFromBytes(argv[i]);
    if (auto status = commandLine.parse(arguments))
        return *status;
    const pixmill::cli::CommandEntry* command = pixmill::cli::findCommand(commandLine.command());
    if (!command) {
        return commandLine.usageError(
            QStringLiteral("unknown command \"%1\"").arg(commandLine.command()));
    }
    return command->run(commandLine);
}
