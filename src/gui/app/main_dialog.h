#pragma once
// The main window: the toolbar and start button along the top, the content pane (catalog or
// watermark layout view) with the tool box on its right, the two-part status line along the
// bottom; the menus, the tray icon, dropped files, and closing that waits for running work.

#include <QMainWindow>

#include <functional>
#include <map>
#include <memory>

#include "engine/app/app_settings.h"
#include "engine/batch/batch_driver.h"
#include "engine/batch/work_gate.h"
#include "engine/catalog/catalog_model.h"
#include "gui/catalog/image_list_dialog.h"

class QLabel;
class QMenu;
class QPushButton;
class QToolButton;
class QProgressBar;
class QSystemTrayIcon;
class QTimer;
class QToolBar;

namespace pixmill {

class AnchorLayout;
class CBatchResultsDlg;
class CBaseToolDlg;
class CContentDlg;
class StatusBarSink;

// What the catalog is built with; the parts still to come plug in here.
struct CatalogPlugins {
    PhotoDetailsReader reader;          // empty: no photo details
    ThumbnailRenderer renderThumbnail;  // empty: renderCatalogThumbnail
    RotateFlipRunner rotateFlip;        // empty: rotate and flip greyed
    ItemShell* shell = nullptr;         // none: the real desktop
};

class CMainDlg : public QMainWindow {
    Q_OBJECT
  public:
    using SkinSwitch = std::function<void(bool)>;
    using CommandHandler = std::function<void()>;
    using ActivePanel = std::function<CBaseToolDlg*()>;
    using Messenger = std::function<void(const QString& text)>;

    explicit CMainDlg(AppSettings& settings, QWidget* parent = nullptr);
    CMainDlg(AppSettings& settings, CatalogPlugins plugins, QWidget* parent = nullptr);
    ~CMainDlg() override;  // waits for the batch, the load and the catalog's jobs

    // Attaches or detaches the skin; the options dialog calls it when "使用皮肤" changes.
    void setSkinSwitch(SkinSwitch skinSwitch) { skinSwitch_ = std::move(skinSwitch); }
    // Gives a command of the menus, tray menu or toolbar (numbers in main_commands.h) its
    // action; entries without one are shown greyed. An empty handler greys them again.
    void setCommandHandler(int commandId, CommandHandler handler);
    // The batch-operations dispatcher: every toolbar button and "批量操作" entry, 1011 to 1027.
    void setDispatcher(std::function<void(int commandId)> dispatcher);
    // The tool panel the start button asks to start its batch.
    void setActivePanel(ActivePanel activePanel) { activePanel_ = std::move(activePanel); }
    // Message boxes of the start button; tests answer them.
    void setMessenger(Messenger messenger) { messenger_ = std::move(messenger); }

    // The tool box goes into this container, which follows the window's right edge.
    QWidget* toolboxSlot() const { return toolboxSlot_; }
    void setToolbox(QWidget* toolbox);
    void setToolboxEnabled(bool enabled);
    CContentDlg* content() const { return content_; }
    CImageListDlg* imageList() const;
    QPushButton* startButton() const { return startButton_; }
    QToolBar* toolbar() const { return toolbar_; }
    QWidget* clientArea() const { return clientArea_; }
    QMenu* batchMenu() const { return batchMenu_; }
    QMenu* optionsMenu() const { return optionsMenu_; }
    QMenu* trayMenu() const { return trayMenu_; }
    QSystemTrayIcon* trayIcon() const { return tray_; }
    QLabel* statusPart(int part) const { return part == 0 ? statusPart0_ : statusPart1_; }
    // "查看详情" beside the status line after a batch with failed or skipped rows.
    QToolButton* resultsButton() const { return resultsButton_; }
    // The last batch's failed and skipped rows; made at the first batch that had any.
    CBatchResultsDlg* resultsDialog() const { return resultsDialog_; }
    void showResults();
    // The start button's caption for the panel shown; while a batch runs the button says so
    // and takes this caption again at the end.
    void setStartCaption(const QString& caption);
    // Rows done out of rows to do while a batch runs; hidden otherwise.
    QProgressBar* progressBar() const { return progressBar_; }
    // Every action carrying `commandId`, in menus, tray menu and toolbar.
    QList<QAction*> commandActions(int commandId) const;

    CatalogModel& catalogModel() { return model_; }
    WorkGate& workGate() { return gate_; }
    BatchDriver& batchDriver() { return *driver_; }
    // The folders a batch builds its paths from, as they stand now.
    BatchEnvironment batchEnvironment() const;

    void openOptions();
    void showAbout();
    void startBatch();
    void restoreWindow();
    // A batch, a load, thumbnails or rotations still running.
    bool workRunning() const;

  protected:
    void closeEvent(QCloseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

  private:
    class BatchReactions;

    void buildStatusLine();
    void buildClientArea(CatalogPlugins plugins);
    void buildToolbar();
    // main_menus.cpp
    void buildMenus();
    void buildTrayIcon();
    void fillShareMenu(QMenu* menu);
    QAction* addCommand(QMenu* menu, int commandId, const QString& text);
    void registerCommand(QAction* action, int commandId);
    void runCommand(int commandId);
    void installBuiltInCommands();

    void storeWindowRectangle();
    void onBatchBegin();
    void onBatchEnd(BatchKind kind, const std::string& endFolder,
                    const std::vector<RowOutcome>& outcomes);
    void clearStaleStatus();
    void showBatchProgress();
    bool openFolder(const QString& folder);
    void showMessage(const QString& text);

    AppSettings& settings_;
    SkinSwitch skinSwitch_;
    ActivePanel activePanel_;
    Messenger messenger_;
    ItemShell* shell_ = nullptr;
    WorkGate gate_;
    CatalogModel model_;
    std::unique_ptr<BatchReactions> batchReactions_;
    std::unique_ptr<BatchDriver> driver_;

    QWidget* clientArea_ = nullptr;
    AnchorLayout* layout_ = nullptr;
    QToolBar* toolbar_ = nullptr;
    QPushButton* startButton_ = nullptr;
    QWidget* toolboxSlot_ = nullptr;
    CContentDlg* content_ = nullptr;
    QLabel* statusPart0_ = nullptr;
    QLabel* statusPart1_ = nullptr;
    QToolButton* resultsButton_ = nullptr;
    CBatchResultsDlg* resultsDialog_ = nullptr;
    QString startCaption_;
    QProgressBar* progressBar_ = nullptr;
    QTimer* progressTimer_ = nullptr;
    QMenu* batchMenu_ = nullptr;
    QMenu* optionsMenu_ = nullptr;
    QMenu* trayMenu_ = nullptr;
    QSystemTrayIcon* tray_ = nullptr;
    QTimer* closeTimer_ = nullptr;
    std::unique_ptr<StatusBarSink> statusSink_;
    std::multimap<int, QAction*> actions_;
    std::map<int, CommandHandler> handlers_;
};

}  // namespace pixmill
