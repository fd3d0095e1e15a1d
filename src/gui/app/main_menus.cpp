// The main window's menus, tray icon and command routing.
#include <QMenu>
#include <QMenuBar>
#include <QSystemTrayIcon>

#include "engine/app/app_info.h"
#include "engine/platform/native_path.h"
#include "engine/platform/status.h"
#include "engine/rename/rename_batch.h"
#include "gui/app/main_commands.h"
#include "gui/app/main_dialog.h"
#include "gui/app/toolbar_icons.h"
#include "gui/catalog/image_list_dialog.h"
#include "gui/jpegmeta/batch_commands.h"

namespace pixmill {
namespace {

constexpr const char* kShareSites[] = {"新浪微博", "腾讯微博", "搜狐微博", "网易微博",
                                       "人人网",   "开心网",   "QQ空间"};

}  // namespace

void CMainDlg::registerCommand(QAction* action, int commandId) {
    action->setData(commandId);
    action->setEnabled(handlers_.count(commandId) > 0);
    actions_.emplace(commandId, action);
    connect(action, &QAction::triggered, this, [this, commandId] { runCommand(commandId); });
}

QAction* CMainDlg::addCommand(QMenu* menu, int commandId, const QString& text) {
    QAction* action = menu->addAction(text);
    registerCommand(action, commandId);
    return action;
}

void CMainDlg::fillShareMenu(QMenu* menu) {
    for (int site = 0; site < 7; ++site) {
        addCommand(menu, command::kShareFirst + site, QString::fromUtf8(kShareSites[site]));
    }
}

void CMainDlg::buildMenus() {
    QMenuBar* bar = menuBar();
    batchMenu_ = bar->addMenu(QString::fromUtf8("批量操作"));
    fillBatchMenu(batchMenu_,
                  [this](QAction* action, int commandId) { registerCommand(action, commandId); });
    registerCommand(bar->addAction(QString::fromUtf8("更新升级")), command::kUpdateCheck);
    registerCommand(bar->addAction(QString::fromUtf8("查看其他作品")), command::kOtherWorks);
    optionsMenu_ = bar->addMenu(QString::fromUtf8("选项设置"));
    addCommand(optionsMenu_, command::kOptions, QString::fromUtf8("选项设置"));
    addCommand(optionsMenu_, command::kDailyTip, QString::fromUtf8("每日一帖"))
        ->setObjectName(QStringLiteral("dailyTipAction"));
    registerCommand(bar->addAction(QString::fromUtf8("使用帮助？")), command::kHelp);
    fillShareMenu(bar->addMenu(QString::fromUtf8("分享推荐")));
    registerCommand(bar->addAction(QString::fromUtf8("官方网站")), command::kWebsite);
    registerCommand(bar->addAction(QString::fromUtf8("给我写信")), command::kMailMe);
    // Linux has no system menu to extend: the About entry ends the main menu.
    registerCommand(bar->addAction(QString::fromUtf8("关于 ") + QString::fromUtf8(kDisplayName) +
                                   QStringLiteral("(&A)...")),
                    command::kAbout);

    trayMenu_ = new QMenu(this);
    fillShareMenu(trayMenu_->addMenu(QString::fromUtf8("分享推荐")));
    trayMenu_->addSeparator();
    addCommand(trayMenu_, command::kOptions, QString::fromUtf8("选项设置"));
    addCommand(trayMenu_, command::kUpdateCheck, QString::fromUtf8("更新升级"));
    addCommand(trayMenu_, command::kWebsite, QString::fromUtf8("官方网站"));
    addCommand(trayMenu_, command::kMailMe, QString::fromUtf8("给我写信"));
    trayMenu_->addSeparator();
    addCommand(trayMenu_, command::kExit, QString::fromUtf8("退出"));
}

void CMainDlg::installBuiltInCommands() {
    setCommandHandler(command::kOptions, [this] { openOptions(); });
    setCommandHandler(command::kAbout, [this] { showAbout(); });
    setCommandHandler(command::kExit, [this] { close(); });
    setCommandHandler(command::kOpenOutputFolder, [this] { openFolder(settings_.outputDir); });
    setCommandHandler(command::kUndoRename, [this] {
        std::string refusal;
        if (!gate_.tryEnter(WorkKind::Batch, &refusal)) {
            setStatusText(1, refusal);
            return;
        }
        const QString folder = model_.currentFolder();
        const std::string failure = folder.isEmpty()
                                        ? std::string("无法撤销重命名：还没有打开图片目录")
                                        : undoLastRename(pathBytes(folder)).message();
        gate_.leave();
        if (!failure.empty()) {
            setStatusText(1, failure);
            showMessage(QString::fromStdString(failure));
        } else if (imageList()) {
            imageList()->loadFolder();  // the catalog shows the old names again
        }
    });
}

void CMainDlg::buildTrayIcon() {
    // Desktops without a notification area run the program without the icon.
    if (!QSystemTrayIcon::isSystemTrayAvailable())
        return;
    tray_ = new QSystemTrayIcon(applicationIcon(), this);
    tray_->setToolTip(QString::fromUtf8(kDisplayName));
    tray_->setContextMenu(trayMenu_);
    connect(tray_, &QSystemTrayIcon::activated, this,
            [this](QSystemTrayIcon::ActivationReason reason) {
                // Some trays send a single activation where others send a double-click.
                if (reason == QSystemTrayIcon::DoubleClick || reason == QSystemTrayIcon::Trigger) {
                    restoreWindow();
                }
            });
    tray_->show();
}

QList<QAction*> CMainDlg::commandActions(int commandId) const {
    QList<QAction*> found;
    auto [first, last] = actions_.equal_range(commandId);
    for (auto it = first; it != last; ++it)
        found << it->second;
    return found;
}

void CMainDlg::setCommandHandler(int commandId, CommandHandler handler) {
    if (handler) {
        handlers_[commandId] = std::move(handler);
    } else {
        handlers_.erase(commandId);
    }
    for (QAction* action : commandActions(commandId))
        action->setEnabled(handlers_.count(commandId) > 0);
}

void CMainDlg::setDispatcher(std::function<void(int commandId)> dispatcher) {
    for (int id = command::kRename; id <= command::kMore; ++id) {
        if (id == command::kOpenOutputFolder)
            continue;
        if (!dispatcher) {
            setCommandHandler(id, nullptr);
        } else {
            setCommandHandler(id, [dispatcher, id] { dispatcher(id); });
        }
    }
}

void CMainDlg::runCommand(int commandId) {
    auto handler = handlers_.find(commandId);
    if (handler == handlers_.end())
        return;
    // A copy: the handler may replace itself.
    CommandHandler run = handler->second;
    run();
}

}  // namespace pixmill
