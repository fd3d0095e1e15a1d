// The skin library: attaching reads a skin file (a Qt style sheet) and applies it to the whole
// application; detaching gives back the look the application had before. Both must be called
// on the GUI thread of a QApplication.
//
// Result codes: 0 success, 1 no skin file named, 2 no QApplication runs, 3 the skin file
// cannot be read, 4 the skin file is empty or too large.

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace {

constexpr qint64 kMaxSkinFileBytes = 4 * 1024 * 1024;

bool g_attached = false;
QString g_previousStyleSheet;

QApplication* application() {
    return qobject_cast<QApplication*>(QCoreApplication::instance());
}

}  // namespace

extern "C" __attribute__((visibility("default"))) int SkinH_AttachEx(const char* skinFileUtf8,
                                                                     int reserved) {
    (void)reserved;
    if (skinFileUtf8 == nullptr || *skinFileUtf8 == '\0')
        return 1;
    QApplication* app = application();
    if (app == nullptr)
        return 2;
    const QString path = QString::fromUtf8(skinFileUtf8);
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return 3;
    if (file.size() == 0 || file.size() > kMaxSkinFileBytes)
        return 4;
    const QByteArray sheet = file.readAll();
    if (sheet.isEmpty())
        return 3;
    // Pictures of the skin are addressed as "skin:name.png", from the skin file's folder.
    QDir::setSearchPaths(QStringLiteral("skin"), {QFileInfo(path).absolutePath()});
    if (!g_attached)
        g_previousStyleSheet = app->styleSheet();
    app->setStyleSheet(QString::fromUtf8(sheet));
    g_attached = true;
    return 0;
}

extern "C" __attribute__((visibility("default"))) int SkinH_Detach(void) {
    if (!g_attached)
        return 0;
    QApplication* app = application();
    if (app == nullptr)
        return 2;
    app->setStyleSheet(g_previousStyleSheet);
    g_previousStyleSheet.clear();
    g_attached = false;
    return 0;
}
