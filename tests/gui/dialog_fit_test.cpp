// Dialogs whose texts must be readable as shown: the crop dialog's headers and preview.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QHeaderView>
#include <QImage>
#include <QLabel>
#include <QTableWidgetItem>
#include <QTest>
#include <QToolBar>
#include <QToolButton>

#include <cstdlib>

#include "catalog_fixture.h"
#include "gui/app/main_dialog.h"
#include "gui/controls/edit_list_ctrl.h"
#include "gui/imaging/clip_image_dlg.h"
#include "recording_prompter.h"
#include "support/temp_dir.h"

namespace pixmill {
namespace {

// Saved when PIXMILL_SHOT_DIR names a folder (the README's pictures are made this way).
void saveShot(QWidget& widget, const char* name) {
    const char* folder = std::getenv("PIXMILL_SHOT_DIR");
    if (!folder || !*folder)
        return;
    QDir().mkpath(QString::fromUtf8(folder));
    widget.grab().save(QString::fromUtf8(folder) + "/" + name + ".png");
}

TEST(CropDialogFitTest, HeadersAreShortAndWholeWithTheirMeaningAsToolTips) {
    testing::TempDir folder;
    QImage picture(1200, 400, QImage::Format_RGB32);
    picture.fill(Qt::darkCyan);
    const QString path = QString::fromStdString(folder.file("wide.png"));
    ASSERT_TRUE(picture.save(path));
    testing::RecordingPrompter prompter;
    CClipImageDlg dialog(path, &prompter);
    dialog.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
    dialog.markRow(0);
    CEditListCtrl* list = dialog.schemeList();
    const QStringList shortTexts = {"方案名称", "X", "Y", "宽", "高"};
    const QFontMetrics metrics = list->horizontalHeader()->fontMetrics();
    for (int column = 0; column < 5; ++column) {
        SCOPED_TRACE(column);
        QTableWidgetItem* header = list->horizontalHeaderItem(column);
        EXPECT_EQ(header->text(), shortTexts[column]);
        EXPECT_LE(metrics.horizontalAdvance(header->text()) + 8, list->columnWidth(column));
    }
    EXPECT_TRUE(list->horizontalHeaderItem(1)->toolTip().contains("距离图片左边"));
    EXPECT_TRUE(list->horizontalHeaderItem(4)->toolTip().contains("负数表示距离图片下边"));

    // A 3:1 picture keeps 3:1 in the preview, centred, as large as the area allows.
    const QRect shown = dialog.previewRect();
    const QSize area = dialog.preview()->size();
    EXPECT_NEAR(double(shown.width()) / shown.height(), 3.0, 0.05);
    EXPECT_EQ(shown.width(), area.width());
    EXPECT_NEAR(shown.center().y(), QRect(QPoint(), area).center().y(), 1);
    saveShot(dialog, "crop-dialog");
}

TEST(CropDialogFitTest, PreviewRectangleFitsEitherSide) {
    EXPECT_EQ(cropPreviewRect(QSize(320, 240), QSize(1000, 1000)), QRect(40, 0, 240, 240));
    EXPECT_EQ(cropPreviewRect(QSize(320, 240), QSize(1600, 400)), QRect(0, 80, 320, 80));
    EXPECT_EQ(cropPreviewRect(QSize(320, 240), QSize()), QRect(0, 0, 320, 240));
}

class SkinnedToolbarTest : public testing::SettingsFixture {};

// The skin's style sheet on the whole program: every toolbar button gets the room its icon and
// caption need, inside the toolbar's fixed band.
TEST_F(SkinnedToolbarTest, CaptionsAreShownWhole) {
    QFile sheet(qEnvironmentVariable("PIXMILL_DATA_DIR") + "/skin/skin.she");
    ASSERT_TRUE(sheet.open(QIODevice::ReadOnly)) << sheet.fileName().toStdString();
    qApp->setStyleSheet(QString::fromUtf8(sheet.readAll()));
    {
        CMainDlg window(settings);
        window.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
        QToolBar* toolbar = window.toolbar();
        const QList<QToolButton*> buttons = toolbar->findChildren<QToolButton*>();
        int checked = 0;
        for (QToolButton* button : buttons) {
            if (!button->isVisible() || button->text().isEmpty())
                continue;
            SCOPED_TRACE(button->text().toStdString());
            ++checked;
            EXPECT_GE(button->height(), button->sizeHint().height());
            EXPECT_TRUE(toolbar->rect().contains(button->geometry()));
        }
        EXPECT_EQ(checked, 5);
        saveShot(window, "skinned-window");
    }
    qApp->setStyleSheet(QString());
}

}  // namespace
}  // namespace pixmill
