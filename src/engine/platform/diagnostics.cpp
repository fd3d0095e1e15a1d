#include "engine/platform/diagnostics.h"

#include <atomic>
#include <cstdio>
#include <mutex>
#include <string>

namespace pixmill::diag {
namespace {

std::atomic<bool> g_redirect{false};
std::mutex g_mutex;
CaptureFunction g_capture = nullptr;
void* g_captureContext = nullptr;

}  // namespace

void sendStandardOutputToStandardError(bool redirect) {
    g_redirect = redirect;
}

void write(Stream stream, std::string_view text) {
    std::lock_guard lock(g_mutex);
    if (g_capture) {
        g_capture(stream, text, g_captureContext);
        return;
    }
    std::FILE* file = (stream == Stream::Err || g_redirect) ? stderr : stdout;
    std::fwrite(text.data(), 1, text.size(), file);
    std::fflush(file);
}

void vprintf(Stream stream, const char* format, va_list args) {
    va_list copy;
    va_copy(copy, args);
    int needed = std::vsnprintf(nullptr, 0, format, copy);
    va_end(copy);
    if (needed < 0)
        return;
    std::string text(static_cast<size_t>(needed) + 1, '\0');
    std::vsnprintf(text.data(), text.size(), format, args);
    text.resize(static_cast<size_t>(needed));
    write(stream, text);
}

void printf(Stream stream, const char* format, ...) {
    va_list args;
    va_start(args, format);
    vprintf(stream, format, args);
    va_end(args);
}

void setCapture(CaptureFunction capture, void* context) {
    std::lock_guard lock(g_mutex);
    g_capture = capture;
    g_captureContext = context;
}

}  // namespace pixmill::diag
