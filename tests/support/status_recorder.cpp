#include "support/status_recorder.h"

namespace pixmill::testing {

StatusRecorder::StatusRecorder() {
    installStatusSink(this);
    installed_ = true;
}

StatusRecorder::~StatusRecorder() {
    uninstall();
}

void StatusRecorder::uninstall() {
    if (installed_)
        installStatusSink(nullptr);
    installed_ = false;
}

void StatusRecorder::statusText(int part, const std::string& text) {
    std::lock_guard lock(mutex_);
    entries_.emplace_back(part, text);
}

std::vector<std::string> StatusRecorder::texts() const {
    std::lock_guard lock(mutex_);
    std::vector<std::string> result;
    for (const auto& entry : entries_)
        result.push_back(entry.second);
    return result;
}

std::vector<std::string> StatusRecorder::tagged() const {
    std::lock_guard lock(mutex_);
    std::vector<std::string> result;
    for (const auto& [part, text] : entries_)
        result.push_back(std::to_string(part) + ":" + text);
    return result;
}

std::string StatusRecorder::last(int part) const {
    std::lock_guard lock(mutex_);
    for (auto it = entries_.rbegin(); it != entries_.rend(); ++it) {
        if (it->first == part)
            return it->second;
    }
    return {};
}

bool StatusRecorder::saw(const std::string& text) const {
    std::lock_guard lock(mutex_);
    for (const auto& entry : entries_) {
        if (entry.second == text)
            return true;
    }
    return false;
}

}  // namespace pixmill::testing
