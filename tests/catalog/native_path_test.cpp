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

}  // namespace
}  // namespace pixmill
