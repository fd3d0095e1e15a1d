#include "engine/imaging/error_log.h"

#include <gtest/gtest.h>

#include <QRegularExpression>
#include <QSettings>

#include <set>
#include <thread>

#include "engine/app/app_paths.h"
#include "engine/app/profile.h"
#include "support/temp_dir.h"

namespace pixmill {
namespace {

class MemoryProfile : public Profile {
  public:
    bool hasSection(const QString&) const override { return !values.empty(); }
    int readInt(const QString&, const QString&, int d) const override { return d; }
    QString readString(const QString&, const QString&, const QString& d) const override {
        return d;
    }
    void writeInt(const QString&, const QString&, int) override {}
    void writeString(const QString& section, const QString& key, const QString& value) override {
        values.push_back((section + "/" + key + "=" + value).toStdString());
    }
    void flush() override {}
    std::vector<std::string> values;
};

TEST(ErrorLog, entriesAreNumberedAcrossThreads) {
    MemoryProfile profile;
    std::vector<std::thread> threads;
    for (int i = 0; i < 20; ++i)
        threads.emplace_back([&profile] { logBatchError(profile, "save file failed: /a.jpg"); });
    for (std::thread& t : threads)
        t.join();
    ASSERT_EQ(profile.values.size(), 20u);
    std::set<int> numbers;
    for (const std::string& v : profile.values) {
        ASSERT_EQ(v.rfind("error/", 0), 0u);
        numbers.insert(std::stoi(v.substr(6)));
        // error/N_YYYY-MM-DD HH:MM:SS=text
        std::string key = v.substr(v.find('_') + 1, 19);
        EXPECT_EQ(key.size(), 19u);
        EXPECT_EQ(key[4], '-');
        EXPECT_EQ(key[10], ' ');
        EXPECT_EQ(key[13], ':');
        EXPECT_EQ(v.substr(v.find('=') + 1), "save file failed: /a.jpg");
    }
    EXPECT_EQ(numbers.size(), 20u);
    EXPECT_EQ(*numbers.rbegin() - *numbers.begin(), 19);
    static bool firstRun = true;  // nothing else in this suite logs
    if (firstRun) {
        EXPECT_EQ(*numbers.begin(), 1);
    }
    firstRun = false;
}

TEST(ErrorLog, writesSectionErrorOfTheProfileFile) {
    testing::TempDir dir;
    setConfigDirectory(QString::fromStdString(dir.folder()));
    logBatchError("save file failed: /photos/a.jpg");
    QSettings file(profileIniPath(), QSettings::IniFormat);
    file.beginGroup("error");
    const QStringList keys = file.childKeys();
    ASSERT_EQ(keys.size(), 1);
    EXPECT_TRUE(keys.front().contains(
        QRegularExpression("^[0-9]+_[0-9]{4}-[0-9]{2}-[0-9]{2} [0-9]{2}:[0-9]{2}:[0-9]{2}$")))
        << keys.front().toStdString();
    EXPECT_EQ(file.value(keys.front()).toString(), "save file failed: /photos/a.jpg");
}

}  // namespace
}  // namespace pixmill
