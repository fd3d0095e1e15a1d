#include "gui/update/update_controller.h"

#include <QFile>
#include <QFileInfo>
#include <QMessageBox>
#include <QProcess>
#include <QStandardPaths>
#include <QSystemTrayIcon>
#include <QWidget>

#include "engine/app/app_info.h"
#include "engine/app/app_paths.h"
#include "engine/platform/status.h"
#include "engine/update/address_opener.h"
#include "engine/update/fixed_addresses.h"
#include "engine/update/menu_links.h"
#include "engine/update/update_install.h"
#include "gui/controls/user_prompter.h"
#include "gui/update/http_download_dlg.h"

namespace pixmill {

QString updatePromptCaption() {
    return QString::fromUtf8(kShortName) + QStringLiteral(" 更新提示：");
}

QString updatePromptText(const QString& version) {
    return QStringLiteral(
               "发现新版本：v%1，点“是”自动更新，点“否”打开网页下载，点“取消”不做任何操作")
        .arg(version);
}

UpdateChoice UpdateUi::askToUpdate(QWidget* owner, const QString& version) {
    QMessageBox box(QMessageBox::Information, updatePromptCaption(), updatePromptText(version),
                    QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel, owner);
    // The version comes from the feed: never read as markup.
    box.setTextFormat(Qt::PlainText);
    switch (box.exec()) {
        case QMessageBox::Yes:
            return UpdateChoice::Yes;
        case QMessageBox::No:
            return UpdateChoice::No;
        default:
            return UpdateChoice::Cancel;
    }
}

void UpdateUi::inform(QWidget* owner, const QString& text) {
    showPlainMessage(owner, QMessageBox::Information, QString::fromUtf8(kDisplayName), text);
}

void UpdateUi::warn(QWidget* owner, const QString& text) {
    showPlainMessage(owner, QMessageBox::Warning, QString::fromUtf8(kDisplayName), text);
}

void UpdateUi::trayBalloon(const QString& text) {
    if (tray_)
        tray_->showMessage(QString::fromUtf8(kDisplayName), text, QSystemTrayIcon::Information);
}

bool UpdateUi::download(QWidget* owner, const QString& address, const QString& targetPath) {
    return downloadWithDialog(owner, address, targetPath);
}

Result<> UpdateUi::openAddress(const QString& address) {
    return pixmill::openAddress(address);
}

bool UpdateUi::startProgram(const QString& path) {
    return QProcess::startDetached(path, {}, QFileInfo(path).absolutePath());
}

bool UpdateUi::createShortcut(const QString& program) {
    const QString desktop = desktopFolder_.isEmpty()
                                ? QStandardPaths::writableLocation(QStandardPaths::DesktopLocation)
                                : desktopFolder_;
#ifdef Q_OS_WIN
    // Qt makes a shell link (.lnk) on Windows.
    return QFile::link(program, desktop + "/" + kDisplayName + ".lnk");
#else
    return writeDesktopLauncher(desktop, QString::fromUtf8(kDisplayName), program).isOk();
#endif
}

UpdateLocations UpdateLocations::defaults() {
    return {programDirectory(), userDataDirectory()};
}

UpdateController::UpdateController(QObject* parent)
    : QObject(parent),
      feedUrl_(fixedAddress(FixedAddress::Feed)),
      ownVersion_(QString::fromUtf8(kVersionText)),
      locations_(UpdateLocations::defaults()),
      feed_(initialUpdateFeed()) {}

UpdateController::~UpdateController() {
    if (holdsGuard_)
        UpdateCheckGuard::release();
}

bool UpdateController::startUpdateCheck(UpdateCheckMode mode, QWidget* owner) {
    if (!UpdateCheckGuard::tryAcquire())
        return false;
    holdsGuard_ = true;
    owner_ = owner;
    feed_.help = fixedAddress(FixedAddress::Help);
    runner_.start(feedUrl_,
                  [this, mode](const Result<QString>& feed) { onFeedFetched(feed, mode); });
    return true;
}

void UpdateController::onFeedFetched(const Result<QString>& document, UpdateCheckMode mode) {
    Result<UpdateFeed> parsed = document ? applyFeedDocument(*document, feed_) : document.error();
    if (!parsed) {
        handleUpdateResult(kUpdateResultFetchFailed, owner_);
        finishCheck();
        return;
    }
    feed_ = std::move(*parsed);
    setStatusText(1, feed_.news.toStdString());
    if (isCurrentVersion(feed_, ownVersion_)) {
        setStatusText(0, kCurrentVersionStatus);
        if (mode == UpdateCheckMode::Manual)
            handleUpdateResult(kUpdateResultCurrent, owner_);
    } else {
        offerUpdate();
    }
    finishCheck();
}

void UpdateController::handleUpdateResult(int kind, QWidget* owner) {
    const QString text =
        QString::fromUtf8(kind == kUpdateResultCurrent ? kCurrentVersionText : kFetchFailedText);
    // The status line holds one line; the balloon shows the whole list.
    setStatusText(0, kind == kUpdateResultCurrent ? kCurrentVersionText : "");
    setStatusText(
        1, QString(text).replace(QLatin1Char('\n'), QLatin1Char(' ')).trimmed().toStdString());
    ui_->trayBalloon(text);
    if (kind == kUpdateResultCurrent)
        ui_->inform(owner, text);
    Q_EMIT updateResult(kind);
}

void UpdateController::offerUpdate() {
    switch (ui_->askToUpdate(owner_, feed_.version)) {
        case UpdateChoice::Yes:
            installUpdate();
            break;
        case UpdateChoice::No: {
            const QString address = addressForBrowser(feed_.downloadAddress);
            showOpenFailure(
                ui_->openAddress(address.isEmpty() ? fixedAddress(FixedAddress::Site) : address));
            break;
        }
        case UpdateChoice::Cancel:
            break;
    }
}

void UpdateController::installUpdate() {
    const QString address = addressToDownload(feed_.downloadAddress);
    const QUrl url = normalizeDownloadAddress(address);
    if (!url.isValid()) {
        ui_->warn(owner_,
                  QStringLiteral("更新信息里没有可用的下载地址，请稍后再试或打开网页下载。"));
        return;
    }
    if (url.scheme() != QLatin1String("https")) {
        ui_->warn(owner_, QStringLiteral("为了安全，新版本程序只通过 HTTPS 下载。已拒绝下载：%1")
                              .arg(url.toString()));
        return;
    }
    const QString target = updateDownloadFolder(locations_.programDir, locations_.userDataDir) +
                           updateFileName(feed_.version);
    if (!ui_->download(owner_, url.toString(), target))
        return;
#ifndef Q_OS_WIN
    if (!isElfExecutable(target)) {
        ui_->warn(owner_,
                  QStringLiteral("新版本已下载到 %1，但它不是本机能运行的程序，因此没有启动。")
                      .arg(target));
        return;
    }
    (void)makeExecutable(target);  // a program that still cannot run is reported below
#endif
    if (!ui_->startProgram(target)) {
        ui_->warn(owner_, QStringLiteral("无法启动新版本：%1").arg(target));
    }
    ui_->createShortcut(target);
}

void UpdateController::finishCheck() {
    owner_.clear();
    holdsGuard_ = false;
    UpdateCheckGuard::release();
    Q_EMIT checkFinished();
}

}  // namespace pixmill
