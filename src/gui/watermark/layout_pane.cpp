#include "gui/watermark/layout_pane.h"

#include <QDir>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QScrollArea>
#include <QStackedWidget>
#include <QTemporaryDir>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

#include <sys/stat.h>

#include <algorithm>

#include "engine/imaging/image_io.h"
#include "engine/watermark/control_tracker.h"
#include "engine/watermark/layout_archive.h"
#include "engine/watermark/watermark_batch.h"
#include "engine/watermark/watermark_text.h"
#include "gui/watermark/layout_library_bar.h"
#include "gui/watermark/preview_dlg.h"

namespace pixmill {

QImage stampPreview(CPreviewDlg& canvas, const CatalogItem& item) {
    QTemporaryDir folder;
    if (!folder.isValid())
        return QImage();
    const std::string path = QDir(folder.path()).filePath(kLayoutFileName).toStdString();
    CControlTracker layout;
    if (!canvas.group().saveLayout(path) || !layout.loadLayout(path, nullptr))
        return QImage();
    LoadedImage source = loadImage(item.fullPath);
    if (source.isNull())
        return QImage();
    layout.stampWidthPercent = canvas.group().stampWidthPercent;
    QImage stamped = stampPicture(source, layout, &item);
    // A canvas that is the decoded picture itself may be in any 32-bit format; shown as RGB32.
    return stamped.isNull() ? stamped : stamped.convertToFormat(QImage::Format_RGB32);
}

CLayoutPane::CLayoutPane(QWidget* parent) : QWidget(parent) {
    canvas_ = new CPreviewDlg(this);
    toggle_ = new QToolButton(this);
    toggle_->setText(QStringLiteral("预览效果"));
    toggle_->setCheckable(true);
    toggle_->setToolTip(QStringLiteral("在第一张勾选的图片上按原始大小预览水印效果"));
    picture_ = new QLabel(this);
    picture_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    scroll_ = new QScrollArea(this);
    scroll_->setWidget(picture_);
    scroll_->setWidgetResizable(false);
    stack_ = new QStackedWidget(this);
    stack_->addWidget(canvas_);
    stack_->addWidget(scroll_);

    library_ = new CLayoutLibraryBar(canvas_, this);
    auto* bar = new QHBoxLayout;
    bar->addWidget(toggle_);
    bar->addSpacing(12);
    bar->addWidget(library_, 1);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addLayout(bar);
    layout->addWidget(stack_, 1);
    follow_ = new QTimer(this);
    follow_->setInterval(300);
    connect(follow_, &QTimer::timeout, this, [this] {
        if (isVisible())
            refreshIfChanged();
    });
    connect(toggle_, &QToolButton::toggled, this, &CLayoutPane::setPreviewShown);
}

bool CLayoutPane::showingPreview() const {
    return stack_->currentWidget() == scroll_;
}

void CLayoutPane::setPreviewShown(bool on) {
    // The view is shown before the photo is stamped into it, so that it can be scrolled.
    stack_->setCurrentWidget(on ? static_cast<QWidget*>(scroll_) : canvas_);
    if (on) {
        refreshPreview();
        follow_->start();
    } else {
        follow_->stop();
        preview_ = QImage();
        shownKey_.clear();
    }
}

QByteArray CLayoutPane::previewKey() const {
    const std::vector<std::uint8_t> layout = writeLayoutArchive(canvas_->group().toLayoutRecord());
    QByteArray key(reinterpret_cast<const char*>(layout.data()),
                   static_cast<qsizetype>(layout.size()));
    key += '\0' + QByteArray::number(canvas_->group().stampWidthPercent);
    if (std::optional<CatalogItem> item = source_ ? source_() : std::nullopt) {
        struct stat status {};
        ::stat(item->fullPath.c_str(), &status);
        key += '\0' + QByteArray::fromStdString(item->fullPath) + '\0' +
               QByteArray::number(qint64(status.st_size)) + '\0' +
               QByteArray::number(qint64(status.st_mtim.tv_sec)) + '.' +
               QByteArray::number(qint64(status.st_mtim.tv_nsec));
    }
    return key;
}

bool CLayoutPane::refreshIfChanged() {
    if (!showingPreview() || previewKey() == shownKey_)
        return false;
    refreshPreview();
    return true;
}

void CLayoutPane::refreshPreview() {
    shownKey_ = previewKey();
    std::optional<CatalogItem> item = source_ ? source_() : std::nullopt;
    preview_ = item ? stampPreview(*canvas_, *item) : QImage();
    if (preview_.isNull()) {
        picture_->setPixmap(QPixmap());
        picture_->setText(
            item ? QStringLiteral("无法打开图片：%1").arg(QString::fromStdString(item->fullPath))
                 : QStringLiteral("请先在图片列表中勾选一张图片"));
    } else {
        picture_->setPixmap(QPixmap::fromImage(preview_));
    }
    picture_->adjustSize();
    if (!preview_.isNull()) {
        showStampedGroup();
        // Again once the view has its final size: it may just have been switched in.
        QTimer::singleShot(0, this, [this] {
            if (!preview_.isNull())
                showStampedGroup();
        });
    }
}

void CLayoutPane::showStampedGroup() {
    const CControlTracker& group = canvas_->group();
    const double scale =
        stampScaleFor(group.stampWidthPercent, group.groupBounds(), preview_.width());
    const LayoutRect landed = group.landedBounds(preview_.width(), preview_.height(), scale);
    const int halfWidth = landed.width() / 2, halfHeight = landed.height() / 2;
    scroll_->ensureVisible(landed.left + halfWidth, landed.top + halfHeight, halfWidth + 20,
                           halfHeight + 20);
}

}  // namespace pixmill
