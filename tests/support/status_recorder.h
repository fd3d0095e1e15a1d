#pragma once
// Records the status-line texts written, from any thread, while it is installed. It installs
// itself when made and uninstalls when destroyed (or earlier, with uninstall()).

#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "engine/platform/status.h"

namespace pixmill::testing {

class StatusRecorder : public StatusSink {
  public:
    StatusRecorder();
    ~StatusRecorder() override;
    StatusRecorder(const StatusRecorder&) = delete;
    StatusRecorder& operator=(const StatusRecorder&) = delete;

    void statusText(int part, const std::string& text) override;
    // Stops recording; later texts go nowhere.
    void uninstall();

    // Every text in the order written, whatever its part.
    std::vector<std::string> texts() const;
    // Every text as "part:text", in the order written.
    std::vector<std::string> tagged() const;
    // The last text written into `part`; empty when none was.
    std::string last(int part) const;
    bool saw(const std::string& text) const;

  private:
    mutable std::mutex mutex_;
    std::vector<std::pair<int, std::string>> entries_;
    bool installed_ = false;
};

}  // namespace pixmill::testing
