// The update feed's parsing and checks, the version rule and the names of a downloaded update.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include "engine/update/fixed_addresses.h"
#include "engine/update/update_feed.h"
#include "engine/update/update_install.h"
#include "support/temp_dir.h"

namespace pixmill {
namespace {

const char* const kFullFeed =
    "<feed>\n<name>Velumark</name>\n<version>2015.03</version>\n"
    "<downurl>https://dl.example.org/Velumark.rar</downurl>\n"
    "<downurl2>https://mirror.example.org/Velumark.rar</downurl2>\n"
    "<help>https://help.example.org/?page=start</help>\n<bbs>https://bbs.example.org/</bbs>\n"
    "<news>春季新版发布</news>\n<ad>ad text</ad>\n<mailme>mailto:maker@example.org</mailme>\n"
    "</feed>\n";

TEST(UpdateFeedTest, readsEveryTagIntoItsField) {
    Result<UpdateFeed> applied =
        applyFeedDocument(QString::fromUtf8(kFullFeed), initialUpdateFeed());
    ASSERT_TRUE(applied);
    const UpdateFeed& feed = *applied;
    EXPECT_EQ(feed.name, "Velumark");
    EXPECT_EQ(feed.version, "2015.03");
    EXPECT_EQ(feed.downloadAddress, "https://dl.example.org/Velumark.rar");
    EXPECT_EQ(feed.downloadAddress2, "https://mirror.example.org/Velumark.rar");
    EXPECT_EQ(feed.help, "https://help.example.org/?page=start");
    EXPECT_EQ(feed.site, "https://bbs.example.org/");
    EXPECT_EQ(feed.forum, feed.site);
    EXPECT_EQ(feed.news, QString::fromUtf8("春季新版发布"));
    EXPECT_EQ(feed.ad, "ad text");
    EXPECT_EQ(feed.mailAddress, "mailto:maker@example.org");
}

TEST(UpdateFeedTest, valueEndsAtFirstClosingMarkAndFirstTagWins) {
    QString value;
    ASSERT_TRUE(findTagValue("<news>a<b>c</i></news><news>second</news>", "news", &value));
    EXPECT_EQ(value, "a<b>c");
    EXPECT_FALSE(findTagValue("<news>never closed", "news", &value));
    EXPECT_FALSE(findTagValue("<version2>1</version2>", "version", &value));
}

TEST(UpdateFeedTest, missingTagsKeepFieldsAndHelpStaysBuiltIn) {
    UpdateFeed feed = initialUpdateFeed();
    feed.mailAddress = "mailto:earlier@example.org";
    Result<UpdateFeed> applied = applyFeedDocument("<version>2015.03</version>", feed);
    ASSERT_TRUE(applied);
    feed = *applied;
    EXPECT_EQ(feed.help, QString::fromUtf8(builtInAddress(FixedAddress::Help)));
    EXPECT_EQ(feed.mailAddress, "mailto:earlier@example.org");
    EXPECT_TRUE(feed.site.isEmpty());
}

TEST(UpdateFeedTest, documentWithoutUsableVersionIsAFailedFetchAndChangesNothing) {
    // A captive portal's login page, an empty version, and versions unfit for a file name.
    const char* const documents[] = {
        "<html><body>Please log in</body></html>",
        "<version></version><help>https://evil.example.org/</help>",
        "<version>../../bin/sh</version>",
        "<version>2015 03</version>",
        "<version>123456789012345678901234567890123</version>",
    };
    for (const char* document : documents) {
        UpdateFeed feed = initialUpdateFeed();
        const UpdateFeed before = feed;
        const Result<UpdateFeed> applied = applyFeedDocument(QString::fromUtf8(document), feed);
        EXPECT_FALSE(applied) << document;
        if (applied)
            feed = *applied;
        EXPECT_EQ(feed.help, before.help) << document;
        EXPECT_TRUE(feed.version.isEmpty()) << document;
    }
    EXPECT_TRUE(isAcceptableFeedVersion("12345678901234567890123456789012"));
    EXPECT_TRUE(isAcceptableFeedVersion("2015.03-beta_2"));
}

TEST(UpdateFeedTest, addressesMustBeHttpsAndMailMustBeMailto) {
    UpdateFeed feed = initialUpdateFeed();
    const QString builtInHelp = feed.help;
    feed.downloadAddress = "https://old.example.org/Velumark_v2014.12";
    Result<UpdateFeed> applied = applyFeedDocument(
        "<version>2015.03</version><downurl>http://dl.example.org/new</downurl>"
        "<help>javascript:alert(1)</help><bbs>file:///etc/passwd</bbs>"
        "<mailme>https://example.org/mail</mailme>",
        feed);
    ASSERT_TRUE(applied);
    feed = *applied;
    // An unusable download address is cleared, never left pointing at an older version.
    EXPECT_TRUE(feed.downloadAddress.isEmpty());
    EXPECT_EQ(feed.help, builtInHelp);
    EXPECT_TRUE(feed.site.isEmpty());
    EXPECT_TRUE(feed.mailAddress.isEmpty());
    EXPECT_FALSE(isAcceptableMailAddress("mailto:"));
    EXPECT_FALSE(isAcceptableWebAddress("https://"));
}

TEST(UpdateFeedTest, onlyIdenticalVersionTextIsCurrent) {
    UpdateFeed feed;
    feed.version = "2014.11";
    EXPECT_TRUE(isCurrentVersion(feed, "2014.11"));
    for (const char* other : {"2014.10", "2013.01", "2014.11.1", "2014.110", "v2014.11"}) {
        feed.version = other;
        EXPECT_FALSE(isCurrentVersion(feed, "2014.11")) << other;
    }
}

TEST(UpdateFeedTest, bodyDecodesAsUtf8OrElseGbk) {
    EXPECT_EQ(decodeFeedBody(QByteArray("<news>\xE6\x96\xB0</news>")),
              QString::fromUtf8("<news>新</news>"));
    EXPECT_EQ(decodeFeedBody(QByteArray("<news>\xD0\xC2</news>")),
              QString::fromUtf8("<news>新</news>"));
}

TEST(UpdateNamesTest, windowsNamesSwapArchiveAndProgramElsewhereKeepTheAddress) {
    const QString rar = "https://dl.example.org/Velumark.rar";
    EXPECT_EQ(addressToDownload(rar, true), "https://dl.example.org/Velumark.exe");
    EXPECT_EQ(addressForBrowser("https://dl.example.org/Velumark.exe", true), rar);
    EXPECT_EQ(addressForBrowser(rar, true), rar);
    EXPECT_EQ(addressToDownload(rar, false), rar);
    EXPECT_EQ(addressForBrowser(rar, false), rar);
    EXPECT_EQ(updateFileName("2015.03", true), "Velumark_v2015.03.exe");
    EXPECT_EQ(updateFileName("2015.03", false), "Velumark_v2015.03");
}

TEST(UpdateNamesTest, addressWithoutSchemeBecomesHttps) {
    EXPECT_EQ(normalizeDownloadAddress("dl.example.org/a/Velumark").toString(),
              "https://dl.example.org/a/Velumark");
    EXPECT_EQ(normalizeDownloadAddress("dl.example.org:8443/f").toString(),
              "https://dl.example.org:8443/f");
    EXPECT_EQ(normalizeDownloadAddress("http://dl.example.org/f").scheme(), "http");
    EXPECT_FALSE(normalizeDownloadAddress("").isValid());
    EXPECT_FALSE(normalizeDownloadAddress("ftp://dl.example.org/f").isValid());
}

TEST(FixedAddressTest, everyAddressIsHttpsAndEnvironmentOverridesIt) {
    for (int i = 0; i <= int(FixedAddress::ShareQzone); ++i) {
        const auto which = static_cast<FixedAddress>(i);
        EXPECT_TRUE(QString::fromUtf8(builtInAddress(which)).startsWith("https://")) << i;
    }
    qputenv("PIXMILL_SITE_URL", "http://127.0.0.1:9/site");
    EXPECT_EQ(fixedAddress(FixedAddress::Site), "http://127.0.0.1:9/site");
    qunsetenv("PIXMILL_SITE_URL");
    EXPECT_EQ(fixedAddress(FixedAddress::Site),
              QString::fromUtf8(builtInAddress(FixedAddress::Site)));
}

TEST(UpdateInstallTest, onlyAnElfExecutableCountsAsRunnable) {
    pixmill::testing::TempDir dir;
    EXPECT_TRUE(isElfExecutable("/proc/self/exe"));
    dir.write("archive.rar", std::string("Rar!\x1A\x07\x00", 7) + std::string(40, 'x'));
    dir.write("script", "#!/bin/sh\necho hi\n");
    // An ELF object file (type 1) is not something to run.
    std::string object =
        "\x7F"
        "ELF";
    object += sizeof(void*) == 8 ? '\x02' : '\x01';
    object += std::string("\x01\x01", 2) + std::string(9, '\0') + std::string("\x01\x00", 2);
    object += std::string(40, '\0');
    dir.write("object.o", object);
    for (const char* name : {"archive.rar", "script", "object.o", "missing"}) {
        EXPECT_FALSE(isElfExecutable(QString::fromStdString(dir.file(name)))) << name;
    }
}

TEST(UpdateInstallTest, launcherQuotesTheProgramPath) {
    EXPECT_EQ(quoteDesktopExecArgument("/opt/a b/Velumark_v1"), "\"/opt/a b/Velumark_v1\"");
    EXPECT_EQ(quoteDesktopExecArgument("/x/\"$`\\%"), "\"/x/\\\\\"\\\\$\\\\`\\\\\\\\%%\"");

    pixmill::testing::TempDir dir;
    const QString desktop = QString::fromStdString(dir.folder()) + "Desktop";
    const Result<QString> written =
        writeDesktopLauncher(desktop, "Pixmill", "/opt/p x/Velumark_v2015.03");
    ASSERT_TRUE(written.isOk()) << written.message();
    const QString path = *written;
    ASSERT_EQ(path, desktop + "/Pixmill.desktop");
    const std::string text = pixmill::testing::readText(path.toStdString());
    EXPECT_NE(text.find("[Desktop Entry]\nType=Application\nName=Pixmill\n"), std::string::npos);
    EXPECT_NE(text.find("Exec=\"/opt/p x/Velumark_v2015.03\"\n"), std::string::npos);
    EXPECT_TRUE(QFileInfo(path).isExecutable());
}

TEST(UpdateInstallTest, downloadFolderFallsBackWhenProgramFolderIsNotWritable) {
    pixmill::testing::TempDir dir;
    const QString program = QString::fromStdString(dir.folder());
    EXPECT_EQ(updateDownloadFolder(program, "/nonexistent/user"), program);
    const QString user = program + "user/data";
    // As root every existing folder is writable: a missing one stands for a read-only install.
    EXPECT_EQ(updateDownloadFolder("/nonexistent-program/", user), user + "/");
    EXPECT_TRUE(QFileInfo(user).isDir());
}

}  // namespace
}  // namespace pixmill
