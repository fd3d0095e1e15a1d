// The main window: its geometry on resize, menus and commands, the start button, drops and
// closing while work runs.
#include <gtest/gtest.h>

#include <QProgressBar>

#include <QAbstractItemView>
#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLayout>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QTimer>
#include <QToolBar>

#include <QThread>

#include <atomic>

#include "catalog_fixture.h"
#include "gui/app/about_dialog.h"
#include "gui/app/content_dialog.h"
#include "gui/app/main_commands.h"
#include "gui/app/main_dialog.h"
#include "gui/app/tool_panels.h"
#include "gui/controls/base_tool_dlg.h"
#include "gui/jpegmeta/batch_commands.h"

namespace pixmill {
namespace {

using testing::waitUntil;

class RefusingPanel : public CBaseToolDlg {
  public:
    RefusingPanel() : CBaseToolDlg(137, QString::fromUtf8("缩略图")) {}
    bool StartBatch() override {
        ++starts;
        enabledDuringStart = parentWidget() ? parentWidget()->isEnabled() : true;
        return false;
    }
    void initDialog() override {}
    int starts = 0;
    bool enabledDuringStart = true;
};

QStringList texts(const QList<QAction*>& actions) {
    QStringList result;
    for (QAction* action : actions)
        result << (action->isSeparator() ? "-" : action->text());
    return result;
}

class MainWindowTest : public testing::SettingsFixture {
  protected:
    // Three small pictures loaded into the window's catalog, the load finished.
    void loadThreePictures(CMainDlg& window) {
        for (const char* name : {"a.png", "b.png", "c.png"})
            writePicture(name, 8, 8);
        window.imageList()->folderBox()->setEditText(QString::fromStdString(photos.folder()));
        ASSERT_TRUE(window.imageList()->loadFolder());
        ASSERT_TRUE(waitUntil([&] { return !window.workRunning(); }));
    }
    testing::RecordingShell shell;
    CatalogPlugins plugins() {
        CatalogPlugins result;
        result.shell = &shell;
        return result;
    }
};

TEST_F(MainWindowTest, ResizingKeepsTheToolboxRightTheStartButtonInTheCornerAndTheContentFilling) {
    CMainDlg window(settings, plugins());
    for (QSize size : {QSize(1200, 800), QSize(700, 500), QSize(1500, 300)}) {
        SCOPED_TRACE(size.width());
        window.resize(size);
        window.clientArea()->layout()->activate();
        const QRect client = window.clientArea()->rect();
        const QRect toolbox = window.toolboxSlot()->geometry();
        const QRect content = window.content()->geometry();
        EXPECT_EQ(toolbox.width(), 200);
        EXPECT_EQ(toolbox.right(), client.right());
        EXPECT_EQ(toolbox.top(), 60);
        EXPECT_EQ(window.startButton()->geometry(), QRect(client.width() - 208, 4, 204, 46));
        EXPECT_EQ(window.toolbar()->geometry(), QRect(0, 0, client.width() - 208, 60));
        EXPECT_EQ(content, QRect(0, 60, client.width() - 200, std::max(0, client.height() - 62)));
        EXPECT_LE(content.bottom(), client.bottom());
        EXPECT_EQ(toolbox.bottom(), content.bottom());
    }
}

TEST_F(MainWindowTest, MenusHoldEveryEntryInOrderAndGreyWhatNobodyCarriesOut) {
    CMainDlg window(settings, plugins());
    EXPECT_EQ(texts(window.menuBar()->actions()),
              (QStringList{"批量操作", "更新升级", "查看其他作品", "选项设置", "使用帮助？",
                           "分享推荐", "官方网站", "给我写信", "关于 Pixmill(&A)..."}));
    const QStringList batch = texts(window.batchMenu()->actions());
    EXPECT_EQ(batch.first(), "批量重命名");
    EXPECT_EQ(batch[1], "撤销上次重命名");
    EXPECT_EQ(batch.last(), "打开图片保存目录");
    EXPECT_EQ(batch[batch.size() - 2], "-");
    EXPECT_EQ(batch.count() - batch.count("-"), 17);
    EXPECT_EQ(texts(window.optionsMenu()->actions()), (QStringList{"选项设置", "每日一帖"}));
    EXPECT_EQ(texts(window.trayMenu()->actions()),
              (QStringList{"分享推荐", "-", "选项设置", "更新升级", "官方网站", "给我写信", "-",
                           "退出"}));
    EXPECT_EQ(texts(window.toolbar()->actions()),
              (QStringList{"重命名", "缩略图", "图片水印", "文字水印", "更多功能"}));

    // Commands owned elsewhere are greyed until they get a handler, in every menu at once.
    const QList<QAction*> updates = window.commandActions(command::kUpdateCheck);
    ASSERT_EQ(updates.size(), 2);
    for (QAction* action : updates)
        EXPECT_FALSE(action->isEnabled());
    int updateRuns = 0;
    window.setCommandHandler(command::kUpdateCheck, [&] { ++updateRuns; });
    for (QAction* action : updates)
        EXPECT_TRUE(action->isEnabled());
    updates.back()->trigger();
    EXPECT_EQ(updateRuns, 1);
    EXPECT_EQ(window.commandActions(command::kShareFirst + 6).size(), 2);
    EXPECT_TRUE(window.commandActions(command::kOptions).first()->isEnabled());

    std::vector<int> dispatched;
    EXPECT_FALSE(window.toolbar()->actions().first()->isEnabled());
    window.setDispatcher([&](int id) { dispatched.push_back(id); });
    window.toolbar()->actions().first()->trigger();
    window.commandActions(command::kPureJpeg).first()->trigger();
    window.toolbar()->actions().last()->trigger();
    EXPECT_EQ(dispatched, (std::vector<int>{1011, 1024, 1027}));
}

// The main menu's "批量操作" and the toolbar's popup are one menu, with one set of numbers.
TEST_F(MainWindowTest, TheMoreButtonPopsUpTheMainMenusBatchMenu) {
    CMainDlg window(settings, plugins());
    ToolPanels panels = installToolPanels(window, settings, nullptr);
    std::unique_ptr<QMenu> own(panels.commands->buildMenu(nullptr));
    QStringList mainIds, ownIds;
    for (QAction* action : window.batchMenu()->actions())
        mainIds << action->text() + QString::number(action->data().toInt());
    for (QAction* action : own->actions())
        ownIds << action->text() + QString::number(action->data().toInt());
    EXPECT_EQ(mainIds, ownIds);

    loadThreePictures(window);
    window.show();
    window.commandActions(command::kMore).first()->trigger();
    EXPECT_TRUE(waitUntil([&] { return QApplication::activePopupWidget() == window.batchMenu(); }));
    window.batchMenu()->close();
}

// The start button asks checkStart and shows its refusal.
TEST_F(MainWindowTest, StartButtonRefusesThroughCheckStart) {
    CMainDlg window(settings, plugins());
    QStringList messages;
    window.setMessenger([&](const QString& text) { messages << text; });
    std::atomic<bool> release{false};
    loadThreePictures(window);
    ASSERT_EQ(window.batchDriver().start(testing::heldBatch(BatchKind::Crop, release),
                                         window.batchEnvironment()),
              "");
    const std::string expected =
        checkStart(window.catalogModel(), &window.workGate(), StartOrigin::Starter);
    window.startBatch();
    release = true;
    window.batchDriver().wait();
    EXPECT_EQ(expected, WorkGate::refusalFor(WorkKind::Batch));
    EXPECT_EQ(messages, QStringList{QString::fromStdString(expected)});
}

TEST_F(MainWindowTest, OpenOutputFolderAndExitAreTheWindowsOwn) {
    CMainDlg window(settings, plugins());
    window.show();
    window.commandActions(command::kOpenOutputFolder).first()->trigger();
    EXPECT_EQ(shell.folders, QStringList{settings.outputDir});
    waitUntil([&] { return !window.workRunning(); });
    window.commandActions(command::kExit).first()->trigger();
    EXPECT_FALSE(window.isVisible());
    EXPECT_NE(settings.windowRight, 0);
}

TEST_F(MainWindowTest, StartButtonRefusesAnEmptyCatalogAndReEnablesTheToolboxWhenThePanelRefuses) {
    settings.lastViewFolder.clear();
    CMainDlg window(settings, plugins());
    QStringList messages;
    window.setMessenger([&](const QString& text) { messages << text; });
    RefusingPanel* panel = new RefusingPanel;
    window.setToolbox(panel);
    window.setActivePanel([&] { return panel; });

    window.startButton()->click();
    EXPECT_EQ(messages, QStringList{"尚未导入图片，请先添加图片!"});
    EXPECT_EQ(panel->starts, 0);

    writePicture("a.png", 8, 8);
    window.imageList()->folderBox()->setEditText(QString::fromStdString(photos.folder()));
    ASSERT_TRUE(window.imageList()->loadFolder());
    ASSERT_TRUE(waitUntil([&] { return !window.workRunning(); }));
    window.startButton()->click();
    EXPECT_EQ(panel->starts, 1);
    EXPECT_FALSE(panel->enabledDuringStart);
    EXPECT_TRUE(window.toolboxSlot()->isEnabled());
    EXPECT_EQ(messages.size(), 1);
}

TEST_F(MainWindowTest, ALoadDisablesTheToolboxUntilItEnds) {
    writePicture("a.png", 8, 8);
    std::atomic<bool> release{false};
    std::atomic<bool> reading{false};
    CatalogPlugins slow = plugins();
    slow.reader = [&](const std::string&, CatalogItem&) {
        reading = true;
        while (!release)
            QThread::msleep(2);
    };
    CMainDlg window(settings, std::move(slow));
    window.imageList()->folderBox()->setEditText(QString::fromStdString(photos.folder()));
    ASSERT_TRUE(window.imageList()->loadFolder());
    ASSERT_TRUE(waitUntil([&] { return reading.load(); }));
    EXPECT_FALSE(window.toolboxSlot()->isEnabled());
    EXPECT_TRUE(window.startButton()->isEnabled());
    release = true;
    ASSERT_TRUE(waitUntil([&] { return !window.workRunning(); }));
    EXPECT_TRUE(window.toolboxSlot()->isEnabled());
    EXPECT_EQ(window.statusPart(1)->text(), "共加载 1 张图片，可以进行批量操作了");
}

TEST_F(MainWindowTest, TheProgressBarCountsRowsWhileABatchRunsAndHidesAtItsEnd) {
    CMainDlg window(settings, plugins());
    ASSERT_NO_FATAL_FAILURE(loadThreePictures(window));
    EXPECT_TRUE(window.progressBar()->isHidden());

    std::atomic<int> worked{0};
    std::atomic<bool> release{false};
    BatchJob job{BatchKind::DeleteExif,
                 [&](WorkedRow&, const BatchEnvironment&) {
                     if (++worked == 2) {
                         while (!release)
                             QThread::msleep(2);
                     }
                     return ItemOutcome{};
                 },
                 {},
                 {}};
    ASSERT_EQ(window.batchDriver().start(job, window.batchEnvironment()), "");
    ASSERT_TRUE(waitUntil([&] { return window.progressBar()->value() == 1; }));
    EXPECT_FALSE(window.progressBar()->isHidden());
    EXPECT_EQ(window.progressBar()->maximum(), 3);
    release = true;
    ASSERT_TRUE(waitUntil([&] { return !window.workRunning(); }));
    EXPECT_TRUE(window.progressBar()->isHidden());
}

TEST_F(MainWindowTest, ClosingDuringALoadWaitsWithTheEventLoopTurningThenCloses) {
    writePicture("a.png", 8, 8);
    std::atomic<bool> release{false};
    std::atomic<bool> reading{false};
    CatalogPlugins slow = plugins();
    slow.reader = [&](const std::string&, CatalogItem&) {
        reading = true;
        while (!release)
            QThread::msleep(2);
    };
    CMainDlg window(settings, std::move(slow));
    window.show();
    ASSERT_TRUE(waitUntil([&] { return reading.load(); }));  // the first showing loads

    EXPECT_FALSE(window.close());
    EXPECT_TRUE(window.isVisible());
    EXPECT_EQ(window.statusPart(1)->text(), "正在等待后台任务完成，完成后自动退出……");
    // The load's end is a blocking call into this thread: it can only finish because the
    // event loop keeps turning while the window waits.
    release = true;
    ASSERT_TRUE(waitUntil([&] { return !window.isVisible(); }));
    EXPECT_EQ(window.catalogModel().rowCount(), 1);
}

TEST_F(MainWindowTest, ClosingWhileARotationRunsWaitsUntilItsFileAndRecordAreDone) {
    writePicture("a.png", 40, 20);
    std::atomic<bool> release{false};
    std::atomic<bool> rotating{false};
    CatalogPlugins plugins = this->plugins();
    plugins.reader = [](const std::string&, CatalogItem& item) {
        item.width = 40;
        item.height = 20;
    };
    plugins.rotateFlip = [&](CatalogItem& item, int) {
        rotating = true;
        while (!release)
            QThread::msleep(2);
        std::swap(item.width, item.height);
        return ItemOutcome{};
    };
    CMainDlg window(settings, std::move(plugins));
    window.show();
    ASSERT_TRUE(
        waitUntil([&] { return window.catalogModel().rowCount() == 1 && !window.workRunning(); }));
    CImageListDlg* list = window.imageList();
    list->currentView()->selectionModel()->select(window.catalogModel().index(0, 0),
                                                  QItemSelectionModel::Select);
    list->runCommand(catalog_command::kRotateClockwise);
    ASSERT_TRUE(waitUntil([&] { return rotating.load(); }));

    EXPECT_FALSE(window.close());
    waitUntil([] { return false; }, 60);
    EXPECT_TRUE(window.isVisible());
    release = true;
    ASSERT_TRUE(waitUntil([&] { return !window.isVisible(); }));
    EXPECT_EQ(window.catalogModel().item(0).width, 20);
}

TEST_F(MainWindowTest, ADroppedFileOpensThePickerAtItsFolderAndCancellingLoadsNothing) {
    settings.lastViewFolder.clear();
    writePicture("shot.png", 8, 8);
    CMainDlg window(settings, plugins());
    QStringList starts;
    window.imageList()->setFolderPicker([&](QWidget*, const QString& start) {
        starts << start;
        return QString();
    });
    int loads = 0;
    QObject::connect(window.imageList(), &CImageListDlg::loadStarted, [&] { ++loads; });
    window.imageList()->dropPaths({QString::fromStdString(photos.file("shot.png"))});
    EXPECT_EQ(starts, QStringList{QString::fromStdString(photos.path().string())});
    EXPECT_EQ(window.imageList()->folderBox()->currentText(), starts.first());
    waitUntil([] { return false; }, 50);
    EXPECT_EQ(loads, 0);
    EXPECT_EQ(window.catalogModel().rowCount(), 0);
}

TEST_F(MainWindowTest, ContentPaneShowsExactlyOneOfCatalogAndLayoutView) {
    CMainDlg window(settings, plugins());
    window.show();
    CContentDlg* content = window.content();
    content->showLayoutView(true);  // no layout view yet: the catalog stays
    EXPECT_TRUE(content->imageList()->isVisible());
    auto* view = new QWidget;
    content->setLayoutView(view);
    EXPECT_FALSE(view->isVisible());
    content->showLayoutView(true);
    EXPECT_TRUE(view->isVisible());
    EXPECT_FALSE(content->imageList()->isVisible());
    window.resize(1300, 900);
    window.clientArea()->layout()->activate();
    content->layout()->activate();
    EXPECT_EQ(view->geometry(), content->rect());
    content->showLayoutView(false);
    EXPECT_FALSE(view->isVisible());
    EXPECT_TRUE(content->imageList()->isVisible());
}

TEST(AboutBoxTest, ShowsTheVersionLine) {
    CAboutDlg about;
    EXPECT_EQ(about.windowTitle(), "关于 Pixmill");
    auto* text = about.findChild<QLabel*>("aboutText");
    ASSERT_NE(text, nullptr);
    EXPECT_EQ(text->text(), "Pixmill 1.0 版");
}

}  // namespace
}  // namespace pixmill
