#pragma once
// How the command line writes texts and numbers, so that every output line is valid UTF-8 and
// reads back exactly.
//
// Texts: valid UTF-8 is written as it is; each byte that is not part of a valid UTF-8
// sequence (a file name or an EXIF text in another encoding) is written as the escape
// \udcXX, where XX is the byte in hexadecimal. No valid UTF-8 text can hold U+DC80..U+DCFF
// (they are lone surrogates), so the original bytes come back unambiguously: JSON readers
// that keep lone surrogates (Python's with "surrogateescape") restore them. Quotes,
// backslashes and control characters are escaped as JSON escapes them.
//
// Numbers: the shortest decimal that reads back as the same value (1/30 s prints as
// 0.033333335, the float that was read).

#include <string>
#include <string_view>

namespace pixmill::cli {

// The text as the inside of a JSON string (no quotes around it).
std::string escapedText(std::string_view text);
// The text as a JSON string, quotes included.
std::string jsonString(std::string_view text);
// The shortest text that reads back as exactly `value`.
std::string exactNumber(float value);
std::string exactNumber(double value);

}  // namespace pixmill::cli
