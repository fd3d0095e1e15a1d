#pragma once
// The catalog's background work: thumbnails and the right-click rotations, on one bounded
// pool. Results reach the model on its own thread and by record, never by row number, since
// rows move when the list is sorted and go when files are deleted.

#include <QImage>
#include <QObject>
#include <QSize>
#include <QThreadPool>

#include <atomic>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <vector>

#include "engine/batch/batch_kind.h"
#include "engine/catalog/catalog_model.h"
#include "engine/catalog/folder_scan.h"

namespace pixmill {

// Renders one item's thumbnail of exactly width × height. Called on the pool's threads.
using ThumbnailRenderer = std::function<QImage(const CatalogItem& item, int width, int height)>;
// Turns or mirrors one item's file in place (codes 1, 3, 4, 6) and updates the item's
// recorded size. Called on the pool's threads.
using RotateFlipRunner = std::function<ItemOutcome(CatalogItem& item, int code)>;

// The record as a fresh load would list it now: its name, place and number kept, its size and
// (with `reader`) its photo details read from the file again.
CatalogItem rereadItem(const CatalogItem& item, const PhotoDetailsReader& reader);

class CatalogJobs : public QObject {
    Q_OBJECT
  public:
    // `model` must outlive the jobs. An empty renderer uses renderCatalogThumbnail; an empty
    // rotator leaves rotation unavailable. `poolSize` 0 means as many threads as cores.
    CatalogJobs(CatalogModel& model, ThumbnailRenderer renderer, RotateFlipRunner rotator,
                int poolSize = 0, QObject* parent = nullptr);
    // Drops queued thumbnails and waits, with the event loop turning, for running jobs:
    // a rotation always finishes its file before the program goes on.
    ~CatalogJobs() override;

    void setRotator(RotateFlipRunner rotator) { rotator_ = std::move(rotator); }
    void setRenderer(ThumbnailRenderer renderer);
    bool canRotate() const { return static_cast<bool>(rotator_); }

    // One job per record, in order.
    void renderThumbnails(const std::vector<CatalogRecord>& records, QSize box);
    // Thumbnails not yet started are dropped (a new load replaces their records).
    void cancelThumbnails();

    // Reads the records' files again (size and, with `reader`, photo details) after they were
    // changed in place, then redraws their thumbnails when `box` is valid.
    void reread(const std::vector<CatalogRecord>& records, PhotoDetailsReader reader, QSize box);

    // Rotates the record's file; when `box` is valid its thumbnail is drawn again afterwards.
    void rotate(const CatalogRecord& record, int code, QSize box);
    int rotationsRunning() const { return rotations_; }

    // Anything queued or running, thumbnails included.
    bool busy() const { return pending_->load() > 0 || rotations_ > 0; }
    // Waits with the event loop turning.
    void waitForIdle();

  Q_SIGNALS:
    // The last running rotation has finished and its record is updated.
    void rotationsFinished();

  private:
    struct Job {
        bool thumbnail = false;
        std::function<void()> run;
    };
    // The record's item, copied under the catalog lock.
    CatalogItem copyOf(const CatalogRecord& record) const;
    void submit(bool thumbnail, std::function<void(const std::shared_ptr<void>& token)> work);
    void runNext();
    // Hands a result to this object's thread through our own lock.
    void deliver(std::function<void()> result);
    void drainResults();

    CatalogModel& model_;
    ThumbnailRenderer renderer_;
    RotateFlipRunner rotator_;
    QThreadPool pool_;
    // Counts submitted jobs until they have run or been dropped; shared with the jobs.
    std::shared_ptr<std::atomic<int>> pending_ = std::make_shared<std::atomic<int>>(0);
    std::mutex mutex_;  // guards queue_ and results_
    std::deque<Job> queue_;
    std::vector<std::function<void()>> results_;
    int rotations_ = 0;  // GUI thread only
    bool closing_ = false;
};

}  // namespace pixmill
