#include "gui/watermark/grid_static.h"

#include <QMouseEvent>
#include <QPainter>

#include <algorithm>

namespace pixmill {

CGridStatic::CGridStatic(QWidget* parent) : QWidget(parent) {
    setFixedSize(98, 98);
    setToolTip(QStringLiteral("设置水印对齐模式，右键取消对齐"));
}

void CGridStatic::setCell(int cell) {
    cell_ = (cell >= 0 && cell <= 8) ? cell : -1;
    update();
}

int CGridStatic::cellAt(int x, int y) const {
    int column = std::min(x / (cellWidth() + 2), 2);
    int row = std::min(y / (cellHeight() + 2), 2);
    return column + 3 * row;
}

void CGridStatic::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), QColor(192, 192, 192));
    const int cw = cellWidth();
    const int ch = cellHeight();
    for (int i = 0; i < 9; ++i) {
        int column = i % 3;
        int row = i / 3;
        QColor fill = i == cell_ ? QColor(0, 0, 0) : QColor(255, 251, 240);
        p.fillRect(2 + column * (cw + 2), 2 + row * (ch + 2), cw, ch, fill);
    }
}

void CGridStatic::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton)
        return;
    QPoint pos = event->position().toPoint();
    if (pos.x() < 0 || pos.y() < 0)
        return;
    int cell = cellAt(pos.x(), pos.y());
    if (cell == cell_)
        return;
    cell_ = cell;
    update();
    Q_EMIT cellChanged(cell_);
}

void CGridStatic::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::RightButton)
        return;
    if (cell_ == -1)
        return;
    cell_ = -1;
    update();
    Q_EMIT cellChanged(-1);
}

}  // namespace pixmill
