#include "engine/app/legacy_ini.h"

#include <algorithm>
#include <cctype>
#include <climits>

#include "engine/platform/text_codec.h"

namespace pixmill {
namespace {

constexpr size_t kMaxStringBytes = 519;  // what a 520-byte buffer holds

std::string lowered(std::string_view text) {
    std::string result(text);
    for (char& c : result) {
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    }
    return result;
}

std::string_view trimmed(std::string_view text) {
    auto isBlank = [](char c) { return c == ' ' || c == '\t' || c == '\r'; };
    while (!text.empty() && isBlank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && isBlank(text.back()))
        text.remove_suffix(1);
    return text;
}

std::string_view withoutQuotes(std::string_view text) {
    if (text.size() >= 2 && (text.front() == '"' || text.front() == '\'') &&
        text.back() == text.front()) {
        text.remove_prefix(1);
        text.remove_suffix(1);
    }
    return text;
}

}  // namespace

LegacyIni LegacyIni::parse(std::string_view bytes) {
    LegacyIni ini;
    std::string section;
    while (!bytes.empty()) {
        size_t end = bytes.find('\n');
        std::string_view line = trimmed(bytes.substr(0, end));
        bytes = end == std::string_view::npos ? std::string_view() : bytes.substr(end + 1);
        if (line.empty() || line.front() == ';')
            continue;
        if (line.front() == '[') {
            size_t close = line.find(']');
            section = lowered(trimmed(line.substr(
                1, close == std::string_view::npos ? std::string_view::npos : close - 1)));
            if (std::find(ini.sections_.begin(), ini.sections_.end(), section) ==
                ini.sections_.end()) {
                ini.sections_.push_back(section);
            }
            continue;
        }
        size_t equals = line.find('=');
        if (equals == std::string_view::npos || section.empty())
            continue;
        std::string key = lowered(trimmed(line.substr(0, equals)));
        if (key.empty() || ini.find(section, key))
            continue;  // the first of duplicates wins
        ini.entries_.push_back({section, key, std::string(trimmed(line.substr(equals + 1)))});
    }
    return ini;
}

const LegacyIni::Entry* LegacyIni::find(std::string_view section, std::string_view key) const {
    const std::string s = lowered(section);
    const std::string k = lowered(key);
    for (const Entry& entry : entries_) {
        if (entry.section == s && entry.key == k)
            return &entry;
    }
    return nullptr;
}

bool LegacyIni::hasSection(std::string_view section) const {
    return std::find(sections_.begin(), sections_.end(), lowered(section)) != sections_.end();
}

std::optional<std::string> LegacyIni::readString(std::string_view section,
                                                 std::string_view key) const {
    const Entry* entry = find(section, key);
    if (!entry)
        return std::nullopt;
    std::string_view value = withoutQuotes(entry->value);
    return gbkToUtf8(value.substr(0, std::min(value.size(), kMaxStringBytes)));
}

int LegacyIni::readInt(std::string_view section, std::string_view key, int defaultValue) const {
    const Entry* entry = find(section, key);
    if (!entry)
        return defaultValue;
    std::string_view text = withoutQuotes(entry->value);
    bool negative = false;
    if (!text.empty() && (text.front() == '-' || text.front() == '+')) {
        negative = text.front() == '-';
        text.remove_prefix(1);
    }
    long long value = 0;
    for (char c : text) {
        if (!std::isdigit(static_cast<unsigned char>(c)))
            break;
        value = std::min<long long>(value * 10 + (c - '0'), INT_MAX);
    }
    return static_cast<int>(negative ? -value : value);
}

}  // namespace pixmill
