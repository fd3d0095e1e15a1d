#include "engine/rename/file_name.h"

#include <algorithm>
#include <cstdint>

namespace pixmill {
namespace {

constexpr std::string_view kRemoved{"\r\n\t\\/:*?\"<>|\0", 13};

// The characters the wide-character space test of the desktop platform counts as blanks.
bool isWhiteSpace(char32_t c) {
    return (c >= 0x09 && c <= 0x0D) || c == 0x20 || c == 0x85 || c == 0xA0 || c == 0x1680 ||
           (c >= 0x2000 && c <= 0x200A) || c == 0x2028 || c == 0x2029 || c == 0x202F ||
           c == 0x205F || c == 0x3000;
}

// Length of the valid UTF-8 sequence starting at `at` and its code point; 0 when invalid.
size_t decodeAt(std::string_view text, size_t at, char32_t& codePoint) {
    const auto byte = [&](size_t i) { return static_cast<std::uint8_t>(text[i]); };
    const std::uint8_t lead = byte(at);
    if (lead < 0x80) {
        codePoint = lead;
        return 1;
    }
    size_t length = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 0;
    if (length == 0 || lead > 0xF4 || text.size() - at < length)
        return 0;
    char32_t value = lead & (0x7F >> length);
    for (size_t i = 1; i < length; ++i) {
        if ((byte(at + i) & 0xC0) != 0x80)
            return 0;
        value = (value << 6) | (byte(at + i) & 0x3F);
    }
    static constexpr char32_t kSmallest[5] = {0, 0, 0x80, 0x800, 0x10000};
    if (value < kSmallest[length] || value > 0x10FFFF)
        return 0;
    codePoint = value;
    return length;
}

// Bytes of white space at the start of `text`.
size_t leadingWhiteSpace(std::string_view text) {
    size_t at = 0;
    char32_t c = 0;
    while (at < text.size()) {
        const size_t length = decodeAt(text, at, c);
        if (length == 0 || !isWhiteSpace(c))
            break;
        at += length;
    }
    return at;
}

// Bytes of white space at the end of `text`.
size_t trailingWhiteSpace(std::string_view text) {
    size_t end = text.size();
    while (end > 0) {
        size_t start = end - 1;
        while (start > 0 && end - start < 4 &&
               (static_cast<std::uint8_t>(text[start]) & 0xC0) == 0x80)
            --start;
        char32_t c = 0;
        if (decodeAt(text, start, c) != end - start || !isWhiteSpace(c))
            break;
        end = start;
    }
    return text.size() - end;
}

}  // namespace

std::string sanitizeFileName(std::string_view text) {
    std::string kept;
    kept.reserve(text.size());
    for (char c : text) {
        if (kRemoved.find(c) == std::string_view::npos)
            kept += c;
    }
    while (!kept.empty() && kept.back() == '.')
        kept.pop_back();
    std::string_view view = kept;
    view.remove_prefix(leadingWhiteSpace(view));
    view.remove_suffix(trailingWhiteSpace(view));
    return std::string(view);
}

std::string_view fileExtension(std::string_view fileName) {
    const size_t dot = fileName.rfind('.');
    return dot == std::string_view::npos ? std::string_view() : fileName.substr(dot);
}

std::string_view fileBaseName(std::string_view fileName) {
    return fileName.substr(0, std::min(fileName.rfind('.'), fileName.size()));
}

std::string applyExtensionCase(std::string_view extension, ExtensionCase extensionCase) {
    std::string result(extension);
    for (char& c : result) {
        if (extensionCase == ExtensionCase::Lower && c >= 'A' && c <= 'Z')
            c = char(c - 'A' + 'a');
        if (extensionCase == ExtensionCase::Upper && c >= 'a' && c <= 'z')
            c = char(c - 'a' + 'A');
    }
    return result;
}

}  // namespace pixmill
