// The home trash: its folders, the moved file and its record.
#include "engine/platform/home_trash.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "engine/platform/native_path.h"
#include "support/temp_dir.h"

namespace pixmill {
namespace {

TEST(HomeTrashTest, FoldersAreMadeWhereMissingAndTheFileGoesThereWithItsRecord) {
    testing::TempDir home;
    testing::TempDir work;
    const QString homeFolder = QString::fromStdString(home.folder());
    EXPECT_EQ(homeTrashFolder("", homeFolder), QDir::cleanPath(homeFolder) + "/.local/share/Trash");
    EXPECT_EQ(homeTrashFolder("/data", homeFolder), "/data/Trash");
    EXPECT_EQ(homeTrashFolder("relative", ""), "");
    EXPECT_FALSE(ensureTrashFolders(""));

    const QString trash = homeTrashFolder("", homeFolder);  // no .local/share yet
    ASSERT_TRUE(ensureTrashFolders(trash));
    EXPECT_EQ(QFileInfo(trash + "/files").permissions() & 0x0077, 0);  // owner only

    const QString photo = QString::fromStdString(work.folder()) + "a 1.jpg";
    for (int round = 0; round < 2; ++round) {
        QFile file(photo);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("photo");
        file.close();
        ASSERT_TRUE(moveIntoTrash(photo, trash));
        EXPECT_FALSE(QFileInfo::exists(photo));
    }
    EXPECT_TRUE(QFileInfo::exists(trash + "/files/a 1.jpg"));
    EXPECT_TRUE(QFileInfo::exists(trash + "/files/a 1.2.jpg"));  // the second gets its own name
    QFile record(trash + "/info/a 1.jpg.trashinfo");
    ASSERT_TRUE(record.open(QIODevice::ReadOnly));
    const QByteArray text = record.readAll();
    EXPECT_TRUE(text.startsWith("[Trash Info]\nPath="));
    EXPECT_TRUE(text.contains("a%201.jpg"));
    EXPECT_TRUE(text.contains("DeletionDate="));

    // A file that cannot be moved stays, and leaves no record behind.
    int error = 0;
    EXPECT_FALSE(moveIntoTrash(photo, trash, &error));
    EXPECT_FALSE(QFileInfo::exists(trash + "/info/a 1.3.jpg.trashinfo"));
}

TEST(HomeTrashTest, AFileWhoseNameIsNotUtf8IsMovedAndRecordedByItsBytes) {
    testing::TempDir home;
    testing::TempDir work;
    const QString trash = homeTrashFolder("", QString::fromStdString(home.folder()));
    ASSERT_TRUE(ensureTrashFolders(trash));
    // Another file whose name reads the same once the byte is replaced must stay where it is.
    work.write("caf\xef\xbf\xbd.jpg", "other");
    work.write("caf\xe9.jpg", "photo");
    ASSERT_TRUE(moveIntoTrash(pathFromBytes(work.folder() + "caf\xe9.jpg"), trash));
    EXPECT_FALSE(std::filesystem::exists(work.folder() + "caf\xe9.jpg"));
    EXPECT_TRUE(std::filesystem::exists(work.folder() + "caf\xef\xbf\xbd.jpg"));
    const std::string trashFolder = pathBytes(trash);
    EXPECT_TRUE(std::filesystem::exists(trashFolder + "/files/caf\xe9.jpg"));
    const std::string recordPath = trashFolder + "/info/caf\xe9.jpg.trashinfo";
    std::ifstream in(recordPath);
    const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_NE(text.find("caf%E9.jpg\n"), std::string::npos) << text;
}

}  // namespace
}  // namespace pixmill
