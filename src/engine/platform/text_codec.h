#pragma once
// Conversions between the program's UTF-8 text and the GBK (code page 936) bytes that some
// files and web addresses carry: the legacy settings file, the watermark layout archive, the
// share links. Built on the C library's iconv.

#include <optional>
#include <string>
#include <string_view>

namespace pixmill {

// Empty optional when `utf8` holds a character GBK cannot represent (or is not valid UTF-8).
std::optional<std::string> utf8ToGbk(std::string_view utf8);
// Bytes that are not valid GBK become U+FFFD, so a damaged file never loses the rest.
std::string gbkToUtf8(std::string_view gbk);

// Cuts UTF-8 text to at most `limit` bytes without splitting a character.
std::string cutToBytes(const std::string& text, std::size_t limit);

// UTF-16LE (the archive's wide strings) to and from UTF-8.
std::string utf16leToUtf8(std::string_view utf16le);
std::string utf8ToUtf16le(std::string_view utf8);

}  // namespace pixmill
