#pragma once
// The loading thread: scans a folder and fills the catalog, telling an observer when the load
// begins and ends. The observer is called on the loading thread and is expected to handle the
// call before returning (the GUI marshals it with a blocking queued call); the catalog's rows
// and the history change on the model's thread, in the order begin, history and profile, rows,
// end.

#include <QString>

#include <memory>
#include <thread>

#include "engine/batch/work_gate.h"
#include "engine/catalog/catalog_model.h"
#include "engine/catalog/folder_history.h"
#include "engine/catalog/folder_scan.h"
#include "engine/platform/result.h"

namespace pixmill {

class AppSettings;
class Profile;

class LoadObserver {
  public:
    virtual ~LoadObserver() = default;
    // "正在加载图片，请稍等……" is already in the status line.
    virtual void loadBegin() {}
    // After the rows are in: `count` records; the end text is already in the status line.
    virtual void loadEnd(int count) { (void)count; }
    // The history changed (the folder box's list). Model thread.
    virtual void historyChanged(const QStringList& entries) { (void)entries; }
};

struct LoaderSetup {
    CatalogModel* model = nullptr;
    WorkGate* gate = nullptr;
    Profile* profile = nullptr;        // "history"/"urls", "path"/"lastview"; none in the CLI
    AppSettings* settings = nullptr;   // lastViewFolder; may be none
    LoadObserver* observer = nullptr;  // may be none
    PhotoDetailsReader reader;
};

class CatalogLoader {
  public:
    explicit CatalogLoader(LoaderSetup setup);
    ~CatalogLoader();  // waits for a running load

    // Starts the loading thread for `folderText`. Does nothing for an empty or missing path
    // (an Error, ENOENT), and refuses while a load or a batch runs (an Error, EBUSY, whose text
    // is also put in the status line).
    Result<> loadFolder(const QString& folderText);
    // The same, on the calling thread, which must be the model's (the CLI).
    Result<> loadFolderNow(const QString& folderText);

    // Waits for the loading thread; the model's thread keeps handling events meanwhile.
    void wait();
    bool running() const;

    FolderHistory& history() { return history_; }

  private:
    // Holds the gate for a load of `folderText`, or says why not.
    Result<> enter(const QString& folderText);
    void run(const QString& folderText);
    void onModelThread(const std::function<void()>& work);

    LoaderSetup setup_;
    FolderHistory history_;
    std::thread worker_;
};

}  // namespace pixmill
