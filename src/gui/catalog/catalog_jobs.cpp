#include "gui/catalog/catalog_jobs.h"

#include <QCoreApplication>
#include <QImageReader>
#include <QMutexLocker>
#include <QPainter>
#include <QRunnable>
#include <QThread>

namespace pixmill {

QImage readScaledThumbnail(const CatalogItem& item, int width, int height) {
    QImage box(std::max(width, 1), std::max(height, 1), QImage::Format_RGB888);
    box.fill(item.thumbBackground == 0xFFFFFFu ? Qt::white : Qt::black);
    QImageReader reader(QString::fromStdString(item.fullPath));
    reader.setAutoTransform(false);
    const QSize full = reader.size();
    if (full.isValid() && (full.width() > width || full.height() > height)) {
        reader.setScaledSize(full.scaled(width, height, Qt::KeepAspectRatio));
    }
    const QImage picture = reader.read();
    if (picture.isNull())
        return box;
    const QImage fitted =
        picture.width() > width || picture.height() > height
            ? picture.scaled(width, height, Qt::KeepAspectRatio, Qt::SmoothTransformation)
            : picture;
    QPainter painter(&box);
    painter.drawImage((width - fitted.width()) / 2, (height - fitted.height()) / 2, fitted);
    return box;
}

namespace {

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
    pool_.clear();
    waitForIdle();
}

void CatalogJobs::setRenderer(ThumbnailRenderer renderer) {
    renderer_ = renderer ? std::move(renderer) : ThumbnailRenderer(readScaledThumbnail);
}

void CatalogJobs::waitForIdle() {
    // Workers may write the status line, which waits for this thread: keep events moving.
    while (busy() || !pool_.waitForDone(0)) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        pool_.waitForDone(10);
    }
    QCoreApplication::processEvents();
}

void CatalogJobs::submit(std::function<void(const std::shared_ptr<void>&)> work) {
    // The job hands the token on to the result it posts, so the job counts as pending until
    // its result has reached the model (or been dropped with this object).
    std::shared_ptr<void> token = std::make_shared<PendingToken>(pending_);
    pool_.start(QRunnable::create([token, work = std::move(work)] { work(token); }));
}

void CatalogJobs::renderThumbnails(const std::vector<CatalogRecord>& records, QSize box) {
    if (closing_ || !box.isValid() || box.isEmpty())
        return;
    for (const CatalogRecord& record : records) {
        if (!record)
            continue;
        CatalogItem copy;
        {
            QMutexLocker lock(&model_.lock());
            copy = *record;
        }
        ThumbnailRenderer renderer = renderer_;
        submit([this, record, copy = std::move(copy), box,
                renderer](const std::shared_ptr<void>& token) {
            QImage image = renderer(copy, box.width(), box.height());
            QMetaObject::invokeMethod(
                this,
                [this, record, image = std::move(image), token] {
                    model_.setThumbnail(record, image);
                },
                Qt::QueuedConnection);
        });
    }
}

void CatalogJobs::cancelThumbnails() {
    pool_.clear();
}

void CatalogJobs::rotate(const CatalogRecord& record, int code, QSize box) {
    if (!record || !rotator_)
        return;
    CatalogItem copy;
    {
        QMutexLocker lock(&model_.lock());
        copy = *record;
    }
    ++rotations_;
    RotateFlipRunner rotator = rotator_;
    submit([this, record, copy = std::move(copy), code, box,
            rotator](const std::shared_ptr<void>& token) mutable {
        rotator(copy, code);
        QMetaObject::invokeMethod(
            this,
            [this, record, copy, box, token] {
                model_.updateRecords({{record, copy}});
                if (box.isValid() && !box.isEmpty())
                    renderThumbnails({record}, box);
                if (--rotations_ == 0)
                    Q_EMIT rotationsFinished();
            },
            Qt::QueuedConnection);
    });
}

}  // namespace pixmill
