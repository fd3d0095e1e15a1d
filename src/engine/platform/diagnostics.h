#pragma once
// The engine's fixed English diagnostics ("Modified: ...", "Not JPEG: ...", "%d  Attempt to
// save %s failed.") go to the process's standard output or standard error stream. The GUI
// program keeps the two streams; the command-line tool sends both to standard error so that
// its standard output carries nothing but results. Thread-safe: each message is written whole.

#include <cstdarg>
#include <string_view>

namespace pixmill::diag {

enum class Stream { Out, Err };

// Routes messages meant for standard output to standard error instead (the CLI's choice).
void sendStandardOutputToStandardError(bool redirect);

void write(Stream stream, std::string_view text);
void printf(Stream stream, const char* format, ...) __attribute__((format(printf, 2, 3)));
void vprintf(Stream stream, const char* format, va_list args);

// Test hook: while installed, every message is handed to the capture instead of the streams.
using CaptureFunction = void (*)(Stream stream, std::string_view text, void* context);
void setCapture(CaptureFunction capture, void* context);

}  // namespace pixmill::diag
