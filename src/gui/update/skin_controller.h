#pragma once
// The skin of the main window. At start-up, with useSkin set, the skin attaches at once when
// "skin/" beside the program holds skin.dat and skin.she and the library loads and exports
// SkinH_AttachEx; otherwise both files are downloaded on a worker thread from the two skin
// base addresses in turn, and the skin attaches when they have arrived (skinReady()).

#include <QObject>
#include <QString>
#include <QStringList>

#include <functional>

#include "engine/update/skin_library.h"

class QApplication;

namespace pixmill {

class AppSettings;

class SkinController : public QObject {
    Q_OBJECT
  public:
    explicit SkinController(QObject* parent = nullptr);

    // Defaults: the program folder and per-user data folder, and the built-in (or
    // environment-given) skin base addresses.
    void setProgramDir(const QString& folder) { programDir_ = folder; }
    void setUserDataDir(const QString& folder) { userDataDir_ = folder; }
    void setBaseAddresses(const QStringList& bases) { bases_ = bases; }
    // Shown when a base address was refused for not being https:; a message box by default.
    void setRefusalReporter(std::function<void(const QString&)> report) {
        reportRefusal_ = std::move(report);
    }

    // The start-up rule (does nothing unless settings.useSkin is set).
    void applyAtStart(const AppSettings& settings);
    // Attaches from the first skin folder that holds both files; false when none does, the
    // library cannot be used, or it refuses the skin file.
    bool attach();
    void detach();
    bool isAttached() const { return attached_; }
    // Fetches the skin files in the background; attaches when they arrive.
    void startDownload();
    bool isDownloading() const { return downloader_.isRunning() || downloadPending_; }

    // The folders searched for the skin files, in order.
    QStringList skinFolders() const;

  Q_SIGNALS:
    // The downloaded skin has arrived (and attach() was tried).
    void skinReady();
    // The download ended without both files.
    void skinDownloadFailed();

  private:
    void onDownloaded(const SkinDownloadOutcome& outcome);

    QString programDir_;
    QString userDataDir_;
    QStringList bases_;
    std::function<void(const QString&)> reportRefusal_;
    bool attached_ = false;
    bool downloadPending_ = false;
    SkinDownloadRunner downloader_;
};

// The process's skin controller, for the options dialog's "使用皮肤" and the main window.
SkinController& processSkinController();

// "使用皮肤" switched on or off: attaches (downloading the skin first when it is missing) or
// detaches. Call on the GUI thread.
void applySkin(QApplication& app, bool on);

}  // namespace pixmill
