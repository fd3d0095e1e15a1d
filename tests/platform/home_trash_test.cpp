// The home trash: its folders, the moved file and its record.
#include "engine/platform/home_trash.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>

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

}  // namespace
}  // namespace pixmill
