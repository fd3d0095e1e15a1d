// The window's "撤销上次重命名": the last rename of the catalog's folder is put back and the
// catalog shows the old names; a folder changed since is refused with a message, nothing moved.
#include <gtest/gtest.h>

#include <QAction>
#include <QLabel>

#include <filesystem>
#include <set>

#include "catalog_fixture.h"
#include "engine/batch/batch_table.h"
#include "engine/catalog/catalog_model.h"
#include "engine/rename/rename_batch.h"
#include "gui/app/main_dialog.h"

namespace pixmill {
namespace {

using testing::waitUntil;

class RenameUndoTest : public testing::SettingsFixture {
  protected:
    RenameUndoTest() {
        plugins_.shell = &shell_;
        window_ = std::make_unique<CMainDlg>(settings, plugins_);
        window_->setMessenger([this](const QString& text) { messages_ << text; });
    }

    // Loads a.png, b.png, c.png and renames them to 1.png, 2.png, 3.png through the window.
    void loadAndRename() {
        for (const char* name : {"a.png", "b.png", "c.png"})
            writePicture(name, 8, 8);
        window_->show();
        ASSERT_TRUE(
            waitUntil([&] { return !window_->workRunning() && catalogNames().size() == 3; }));
        ASSERT_EQ(window_->batchDriver().start(makeRenameJob(RenameParams{}),
                                               window_->batchEnvironment()),
                  "");
        ASSERT_TRUE(waitUntil([&] { return !window_->workRunning(); }));
        ASSERT_TRUE(std::filesystem::exists(photos.file("3.png")));
    }

    void undo() {
        const QList<QAction*> actions = window_->commandActions(command::kUndoRename);
        ASSERT_FALSE(actions.isEmpty());
        actions.first()->trigger();
        ASSERT_TRUE(waitUntil([&] { return !window_->workRunning(); }));
    }

    std::set<std::string> catalogNames() const {
        std::set<std::string> names;
        const CatalogModel& model = window_->catalogModel();
        for (int row = 0; row < model.rowCount(); ++row)
            names.insert(model.item(row).fileName);
        return names;
    }

    std::set<std::string> folderNames() const {
        std::set<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(photos.path())) {
            if (entry.path().filename().string()[0] != '.')
                names.insert(entry.path().filename().string());
        }
        return names;
    }

    testing::RecordingShell shell_;
    CatalogPlugins plugins_;
    std::unique_ptr<CMainDlg> window_;
    QStringList messages_;
};

TEST_F(RenameUndoTest, theMenuPutsTheOldNamesBackAndTheCatalogShowsThem) {
    ASSERT_NO_FATAL_FAILURE(loadAndRename());
    ASSERT_NO_FATAL_FAILURE(undo());
    const std::set<std::string> old{"a.png", "b.png", "c.png"};
    EXPECT_EQ(folderNames(), old);
    ASSERT_TRUE(waitUntil([&] { return !window_->workRunning() && catalogNames() == old; }));
    EXPECT_TRUE(messages_.isEmpty()) << messages_.join("\n").toStdString();
    EXPECT_FALSE(window_->statusPart(1)->text().contains(QString::fromUtf8("无法撤销")));
    // Undone once: a second undo has nothing left to put back, and says so.
    ASSERT_NO_FATAL_FAILURE(undo());
    ASSERT_EQ(messages_.size(), 1);
    EXPECT_TRUE(messages_[0].contains(QString::fromUtf8("没有可以撤销的重命名")));
}

TEST_F(RenameUndoTest, aReplacedFileRefusesTheUndoWithAMessageAndNothingMoves) {
    ASSERT_NO_FATAL_FAILURE(loadAndRename());
    writePicture("other.png", 8, 8, Qt::red);
    std::filesystem::rename(photos.file("other.png"), photos.file("2.png"));
    ASSERT_NO_FATAL_FAILURE(undo());
    ASSERT_EQ(messages_.size(), 1);
    EXPECT_TRUE(messages_[0].contains(QString::fromUtf8("2.png 在重命名之后已被替换")))
        << messages_[0].toStdString();
    const QLabel* status = window_->statusPart(1);
    EXPECT_TRUE((status->text() + status->toolTip()).contains(QString::fromUtf8("无法撤销重命名")));
    EXPECT_EQ(folderNames(), (std::set<std::string>{"1.png", "2.png", "3.png"}));
}

}  // namespace
}  // namespace pixmill
