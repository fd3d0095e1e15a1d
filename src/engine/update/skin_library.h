#pragma once
// The outside skin library: "skin.dat" in the folder "skin/" beside the program, loaded at run
// time, with the skin file "skin.she" beside it. It exports
//   extern "C" int SkinH_AttachEx(const char* skinFileUtf8, int reserved);  // 0 on success
//   extern "C" int SkinH_Detach(void);                                      // 0 on success
// The program runs unskinned when the library is missing or lacks SkinH_AttachEx.

#include <QLibrary>
#include <QString>
#include <QStringList>

#include <functional>

#include "engine/platform/result.h"
#include "engine/update/worker_thread.h"

namespace pixmill {

inline constexpr const char* kSkinLibraryFile = "skin.dat";
inline constexpr const char* kSkinStyleFile = "skin.she";

// The skin folder of a program folder: programDir + "skin/".
QString skinFolderOf(const QString& programDir);
// Both skin.dat and skin.she lie in `folder`.
bool skinFilesPresent(const QString& folder);

class SkinLibrary {
  public:
    // Loads the library and resolves its entry points. Fails, saying why, when it is missing,
    // does not load, or lacks SkinH_AttachEx. A library once loaded stays loaded for the whole
    // run: the look it applied may still refer to it.
    Result<> load(const QString& libraryPath);
    bool isLoaded() const { return attach_ != nullptr; }

    // SkinH_AttachEx(skinFile, 0); -1 when no library is loaded. Call on the GUI thread.
    int attach(const QString& skinFilePath);
    // SkinH_Detach(), only when the library is loaded and exports it; else -1.
    int detach();

  private:
    using AttachFunction = int (*)(const char*, int);
    using DetachFunction = int (*)();
    QLibrary library_;
    AttachFunction attach_ = nullptr;
    DetachFunction detach_ = nullptr;
};

// The process's one skin library.
SkinLibrary& processSkinLibrary();

struct SkinDownloadOutcome {
    bool ready = false;  // both files arrived from one base and are in `folder`
    QString folder;
    QStringList refusedBases;  // bases that are not https: (executable code is never fetched
                               // over plain HTTP)
    QStringList errors;        // one line per failed file
};

// For each base in turn, fetches base + "res/skin.dat" and base + "res/skin.she" (status 200,
// complete); when both arrive, writes them into `folder` (created when missing) and stops.
// Blocking: for a worker thread.
SkinDownloadOutcome downloadSkinFiles(const QStringList& bases, const QString& folder,
                                      int timeoutMs = 30000);

class SkinDownloadRunner {
  public:
    // Runs downloadSkinFiles on a worker thread; `done` is called on this object's thread.
    void start(const QStringList& bases, const QString& folder,
               std::function<void(const SkinDownloadOutcome&)> done);
    bool isRunning() const { return worker_.isRunning(); }

  private:
    WorkerThread worker_;
};

}  // namespace pixmill
