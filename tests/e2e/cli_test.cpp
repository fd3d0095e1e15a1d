// pixmill-cli end to end: real folders, real files, the output and exit-status contract.
#include <sys/stat.h>

#include <gtest/gtest.h>

#include <QDir>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonParseError>
#include <QProcess>
#include <QStringList>

#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>

#include "support/jpeg_builder.h"
#include "support/temp_dir.h"

namespace pixmill {
namespace {

namespace fs = std::filesystem;
using testing::TempDir;

struct CliRun {
    int status = -1;
    QByteArray raw;   // stdout as written
    QStringList out;  // stdout lines
    QString err;
};

class CliTest : public ::testing::Test {
  protected:
    CliRun cli(QStringList arguments) {
        QProcess process;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("PIXMILL_CONFIG_DIR", QString::fromStdString(config.folder()));
        process.setProcessEnvironment(environment);
        process.start(QString::fromLocal8Bit(qgetenv("PIXMILL_BIN_DIR")) + "/pixmill-cli",
                      arguments);
        EXPECT_TRUE(process.waitForFinished(120000));
        CliRun run;
        run.status = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
        run.raw = process.readAllStandardOutput();
        run.out = QString::fromUtf8(run.raw).split('\n', Qt::SkipEmptyParts);
        run.err = QString::fromUtf8(process.readAllStandardError());
        return run;
    }

    // A real 64 x 48 photo with camera EXIF (maker, model, date).
    void writePhoto(const std::string& name, bool withExif = true) {
        QImage image(64, 48, QImage::Format_RGB32);
        image.fill(QColor(200, 120, 40));
        const std::string plain = photos.file(name + ".plain.jpg");
        ASSERT_TRUE(image.save(QString::fromStdString(plain), "JPEG", 90));
        testing::ByteVector encoded = testing::readBytes(plain);
        fs::remove(plain);
        testing::JpegBuilder builder;
        if (withExif) {
            testing::TiffBuilder tiff;
            tiff.ifd0().ascii(0x010F, "NIKON").ascii(0x0110, "D90");
            tiff.exifIfd().ascii(0x9003, "2012:11:05 08:10:45");
            builder.exif(tiff.build());
        }
        testing::writeBytes(photos.file(name), builder.image(encoded).build());
    }

    QString folder() const { return QString::fromStdString(photos.path().string()); }

    TempDir photos, config, output;
};

TEST_F(CliTest, ScanCatalogsTheImageTypesInOrderAndNeverWritesSettings) {
    writePhoto("b.jpeg");
    writePhoto("a.JPG", false);
    QImage(8, 8, QImage::Format_RGB32).save(QString::fromStdString(photos.file("c.png")));
    QImage(8, 8, QImage::Format_RGB32).save(QString::fromStdString(photos.file("d.bmp")));
    for (const char* other : {"e.jpe", "f", "g."})
        photos.write(other, "x");

    const CliRun run = cli({"scan", folder()});
    EXPECT_EQ(run.status, 0) << run.err.toStdString();
    ASSERT_EQ(run.out.size(), 4);
    EXPECT_TRUE(run.out[0].startsWith("1\ta.JPG\t64x48\t"));
    EXPECT_EQ(run.out[1].section('\t', 1, 1), "b.jpeg");
    EXPECT_EQ(run.out[1].section('\t', 4, 6), "2012:11:05 08:10:45\tNIKON\tD90");
    EXPECT_EQ(run.out[1].section('\t', 11, 11), "1");    // the EXIF flag
    EXPECT_EQ(run.out[2].section('\t', 1, 1), "c.png");  // photo details come from JPEGs only
    EXPECT_EQ(run.out[3].section('\t', 1, 1), "d.bmp");
    EXPECT_TRUE(run.err.contains("共加载 4 张图片，可以进行批量操作了"));

    const CliRun json = cli({"scan", "--json", "--only", "B.*", folder()});
    ASSERT_EQ(json.out.size(), 1);
    EXPECT_TRUE(json.out[0].startsWith("{\"row\":2,\"number\":1,\"fileName\":\"b.jpeg\""));
    EXPECT_TRUE(fs::is_empty(config.path()));
}

TEST_F(CliTest, PhonePicturesAreScannedWithTheirShownSizeAndWrittenAsJpg) {
    const std::string phone = std::string(PIXMILL_REAL_PHOTOS) + "/heic/iphone_13_pro_max.HEIC";
    if (!fs::exists(phone)) {
        if (std::getenv("CI"))
            FAIL() << "the real photos are missing: " << PIXMILL_REAL_PHOTOS;
        GTEST_SKIP() << "the real photos are not here";
    }
    fs::copy_file(phone, photos.file("IMG_0001.HEIC"));
    QImage picture(300, 200, QImage::Format_RGB32);
    picture.fill(QColor(30, 160, 90));
    ASSERT_TRUE(picture.save(QString::fromStdString(photos.file("shop.webp")), "WEBP"));
    const testing::ByteVector heicBytes = testing::readBytes(photos.file("IMG_0001.HEIC"));

    const CliRun scan = cli({"scan", folder()});
    EXPECT_EQ(scan.status, 0) << scan.err.toStdString();
    ASSERT_EQ(scan.out.size(), 2);
    EXPECT_TRUE(
        scan.out[0].startsWith("1\tIMG_0001.HEIC\t3024x4032\t2182707\t"
                               "2022:02:16 12:55:41\tApple\tiPhone 13 Pro Max\t"))
        << scan.out[0].toStdString();
    EXPECT_TRUE(scan.out[1].startsWith("2\tshop.webp\t300x200\t"));

    const QString out = QString::fromStdString(output.path().string());
    const CliRun resize = cli({"resize", "--bound", "800", "--out", out, "-q", folder()});
    EXPECT_EQ(resize.status, 0) << resize.err.toStdString();
    EXPECT_EQ(QImage(out + "/IMG_0001.jpg", "JPEG").size(), QSize(600, 800));
    EXPECT_EQ(QImage(out + "/shop.jpg", "JPEG").size(), QSize(300, 200));
    EXPECT_FALSE(fs::exists(output.file("IMG_0001.HEIC")));

    const CliRun stamp = cli({"watermark", "--text", "店", "--out", out, "--json", folder()});
    EXPECT_EQ(stamp.status, 0) << stamp.err.toStdString();
    ASSERT_EQ(stamp.out.size(), 2);
    EXPECT_TRUE(stamp.out[1].contains("\"output\":\"" + out + "/shop.jpg\""));
    EXPECT_EQ(QImage(out + "/shop.jpg", "JPEG").size(), QSize(300, 200));

    const CliRun rotate = cli({"rotate", "--cw", "--json", folder()});
    EXPECT_EQ(rotate.status, 0) << rotate.err.toStdString();
    ASSERT_EQ(rotate.out.size(), 2);
    EXPECT_TRUE(rotate.out[0].contains("\"status\":\"skipped\""));
    EXPECT_TRUE(rotate.err.contains("skipped: IMG_0001.HEIC"));
    EXPECT_EQ(testing::readBytes(photos.file("IMG_0001.HEIC")), heicBytes);
}

TEST_F(CliTest, ExitStatusesForUsageMissingAndEmptyFolders) {
    EXPECT_EQ(cli({"--version"}).out, QStringList{"2014.11"});
    EXPECT_EQ(cli({"frobnicate", folder()}).status, 2);
    EXPECT_EQ(cli({"scan", "--rule", "x", folder()}).status, 2);
    EXPECT_EQ(cli({"meta", folder()}).status, 2);
    EXPECT_EQ(cli({"meta", "--shift-hours=eleven", folder()}).status, 2);
    EXPECT_EQ(cli({"scan", folder() + "/missing"}).status, 3);
    EXPECT_EQ(cli({"info", folder() + "/missing.jpg"}).status, 3);
    const CliRun empty = cli({"meta", "--delete-exif", folder()});
    EXPECT_EQ(empty.status, 0);
    EXPECT_TRUE(empty.out.isEmpty());
    EXPECT_TRUE(empty.err.contains("未发现任何图片，请检查目录："));
}

// info names the damage that stopped its walk, else the last EXIF damage it stepped over; a
// file that is no JPEG gets the one line that says so.
TEST_F(CliTest, InfoNamesTheDamageItsWalkMet) {
    testing::TiffBuilder tiff;
    tiff.ifd0().ascii(0x010F, "NIKON").shortValue(0x0112, 9);
    const testing::ByteVector exifOnly = testing::JpegBuilder().exif(tiff.build()).build();
    const testing::ByteVector turned = testing::JpegBuilder().exif(tiff.build()).image().build();
    testing::writeBytes(photos.file("turned.jpg"), turned);
    // Cut inside the first section after the EXIF one.
    testing::writeBytes(
        photos.file("cut.jpg"),
        testing::ByteVector(turned.begin(), turned.begin() + long(exifOnly.size()) + 10));
    photos.write("plain.jpg", "not a picture");
    const auto info = [this](const char* name) {
        return cli({"info", QString::fromStdString(photos.file(name))});
    };

    const CliRun whole = info("turned.jpg");
    EXPECT_EQ(whole.status, 0);
    EXPECT_TRUE(whole.err.contains("turned.jpg: Undefined rotation value"))
        << whole.err.toStdString();
    EXPECT_FALSE(whole.err.contains("no JPEG image data found"));
    const CliRun cut = info("cut.jpg");
    EXPECT_EQ(cut.status, 0);
    EXPECT_TRUE(cut.err.contains("cut.jpg: Premature end of file")) << cut.err.toStdString();
    EXPECT_FALSE(cut.err.contains("Undefined rotation value"));
    EXPECT_TRUE(cut.err.contains("cut.jpg: no JPEG image data found"));
    const CliRun plain = info("plain.jpg");
    EXPECT_EQ(plain.status, 0);
    EXPECT_EQ(plain.err.trimmed(),
              QString::fromStdString(photos.file("plain.jpg")) + ": no JPEG image data found");
}

TEST_F(CliTest, MetaReportsEveryRowStatusAndRefusesWhenNothingIsTicked) {
    writePhoto("1.jpg");
    writePhoto("2.jpg", false);
    writePhoto("3.jpg");
    QImage(8, 8, QImage::Format_RGB32).save(QString::fromStdString(photos.file("4.png")));
    ::chmod(photos.file("3.jpg").c_str(), 0444);

    const CliRun run = cli({"meta", "--delete-exif", "--json", folder()});
    EXPECT_EQ(run.status, 0) << run.err.toStdString();
    ASSERT_EQ(run.out.size(), 4);
    EXPECT_TRUE(run.out[0].contains("\"status\":\"ok\""));
    EXPECT_TRUE(run.out[1].contains("\"status\":\"unchanged\""));
    EXPECT_TRUE(run.out[2].contains("\"status\":\"skipped\""));  // read-only
    EXPECT_TRUE(run.out[3].contains("\"status\":\"skipped\""));  // not a JPEG
    EXPECT_TRUE(run.err.contains("正在处理第 1 张图片：1.jpg"));
    EXPECT_TRUE(run.err.contains("skipped: 3.jpg"));
    EXPECT_EQ(testing::markersOf(testing::readBytes(photos.file("3.jpg"))).at(0), 0xE1);
    EXPECT_NE(testing::markersOf(testing::readBytes(photos.file("1.jpg"))).at(0), 0xE1);

    const CliRun refused = cli({"meta", "--pure", "--only", "*.gif", folder()});
    EXPECT_EQ(refused.status, 1);
    EXPECT_TRUE(refused.err.contains("请先勾选您要编辑的图片!"));
}

TEST_F(CliTest, JsonAndInfoLinesAreUtf8AndReadBackExactly) {
    // A GBK file name, a Latin-1 maker and an exposure of 1/30 s.
    const std::string gbkName = "\xb2\xe2\xca\xd4.jpg";  // 测试 in GBK
    testing::TiffBuilder tiff;
    tiff.ifd0().ascii(0x010F, "Soci\xe9t\xe9");
    tiff.exifIfd().rational(0x829A, 1, 30);
    writePhoto("plain.jpg", false);
    testing::ByteVector image = testing::readBytes(photos.file("plain.jpg"));
    fs::remove(photos.file("plain.jpg"));
    testing::writeBytes(photos.file(gbkName),
                        testing::JpegBuilder().exif(tiff.build()).image(image).build());
    // A photo cut inside its sections: the row says why it failed.
    testing::ByteVector cut = testing::readBytes(photos.file(gbkName));
    cut.resize(40);
    testing::writeBytes(photos.file("cut.jpg"), cut);

    const CliRun scan = cli({"scan", "--json", folder()});
    // (A process argument cannot carry the GBK name through QString: info reads a copy.)
    fs::copy_file(photos.file(gbkName), output.file("latin.jpg"));
    const CliRun info = cli({"info", QString::fromStdString(output.file("latin.jpg"))});
    const CliRun infoJson =
        cli({"info", "--json", QString::fromStdString(output.file("latin.jpg"))});
    const CliRun meta = cli({"meta", "--pure", "--json", folder()});
    for (const CliRun* run : {&scan, &info, &infoJson, &meta}) {
        EXPECT_TRUE(QString::fromUtf8(run->raw).toUtf8() == run->raw);  // valid UTF-8
        EXPECT_FALSE(run->raw.contains('\xb2'));
    }
    for (const CliRun* run : {&scan, &infoJson, &meta}) {
        for (const QString& line : run->out) {
            QJsonParseError error;
            QJsonDocument::fromJson(line.toUtf8(), &error);
            EXPECT_EQ(error.error, QJsonParseError::NoError) << line.toStdString();
        }
    }
    ASSERT_EQ(scan.out.size(), 2);
    const QJsonObject row = QJsonDocument::fromJson(scan.out[1].toUtf8()).object();
    EXPECT_TRUE(scan.out[1].contains("\"fileName\":\"\\udcb2\\udce2\\udcca\\udcd4.jpg\""));
    EXPECT_TRUE(scan.out[1].contains("\"cameraMake\":\"Soci\\udce9t\\udce9\""));
    EXPECT_EQ(row["exposureTime"].toString(), QString());  // a number, not a text
    EXPECT_EQ(static_cast<float>(row["exposureTime"].toDouble()), static_cast<float>(1.0 / 30));
    EXPECT_TRUE(info.out.contains("cameraMake\tSoci\\udce9t\\udce9"));
    EXPECT_TRUE(info.out.contains("exposureTime\t0.033333335"));
    ASSERT_EQ(infoJson.out.size(), 1);
    const QJsonObject details = QJsonDocument::fromJson(infoJson.out[0].toUtf8()).object();
    EXPECT_TRUE(infoJson.out[0].contains("\"cameraMake\":\"Soci\\udce9t\\udce9\""));
    EXPECT_EQ(static_cast<float>(details["exposureTime"].toDouble()), static_cast<float>(1.0 / 30));
    EXPECT_EQ(details["sections"].toArray().first().toObject()["marker"].toString(), "FFE1");

    ASSERT_EQ(meta.out.size(), 2);
    EXPECT_TRUE(meta.out[0].contains("\"status\":\"failed\""));
    EXPECT_TRUE(meta.out[0].contains("\"message\":\"Premature end of file?\""));
}

TEST_F(CliTest, RenameDryRunTouchesNothingAndAConflictMovesNothing) {
    writePhoto("b.jpg");
    writePhoto("a.jpg");
    const CliRun dry =
        cli({"rename", "--rule", "item-<no>", "--start", "7", "--dry-run", folder()});
    EXPECT_EQ(dry.status, 0) << dry.err.toStdString();
    EXPECT_EQ(dry.out, (QStringList{"a.jpg\titem-7.jpg", "b.jpg\titem-8.jpg"}));
    EXPECT_TRUE(fs::exists(photos.file("a.jpg")));

    // "x.txt" is not a catalog row, so the name it holds cannot be given.
    photos.write("item-8.jpg.txt", "");
    fs::rename(photos.file("item-8.jpg.txt"), photos.file("item-8.JPG"));
    const CliRun conflict = cli({"rename", "--rule", "item-<no>", "--start", "7", "--case", "upper",
                                 "--only", "a.jpg", "--only", "b.jpg", folder()});
    EXPECT_EQ(conflict.status, 1);
    EXPECT_TRUE(fs::exists(photos.file("a.jpg")));
    EXPECT_TRUE(fs::exists(photos.file("b.jpg")));

    const CliRun renamed =
        cli({"rename", "--rule", "item-<no>", "--start", "7", "--only", "?.jpg", folder()});
    EXPECT_EQ(renamed.status, 0) << renamed.err.toStdString();
    EXPECT_TRUE(fs::exists(photos.file("item-7.jpg")));
    EXPECT_TRUE(fs::exists(photos.file("item-8.jpg")));
    EXPECT_FALSE(fs::exists(photos.file("a.jpg")));
}

TEST_F(CliTest, RenameUndoPutsTheOldNamesBackOnceAndSaysWhyNot) {
    writePhoto("b.jpg");
    writePhoto("a.jpg");
    ASSERT_EQ(cli({"rename", "--rule", "x<no>", folder()}).status, 0);
    EXPECT_TRUE(fs::exists(photos.file("x1.jpg")));
    const CliRun undo = cli({"rename", "--undo", folder()});
    EXPECT_EQ(undo.status, 0) << undo.err.toStdString();
    EXPECT_TRUE(undo.err.contains("已撤销上次的重命名"));
    EXPECT_TRUE(fs::exists(photos.file("a.jpg")) && fs::exists(photos.file("b.jpg")));
    const CliRun again = cli({"rename", "--undo", folder()});
    EXPECT_EQ(again.status, 1);
    EXPECT_TRUE(again.err.contains("没有可以撤销的重命名"));
}

TEST_F(CliTest, ResizeCopiesOnlyPicturesOfTheKindTheirNameSays) {
    writePhoto("a.jpg");
    fs::create_symlink("/etc/passwd", photos.file("passwd.jpg"));
    const QString out = QString::fromStdString(output.folder());
    const CliRun resize = cli({"resize", "--bound", "1600", "--out", out, folder()});
    EXPECT_EQ(resize.status, 1);  // the link's row failed
    EXPECT_TRUE(fs::exists(output.file("a.jpg")));
    EXPECT_FALSE(fs::exists(output.file("passwd.jpg")));
}

TEST_F(CliTest, AWatermarkPictureThatIsMissingOrAFifoStopsTheBatchAtOnce) {
    writePhoto("a.jpg");
    const QString out = QString::fromStdString(output.folder());
    const std::string fifo = config.file("picture.png");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0644), 0);
    for (const std::string& picture : {config.file("missing.png"), fifo}) {
        const CliRun run = cli(
            {"watermark", "--picture", QString::fromStdString(picture), "--out", out, folder()});
        EXPECT_EQ(run.status, 1) << picture;
        EXPECT_TRUE(run.err.contains("水印图片无法读取")) << run.err.toStdString();
        EXPECT_FALSE(fs::exists(output.file("a.jpg")));
    }
}

TEST_F(CliTest, PixelCommandsWriteIntoTheOutputFolderButNeverTheCatalogsOwn) {
    writePhoto("p.jpg");
    const QString out = QString::fromStdString(output.folder() + "made/");
    const CliRun resize = cli({"resize", "--bound", "32", "--out", out, "--json", folder()});
    EXPECT_EQ(resize.status, 0) << resize.err.toStdString();
    EXPECT_EQ(QImage(out + "p.jpg").size(), QSize(32, 24));

    const CliRun crop = cli({"crop", "--rect=-20,0,0,10", "--out", out, folder()});
    EXPECT_EQ(crop.status, 0) << crop.err.toStdString();
    EXPECT_EQ(QImage(out + "p.jpg").size(), QSize(20, 10));

    const CliRun stamp =
        cli({"watermark", "--text", "Pixmill", "--align", "8", "--out", out, folder()});
    EXPECT_EQ(stamp.status, 0) << stamp.err.toStdString();
    EXPECT_EQ(QImage(out + "p.jpg").size(), QSize(64, 48));

    const auto before = testing::readBytes(photos.file("p.jpg"));
    EXPECT_EQ(cli({"resize", "--preset", "4", "--out", folder(), folder()}).status, 1);
    EXPECT_EQ(testing::readBytes(photos.file("p.jpg")), before);

    EXPECT_EQ(cli({"rotate", "--ccw", folder()}).status, 0);
    EXPECT_EQ(QImage(QString::fromStdString(photos.file("p.jpg"))).size(), QSize(48, 64));
}

TEST_F(CliTest, OutputOptionsChangeFormatAndSizeAndRefuseBadValues) {
    writePhoto("p.jpg");
    const QString out = QString::fromStdString(output.folder());
    for (const QStringList& bad : {QStringList{"--format", "gif"},
                                   {"--quality", "0"},
                                   {"--quality", "101"},
                                   {"--max-kb", "0"},
                                   {"--max-kb=-3"},
                                   {"--square", "--canvas-color", "ffgg00"},
                                   {"--canvas-color", "ffffff"},
                                   {"--format", "png", "--max-kb", "50"}}) {
        const CliRun run =
            cli(QStringList{"resize", "--bound", "32"} + bad + QStringList{folder()});
        EXPECT_EQ(run.status, 2) << bad.join(' ').toStdString();
        EXPECT_TRUE(run.err.contains("Usage:")) << bad.join(' ').toStdString();
    }
    EXPECT_EQ(cli({"rotate", "--cw", "--quality", "50", folder()}).status, 2);

    const CliRun square = cli({"resize", "--bound", "40", "--square", "--canvas-color", "00FF00",
                               "--format", "png", "--json", "--out", out, folder()});
    ASSERT_EQ(square.status, 0) << square.err.toStdString();
    const QImage canvas(out + "p.png");
    ASSERT_EQ(canvas.size(), QSize(40, 40));
    EXPECT_EQ(canvas.pixel(20, 1), qRgb(0, 255, 0));  // 40 x 30 lies from row 5 to row 34
    EXPECT_EQ(canvas.pixel(20, 38), qRgb(0, 255, 0));
    EXPECT_NE(canvas.pixel(20, 20), qRgb(0, 255, 0));

    const CliRun webp = cli({"crop", "--rect", "0,0,0,0", "--format", "webp", "--max-kb", "1",
                             "--json", "--out", out, folder()});
    ASSERT_EQ(webp.status, 0) << webp.err.toStdString();
    ASSERT_EQ(webp.out.size(), 1);
    const QJsonObject row = QJsonDocument::fromJson(webp.out[0].toUtf8()).object();
    EXPECT_EQ(row["output"].toString(), out + "p.webp");
    EXPECT_EQ(row["status"].toString(), "ok");
    EXPECT_LE(fs::file_size(output.file("p.webp")), 1024u);
}

TEST_F(CliTest, ARowDoneWithANoteIsNamedOnStderrWithIt) {
    QImage noise(64, 48, QImage::Format_RGB32);
    for (int y = 0; y < noise.height(); ++y)
        for (int x = 0; x < noise.width(); ++x)
            noise.setPixel(x, y, qRgb((x * 97 + y * 31) % 256, (x * y * 13) % 256, (x ^ y) * 4));
    ASSERT_TRUE(noise.save(QString::fromStdString(photos.file("n.png")), "PNG"));
    const CliRun run = cli({"resize", "--bound", "60", "--max-kb", "1", "--out",
                            QString::fromStdString(output.folder()), "-q", folder()});
    ASSERT_EQ(run.status, 0) << run.err.toStdString();
    EXPECT_TRUE(run.err.contains(QStringLiteral("ok: n.png: PNG 是无损格式")))
        << run.err.toStdString();
}

}  // namespace
}  // namespace pixmill
