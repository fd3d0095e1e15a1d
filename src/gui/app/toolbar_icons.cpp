#include "gui/app/toolbar_icons.h"

#include <QFont>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace pixmill {
namespace {

// Every icon is drawn on a 32 × 32 design grid and scaled by the painter.
constexpr qreal kGrid = 32.0;

const QColor kInk(0x2e, 0x3a, 0x4a);
const QColor kSky(0x4a, 0x90, 0xd9);
const QColor kHill(0x3d, 0xa3, 0x5d);
const QColor kSun(0xf5, 0xb7, 0x2e);
const QColor kAccent(0xd9, 0x48, 0x3b);

// A framed photograph: white mount, sky, a sun and two hills.
void drawPhoto(QPainter& painter, const QRectF& frame) {
    painter.setPen(QPen(kInk, 1.2));
    painter.setBrush(Qt::white);
    painter.drawRoundedRect(frame, 1.5, 1.5);
    const QRectF picture = frame.adjusted(2, 2, -2, -2);
    painter.setPen(Qt::NoPen);
    painter.setBrush(kSky);
    painter.drawRect(picture);
    painter.setBrush(kSun);
    const qreal sun = picture.height() * 0.28;
    painter.drawEllipse(QRectF(picture.right() - sun * 1.6, picture.top() + sun * 0.4, sun, sun));
    QPainterPath hills;
    hills.moveTo(picture.left(), picture.bottom());
    hills.lineTo(picture.left() + picture.width() * 0.35, picture.top() + picture.height() * 0.45);
    hills.lineTo(picture.left() + picture.width() * 0.6, picture.top() + picture.height() * 0.75);
    hills.lineTo(picture.left() + picture.width() * 0.75, picture.top() + picture.height() * 0.6);
    hills.lineTo(picture.right(), picture.bottom());
    hills.closeSubpath();
    painter.setBrush(kHill);
    painter.drawPath(hills);
}

void drawRename(QPainter& painter) {
    drawPhoto(painter, QRectF(2, 3, 20, 16));
    // A name tag with a text cursor: the file's name being rewritten.
    QPainterPath tag;
    tag.moveTo(10, 17);
    tag.lineTo(26, 17);
    tag.lineTo(30, 23);
    tag.lineTo(26, 29);
    tag.lineTo(10, 29);
    tag.closeSubpath();
    painter.setPen(QPen(kInk, 1.2));
    painter.setBrush(QColor(0xff, 0xf4, 0xd6));
    painter.drawPath(tag);
    painter.setPen(QPen(kAccent, 1.6));
    painter.drawLine(QPointF(13, 21), QPointF(22, 21));
    painter.drawLine(QPointF(13, 25), QPointF(19, 25));
    painter.setPen(QPen(kInk, 1.4));
    painter.drawLine(QPointF(24, 19.5), QPointF(24, 26.5));
}

void drawResize(QPainter& painter) {
    drawPhoto(painter, QRectF(2, 2, 28, 22));
    // A smaller frame and the arrow that shrinks the picture into it.
    painter.setPen(QPen(Qt::white, 2.6));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(QRectF(4, 16, 12, 12));
    painter.setPen(QPen(kInk, 1.4, Qt::SolidLine, Qt::SquareCap));
    painter.drawRect(QRectF(4, 16, 12, 12));
    painter.setPen(QPen(kAccent, 2.2, Qt::SolidLine, Qt::RoundCap));
    painter.drawLine(QPointF(27, 5), QPointF(19, 13));
    painter.drawLine(QPointF(19, 13), QPointF(19, 8));
    painter.drawLine(QPointF(19, 13), QPointF(24, 13));
}

void drawImageWatermark(QPainter& painter) {
    drawPhoto(painter, QRectF(2, 4, 28, 22));
    // A translucent round seal stamped over the corner of the photo.
    painter.setPen(QPen(kAccent, 1.6));
    painter.setBrush(QColor(0xd9, 0x48, 0x3b, 90));
    painter.drawEllipse(QRectF(15, 14, 15, 15));
    painter.setPen(QPen(Qt::white, 1.6));
    painter.drawEllipse(QRectF(18.5, 17.5, 8, 8));
}

void drawTextWatermark(QPainter& painter) {
    drawPhoto(painter, QRectF(2, 4, 28, 22));
    QFont font;
    font.setPixelSize(20);
    font.setBold(true);
    painter.setFont(font);
    painter.setPen(QPen(QColor(255, 255, 255, 230)));
    painter.drawText(QRectF(10, 9, 22, 23), Qt::AlignCenter, QStringLiteral("T"));
    QPainterPath outline;
    outline.addText(QPointF(15, 28), font, QStringLiteral("T"));
    painter.setPen(QPen(kInk, 0.8));
    painter.setBrush(Qt::NoBrush);
    painter.drawPath(outline);
}

void drawMore(QPainter& painter) {
    // Four tiles: the other batch operations behind this button.
    painter.setPen(QPen(kInk, 1.2));
    const QColor tiles[4] = {kSky, kHill, kSun, kAccent};
    for (int i = 0; i < 4; ++i) {
        const qreal x = 4 + (i % 2) * 13;
        const qreal y = 4 + (i / 2) * 13;
        painter.setBrush(tiles[i]);
        painter.drawRoundedRect(QRectF(x, y, 11, 11), 2.5, 2.5);
    }
}

void drawApplication(QPainter& painter) {
    QLinearGradient background(0, 0, 0, kGrid);
    background.setColorAt(0, QColor(0x3b, 0x7d, 0xd8));
    background.setColorAt(1, QColor(0x1f, 0x4e, 0x9a));
    painter.setPen(Qt::NoPen);
    painter.setBrush(background);
    painter.drawRoundedRect(QRectF(1, 1, 30, 30), 6, 6);
    // A stack of photos fanned out: many pictures at once.
    painter.save();
    painter.translate(16, 17);
    painter.rotate(-12);
    painter.setPen(QPen(QColor(0, 0, 0, 60), 1));
    painter.setBrush(QColor(0xe8, 0xee, 0xf6));
    painter.drawRoundedRect(QRectF(-11, -9, 22, 17), 1.5, 1.5);
    painter.restore();
    drawPhoto(painter, QRectF(5, 7, 22, 17));
}

QPixmap render(void (*draw)(QPainter&), int size) {
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);
    painter.scale(size / kGrid, size / kGrid);
    draw(painter);
    painter.end();
    return QPixmap::fromImage(image);
}

QIcon iconOf(void (*draw)(QPainter&)) {
    QIcon icon;
    for (int size : {16, 24, 32, 48, 64})
        icon.addPixmap(render(draw, size));
    return icon;
}

}  // namespace

QIcon toolbarIcon(ToolbarIcon which) {
    switch (which) {
        case ToolbarIcon::Rename:
            return iconOf(drawRename);
        case ToolbarIcon::Resize:
            return iconOf(drawResize);
        case ToolbarIcon::ImageWatermark:
            return iconOf(drawImageWatermark);
        case ToolbarIcon::TextWatermark:
            return iconOf(drawTextWatermark);
        case ToolbarIcon::More:
            return iconOf(drawMore);
    }
    return QIcon();
}

QIcon applicationIcon() {
    QIcon icon = iconOf(drawApplication);
    icon.addPixmap(render(drawApplication, 128));
    icon.addPixmap(render(drawApplication, 256));
    return icon;
}

QImage applicationIconImage(int size) {
    return render(drawApplication, size).toImage();
}

}  // namespace pixmill
