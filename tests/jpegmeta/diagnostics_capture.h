#pragma once
// Collects the engine's diagnostics of one test, per stream, instead of printing them.

#include <string>

#include "engine/platform/diagnostics.h"

namespace pixmill::testing {

class DiagnosticsCapture {
  public:
    DiagnosticsCapture() { diag::setCapture(&DiagnosticsCapture::collect, this); }
    ~DiagnosticsCapture() { diag::setCapture(nullptr, nullptr); }
    DiagnosticsCapture(const DiagnosticsCapture&) = delete;
    DiagnosticsCapture& operator=(const DiagnosticsCapture&) = delete;

    std::string out, err;

  private:
    static void collect(diag::Stream stream, std::string_view text, void* self) {
        auto* capture = static_cast<DiagnosticsCapture*>(self);
        (stream == diag::Stream::Out ? capture->out : capture->err).append(text);
    }
};

}  // namespace pixmill::testing
