// The share pages, daily tip arithmetic, transfer texts and the address opener's fallback.
#include <gtest/gtest.h>

#include "engine/update/address_opener.h"
#include "engine/update/daily_tips.h"
#include "engine/update/menu_links.h"
#include "engine/update/share_links.h"
#include "engine/update/transfer_meter.h"

namespace pixmill {
namespace {

// "分享一款小软件：Pixmill 批量处理图片很方便" in GBK, percent-encoded byte by byte.
const QByteArray kGbkPrefix = "%B7%D6%CF%ED%D2%BB%BF%EE%D0%A1%C8%ED%BC%FE%A3%BA";
const QByteArray kGbkSuffix = "%C5%FA%C1%BF%B4%A6%C0%ED%CD%BC%C6%AC%BA%DC%B7%BD%B1%E3";
const QByteArray kGbkEncoded = kGbkPrefix + "Pixmill " + kGbkSuffix;
const QByteArray kGbkInUrl = kGbkPrefix + "Pixmill%20" + kGbkSuffix;
const QByteArray kUtf8InUrl =
    "%E5%88%86%E4%BA%AB%E4%B8%80%E6%AC%BE%E5%B0%8F%E8%BD%AF%E4%BB%B6%EF%BC%9APixmill%20"
    "%E6%89%B9%E9%87%8F%E5%A4%84%E7%90%86%E5%9B%BE%E7%89%87%E5%BE%88%E6%96%B9%E4%BE%BF";
const QString kHelp = "https://help.example.org/p?a=1&b=2";
const QByteArray kLink = "https://help.example.org/p?a%3D1&b%3D2";

QByteArray browserString(ShareService service) {
    return shareUrl(service, "https://site.example.org/", kHelp, "Pixmill").toEncoded();
}

TEST(ShareLinksTest, textIsGbkAndEncodingTouchesOnlyHighBytes) {
    EXPECT_EQ(percentEncodeHighBytes(shareTextGbk("Pixmill")), kGbkEncoded);
    EXPECT_EQ(percentEncodeHighBytes(QByteArray("a b&c=%\x80\xff", 9)), "a b&c=%%80%FF");
    EXPECT_EQ(shareLink(kHelp), kLink);
}

TEST(ShareLinksTest, everyServiceGetsItsExactAddress) {
    const QByteArray site = "https://site.example.org";
    EXPECT_EQ(browserString(ShareService::Sina),
              site + "/share/share.php?url=" + kLink + "&title=" + kGbkInUrl + "&pic=");
    EXPECT_EQ(browserString(ShareService::Tencent), site + "/share/share.php?title=" + kUtf8InUrl +
                                                        "&url=" + kLink + "&site=" + kLink +
                                                        "&pic=");
    EXPECT_EQ(browserString(ShareService::Sohu), site + "/third/post.jsp?url=" + kLink + "&title=" +
                                                     kGbkInUrl + "&content=" + kGbkInUrl + "&pic=");
    EXPECT_EQ(browserString(ShareService::Netease),
              site + "/article/user/checkLogin.do?info=" + kGbkInUrl + "+" + kLink + "&images=");
    EXPECT_EQ(browserString(ShareService::Renren),
              site + "/share/buttonshare.do?link=" + kLink + "&title=" + kGbkInUrl);
    EXPECT_EQ(browserString(ShareService::Kaixin), site + "/repaste/share.php?rtitle=" + kGbkInUrl +
                                                       "&rurl=" + kLink + "&rcontent=" + kLink);
    EXPECT_EQ(browserString(ShareService::Qzone),
              site + "/cgi-bin/qzshare/cgi_qzshare_onekey?url=" + kLink + "&title=" + kGbkInUrl);
}

TEST(ShareLinksTest, plainTextServicesCarryTheRawBytesBeforeUrlEscaping) {
    const QByteArray raw = shareAddressBytes(ShareService::Kaixin, "https://s", kHelp, "Pixmill");
    EXPECT_TRUE(raw.contains("rtitle=" + shareTextGbk("Pixmill") + "&"));
    const QByteArray qzone = shareAddressBytes(ShareService::Qzone, "https://s", kHelp, "Pixmill");
    EXPECT_TRUE(qzone.endsWith("&title=" + shareTextGbk("Pixmill")));
}

TEST(ShareLinksTest, menuIdsMapInOrder) {
    EXPECT_EQ(shareServiceForMenuId(32795), ShareService::Sina);
    EXPECT_EQ(shareServiceForMenuId(32801), ShareService::Qzone);
    EXPECT_FALSE(shareServiceForMenuId(32794));
    EXPECT_FALSE(shareServiceForMenuId(32802));
}

class RecordingOpener : public AddressOpener {
  public:
    bool desktopWorks = true;
    QList<QUrl> desktopCalls;
    QList<QPair<QString, QStringList>> programs;
    Result<> openWithDesktop(const QUrl& address) override {
        desktopCalls << address;
        if (desktopWorks)
            return {};
        return makeError("no desktop handler");
    }
    Result<> startProgram(const QString& program, const QStringList& arguments) override {
        programs << qMakePair(program, arguments);
        return {};
    }
};

TEST(AddressOpenerTest, fallsBackToXdgOpenWithTheAddressAsOneArgument) {
    RecordingOpener opener;
    opener.desktopWorks = false;
    const QString address = "https://site.example.org/a b;rm -rf ~";
    EXPECT_TRUE(openAddress(address, opener));
    ASSERT_EQ(opener.programs.size(), 1);
    EXPECT_EQ(opener.programs[0].first, "xdg-open");
    EXPECT_EQ(opener.programs[0].second,
              QStringList{"https://site.example.org/a%20b;rm%20-rf%20~"});

    RecordingOpener working;
    EXPECT_TRUE(openAddress(address, working));
    EXPECT_TRUE(working.programs.isEmpty());
    EXPECT_FALSE(openAddress(QString(), working));
    EXPECT_EQ(working.desktopCalls.size(), 1);
}

TEST(MenuLinksTest, entriesUseFeedAddressesOrBuiltInOnes) {
    RecordingOpener opener;
    UpdateFeed feed = initialUpdateFeed();
    qputenv("PIXMILL_SITE_URL", "https://site.test/");
    EXPECT_TRUE(openMakerSite(feed, opener));
    EXPECT_EQ(opener.desktopCalls.last().toString(), "https://site.test/");
    qunsetenv("PIXMILL_SITE_URL");
    EXPECT_FALSE(writeToMaker(feed, opener));
    EXPECT_EQ(opener.desktopCalls.size(), 1);

    feed.site = "https://bbs.example.org/";
    feed.mailAddress = "mailto:maker@example.org";
    feed.help = "https://help.example.org/?x=1";
    EXPECT_TRUE(openMakerSite(feed, opener));
    EXPECT_TRUE(writeToMaker(feed, opener));
    EXPECT_TRUE(openHelpPage(feed, opener));
    EXPECT_TRUE(shareByMenuId(32799, feed, opener));
    EXPECT_FALSE(shareByMenuId(32802, feed, opener));
    ASSERT_EQ(opener.desktopCalls.size(), 5);
    EXPECT_EQ(opener.desktopCalls[1].toString(), "https://bbs.example.org/");
    EXPECT_EQ(opener.desktopCalls[2].toString(), "mailto:maker@example.org");
    EXPECT_EQ(opener.desktopCalls[3].toString(), "https://help.example.org/?x=1");
    EXPECT_TRUE(
        opener.desktopCalls[4].toEncoded().contains("link=https://help.example.org/?x%3D1&"));
}

TEST(DailyTipsTest, indexesWrapAndOutOfRangeReadsAsFirst) {
    EXPECT_EQ(normalizeTipIndex(12), 0);
    EXPECT_EQ(normalizeTipIndex(-1), 0);
    EXPECT_EQ(normalizeTipIndex(11), 11);
    EXPECT_EQ(previousTipIndex(0), 11);
    EXPECT_EQ(nextTipIndex(11), 0);
    EXPECT_EQ(nextTipIndex(4), 5);
    EXPECT_EQ(previousTipIndex(5), 4);
    EXPECT_TRUE(dailyTipText(12).startsWith(QString::fromUtf8("1、\n\n使用前请先导入图片")));
    EXPECT_TRUE(dailyTipText(11).startsWith(QString::fromUtf8("12、\n\n“文字”页面，左键")));
    for (int i = 0; i < kDailyTipCount; ++i)
        EXPECT_FALSE(dailyTipText(i).contains('\r')) << i;
}

TEST(TransferTextsTest, sizesRatesAndTimesUseTheirUnits) {
    EXPECT_EQ(formatTransferSize(1023), "1023 Bytes");
    EXPECT_EQ(formatTransferSize(1024), "1.0 KB");
    EXPECT_EQ(formatTransferSize(1048575), "1024.0 KB");
    EXPECT_EQ(formatTransferSize(1048576 * 3 / 2), "1.50 MB");
    EXPECT_EQ(formatTransferRate(0.5), "512 Bytes/Sec");
    EXPECT_EQ(formatTransferRate(2.345), "2.35 KB/Sec");
    EXPECT_EQ(formatTransferRate(250.4), "250 KB/Sec");
    EXPECT_EQ(formatTimeLeft(59), "59 sec");
    EXPECT_EQ(formatTimeLeft(120), "2 min");
    EXPECT_EQ(formatTimeLeft(125), "2 min 5 sec");
    EXPECT_EQ(formatTimeLeftLine(5, 512, 2048), "5 sec (512 Bytes of 2.0 KB copied)");
    EXPECT_EQ(progressRangeKb(1535), 1);
    EXPECT_EQ(progressRangeKb(1536), 2);
}

TEST(TransferTextsTest, meterReportsPercentOnChangeAndRateAtMostOncePerSecond) {
    TransferMeter meter;
    meter.begin(10000, 0);
    TransferMeter::Update first = meter.sample(1000, 100);
    EXPECT_EQ(first.percent, 10);
    EXPECT_FALSE(first.rate);
    EXPECT_FALSE(meter.sample(1050, 600).percent);
    TransferMeter::Update later = meter.sample(2000, 1000);
    EXPECT_FALSE(later.rate);
    later = meter.sample(2000, 2000);
    ASSERT_TRUE(later.rate);
    EXPECT_EQ(*later.rate, "1.00 KB/Sec");
    // 2000 ms for 2000 bytes, 8000 to go: 8 s.
    EXPECT_EQ(later.timeLeft, QString("8 sec (2.0 KB of 9.8 KB copied)"));
    EXPECT_FALSE(meter.sample(2100, 2500).rate);

    TransferMeter unknown;
    unknown.begin(-1, 0);
    const TransferMeter::Update update = unknown.sample(5000, 1500);
    EXPECT_FALSE(update.percent);
    EXPECT_TRUE(update.rate);
    EXPECT_FALSE(update.timeLeft);
}

}  // namespace
}  // namespace pixmill
