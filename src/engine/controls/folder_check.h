#pragma once
// The checks behind the folder picker: is a typed folder path usable, and may a missing one be
// created level by level. Plain C++; the dialog supplies the questions and messages.

#include <functional>
#include <string>
#include <string_view>

#include "engine/platform/result.h"

namespace pixmill {

// The codes of a folder check's answer (Result::code(): 0 when the folder is usable).
enum FolderTestResult : int {
    kFolderDeclined = -1,  // the user did not want it created (a Warning: nothing went wrong)
    kFolderUsable = 0,
    kFolderInvalid = 1,
    kFolderCannotBeCreated = 2,
};

// Creates one folder level (an existing folder is fine) and says whether it exists afterwards.
using MakeFolderLevel = std::function<bool(const std::string& folder)>;
// The real file system: mkdir(2) with mode 0777 (the umask applies).
bool makeFolderLevel(const std::string& folder);

// The platform's rules. With `checkOnly` nothing is created; otherwise every missing level is
// created in turn, failing with kFolderCannotBeCreated at the first that does not exist
// afterwards. A failure's message is the one the picker shows (folderErrorMessage).
Result<> testFolderPath(std::string_view path, bool checkOnly,
                        const MakeFolderLevel& makeLevel = makeFolderLevel);

// POSIX rules: an absolute path; "/" is the root; a component is invalid when it is empty (a
// doubled separator), "." or ".."; a trailing separator other than the root is invalid.
Result<> testPosixFolderPath(std::string_view path, bool checkOnly,
                             const MakeFolderLevel& makeLevel);

// Windows rules: a drive path "X:\..." of at most 260 characters, whose component names do not
// begin or end with a blank, a tab or "." and hold none of " * / : < > ? \ |.
Result<> testWindowsFolderPath(std::string_view path, bool checkOnly,
                               const MakeFolderLevel& makeLevel);

// What checkOrCreateFolder asks and shows; the picker implements it with message boxes.
class FolderPrompter {
  public:
    virtual ~FolderPrompter() = default;
    // Yes/No question; true for Yes.
    virtual bool askYesNo(const std::string& message) = 0;
    virtual void showError(const std::string& message) = 0;
};

// Success when the path names a usable folder, created on request; kFolderDeclined when the
// user declined the creation; kFolderInvalid or kFolderCannotBeCreated (after showing the
// message) when it is invalid or cannot be created.
Result<> checkOrCreateFolder(const std::string& path, FolderPrompter& prompter,
                             const MakeFolderLevel& makeLevel = makeFolderLevel);

// The three texts, with the path filled in.
std::string folderCreateQuestion(const std::string& path);
std::string folderErrorMessage(int result, const std::string& path);

}  // namespace pixmill
