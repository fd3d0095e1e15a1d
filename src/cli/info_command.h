#pragma once
// `pixmill-cli info FILE`: a JPEG's photo information and its sections on standard output.

#include <string>

namespace pixmill::cli {

// Prints one "field<TAB>value" line per photo-information field, then one
// "section<TAB>FFxx<TAB>length" line per section before the image data; with `json`, one JSON
// object with the same fields and a "sections" array of {"marker","length"}. Returns 0, or 3
// when the file does not exist or cannot be read (the reason on standard error).
int runInfoCommand(const std::string& file, bool json = false);

}  // namespace pixmill::cli
