#pragma once
// MD5 of a file's bytes, behind the <md5> tag.
//
// The tag expansion is plain C++ and only declares this function; the engine library defines
// it over QCryptographicHash, so anything that expands tags links pixmill_engine.

#include <string>

#include "engine/platform/result.h"

namespace pixmill {

// The digest of every byte of the file as 32 lower-case hex digits. The file is read in
// fixed-size chunks (never whole into memory); one that shrinks while it is read is hashed
// as far as it goes. Fails for a file that cannot be opened or read, a folder, an empty path.
Result<std::string> fileMd5(const std::string& path);

// The tag's text: fileMd5, or for a file it cannot digest the MD5 initial state,
// 0123456789abcdeffedcba9876543210.
std::string fileMd5Hex(const std::string& path);

}  // namespace pixmill
