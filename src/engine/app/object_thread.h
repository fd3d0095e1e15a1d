#pragma once
// Running a piece of work on the thread that owns a Qt object, and waiting for it: the stand-in
// for a window message sent from a worker. The wait is on our own mutex and condition, so the
// hand-off orders memory for ThreadSanitizer as it does for the CPU (Qt's own blocking queued
// call synchronises inside a library that the sanitizer cannot see).
//
// The owning thread must be turning its event loop (the GUI thread always is; the CLI turns it
// while it waits for a worker). Called on the owning thread itself, the work runs at once.

#include <functional>

class QObject;
class QThreadPool;

namespace pixmill {

void runOnObjectThread(QObject* owner, const std::function<void()>& work);

// The same hand-off without waiting, like a posted message: `work` runs later on the owner's
// thread, or never when the owner is destroyed first. Called on the owner's thread, it is
// still queued. An owner that is destroyed while such calls may wait should deliver them
// first (QCoreApplication::sendPostedEvents), as Qt frees dropped calls out of our order.
void postToObjectThread(QObject* owner, std::function<void()> work);

// Starts `work` on `pool` with the same ordering: everything the caller wrote before is
// visible to `work`, also as ThreadSanitizer sees it (a pool thread that is reused is woken
// inside Qt, where the sanitizer cannot see).
void startOnPool(QThreadPool& pool, std::function<void()> work);

// Turns the calling thread's event loop until `done` holds, sleeping between events rather
// than spinning: a waiting thread must not take a core from the workers it waits for. `done`
// is looked at after every event and at least every 10 ms.
void turnEventsUntil(const std::function<bool()>& done);

}  // namespace pixmill
