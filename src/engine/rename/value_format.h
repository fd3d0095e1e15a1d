#pragma once
// How the photo values read in tags, in the catalog's details view and in `pixmill-cli scan`.
// Plain C++; results are UTF-8.

#include <string>

namespace pixmill {

// Shutter speed as the <s> tag prints it: "unknown" for 0 (and for a value that is not a
// number), "1／N'" below one second with N = ceil(1 / seconds) in single precision and a
// full-width solidus, otherwise "%.1f'" of the seconds.
std::string formatExposureTime(float seconds);
// F-number as "%.1f", without an "f/" prefix.
std::string formatAperture(float fNumber);
// Exposure bias in EV as "%.1f": a negative value keeps its minus sign, a positive one has none.
std::string formatExposureBias(float ev);

}  // namespace pixmill
