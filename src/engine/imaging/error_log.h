#pragma once
// The batch error log: entries in section "error" of the per-user profile file
// (profileIniPath(), see engine/app/app_paths.h). Key: the entry number, "_", and the local
// time "%Y-%m-%d %H:%M:%S" (1_2012-11-17 08:10:45); value: the message. Entry numbers are
// counted per process from 1, across all threads.

#include <string>

namespace pixmill {

class Profile;

// Appends one entry to the per-user profile file. Safe from any thread.
void logBatchError(const std::string& text);
// The same into `profile` (tests use a throw-away one); shares the process's entry counter.
void logBatchError(Profile& profile, const std::string& text);

}  // namespace pixmill
