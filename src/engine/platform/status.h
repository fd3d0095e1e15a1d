#pragma once
// The status line, reachable from any thread. Part 0 is the short left field, part 1 the
// progress field. Until a sink is installed every call does nothing; the GUI installs one
// that forwards to the status bar, the CLI one that prints to standard error.

#include <string>
#include <string_view>

namespace pixmill {

class StatusSink {
  public:
    virtual ~StatusSink() = default;
    // Called on the thread that wrote the text; texts from one thread arrive in call order.
    virtual void statusText(int part, const std::string& text) = 0;
};

// The sink must outlive its installation; pass nullptr to uninstall before destroying it.
void installStatusSink(StatusSink* sink);

void setStatusText(int part, std::string_view text);
// Formats printf-style (UTF-8) into part 1: the progress channel of the batches.
void statusPrintf(const char* format, ...) __attribute__((format(printf, 1, 2)));

}  // namespace pixmill
