// The catalog panel over a real folder: sorting, ticks and tick-on-click, the right-click
// menu and its commands, view modes, Enter during a load, and thumbnails found by record.
#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QFontMetrics>
#include <QHeaderView>
#include <QImageReader>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QSettings>
#include <QTest>
#include <QThread>

#include <atomic>

#include "engine/batch/work_gate.h"
#include "engine/imaging/catalog_thumbnail.h"
#include "gui/catalog/catalog_views.h"
#include "gui/catalog/full_screen_preview.h"
#include "gui/catalog/image_list_dialog.h"
#include "image_list_fixture.h"

namespace pixmill {
namespace {

using testing::ImageListTest;
using testing::waitUntil;
namespace cc = catalog_command;

TEST_F(ImageListTest, HeaderClicksAlternateOneSharedDirectionAcrossColumns) {
    writePicture("a.png", 30, 10);
    writePicture("b.png", 10, 20);
    writePicture("c.png", 10, 10);
    settings.viewMode = 2;
    CImageListDlg panel(services);
    load(panel);
    ASSERT_EQ(names(), (QStringList{"a.png", "b.png", "c.png"}));

    QHeaderView* header = panel.detailsView()->header();
    Q_EMIT header->sectionClicked(1);  // 尺寸: width, then height; ascending first
    EXPECT_EQ(names(), (QStringList{"c.png", "b.png", "a.png"}));
    Q_EMIT header->sectionClicked(0);  // 名称 continues the alternation: descending
    EXPECT_EQ(names(), (QStringList{"c.png", "b.png", "a.png"}));
    EXPECT_FALSE(panel.sortAscending());
    Q_EMIT header->sectionClicked(0);
    EXPECT_EQ(names(), (QStringList{"a.png", "b.png", "c.png"}));
    Q_EMIT header->sectionClicked(1);
    EXPECT_EQ(names(), (QStringList{"a.png", "b.png", "c.png"}));
    Q_EMIT header->sectionClicked(1);
    EXPECT_EQ(names(), (QStringList{"c.png", "b.png", "a.png"}));
}

TEST_F(ImageListTest, TickOnClickTogglesOnceWhetherTheNameOrTheBoxIsClicked) {
    writePicture("a.png", 8, 8);
    writePicture("b.png", 8, 8);
    for (int mode : {2, 1}) {
        SCOPED_TRACE(mode);
        settings.viewMode = mode;
        settings.checkOnClick = 1;
        CImageListDlg panel(services);
        panel.resize(800, 500);
        panel.show();
        ASSERT_TRUE(waitUntil([&] { return model.rowCount() == 2 && !panel.busy(); }));
        auto* view = panel.currentView();
        QWidget* viewport = view->viewport();
        const QRect cell = view->visualRect(model.index(0, 0));
        const QRect box =
            mode == 2 ? panel.detailsView()->tickBoxRect(0) : panel.iconView()->tickBoxRect(0);
        ASSERT_TRUE(box.isValid());
        ASSERT_TRUE(cell.contains(box.center()));

        // Somewhere on the row's cell away from the box: the name or the picture.
        QPoint away = cell.center();
        if (box.contains(away))
            away = QPoint(cell.right() - 3, cell.bottom() - 3);
        ASSERT_FALSE(box.contains(away));
        QTest::mouseClick(viewport, Qt::LeftButton, {}, away);
        EXPECT_FALSE(model.isTicked(0));
        QTest::mouseClick(viewport, Qt::LeftButton, {}, box.center());
        EXPECT_TRUE(model.isTicked(0));
        QTest::mouseClick(viewport, Qt::LeftButton, {}, box.center());
        EXPECT_FALSE(model.isTicked(0));

        settings.checkOnClick = 0;
        QTest::mouseClick(viewport, Qt::LeftButton, {}, away);
        EXPECT_FALSE(model.isTicked(0));
        EXPECT_TRUE(model.isTicked(1));
    }
}

TEST_F(ImageListTest, ContextMenuGreysRowCommandsWithoutASelectionAndSelectAllStartsAsUntick) {
    writePicture("a.png", 8, 8);
    writePicture("b.png", 8, 8);
    CImageListDlg panel(services);
    load(panel);
    std::unique_ptr<QMenu> menu = panel.buildContextMenu();
    QStringList greyed, enabled;
    for (QAction* action : menu->actions()) {
        if (action->isSeparator())
            continue;
        (action->isEnabled() ? enabled : greyed) << action->text();
    }
    EXPECT_EQ(greyed, (QStringList{"预览", "编辑", "打开文件位置", "复制到桌面", "删除（至回收站）",
                                   "顺时针旋转", "逆时针旋转", "左右翻转", "上下翻转"}));
    EXPECT_EQ(enabled, (QStringList{"全不选", "超大图标", "大图标", "详细信息"}));

    panel.runCommand(cc::kSelectAll);  // right after a load: every row unticked
    EXPECT_EQ(model.tickedCount(), 0);
    menu = panel.buildContextMenu();
    const QList<QAction*> actions = menu->actions();
    EXPECT_TRUE(std::any_of(actions.begin(), actions.end(),
                            [](QAction* a) { return a->text() == "全选" && !a->isChecked(); }));
    panel.runCommand(cc::kSelectAll);
    EXPECT_EQ(model.tickedCount(), 2);

    select(panel, {1});
    menu = panel.buildContextMenu();
    for (QAction* action : menu->actions()) {
        // Rotation waits for the imaging engine's rotator; everything else is available.
        const bool rotation = action->text().contains("旋转") || action->text().contains("翻转");
        if (action->isSeparator())
            continue;
        EXPECT_EQ(action->isEnabled(), !rotation) << action->text().toStdString();
    }
}

TEST_F(ImageListTest, RowCommandsWorkOnTheSelectedRowsInRowOrder) {
    writePicture("a.png", 8, 8);
    writePicture("b.png", 8, 8, Qt::red);
    writePicture("c.png", 8, 8);
    testing::TempDir desktop;
    shell.desktop = QString::fromStdString(desktop.folder());
    desktop.write("b.png", "an older file of the same name");
    CImageListDlg panel(services);
    load(panel);
    const QString a = QString::fromStdString(photos.file("a.png"));
    const QString b = QString::fromStdString(photos.file("b.png"));
    select(panel, {2, 0});
    panel.runCommand(cc::kPreview);
    panel.runCommand(cc::kEdit);
    panel.runCommand(cc::kOpenLocation);
    EXPECT_EQ(shell.opened, (QStringList{a, QString::fromStdString(photos.file("c.png"))}));
    EXPECT_EQ(shell.edited, shell.opened);
    EXPECT_EQ(shell.shown, QStringList{a});

    select(panel, {1});
    panel.runCommand(cc::kCopyToDesktop);
    EXPECT_EQ(testing::readFile(desktop.file("b.png")), testing::readFile(b.toStdString()));
    EXPECT_EQ(status.last(1), "已复制 1 张图片到桌面");
}

TEST_F(ImageListTest, DeleteRemovesExactlyTheRowsWhoseFilesWentToTheTrash) {
    for (const char* name : {"a.png", "b.png", "c.png", "d.png"})
        writePicture(name, 8, 8);
    CImageListDlg panel(services);
    load(panel);
    shell.locked.insert(QString::fromStdString(photos.file("b.png")));
    select(panel, {0, 1, 3});
    panel.runCommand(cc::kDeleteToTrash);
    EXPECT_EQ(names(), (QStringList{"b.png", "c.png"}));
    EXPECT_EQ(shell.trashed.size(), 2);
    EXPECT_EQ(model.recordCount(), 4);  // the records stay until the next load

    // While a batch holds the catalog, deleting is refused with a message.
    ASSERT_TRUE(gate.tryEnter(WorkKind::Batch));
    select(panel, {0});
    shell.locked.clear();
    panel.runCommand(cc::kDeleteToTrash);
    EXPECT_EQ(model.rowCount(), 2);
    EXPECT_EQ(status.last(1), WorkGate::refusalFor(WorkKind::Batch));
    gate.leave();
}

TEST_F(ImageListTest, RotationsNumberTheirRowsAreRefusedDuringABatchAndALoadWaitsForThem) {
    writePicture("a.png", 40, 20);
    writePicture("b.png", 40, 20);
    std::atomic<bool> release{false};
    std::atomic<int> started{0};
    std::vector<int> numbers;
    QMutex numbersLock;
    services.rotateFlip = [&](CatalogItem& item, int code) {
        {
            QMutexLocker lock(&numbersLock);
            numbers.push_back(item.number * 10 + code);
        }
        ++started;
        while (!release)
            QThread::msleep(2);
        std::swap(item.width, item.height);
        return ItemOutcome{};
    };
    CImageListDlg panel(services);
    load(panel);
    Q_EMIT panel.detailsView()->header()->sectionClicked(0);  // ascending: order unchanged
    Q_EMIT panel.detailsView()->header()->sectionClicked(0);  // descending: b, a
    ASSERT_EQ(names(), (QStringList{"b.png", "a.png"}));

    ASSERT_TRUE(gate.tryEnter(WorkKind::Batch));
    select(panel, {0});
    panel.runCommand(cc::kRotateClockwise);
    EXPECT_EQ(status.last(1), WorkGate::refusalFor(WorkKind::Batch));
    EXPECT_EQ(started.load(), 0);
    gate.leave();

    select(panel, {0, 1});
    panel.runCommand(cc::kFlipVertical);
    ASSERT_TRUE(waitUntil([&] { return started.load() == 2; }));
    std::sort(numbers.begin(), numbers.end());
    EXPECT_EQ(numbers, (std::vector<int>{6, 16}));  // number := the row, code 6

    // A load asked for now waits for the rotations, then runs.
    int loads = 0;
    QObject::connect(&panel, &CImageListDlg::loadStarted, [&] { ++loads; });
    EXPECT_FALSE(panel.loadFolder());
    waitUntil([] { return false; }, 50);
    EXPECT_EQ(loads, 0);
    EXPECT_EQ(model.item(0).width, 40);
    release = true;
    ASSERT_TRUE(waitUntil([&] { return loads == 1 && !panel.busy(); }));
    EXPECT_EQ(model.rowCount(), 2);
}

TEST_F(ImageListTest, DroppingQueuedThumbnailsNeverDropsAQueuedRotation) {
    writePicture("a.png", 40, 20);
    writePicture("b.png", 40, 20);
    services.poolSize = 1;
    std::atomic<bool> release{false};
    std::atomic<int> rotated{0};
    services.rotateFlip = [&](CatalogItem&, int) {
        while (!release)
            QThread::msleep(2);
        ++rotated;
        return ItemOutcome{};
    };
    CImageListDlg panel(services);
    load(panel);
    select(panel, {0, 1});
    panel.runCommand(cc::kRotateCounterClockwise);  // one runs, one waits in the queue
    panel.stopThumbnails();
    release = true;
    ASSERT_TRUE(waitUntil([&] { return !panel.busy(); }));
    EXPECT_EQ(rotated.load(), 2);
}

TEST_F(ImageListTest, EnterDuringALoadStartsNoSecondOne) {
    writePicture("a.png", 8, 8);
    std::atomic<bool> release{false};
    std::atomic<int> reads{0};
    services.reader = [&](const std::string&, CatalogItem&) {
        ++reads;
        while (!release)
            QThread::msleep(2);
    };
    CImageListDlg panel(services);
    int loads = 0;
    QObject::connect(&panel, &CImageListDlg::loadStarted, [&] { ++loads; });
    panel.folderBox()->setEditText(QString::fromStdString(photos.folder()));
    QTest::keyClick(panel.folderBox()->lineEdit(), Qt::Key_Return);
    ASSERT_TRUE(waitUntil([&] { return reads.load() == 1; }));
    EXPECT_FALSE(panel.addButton()->isEnabled());
    QTest::keyClick(panel.folderBox()->lineEdit(), Qt::Key_Enter);
    QTest::keyClick(&panel, Qt::Key_Return);
    release = true;
    ASSERT_TRUE(waitUntil([&] { return !panel.busy() && panel.addButton()->isEnabled(); }));
    EXPECT_EQ(loads, 1);
    EXPECT_EQ(reads.load(), 1);
    EXPECT_FALSE(status.saw(WorkGate::refusalFor(WorkKind::Load)));
    EXPECT_EQ(panel.folderBox()->itemText(0), QString::fromStdString(photos.folder()));
}

TEST_F(ImageListTest, ChoosingAHistoryEntryLoadsItAndTheHistoryKeepsTheNewestFirst) {
    testing::TempDir other;
    QImage(4, 4, QImage::Format_RGB32).save(QString::fromStdString(other.file("x.png")));
    writePicture("a.png", 8, 8);
    writePicture("b.png", 8, 8);
    CImageListDlg panel(services);
    load(panel);
    panel.folderBox()->setEditText(QString::fromStdString(other.folder()));
    ASSERT_TRUE(panel.loadFolder());
    ASSERT_TRUE(waitUntil([&] { return !panel.busy(); }));
    ASSERT_EQ(panel.folderBox()->count(), 2);
    EXPECT_EQ(panel.folderBox()->itemText(0), QString::fromStdString(other.folder()));
    EXPECT_EQ(model.rowCount(), 1);

    Q_EMIT panel.folderBox()->activated(1);
    ASSERT_TRUE(waitUntil([&] { return !panel.busy() && model.rowCount() == 2; }));
    EXPECT_EQ(panel.folderBox()->currentText(), QString::fromStdString(photos.folder()));
    EXPECT_EQ(panel.folderBox()->itemText(0), QString::fromStdString(photos.folder()));
    EXPECT_EQ(settings.lastViewFolder, QString::fromStdString(photos.folder()));
}

TEST_F(ImageListTest, ChangingTheViewModeStoresItAndReloadsButTheSameModeDoesNothing) {
    writePicture("a.png", 300, 300, Qt::red);
    std::atomic<int> renders{0};
    QSize lastBox;
    services.renderThumbnail = [&](const CatalogItem& item, int w, int h) {
        ++renders;
        lastBox = QSize(w, h);
        return renderCatalogThumbnail(item, w, h);
    };
    CImageListDlg panel(services);
    load(panel);
    EXPECT_EQ(renders.load(), 1);
    EXPECT_EQ(lastBox, QSize(100, 80));

    int loads = 0;
    QObject::connect(&panel, &CImageListDlg::loadStarted, [&] { ++loads; });
    panel.runCommand(cc::kLargeIcons);
    waitUntil([] { return false; }, 30);
    EXPECT_EQ(loads, 0);

    panel.runCommand(cc::kExtraLargeIcons);
    ASSERT_TRUE(waitUntil([&] { return loads == 1 && !panel.busy(); }));
    EXPECT_EQ(lastBox, QSize(200, 160));
    EXPECT_EQ(model.thumbnail(0).size(), QSize(200, 160));
    EXPECT_EQ(panel.iconView()->gridSize(), QSize(220, 180));
    EXPECT_EQ(settings.thumbWidth, 200);
    EXPECT_EQ(QSettings(QString::fromStdString(config.file("Velumark.conf")), QSettings::IniFormat)
                  .value("main/viewmode")
                  .toInt(),
              0);

    panel.runCommand(cc::kDetails);
    ASSERT_TRUE(waitUntil([&] { return loads == 2 && !panel.busy(); }));
    EXPECT_EQ(panel.currentView(), panel.detailsView());
    EXPECT_EQ(renders.load(), 2);  // the details view draws no thumbnails
    // The designed widths, or wider where this font needs it: no size or date is cut.
    const QFontMetrics metrics(panel.detailsView()->font());
    EXPECT_GE(panel.detailsView()->columnWidth(4), 130);
    EXPECT_GE(panel.detailsView()->columnWidth(1), 80);
    EXPECT_GT(panel.detailsView()->columnWidth(1), metrics.horizontalAdvance("1600 x 1200"));
    EXPECT_GT(panel.detailsView()->columnWidth(4),
              metrics.horizontalAdvance("2012:11:01 09:10:45"));
}

TEST_F(ImageListTest, ThumbnailsReachTheirRecordsAfterTheRowsWereSorted) {
    writePicture("a.png", 10, 10, Qt::red);
    writePicture("b.png", 20, 10, Qt::green);
    writePicture("c.png", 30, 10, Qt::blue);
    std::atomic<bool> release{false};
    services.renderThumbnail = [&](const CatalogItem& item, int w, int h) {
        while (!release)
            QThread::msleep(2);
        return renderCatalogThumbnail(item, w, h);
    };
    CImageListDlg panel(services);
    panel.folderBox()->setEditText(QString::fromStdString(photos.folder()));
    ASSERT_TRUE(panel.loadFolder());
    ASSERT_TRUE(waitUntil([&] { return panel.addButton()->isEnabled(); }));
    panel.sortByColumn(1);
    panel.sortByColumn(1);  // descending by width: c, b, a
    ASSERT_EQ(names(), (QStringList{"c.png", "b.png", "a.png"}));
    release = true;
    ASSERT_TRUE(waitUntil([&] { return !panel.busy(); }));
    const QColor expected[] = {Qt::blue, Qt::green, Qt::red};
    for (int row = 0; row < 3; ++row) {
        const QImage thumbnail = model.thumbnail(row);
        ASSERT_FALSE(thumbnail.isNull());
        // A picture that fits its box keeps its size in the top-left corner.
        EXPECT_EQ(thumbnail.pixelColor(2, 2), expected[row]) << row;
    }
}

TEST_F(ImageListTest, AFileChangedInPlaceHasItsThumbnailDrawnAgain) {
    writePicture("a.png", 40, 20, Qt::red);
    writePicture("b.png", 40, 20, Qt::green);
    CImageListDlg panel(services);
    panel.folderBox()->setEditText(QString::fromStdString(photos.folder()));
    ASSERT_TRUE(panel.loadFolder());
    ASSERT_TRUE(waitUntil([&] { return panel.addButton()->isEnabled() && !panel.busy(); }));
    // The colour inside the picture, which keeps its size in the box's top-left corner.
    const auto colour = [&](int row) {
        const QImage thumbnail = model.thumbnail(row);
        return thumbnail.isNull() ? QColor() : thumbnail.pixelColor(2, 2);
    };
    ASSERT_EQ(colour(0), QColor(Qt::red));
    writePicture("a.png", 20, 40, Qt::blue);  // as a rotate batch leaves it
    panel.redrawThumbnail(QString::fromStdString(photos.file("a.png")));
    ASSERT_TRUE(waitUntil([&] { return !panel.busy() && colour(0) == QColor(Qt::blue); }));
    EXPECT_EQ(colour(1), QColor(Qt::green));
    panel.redrawThumbnail(QString::fromStdString(photos.file("gone.png")));  // not listed: nothing
    EXPECT_FALSE(panel.busy());
}

TEST_F(ImageListTest, AThumbnailLetGoIsDrawnAgainWhenItsRowIsShown) {
    for (const char* name : {"a.png", "b.png", "c.png", "d.png", "e.png"})
        writePicture(name, 20, 20);
    CImageListDlg panel(services);
    model.setThumbnailLimit(3);
    panel.folderBox()->setEditText(QString::fromStdString(photos.folder()));
    ASSERT_TRUE(panel.loadFolder());
    ASSERT_TRUE(waitUntil([&] { return panel.addButton()->isEnabled() && !panel.busy(); }));
    EXPECT_LE(model.thumbnailCount(), 3);
    int dropped = -1;
    for (int row = 0; row < model.rowCount() && dropped < 0; ++row) {
        if (model.thumbnail(row).isNull())
            dropped = row;
    }
    ASSERT_GE(dropped, 0);
    model.data(model.index(dropped, 0), Qt::DecorationRole);  // as a view drawing the row
    EXPECT_TRUE(waitUntil([&] { return !model.thumbnail(dropped).isNull(); }));
    EXPECT_LE(model.thumbnailCount(), 3);
}

TEST_F(ImageListTest, DoubleClickOpensTheFullScreenPreviewButNotOnTheTickBox) {
    writePicture("wide.png", 400, 100, Qt::blue);
    settings.viewMode = 2;
    CImageListDlg panel(services);
    panel.resize(800, 500);
    panel.show();
    ASSERT_TRUE(waitUntil([&] { return model.rowCount() == 1 && !panel.busy(); }));
    auto previews = [] {
        QList<CFullScreenPreview*> found;
        for (QWidget* widget : QApplication::topLevelWidgets()) {
            if (auto* preview = qobject_cast<CFullScreenPreview*>(widget);
                preview && preview->isVisible()) {
                found << preview;
            }
        }
        return found;
    };
    QWidget* viewport = panel.detailsView()->viewport();
    QTest::mouseDClick(viewport, Qt::LeftButton, {}, panel.detailsView()->tickBoxRect(0).center());
    EXPECT_TRUE(previews().isEmpty());
    const QRect sizeCell = panel.detailsView()->visualRect(model.index(0, 1));
    QTest::mouseDClick(viewport, Qt::LeftButton, {}, sizeCell.center());
    ASSERT_EQ(previews().size(), 1);
    CFullScreenPreview* preview = previews().first();
    EXPECT_EQ(preview->picture().size(), QSize(400, 100));
    QTest::keyClick(preview, Qt::Key_Escape);
    EXPECT_TRUE(previews().isEmpty());

    // Fitted: shrunk to the screen keeping its shape, never enlarged, centred.
    EXPECT_EQ(CFullScreenPreview::fittedRect(QSize(4000, 1000), QSize(1000, 800)),
              QRect(0, 275, 1000, 250));
    EXPECT_EQ(CFullScreenPreview::fittedRect(QSize(100, 50), QSize(1000, 800)),
              QRect(450, 375, 100, 50));
}

}  // namespace
}  // namespace pixmill
