#include "engine/update/update_check.h"

#include <atomic>

#include "engine/update/http_get.h"
#include "engine/update/update_feed.h"

namespace pixmill {
namespace {

std::atomic<bool> g_checkRunning{false};

}  // namespace

bool UpdateCheckGuard::tryAcquire() {
    bool expected = false;
    return g_checkRunning.compare_exchange_strong(expected, true);
}

void UpdateCheckGuard::release() {
    g_checkRunning.store(false);
}

bool UpdateCheckGuard::isHeld() {
    return g_checkRunning.load();
}

FeedFetchOutcome fetchFeedDocument(const QUrl& feedUrl, int timeoutMs) {
    FeedFetchOutcome outcome;
    HttpGetOptions options;
    options.transferTimeoutMs = timeoutMs;
    options.maxBytes = 1024 * 1024;
    const HttpGetResult response = httpGet(feedUrl, options);
    outcome.status = response.status;
    if (!response.complete()) {
        outcome.errorText = response.errorText;
    } else if (response.status < 200 || response.status > 299) {
        outcome.errorText = QStringLiteral("HTTP status %1").arg(response.status);
    } else {
        outcome.fetched = true;
        outcome.document = decodeFeedBody(response.body);
    }
    return outcome;
}

void UpdateCheckRunner::start(const QUrl& feedUrl,
                              std::function<void(const FeedFetchOutcome&)> done) {
    worker_.start([feedUrl] { return fetchFeedDocument(feedUrl); },
                  [done = std::move(done)](const FeedFetchOutcome& outcome) { done(outcome); });
}

}  // namespace pixmill
