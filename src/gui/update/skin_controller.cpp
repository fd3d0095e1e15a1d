#include "gui/update/skin_controller.h"

#include <QApplication>
#include <QMessageBox>

#include "engine/app/app_info.h"
#include "engine/app/app_paths.h"
#include "engine/app/app_settings.h"
#include "engine/update/fixed_addresses.h"
#include "gui/controls/user_prompter.h"

namespace pixmill {

SkinController::SkinController(QObject* parent)
    : QObject(parent),
      programDir_(programDirectory()),
      userDataDir_(userDataDirectory()),
      bases_({fixedAddress(FixedAddress::SkinBase1), fixedAddress(FixedAddress::SkinBase2)}) {}

QStringList SkinController::skinFolders() const {
    QStringList folders{skinFolderOf(programDir_)};
    const QString writable = writableSubfolderOf(programDir_, QStringLiteral("skin"));
    if (!folders.contains(writable))
        folders << writable;
    const QString user = skinFolderOf(userDataDir_);
    if (!folders.contains(user))
        folders << user;
    return folders;
}

void SkinController::applyAtStart(const AppSettings& settings) {
    if (settings.useSkin == 0)
        return;
    if (!attach())
        startDownload();
}

bool SkinController::attach() {
    for (const QString& folder : skinFolders()) {
        if (!skinFilesPresent(folder))
            continue;
        SkinLibrary& library = processSkinLibrary();
        if (!library.load(folder + kSkinLibraryFile))
            continue;
        attached_ = library.attach(folder + kSkinStyleFile) == 0;
        return attached_;
    }
    return false;
}

void SkinController::detach() {
    // Only a library that loaded and exports SkinH_Detach is asked.
    if (processSkinLibrary().isLoaded())
        processSkinLibrary().detach();
    attached_ = false;
}

void SkinController::startDownload() {
    if (isDownloading())
        return;
    downloadPending_ = true;
    const QString folder = writableSubfolderOf(programDir_, QStringLiteral("skin"));
    downloader_.start(bases_, folder,
                      [this](const SkinDownloadOutcome& outcome) { onDownloaded(outcome); });
}

void SkinController::onDownloaded(const SkinDownloadOutcome& outcome) {
    downloadPending_ = false;
    if (!outcome.refusedBases.isEmpty()) {
        const QString text =
            QStringLiteral("为了安全，皮肤库只通过 HTTPS 下载。已拒绝以下地址：\n%1")
                .arg(outcome.refusedBases.join(QLatin1Char('\n')));
        if (reportRefusal_) {
            reportRefusal_(text);
        } else {
            showPlainMessage(nullptr, QMessageBox::Warning, QString::fromUtf8(kDisplayName), text);
        }
    }
    if (!outcome.ready) {
        Q_EMIT skinDownloadFailed();
        return;
    }
    attach();
    Q_EMIT skinReady();
}

SkinController& processSkinController() {
    static SkinController* controller = new SkinController(qApp);
    return *controller;
}

void applySkin(QApplication& app, bool on) {
    Q_UNUSED(app);
    SkinController& skin = processSkinController();
    if (!on) {
        skin.detach();
    } else if (!skin.attach()) {
        skin.startDownload();
    }
}

}  // namespace pixmill
