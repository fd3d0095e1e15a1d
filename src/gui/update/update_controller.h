#pragma once
// The update check as the main window runs it: automatically at start-up (no owner window,
// no message box unless a new version is found) and on "更新升级" (with the main window).
//
// The feed is fetched on a worker thread; the result, the Yes/No/Cancel prompt and the
// download dialog are handled on the GUI thread. The process-wide guard is held from the
// start of the fetch until all of that is done, so a second check meanwhile is ignored.

#include <QObject>
#include <QPointer>
#include <QString>
#include <QSystemTrayIcon>
#include <QUrl>

#include "engine/platform/result.h"
#include "engine/update/update_check.h"
#include "engine/update/update_feed.h"

class QWidget;

namespace pixmill {

enum class UpdateCheckMode { Automatic, Manual };
enum class UpdateChoice { Yes, No, Cancel };

// The update-result kinds the main window handles.
inline constexpr int kUpdateResultCurrent = 0;
inline constexpr int kUpdateResultFetchFailed = 1;

// Everything in the update flow that faces the user or the system. The defaults show message
// boxes, the download dialog and tray balloons; tests replace them.
class UpdateUi {
  public:
    virtual ~UpdateUi() = default;
    virtual UpdateChoice askToUpdate(QWidget* owner, const QString& version);
    virtual void inform(QWidget* owner, const QString& text);
    virtual void warn(QWidget* owner, const QString& text);
    virtual void trayBalloon(const QString& text);
    virtual bool download(QWidget* owner, const QString& address, const QString& targetPath);
    virtual Result<> openAddress(const QString& address);
    virtual bool startProgram(const QString& path);
    virtual bool createShortcut(const QString& program);

    void setTrayIcon(QSystemTrayIcon* tray) { tray_ = tray; }
    void setDesktopFolder(const QString& folder) { desktopFolder_ = folder; }

  private:
    QPointer<QSystemTrayIcon> tray_;
    QString desktopFolder_;  // the user's desktop unless set
};

struct UpdateLocations {
    QString programDir;   // where a new version is stored when writable
    QString userDataDir;  // where it is stored otherwise
    static UpdateLocations defaults();
};

class UpdateController : public QObject {
    Q_OBJECT
  public:
    explicit UpdateController(QObject* parent = nullptr);
    ~UpdateController() override;

    // Not owned; the default UpdateUi when never set.
    void setUi(UpdateUi* ui) { ui_ = ui ? ui : &defaultUi_; }
    // Balloons go to this icon (of the main window); none when null.
    void setTrayIcon(QSystemTrayIcon* tray) { defaultUi_.setTrayIcon(tray); }
    void setFeedUrl(const QUrl& url) { feedUrl_ = url; }
    void setOwnVersion(const QString& version) { ownVersion_ = version; }
    void setLocations(const UpdateLocations& locations) { locations_ = locations; }

    // Starts a check; false when one is already under way (the request is ignored).
    bool startUpdateCheck(UpdateCheckMode mode, QWidget* owner = nullptr);
    bool isChecking() const { return holdsGuard_; }

    // The feed of the last check: help, site and mail addresses for the menu entries.
    const UpdateFeed& feed() const { return feed_; }

    // The main window's handling of an update result (status text, balloon, message box).
    void handleUpdateResult(int kind, QWidget* owner);

  Q_SIGNALS:
    // A check has been handled completely and the guard is free again.
    void checkFinished();
    void updateResult(int kind);

  private:
    void onFeedFetched(const Result<QString>& document, UpdateCheckMode mode);
    void offerUpdate();
    void installUpdate();
    void finishCheck();

    UpdateUi defaultUi_;
    UpdateUi* ui_ = &defaultUi_;
    QUrl feedUrl_;
    QString ownVersion_;
    UpdateLocations locations_;
    UpdateFeed feed_;
    QPointer<QWidget> owner_;
    bool holdsGuard_ = false;
    UpdateCheckRunner runner_;
};

// The texts of the flow, shared with tests.
QString updatePromptCaption();
QString updatePromptText(const QString& version);
inline constexpr const char* kCurrentVersionText = "当前版本已经是最新版!";
inline constexpr const char* kCurrentVersionStatus = "当前版本是最新版!";
inline constexpr const char* kFetchFailedText =
    "无法获取最新版本信息，可能是以下原因导致：\n1.网络连接断开；\n2."
    "杀软误报，请把本软件添加为信任；"
    "\n3.防火墙阻止了本软件，请允许本软件访问网络；\n";

}  // namespace pixmill
