#pragma once
// One batch and no folder load at a time. The loader and the batch driver enter the gate
// before they start a worker and leave it when the worker's end has been handled; a request
// made while the gate is held is refused with a status-line message.

#include <atomic>
#include <string>

namespace pixmill {

enum class WorkKind { None, Load, Batch };

class WorkGate {
  public:
    // True when the gate was free and is now held for `kind`; otherwise `refusal` names what
    // runs ("正在加载图片……" or "正在进行批量处理……" followed by a request to wait).
    bool tryEnter(WorkKind kind, std::string* refusal = nullptr);
    void leave();
    WorkKind running() const { return running_.load(); }
    bool busy() const { return running() != WorkKind::None; }

    static std::string refusalFor(WorkKind running);

  private:
    std::atomic<WorkKind> running_{WorkKind::None};
};

}  // namespace pixmill
