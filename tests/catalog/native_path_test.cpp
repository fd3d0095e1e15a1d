#include <filesystem>

#include <gtest/gtest.h>

#include "engine/catalog/folder_scan.h"
#include "engine/platform/native_path.h"
#include "support/temp_dir.h"

namespace pixmill {
namespace {

TEST(NativePath, keepsEveryByteOfANameThatIsNotUtf8AndConvertsUtf8AsQtDoes) {
    for (const std::string& bytes :
         {std::string("/tmp/caf\xe9/a.jpg"), std::string("\xff\xfe\x80"), std::string("相册/x"),
          std::string("\xed\xa0\x80"), std::string("\xc0\xaf"), std::string("a\xf0\x9f\x98\x80")}) {
        EXPECT_EQ(pathBytes(pathFromBytes(bytes)), bytes);
    }
    EXPECT_EQ(pathFromBytes("相册/x"), QString::fromUtf8("相册/x"));
    EXPECT_EQ(pathFromBytes("a\xf0\x9f\x98\x80"), QString::fromUtf8("a\xf0\x9f\x98\x80"));
    EXPECT_EQ(pathBytes(QString::fromUtf8("相册")), "相册");
    EXPECT_EQ(pathFromBytes("caf\xe9").size(), 4);
}

TEST(NativePath, aFolderWhoseNameIsNotUtf8IsScanned) {
    testing::TempDir dir;
    const std::string folder = dir.folder() + "caf\xe9";
    std::filesystem::create_directory(folder);
    dir.write("caf\xe9/a.jpg", "x");  // the scan lists it whatever it holds
    EXPECT_TRUE(isReadableFolder(pathFromBytes(folder)));
    const std::vector<CatalogItem> items = scanFolder(pathFromBytes(folder), nullptr);
    ASSERT_EQ(items.size(), 1u);
    EXPECT_EQ(items[0].fullPath, folder + "/a.jpg");
}

TEST(NativePath, addressesAndProfileTextsGiveBackEveryByte) {
    const std::string bytes = "/home/u/caf\xe9 #1%/\xff|x/";
    const QString path = pathFromBytes(bytes);
    EXPECT_EQ(pathBytes(pathFromFileUrl(fileUrl(path))), bytes);
    EXPECT_EQ(fileUrl(path).toEncoded(), "file:///home/u/caf%E9%20%231%25/%FF%7Cx/");
    // A file manager's drop names the same bytes.
    EXPECT_EQ(
        pathBytes(pathFromFileUrl(QUrl::fromEncoded("file:///home/u/caf%E9%20%231%25/%FF%7Cx/"))),
        bytes);
    EXPECT_TRUE(pathFromFileUrl(QUrl("https://example.com/a.jpg")).isEmpty());

    const QString stored = profileTextForPath(path);
    EXPECT_FALSE(stored.contains(QLatin1Char('|')));  // the history's separator
    EXPECT_EQ(pathBytes(pathFromProfileText(stored)), bytes);
    // What is UTF-8 is stored as it reads, whatever it holds.
    for (const QString& plain : {QString::fromUtf8("/相册/a b%20/"), QString("relative/file:x")}) {
        EXPECT_EQ(profileTextForPath(plain), plain);
        EXPECT_EQ(pathFromProfileText(plain), plain);
    }
}

TEST(NativePath, addressesOfOtherMachinesRelativeOrCutShortNameNoPathHere) {
    EXPECT_TRUE(pathFromFileUrl(QUrl::fromEncoded("file://server/share/a.jpg")).isEmpty());
    EXPECT_EQ(pathFromFileUrl(QUrl::fromEncoded("file://localhost/tmp/a.jpg")), "/tmp/a.jpg");
    // A zero byte would leave "/tmp/a", the folder above the one meant.
    EXPECT_TRUE(pathFromFileUrl(QUrl::fromEncoded("file:///tmp/a%00b/IMG.jpg")).isEmpty());
    EXPECT_TRUE(pathFromProfileText("file:///tmp/a%00b/").isEmpty());
    // A hand-edited address in UTF-8 reads as UTF-8.
    EXPECT_EQ(pathFromProfileText(QString::fromUtf8("file:///tmp/café/")),
              QString::fromUtf8("/tmp/café/"));

    // A relative path is addressed from the working folder.
    const QString relative = pathFromBytes("photos/caf\xe9.jpg");
    const QUrl address = fileUrl(relative);
    ASSERT_TRUE(address.isValid());
    EXPECT_EQ(pathBytes(pathFromFileUrl(address)),
              std::filesystem::current_path().string() + "/photos/caf\xe9.jpg");
}

TEST(NativePath, anEmojiIsTextAndAHistorySeparatorOrEdgeBlankGoesAsAnAddress) {
    const QString emoji = QString::fromUtf8("/tmp/\xf0\x9f\x92\xa9/");  // U+1F4A9: D83D DCA9
    EXPECT_FALSE(holdsRawBytes(emoji));
    EXPECT_EQ(profileTextForPath(emoji), emoji);
    EXPECT_TRUE(holdsRawBytes(pathFromBytes("/tmp/\xa9")));
    for (const QString& awkward :
         {QString("/tmp/a|b/"), QString("/tmp/ x/ "), QString("/tmp/x\t")}) {
        const QString stored = profileTextForPath(awkward);
        EXPECT_TRUE(stored.startsWith("file:///")) << stored.toStdString();
        EXPECT_FALSE(stored.contains(QLatin1Char('|')));
        EXPECT_EQ(pathFromProfileText(stored), awkward);
    }
}

TEST(NativePath, checksAndFoldersAreMadeOnTheNamesOwnBytes) {
    testing::TempDir dir;
    const std::string nested = dir.folder() + "caf\xe9/\xff/x";
    const QString path = pathFromBytes(nested);
    EXPECT_FALSE(pathExists(path));
    ASSERT_TRUE(makeFolders(nested));
    EXPECT_TRUE(isFolder(path));
    dir.write("caf\xe9/\xff/x/a.jpg", "x");
    EXPECT_TRUE(pathExists(pathFromBytes(nested + "/a.jpg")));
    EXPECT_FALSE(isFolder(pathFromBytes(nested + "/a.jpg")));
    EXPECT_FALSE(makeFolders(nested + "/a.jpg/y"));
    EXPECT_EQ(displayPath(pathFromBytes("caf\xe9")), QString::fromUtf8("caf\xef\xbf\xbd"));
}

}  // namespace
}  // namespace pixmill
