#pragma once
// File names are bytes; Qt's strings are UTF-16. A name that is not valid UTF-8 (a folder
// made under another locale, a camera's card) would lose its bytes in QString's own
// conversions and then name nothing. These two keep every byte: each byte that is not part of
// valid UTF-8 becomes the lone surrogate U+DC80..U+DCFF in the QString and goes back to the
// same byte. Valid UTF-8 converts exactly as QString::fromUtf8 and toUtf8 do.

#include <QString>
#include <QUrl>

#include <string>
#include <string_view>

namespace pixmill {

QString pathFromBytes(std::string_view bytes);
std::string pathBytes(const QString& path);
// True when `path` names a folder we may list.
bool isReadableFolder(const QString& path);
// The text to show for `path`: a byte that is not UTF-8 appears as U+FFFD, as text viewers
// show it.
QString displayPath(const QString& path);
// True when `path` may hold bytes kept from a name that is not UTF-8: Qt's own file classes
// would then name another file or none.
bool holdsRawBytes(const QString& path);
// `path` made absolute against the working folder, taken by its bytes; an absolute or empty
// path stays as it is.
QString absolutePath(const QString& path);
// The folder holding `path`, by its text ("/" for a name directly under the root).
QString parentFolder(const QString& path);
// What QFileInfo would answer, asked with the name's own bytes (links followed).
bool pathExists(const QString& path);
bool isFolder(const QString& path);
// mkdir -p on the path's own bytes (the umask applies); true when it is a folder afterwards.
bool makeFolders(const std::string& bytes);

// A file address for the desktop (of the absolute path), and back: bytes that are not UTF-8
// stay percent-encoded in the address instead of being replaced.
QUrl fileUrl(const QString& path);
// The local path of a "file:" address, every byte kept; empty for any other address, one of
// another machine, or one whose path holds a zero byte.
QString pathFromFileUrl(const QUrl& address);

// Paths in the profile: a path whose name is valid UTF-8 is stored as it reads; one holding
// other bytes, a "|" or white space at either end is stored as its file address
// ("file:///caf%E9/"), which no stored path begins with, so both read back exactly.
QString profileTextForPath(const QString& path);
QString pathFromProfileText(const QString& text);

}  // namespace pixmill
