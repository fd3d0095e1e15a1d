// pixmill-cli watermark with layouts saved in the window (by name) and --stamp-width, run from
// a program folder of its own so that its WatermarkTemplate/ folder is the test's.
#include <gtest/gtest.h>

#include <QImage>
#include <QProcess>

#include <filesystem>

#include "engine/watermark/watermark_options.h"
#include "support/temp_dir.h"

namespace pixmill {
namespace {

namespace fs = std::filesystem;

bool isBlue(const QColor& c) {
    return c.blue() > 200 && c.red() < 60 && c.green() < 60;
}

QRect blueBox(const QImage& image) {
    QRect box;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (isBlue(image.pixelColor(x, y)))
                box = box.united(QRect(x, y, 1, 1));
    return box;
}

class CliLayoutTest : public ::testing::Test {
  protected:
    void SetUp() override {
        const fs::path built = qEnvironmentVariable("PIXMILL_BIN_DIR").toStdString();
        fs::copy_file(built / "pixmill-cli", program.path() / "pixmill-cli");
        fs::create_directory(program.path() / "WatermarkTemplate");
        // The shop's layout: a 40 x 10 blue badge in the bottom-right corner.
        QImage badge(40, 10, QImage::Format_RGB32);
        badge.fill(Qt::blue);
        ASSERT_TRUE(badge.save(QString::fromStdString(program.file("badge.png"))));
        WatermarkLayerOptions options;
        options.picturePath = program.file("badge.png");
        options.alignMode = 8;
        ASSERT_TRUE(
            writeOneLayerLayout(options, program.folder() + "WatermarkTemplate/店标.layout"));
        for (int width : {200, 800}) {
            QImage photo(width, width / 2, QImage::Format_RGB32);
            photo.fill(Qt::green);
            const std::string name = "p" + std::to_string(width) + ".jpg";
            ASSERT_TRUE(photo.save(QString::fromStdString(photos.file(name)), "JPEG", 95));
        }
    }

    int cli(QStringList arguments, QString* err = nullptr) {
        QProcess process;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("PIXMILL_CONFIG_DIR", QString::fromStdString(config.folder()));
        process.setProcessEnvironment(environment);
        arguments << "--out" << QString::fromStdString(output.folder())
                  << QString::fromStdString(photos.path().string());
        process.start(QString::fromStdString(program.file("pixmill-cli")), arguments);
        EXPECT_TRUE(process.waitForFinished(120000));
        if (err)
            *err = QString::fromUtf8(process.readAllStandardError());
        return process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    }

    testing::TempDir program, photos, output, config;
};

TEST_F(CliLayoutTest, aSavedLayoutByNameScaledToAShareOfEachPicture) {
    QString err;
    ASSERT_EQ(cli({"watermark", "--layout", "店标", "--stamp-width", "25"}, &err), 0)
        << err.toStdString();
    for (int width : {200, 800}) {
        QImage stamped(QString::fromStdString(output.file("p" + std::to_string(width) + ".jpg")));
        ASSERT_EQ(stamped.size(), QSize(width, width / 2));
        const QRect box = blueBox(stamped);
        // JPEG's halved colour resolution blurs the blue's edges by a pixel or two.
        EXPECT_NEAR(box.width(), width / 4, 3) << width;
        EXPECT_NEAR(box.height(), width / 16, 3) << width;
        EXPECT_NEAR(box.right(), width - 1, 2) << width;
        EXPECT_NEAR(box.bottom(), width / 2 - 1, 3) << width;
    }
    // Without --stamp-width the saved layout is stamped at 1:1; a file path works as before.
    ASSERT_EQ(cli({"watermark", "--layout",
                   QString::fromStdString(program.folder() + "WatermarkTemplate/店标.layout")}),
              0);
    EXPECT_NEAR(blueBox(QImage(QString::fromStdString(output.file("p800.jpg")))).width(), 40, 2);
}

TEST_F(CliLayoutTest, aMissingNameOrABadStampWidthWritesNothing) {
    QString err;
    EXPECT_EQ(cli({"watermark", "--layout", "无此布局"}, &err), 3);
    EXPECT_TRUE(err.contains("找不到水印布局文件或已保存的布局“无此布局”")) << err.toStdString();
    EXPECT_EQ(cli({"watermark", "--layout", "../店标"}), 3);
    for (const char* width : {"0", "101", "-5", "wide"}) {
        EXPECT_EQ(
            cli({"watermark", "--layout", "店标", QStringLiteral("--stamp-width=") + width}, &err),
            2)
            << width;
    }
    EXPECT_TRUE(err.contains("--stamp-width")) << err.toStdString();
    EXPECT_TRUE(fs::is_empty(output.path()));
}

}  // namespace
}  // namespace pixmill
