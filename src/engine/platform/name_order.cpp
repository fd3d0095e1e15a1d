#include "engine/platform/name_order.h"

#include <QString>

namespace pixmill {

std::string nameOrderKey(const std::string& name) {
    const QString upper = QString::fromStdString(name).toUpper();
    std::string key;
    key.reserve(static_cast<size_t>(upper.size()) * 2);
    for (QChar unit : upper) {
        key.push_back(static_cast<char>(unit.unicode() >> 8));
        key.push_back(static_cast<char>(unit.unicode() & 0xFF));
    }
    return key;
}

bool catalogNameLess(const std::string& a, const std::string& b) {
    const std::string keyA = nameOrderKey(a);
    const std::string keyB = nameOrderKey(b);
    return keyA != keyB ? keyA < keyB : a < b;
}

}  // namespace pixmill
