// pixmill: the desktop program.
#include <QApplication>

#include "gui/app/pixmill_app.h"

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    pixmill::CPixmillApp pixmill(QCoreApplication::applicationFilePath());
    return pixmill.run();
}
