#pragma once
// One background job at a time: `work` runs on a new thread and its result is handed to
// `done` on the thread of this object (the GUI thread for the update check and the skin
// download), the way a worker posts a message to its window. Destroying the object waits
// for a running job; its result is then dropped.

#include <QObject>
#include <QThread>

#include <memory>
#include <utility>

#include "engine/app/object_thread.h"

namespace pixmill {

class WorkerThread : public QObject {
  public:
    explicit WorkerThread(QObject* parent = nullptr) : QObject(parent) {}
    ~WorkerThread() override { waitForJob(); }

    template <class Work, class Done>
    void start(Work work, Done done) {
        waitForJob();
        thread_.reset(QThread::create([this, work = std::move(work), done = std::move(done)] {
            auto result = work();
            // Through our own lock, so that the result is ordered for the sanitizer too.
            postToObjectThread(this, [done, result = std::move(result)] { done(result); });
        }));
        thread_->start();
    }

    bool isRunning() const { return thread_ && thread_->isRunning(); }
    void waitForJob() {
        if (thread_)
            thread_->wait();
    }

  private:
    std::unique_ptr<QThread> thread_;
};

}  // namespace pixmill
