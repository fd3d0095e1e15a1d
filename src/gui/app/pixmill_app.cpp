#include "gui/app/pixmill_app.h"

#include <QApplication>
#include <QFileInfo>

#include <cstdlib>
#include <ctime>

#include "engine/app/app_info.h"
#include "engine/app/app_paths.h"
#include "gui/app/main_dialog.h"

namespace pixmill {

CPixmillApp::CPixmillApp(const QString& executablePath) {
    QCoreApplication::setApplicationName(QString::fromUtf8(kShortName));
    QCoreApplication::setOrganizationName(QString::fromUtf8("应用程序向导生成的本地应用程序"));
    std::srand(static_cast<unsigned>(std::time(nullptr)));
    setProgramDirectory(QFileInfo(executablePath).absolutePath());
    profile_ = SettingsProfile::openDefault();
    settings_ = std::make_unique<AppSettings>(programDirectory(), *profile_);
    settings_->migrateLegacySettings();
    settings_->loadSettings();
}

namespace {

// What the catalog reads photos, draws thumbnails and turns pictures with. The JPEG metadata
// engine's readPhotoDetails, the imaging engine's renderCatalogThumbnail and rotateFlipItem
// go here; until then photos are listed without details, thumbnails come from the catalog's
// own scaled reader and the rotate and flip entries are greyed.
CatalogPlugins catalogPlugins() {
    return CatalogPlugins{};
}

}  // namespace

int CPixmillApp::run() {
    CMainDlg window(*settings_, catalogPlugins());
    window.show();
    return QApplication::exec();
}

}  // namespace pixmill
