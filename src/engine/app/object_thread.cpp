#include "engine/app/object_thread.h"

#include <QCoreApplication>
#include <QObject>
#include <QThread>
#include <QThreadPool>
#include <QTimer>

#include <condition_variable>
#include <memory>
#include <mutex>

namespace pixmill {
namespace {

struct Handoff {
    std::mutex mutex;
    std::condition_variable done;
    bool finished = false;
};

// Qt queues the call through memory the sanitizer cannot see into. The worker holds this lock
// while it creates and posts the call, and the call takes it before it reads anything the
// worker wrote, so every byte handed over is ordered through a lock of ours.
std::mutex g_postGate;

}  // namespace

void runOnObjectThread(QObject* owner, const std::function<void()>& work) {
    if (QThread::currentThread() == owner->thread()) {
        work();
        return;
    }
    auto handoff = std::make_shared<Handoff>();
    const std::function<void()>* job = &work;
    {
        std::lock_guard posting(g_postGate);
        QMetaObject::invokeMethod(
            owner,
            [handoff, job] {
                { std::lock_guard received(g_postGate); }
                (*job)();
                std::lock_guard lock(handoff->mutex);
                handoff->finished = true;
                handoff->done.notify_one();
            },
            Qt::QueuedConnection);
    }
    std::unique_lock lock(handoff->mutex);
    handoff->done.wait(lock, [&] { return handoff->finished; });
}

void startOnPool(QThreadPool& pool, std::function<void()> work) {
    std::lock_guard posting(g_postGate);
    pool.start([work = std::move(work)] {
        { std::lock_guard received(g_postGate); }
        work();
    });
}

void postToObjectThread(QObject* owner, std::function<void()> work) {
    std::lock_guard posting(g_postGate);
    QMetaObject::invokeMethod(
        owner,
        [work = std::move(work)] {
            { std::lock_guard received(g_postGate); }
            work();
        },
        Qt::QueuedConnection);
}

void turnEventsUntil(const std::function<bool()>& done) {
    QTimer tick;  // wakes the wait below when a worker finishes without posting anything
    tick.start(10);
    while (!done())
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
}

}  // namespace pixmill
