#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "engine/watermark/watermark_library.h"
#include "support/temp_dir.h"

namespace pixmill {
namespace {

TEST(WatermarkLibrary, extensionMustOccurInsideTheAcceptedList) {
    for (const char* accepted : {"logo.png", "logo.PNG", "a.b.JpEg", "seal.bmp", "logo.pn", "logo",
                                 "logo.", "x.jp", ".png"})
        EXPECT_TRUE(isLibraryPictureName(accepted)) << accepted;
    for (const char* refused : {"logo.gif", "logo.tif", "logo.png.txt", "logo.pngx", "a.jpgbmp"})
        EXPECT_FALSE(isLibraryPictureName(refused)) << refused;
}

TEST(WatermarkLibrary, categoriesAreVisibleSubfoldersWithTheirPictures) {
    testing::TempDir library;
    namespace fs = std::filesystem;
    fs::create_directories(library.path() / "印章");
    fs::create_directories(library.path() / "边框" / "nested");
    fs::create_directories(library.path() / ".hidden");
    library.write("印章/b.png", "x");
    library.write("印章/a.JPG", "x");
    library.write("印章/notes.txt", "x");
    library.write("印章/c.gif", "x");
    library.write(".hidden/d.png", "x");
    library.write("loose.png", "x");
    std::vector<WatermarkCategory> categories = scanWatermarkLibrary(library.folder());
    ASSERT_EQ(categories.size(), 2u);
    EXPECT_EQ(categories[0].name, "印章");
    EXPECT_EQ(categories[0].files,
              (std::vector<std::string>{library.file("印章/a.JPG"), library.file("印章/b.png")}));
    EXPECT_EQ(categories[1].name, "边框");
    EXPECT_TRUE(categories[1].files.empty());  // a subfolder is not a picture
}

TEST(WatermarkLibrary, missingFolderGivesNoCategories) {
    testing::TempDir library;
    EXPECT_TRUE(scanWatermarkLibrary(library.file("absent")).empty());
    library.write("plain-file", "x");
    EXPECT_TRUE(scanWatermarkLibrary(library.file("plain-file")).empty());
}

TEST(WatermarkLibrary, theShippedLibraryHasPicturesInEveryCategory) {
    const char* data = std::getenv("PIXMILL_DATA_DIR");
    ASSERT_NE(data, nullptr);
    auto categories = scanWatermarkLibrary(std::string(data) + "/" + kWatermarkLibraryFolderName);
    ASSERT_GE(categories.size(), 3u);
    for (const WatermarkCategory& category : categories) {
        EXPECT_GE(category.files.size(), 3u) << category.name;
        for (const std::string& file : category.files)
            EXPECT_EQ(file.substr(file.size() - 4), ".png");  // not the script beside them
    }
}

}  // namespace
}  // namespace pixmill
