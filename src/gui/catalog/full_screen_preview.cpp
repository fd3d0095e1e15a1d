#include "gui/catalog/full_screen_preview.h"

#include <QBuffer>
#include <QFileInfo>
#include <QGuiApplication>
#include <QImageReader>
#include <QKeyEvent>
#include <QPainter>
#include <QScreen>

#include "engine/imaging/image_io.h"
#include "engine/platform/native_path.h"

namespace pixmill {

CFullScreenPreview::CFullScreenPreview(const QString& path, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::FramelessWindowHint), path_(path) {
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(displayPath(QFileInfo(path).fileName()));
    setCursor(Qt::PointingHandCursor);
    // The reader gets the file's bytes, never its name: Qt would change a name that is not
    // UTF-8 and might open another picture whose name then reads the same.
    const Result<Bytes> file = readImageFile(pathBytes(path));
    const QByteArray bytes =
        file ? QByteArray::fromRawData(reinterpret_cast<const char*>(file->data()),
                                       qsizetype(file->size()))
             : QByteArray();
    QBuffer buffer;
    buffer.setData(bytes);
    QImageReader reader(&buffer);
    reader.setAutoTransform(true);
    // Decode no larger than the screen: a 50-megapixel photo need not be held at full size.
    const QScreen* screen = parent ? parent->screen() : QGuiApplication::primaryScreen();
    const QSize area = screen ? screen->size() * screen->devicePixelRatio() : QSize(1920, 1080);
    const QSize full = reader.size();
    if (full.isValid() && (full.width() > area.width() || full.height() > area.height())) {
        reader.setScaledSize(full.scaled(area, Qt::KeepAspectRatio));
    }
    picture_ = reader.read();
    if (picture_.isNull()) {  // a format Qt has no reader for (HEIC): the engine's decoder
        picture_ = loadImage(pathBytes(path)).image;
        if (picture_.width() > area.width() || picture_.height() > area.height())
            picture_ = picture_.scaled(area, Qt::KeepAspectRatio, Qt::SmoothTransformation);
    }
}

CFullScreenPreview* CFullScreenPreview::open(const QString& path, QWidget* owner) {
    auto* preview = new CFullScreenPreview(path, owner);
    preview->showFullScreen();
    preview->activateWindow();
    preview->setFocus();
    return preview;
}

QRect CFullScreenPreview::fittedRect(QSize picture, QSize area) {
    if (picture.isEmpty() || area.isEmpty())
        return QRect();
    QSize shown = picture;
    if (shown.width() > area.width() || shown.height() > area.height()) {
        shown = picture.scaled(area, Qt::KeepAspectRatio);
    }
    return QRect((area.width() - shown.width()) / 2, (area.height() - shown.height()) / 2,
                 shown.width(), shown.height());
}

void CFullScreenPreview::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), Qt::black);
    if (picture_.isNull()) {
        painter.setPen(Qt::lightGray);
        painter.drawText(
            rect(), Qt::AlignCenter,
            QString::fromUtf8("无法显示图片：") + displayPath(QFileInfo(path_).fileName()));
        return;
    }
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    const qreal ratio = devicePixelRatioF();
    const QSize logical = (QSizeF(picture_.size()) / ratio).toSize();
    painter.drawImage(fittedRect(logical, size()), picture_);
}

void CFullScreenPreview::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape) {
        close();
        return;
    }
    QWidget::keyPressEvent(event);
}

void CFullScreenPreview::mousePressEvent(QMouseEvent*) {
    close();
}

}  // namespace pixmill
