#pragma once
// The settings file of older versions, Velumark.ini beside the program, read with the rules of
// the Windows profile-file functions: section and key names compared without case, values
// trimmed and stripped of one pair of enclosing quotes, strings cut to 519 bytes, integers read
// as decimal text. Its strings are GBK bytes; they come out as UTF-8.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace pixmill {

class LegacyIni {
  public:
    static LegacyIni parse(std::string_view bytes);

    // The value as text (UTF-8), or nothing when the key is absent.
    std::optional<std::string> readString(std::string_view section, std::string_view key) const;
    // Decimal text with an optional sign; a value without leading digits reads as 0.
    int readInt(std::string_view section, std::string_view key, int defaultValue) const;
    bool hasSection(std::string_view section) const;

  private:
    struct Entry {
        std::string section;  // lower-cased
        std::string key;      // lower-cased
        std::string value;    // raw bytes as stored
    };
    const Entry* find(std::string_view section, std::string_view key) const;
    std::vector<Entry> entries_;
    std::vector<std::string> sections_;  // lower-cased
};

}  // namespace pixmill
