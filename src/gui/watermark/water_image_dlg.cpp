#include "gui/watermark/water_image_dlg.h"

#include <QCoreApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPixmap>
#include <QVBoxLayout>

#include <memory>

#include "engine/app/object_thread.h"
#include "engine/imaging/catalog_thumbnail.h"
#include "engine/platform/native_path.h"
#include "gui/controls/output_options_group.h"
#include "gui/watermark/preview_dlg.h"

namespace pixmill {
namespace {

constexpr int kThumbWidth = 100;
constexpr int kThumbHeight = 80;
constexpr int kPathRole = Qt::UserRole;

}  // namespace

CWaterImageDlg::CWaterImageDlg(CPreviewDlg* canvas, QString libraryFolder, QString templateDir,
                               StartBatchFunction startJob, QWidget* parent, Profile* profile)
    : QWidget(parent),
      canvas_(canvas),
      templateDir_(std::move(templateDir)),
      startJob_(std::move(startJob)) {
    categoryList_ = new QListWidget(this);
    // The panel is narrow: the category names are short, the thumbnails need their 100 pixels.
    categoryList_->setFixedWidth(56);
    thumbs_ = new QListWidget(this);
    thumbs_->setViewMode(QListView::IconMode);
    thumbs_->setIconSize(QSize(kThumbWidth, kThumbHeight));
    thumbs_->setResizeMode(QListView::Adjust);
    thumbs_->setMovement(QListView::Static);
    thumbs_->setSpacing(3);
    thumbs_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);

    auto* lists = new QHBoxLayout;
    lists->setSpacing(3);
    lists->addWidget(categoryList_);
    lists->addWidget(thumbs_, 1);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->addWidget(new QLabel(QStringLiteral("添加水印"), this));
    layout->addLayout(lists, 1);
    output_ = new COutputOptionsGroup(profile, QStringLiteral("watermark"), this);
    layout->addWidget(output_);

    connect(categoryList_, &QListWidget::currentRowChanged, this, &CWaterImageDlg::showCategory);
    connect(thumbs_, &QListWidget::itemClicked, this,
            [this](QListWidgetItem* item) { addPictureLayer(item->data(kPathRole).toString()); });

    thumbnailPool_.setMaxThreadCount(2);
    const std::string folder = pathBytes(libraryFolder);
    scanThread_ = std::thread([this, folder] {
        std::vector<WatermarkCategory> found = scanWatermarkLibrary(folder);
        // Queued to the panel; dropped with the panel's events should it be gone by then
        // (the destructor joins this thread before the object goes).
        auto shared = std::make_shared<std::vector<WatermarkCategory>>(std::move(found));
        postToObjectThread(this, [this, shared] { onScanned(std::move(*shared)); });
    });
}

CWaterImageDlg::~CWaterImageDlg() {
    closing_ = true;  // what is delivered below starts no new work
    if (scanThread_.joinable())
        scanThread_.join();
    thumbnailPool_.clear();
    thumbnailPool_.waitForDone();
    // The results already handed over are taken in now rather than dropped with the panel.
    QCoreApplication::sendPostedEvents(this, QEvent::MetaCall);
}

void CWaterImageDlg::onScanned(std::vector<WatermarkCategory> categories) {
    if (scanThread_.joinable())
        scanThread_.join();
    categories_ = std::move(categories);
    scanned_ = true;
    {
        QSignalBlocker block(categoryList_);
        for (const WatermarkCategory& category : categories_)
            categoryList_->addItem(QString::fromStdString(category.name));
        if (!categories_.empty())
            categoryList_->setCurrentRow(0);
    }
    showCategory(0);
    Q_EMIT libraryScanned();
}

void CWaterImageDlg::showCategory(int index) {
    if (closing_ || !scanned_ || index < 0 || index >= static_cast<int>(categories_.size()))
        return;
    ++generation_;
    thumbnailPool_.clear();
    thumbs_->clear();
    pending_ = 0;
    const int generation = generation_;
    const auto& files = categories_[static_cast<std::size_t>(index)].files;
    QPixmap blank(kThumbWidth, kThumbHeight);
    blank.fill(Qt::white);
    for (std::size_t i = 0; i < files.size(); ++i) {
        QString path = pathFromBytes(files[i]);
        auto* item = new QListWidgetItem(QIcon(blank), QString(), thumbs_);
        item->setData(kPathRole, path);
        item->setToolTip(displayPath(path));
        CatalogItem source;
        source.fullPath = files[i];
        source.number = static_cast<int>(i);
        source.thumbBackground = 0xFFFFFF;
        ++pending_;
        // The destructor waits for the pool and takes in what it handed back, so `this`
        // outlives every job.
        startOnPool(thumbnailPool_, [this, source, generation] {
            QImage thumbnail = renderCatalogThumbnail(source, kThumbWidth, kThumbHeight);
            postToObjectThread(this, [this, generation, row = source.number, thumbnail] {
                showThumbnail(generation, row, thumbnail);
            });
        });
    }
}

void CWaterImageDlg::showThumbnail(int generation, int row, const QImage& thumbnail) {
    if (generation != generation_)
        return;  // drawn for a category shown earlier
    --pending_;
    if (QListWidgetItem* shown = thumbs_->item(row))
        shown->setIcon(QIcon(QPixmap::fromImage(thumbnail)));
}

void CWaterImageDlg::addPictureLayer(const QString& path) {
    auto layer = std::make_unique<CWatermarkCtrl>();
    layer->imagePath = pathBytes(path);
    layer->loadLayerImage();
    layer->attachLayer(canvas_);
    if (layer->image && !layer->image->isNull()) {
        layer->rect.right = layer->rect.left + layer->image->width();
        layer->rect.bottom = layer->rect.top + layer->image->height();
    }
    canvas_->group().addLayer(std::move(layer));
    canvas_->update();
}

bool CWaterImageDlg::startBatch() {
    return startWatermarkBatchFromPanel(this, displayName(), *canvas_, templateDir_, startJob_,
                                        output_->options());
}

}  // namespace pixmill
