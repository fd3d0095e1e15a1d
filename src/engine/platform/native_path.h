#pragma once
// File names are bytes; Qt's strings are UTF-16. A name that is not valid UTF-8 (a folder
// made under another locale, a camera's card) would lose its bytes in QString's own
// conversions and then name nothing. These two keep every byte: each byte that is not part of
// valid UTF-8 becomes the lone surrogate U+DC80..U+DCFF in the QString and goes back to the
// same byte. Valid UTF-8 converts exactly as QString::fromUtf8 and toUtf8 do.

#include <QString>

#include <string>
#include <string_view>

namespace pixmill {

QString pathFromBytes(std::string_view bytes);
std::string pathBytes(const QString& path);
// True when `path` names a folder we may list.
bool isReadableFolder(const QString& path);

}  // namespace pixmill
