#include "engine/imaging/batch_output.h"

#include <gtest/gtest.h>

#include <QString>

#include <algorithm>
#include <filesystem>
#include <map>
#include <memory>
#include <set>

#include "engine/imaging/crop_batch.h"
#include "engine/imaging/resize_batch.h"
#include "engine/watermark/watermark_batch.h"
#include "engine/watermark/watermark_options.h"
#include "support/temp_dir.h"

namespace pixmill {
namespace {

using testing::TempDir;

std::string nameOf(const OutputName& output, const std::string& outputDir) {
    return output.path.substr(outputDir.size());
}

// Every source of the folder gets an output name of its own whatever order the rows are worked
// in and whichever rows are worked; a source whose name is unchanged keeps it.
TEST(OutputNames, everySourceOfTheFolderHasItsOwnNameWhateverTheOrder) {
    const std::vector<std::string> catalog = {"a.png", "a.jpg", "A.bmp",    "a (2).jpg",
                                              "b.PNG", "c.png", "c.txt.png"};
    const std::map<std::string, std::string> expected = {
        {"a.jpg", "a.jpg"},         {"a (2).jpg", "a (2).jpg"}, {"A.bmp", "A (3).jpg"},
        {"a.png", "a (4).jpg"},     {"b.PNG", "b.jpg"},         {"c.png", "c.jpg"},
        {"c.txt.png", "c.txt.jpg"},
    };
    BatchEnvironment env{"/in/", "/out/"};
    env.catalogNames = catalog;
    std::vector<std::string> order = catalog;
    for (int pass = 0; pass < 3; ++pass) {
        SCOPED_TRACE(pass);
        OutputNames names(OutputOptions{OutputFormat::Jpeg});
        if (pass == 1)
            std::reverse(order.begin(), order.end());
        if (pass == 2)
            order = {"a.png"};  // a batch of one ticked row names it the same
        for (const std::string& source : order) {
            const OutputName output = names.claim(env, source, EncodedFormat::Jpeg);
            EXPECT_EQ(nameOf(output, "/out/"), expected.at(source)) << source;
            // The row says so when its output is not simply renamed by its format.
            const bool numbered = expected.at(source).find(" (") != std::string::npos &&
                                  expected.at(source) != source;
            EXPECT_EQ(output.note.find(expected.at(source)) != std::string::npos, numbered)
                << output.note;
        }
    }
}

TEST(OutputNames, contentOfAnotherFormatAndLongNamesNeverTakeAnotherName) {
    BatchEnvironment env{"/in/", "/out/"};
    env.catalogNames = {"m.jpg", "m.png"};
    OutputNames names(OutputOptions{});
    // "m.jpg" holds a PNG, which stays PNG: "m.png" is the other source's.
    EXPECT_EQ(nameOf(names.claim(env, "m.jpg", EncodedFormat::Png), "/out/"), "m (2).png");
    EXPECT_EQ(nameOf(names.claim(env, "m.png", EncodedFormat::Png), "/out/"), "m.png");
    // Outside any plan, the second claimant of one name gets the next one.
    OutputNames unplanned(OutputOptions{});
    BatchEnvironment bare{"/in/", "/out/"};
    EXPECT_EQ(nameOf(unplanned.claim(bare, "x.heic", EncodedFormat::Jpeg), "/out/"), "x.jpg");
    EXPECT_EQ(nameOf(unplanned.claim(bare, "x.gif", EncodedFormat::Jpeg), "/out/"), "x (2).jpg");
    EXPECT_EQ(nameOf(unplanned.claim(bare, "x.heic", EncodedFormat::Jpeg), "/out/"), "x.jpg");

    // Numbered names of the longest names still fit, cut at a character boundary.
    std::string stem;
    for (int i = 0; i < 83; ++i)
        stem += "图";  // 249 bytes
    env.catalogNames = {stem + ".jpg", stem + ".png"};
    OutputNames longNames(OutputOptions{OutputFormat::Jpeg});
    const std::string second =
        nameOf(longNames.claim(env, stem + ".png", EncodedFormat::Jpeg), "/out/");
    EXPECT_LE(second.size(), 255u);
    EXPECT_NE(second, stem + ".jpg");
    EXPECT_EQ(QString::fromUtf8(second).toStdString(), second);  // still valid UTF-8
    EXPECT_EQ(second.substr(second.size() - 8), " (2).jpg");
}

// The batches that write into the output folder: a.png, a.bmp and a.jpg written as JPEG are
// three pictures, each in its own file, rows on several threads or not; a rerun replaces them.
TEST(OutputNames, resizeCropAndWatermarkKeepEveryPictureOfOneName) {
    TempDir in;
    const std::map<std::string, QColor> sources = {
        {"a.png", Qt::red}, {"a.bmp", Qt::green}, {"a.jpg", Qt::blue}};
    for (const auto& [name, colour] : sources) {
        QImage picture(64, 48, QImage::Format_RGB32);
        picture.fill(colour);
        ASSERT_TRUE(picture.save(QString::fromStdString(in.file(name))));
    }
    WatermarkLayerOptions layer;
    layer.text = "W";
    ASSERT_TRUE(writeOneLayerLayout(layer, in.file("water.tmp")));
    const OutputOptions jpeg{OutputFormat::Jpeg};
    const std::map<std::string, std::function<BatchJob()>> jobs = {
        {"resize", [&] { return makeResizeJob(ResizeParams{.bound = 32, .output = jpeg}); }},
        {"crop", [&] { return makeCropJob(CropParams{.width = 0, .height = 0, .output = jpeg}); }},
        {"watermark",
         [&] {
             return makeWatermarkJob(
                 in.file("water.tmp"), 0, [](const std::string&) {}, jpeg);
         }},
    };
    for (const auto& [kind, make] : jobs) {
        std::unique_ptr<TempDir> out;
        for (int pass = 0; pass < 3; ++pass) {
            SCOPED_TRACE(kind + " " + std::to_string(pass));
            if (pass < 2)
                out = std::make_unique<TempDir>();  // the last pass reruns into the second
            BatchJob job = make();
            ASSERT_TRUE(!job.prepare || job.prepare().isOk());
            BatchEnvironment env{in.folder(), out->folder()};
            env.catalogNames = {"a.png", "a.bmp", "a.jpg", "water.tmp"};
            std::vector<WorkedRow> rows;
            for (const auto& [name, colour] : sources) {
                WorkedRow row{int(rows.size()), {}};
                row.item.fileName = name;
                row.item.fullPath = in.file(name);
                rows.push_back(row);
            }
            if (pass == 1)
                std::reverse(rows.begin(), rows.end());
            std::set<std::string> written;
            for (WorkedRow& row : rows) {
                const ItemOutcome outcome = job.perItem(row, env);
                ASSERT_EQ(outcome.status, ItemStatus::Ok) << outcome.message;
                written.insert(outcome.output);
                const QImage back(QString::fromStdString(outcome.output));
                const QColor expected = sources.at(row.item.fileName);
                const QColor seen = back.pixelColor(2, 2);
                EXPECT_LT(std::abs(seen.red() - expected.red()) +
                              std::abs(seen.green() - expected.green()) +
                              std::abs(seen.blue() - expected.blue()),
                          40)
                    << row.item.fileName << " -> " << outcome.output;
            }
            EXPECT_EQ(written, (std::set<std::string>{out->file("a.jpg"), out->file("a (2).jpg"),
                                                      out->file("a (3).jpg")}));
            std::size_t files = 0;
            for ([[maybe_unused]] const auto& entry :
                 std::filesystem::directory_iterator(out->path()))
                ++files;
            EXPECT_EQ(files, 3u);  // a rerun replaced its own outputs
        }
    }
}

}  // namespace
}  // namespace pixmill
