#include "engine/platform/status.h"

#include <cstdarg>
#include <cstdio>
#include <mutex>
#include <shared_mutex>

namespace pixmill {
namespace {

std::shared_mutex g_sinkMutex;
StatusSink* g_sink = nullptr;

}  // namespace

void installStatusSink(StatusSink* sink) {
    std::unique_lock lock(g_sinkMutex);
    g_sink = sink;
}

void setStatusText(int part, std::string_view text) {
    std::shared_lock lock(g_sinkMutex);
    if (g_sink)
        g_sink->statusText(part, std::string(text));
}

void statusPrintf(const char* format, ...) {
    va_list args;
    va_start(args, format);
    va_list copy;
    va_copy(copy, args);
    int needed = std::vsnprintf(nullptr, 0, format, copy);
    va_end(copy);
    std::string text;
    if (needed > 0) {
        text.resize(static_cast<size_t>(needed) + 1);
        std::vsnprintf(text.data(), text.size(), format, args);
        text.resize(static_cast<size_t>(needed));
    }
    va_end(args);
    setStatusText(1, text);
}

}  // namespace pixmill
