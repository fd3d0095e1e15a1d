#include "engine/controls/folder_check.h"

#include <sys/stat.h>

#include <cerrno>

namespace pixmill {
namespace {

bool isDirectory(const std::string& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

bool isWindowsFolderName(std::string_view name) {
    if (name.empty())
        return false;
    auto edgeIsBad = [](char c) { return c == ' ' || c == '\t' || c == '.'; };
    if (edgeIsBad(name.front()) || edgeIsBad(name.back()))
        return false;
    return name.find_first_of("\"*/:<>?\\|") == std::string_view::npos;
}

bool isPosixFolderName(std::string_view name) {
    return !name.empty() && name != "." && name != "..";
}

// Walks the components after `prefixLength` characters, separated by `separator`. Each must
// pass `validName`; unless checkOnly, the folder up to and including it is created.
Result<> folderFailure(int code, std::string_view path) {
    return makeError(code, folderErrorMessage(code, std::string(path)));
}

Result<> walkComponents(std::string_view path, std::size_t prefixLength, char separator,
                        bool (*validName)(std::string_view), bool checkOnly,
                        const MakeFolderLevel& makeLevel) {
    std::size_t begin = prefixLength;
    for (;;) {
        std::size_t end = path.find(separator, begin);
        if (end == std::string_view::npos)
            end = path.size();
        if (!validName(path.substr(begin, end - begin)))
            return folderFailure(kFolderInvalid, path);
        if (!checkOnly && !makeLevel(std::string(path.substr(0, end)))) {
            return folderFailure(kFolderCannotBeCreated, path);
        }
        if (end == path.size())
            return {};
        // A trailing separator (other than a bare root) counts as invalid.
        if (end + 1 == path.size())
            return folderFailure(kFolderInvalid, path);
        begin = end + 1;
    }
}

std::string fillIn(const char* before, const std::string& path, const char* after) {
    return std::string(before) + path + after;
}

}  // namespace

bool makeFolderLevel(const std::string& folder) {
    if (::mkdir(folder.c_str(), 0777) != 0 && errno != EEXIST)
        return false;
    return isDirectory(folder);
}

Result<> testPosixFolderPath(std::string_view path, bool checkOnly,
                             const MakeFolderLevel& makeLevel) {
    if (path.empty() || path.front() != '/')
        return folderFailure(kFolderInvalid, path);
    if (path.size() == 1) {
        if (checkOnly)
            return {};
        if (!isDirectory("/"))
            return folderFailure(kFolderCannotBeCreated, path);
        return {};
    }
    return walkComponents(path, 1, '/', isPosixFolderName, checkOnly, makeLevel);
}

Result<> testWindowsFolderPath(std::string_view path, bool checkOnly,
                               const MakeFolderLevel& makeLevel) {
    path = path.substr(0, 260);
    if (path.size() < 3)
        return folderFailure(kFolderInvalid, path);
    const char drive = path[0];
    const bool letter = (drive >= 'A' && drive <= 'Z') || (drive >= 'a' && drive <= 'z');
    if (!letter || path[1] != ':' || path[2] != '\\')
        return folderFailure(kFolderInvalid, path);
    if (path.size() == 3) {
        if (checkOnly)
            return {};
        if (!makeLevel(std::string(path)))
            return folderFailure(kFolderCannotBeCreated, path);
        return {};
    }
    return walkComponents(path, 3, '\\', isWindowsFolderName, checkOnly, makeLevel);
}

Result<> testFolderPath(std::string_view path, bool checkOnly, const MakeFolderLevel& makeLevel) {
#ifdef _WIN32
    return testWindowsFolderPath(path, checkOnly, makeLevel);
#else
    return testPosixFolderPath(path, checkOnly, makeLevel);
#endif
}

std::string folderCreateQuestion(const std::string& path) {
    return fillIn("The folder:\n\n", path,
                  "\n\ndoes not exist. Do you want the folder to be created?");
}

std::string folderErrorMessage(int result, const std::string& path) {
    if (result == kFolderInvalid) {
        return fillIn("The folder:\n\n", path, "\n\nis invalid. Please reenter.");
    }
    return fillIn("The folder:\n\n", path, "\n\ncan not be created. Please double check.");
}

Result<> checkOrCreateFolder(const std::string& path, FolderPrompter& prompter,
                             const MakeFolderLevel& makeLevel) {
    Result<> result = testFolderPath(path, true, makeLevel);
    if (!result) {
        prompter.showError(result.message());
        return result;
    }
    if (isDirectory(path))
        return {};
    if (!prompter.askYesNo(folderCreateQuestion(path)))
        return makeError(kFolderDeclined, "", Severity::Warning);
    result = testFolderPath(path, false, makeLevel);
    if (!result)
        prompter.showError(result.message());
    return result;
}

}  // namespace pixmill
