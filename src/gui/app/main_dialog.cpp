#include "gui/app/main_dialog.h"

#include <QCloseEvent>
#include <QDir>
#include <QLabel>
#include <QMessageBox>
#include <QMimeData>
#include <QProgressBar>
#include <QPushButton>
#include <QStatusBar>
#include <QSystemTrayIcon>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>
#include <atomic>

#include "engine/app/app_info.h"
#include "engine/app/object_thread.h"
#include "engine/batch/batch_table.h"
#include "engine/platform/item_shell.h"
#include "engine/platform/native_path.h"
#include "engine/platform/status.h"
#include "gui/app/about_dialog.h"
#include "gui/app/anchor_layout.h"
#include "gui/app/batch_results.h"
#include "gui/app/content_dialog.h"
#include "gui/app/main_commands.h"
#include "gui/app/options_dialog.h"
#include "gui/app/status_bar_sink.h"
#include "gui/app/toolbar_icons.h"
#include "gui/controls/base_tool_dlg.h"

namespace pixmill {
namespace {

// The frame the children are placed in before their anchors are registered.
constexpr int kDesignWidth = 960;
constexpr int kDesignHeight = 580;
constexpr int kToolbarHeight = 60;
constexpr int kToolboxWidth = 200;
// The panes end this far above the status line, as they end 22 pixels above the client
// bottom over a 20-pixel status line.
constexpr int kPaneGap = 2;

}  // namespace

// The batch driver's begin and end, handled on the window's thread while the worker waits.
class CMainDlg::BatchReactions : public BatchObserver {
  public:
    explicit BatchReactions(CMainDlg* window) : window_(window) {}
    void batchBegin(BatchKind) override {
        done_ = 0;
        total_ = 0;
        runOnObjectThread(window_, [this] { window_->onBatchBegin(); });
    }
    // Rows finish on the pool's threads; the window reads the counts on a timer, so no row
    // waits for the GUI thread.
    void batchProgress(int done, int total) override {
        total_ = total;
        done_ = done;
    }
    int done() const { return done_; }
    int total() const { return total_; }
    void batchEnd(BatchKind kind, const std::string& endFolder,
                  const std::vector<RowOutcome>& outcomes) override {
        runOnObjectThread(window_, [this, kind, &endFolder, &outcomes] {
            window_->onBatchEnd(kind, endFolder, outcomes);
        });
    }

  private:
    CMainDlg* window_;
    std::atomic<int> done_{0};
    std::atomic<int> total_{0};
};

CMainDlg::CMainDlg(AppSettings& settings, QWidget* parent)
    : CMainDlg(settings, CatalogPlugins{}, parent) {}

CMainDlg::CMainDlg(AppSettings& settings, CatalogPlugins plugins, QWidget* parent)
    : QMainWindow(parent), settings_(settings), shell_(plugins.shell) {
    setWindowTitle(QString::fromUtf8(kDisplayName) + QStringLiteral(" v") +
                   QString::fromUtf8(kVersionText));
    setWindowIcon(applicationIcon());
    setAcceptDrops(true);
    batchReactions_ = std::make_unique<BatchReactions>(this);
    driver_ = std::make_unique<BatchDriver>(model_, gate_, batchReactions_.get());
    buildStatusLine();
    buildClientArea(std::move(plugins));
    buildMenus();
    installBuiltInCommands();
    buildTrayIcon();
    resize(kDesignWidth, kDesignHeight + 60);

    closeTimer_ = new QTimer(this);
    closeTimer_->setInterval(50);
    connect(closeTimer_, &QTimer::timeout, this, [this] {
        if (workRunning())
            return;
        closeTimer_->stop();
        close();
    });
    // Start-up's two posted requests: bring the window up, then the daily tip.
    QTimer::singleShot(0, this, [this] {
        if (isVisible())
            restoreWindow();
        if (settings_.dailyTip && handlers_.count(command::kDailyTip)) {
            handlers_[command::kDailyTip]();
        }
    });
}

CMainDlg::~CMainDlg() {
    // The workers reach the catalog and this window: they end before either goes.
    driver_->wait();
    content_->imageList()->waitForIdle();
    delete content_;
    content_ = nullptr;
    driver_.reset();
}

void CMainDlg::buildStatusLine() {
    statusPart0_ = new QLabel(this);
    statusPart0_->setFixedWidth(150);
    statusPart1_ = new QLabel(this);
    statusBar()->addWidget(statusPart0_);
    statusBar()->addWidget(statusPart1_, 1);
    resultsButton_ = new QToolButton(this);
    resultsButton_->setText(QStringLiteral("查看详情"));
    resultsButton_->setToolTip(QStringLiteral("列出处理失败、跳过或附有说明的图片及原因"));
    resultsButton_->setAutoRaise(true);
    resultsButton_->hide();
    connect(resultsButton_, &QToolButton::clicked, this, &CMainDlg::showResults);
    statusBar()->addWidget(resultsButton_);
    statusBar()->setSizeGripEnabled(false);
    // How far a batch is: rows done out of rows to do, shown only while a batch runs.
    progressBar_ = new QProgressBar(this);
    progressBar_->setFixedWidth(160);
    progressBar_->setFormat(QStringLiteral("%v / %m"));
    progressBar_->hide();
    statusBar()->addPermanentWidget(progressBar_);
    progressTimer_ = new QTimer(this);
    progressTimer_->setInterval(100);
    connect(progressTimer_, &QTimer::timeout, this, &CMainDlg::showBatchProgress);
    statusSink_ = std::make_unique<StatusBarSink>(statusPart0_, statusPart1_);
}

void CMainDlg::buildClientArea(CatalogPlugins plugins) {
    clientArea_ = new QWidget(this);
    clientArea_->resize(kDesignWidth, kDesignHeight);
    const int width = kDesignWidth;
    const int height = kDesignHeight;

    buildToolbar();
    toolbar_->setGeometry(0, 0, width - 208, kToolbarHeight);
    startButton_ = new QPushButton(clientArea_);
    setStartCaption(QString::fromUtf8("开始批量处理"));
    startButton_->setGeometry(QRect(QPoint(width - 208, 4), QPoint(width - 4, 50) - QPoint(1, 1)));
    connect(startButton_, &QPushButton::clicked, this, &CMainDlg::startBatch);

    toolboxSlot_ = new QWidget(clientArea_);
    toolboxSlot_->setObjectName(QStringLiteral("toolboxSlot"));
    toolboxSlot_->setGeometry(width - kToolboxWidth, kToolbarHeight, kToolboxWidth,
                              height - kToolbarHeight - kPaneGap);
    auto* slotLayout = new QVBoxLayout(toolboxSlot_);
    slotLayout->setContentsMargins(0, 0, 0, 0);

    CatalogServices services;
    services.settings = &settings_;
    services.profile = &settings_.profile();
    services.model = &model_;
    services.gate = &gate_;
    services.reader = std::move(plugins.reader);
    services.renderThumbnail = std::move(plugins.renderThumbnail);
    services.rotateFlip = std::move(plugins.rotateFlip);
    services.shell = plugins.shell;
    content_ = new CContentDlg(std::move(services), clientArea_);
    content_->setGeometry(0, kToolbarHeight, width - kToolboxWidth,
                          height - kToolbarHeight - kPaneGap);
    connect(content_->imageList(), &CImageListDlg::loadStarted, this, [this] {
        setToolboxEnabled(false);
        clearStaleStatus();
    });
    connect(content_->imageList(), &CImageListDlg::loadFinished, this,
            [this] { setToolboxEnabled(true); });

    layout_ = new AnchorLayout(clientArea_);
    layout_->add(toolbar_, ANCHOR_LEFT | ANCHOR_TOP | ANCHOR_RIGHT);
    layout_->add(startButton_, ANCHOR_TOP | ANCHOR_RIGHT);
    layout_->add(toolboxSlot_, ANCHOR_TOP | ANCHOR_RIGHT | ANCHOR_BOTTOM);
    layout_->add(content_, ANCHOR_LEFT | ANCHOR_TOP | ANCHOR_RIGHT | ANCHOR_BOTTOM);
    // The status line lies below this area, so the panes never reach under it.
    layout_->keepAboveBottom(toolboxSlot_, kPaneGap);
    layout_->keepAboveBottom(content_, kPaneGap);
    setCentralWidget(clientArea_);
}

void CMainDlg::buildToolbar() {
    toolbar_ = new QToolBar(clientArea_);
    toolbar_->setIconSize(QSize(32, 32));
    toolbar_->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    toolbar_->setMovable(false);
    toolbar_->setFloatable(false);
    const std::pair<int, const char*> buttons[] = {{command::kRename, "重命名"},
                                                   {command::kResize, "缩略图"},
                                                   {command::kImageWatermark, "图片水印"},
                                                   {command::kTextWatermark, "文字水印"},
                                                   {command::kMore, "更多功能"}};
    const ToolbarIcon icons[] = {ToolbarIcon::Rename, ToolbarIcon::Resize,
                                 ToolbarIcon::ImageWatermark, ToolbarIcon::TextWatermark,
                                 ToolbarIcon::More};
    for (int i = 0; i < 5; ++i) {
        QAction* action =
            toolbar_->addAction(toolbarIcon(icons[i]), QString::fromUtf8(buttons[i].second));
        registerCommand(action, buttons[i].first);
    }
}

CImageListDlg* CMainDlg::imageList() const {
    return content_ ? content_->imageList() : nullptr;
}

void CMainDlg::setToolbox(QWidget* toolbox) {
    if (!toolbox)
        return;
    toolbox->setParent(toolboxSlot_);
    toolboxSlot_->layout()->addWidget(toolbox);
    toolbox->show();
}

void CMainDlg::setToolboxEnabled(bool enabled) {
    toolboxSlot_->setEnabled(enabled);
}

BatchEnvironment CMainDlg::batchEnvironment() const {
    return pixmill::batchEnvironment(model_, settings_);
}

void CMainDlg::showMessage(const QString& text) {
    if (messenger_) {
        messenger_(text);
        return;
    }
    QMessageBox::warning(this, QString::fromUtf8(kDisplayName), text);
}

void CMainDlg::startBatch() {
    if (const std::string refusal = checkStart(model_, &gate_, StartOrigin::Starter);
        !refusal.empty()) {
        showMessage(QString::fromStdString(refusal));
        return;
    }
    CBaseToolDlg* panel = activePanel_ ? activePanel_() : nullptr;
    if (!panel)
        return;
    setToolboxEnabled(false);
    // A panel that refused leaves the box as the running work wants it.
    if (!panel->StartBatch())
        setToolboxEnabled(!gate_.busy());
}

void CMainDlg::setStartCaption(const QString& caption) {
    startCaption_ = caption;
    if (progressTimer_->isActive())
        return;
    startButton_->setText(caption);
    startButton_->setToolTip(caption);
}

void CMainDlg::clearStaleStatus() {
    setStatusText(0, "");
    resultsButton_->hide();
    if (resultsDialog_)
        resultsDialog_->hide();
}

void CMainDlg::onBatchBegin() {
    setToolboxEnabled(false);
    clearStaleStatus();
    startButton_->setText(QStringLiteral("正在批量处理……"));
    startButton_->setToolTip(QStringLiteral("正在进行批量处理，完成后才能开始下一次"));
    progressBar_->setRange(0, 0);
    progressBar_->show();
    progressTimer_->start();
}

void CMainDlg::showBatchProgress() {
    progressBar_->setRange(0, std::max(1, batchReactions_->total()));
    progressBar_->setValue(batchReactions_->done());
}

void CMainDlg::showResults() {
    if (!resultsDialog_)
        return;
    resultsDialog_->show();
    resultsDialog_->raise();
    resultsDialog_->activateWindow();
}

void CMainDlg::onBatchEnd(BatchKind kind, const std::string& endFolder,
                          const std::vector<RowOutcome>& outcomes) {
    progressTimer_->stop();
    progressBar_->hide();
    setToolboxEnabled(true);
    startButton_->setText(startCaption_);
    startButton_->setToolTip(startCaption_);
    const BatchTally tally = tallyBatch(outcomes);
    QString line = batchEndText(tally);
    const QString folder = pathFromBytes(endFolder);
    if (pathExists(folder) && !openFolder(folder))
        line += QStringLiteral("。结果在：%1").arg(displayPath(folder));
    setStatusText(1, line.toStdString());
    if (tally.problems() > 0 || tally.noted > 0) {
        if (!resultsDialog_)
            resultsDialog_ = new CBatchResultsDlg(this);
        resultsDialog_->setProblems(tally, batchProblems(outcomes));
        resultsButton_->show();
        if (tally.failed > 0)
            showResults();
    }
    // Files changed in place are read again, so details, sizes and thumbnails follow them.
    if (batchKindInfo(kind).endFolder == EndFolder::None) {
        std::vector<CatalogRecord> changed;
        for (const RowOutcome& row : outcomes) {
            if (row.outcome.status == ItemStatus::Ok && row.record)
                changed.push_back(row.record);
        }
        if (!changed.empty())
            imageList()->rereadRecords(changed);
    }
}

bool CMainDlg::openFolder(const QString& folder) {
    return (shell_ ? *shell_ : desktopItemShell()).openFolder(folder);
}

void CMainDlg::openOptions() {
    COptionsdlg dialog(settings_, skinSwitch_, this);
    dialog.exec();
}

void CMainDlg::showAbout() {
    CAboutDlg about(this);
    about.exec();
}

void CMainDlg::restoreWindow() {
    if (isMinimized())
        showNormal();
    show();
    raise();
    activateWindow();
}

bool CMainDlg::workRunning() const {
    return gate_.busy() || driver_->running() || (imageList() && imageList()->busy());
}

void CMainDlg::storeWindowRectangle() {
    const QRect frame = frameGeometry();
    settings_.windowLeft = frame.left();
    settings_.windowTop = frame.top();
    settings_.windowRight = frame.right() + 1;
    settings_.windowBottom = frame.bottom() + 1;
}

void CMainDlg::closeEvent(QCloseEvent* event) {
    if (workRunning()) {
        // The workers may be waiting on this thread: the event loop keeps turning and the
        // window closes by itself once they are done.
        event->ignore();
        if (!closeTimer_->isActive()) {
            imageList()->stopThumbnails();
            setStatusText(1, "正在等待后台任务完成，完成后自动退出……");
            closeTimer_->start();
        }
        return;
    }
    storeWindowRectangle();
    if (tray_)
        tray_->hide();
    event->accept();
}

void CMainDlg::dragEnterEvent(QDragEnterEvent* event) {
    if (event->mimeData()->hasUrls())
        event->acceptProposedAction();
}

void CMainDlg::dropEvent(QDropEvent* event) {
    const QStringList paths = droppedLocalPaths(event->mimeData());
    if (paths.isEmpty())
        return;
    event->acceptProposedAction();
    imageList()->dropPaths(paths);
}

}  // namespace pixmill
