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

Result<QString> fetchFeedDocument(const QUrl& feedUrl, int timeoutMs) {
    HttpGetOptions options;
    options.transferTimeoutMs = timeoutMs;
    options.maxBytes = 1024 * 1024;
    const Result<HttpResponse> response = httpGet(feedUrl, options);
    if (!response)
        return response.error();
    if (response->status < 200 || response->status > 299)
        return makeError(response->status, "HTTP status " + std::to_string(response->status));
    return decodeFeedBody(response->body);
}

void UpdateCheckRunner::start(const QUrl& feedUrl,
                              std::function<void(const Result<QString>&)> done) {
    worker_.start([feedUrl] { return fetchFeedDocument(feedUrl); },
                  [done = std::move(done)](const Result<QString>& feed) { done(feed); });
}

}  // namespace pixmill
