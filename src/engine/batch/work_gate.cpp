#include "engine/batch/work_gate.h"

namespace pixmill {

std::string WorkGate::refusalFor(WorkKind running) {
    if (running == WorkKind::Load)
        return "正在加载图片，请等加载完成后再操作";
    return "正在进行批量处理，请等处理完成后再操作";
}

bool WorkGate::tryEnter(WorkKind kind, std::string* refusal) {
    WorkKind expected = WorkKind::None;
    if (running_.compare_exchange_strong(expected, kind))
        return true;
    if (refusal)
        *refusal = refusalFor(expected);
    return false;
}

void WorkGate::leave() {
    running_.store(WorkKind::None);
}

}  // namespace pixmill
