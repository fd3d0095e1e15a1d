// pixmill-icons FOLDER SIZE...: writes the application icon, as the program draws it for its
// windows, into FOLDER/SIZExSIZE/apps/pixmill.png for each SIZE (the hicolor theme layout).
#include <QDir>
#include <QGuiApplication>
#include <QImage>

#include <cstdio>
#include <cstdlib>

#include "gui/app/toolbar_icons.h"

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication application(argc, argv);
    const QStringList arguments = QCoreApplication::arguments();
    if (arguments.size() < 3) {
        std::fprintf(stderr, "usage: pixmill-icons FOLDER SIZE...\n");
        return 2;
    }
    for (const QString& sizeText : arguments.mid(2)) {
        bool ok = false;
        const int size = sizeText.toInt(&ok);
        const QString folder = QStringLiteral("%1/%2x%2/apps").arg(arguments[1]).arg(size);
        if (!ok || size < 1 || !QDir().mkpath(folder) ||
            !pixmill::applicationIconImage(size).save(folder + "/pixmill.png", "PNG")) {
            std::fprintf(stderr, "pixmill-icons: cannot write the %s pixel icon into %s\n",
                         qPrintable(sizeText), qPrintable(folder));
            return 1;
        }
    }
    return 0;
}
