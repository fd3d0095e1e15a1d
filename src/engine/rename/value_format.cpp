#include "engine/rename/value_format.h"

#include <climits>
#include <cmath>
#include <cstdio>

namespace pixmill {
namespace {

std::string formatOneDecimal(float value) {
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.1f", static_cast<double>(value));
    return buffer;
}

}  // namespace

std::string formatExposureTime(float seconds) {
    if (seconds == 0.0f || !std::isfinite(seconds))
        return "unknown";
    if (seconds >= 1.0f)
        return formatOneDecimal(seconds) + "'";
    const float denominator = std::ceil(1.0f / seconds);
    if (!std::isfinite(denominator))
        return "unknown";
    char buffer[64];
    // A damaged EXIF rational can make the denominator larger than an int: converting that
    // would be undefined, so it is printed whole instead.
    if (std::fabs(denominator) <= static_cast<float>(INT_MAX / 2)) {
        std::snprintf(buffer, sizeof buffer, "%d", static_cast<int>(denominator));
    } else {
        std::snprintf(buffer, sizeof buffer, "%.0f", static_cast<double>(denominator));
    }
    return std::string("1／") + buffer + "'";
}

std::string formatAperture(float fNumber) {
    return formatOneDecimal(fNumber);
}

std::string formatExposureBias(float ev) {
    return formatOneDecimal(ev);
}

}  // namespace pixmill
