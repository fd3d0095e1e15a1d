// pixmill-cli killed with SIGKILL at chosen file steps of each in-place command and of rename,
// and two in-place commands run at once on one folder. After each run every photo is present
// exactly once and holds either its old or its new bytes; after the next command no temporary
// of ours is left and a rename's names are all old or all new. Totals are printed.

#include <QColor>
#include <QImage>
#include <QPainter>

#include <cstdio>
#include <filesystem>
#include <map>
#include <random>
#include <set>

#include <gtest/gtest.h>

#include "faults/cli_child.h"
#include "support/jpeg_builder.h"
#include "support/temp_dir.h"

namespace pixmill {
namespace {

namespace fs = std::filesystem;
using testing::ByteVector;
using testing::startCli;
using testing::TempDir;
using testing::waitCli;
using Contents = std::map<std::string, ByteVector>;  // file name -> bytes

constexpr int kPhotos = 6;

struct Totals {
    int runs = 0, filesChecked = 0, lost = 0, halfWritten = 0, strayTemporaries = 0;
    ~Totals() {
        std::printf(
            "fault suite: %d runs, %d files checked, %d lost, %d half-written, "
            "%d stray temporaries\n",
            runs, filesChecked, lost, halfWritten, strayTemporaries);
    }
};
Totals totals;

class FaultSuite : public ::testing::Test {
  protected:
    int cli(std::vector<std::string> arguments, const std::string& folder, int killAt = 0) {
        arguments.push_back(folder);
        return waitCli(startCli(arguments, config.folder(), killAt)).status;
    }

    // Photos of their own colours with camera EXIF, big enough to be written in several steps.
    void writePhotos(const TempDir& dir) {
        for (int i = 0; i < kPhotos; ++i) {
            QImage image(320, 240, QImage::Format_RGB32);
            image.fill(QColor::fromHsv(i * 50, 200, 220));
            QPainter painter(&image);
            for (int line = 0; line < 240; line += 7)
                painter.drawLine(0, line, 320, (line * 13 + i * 31) % 240);
            painter.end();
            const std::string plain = dir.file("plain.tmp");
            ASSERT_TRUE(image.save(QString::fromStdString(plain), "JPEG", 95));
            const ByteVector encoded = testing::readBytes(plain);
            fs::remove(plain);
            testing::TiffBuilder tiff;
            tiff.ifd0().ascii(0x010F, "NIKON").ascii(0x0110, "D90");
            tiff.exifIfd().ascii(0x9003, "2012:11:05 08:10:45");
            testing::JpegBuilder builder;
            builder.exif(tiff.build()).comment("old comment");
            testing::writeBytes(dir.file("p" + std::to_string(i) + ".jpg"),
                                builder.image(encoded).build());
        }
    }

    static Contents contentsOf(const TempDir& dir) {
        Contents contents;
        for (const auto& entry : fs::directory_iterator(dir.path())) {
            const std::string name = entry.path().filename().string();
            if (name.rfind(".pixmill-rename.", 0) != 0)
                contents[name] = testing::readBytes(entry.path().string());
        }
        return contents;
    }

    // The folder's photos after `commands` ran one after another on a fresh copy.
    Contents reference(const std::vector<std::vector<std::string>>& commands) {
        TempDir dir;
        writePhotos(dir);
        for (const auto& command : commands)
            EXPECT_EQ(cli(command, dir.folder()), 0);
        const Contents result = contentsOf(dir);
        for (const auto& [name, bytes] : result) {
            QImage decoded;
            EXPECT_TRUE(decoded.loadFromData(bytes.data(), int(bytes.size()), "JPEG")) << name;
        }
        return result;
    }

    // Every photo once under its own name with bytes of one of `allowed`; `settled` adds that
    // nothing else is in the folder.
    void checkInPlace(const TempDir& dir, const std::vector<Contents>& allowed, bool settled,
                      const std::string& what) {
        const Contents now = contentsOf(dir);
        for (const auto& [name, bytes] : allowed.front()) {
            ++totals.filesChecked;
            auto found = now.find(name);
            if (found == now.end()) {
                ++totals.lost;
                ADD_FAILURE() << what << ": " << name << " lost";
                continue;
            }
            bool whole = false;
            for (const Contents& contents : allowed)
                whole = whole || contents.at(name) == found->second;
            if (!whole) {
                ++totals.halfWritten;
                ADD_FAILURE() << what << ": " << name << " neither old nor new";
            }
        }
        if (settled && now.size() != allowed.front().size()) {
            totals.strayTemporaries += int(now.size() - allowed.front().size());
            ADD_FAILURE() << what << ": " << now.size() - allowed.front().size()
                          << " stray files after the next command";
        }
    }

    // One run of `command` on fresh photos in `dir`, killed at file step `killAt`; `old` gets the
    // photos as they were the first time. Returns the command's status.
    int killedRun(const std::vector<std::string>& command, int killAt, TempDir& dir,
                  Contents& old) {
        writePhotos(dir);
        if (old.empty())
            old = contentsOf(dir);
        ++totals.runs;
        return cli(command, dir.folder(), killAt);
    }

    TempDir config;
};

const std::vector<std::vector<std::string>> kInPlace = {
    {"meta", "--comment", "new comment A"},
    {"meta", "--comment", "comment B"},
    {"meta", "--delete-exif"},
    {"meta", "--shift-hours", "3"},
    {"rotate", "--cw"},
    {"rotate", "--mirror-h"},
};

TEST_F(FaultSuite, anInPlaceCommandKilledAtAnyFileStepLeavesEveryPhotoOldOrNew) {
    std::mt19937 random(17);
    Contents old;
    {
        TempDir dir;
        writePhotos(dir);
        old = contentsOf(dir);
    }
    for (const auto& command : kInPlace) {
        const Contents done = reference({command});
        // About ten file steps per photo: kill at spread-out steps, the first ones included.
        for (int round = 0; round < 8; ++round) {
            const int killAt = round < 2 ? round + 1 : 1 + int(random() % (kPhotos * 10));
            TempDir dir;
            writePhotos(dir);
            ++totals.runs;
            cli(command, dir.folder(), killAt);
            const std::string what =
                command[0] + " " + command[1] + " killed at step " + std::to_string(killAt);
            checkInPlace(dir, {old, done}, false, what);
            ++totals.runs;
            EXPECT_EQ(cli({"scan"}, dir.folder()), 0);
            checkInPlace(dir, {old, done}, true, what + ", then scan");
        }
    }
}

// The metadata commands write a block of temporaries, flush them together, then rename each:
// a kill at every one of those steps (some written, all flushed, between two renames).
TEST_F(FaultSuite, aBlockOfRewritesKilledAtEveryStepLeavesEveryPhotoOldOrNew) {
    const std::vector<std::string> command{"meta", "--delete-exif"};
    const Contents done = reference({command});
    Contents old;
    for (int killAt = 1;; ++killAt) {
        TempDir dir;
        const int status = killedRun(command, killAt, dir, old);
        const std::string what = "meta --delete-exif killed at step " + std::to_string(killAt);
        checkInPlace(dir, {old, done}, false, what);
        ++totals.runs;
        EXPECT_EQ(cli({"scan"}, dir.folder()), 0);
        checkInPlace(dir, {old, done}, true, what + ", then scan");
        if (status == 0) {
            EXPECT_EQ(contentsOf(dir), done) << "finished at step " << killAt;
            break;
        }
        ASSERT_LT(killAt, 200);
    }
}

TEST_F(FaultSuite, twoInPlaceCommandsAtOnceOnOneFolderKeepBothChanges) {
    for (size_t a = 0; a < kInPlace.size(); ++a) {
        for (size_t b = a + 1; b < kInPlace.size(); ++b) {
            const Contents ab = reference({kInPlace[a], kInPlace[b]});
            const Contents ba = reference({kInPlace[b], kInPlace[a]});
            TempDir dir;
            writePhotos(dir);
            std::vector<std::string> first = kInPlace[a], second = kInPlace[b];
            first.push_back(dir.folder());
            second.push_back(dir.folder());
            const pid_t one = startCli(first, config.folder(), 0);
            const pid_t two = startCli(second, config.folder(), 0);
            totals.runs += 2;
            EXPECT_EQ(waitCli(one).status, 0);
            EXPECT_EQ(waitCli(two).status, 0);
            // Per photo either order is fine, but both changes must be in it.
            checkInPlace(dir, {ab, ba}, true,
                         first[0] + " " + first[1] + " with " + second[0] + " " + second[1]);
        }
    }
}

TEST_F(FaultSuite, aRenameKilledAtAnyFileStepEndsWithAllOldOrAllNewNames) {
    const std::vector<std::string> rename{"rename", "--rule", "x<no>", "--start", "2"};
    const Contents renamed = reference({rename});
    Contents old;
    for (int killAt = 1;; ++killAt) {
        TempDir dir;
        const int status = killedRun(rename, killAt, dir, old);
        // Before the next command: every photo's bytes exactly once, under whatever name.
        std::multiset<ByteVector> present;
        for (const auto& [name, bytes] : contentsOf(dir))
            if (name.rfind(".~pm", 0) != 0)
                present.insert(bytes);
        for (const auto& [name, bytes] : old) {
            ++totals.filesChecked;
            if (present.count(bytes) != 1) {
                ++totals.lost;
                ADD_FAILURE() << "rename killed at " << killAt << ": " << name << " present "
                              << present.count(bytes) << " times";
            }
        }
        ++totals.runs;
        EXPECT_EQ(cli({"scan"}, dir.folder()), 0);
        const Contents after = contentsOf(dir);
        if (after != old && after != renamed) {
            ++totals.lost;
            ADD_FAILURE() << "rename killed at " << killAt << ": names neither all old nor all new";
        }
        if (status == 0)
            break;
        ASSERT_LT(killAt, 80);
    }
}

// A rename and an in-place command started together on one folder, in both orders. The in-place
// command may find a photo already moved (that row fails), but no photo is lost or doubled,
// each holds its old or its new bytes (its new ones wherever the command said ok), and once the
// next command ran the names are all new and nothing of ours is left.
TEST_F(FaultSuite, aRenameAndAnInPlaceCommandAtOnceKeepEveryPhotoOnce) {
    const std::vector<std::string> rename{"rename", "--rule", "x<no>", "--start", "2"};
    Contents old;
    {
        TempDir dir;
        writePhotos(dir);
        old = contentsOf(dir);
    }
    const Contents renamedNames = reference({rename});
    for (const auto& command : kInPlace) {
        const Contents done = reference({command});
        for (int renameFirst = 0; renameFirst < 2; ++renameFirst) {
            const std::string what =
                command[0] + " " + command[1] + (renameFirst ? " after" : " before") + " rename";
            TempDir dir;
            writePhotos(dir);
            std::vector<std::string> first = renameFirst ? rename : command;
            std::vector<std::string> second = renameFirst ? command : rename;
            first.push_back(dir.folder());
            second.push_back(dir.folder());
            const pid_t one = startCli(first, config.folder(), 0);
            const pid_t two = startCli(second, config.folder(), 0);
            totals.runs += 2;
            const int firstStatus = waitCli(one).status;
            const int secondStatus = waitCli(two).status;
            const int renameStatus = renameFirst ? firstStatus : secondStatus;
            const int commandStatus = renameFirst ? secondStatus : firstStatus;
            EXPECT_EQ(renameStatus, 0) << what;
            EXPECT_GE(commandStatus, 0) << what;
            EXPECT_LE(commandStatus, 1) << what;

            const Contents now = contentsOf(dir);
            std::multiset<ByteVector> present;
            for (const auto& [name, bytes] : now)
                present.insert(bytes);
            for (const auto& [name, bytes] : old) {
                ++totals.filesChecked;
                const std::size_t copies = present.count(bytes) + present.count(done.at(name));
                if (copies != 1) {
                    ++totals.lost;
                    ADD_FAILURE() << what << ": " << name << " present " << copies << " times";
                } else if (commandStatus == 0 && present.count(done.at(name)) != 1) {
                    ++totals.lost;
                    ADD_FAILURE() << what << ": " << name << " lost the change reported ok";
                }
            }
            if (now.size() != old.size()) {
                ++totals.halfWritten;
                ADD_FAILURE() << what << ": " << now.size() << " files for " << old.size();
            }
            ++totals.runs;
            EXPECT_EQ(cli({"scan"}, dir.folder()), 0);
            std::set<std::string> names, expected;
            for (const auto& [name, bytes] : contentsOf(dir))
                names.insert(name);
            for (const auto& [name, bytes] : renamedNames)
                expected.insert(name);
            if (names != expected) {
                totals.strayTemporaries += int(names.size()) - int(expected.size());
                ADD_FAILURE() << what << ": the names are not all new after the next command";
            }
        }
    }
}

TEST_F(FaultSuite, everyCommandWorksInAFolderWhoseNameIsNotUtf8) {
    TempDir base, output;
    writePhotos(base);
    const std::string folder = base.folder() + "caf\xe9 \xff";
    fs::create_directory(folder);
    for (int i = 0; i < kPhotos; ++i) {
        const std::string name = "p" + std::to_string(i) + ".jpg";
        fs::rename(base.file(name), folder + "/" + name);
    }
    const std::string out = output.folder() + "out\xe9";
    for (const std::vector<std::string>& command :
         std::vector<std::vector<std::string>>{{"scan"},
                                               {"meta", "--comment", "X"},
                                               {"rotate", "--cw"},
                                               {"rename", "--rule", "x<no>"},
                                               {"rename", "--undo"},
                                               {"resize", "--bound", "100", "--out", out},
                                               {"watermark", "--text", "X", "--out", out}}) {
        EXPECT_EQ(cli(command, folder), 0) << command[0];
    }
    EXPECT_TRUE(fs::exists(folder + "/p0.jpg"));
    EXPECT_TRUE(fs::exists(out + "/p5.jpg"));
    EXPECT_EQ(cli({"resize", "--bound", "100", "--out", folder}, folder), 1);  // its own folder
}

}  // namespace
}  // namespace pixmill
