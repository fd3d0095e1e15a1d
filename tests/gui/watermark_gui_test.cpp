// The layout canvas, its alignment grid and the two watermark panels, driven on the offscreen
// platform with real fonts, real pictures and a real JPEG batch.
#include <gtest/gtest.h>

#include <QFontDatabase>
#include <QScrollArea>
#include <QScrollBar>

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QImage>
#include <QListWidget>
#include <QMenu>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSlider>
#include <QSpinBox>
#include <QTest>
#include <QToolButton>
#include <QWheelEvent>

#include <map>

#include "engine/app/profile.h"
#include "engine/watermark/control_tracker.h"
#include "engine/watermark/layer_clipboard.h"
#include "gui/watermark/color_picker_button.h"
#include "gui/watermark/grid_static.h"
#include "gui/watermark/layout_pane.h"
#include "gui/watermark/preview_dlg.h"
#include "gui/watermark/water_image_dlg.h"
#include "gui/watermark/water_text_dlg.h"
#include "support/temp_dir.h"

namespace pixmill {
namespace {

class MemoryProfile : public Profile {
  public:
    std::map<QString, QString> values;
    static QString key(const QString& s, const QString& k) { return s + "/" + k; }
    bool hasSection(const QString&) const override { return !values.empty(); }
    int readInt(const QString& s, const QString& k, int d) const override {
        auto it = values.find(key(s, k));
        return it == values.end() ? d : it->second.toInt();
    }
    QString readString(const QString& s, const QString& k, const QString& d) const override {
        auto it = values.find(key(s, k));
        return it == values.end() ? d : it->second;
    }
    void writeInt(const QString& s, const QString& k, int v) override {
        values[key(s, k)] = QString::number(v);
    }
    void writeString(const QString& s, const QString& k, const QString& v) override {
        values[key(s, k)] = v;
    }
    void flush() override {}
};

// A plain layer of w x h; the canvas places it at the group's top-left, so it is moved after.
CWatermarkCtrl* addBox(CPreviewDlg& canvas, int x, int y, int w, int h) {
    auto layer = std::make_unique<CWatermarkCtrl>();
    layer->setText("box");
    layer->attachLayer(&canvas);
    layer->rect = {0, 0, w, h};
    CWatermarkCtrl* added = canvas.group().addLayer(std::move(layer));
    added->rect = {x, y, x + w, y + h};
    return added;
}

std::vector<CWatermarkCtrl*> layersOf(CPreviewDlg& canvas) {
    std::vector<CWatermarkCtrl*> out;
    for (auto& layer : canvas.group().layers)
        out.push_back(layer.get());
    return out;
}

void sendWheel(QWidget& widget, int deltaY) {
    QPointF pos(50, 50);
    QWheelEvent event(pos, widget.mapToGlobal(pos), QPoint(), QPoint(0, deltaY), Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(&widget, &event);
}

class CanvasTest : public ::testing::Test {
  protected:
    void SetUp() override {
        canvas.resize(600, 400);
        canvas.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&canvas));
    }
    CPreviewDlg canvas;
};

TEST_F(CanvasTest, ClicksSelectTheLowestLayerAndHonourCtrlAndShift) {
    CWatermarkCtrl* lower = addBox(canvas, 50, 50, 100, 100);
    CWatermarkCtrl* upper = addBox(canvas, 100, 100, 100, 100);
    CWatermarkCtrl* third = addBox(canvas, 300, 50, 50, 50);
    canvas.group().deselectAll();

    QTest::mouseClick(&canvas, Qt::LeftButton, Qt::NoModifier, QPoint(120, 120));
    EXPECT_TRUE(lower->selected);
    EXPECT_FALSE(upper->selected);
    EXPECT_EQ(canvas.group().current, lower);

    // Ctrl on the only selected layer flips the whole selection.
    QTest::mouseClick(&canvas, Qt::LeftButton, Qt::ControlModifier, QPoint(60, 60));
    EXPECT_FALSE(lower->selected);
    EXPECT_TRUE(upper->selected);
    EXPECT_TRUE(third->selected);

    // Ctrl on an unselected layer adds it.
    QTest::mouseClick(&canvas, Qt::LeftButton, Qt::ControlModifier, QPoint(60, 60));
    EXPECT_TRUE(lower->selected);
    EXPECT_TRUE(upper->selected);

    // Shift on empty canvas leaves the selection; a plain click there clears it.
    QTest::mouseClick(&canvas, Qt::LeftButton, Qt::ShiftModifier, QPoint(500, 350));
    EXPECT_TRUE(lower->selected && upper->selected && third->selected);
    QTest::mouseClick(&canvas, Qt::LeftButton, Qt::NoModifier, QPoint(500, 350));
    EXPECT_FALSE(lower->selected || upper->selected || third->selected);
    EXPECT_EQ(canvas.group().current, nullptr);

    // Shift on a layer adds it to the selection.
    QTest::mouseClick(&canvas, Qt::LeftButton, Qt::NoModifier, QPoint(320, 70));
    QTest::mouseClick(&canvas, Qt::LeftButton, Qt::ShiftModifier, QPoint(60, 60));
    EXPECT_TRUE(third->selected && lower->selected);
    EXPECT_FALSE(upper->selected);
}

TEST_F(CanvasTest, RubberBandSelectsOnlyWholeLayers) {
    CWatermarkCtrl* inside = addBox(canvas, 50, 50, 40, 40);
    CWatermarkCtrl* cut = addBox(canvas, 150, 50, 100, 40);
    canvas.group().deselectAll();
    // Dragged from bottom-right to top-left: the band is normalised.
    QTest::mousePress(&canvas, Qt::LeftButton, Qt::NoModifier, QPoint(200, 150));
    QTest::mouseMove(&canvas, QPoint(100, 100));
    QTest::mouseRelease(&canvas, Qt::LeftButton, Qt::NoModifier, QPoint(20, 20));
    EXPECT_TRUE(inside->selected);
    EXPECT_FALSE(cut->selected);
}

TEST_F(CanvasTest, DraggingMovesTheSelectionAndAHandleResizesOneLayer) {
    CWatermarkCtrl* a = addBox(canvas, 50, 50, 40, 40);
    CWatermarkCtrl* b = addBox(canvas, 150, 50, 40, 40);
    canvas.group().selectAll();
    QTest::mousePress(&canvas, Qt::LeftButton, Qt::NoModifier, QPoint(60, 60));
    QTest::mouseMove(&canvas, QPoint(80, 90));
    QTest::mouseRelease(&canvas, Qt::LeftButton, Qt::NoModifier, QPoint(90, 100));
    EXPECT_EQ(a->rect, (LayoutRect{80, 90, 120, 130}));
    EXPECT_EQ(b->rect, (LayoutRect{180, 90, 220, 130}));

    // The bottom-right handle lies just outside the corner; dragging it past the opposite
    // corner leaves a normalised rectangle.
    QTest::mousePress(&canvas, Qt::LeftButton, Qt::NoModifier, QPoint(222, 132));
    QTest::mouseRelease(&canvas, Qt::LeftButton, Qt::NoModifier, QPoint(162, 72));
    EXPECT_EQ(b->rect, (LayoutRect{160, 70, 180, 90}));
    EXPECT_EQ(a->rect, (LayoutRect{80, 90, 120, 130}));
    // A handle of an already selected layer keeps the rest of the selection.
    EXPECT_TRUE(b->selected && a->selected);
    EXPECT_EQ(canvas.group().current, b);
}

TEST(ResizeHandles, EachHandleMovesItsOwnEdges) {
    LayoutRect r{10, 10, 50, 50};
    EXPECT_EQ(resizedByHandle(r, kHitTopLeft, -5, -6), (LayoutRect{5, 4, 50, 50}));
    EXPECT_EQ(resizedByHandle(r, kHitTop, 7, -6), (LayoutRect{10, 4, 50, 50}));
    EXPECT_EQ(resizedByHandle(r, kHitRight, 7, 9), (LayoutRect{10, 10, 57, 50}));
    EXPECT_EQ(resizedByHandle(r, kHitBottomLeft, 3, 4), (LayoutRect{13, 10, 50, 54}));
    EXPECT_EQ(normalizedRect({50, 60, 10, 20}), (LayoutRect{10, 20, 50, 60}));
}

TEST_F(CanvasTest, WheelChangesTheTargetSizeWithinItsLimits) {
    sendWheel(canvas, 120);  // no layer at all: nothing to do, and no crash
    CWatermarkCtrl* layer = addBox(canvas, 50, 50, 40, 40);
    canvas.group().deselectAll();
    layer->setFontSize(30);
    sendWheel(canvas, 120);
    EXPECT_EQ(layer->fontSize, 30);  // neither current nor selected

    // A selected layer is the target when there is no current one.
    canvas.group().selectAll();
    ASSERT_EQ(canvas.group().current, nullptr);
    int shown = 0;
    QObject::connect(&canvas, &CPreviewDlg::fontSizeWheeled, [&](int size) { shown = size; });
    sendWheel(canvas, 120);
    EXPECT_EQ(layer->fontSize, 31);
    EXPECT_EQ(shown, 31);
    sendWheel(canvas, -120);
    EXPECT_EQ(layer->fontSize, 30);

    layer->setFontSize(200);
    sendWheel(canvas, 120);
    EXPECT_EQ(layer->fontSize, 200);
    layer->setFontSize(8);
    sendWheel(canvas, -120);
    EXPECT_EQ(layer->fontSize, 8);
}

TEST_F(CanvasTest, CopyPasteCarriesTheValuesAndCutWithoutCurrentKeepsTheClipboard) {
    CWatermarkCtrl* layer = addBox(canvas, 120, 80, 150, 60);
    layer->setText("版权所有 <maker>");
    layer->textColor = 0x0000FF;
    layer->setFontSize(33);
    layer->bold = 1;
    layer->angle = 30;
    layer->opacity = 60;
    layer->transparent = 1;
    layer->rect = {120, 80, 270, 140};
    canvas.group().deselectAll();
    canvas.group().selectLayer(layer);

    canvas.setFocus();
    QTest::keyClick(&canvas, Qt::Key_C, Qt::ControlModifier);
    const QMimeData* data = QApplication::clipboard()->mimeData();
    ASSERT_TRUE(data && data->hasFormat(kLayerMimeType));

    QTest::keyClick(&canvas, Qt::Key_V, Qt::ControlModifier);
    auto layers = layersOf(canvas);
    ASSERT_EQ(layers.size(), 2u);
    CWatermarkCtrl* pasted = layers.back();
    EXPECT_EQ(pasted->text, "版权所有 <maker>");
    EXPECT_EQ(pasted->textColor, 0x0000FFu);
    EXPECT_EQ(pasted->fontSize, 33);
    EXPECT_EQ(pasted->bold, 1);
    EXPECT_EQ(pasted->angle, 30);
    EXPECT_EQ(pasted->opacity, 60);
    EXPECT_EQ(pasted->transparent, 1);
    EXPECT_EQ(pasted->owner, &canvas);
    // At the group's top-left with the copied size, and the only selection.
    EXPECT_EQ(pasted->rect, (LayoutRect{120, 80, 270, 140}));
    EXPECT_TRUE(pasted->selected);
    EXPECT_FALSE(layer->selected);
    EXPECT_EQ(canvas.group().current, pasted);

    // Ctrl+X with no current layer deletes the selection but leaves the clipboard alone.
    QApplication::clipboard()->setText(QStringLiteral("keep me"));
    canvas.group().deselectAll();
    canvas.group().selectAll();
    ASSERT_EQ(canvas.group().current, nullptr);
    QTest::keyClick(&canvas, Qt::Key_X, Qt::ControlModifier);
    EXPECT_TRUE(canvas.group().layers.empty());
    EXPECT_EQ(QApplication::clipboard()->text(), QStringLiteral("keep me"));
    // Ctrl+V with foreign data adds nothing.
    QTest::keyClick(&canvas, Qt::Key_V, Qt::ControlModifier);
    EXPECT_TRUE(canvas.group().layers.empty());
}

TEST_F(CanvasTest, ContextMenuDisablesGroupEntriesWhenEmpty) {
    auto entries = [this] {
        std::unique_ptr<QMenu> menu(canvas.createContextMenu());
        std::map<QString, bool> enabled;
        int separators = 0;
        for (QAction* action : menu->actions()) {
            if (action->isSeparator())
                ++separators;
            else
                enabled[action->text()] = action->isEnabled();
        }
        EXPECT_EQ(separators, 3);
        return enabled;
    };
    auto empty = entries();
    ASSERT_EQ(empty.size(), 4u);
    EXPECT_FALSE(empty[QStringLiteral("全选")]);
    EXPECT_FALSE(empty[QStringLiteral("置顶")]);
    EXPECT_FALSE(empty[QStringLiteral("自动大小")]);
    EXPECT_TRUE(empty[QStringLiteral("添加文字")]);
    addBox(canvas, 10, 10, 30, 30);
    auto filled = entries();
    EXPECT_TRUE(filled[QStringLiteral("全选")] && filled[QStringLiteral("置顶")] &&
                filled[QStringLiteral("自动大小")]);
}

TEST_F(CanvasTest, PaintsTheCheckerboardLayersAndTrackers) {
    CWatermarkCtrl* layer = addBox(canvas, 100, 100, 60, 60);
    layer->setText("");
    layer->rect = {100, 100, 160, 160};
    canvas.group().selectLayer(layer);
    QImage shot = canvas.grab().toImage();
    EXPECT_EQ(shot.pixelColor(2, 2), QColor(255, 255, 255));
    EXPECT_EQ(shot.pixelColor(17, 2), QColor(200, 200, 200));
    EXPECT_EQ(shot.pixelColor(2, 17), QColor(200, 200, 200));
    EXPECT_EQ(shot.pixelColor(17, 17), QColor(255, 255, 255));
    EXPECT_EQ(shot.pixelColor(32, 2), QColor(255, 255, 255));
    // Outline on the rectangle, handles outside its corners.
    EXPECT_EQ(shot.pixelColor(100, 130), QColor(0, 0, 0));
    EXPECT_EQ(shot.pixelColor(97, 97), QColor(0, 0, 0));
    EXPECT_EQ(shot.pixelColor(162, 162), QColor(0, 0, 0));
    EXPECT_EQ(shot.pixelColor(130, 96), QColor(0, 0, 0));  // the top handle, centred
    EXPECT_NE(shot.pixelColor(115, 97), QColor(0, 0, 0)) << "nothing between the handles";
}

TEST(AlignmentGrid, CellsClicksAndRightClickClearing) {
    CGridStatic grid;
    grid.show();
    ASSERT_EQ(grid.size(), QSize(98, 98));
    std::vector<int> told;
    QObject::connect(&grid, &CGridStatic::cellChanged, [&](int cell) { told.push_back(cell); });
    QTest::mouseClick(&grid, Qt::LeftButton, Qt::NoModifier, QPoint(95, 40));
    EXPECT_EQ(grid.cell(), 5);
    QTest::mouseClick(&grid, Qt::LeftButton, Qt::NoModifier, QPoint(70, 33));
    EXPECT_EQ(grid.cell(), 5);  // same cell: nobody is told again
    QTest::mouseClick(&grid, Qt::LeftButton, Qt::NoModifier, QPoint(31, 31));
    EXPECT_EQ(grid.cell(), 0);  // x = 31 is still column 0 (cell 30 wide plus a 2-pixel gap)
    QTest::mouseClick(&grid, Qt::RightButton, Qt::NoModifier, QPoint(10, 10));
    EXPECT_EQ(grid.cell(), -1);
    QTest::mouseClick(&grid, Qt::RightButton, Qt::NoModifier, QPoint(10, 10));
    EXPECT_EQ(told, (std::vector<int>{5, 0, -1}));

    grid.setCell(8);
    QImage shot = grid.grab().toImage();
    EXPECT_EQ(shot.pixelColor(0, 0), QColor(192, 192, 192));
    EXPECT_EQ(shot.pixelColor(2, 2), QColor(255, 251, 240));
    EXPECT_EQ(shot.pixelColor(33, 2), QColor(192, 192, 192));  // the gap after column 0
    EXPECT_EQ(shot.pixelColor(70, 70), QColor(0, 0, 0));
    EXPECT_EQ(shot.pixelColor(95, 95), QColor(0, 0, 0));        // the last cell ends at 95
    EXPECT_EQ(shot.pixelColor(97, 97), QColor(192, 192, 192));  // beyond it
}

TEST(CustomColors, TextRoundTripAndPartialTexts) {
    CustomColors colors;
    for (std::size_t i = 0; i < colors.size(); ++i)
        colors[i] = static_cast<std::uint32_t>(i * 0x0A0B0C);
    QString text = formatCustomColors(colors);
    EXPECT_TRUE(text.startsWith(QStringLiteral("000000 0A0B0C 141618 ")));
    EXPECT_EQ(text.size(), 16 * 7 - 1);
    EXPECT_EQ(parseCustomColors(text), colors);

    CustomColors partial = parseCustomColors(QStringLiteral("ff  12ab zz"));
    EXPECT_EQ(partial[0], 0xFFu);
    EXPECT_EQ(partial[1], 0x12ABu);
    EXPECT_EQ(partial[2], 0xFFFFFFu);  // unreadable stays white
    EXPECT_EQ(partial[15], 0xFFFFFFu);
    EXPECT_EQ(parseCustomColors(QString())[0], 0xFFFFFFu);
    // Only the first 254 characters count: the 33rd seven-character value is cut off.
    QString longText = (QStringLiteral("000001 ").repeated(36));
    EXPECT_EQ(parseCustomColors(longText)[15], 1u);
}

class TextPanelTest : public ::testing::Test {
  protected:
    void SetUp() override {
        canvas.resize(600, 400);
        canvas.show();
        panel = std::make_unique<CWaterTextDlg>(
            &canvas, profile, QString::fromStdString(temp.folder() + "WatermarkTemplate"),
            [this](BatchJob job) {
                started.push_back(std::move(job));
                return true;
            });
        QObject::connect(&canvas, &CPreviewDlg::selectionClicked, panel.get(),
                         &CWaterTextDlg::followSelection);
    }
    testing::TempDir temp;
    MemoryProfile profile;
    CPreviewDlg canvas;
    std::unique_ptr<CWaterTextDlg> panel;
    std::vector<BatchJob> started;
};

TEST_F(TextPanelTest, StartsWithItsDefaultsAndAddsALayer) {
    EXPECT_EQ(panel->panelId(), 147);
    EXPECT_EQ(panel->displayName(), QStringLiteral("添加文字"));
    EXPECT_EQ(panel->sizeList()->count(), 193);
    EXPECT_EQ(panel->sizeList()->currentText(), QStringLiteral("28"));
    EXPECT_EQ(panel->textEdit()->toPlainText(), QStringLiteral("Pixmill"));
    EXPECT_EQ(panel->addButton()->text(), QStringLiteral("添加"));
    EXPECT_EQ(panel->opacitySlider()->value(), 100);
    EXPECT_EQ(panel->angleBox()->value(), 0);
    EXPECT_EQ(panel->grid()->cell(), -1);
    ASSERT_GT(panel->fontList()->count(), 0);
    // Without "宋体" (as here) the panel starts on a face that writes Chinese, when one is
    // installed.
    const QString startFont = panel->fontList()->currentText();
    bool anyChinese = false;
    for (const QString& family : QFontDatabase::families())
        anyChinese = anyChinese || QFontDatabase::writingSystems(family).contains(
                                       QFontDatabase::SimplifiedChinese);
    if (anyChinese && !startFont.startsWith(QStringLiteral("宋体"))) {
        EXPECT_TRUE(
            QFontDatabase::writingSystems(startFont).contains(QFontDatabase::SimplifiedChinese))
            << startFont.toStdString();
    }

    panel->textEdit()->setPlainText(QStringLiteral("样品"));
    panel->sizeList()->setCurrentIndex(40 - 8);
    panel->boldButton()->click();
    panel->shadowBox()->setChecked(true);
    panel->angleBox()->setValue(45);
    panel->opacitySlider()->setValue(50);
    panel->addButton()->click();
    ASSERT_EQ(canvas.group().layers.size(), 1u);
    CWatermarkCtrl* layer = canvas.group().current;
    ASSERT_NE(layer, nullptr);
    EXPECT_EQ(layer->text, "样品");
    EXPECT_EQ(layer->fontSize, 40);
    EXPECT_EQ(layer->bold, 1);
    EXPECT_EQ(layer->shadow, 1);
    EXPECT_EQ(layer->angle, 45);
    EXPECT_EQ(layer->opacity, 50);
    EXPECT_EQ(layer->transparent, 1);
    EXPECT_EQ(layer->owner, &canvas);
    EXPECT_EQ(layer->rect, layer->naturalSize());
}

TEST(DefaultFont, SongTiFirstThenAChineseFaceThenTheFirst) {
    const auto chineseIf = [](QStringList faces) {
        return [faces](const QString& family) { return faces.contains(family); };
    };
    const QStringList families = {"Arial", "DejaVu Sans", "Noto Sans CJK SC", "宋体-方正超大字符集",
                                  "WenQuanYi Micro Hei"};
    EXPECT_EQ(defaultFontIndex(families, chineseIf({"Noto Sans CJK SC"})), 3);
    const QStringList linux = {"Arial", "DejaVu Sans", "Noto Sans CJK SC", "WenQuanYi Micro Hei"};
    EXPECT_EQ(defaultFontIndex(linux, chineseIf({"Noto Sans CJK SC", "WenQuanYi Micro Hei"})), 2);
    EXPECT_EQ(defaultFontIndex(linux, chineseIf({})), 0);
    EXPECT_EQ(defaultFontIndex({}, chineseIf({})), -1);
}

TEST_F(TextPanelTest, FollowsTheCanvasSelectionAndEditsTheCurrentLayer) {
    CWatermarkCtrl* layer = addBox(canvas, 50, 50, 200, 80);
    layer->setText("跟随");
    layer->setFontSize(60);
    layer->italic = 1;
    layer->angle = -30;
    layer->opacity = 70;
    layer->shadow = 0;
    layer->textColor = 0x112233;
    layer->rect = {50, 50, 250, 130};
    canvas.group().deselectAll();

    QTest::mouseClick(&canvas, Qt::LeftButton, Qt::NoModifier, QPoint(100, 90));
    ASSERT_EQ(canvas.group().current, layer);
    EXPECT_EQ(panel->addButton()->text(), QStringLiteral("应用"));
    EXPECT_EQ(panel->textEdit()->toPlainText(), QStringLiteral("跟随"));
    EXPECT_EQ(panel->sizeList()->currentText(), QStringLiteral("60"));
    EXPECT_TRUE(panel->italicButton()->isChecked());
    EXPECT_FALSE(panel->boldButton()->isChecked());
    EXPECT_EQ(panel->angleBox()->value(), -30);
    EXPECT_EQ(panel->opacitySlider()->value(), 70);
    EXPECT_FALSE(panel->shadowBox()->isChecked());
    EXPECT_EQ(panel->colorButton()->color(), 0x112233u);
    // Showing the layer wrote nothing back into it.
    EXPECT_EQ(layer->rect, (LayoutRect{50, 50, 250, 130}));

    panel->underlineButton()->click();
    EXPECT_EQ(layer->underline, 1);
    EXPECT_EQ(layer->italic, 1);
    panel->opacitySlider()->setValue(100);
    EXPECT_EQ(layer->opacity, 100);
    EXPECT_EQ(layer->transparent, 0);
    panel->sizeList()->setCurrentIndex(0);
    EXPECT_EQ(layer->fontSize, 8);
    panel->colorButton()->pick(0x00FF00);
    EXPECT_EQ(layer->textColor, 0x00FF00u);
    EXPECT_EQ(profile.readInt("Colors", "Text", -1), 0x00FF00);
    EXPECT_EQ(profile.readString("Colors", "TextCustom", QString()),
              formatCustomColors(panel->colorButton()->customColors()));
    panel->textEdit()->setPlainText(QStringLiteral("新"));
    EXPECT_EQ(layer->text, "新");

    // A click on empty canvas: ready to add, toggles off, other fields kept.
    QTest::mouseClick(&canvas, Qt::LeftButton, Qt::NoModifier, QPoint(500, 350));
    EXPECT_EQ(panel->addButton()->text(), QStringLiteral("添加"));
    EXPECT_FALSE(panel->italicButton()->isChecked() || panel->underlineButton()->isChecked());
    EXPECT_EQ(panel->textEdit()->toPlainText(), QStringLiteral("新"));
    EXPECT_EQ(layer->italic, 1);
}

TEST_F(TextPanelTest, ColoursComeFromTheSettings) {
    profile.writeInt("Colors", "Text", 0x336699);
    profile.writeString("Colors", "TextCustom", QStringLiteral("010203 A0B0C0"));
    CWaterTextDlg other(&canvas, profile, QString::fromStdString(temp.folder()), nullptr);
    EXPECT_EQ(other.colorButton()->color(), 0x336699u);
    EXPECT_EQ(other.colorButton()->customColors()[1], 0xA0B0C0u);
    EXPECT_EQ(other.colorButton()->customColors()[2], 0xFFFFFFu);
}

TEST_F(TextPanelTest, AngleSpinWrapsAtEitherEnd) {
    QSpinBox* angle = panel->angleBox();
    EXPECT_EQ(angle->singleStep(), 15);
    angle->setValue(345);
    angle->stepBy(1);
    EXPECT_EQ(angle->value(), 360);
    angle->stepBy(1);
    EXPECT_EQ(angle->value(), -360);
    angle->stepBy(-1);
    EXPECT_EQ(angle->value(), 360);
}

TEST_F(TextPanelTest, GridSetsTheAlignmentAndStartBatchStampsAPhoto) {
    panel->textEdit()->setPlainText(QStringLiteral("MARK"));
    panel->sizeList()->setCurrentIndex(40 - 8);
    panel->colorButton()->pick(0x0000FF);  // red
    panel->shadowBox()->setChecked(false);
    panel->addButton()->click();
    QTest::mouseClick(panel->grid(), Qt::LeftButton, Qt::NoModifier, QPoint(95, 95));
    EXPECT_EQ(canvas.group().header.alignMode, 8);

    ASSERT_TRUE(panel->startBatch());
    ASSERT_EQ(started.size(), 1u);
    const std::string layoutPath = temp.folder() + "WatermarkTemplate/water.tmp";
    EXPECT_TRUE(std::filesystem::exists(layoutPath));
    CControlTracker loaded;
    ASSERT_TRUE(loaded.loadLayout(layoutPath, nullptr));
    EXPECT_EQ(loaded.header.alignMode, 8);

    // Run the job the panel started on a grey photo.
    QImage photo(400, 300, QImage::Format_RGB32);
    photo.fill(QColor(128, 128, 128));
    const std::string source = temp.file("photo.jpg");
    ASSERT_TRUE(photo.save(QString::fromStdString(source), "JPEG", 95));
    BatchJob& job = started.front();
    ASSERT_TRUE(job.prepare);
    EXPECT_TRUE(job.prepare().isOk());
    WorkedRow row;
    row.item.fullPath = source;
    row.item.fileName = "photo.jpg";
    row.item.number = 0;
    BatchEnvironment env;
    std::filesystem::create_directories(temp.path() / "out");
    env.outputDir = temp.folder() + "out/";
    job.perItem(row, env);
    QImage stamped(QString::fromStdString(env.outputDir + "photo.jpg"));
    ASSERT_EQ(stamped.size(), QSize(400, 300));
    // Red text in the bottom-right corner, the top-left untouched.
    bool red = false;
    for (int y = 200; y < 300 && !red; ++y)
        for (int x = 250; x < 400 && !red; ++x) {
            QColor c = stamped.pixelColor(x, y);
            red = c.red() > 200 && c.green() < 80 && c.blue() < 80;
        }
    EXPECT_TRUE(red);
    QColor corner = stamped.pixelColor(20, 20);
    EXPECT_NEAR(corner.red(), 128, 6);
    EXPECT_NEAR(corner.green(), 128, 6);
}

TEST_F(TextPanelTest, WheelShowsTheSizeAndAnUnwritableLayoutStartsNothing) {
    QObject::connect(&canvas, &CPreviewDlg::fontSizeWheeled, panel.get(),
                     &CWaterTextDlg::showFontSize);
    panel->addButton()->click();
    CWatermarkCtrl* layer = canvas.group().current;
    ASSERT_NE(layer, nullptr);
    sendWheel(canvas, 120);
    EXPECT_EQ(layer->fontSize, 29);
    EXPECT_EQ(panel->sizeList()->currentText(), QStringLiteral("29"));

    // The template "folder" is a file: the layout cannot be written, so no batch may start
    // with whatever layout file an earlier run left behind.
    temp.write("blocked", std::string_view("x"));
    QString error;
    EXPECT_FALSE(startWatermarkBatch(
        canvas, QString::fromStdString(temp.file("blocked")),
        [this](BatchJob job) {
            started.push_back(std::move(job));
            return true;
        },
        &error));
    EXPECT_TRUE(started.empty());
    EXPECT_FALSE(error.isEmpty());
}

TEST(ImagePanel, ScansTheLibraryAndAddsPictureLayers) {
    const char* data = std::getenv("PIXMILL_DATA_DIR");
    ASSERT_NE(data, nullptr);
    testing::TempDir temp;
    CPreviewDlg canvas;
    CWaterImageDlg panel(&canvas, QString::fromUtf8(data) + QStringLiteral("/水印"),
                         QString::fromStdString(temp.folder()), nullptr);
    EXPECT_EQ(panel.panelId(), 145);
    EXPECT_EQ(panel.displayName(), QStringLiteral("水印"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return panel.scanFinished(); }, 10000));
    ASSERT_GE(panel.categories().size(), 1u);
    EXPECT_EQ(panel.categoryList()->count(), static_cast<int>(panel.categories().size()));
    const auto& files = panel.categories()[0].files;
    ASSERT_FALSE(files.empty());
    EXPECT_EQ(panel.thumbnailView()->count(), static_cast<int>(files.size()));
    ASSERT_TRUE(QTest::qWaitFor([&] { return panel.pendingThumbnails() == 0; }, 10000));
    // Thumbnails are drawn on white: the corner of the first is white.
    QImage thumb = panel.thumbnailView()->item(0)->icon().pixmap(100, 80).toImage();
    EXPECT_EQ(thumb.pixelColor(0, 0), QColor(255, 255, 255));

    QImage picture(QString::fromStdString(files[0]));
    ASSERT_FALSE(picture.isNull());
    panel.thumbnailView()->itemClicked(panel.thumbnailView()->item(0));
    ASSERT_EQ(canvas.group().layers.size(), 1u);
    CWatermarkCtrl* layer = canvas.group().current;
    EXPECT_EQ(layer->rect, (LayoutRect{0, 0, picture.width(), picture.height()}));
    EXPECT_EQ(layer->imagePath, files[0]);

    // A picture that does not decode still adds a layer that draws nothing.
    temp.write("broken.png", std::string_view("not a picture"));
    panel.addPictureLayer(QString::fromStdString(temp.file("broken.png")));
    EXPECT_EQ(canvas.group().layers.size(), 2u);

    if (panel.categories().size() > 1) {
        panel.categoryList()->setCurrentRow(1);
        EXPECT_EQ(panel.thumbnailView()->count(),
                  static_cast<int>(panel.categories()[1].files.size()));
    }
    EXPECT_TRUE(panel.startBatch() == false);  // no batch starter given: nothing started
    EXPECT_TRUE(std::filesystem::exists(temp.file("water.tmp")));
}

TEST(LayoutPane, PreviewStampsTheFirstTickedPhotoAsTheBatchWould) {
    testing::TempDir temp;
    QImage photo(640, 480, QImage::Format_RGB32);
    photo.fill(QColor(0, 0, 255));
    const std::string source = temp.file("blue.png");
    ASSERT_TRUE(photo.save(QString::fromStdString(source)));
    CatalogItem item;
    item.fullPath = source;
    item.fileName = "blue.png";

    CLayoutPane pane;
    pane.resize(320, 240);
    pane.show();
    bool ticked = false;
    pane.setPreviewSource([&]() -> std::optional<CatalogItem> {
        if (ticked)
            return item;
        return std::nullopt;
    });
    CControlTracker& group = pane.canvas()->group();
    CWatermarkCtrl* box = addBox(*pane.canvas(), 300, 200, 40, 20);
    box->setText("");
    box->shadow = 0;
    QImage mark(40, 20, QImage::Format_ARGB32);
    mark.fill(QColor(255, 0, 0));
    ASSERT_TRUE(mark.save(QString::fromStdString(temp.file("mark.png"))));
    box->imagePath = temp.file("mark.png");  // the preview reads the layout back from its file
    box->loadLayerImage();
    box->rect = {300, 200, 340, 220};
    group.header.alignMode = 8;
    group.header.borderOn = 1;
    group.header.borderColor = 0x00FF00;  // green
    group.header.borderTop = 10;
    group.header.borderBottom = 20;
    group.header.borderLeft = 5;
    group.header.borderRight = 5;

    pane.previewToggle()->setChecked(true);
    EXPECT_TRUE(pane.showingPreview());
    EXPECT_TRUE(pane.previewImage().isNull());  // nothing ticked: a hint instead

    ticked = true;
    pane.refreshPreview();
    const QImage& shown = pane.previewImage();
    ASSERT_EQ(shown.size(), QSize(650, 510));
    EXPECT_EQ(shown.pixelColor(5, 10), QColor(0, 0, 255));     // the photo starts here
    EXPECT_EQ(shown.pixelColor(2, 2), QColor(0, 255, 0));      // the border
    EXPECT_EQ(shown.pixelColor(649, 509), QColor(255, 0, 0));  // the layer at the outer corner
    EXPECT_EQ(shown.pixelColor(610, 490), QColor(255, 0, 0));
    EXPECT_NE(shown.pixelColor(609, 489), QColor(255, 0, 0));
    // The canvas layout itself was not moved by the preview.
    EXPECT_EQ(box->rect, (LayoutRect{300, 200, 340, 220}));
    // The photo is shown at 1:1, scrolled so that the stamped group is in view.
    auto* scroll = pane.findChild<QScrollArea*>();
    ASSERT_NE(scroll, nullptr);
    EXPECT_EQ(scroll->horizontalScrollBar()->value(), scroll->horizontalScrollBar()->maximum());
    EXPECT_EQ(scroll->verticalScrollBar()->value(), scroll->verticalScrollBar()->maximum());
    EXPECT_GT(scroll->verticalScrollBar()->maximum(), 0);
    pane.previewToggle()->setChecked(false);
    pane.previewToggle()->setChecked(true);  // shown afresh: scrolled at once
    EXPECT_EQ(scroll->horizontalScrollBar()->value(), scroll->horizontalScrollBar()->maximum());
    EXPECT_EQ(scroll->verticalScrollBar()->value(), scroll->verticalScrollBar()->maximum());

    // The shown preview follows the layout and the photo on disk, and only stamps anew when
    // one of them changed.
    EXPECT_FALSE(pane.refreshIfChanged());
    group.header.alignMode = 0;
    EXPECT_TRUE(pane.refreshIfChanged());
    EXPECT_EQ(pane.previewImage().pixelColor(0, 0), QColor(255, 0, 0));
    EXPECT_EQ(pane.previewImage().pixelColor(649, 509), QColor(0, 255, 0));
    EXPECT_EQ(scroll->horizontalScrollBar()->value(), 0);
    EXPECT_EQ(scroll->verticalScrollBar()->value(), 0);
    photo.fill(QColor(255, 255, 0));
    photo = photo.scaled(320, 240);
    ASSERT_TRUE(photo.save(QString::fromStdString(source)));
    EXPECT_TRUE(pane.refreshIfChanged());
    EXPECT_EQ(pane.previewImage().size(), QSize(330, 270));
    EXPECT_EQ(pane.previewImage().pixelColor(100, 100), QColor(255, 255, 0));
    ticked = false;
    EXPECT_TRUE(pane.refreshIfChanged());
    EXPECT_TRUE(pane.previewImage().isNull());

    pane.previewToggle()->setChecked(false);
    EXPECT_FALSE(pane.showingPreview());
    group.header.alignMode = 8;
    EXPECT_FALSE(pane.refreshIfChanged());  // the canvas is shown: nothing is stamped
}

}  // namespace
}  // namespace pixmill
