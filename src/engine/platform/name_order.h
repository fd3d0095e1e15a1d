#pragma once
// The one order of file names: as upper-cased UTF-16 (as NTFS orders a folder), ties broken on
// the exact bytes, so every platform catalogs a folder the same way and every part of the
// program that needs "the first of these names" agrees with the catalog.

#include <string>

namespace pixmill {

// The key names are compared by: the upper-cased UTF-16 code units, as bytes in big-endian
// order. Bytes that are not UTF-8 count as U+FFFD.
std::string nameOrderKey(const std::string& name);

bool catalogNameLess(const std::string& a, const std::string& b);

}  // namespace pixmill
