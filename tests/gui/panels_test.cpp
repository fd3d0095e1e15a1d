// The tool container, the rename, resize and crop panels, the batch-operations commands and
// their dialogs, on the offscreen platform with message boxes answered by a recorder.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QLineEdit>
#include <QMenu>
#include <QMutex>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QSignalSpy>
#include <QSpinBox>
#include <QTableWidget>
#include <QTest>

#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>

#include "engine/app/app_settings.h"
#include "engine/batch/batch_driver.h"
#include "engine/batch/batch_table.h"
#include "engine/catalog/catalog_model.h"
#include "gui/controls/edit_list_ctrl.h"
#include "gui/controls/int_field.h"
#include "gui/controls/output_options_group.h"
#include "gui/controls/toolbox_dlg.h"
#include "gui/controls/user_prompter.h"
#include "gui/imaging/clip_image_dlg.h"
#include "gui/imaging/thumbnail_dlg.h"
#include "gui/jpegmeta/add_comments_dlg.h"
#include "gui/jpegmeta/batch_commands.h"
#include "gui/jpegmeta/update_time_dlg.h"
#include "gui/rename/rename_image_dlg.h"
#include "gui/rename/rename_preview_dlg.h"
#include "gui/watermark/color_picker_button.h"
#include "recording_prompter.h"
#include "support/temp_dir.h"

namespace pixmill {
namespace {

using testing::RecordingPrompter;

class PlainPanel : public CBaseToolDlg {
  public:
    PlainPanel(int id, const QString& name) : CBaseToolDlg(id, name) {}
    int initialisations = 0;
    bool StartBatch() override { return true; }

  protected:
    void initDialog() override { ++initialisations; }
};

std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

// A catalog over files written into a temporary folder, settings in a temporary profile, and
// a starter that records the jobs it is given (or runs them on a real driver).
class PanelsTest : public ::testing::Test {
  protected:
    PanelsTest()
        : profile(QString::fromStdString(config.file("Pixmill.conf"))),
          settings(QString::fromStdString(program.folder()), profile) {
        settings.loadSettings();
        settings.outputDir = QString::fromStdString(program.folder() + "out/");
    }
    void load(const std::vector<std::string>& names) {
        std::vector<CatalogItem> items;
        for (const std::string& name : names) {
            folder.write(name, "bytes of " + name);
            CatalogItem item;
            item.fileName = name;
            item.fullPath = folder.folder() + name;
            items.push_back(item);
        }
        model.resetRows(QString::fromStdString(folder.folder()), std::move(items));
    }
    // The commands on a real batch driver over the fixture's catalog.
    struct OnRealDriver {
        OnRealDriver(PanelsTest& test, int poolSize)
            : driver(test.model, gate, &observer, poolSize),
              commands(test.model, toolbox, driverStarter(driver, test.model, test.settings),
                       nullptr, &test.prompter) {}
        WorkGate gate;
        BatchObserver observer;
        BatchDriver driver;
        CToolboxDlg toolbox;
        CBatchCommands commands;
    };
    BatchStarter recorder() {
        return [this](BatchJob job) {
            started.push_back(job.kind);
            return std::string();
        };
    }

    testing::TempDir program;
    testing::TempDir config;
    testing::TempDir folder;
    SettingsProfile profile;
    AppSettings settings;
    CatalogModel model;
    RecordingPrompter prompter;
    std::vector<BatchKind> started;
};

TEST(ToolboxTest, HoldsPanelsInWindowOrderCreatesEachOnceAndCaptionsTheStartButton) {
    CToolboxDlg toolbox;
    auto* resize = new PlainPanel(kResizePanelId, "缩略图");
    auto* text = new PlainPanel(kTextWatermarkPanelId, "添加文字");
    auto* rename = new PlainPanel(kRenamePanelId, "重命名");
    ASSERT_TRUE(toolbox.addPanel(resize));
    ASSERT_TRUE(toolbox.addPanel(text));
    ASSERT_TRUE(toolbox.addPanel(rename));
    EXPECT_FALSE(toolbox.addPanel(new PlainPanel(kRenamePanelId, "again")));
    ASSERT_TRUE(toolbox.addPanel(new PlainPanel(kImageWatermarkPanelId, "水印")));
    std::vector<int> ids;
    for (CBaseToolDlg* panel : toolbox.panels())
        ids.push_back(panel->panelId());
    EXPECT_EQ(ids, (std::vector<int>{145, 130, 137, 147}));
    EXPECT_FALSE(rename->created());

    QSignalSpy captions(&toolbox, &CToolboxDlg::startCaptionChanged);
    toolbox.show();
    ASSERT_TRUE(toolbox.showPanel(kTextWatermarkPanelId));
    ASSERT_TRUE(toolbox.showPanel(kRenamePanelId));
    ASSERT_TRUE(toolbox.showPanel(kTextWatermarkPanelId));
    ASSERT_TRUE(toolbox.showPanel(kRenamePanelId));
    EXPECT_EQ(text->initialisations, 1);
    EXPECT_EQ(rename->initialisations, 1);
    EXPECT_FALSE(resize->created());
    EXPECT_TRUE(rename->isVisible());
    EXPECT_FALSE(text->isVisible());
    EXPECT_EQ(toolbox.currentPanel(), rename);
    ASSERT_EQ(captions.count(), 4);
    EXPECT_EQ(captions.at(0).at(0).toString(), "开始批量添加文字");
    EXPECT_EQ(captions.at(3).at(0).toString(), "开始批量重命名");

    EXPECT_FALSE(toolbox.showPanel(999));
    EXPECT_EQ(toolbox.currentPanel(), rename);
}

TEST(IntFieldTest, NonIntegerKeepsTheValueOutOfRangeIsTakenAsTyped) {
    RecordingPrompter prompter;
    QLineEdit edit;
    int value = 7;
    edit.setText("12a");
    EXPECT_EQ(readIntField(edit, &value, 1, 100, prompter, nullptr), IntFieldResult::NotInteger);
    EXPECT_EQ(value, 7);
    edit.setText("99999999999");
    EXPECT_EQ(readIntField(edit, &value, 1, 100, prompter, nullptr), IntFieldResult::NotInteger);
    EXPECT_EQ(value, 7);
    edit.setText(" 250 ");
    EXPECT_EQ(readIntField(edit, &value, 1, 100, prompter, nullptr), IntFieldResult::OutOfRange);
    EXPECT_EQ(value, 250);
    edit.setText("-3");
    EXPECT_EQ(readIntField(edit, &value, -5, 5, prompter, nullptr), IntFieldResult::Ok);
    EXPECT_EQ(value, -3);
    EXPECT_EQ(prompter.shown, (QStringList{"Please enter an integer.", "Please enter an integer.",
                                           "Please enter an integer between 1 and 100."}));
}

TEST_F(PanelsTest, NothingTickedRefusesEveryCommandAndKeepsThePanel) {
    load({"a.jpg", "b.jpg"});
    model.setAllTicked(false);
    CToolboxDlg toolbox;
    toolbox.addPanel(new PlainPanel(kRenamePanelId, "重命名"));
    toolbox.addPanel(new PlainPanel(kResizePanelId, "缩略图"));
    toolbox.showPanel(kRenamePanelId);
    CBatchCommands commands(model, toolbox, recorder(), nullptr, &prompter);
    int dialogs = 0;
    commands.setDialogRunner([&](QDialog&) { return ++dialogs, true; });
    prompter.answer = true;
    const int all[] = {1011, 1012, 1013, 1014, 1015, 1016, 1017, 1018,
                       1019, 1021, 1022, 1023, 1024, 1025, 1026, 1027};
    for (int command : all)
        EXPECT_FALSE(commands.run(command)) << command;
    const auto commandCount = static_cast<qsizetype>(std::size(all));
    EXPECT_EQ(prompter.shown.size(), commandCount);
    EXPECT_EQ(prompter.shown.count("请先勾选您要编辑的图片!"), commandCount);
    EXPECT_EQ(toolbox.currentPanel()->panelId(), kRenamePanelId);
    EXPECT_TRUE(started.empty());
    EXPECT_EQ(dialogs, 0);
}

TEST_F(PanelsTest, CommandsStartTheirKindsAfterDialogsAndConfirmations) {
    load({"a.jpg", "b.jpg"});
    CToolboxDlg toolbox;
    toolbox.addPanel(new PlainPanel(kRenamePanelId, "重命名"));
    toolbox.addPanel(new PlainPanel(kImageWatermarkPanelId, "水印"));
    CBatchCommands commands(model, toolbox, recorder(), nullptr, &prompter);
    QSignalSpy views(&commands, &CBatchCommands::layoutViewRequested);
    bool accept = false;
    commands.setDialogRunner([&](QDialog&) { return accept; });

    for (int command : {1012, 1017, 1022})
        EXPECT_FALSE(commands.run(command));
    prompter.answer = false;
    for (int command : {1019, 1021, 1023, 1024})
        EXPECT_FALSE(commands.run(command));
    EXPECT_TRUE(started.empty());
    EXPECT_EQ(prompter.shown.last(), confirmationFor(1024));

    accept = true;
    prompter.answer = true;
    for (int command : {1012, 1013, 1017, 1019, 1021, 1022, 1023, 1024})
        EXPECT_TRUE(commands.run(command));
    EXPECT_EQ(started, (std::vector<BatchKind>{BatchKind::Crop, BatchKind::RotateFlip,
                                               BatchKind::ShiftTime, BatchKind::DeleteExif,
                                               BatchKind::DeleteComment, BatchKind::AddComment,
                                               BatchKind::DeleteNonOriginal, BatchKind::PureJpeg}));

    EXPECT_TRUE(commands.run(1025));
    EXPECT_EQ(toolbox.currentPanel()->panelId(), kImageWatermarkPanelId);
    EXPECT_TRUE(commands.run(1011));
    EXPECT_EQ(toolbox.currentPanel()->panelId(), kRenamePanelId);
    ASSERT_EQ(views.count(), 2);
    EXPECT_TRUE(views.at(0).at(0).toBool());
    EXPECT_FALSE(views.at(1).at(0).toBool());
}

// The crop dialog the menu opens keeps its output options in the program's profile: the format
// chosen for one crop is the one the next crop's dialog shows.
TEST_F(PanelsTest, CropDialogKeepsItsOutputOptionsBetweenRuns) {
    load({"a.jpg"});
    CToolboxDlg toolbox;
    CBatchCommands commands(model, toolbox, recorder(), nullptr, &prompter, &profile);
    std::optional<OutputFormat> shown;
    commands.setDialogRunner([&](QDialog& dialog) {
        auto* clip = qobject_cast<CClipImageDlg*>(&dialog);
        if (!clip)
            return false;
        clip->outputGroup()->load();
        shown = clip->outputGroup()->options().format;
        clip->outputGroup()->formatList()->setCurrentIndex(int(OutputFormat::Png));
        return true;
    });
    ASSERT_TRUE(commands.run(command::kCrop));
    EXPECT_EQ(shown, OutputFormat::Keep);
    ASSERT_TRUE(commands.run(command::kCrop));
    EXPECT_EQ(shown, OutputFormat::Png);
}

TEST_F(PanelsTest, NoToAConfirmationOnARealDriverChangesNoFile) {
    load({"a.jpg"});
    const std::string before = readFile(folder.file("a.jpg"));
    OnRealDriver real(*this, 1);
    prompter.answer = false;
    for (int command : {1019, 1021, 1023, 1024})
        real.commands.run(command);
    real.driver.wait();
    EXPECT_EQ(readFile(folder.file("a.jpg")), before);
    EXPECT_FALSE(real.driver.running());
}

TEST_F(PanelsTest, ARotateBatchTellsOfEveryTurnedPicture) {
    load({"a.jpg", "b.jpg", "broken.jpg"});
    QImage picture(16, 8, QImage::Format_RGB32);
    picture.fill(Qt::darkCyan);
    for (const char* name : {"a.jpg", "b.jpg"})
        ASSERT_TRUE(picture.save(QString::fromStdString(folder.file(name))));
    OnRealDriver real(*this, 2);
    QMutex mutex;
    QStringList turned;
    real.commands.setRotatedHandler([&](const CatalogItem& item) {
        QMutexLocker lock(&mutex);
        turned << QString::fromStdString(item.fileName);
    });
    ASSERT_TRUE(real.commands.run(1013));
    real.driver.wait();
    turned.sort();
    EXPECT_EQ(turned, (QStringList{"a.jpg", "b.jpg"}));  // not the picture that failed
}

TEST_F(PanelsTest, MenuListsTheEntriesInOrder) {
    CToolboxDlg toolbox;
    CBatchCommands commands(model, toolbox, recorder(), nullptr, &prompter);
    std::unique_ptr<QMenu> menu(commands.buildMenu(nullptr));
    EXPECT_EQ(menu->title(), "批量操作");
    std::vector<int> ids;
    for (QAction* action : menu->actions()) {
        if (!action->isSeparator())
            ids.push_back(action->data().toInt());
    }
    EXPECT_EQ(ids, (std::vector<int>{1011, 32850, 1018, 1025, 1026, 1017, 1012, 1013, 1014, 1015,
                                     1016, 1022, 1021, 1019, 1023, 1024, 32847}));
}

// The one menu: every entry is the table's (id, caption, confirmation), groups apart.
TEST_F(PanelsTest, MenuIsTheBatchTable) {
    CToolboxDlg toolbox;
    CBatchCommands commands(model, toolbox, recorder(), nullptr, &prompter);
    std::unique_ptr<QMenu> menu(commands.buildMenu(nullptr));
    QStringList shown, expected;
    for (QAction* action : menu->actions())
        shown << (action->isSeparator()
                      ? QStringLiteral("-")
                      : QStringLiteral("%1 %2").arg(action->data().toInt()).arg(action->text()));
    int group = batchTable().front().menuGroup;
    for (const BatchKindInfo& info : batchTable()) {
        if (info.menuGroup != group)
            expected << "-";
        group = info.menuGroup;
        for (const BatchMenuEntry& entry : info.menu) {
            expected << QStringLiteral("%1 %2").arg(entry.id).arg(QString::fromUtf8(entry.caption));
            EXPECT_EQ(confirmationFor(entry.id),
                      QString::fromUtf8(entry.confirmation ? entry.confirmation : ""));
        }
    }
    expected << "-"
             << "32847 打开图片保存目录";
    EXPECT_EQ(shown, expected);
    // Crop stands with the turns, the shift-time command alone.
    EXPECT_EQ(shown.mid(5, 8),
              (QStringList{"-", "1017 批量校正照片拍摄日期", "-", "1012 批量裁剪",
                           "1013 批量向右旋转（顺时针旋转）", "1014 批量向左旋转（逆时针旋转）",
                           "1015 批量左右翻转", "1016 批量上下翻转"}));
}

TEST(UpdateTimeDlgTest, OpensAtMinusEightArrowsStopAtTenThousandTypedValuesPass) {
    RecordingPrompter prompter;
    CUpdateTimeDlg dialog(&prompter);
    EXPECT_EQ(dialog.windowTitle(), "图片拍摄时间校正");
    EXPECT_EQ(dialog.hoursEdit()->text(), "-8");
    dialog.hoursEdit()->setText("9999");
    dialog.stepArrows(1);
    dialog.stepArrows(1);
    EXPECT_EQ(dialog.hoursEdit()->text(), "10000");
    dialog.hoursEdit()->setText("-9999");
    dialog.stepArrows(-5);
    EXPECT_EQ(dialog.hoursEdit()->text(), "-10000");

    dialog.hoursEdit()->setText("abc");
    dialog.accept();
    EXPECT_EQ(dialog.result(), QDialog::Rejected);
    EXPECT_EQ(prompter.shown, QStringList{"Please enter an integer."});
    dialog.hoursEdit()->setText("20000");
    dialog.accept();
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(dialog.hours(), 20000);
}

TEST(AddCommentsDlgTest, DefaultsToPhotoByAndKeepsLineBreaksAsCrLf) {
    CAddCommentsDlg dialog;
    EXPECT_EQ(dialog.windowTitle(), "添加图片备注信息");
    EXPECT_EQ(dialog.comment(), "photo by xxx");
    dialog.commentEdit()->setPlainText("line one\nline two");
    EXPECT_EQ(dialog.comment(), "line one\r\nline two");
}

TEST_F(PanelsTest, ResizeSchemesEnableTheirControlsAndMarketplaceRunsStoreMinusOne) {
    settings.thumbIndex = 7;  // out of range reads as the common sizes
    settings.thumbComboIndex = 2;
    CThumbnailDlg panel(settings, recorder(), &prompter);
    panel.ensureCreated();
    EXPECT_TRUE(panel.schemeRadio(0)->isChecked());
    EXPECT_EQ(panel.sizeList()->currentIndex(), 2);
    EXPECT_TRUE(panel.sizeList()->isEnabled());
    EXPECT_FALSE(panel.widthEdit()->isEnabled());
    EXPECT_FALSE(panel.marketRadio(0)->isEnabled());

    QTest::mouseClick(panel.schemeRadio(1), Qt::LeftButton);
    EXPECT_FALSE(panel.sizeList()->isEnabled());
    EXPECT_TRUE(panel.marketRadio(2)->isEnabled());
    panel.marketRadio(2)->setChecked(true);
    ASSERT_TRUE(panel.StartBatch());
    EXPECT_EQ(panel.lastParams().bound, 310);
    EXPECT_EQ(settings.thumbIndex, 1);
    EXPECT_EQ(settings.marketSize, 2);
    EXPECT_EQ(settings.thumbComboIndex, -1);
    EXPECT_TRUE(QDir(settings.outputDir).exists());
    AppSettings reread(settings.programDir, profile);
    reread.loadSettings();
    EXPECT_EQ(reread.thumbComboIndex, -1);
    EXPECT_EQ(reread.thumbIndex, 1);

    // The next panel comes up with no common size chosen, and a common-size run refuses.
    reread.thumbIndex = 0;
    CThumbnailDlg next(reread, recorder(), &prompter);
    next.ensureCreated();
    EXPECT_EQ(next.sizeList()->currentIndex(), -1);
    EXPECT_FALSE(next.StartBatch());
    EXPECT_EQ(prompter.shown.last(), "请选择一种方案!");
    EXPECT_EQ(started.size(), 1u);
}

TEST_F(PanelsTest, CustomWidthIsTheBoundAndABadValueStopsTheStart) {
    CThumbnailDlg panel(settings, recorder(), &prompter);
    panel.ensureCreated();
    QTest::mouseClick(panel.schemeRadio(2), Qt::LeftButton);
    EXPECT_TRUE(panel.heightEdit()->isEnabled());
    panel.widthEdit()->setText("300");
    panel.heightEdit()->setText("50");
    panel.restoreExifBox()->setChecked(false);
    ASSERT_TRUE(panel.StartBatch());
    EXPECT_EQ(panel.lastParams().bound, 300);
    EXPECT_FALSE(panel.lastParams().restoreExif);
    EXPECT_EQ(settings.restoreExif, 0);

    // A bad value stops the start, its field selected for correction: never a silent default.
    const size_t startedBefore = started.size();
    panel.widthEdit()->setText("wide");
    EXPECT_FALSE(panel.StartBatch());
    EXPECT_EQ(panel.widthEdit()->selectedText(), "wide");
    panel.widthEdit()->setText("20000");
    EXPECT_FALSE(panel.StartBatch());
    panel.widthEdit()->deselect();
    panel.heightEdit()->setText("abc");
    panel.widthEdit()->setText("400");
    EXPECT_FALSE(panel.StartBatch());
    EXPECT_EQ(panel.heightEdit()->selectedText(), "abc");
    EXPECT_EQ(started.size(), startedBefore);
    EXPECT_EQ(prompter.shown, (QStringList{"Please enter an integer.",
                                           "Please enter an integer between 0 and 10000.",
                                           "Please enter an integer."}));
    panel.heightEdit()->setText("60");
    ASSERT_TRUE(panel.StartBatch());
    EXPECT_EQ(panel.lastParams().bound, 400);
}

TEST_F(PanelsTest, ResizeOutputOptionsSquareAndLabelledSizesReachTheParamsAndAreKept) {
    CThumbnailDlg panel(settings, recorder(), &prompter);
    panel.ensureCreated();
    QTest::mouseClick(panel.schemeRadio(1), Qt::LeftButton);
    panel.marketRadio(1)->setChecked(true);
    EXPECT_TRUE(panel.labelSizeBox()->isEnabled());
    COutputOptionsGroup* output = panel.outputGroup();
    output->formatList()->setCurrentIndex(int(OutputFormat::Webp));
    output->qualityBox()->setValue(70);
    ASSERT_TRUE(panel.StartBatch());
    EXPECT_EQ(panel.lastParams().output.maxKb, 0);  // the label is only a label until asked

    panel.labelSizeBox()->setChecked(true);
    panel.squareBox()->setChecked(true);
    panel.canvasColorButton()->pick(0x00FF8000);  // 0x00BBGGRR: blue 0xFF, green 0x80
    ASSERT_TRUE(panel.StartBatch());
    const ResizeParams& params = panel.lastParams();
    EXPECT_EQ(params.bound, 250);
    EXPECT_EQ(params.output.format, OutputFormat::Webp);
    EXPECT_EQ(params.output.quality, 70);
    EXPECT_EQ(params.output.maxKb, 50);  // "宝贝描述小图(宽250像素约50KB)"
    EXPECT_TRUE(params.square);
    EXPECT_EQ(params.canvasColor, 0x0080FFu);

    // A size of the user's own wins outside the marketplace sizes; PNG takes none.
    QTest::mouseClick(panel.schemeRadio(2), Qt::LeftButton);
    EXPECT_FALSE(panel.labelSizeBox()->isEnabled());
    output->limitBox()->setChecked(true);
    output->maxKbBox()->setValue(300);
    ASSERT_TRUE(panel.StartBatch());
    EXPECT_EQ(panel.lastParams().output.maxKb, 300);
    output->formatList()->setCurrentIndex(int(OutputFormat::Png));
    EXPECT_FALSE(output->maxKbBox()->isEnabled());
    EXPECT_EQ(output->options().maxKb, 0);
    output->formatList()->setCurrentIndex(int(OutputFormat::Jpeg));

    // Everything comes back in the next panel.
    CThumbnailDlg next(settings, recorder(), &prompter);
    next.ensureCreated();
    EXPECT_TRUE(next.labelSizeBox()->isChecked());
    EXPECT_TRUE(next.squareBox()->isChecked());
    EXPECT_EQ(next.canvasColorButton()->color(), 0x00FF8000u);
    const OutputOptions kept = next.outputGroup()->options();
    EXPECT_EQ(kept.format, OutputFormat::Jpeg);
    EXPECT_EQ(kept.quality, 70);
    EXPECT_EQ(kept.maxKb, 300);
}

TEST(ClipImageDlgTest, CellsParseAsLeadingNumbersAndThePenFollowsTheShorterSide) {
    EXPECT_EQ(cropCellNumber("800"), 800);
    EXPECT_EQ(cropCellNumber("-100px"), -100);
    EXPECT_EQ(cropCellNumber(""), 0);
    EXPECT_EQ(cropCellNumber("x12"), 0);
    EXPECT_EQ(cropCellNumber("-"), 0);
    EXPECT_EQ(cropPenWidth(1600, 1200), 12);
    EXPECT_EQ(cropPenWidth(300, 200), 1);
    EXPECT_EQ(cropPenWidth(799, 5000), 4);
}

TEST(ClipImageDlgTest, ListEditsCellsAppendsEmptyRowsAndMarksTheClickedScheme) {
    testing::TempDir folder;
    QImage picture(1000, 800, QImage::Format_RGB32);
    picture.fill(Qt::white);
    const QString path = QString::fromStdString(folder.file("p.png"));
    ASSERT_TRUE(picture.save(path));
    RecordingPrompter prompter;
    CClipImageDlg dialog(path, &prompter);
    dialog.show();
    dialog.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&dialog));
    CEditListCtrl* list = dialog.schemeList();
    ASSERT_EQ(list->rowCount(), 1);
    EXPECT_EQ(list->cellText(0, 0), "自定义1");
    EXPECT_EQ(list->cellText(0, 4), "600");

    dialog.accept();
    EXPECT_EQ(prompter.shown, QStringList{"请选择裁剪方案！"});
    EXPECT_EQ(dialog.result(), QDialog::Rejected);

    QTest::mouseDClick(list->viewport(), Qt::LeftButton, {},
                       QPoint(5, list->viewport()->height() - 3));
    ASSERT_EQ(list->rowCount(), 2);
    EXPECT_EQ(list->cellText(1, 1), "");

    const QRect cell = list->visualItemRect(list->item(0, 3));
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, cell.center());
    auto* editor = list->viewport()->findChild<QLineEdit*>();
    ASSERT_NE(editor, nullptr);
    EXPECT_EQ(editor->text(), "800");
    EXPECT_EQ(editor->cursorPosition(), 3);
    editor->setText("-100");
    list->setFocus();
    QApplication::processEvents();
    EXPECT_EQ(list->cellText(0, 3), "-100");

    // (0, 0, -100, 600) on 1000 × 800: a 900 × 600 rectangle with an 8-pixel red pen.
    dialog.markRow(0);
    EXPECT_EQ(dialog.canvas().pixelColor(1, 300), QColor(255, 0, 0));
    EXPECT_EQ(dialog.canvas().pixelColor(897, 300), QColor(255, 0, 0));
    EXPECT_EQ(dialog.canvas().pixelColor(910, 300), QColor(Qt::white));
    EXPECT_EQ(dialog.canvas().pixelColor(450, 300), QColor(Qt::white));

    list->selectRow(0);
    dialog.accept();
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(dialog.cropParams().width, -100);
    EXPECT_EQ(dialog.cropParams().height, 600);
}

TEST_F(PanelsTest, RenamePreviewFollowsTheRuleAndTheTagMenuAddsEachTagOnce) {
    CRenameImageDlg panel(settings, model, recorder(), &prompter);
    panel.ensureCreated();
    EXPECT_EQ(panel.previewEdit()->toPlainText(), "1");
    EXPECT_TRUE(panel.caseRadio(1)->isChecked());
    std::vector<QString> labels;
    for (QAction* action : panel.tagMenu()->actions())
        labels.push_back(action->text());
    ASSERT_EQ(labels.size(), 13u);
    EXPECT_EQ(labels.front(), "序号：<no>");
    EXPECT_EQ(labels.back(), "文件MD5：<md5>");

    panel.ruleEdit()->setPlainText("IMG_<no>");
    EXPECT_EQ(panel.previewEdit()->toPlainText(), "IMG_1");
    panel.chooseTag("<maker>");
    panel.chooseTag("<maker>");
    EXPECT_EQ(panel.ruleEdit()->toPlainText(), "IMG_<no><maker>");
    EXPECT_EQ(panel.previewEdit()->toPlainText(), "IMG_1NIKON CORPORATION");
}

TEST_F(PanelsTest, RenameStartsOnARealDriverAndPreviewAllMarksClashes) {
    load({"x.jpg", "y.JPG", "z.jpg"});
    model.setTicked(2, false);
    WorkGate gate;
    BatchObserver observer;
    BatchDriver driver(model, gate, &observer, 1);
    CRenameImageDlg panel(settings, model, driverStarter(driver, model, settings), &prompter);
    panel.ensureCreated();

    panel.ruleEdit()->setPlainText("same");
    RenamePlan clash = panel.planForTicked();
    EXPECT_TRUE(clash.refused());
    EXPECT_EQ(clashingEntries(clash), (std::vector<bool>{true, true}));
    CRenamePreviewDlg preview(clash, nullptr);
    EXPECT_EQ(preview.table()->rowCount(), 2);
    EXPECT_EQ(preview.table()->item(1, 2)->text(), "重名");

    panel.ruleEdit()->setPlainText("p<no>");
    panel.startEdit()->setText("5");
    panel.incrementEdit()->setText("100001");  // out of range: shown, the last good one used
    panel.caseRadio(2)->setChecked(true);
    const RenamePlan plan = panel.planForTicked();
    ASSERT_FALSE(plan.refused()) << plan.refusal;
    EXPECT_EQ(clashingEntries(plan), (std::vector<bool>{false, false}));
    panel.incrementEdit()->setText("2");
    panel.startEdit()->setText("abc");
    EXPECT_FALSE(panel.StartBatch());  // refused, not run from 1
    driver.wait();
    EXPECT_TRUE(std::filesystem::exists(folder.file("x.jpg")));
    EXPECT_EQ(panel.startEdit()->selectedText(), "abc");
    panel.startEdit()->setText("5");
    ASSERT_TRUE(panel.StartBatch());
    driver.wait();
    EXPECT_TRUE(std::filesystem::exists(folder.file("p5.JPG")));
    EXPECT_TRUE(std::filesystem::exists(folder.file("p7.JPG")));
    EXPECT_TRUE(std::filesystem::exists(folder.file("z.jpg")));
    EXPECT_FALSE(std::filesystem::exists(folder.file("x.jpg")));
    EXPECT_EQ(settings.renameRule, "p<no>");
    EXPECT_EQ(settings.renameWordCase, 2);
    EXPECT_TRUE(prompter.shown.contains("Please enter an integer between 1 and 100000."));
}

}  // namespace
}  // namespace pixmill
