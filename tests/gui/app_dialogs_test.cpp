// The folder picker and the options dialog, driven on the offscreen platform.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QCoreApplication>
#include <QDialogButtonBox>
#include <QDir>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QSettings>
#include <QTest>
#include <QTimer>
#include <QTranslator>
#include <QTreeView>

#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

#include <QLabel>

#include "engine/app/app_settings.h"
#include "engine/platform/native_path.h"
#include "engine/platform/status.h"
#include "gui/app/main_dialog.h"
#include "gui/app/options_dialog.h"
#include "gui/app/pixmill_app.h"
#include "gui/controls/folder_tree_model.h"
#include "gui/controls/path_dialog.h"
#include "support/temp_dir.h"

namespace pixmill {
namespace {

class AnsweringPrompter : public FolderPrompter {
  public:
    bool answer = true;
    int questions = 0;
    int errors = 0;
    bool askYesNo(const std::string&) override {
        ++questions;
        return answer;
    }
    void showError(const std::string&) override { ++errors; }
};

QPushButton* okButton(CPathDialog& dialog) {
    return dialog.buttons()->button(QDialogButtonBox::Ok);
}

TEST(PathDialogTest, EditBoxFollowsTheTreeAndEnablesOk) {
    testing::TempDir root;
    std::filesystem::create_directory(root.path() / "photos");
    const QString photos = QString::fromStdString((root.path() / "photos").string());
    CPathDialog dialog("Pixmill", "请选择", photos, nullptr);
    EXPECT_EQ(dialog.pathEdit()->text(), photos);
    EXPECT_TRUE(okButton(dialog)->isEnabled());

    dialog.pathEdit()->clear();
    EXPECT_FALSE(okButton(dialog)->isEnabled());
    dialog.pathEdit()->setText("/x");
    EXPECT_TRUE(okButton(dialog)->isEnabled());
}

TEST(PathDialogTest, OkCreatesAMissingFolderOnYesAndStaysOpenOnNoOrAnInvalidPath) {
    testing::TempDir root;
    AnsweringPrompter prompter;
    CPathDialog dialog("", "prompt", QString::fromStdString(root.folder()), nullptr);
    dialog.setPrompter(&prompter);
    const QString target = QString::fromStdString(root.folder() + "photos/new");

    int result = 0;
    QTimer::singleShot(0, &dialog, [&] {
        dialog.pathEdit()->setText("photos/relative");  // not absolute: invalid
        okButton(dialog)->click();
        EXPECT_EQ(prompter.errors, 1);
        EXPECT_TRUE(dialog.isVisible());

        // A trailing separator, as tab completion writes it, names the same folder.
        prompter.answer = false;
        dialog.pathEdit()->setText(target + "/");
        okButton(dialog)->click();
        EXPECT_EQ(prompter.errors, 1);
        EXPECT_EQ(prompter.questions, 1);
        EXPECT_TRUE(dialog.isVisible());
        EXPECT_FALSE(QDir(target).exists());

        prompter.answer = true;
        okButton(dialog)->click();
    });
    result = dialog.runModal();
    EXPECT_EQ(result, 1);
    EXPECT_EQ(dialog.chosenPath(), target);
    EXPECT_TRUE(QDir(target).exists());
}

// "café" in Latin-1: a folder name that is not valid UTF-8, as made under another locale.
const std::string kLatin1Cafe = "caf\xe9";

// `name` inside `root`, as the bytes the file system holds and as the program's path.
std::string bytesIn(const testing::TempDir& root, const std::string& name) {
    return root.path().native() + "/" + name;
}
QString pathIn(const testing::TempDir& root, const std::string& name) {
    return pathFromBytes(bytesIn(root, name));
}

QStringList childNames(const QAbstractItemModel& model, const QModelIndex& parent) {
    QStringList names;
    for (int row = 0; row < model.rowCount(parent); ++row)
        names << model.index(row, 0, parent).data().toString();
    return names;
}

int rowNamed(const QAbstractItemModel& model, const QModelIndex& parent, const QString& name) {
    return int(childNames(model, parent).indexOf(name));
}

// Until destroyed, file permissions apply to this process as to user nobody (when run as root,
// which reads every folder).
class OrdinaryUserScope {
  public:
    OrdinaryUserScope() : switched_(::geteuid() == 0) {
        if (switched_ && (::setegid(65534) != 0 || ::seteuid(65534) != 0))
            ADD_FAILURE() << "could not become nobody";
    }
    ~OrdinaryUserScope() {
        if (switched_ && (::seteuid(0) != 0 || ::setegid(0) != 0))
            std::abort();
    }

  private:
    bool switched_;
};

TEST(PathDialogTest, TreeListsOnlyVisibleFoldersInUserOrderKeepingNameBytes) {
    namespace fs = std::filesystem;
    testing::TempDir root;
    for (const char* name : {"Zeta", "alpha", "photo10", "photo9", "相册", ".hidden"})
        fs::create_directory(root.path() / name);
    fs::create_directories(root.path() / kLatin1Cafe / "sub");
    root.write("notes.txt", "not a folder");
    fs::create_directory_symlink("alpha", root.path() / "album-link");
    fs::create_symlink("notes.txt", root.path() / "file-link");
    fs::create_symlink("missing", root.path() / "dangling");

    FolderTreeModel model;
    const QModelIndex folder = model.index(pathFromBytes(root.path().native()));
    ASSERT_TRUE(folder.isValid());
    EXPECT_EQ(model.filePath(folder), pathFromBytes(root.path().native()));
    // Reaching a folder reads the folders above it, not the folder itself.
    EXPECT_TRUE(model.canFetchMore(folder));
    EXPECT_EQ(model.rowCount(folder), 0);
    model.fetchMore(folder);
    EXPECT_FALSE(model.canFetchMore(folder));
    EXPECT_EQ(childNames(model, folder),
              (QStringList{"album-link", "alpha", QString::fromUtf8(kLatin1Cafe), "photo9",
                           "photo10", "Zeta", "相册"}));

    const QModelIndex cafe = model.index(rowNamed(model, folder, "caf\uFFFD"), 0, folder);
    EXPECT_EQ(pathBytes(model.filePath(cafe)), bytesIn(root, kLatin1Cafe));
    EXPECT_EQ(model.filePath(model.index(rowNamed(model, folder, "相册"), 0, folder)),
              QString::fromStdString(bytesIn(root, "相册")));
    EXPECT_TRUE(model.canFetchMore(cafe));
    EXPECT_TRUE(model.hasChildren(cafe));

    const QModelIndex sub = model.index(pathIn(root, kLatin1Cafe + "/sub/"));
    ASSERT_TRUE(sub.isValid());
    EXPECT_EQ(sub.parent(), cafe);
    EXPECT_EQ(pathBytes(model.filePath(sub)), bytesIn(root, kLatin1Cafe + "/sub"));
    model.fetchMore(sub);
    EXPECT_FALSE(model.hasChildren(sub));
    EXPECT_EQ(model.index(pathIn(root, kLatin1Cafe + "/sub/../../alpha")).data().toString(),
              "alpha");

    EXPECT_FALSE(model.index(pathIn(root, ".hidden")).isValid());
    EXPECT_FALSE(model.index(pathIn(root, "notes.txt")).isValid());
    EXPECT_FALSE(model.index(pathIn(root, "missing/sub")).isValid());
    EXPECT_FALSE(model.index(pathIn(root, "caf")).isValid());
    EXPECT_FALSE(model.index("tmp").isValid());
    EXPECT_EQ(model.filePath(model.index("/")), "/");
}

TEST(PathDialogTest, StartFolderNotUtf8IsSelectedAndOkReturnsItsBytes) {
    testing::TempDir root;
    std::filesystem::create_directories(root.path() / kLatin1Cafe / "sub");
    AnsweringPrompter prompter;
    prompter.answer = false;
    CPathDialog dialog("", "prompt", pathIn(root, kLatin1Cafe), nullptr);
    dialog.setPrompter(&prompter);

    QTreeView* tree = dialog.folderTree();
    const QModelIndex current = tree->currentIndex();
    ASSERT_TRUE(current.isValid());
    EXPECT_EQ(current.data().toString(), QString::fromUtf8(kLatin1Cafe));
    EXPECT_TRUE(tree->selectionModel()->isSelected(current));
    EXPECT_TRUE(tree->isExpanded(current));
    EXPECT_EQ(childNames(*tree->model(), current), QStringList{"sub"});
    EXPECT_EQ(pathBytes(dialog.pathEdit()->text()), bytesIn(root, kLatin1Cafe));

    QTimer::singleShot(0, &dialog, [&] {
        okButton(dialog)->click();
        if (dialog.isVisible())
            dialog.reject();  // the check did not find the folder
    });
    EXPECT_EQ(dialog.runModal(), 1);
    EXPECT_EQ(pathBytes(dialog.chosenPath()), bytesIn(root, kLatin1Cafe));
    EXPECT_EQ(prompter.questions, 0);
    EXPECT_EQ(prompter.errors, 0);

    // No start folder, or a relative one, starts from the working folder.
    const std::filesystem::path before = std::filesystem::current_path();
    std::filesystem::current_path(root.path() / kLatin1Cafe);
    CPathDialog here("", "prompt", "", nullptr);
    CPathDialog below("", "prompt", "sub", nullptr);
    std::filesystem::current_path(before);
    EXPECT_EQ(pathBytes(here.pathEdit()->text()), bytesIn(root, kLatin1Cafe));
    EXPECT_EQ(pathBytes(below.pathEdit()->text()), bytesIn(root, kLatin1Cafe + "/sub"));
}

TEST(PathDialogTest, ClickingAFolderPutsItsExactPathInTheEditBox) {
    testing::TempDir root;
    std::filesystem::create_directory(root.path() / kLatin1Cafe);
    std::filesystem::create_directory(root.path() / "相册");
    CPathDialog dialog("", "prompt", pathFromBytes(root.path().native()), nullptr);
    dialog.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
    QTreeView* tree = dialog.folderTree();
    const QModelIndex folder = tree->currentIndex();
    ASSERT_TRUE(folder.isValid());

    const auto click = [&](const QString& name) {
        const int row = rowNamed(*tree->model(), folder, name);
        ASSERT_GE(row, 0) << name.toStdString();
        const QModelIndex item = tree->model()->index(row, 0, folder);
        tree->scrollTo(item);
        QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, tree->visualRect(item).center());
        EXPECT_EQ(tree->currentIndex(), item);
    };
    click(QString::fromUtf8(kLatin1Cafe));
    EXPECT_EQ(pathBytes(dialog.pathEdit()->text()), bytesIn(root, kLatin1Cafe));
    EXPECT_TRUE(okButton(dialog)->isEnabled());
    click("相册");
    EXPECT_EQ(dialog.pathEdit()->text(), QString::fromStdString(bytesIn(root, "相册")));
}

TEST(PathDialogTest, StartInsideFoldersThatCannotBeReadOpensOnWhatCanBeReached) {
    namespace fs = std::filesystem;
    testing::TempDir root;
    fs::create_directories(root.path() / "locked" / "inner");
    fs::create_directories(root.path() / "locked" / "other");
    fs::create_directories(root.path() / "sealed" / "inner");
    fs::permissions(root.path(), fs::perms(0755));
    fs::permissions(root.path() / "locked", fs::perms(0111));  // may be passed, not read
    fs::permissions(root.path() / "sealed", fs::perms(0));
    {
        OrdinaryUserScope asNobody;
        CPathDialog dialog("", "prompt", pathIn(root, "locked/inner"), nullptr);
        QTreeView* tree = dialog.folderTree();
        EXPECT_EQ(tree->currentIndex().data().toString(), "inner");
        EXPECT_EQ(dialog.pathEdit()->text(), pathIn(root, "locked/inner"));
        const QModelIndex locked = tree->currentIndex().parent();
        EXPECT_EQ(childNames(*tree->model(), locked), QStringList{"inner"});

        CPathDialog sealed("", "prompt", pathIn(root, "sealed/inner"), nullptr);
        EXPECT_FALSE(sealed.folderTree()->currentIndex().isValid());
        EXPECT_TRUE(sealed.pathEdit()->text().isEmpty());
        EXPECT_FALSE(okButton(sealed)->isEnabled());
        auto* model = qobject_cast<FolderTreeModel*>(sealed.folderTree()->model());
        ASSERT_NE(model, nullptr);
        EXPECT_FALSE(model->index(pathIn(root, "locked/missing")).isValid());
        const QModelIndex sealedItem = model->index(pathIn(root, "sealed"));
        ASSERT_TRUE(sealedItem.isValid());
        sealed.folderTree()->expand(sealedItem);
        model->fetchMore(sealedItem);
        EXPECT_EQ(model->rowCount(sealedItem), 0);
        EXPECT_FALSE(model->hasChildren(sealedItem));
    }
    fs::permissions(root.path() / "locked", fs::perms(0755));
    fs::permissions(root.path() / "sealed", fs::perms(0755));
}

TEST(PathDialogTest, CancelReturnsMinusOne) {
    CPathDialog dialog("", "prompt", "/", nullptr);
    QTimer::singleShot(0, &dialog,
                       [&] { dialog.buttons()->button(QDialogButtonBox::Cancel)->click(); });
    EXPECT_EQ(dialog.runModal(), -1);
}

class OptionsDialogTest : public ::testing::Test {
  protected:
    OptionsDialogTest()
        : profile(QString::fromStdString(config.file("Velumark.conf"))),
          settings(QString::fromStdString(program.folder()), profile) {
        settings.loadSettings();
    }
    testing::TempDir program;
    testing::TempDir config;
    SettingsProfile profile;
    AppSettings settings;
};

TEST_F(OptionsDialogTest, OkStoresTheFolderWithASeparatorWithoutCreatingItAndWritesEveryKey) {
    COptionsdlg dialog(settings, nullptr);
    EXPECT_EQ(dialog.outputEdit()->text(), settings.outputDir);
    const QString typed = QString::fromStdString(program.folder() + "shop/out");
    dialog.outputEdit()->setText(typed);
    dialog.checkOnClickBox()->setChecked(true);
    dialog.accept();

    EXPECT_EQ(settings.outputDir, typed + "/");
    EXPECT_EQ(settings.checkOnClick, 1);
    EXPECT_FALSE(QDir(typed).exists());
    QSettings raw(QString::fromStdString(config.file("Velumark.conf")), QSettings::IniFormat);
    EXPECT_EQ(raw.value("main/savepath").toString(), typed + "/");
    EXPECT_EQ(raw.value("main/checkifclickicon").toInt(), 1);
    EXPECT_EQ(raw.allKeys().size(), 24);
}

TEST_F(OptionsDialogTest, CancelKeepsOnlyTheSkinChange) {
    std::vector<bool> skinCalls;
    const QString before = settings.outputDir;
    COptionsdlg dialog(settings, [&](bool on) { skinCalls.push_back(on); });
    dialog.skinBox()->setChecked(true);
    EXPECT_EQ(skinCalls, std::vector<bool>{true});
    EXPECT_EQ(settings.useSkin, 1);
    dialog.outputEdit()->setText("/elsewhere");
    dialog.checkOnClickBox()->setChecked(true);
    dialog.reject();
    EXPECT_EQ(settings.outputDir, before);
    EXPECT_EQ(settings.checkOnClick, 0);
    QSettings raw(QString::fromStdString(config.file("Velumark.conf")), QSettings::IniFormat);
    EXPECT_EQ(raw.value("main/useskin").toInt(), 1);
}

TEST_F(OptionsDialogTest, BrowsePutsThePickedFolderWithASeparatorAndStartsFromTheLastPick) {
    COptionsdlg dialog(settings, nullptr);
    QStringList starts;
    dialog.setFolderPicker([&](QWidget*, const QString& start) {
        starts << start;
        return QStringLiteral("/picked");
    });
    dialog.outputEdit()->setText("/typed");  // text typed since is not the start folder
    dialog.browseButton()->click();
    dialog.browseButton()->click();
    EXPECT_EQ(dialog.outputEdit()->text(), "/picked/");
    EXPECT_EQ(starts, (QStringList{settings.outputDir, "/picked/"}));
}

TEST_F(OptionsDialogTest, MainWindowTitleAndStatusLine) {
    CMainDlg window(settings);
    EXPECT_EQ(window.windowTitle(), "Pixmill v2014.11");
    setStatusText(0, "正在检查是否有最新版本……");
    statusPrintf("已缩小第 %d 张图片：%s", 1, "a.jpg");
    EXPECT_EQ(window.statusPart(0)->text(), "正在检查是否有最新版本……");
    EXPECT_EQ(window.statusPart(1)->text(), "已缩小第 1 张图片：a.jpg");
    EXPECT_EQ(window.statusPart(0)->width(), 150);
}

}  // namespace
}  // namespace pixmill

namespace pixmill {
namespace {

TEST(QtTextsTest, MessageBoxButtonsSpeakChineseOnceInstalled) {
    std::unique_ptr<QTranslator> texts = installChineseQtTexts();
    ASSERT_NE(texts, nullptr) << "Qt's zh_CN translation (qt6-translations-l10n) is missing";
    QMessageBox box(QMessageBox::Question, "t", "?", QMessageBox::Yes | QMessageBox::No);
    EXPECT_TRUE(box.button(QMessageBox::Yes)->text().startsWith(QStringLiteral("是")))
        << box.button(QMessageBox::Yes)->text().toStdString();
    EXPECT_TRUE(box.button(QMessageBox::No)->text().startsWith(QStringLiteral("否")));
    QCoreApplication::removeTranslator(texts.get());
}

}  // namespace
}  // namespace pixmill
