// pixmill-cli: every batch operation of the program over a folder's catalog, without a window.
#include <QCommandLineParser>
#include <QGuiApplication>

#include <cstdio>

#include "engine/app/app_info.h"
#include "engine/platform/diagnostics.h"

int main(int argc, char** argv) {
    // Fonts and painting work without a display on the offscreen platform.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    pixmill::diag::sendStandardOutputToStandardError(true);
    QCommandLineParser parser;
    parser.addHelpOption();
    parser.addVersionOption();
    QCoreApplication::setApplicationVersion(pixmill::kVersionText);
    parser.process(app);
    return 2;
}
