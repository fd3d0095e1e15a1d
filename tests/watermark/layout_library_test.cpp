#include <gtest/gtest.h>

#include <filesystem>

#include "engine/watermark/layout_library.h"
#include "support/failing_file_ops.h"
#include "support/temp_dir.h"
#include "watermark_test_support.h"

namespace pixmill {
namespace {

std::vector<std::uint8_t> layoutBytes(const CControlTracker& group) {
    return writeLayoutArchive(group.toLayoutRecord());
}

// A text layer and a picture layer where the user left them, aligned bottom-right, bordered.
void shopLayout(CControlTracker& group, const testing::TempDir& folder) {
    testing::savePng(testing::solidImage(30, 12, Qt::blue), folder.file("logo.png"));
    auto text = std::make_unique<CWatermarkCtrl>();
    text->text = "店铺 <no>";
    text->fontName = "WenQuanYi Micro Hei";
    text->fontSize = 31;
    text->textColor = 0x0000FF;
    text->angle = 15;
    text->opacity = 60;
    text->transparent = 1;
    text->bold = 1;
    text->rect = {40, 70, 220, 130};
    group.layers.push_back(std::move(text));
    auto picture = std::make_unique<CWatermarkCtrl>();
    picture->imagePath = folder.file("logo.png");
    picture->loadLayerImage();
    picture->rect = {300, 20, 330, 32};
    group.layers.push_back(std::move(picture));
    group.header.alignMode = 8;
    group.header.borderOn = 1;
    group.header.borderColor = 0x00FF00;
    group.header.borderBottom = 12;
}

std::vector<std::string> filesIn(const testing::TempDir& folder, const std::string& sub) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder.path() / sub))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

TEST(LayoutNames, refusesWhatIsNoPortableFileName) {
    const std::string refused[] = {"",
                                   "   ",
                                   "a/b",
                                   "a\\b",
                                   "a:b",
                                   "a*b",
                                   "a?b",
                                   "a\"b",
                                   "a<b>",
                                   "a|b",
                                   "tab\tx",
                                   "line\nbreak",
                                   ".hidden",
                                   "end.",
                                   " lead",
                                   "trail ",
                                   "CON",
                                   "con.txt",
                                   "Lpt9",
                                   "nul",
                                   ".",
                                   "..",
                                   std::string(249, 'x')};
    for (const std::string& name : refused)
        EXPECT_FALSE(layoutNameProblem(name).empty()) << '"' << name << '"';
    const std::string accepted[] = {"店铺水印", "shop-2024 v1",       "COM0", "console", "a.b",
                                    "LPT",      std::string(248, 'x')};
    for (const std::string& name : accepted)
        EXPECT_EQ(layoutNameProblem(name), "") << '"' << name << '"';
    EXPECT_EQ(layoutNameProblem(""), "请输入布局名称");
    EXPECT_EQ(layoutNameProblem("a/b"), "布局名称不能包含 / 或 \\");
}

TEST(SavedLayouts, saveThenLoadGivesBackTheSameLayout) {
    testing::TempDir folder;
    const std::string templates = folder.file("WatermarkTemplate");  // created by the save
    CControlTracker group;
    shopLayout(group, folder);
    ASSERT_TRUE(saveNamedLayout(group, templates, "店铺水印"));
    EXPECT_TRUE(std::filesystem::exists(templates + "/店铺水印.layout"));

    testing::RecordingWindow window;
    CControlTracker loaded(&window);
    ASSERT_TRUE(loadNamedLayout(loaded, templates, "店铺水印", &window));
    EXPECT_EQ(layoutBytes(loaded), layoutBytes(group));
    ASSERT_EQ(loaded.layers.size(), 2u);
    EXPECT_EQ(loaded.layers.front()->rect, (LayoutRect{40, 70, 220, 130}));
    EXPECT_EQ(loaded.layers.back()->owner, &window);
    ASSERT_TRUE(loaded.layers.back()->image.has_value());
    EXPECT_EQ(loaded.layers.back()->image->size(), QSize(30, 12));

    // Saving over a name replaces that layout whole; the folder holds nothing else of ours.
    group.header.alignMode = 4;
    ASSERT_TRUE(saveNamedLayout(group, templates, "店铺水印"));
    ASSERT_TRUE(saveNamedLayout(group, templates, "b"));
    ASSERT_TRUE(loadNamedLayout(loaded, templates, "店铺水印", nullptr));
    EXPECT_EQ(loaded.header.alignMode, 4);
    EXPECT_EQ(filesIn(folder, "WatermarkTemplate"),
              (std::vector<std::string>{"b.layout", "店铺水印.layout"}));
    EXPECT_EQ(savedLayoutNames(templates), (std::vector<std::string>{"b", "店铺水印"}));
}

TEST(SavedLayouts, badMissingAndDamagedLayoutsLeaveTheGroupAsItWas) {
    testing::TempDir folder;
    CControlTracker group;
    shopLayout(group, folder);
    const std::vector<std::uint8_t> before = layoutBytes(group);

    Result<> bad = loadNamedLayout(group, folder.folder(), "../etc", nullptr);
    EXPECT_EQ(bad.code(), kLayoutBadName);
    Result<> missing = loadNamedLayout(group, folder.folder(), "absent", nullptr);
    EXPECT_EQ(missing.code(), kLayoutMissing);
    EXPECT_NE(missing.message().find("absent"), std::string::npos);
    folder.write("cut.layout", std::string("\xFF\xFF\x00\x00\x13\x00CWater", 12));
    EXPECT_EQ(loadNamedLayout(group, folder.folder(), "cut", nullptr).code(), kLayoutDamaged);
    EXPECT_EQ(layoutBytes(group), before);

    EXPECT_EQ(saveNamedLayout(group, folder.folder(), "a/b").code(), kLayoutBadName);
    EXPECT_EQ(saveNamedLayout(group, folder.folder(), "CON").code(), kLayoutBadName);
    EXPECT_FALSE(std::filesystem::exists(folder.file("a")));
    // A damaged file or a sub-folder of the extension's name is listed as what it is: only files.
    std::filesystem::create_directory(folder.path() / "dir.layout");
    EXPECT_EQ(savedLayoutNames(folder.folder()), (std::vector<std::string>{"cut"}));
    EXPECT_TRUE(savedLayoutNames(folder.file("nowhere")).empty());
}

TEST(SavedLayouts, aFailedSaveKeepsTheEarlierLayoutWhole) {
    testing::TempDir folder;
    CControlTracker group;
    shopLayout(group, folder);
    ASSERT_TRUE(saveNamedLayout(group, folder.folder(), "shop"));
    const std::vector<unsigned char> earlier = testing::readFile(folder.file("shop.layout"));
    group.layers.pop_back();
    for (auto op : {testing::FailingFileOps::Op::WriteNewFile,
                    testing::FailingFileOps::Op::RenameReplacing}) {
        testing::FailingFileOps failing;
        failing.failAt(op, 1);
        Result<> saved = saveNamedLayout(group, folder.folder(), "shop", failing);
        EXPECT_EQ(saved.code(), kLayoutNotWritten);
        EXPECT_EQ(testing::readFile(folder.file("shop.layout")), earlier);
        EXPECT_EQ(filesIn(folder, ""), (std::vector<std::string>{"logo.png", "shop.layout"}));
    }
}

TEST(SavedLayouts, aLayoutArgumentIsAFileOrASavedName) {
    testing::TempDir folder;
    const std::string templates = folder.folder() + "WatermarkTemplate/";
    CControlTracker group;
    shopLayout(group, folder);
    ASSERT_TRUE(saveNamedLayout(group, templates, "shop"));
    ASSERT_TRUE(group.saveLayout(folder.file("own.tmp")));

    EXPECT_EQ(*resolveLayoutArgument(folder.file("own.tmp"), templates), folder.file("own.tmp"));
    EXPECT_EQ(*resolveLayoutArgument("shop", templates), templates + "shop.layout");
    EXPECT_EQ(*resolveLayoutArgument("shop.layout", templates), templates + "shop.layout");
    Result<std::string> missing = resolveLayoutArgument("shops", templates);
    ASSERT_FALSE(missing);
    EXPECT_EQ(missing.code(), kLayoutMissing);
    EXPECT_NE(missing.message().find("“shops”"), std::string::npos);
    EXPECT_FALSE(resolveLayoutArgument("", templates));
    EXPECT_FALSE(resolveLayoutArgument("../shop", templates + "sub/"));
}

}  // namespace
}  // namespace pixmill
