#pragma once
// File-name pieces and clean-up for the rename batch. Plain C++ over UTF-8.

#include <string>
#include <string_view>

namespace pixmill {

// Makes an expanded rule fit to be a base name: removes every carriage return, line feed,
// tab, \ / : * ? " < > | (and NUL, which no file name can hold), then every trailing ".",
// then white space at both ends. Dots go before the trimming, so "x. " keeps its dot.
// Bytes that are not valid UTF-8 are kept as they are.
std::string sanitizeFileName(std::string_view text);

// The name from its last "." on, the dot included; empty when there is no ".".
std::string_view fileExtension(std::string_view fileName);
// The name up to (not including) its last "."; the whole name when there is none.
std::string_view fileBaseName(std::string_view fileName);

enum class ExtensionCase { Keep = 0, Lower = 1, Upper = 2 };

// Changes the case of the ASCII letters only, as the Chinese code page does: other
// characters have no case to change in a file extension.
std::string applyExtensionCase(std::string_view extension, ExtensionCase extensionCase);

}  // namespace pixmill
