#include "engine/catalog/catalog_jobs.h"

#include <QCoreApplication>
#include <QMutexLocker>
#include <QThread>

#include <sys/stat.h>

#include "engine/imaging/catalog_thumbnail.h"

namespace pixmill {

namespace {

std::mutex g_deliveryGate;

// Gives back its place in the pending count when the job is done or dropped unrun.
struct PendingToken {
    explicit PendingToken(std::shared_ptr<std::atomic<int>> count) : count(std::move(count)) {
        ++*this->count;
    }
    ~PendingToken() { --*count; }
    std::shared_ptr<std::atomic<int>> count;
};

}  // namespace

CatalogJobs::CatalogJobs(CatalogModel& model, ThumbnailRenderer renderer, RotateFlipRunner rotator,
                         int poolSize, QObject* parent)
    : QObject(parent), model_(model), rotator_(std::move(rotator)) {
    setRenderer(std::move(renderer));
    pool_.setMaxThreadCount(poolSize > 0 ? poolSize : QThread::idealThreadCount());
}

CatalogJobs::~CatalogJobs() {
    disconnect(this, nullptr, nullptr, nullptr);
    closing_ = true;
    cancelThumbnails();
    waitForIdle();
}

void CatalogJobs::setRenderer(ThumbnailRenderer renderer) {
    renderer_ = renderer ? std::move(renderer) : ThumbnailRenderer(renderCatalogThumbnail);
}

void CatalogJobs::waitForIdle() {
    // Workers may write the status line, which waits for this thread: keep events moving.
    while (busy() || !pool_.waitForDone(0)) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        pool_.waitForDone(10);
    }
    QCoreApplication::processEvents();
}

void CatalogJobs::submit(bool thumbnail, std::function<void(const std::shared_ptr<void>&)> work) {
    // The job hands the token on to the result it delivers, so the job counts as pending
    // until its result has reached the model (or been dropped with this object).
    std::shared_ptr<void> token = std::make_shared<PendingToken>(pending_);
    {
        std::lock_guard lock(mutex_);
        queue_.push_back(Job{thumbnail, [token, work = std::move(work)] { work(token); }});
    }
    pool_.start([this] { runNext(); });
}

void CatalogJobs::runNext() {
    // Jobs travel through our own queue rather than inside the pool's runnables, so the
    // lock that hands them over is one the thread sanitizer sees, and dropping thumbnails
    // never drops a rotation.
    Job job;
    {
        std::lock_guard lock(mutex_);
        if (queue_.empty())
            return;
        job = std::move(queue_.front());
        queue_.pop_front();
    }
    job.run();
}

void CatalogJobs::deliver(std::function<void()> result) {
    {
        std::lock_guard lock(mutex_);
        results_.push_back(std::move(result));
    }
    // Qt queues the call through memory the thread sanitizer cannot see into: the call is
    // posted under a lock of ours, which it takes again before it reads anything.
    std::lock_guard posting(g_deliveryGate);
    QMetaObject::invokeMethod(
        this,
        [this] {
            { std::lock_guard received(g_deliveryGate); }
            drainResults();
        },
        Qt::QueuedConnection);
}

void CatalogJobs::drainResults() {
    std::vector<std::function<void()>> ready;
    {
        std::lock_guard lock(mutex_);
        ready.swap(results_);
    }
    for (const auto& result : ready)
        result();
}

CatalogItem CatalogJobs::copyOf(const CatalogRecord& record) const {
    QMutexLocker lock(&model_.lock());
    return *record;
}

void CatalogJobs::renderThumbnails(const std::vector<CatalogRecord>& records, QSize box) {
    if (closing_ || !box.isValid() || box.isEmpty())
        return;
    for (const CatalogRecord& record : records) {
        if (!record)
            continue;
        CatalogItem copy = copyOf(record);
        ThumbnailRenderer renderer = renderer_;
        submit(true, [this, record, copy = std::move(copy), box,
                      renderer](const std::shared_ptr<void>& token) {
            QImage image = renderer(copy, box.width(), box.height());
            deliver([this, record, image = std::move(image), token] {
                model_.setThumbnail(record, image);
            });
        });
    }
}

void CatalogJobs::cancelThumbnails() {
    std::deque<Job> dropped;  // their tokens are given back outside the lock
    std::lock_guard lock(mutex_);
    std::deque<Job> kept;
    for (Job& job : queue_)
        (job.thumbnail ? dropped : kept).push_back(std::move(job));
    queue_.swap(kept);
}

CatalogItem rereadItem(const CatalogItem& item, const PhotoDetailsReader& reader) {
    CatalogItem fresh;
    fresh.number = item.number;
    fresh.fileName = item.fileName;
    fresh.fullPath = item.fullPath;
    fresh.thumbBackground = item.thumbBackground;
    struct stat status;
    const std::uint64_t size = ::stat(item.fullPath.c_str(), &status) == 0 ? status.st_size : 0;
    fresh.fileSize = static_cast<std::uint32_t>(size & 0xFFFFFFFF);
    if (reader)
        reader(fresh.fullPath, fresh);
    else
        fresh.width = item.width, fresh.height = item.height;
    return fresh;
}

void CatalogJobs::reread(const std::vector<CatalogRecord>& records, PhotoDetailsReader reader,
                         QSize box) {
    if (closing_)
        return;
    for (const CatalogRecord& record : records) {
        if (!record)
            continue;
        CatalogItem copy = copyOf(record);
        submit(false, [this, record, copy = std::move(copy), reader,
                       box](const std::shared_ptr<void>& token) {
            CatalogItem fresh = rereadItem(copy, reader);
            deliver([this, record, fresh = std::move(fresh), box, token] {
                model_.updateRecords({{record, fresh}});
                if (box.isValid() && !box.isEmpty())
                    renderThumbnails({record}, box);
            });
        });
    }
}

void CatalogJobs::rotate(const CatalogRecord& record, int code, QSize box) {
    if (!record || !rotator_)
        return;
    CatalogItem copy = copyOf(record);
    ++rotations_;
    RotateFlipRunner rotator = rotator_;
    submit(false, [this, record, copy = std::move(copy), code, box,
                   rotator](const std::shared_ptr<void>& token) mutable {
        rotator(copy, code);
        deliver([this, record, copy, box, token] {
            model_.updateRecords({{record, copy}});
            if (box.isValid() && !box.isEmpty())
                renderThumbnails({record}, box);
            if (--rotations_ == 0)
                Q_EMIT rotationsFinished();
        });
    });
}

}  // namespace pixmill
