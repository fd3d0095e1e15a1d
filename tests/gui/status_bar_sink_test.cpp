// The status line as workers write to it: a worker never waits for the window, and the text
// written last is the one shown.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QLabel>

#include <chrono>
#include <future>
#include <string>
#include <thread>

#include "gui/app/status_bar_sink.h"

namespace pixmill {
namespace {

TEST(StatusBarSinkTest, aWorkerWritingALinePerFileNeverWaitsForTheWindow) {
    QLabel part0;
    QLabel part1;
    StatusBarSink sink(&part0, &part1);
    // The window's thread does not turn its event loop until the worker is done: a worker that
    // waited for each text to be shown would never finish.
    std::promise<void> finished;
    std::thread worker([&] {
        for (int file = 1; file <= 10000; ++file)
            sink.statusText(0, "已找到 " + std::to_string(file) + " 张图片");
        sink.statusText(1, "part one");
        finished.set_value();
    });
    std::future<void> future = finished.get_future();
    const bool done = future.wait_for(std::chrono::seconds(10)) == std::future_status::ready;
    // A worker left waiting is let go, so that the test fails instead of hanging.
    while (future.wait_for(std::chrono::seconds(0)) != std::future_status::ready)
        QCoreApplication::processEvents();
    worker.join();
    ASSERT_TRUE(done);
    QCoreApplication::processEvents();
    EXPECT_EQ(part0.text(), QString::fromUtf8("已找到 10000 张图片"));
    EXPECT_EQ(part1.text(), "part one");
}

TEST(StatusBarSinkTest, aTextOfTheWindowsOwnIsNotOverwrittenByAnEarlierWorkerText) {
    QLabel part0;
    QLabel part1;
    StatusBarSink sink(&part0, &part1);
    std::thread worker([&] { sink.statusText(0, "正在处理第 3 张图片"); });
    worker.join();  // written, not shown yet
    sink.statusText(0, "完成：3 张成功");
    QCoreApplication::processEvents();
    EXPECT_EQ(part0.text(), QString::fromUtf8("完成：3 张成功"));

    // A worker's text after it is shown as usual.
    std::thread later([&] { sink.statusText(0, "正在加载图片，请稍等……"); });
    later.join();
    QCoreApplication::processEvents();
    EXPECT_EQ(part0.text(), QString::fromUtf8("正在加载图片，请稍等……"));
}

}  // namespace
}  // namespace pixmill
