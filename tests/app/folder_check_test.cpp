// The folder picker's path checks: both rule sets as plain functions, creation level by level.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "engine/controls/folder_check.h"
#include "support/temp_dir.h"

namespace pixmill {
namespace {

struct RecordingLevels {
    std::vector<std::string> made;
    std::string failAt;
    MakeFolderLevel function() {
        return [this](const std::string& folder) {
            made.push_back(folder);
            return folder != failAt;
        };
    }
};

TEST(FolderCheckTest, PosixRules) {
    RecordingLevels levels;
    const auto check = [&](const char* path) {
        return testPosixFolderPath(path, true, levels.function()).code();
    };
    EXPECT_EQ(check("/"), kFolderUsable);
    EXPECT_EQ(check("/home/user/photos"), kFolderUsable);
    EXPECT_EQ(check("/home/user/.local/share"), kFolderUsable);  // hidden folders are folders
    EXPECT_EQ(check("/mnt/server:share/a b "), kFolderUsable);
    EXPECT_EQ(check(""), kFolderInvalid);
    EXPECT_EQ(check("photos/new"), kFolderInvalid);  // relative
    EXPECT_EQ(check("/home/photos/"), kFolderInvalid);
    EXPECT_EQ(check("/home//photos"), kFolderInvalid);
    EXPECT_EQ(check("/home/../etc"), kFolderInvalid);
    EXPECT_EQ(check("/home/./x"), kFolderInvalid);
    EXPECT_EQ(check(("/" + std::string(300, 'a')).c_str()), kFolderUsable);  // no length limit
    EXPECT_TRUE(levels.made.empty());  // checkOnly creates nothing
}

TEST(FolderCheckTest, WindowsRules) {
    RecordingLevels levels;
    const auto check = [&](const std::string& path) {
        return testWindowsFolderPath(path, true, levels.function()).code();
    };
    EXPECT_EQ(check("E:\\"), kFolderUsable);
    EXPECT_EQ(check("d:\\photos\\new"), kFolderUsable);
    EXPECT_EQ(check("D:"), kFolderInvalid);
    EXPECT_EQ(check("1:\\x"), kFolderInvalid);
    EXPECT_EQ(check("D:/photos"), kFolderInvalid);
    EXPECT_EQ(check("D:\\photos\\"), kFolderInvalid);
    EXPECT_EQ(check("D:\\photos\\\\new"), kFolderInvalid);
    EXPECT_EQ(check("D:\\ photos"), kFolderInvalid);
    EXPECT_EQ(check("D:\\photos."), kFolderInvalid);
    EXPECT_EQ(check("D:\\pho?tos"), kFolderInvalid);
    EXPECT_EQ(check("D:\\a:b"), kFolderInvalid);
    // Only the first 260 characters are looked at.
    EXPECT_EQ(check("D:\\" + std::string(257, 'a') + "\\?"), kFolderUsable);
}

TEST(FolderCheckTest, CreationWalksEveryLevelAndStopsAtTheFirstFailure) {
    RecordingLevels levels;
    EXPECT_EQ(testWindowsFolderPath("D:\\photos\\new", false, levels.function()).code(),
              kFolderUsable);
    EXPECT_EQ(levels.made, (std::vector<std::string>{"D:\\photos", "D:\\photos\\new"}));

    levels.made.clear();
    levels.failAt = "/a/b";
    EXPECT_EQ(testPosixFolderPath("/a/b/c", false, levels.function()).code(),
              kFolderCannotBeCreated);
    EXPECT_EQ(levels.made, (std::vector<std::string>{"/a", "/a/b"}));
}

class ScriptedPrompter : public FolderPrompter {
  public:
    bool answer = true;
    std::vector<std::string> questions, errors;
    bool askYesNo(const std::string& message) override {
        questions.push_back(message);
        return answer;
    }
    void showError(const std::string& message) override { errors.push_back(message); }
};

TEST(FolderCheckTest, CheckOrCreateAsksThenCreatesOnTheRealFileSystem) {
    testing::TempDir root;
    const std::string target = root.folder() + ".hidden/photos/new";
    ScriptedPrompter prompter;

    prompter.answer = false;
    EXPECT_EQ(checkOrCreateFolder(target, prompter).code(), -1);
    EXPECT_FALSE(std::filesystem::exists(target));
    ASSERT_EQ(prompter.questions.size(), 1u);
    EXPECT_EQ(
        prompter.questions[0],
        "The folder:\n\n" + target + "\n\ndoes not exist. Do you want the folder to be created?");

    prompter.answer = true;
    EXPECT_EQ(checkOrCreateFolder(target, prompter).code(), kFolderUsable);
    EXPECT_TRUE(std::filesystem::is_directory(target));

    // An existing folder passes without a question.
    prompter.questions.clear();
    EXPECT_EQ(checkOrCreateFolder(target, prompter).code(), kFolderUsable);
    EXPECT_TRUE(prompter.questions.empty());
    EXPECT_TRUE(prompter.errors.empty());
}

TEST(FolderCheckTest, CheckOrCreateShowsTheTwoErrorMessages) {
    testing::TempDir root;
    root.write("file", "x");
    ScriptedPrompter prompter;
    EXPECT_EQ(checkOrCreateFolder(root.folder(), prompter).code(), kFolderInvalid);
    EXPECT_EQ(prompter.errors.back(),
              "The folder:\n\n" + root.folder() + "\n\nis invalid. Please reenter.");

    // A level that is a file cannot become a folder.
    const std::string underFile = root.file("file") + "/sub";
    EXPECT_EQ(checkOrCreateFolder(underFile, prompter).code(), kFolderCannotBeCreated);
    EXPECT_EQ(prompter.errors.back(),
              "The folder:\n\n" + underFile + "\n\ncan not be created. Please double check.");
}

}  // namespace
}  // namespace pixmill
