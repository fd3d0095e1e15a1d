#include "gui/imaging/clip_image_dlg.h"

#include <QBuffer>
#include <QDialogButtonBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QImageReader>
#include <QLabel>
#include <QPaintEvent>
#include <QPainter>
#include <QTableWidgetItem>
#include <QVBoxLayout>

#include <algorithm>
#include <climits>

#include "engine/imaging/image_io.h"
#include "engine/platform/native_path.h"
#include "gui/controls/dialog_buttons.h"
#include "gui/controls/edit_list_ctrl.h"
#include "gui/controls/output_options_group.h"
#include "gui/controls/user_prompter.h"

namespace pixmill {

namespace {
constexpr QSize kPreviewSize(320, 240);
}  // namespace

int cropPenWidth(int width, int height) {
    const int pen = 4 * (std::min(width, height) / 400);
    return pen > 0 ? pen : 1;
}

int cropCellNumber(const QString& text) {
    qsizetype end = 0;
    if (end < text.size() && text[end] == u'-')
        ++end;
    const qsizetype digitsStart = end;
    while (end < text.size() && text[end].isDigit() && text[end].unicode() < 128)
        ++end;
    if (end == digitsStart)
        return 0;
    bool ok = false;
    const long long value = text.left(end).toLongLong(&ok);
    if (!ok)
        return text[0] == u'-' ? INT_MIN : INT_MAX;
    return int(std::clamp<long long>(value, INT_MIN, INT_MAX));
}

CClipImageDlg::CClipImageDlg(const QString& imagePath, UserPrompter* prompter, QWidget* parent,
                             Profile* profile)
    : QDialog(parent),
      list_(new CEditListCtrl(this)),
      preview_(new QLabel(this)),
      output_(new COutputOptionsGroup(profile, QStringLiteral("clip"), this)),
      prompter_(prompter ? prompter : &boxPrompter()) {
    setWindowTitle(QStringLiteral("裁剪图片"));
    list_->setColumnCount(5);
    // Short headers that fit their columns; what each number means is the header's tool tip.
    list_->setHorizontalHeaderLabels({QStringLiteral("方案名称"), QStringLiteral("X"),
                                      QStringLiteral("Y"), QStringLiteral("宽"),
                                      QStringLiteral("高")});
    const QString tips[5] = {QStringLiteral("方案名称"),
                             QStringLiteral("X(距离图片左边的像素数，不能为负数)"),
                             QStringLiteral("Y(距离图片上边的像素数，不能为负数)"),
                             QStringLiteral("裁剪宽度(负数表示距离图片右边的像素数)"),
                             QStringLiteral("裁剪高度(负数表示距离图片下边的像素数)")};
    const int widths[5] = {80, 60, 60, 70, 70};
    const QFontMetrics metrics = list_->horizontalHeader()->fontMetrics();
    for (int column = 0; column < 5; ++column) {
        QTableWidgetItem* header = list_->horizontalHeaderItem(column);
        header->setToolTip(tips[column]);
        list_->setColumnWidth(
            column, std::max(widths[column], metrics.horizontalAdvance(header->text()) + 16));
    }
    list_->appendRow({QStringLiteral("自定义1"), "0", "0", "800", "600"});
    connect(list_, &QTableWidget::cellClicked, this, [this](int row, int) { markRow(row); });

    // Read from the file's bytes, never by name: Qt would change a name that is not UTF-8
    // and might open another picture whose name then reads the same.
    if (const Result<Bytes> file = readImageFile(pathBytes(imagePath))) {
        QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char*>(file->data()),
                                                   qsizetype(file->size()));
        QBuffer buffer(&bytes);
        QImageReader reader(&buffer);
        reader.setAutoTransform(false);
        image_ = reader.read().convertToFormat(QImage::Format_ARGB32);
        if (image_.isNull())  // a format Qt has no reader for (HEIC): the engine's decoder
            image_ = loadImage(pathBytes(imagePath)).image.convertToFormat(QImage::Format_ARGB32);
    }
    if (image_.isNull()) {
        image_ = QImage(kPreviewSize, QImage::Format_ARGB32);
        image_.fill(Qt::white);
    }
    canvas_ = image_;
    preview_->setMinimumSize(kPreviewSize);
    preview_->installEventFilter(this);

    auto* group = new QGroupBox(QStringLiteral("设置裁剪区域"), this);
    auto* groupLayout = new QVBoxLayout(group);
    groupLayout->addWidget(list_);
    QDialogButtonBox* buttons = okCancelButtons(this);
    auto* right = new QVBoxLayout;
    right->addWidget(group);
    right->addWidget(output_);
    right->addWidget(buttons);
    auto* layout = new QHBoxLayout(this);
    layout->addWidget(preview_, 1);
    layout->addLayout(right, 1);
    resize(820, 360);
}

QRect cropPreviewRect(QSize area, QSize image) {
    if (area.isEmpty() || image.isEmpty())
        return QRect(QPoint(0, 0), area);
    const QSize fitted = image.scaled(area, Qt::KeepAspectRatio);
    return QRect(QPoint((area.width() - fitted.width()) / 2, (area.height() - fitted.height()) / 2),
                 fitted);
}

QRect CClipImageDlg::previewRect() const {
    return cropPreviewRect(preview_->size(), canvas_.size());
}

CropParams CClipImageDlg::rowParams(int row) const {
    return CropParams{
        cropCellNumber(list_->cellText(row, 1)), cropCellNumber(list_->cellText(row, 2)),
        cropCellNumber(list_->cellText(row, 3)), cropCellNumber(list_->cellText(row, 4))};
}

void CClipImageDlg::markRow(int row) {
    const CropParams scheme = rowParams(row);
    const CropRect rect = normalizeCropRect(image_.width(), image_.height(), scheme.x, scheme.y,
                                            scheme.width, scheme.height);
    canvas_ = image_;
    QPainter painter(&canvas_);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    QPen pen(QColor(255, 0, 0, 255));
    pen.setWidth(cropPenWidth(image_.width(), image_.height()));
    pen.setJoinStyle(Qt::MiterJoin);
    painter.setPen(pen);
    painter.drawRect(rect.x, rect.y, rect.width, rect.height);
    painter.end();
    preview_->update();
}

bool CClipImageDlg::eventFilter(QObject* watched, QEvent* event) {
    if (watched == preview_ && event->type() == QEvent::Paint) {
        // Scaled whole into the area, its aspect ratio kept, so the marked rectangle lies over
        // the pixels it cuts.
        QPainter painter(preview_);
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        painter.drawImage(previewRect(), canvas_);
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

void CClipImageDlg::accept() {
    const QList<QTableWidgetSelectionRange> ranges = list_->selectedRanges();
    if (ranges.isEmpty()) {
        prompter_->warning(this, QString::fromUtf8(kChooseCropSchemeMessage));
        return;
    }
    params_ = rowParams(ranges.first().topRow());
    params_.output = output_->options();
    QDialog::accept();
}

}  // namespace pixmill
