#pragma once
// What the catalog and main-window suites share: settings over a throw-away profile, a folder
// of real pictures, a status line that records, and a shell that starts nothing.

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QImage>
#include <QMutex>
#include <QStringList>
#include <QThread>

#include <atomic>
#include <functional>
#include <set>
#include <string>
#include <vector>

#include "engine/app/app_settings.h"
#include "engine/batch/batch_job.h"
#include "engine/platform/status.h"
#include "gui/catalog/item_shell.h"
#include "support/temp_dir.h"

namespace pixmill::testing {

// A batch of `kind` whose every row waits until `release` is set: a batch that is running.
inline BatchJob heldBatch(BatchKind kind, const std::atomic<bool>& release) {
    return BatchJob{kind,
                    [&release](WorkedRow&, const BatchEnvironment&) {
                        while (!release)
                            QThread::msleep(2);
                        return ItemOutcome{};
                    },
                    {},
                    {}};
}

// Turns the event loop until `done` holds or five seconds pass; returns `done()`.
inline bool waitUntil(const std::function<bool()>& done, int milliseconds = 5000) {
    QElapsedTimer timer;
    timer.start();
    while (!done() && timer.elapsed() < milliseconds) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    }
    return done();
}

class RecordingStatus : public StatusSink {
  public:
    RecordingStatus() { installStatusSink(this); }
    ~RecordingStatus() override { installStatusSink(nullptr); }
    void statusText(int part, const std::string& text) override {
        QMutexLocker lock(&mutex_);
        texts_.push_back({part, text});
    }
    std::string last(int part) const {
        QMutexLocker lock(&mutex_);
        for (auto it = texts_.rbegin(); it != texts_.rend(); ++it) {
            if (it->first == part)
                return it->second;
        }
        return {};
    }
    bool saw(const std::string& text) const {
        QMutexLocker lock(&mutex_);
        for (const auto& entry : texts_) {
            if (entry.second == text)
                return true;
        }
        return false;
    }

  private:
    mutable QMutex mutex_;
    std::vector<std::pair<int, std::string>> texts_;
};

// Records what the commands ask of the desktop; the trash refuses the paths in `locked`.
class RecordingShell : public ItemShell {
  public:
    QStringList opened, edited, shown, trashed, folders;
    std::set<QString> locked;
    QString desktop;
    bool folderOpens = true;  // false: no file manager to show a folder
    bool openFile(const QString& path) override {
        opened << path;
        return true;
    }
    bool editFile(const QString& path) override {
        edited << path;
        return true;
    }
    bool showInFolder(const QString& path) override {
        shown << path;
        return true;
    }
    bool moveToTrash(const QString& path) override {
        if (locked.count(path))
            return false;
        trashed << path;
        return true;
    }
    QString desktopFolder() override { return desktop; }
    bool openFolder(const QString& path) override {
        folders << path;
        return folderOpens;
    }
};

class SettingsFixture : public ::testing::Test {
  protected:
    SettingsFixture()
        : profile(QString::fromStdString(config.file("Velumark.conf"))),
          settings(QString::fromStdString(program.folder()), profile) {
        settings.loadSettings();
        settings.lastViewFolder = QString::fromStdString(photos.folder());
    }

    // A picture of `width` × `height` in one colour, saved by its extension.
    void writePicture(const std::string& name, int width, int height, QColor colour = Qt::gray) {
        QImage image(width, height, QImage::Format_RGB32);
        image.fill(colour);
        ASSERT_TRUE(image.save(QString::fromStdString(photos.file(name))));
    }

    TempDir program;
    TempDir config;
    TempDir photos;
    SettingsProfile profile;
    AppSettings settings;
};

}  // namespace pixmill::testing
