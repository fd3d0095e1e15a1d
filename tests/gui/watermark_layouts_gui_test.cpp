// Saved layouts and the stamp-width option above the layout canvas, with the text panel that
// starts the batch: real files in a throw-away template folder, a real settings file.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTest>
#include <QToolButton>

#include <filesystem>

#include "catalog_fixture.h"
#include "engine/app/profile.h"
#include "engine/watermark/layout_library.h"
#include "gui/watermark/grid_static.h"
#include "gui/watermark/layout_library_bar.h"
#include "gui/watermark/layout_pane.h"
#include "gui/watermark/preview_dlg.h"
#include "gui/watermark/water_text_dlg.h"
#include "recording_prompter.h"

namespace pixmill {
namespace {

std::vector<std::uint8_t> layoutBytes(const CControlTracker& group) {
    return writeLayoutArchive(group.toLayoutRecord());
}

// One program run: the settings file, the layout pane with its bar, the text panel.
struct Session {
    Session(const testing::TempDir& temp, testing::RecordingPrompter& prompter)
        : profile(QString::fromStdString(temp.file("settings.ini"))) {
        const QString templates = QString::fromStdString(temp.folder() + "WatermarkTemplate/");
        text = std::make_unique<CWaterTextDlg>(pane.canvas(), profile, templates,
                                               [this](BatchJob job) {
                                                   started.push_back(std::move(job));
                                                   return true;
                                               });
        bar().setStore(profile, templates, &prompter);
    }
    CLayoutLibraryBar& bar() { return *pane.libraryBar(); }
    CControlTracker& group() { return pane.canvas()->group(); }

    SettingsProfile profile;
    CLayoutPane pane;
    std::unique_ptr<CWaterTextDlg> text;
    std::vector<BatchJob> started;
};

// A blue 50 x 20 picture layer on the canvas.
void addBadge(Session& session, const testing::TempDir& temp) {
    QImage badge(50, 20, QImage::Format_RGB32);
    badge.fill(Qt::blue);
    ASSERT_TRUE(badge.save(QString::fromStdString(temp.file("badge.png"))));
    auto picture = std::make_unique<CWatermarkCtrl>();
    picture->imagePath = temp.file("badge.png");
    picture->attachLayer(session.pane.canvas());
    session.group().addLayer(std::move(picture));
}

// A blue 50 x 20 picture layer and a text layer, placed apart, aligned bottom-right.
void arrange(Session& session, const testing::TempDir& temp) {
    addBadge(session, temp);
    session.text->textEdit()->setPlainText(QStringLiteral("店铺"));
    session.group().deselectAll();
    session.text->addButton()->click();
    session.group().current->rect.offset(70, 30);
    QTest::mouseClick(session.text->grid(), Qt::LeftButton, Qt::NoModifier, QPoint(95, 95));
    ASSERT_EQ(session.group().header.alignMode, 8);
}

TEST(SavedLayoutBar, savedLayoutsComeBackByNameAndAtTheNextStart) {
    testing::TempDir temp;
    testing::RecordingPrompter prompter(true);
    std::vector<std::uint8_t> saved;
    {
        Session first(temp, prompter);
        arrange(first, temp);
        saved = layoutBytes(first.group());
        first.bar().nameBox()->setEditText(QStringLiteral(" 店标 "));
        first.bar().saveButton()->click();
        EXPECT_TRUE(prompter.shown.isEmpty()) << prompter.shown.join('|').toStdString();
        EXPECT_TRUE(std::filesystem::exists(temp.folder() + "WatermarkTemplate/店标.layout"));
        EXPECT_EQ(first.bar().nameBox()->findText(QStringLiteral("店标")), 0);

        // Loading by name replaces whatever the canvas holds.
        first.group().clearLayers();
        first.group().header.alignMode = 0;
        first.text->grid()->setCell(0);
        first.bar().loadButton()->click();
        EXPECT_EQ(layoutBytes(first.group()), saved);
        EXPECT_EQ(first.text->grid()->cell(), 8);  // the panel shows the loaded alignment
        first.group().clearLayers();
    }
    // The next start: the layout used last is back on the canvas, before anything is clicked.
    testing::StatusRecorder status;
    Session next(temp, prompter);
    EXPECT_TRUE(next.group().layers.empty());
    EXPECT_TRUE(next.bar().restoreLastLayout());
    EXPECT_EQ(layoutBytes(next.group()), saved);
    EXPECT_EQ(next.text->grid()->cell(), 8);
    EXPECT_EQ(next.bar().nameBox()->currentText(), QStringLiteral("店标"));
    for (auto& layer : next.group().layers)
        EXPECT_EQ(layer->owner, next.pane.canvas());
    EXPECT_EQ(status.last(1), "");  // nothing to report
}

TEST(SavedLayoutBar, badNamesAreRefusedAndAnExistingLayoutIsReplacedOnlyWhenConfirmed) {
    testing::TempDir temp;
    testing::RecordingPrompter prompter(false);
    Session session(temp, prompter);
    arrange(session, temp);
    const std::string folder = temp.folder() + "WatermarkTemplate/";
    for (const char* bad : {"", "a/b", "..\\up", "CON", "名称?"}) {
        prompter.shown.clear();
        EXPECT_FALSE(session.bar().saveLayout(QString::fromUtf8(bad))) << bad;
        ASSERT_EQ(prompter.shown.size(), 1) << bad;
        EXPECT_EQ(prompter.shown.front().toStdString(), layoutNameProblem(bad));
    }
    EXPECT_TRUE(savedLayoutNames(folder).empty());

    ASSERT_TRUE(session.bar().saveLayout(QStringLiteral("shop")));
    const auto before = testing::readFile(folder + "shop.layout");
    session.group().header.alignMode = 4;
    prompter.shown.clear();
    EXPECT_FALSE(session.bar().saveLayout(QStringLiteral("shop")));  // answered "no"
    EXPECT_EQ(prompter.shown, QStringList{QStringLiteral("水印布局“shop”已存在，要覆盖它吗？")});
    EXPECT_EQ(testing::readFile(folder + "shop.layout"), before);
    prompter.answer = true;
    EXPECT_TRUE(session.bar().saveLayout(QStringLiteral("shop")));
    EXPECT_NE(testing::readFile(folder + "shop.layout"), before);

    // Loading a name that is not saved says so and keeps the canvas.
    const auto shown = layoutBytes(session.group());
    prompter.shown.clear();
    EXPECT_FALSE(session.bar().loadLayout(QStringLiteral("shops")));
    EXPECT_EQ(prompter.shown, QStringList{QStringLiteral("找不到水印布局“shops”")});
    EXPECT_EQ(layoutBytes(session.group()), shown);
}

TEST(SavedLayoutBar, aMissingOrDamagedLastLayoutStartsEmptyWithAStatusMessage) {
    testing::TempDir temp;
    testing::RecordingPrompter prompter;
    std::filesystem::create_directories(temp.path() / "WatermarkTemplate");
    temp.write("WatermarkTemplate/cut.layout", std::string("\xFF\xFF\x00\x00\x13\x00", 6));
    for (const char* last : {"gone", "cut"}) {
        {
            SettingsProfile profile(QString::fromStdString(temp.file("settings.ini")));
            profile.writeString("watermark", "lastlayout", QString::fromUtf8(last));
            profile.flush();
        }
        testing::StatusRecorder status;
        Session session(temp, prompter);
        EXPECT_FALSE(session.bar().restoreLastLayout());
        EXPECT_TRUE(session.group().layers.empty());
        EXPECT_EQ(session.group().header.alignMode, -1);
        EXPECT_NE(status.last(1).find(std::string("“") + last + "”"), std::string::npos)
            << status.last(1);
        EXPECT_NE(status.last(1).find("画布为空"), std::string::npos);
        EXPECT_TRUE(prompter.shown.isEmpty());  // no box at start, only the status line
    }
}

TEST(SavedLayoutBar, stampWidthIsRememberedAndScalesTheStartedBatch) {
    testing::TempDir temp;
    testing::RecordingPrompter prompter;
    {
        Session first(temp, prompter);
        EXPECT_FALSE(first.bar().stampWidthSpin()->isEnabled());
        EXPECT_EQ(first.group().stampWidthPercent, 0);
        first.bar().stampWidthBox()->setChecked(true);
        first.bar().stampWidthSpin()->setValue(30);
        EXPECT_EQ(first.group().stampWidthPercent, 30);
    }
    Session session(temp, prompter);
    EXPECT_TRUE(session.bar().stampWidthBox()->isChecked());
    EXPECT_EQ(session.bar().stampWidthSpin()->value(), 30);
    EXPECT_EQ(session.group().stampWidthPercent, 30);

    // One picture layer, 50 pixels wide, bottom-right: 30 % of a 1000-pixel photo is 300.
    addBadge(session, temp);
    session.group().header.alignMode = 8;
    session.text->grid()->setCell(8);
    ASSERT_TRUE(session.text->startBatch());
    ASSERT_EQ(session.started.size(), 1u);
    QImage photo(1000, 500, QImage::Format_RGB32);
    photo.fill(Qt::green);
    ASSERT_TRUE(photo.save(QString::fromStdString(temp.file("photo.png"))));
    BatchJob& job = session.started.front();
    ASSERT_TRUE(job.prepare().isOk());
    WorkedRow row;
    row.item.fullPath = temp.file("photo.png");
    row.item.fileName = "photo.png";
    std::filesystem::create_directory(temp.path() / "out");
    BatchEnvironment env{temp.folder(), temp.folder() + "out/"};
    ASSERT_EQ(job.perItem(row, env).status, ItemStatus::Ok);
    // The batch's output and the pane's preview alike.
    session.pane.setPreviewSource([&row] { return std::optional<CatalogItem>(row.item); });
    session.pane.previewToggle()->setChecked(true);
    const QImage stamps[] = {QImage(QString::fromStdString(env.outputDir + "photo.png")),
                             session.pane.previewImage()};
    for (const QImage& stamped : stamps) {
        ASSERT_EQ(stamped.size(), QSize(1000, 500));
        QRect blue;
        for (int y = 300; y < 500; ++y)
            for (int x = 500; x < 1000; ++x) {
                const QColor c = stamped.pixelColor(x, y);
                if (c.blue() > 200 && c.green() < 60)
                    blue = blue.united(QRect(x, y, 1, 1));
            }
        EXPECT_NEAR(blue.width(), 300, 3);
        EXPECT_NEAR(blue.height(), 120, 3);
        EXPECT_NEAR(blue.right(), 999, 2);
        EXPECT_NEAR(blue.bottom(), 499, 2);
    }
}

}  // namespace
}  // namespace pixmill
