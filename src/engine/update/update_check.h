#pragma once
// The update check: one at a time for the whole process, fetched off the GUI thread.
//
// The guard is taken before the fetch starts and released by whoever finishes handling the
// result (after the prompt and the download, which run on the GUI thread), so a second
// "更新升级" while any of that is under way is ignored.

#include <QString>
#include <QUrl>

#include <functional>

#include "engine/platform/result.h"
#include "engine/update/worker_thread.h"

namespace pixmill {

class UpdateCheckGuard {
  public:
    // True when the caller now holds the guard; false when a check is already running.
    static bool tryAcquire();
    static void release();
    static bool isHeld();
};

// The fetch itself, blocking: the decoded body of a 2xx response that arrived in full. Any other
// status fails with that status as its code.
Result<QString> fetchFeedDocument(const QUrl& feedUrl, int timeoutMs = 10000);

class UpdateCheckRunner {
  public:
    // Fetches the feed on a worker thread and calls `done` on this object's thread. The caller
    // must hold the guard.
    void start(const QUrl& feedUrl, std::function<void(const Result<QString>&)> done);

  private:
    WorkerThread worker_;
};

}  // namespace pixmill
