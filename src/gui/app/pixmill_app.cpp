#include "gui/app/pixmill_app.h"

#include <QApplication>
#include <QFileInfo>
#include <QLibraryInfo>
#include <QTranslator>

#include <cstdlib>
#include <ctime>
#include <vector>

#include "engine/app/app_info.h"
#include "engine/app/app_paths.h"
#include "engine/catalog/folder_scan.h"
#include "engine/imaging/catalog_thumbnail.h"
#include "engine/imaging/rotate_batch.h"
#include "engine/platform/status.h"
#include "gui/app/main_dialog.h"
#include "gui/app/tool_panels.h"
#include "gui/update/skin_controller.h"
#include "gui/update/update_controller.h"
#include "gui/update/update_menu.h"

namespace pixmill {

std::unique_ptr<QTranslator> installChineseQtTexts() {
    auto translator = std::make_unique<QTranslator>();
    if (!translator->load(QStringLiteral("qtbase_zh_CN"),
                          QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        return nullptr;
    QCoreApplication::installTranslator(translator.get());
    return translator;
}

CPixmillApp::CPixmillApp(const QString& executablePath) : qtTexts_(installChineseQtTexts()) {
    QCoreApplication::setApplicationName(QString::fromUtf8(kShortName));
    QCoreApplication::setOrganizationName(QString::fromUtf8("应用程序向导生成的本地应用程序"));
    std::srand(static_cast<unsigned>(std::time(nullptr)));
    setExecutableDirectory(QFileInfo(executablePath).absolutePath());
    profile_ = SettingsProfile::openDefault();
    settings_ = std::make_unique<AppSettings>(programDirectory(), *profile_);
    // A legacy file that cannot be read leaves the defaults; there is nobody to tell yet.
    (void)settings_->migrateLegacySettings();
    settings_->loadSettings();
}

CPixmillApp::~CPixmillApp() = default;

namespace {

// What the catalog reads photos, draws thumbnails and turns pictures with.
CatalogPlugins catalogPlugins() {
    CatalogPlugins plugins;
    plugins.reader = readPhotoDetails;
    plugins.renderThumbnail = renderCatalogThumbnail;
    plugins.rotateFlip = [](CatalogItem& item, int code) { return rotateFlipItem(item, code); };
    return plugins;
}

// The menu entries of the update check, the share links, help and the daily tip.
void connectUpdateCommands(CMainDlg& window, UpdateController& updates, AppSettings& settings) {
    std::vector<int> commands = {kCommandCheckForUpdate, kCommandOtherWorks,   kCommandHelp,
                                 kCommandWebsite,        kCommandWriteToMaker, kCommandDailyTip};
    for (int id = kCommandShareFirst; id <= kCommandShareLast; ++id)
        commands.push_back(id);
    for (int id : commands) {
        window.setCommandHandler(id, [&window, &updates, &settings, id] {
            runUpdateMenuCommand(id, &window, updates, settings);
        });
    }
}

}  // namespace

int CPixmillApp::run() {
    CMainDlg window(*settings_, catalogPlugins());
    window.setSkinSwitch([](bool on) { applySkin(*qApp, on); });
    installToolPanels(window, *settings_);
    UpdateController updates;
    updates.setTrayIcon(window.trayIcon());
    connectUpdateCommands(window, updates, *settings_);
    processSkinController().applyAtStart(*settings_);

    window.show();
    setStatusText(0, "正在检查是否有最新版本……");
    updates.startUpdateCheck(UpdateCheckMode::Automatic);
    return QApplication::exec();
}

}  // namespace pixmill
