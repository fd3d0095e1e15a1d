#include "gui/watermark/preview_dlg.h"

#include <QApplication>
#include <QClipboard>
#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QPixmap>
#include <QWheelEvent>

#include <algorithm>

#include "engine/watermark/layer_clipboard.h"

namespace pixmill {
namespace {

QRect toQRect(const LayoutRect& r) {
    return QRect(r.left, r.top, r.width(), r.height());
}

QPixmap checkerTile() {
    QPixmap tile(30, 30);
    QPainter p(&tile);
    p.fillRect(0, 0, 15, 15, QColor(255, 255, 255));
    p.fillRect(15, 15, 15, 15, QColor(255, 255, 255));
    p.fillRect(15, 0, 15, 15, QColor(200, 200, 200));
    p.fillRect(0, 15, 15, 15, QColor(200, 200, 200));
    return tile;
}

QIcon addTextIcon() {
    QPixmap icon(16, 16);
    icon.fill(Qt::transparent);
    QPainter p(&icon);
    QFont font = p.font();
    font.setBold(true);
    font.setPixelSize(14);
    p.setFont(font);
    p.setPen(QColor(0, 0, 160));
    p.drawText(QRect(0, 0, 16, 16), Qt::AlignCenter, QStringLiteral("T"));
    return QIcon(icon);
}

Qt::CursorShape handleCursor(int hit) {
    switch (hit) {
        case kHitTopLeft:
        case kHitBottomRight:
            return Qt::SizeFDiagCursor;
        case kHitTopRight:
        case kHitBottomLeft:
            return Qt::SizeBDiagCursor;
        case kHitTop:
        case kHitBottom:
            return Qt::SizeVerCursor;
        case kHitLeft:
        case kHitRight:
            return Qt::SizeHorCursor;
        default:
            return Qt::SizeAllCursor;
    }
}

}  // namespace

LayoutRect normalizedRect(const LayoutRect& r) {
    return {std::min(r.left, r.right), std::min(r.top, r.bottom), std::max(r.left, r.right),
            std::max(r.top, r.bottom)};
}

LayoutRect resizedByHandle(const LayoutRect& start, int handle, int dx, int dy) {
    LayoutRect r = start;
    const bool left = handle == kHitTopLeft || handle == kHitBottomLeft || handle == kHitLeft;
    const bool right = handle == kHitTopRight || handle == kHitBottomRight || handle == kHitRight;
    const bool top = handle == kHitTopLeft || handle == kHitTopRight || handle == kHitTop;
    const bool bottom =
        handle == kHitBottomLeft || handle == kHitBottomRight || handle == kHitBottom;
    if (left)
        r.left += dx;
    if (right)
        r.right += dx;
    if (top)
        r.top += dy;
    if (bottom)
        r.bottom += dy;
    return r;
}

CPreviewDlg::CPreviewDlg(QWidget* parent)
    : QWidget(parent), group_(this), checkerboard_(checkerTile()) {
    setFocusPolicy(Qt::ClickFocus);
    setMouseTracking(true);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMinimumSize(200, 150);
}

CPreviewDlg::~CPreviewDlg() = default;

void CPreviewDlg::repaintRect(const LayoutRect& area) {
    update(toQRect(normalizedRect(area)));
}

void CPreviewDlg::repaintAll() {
    update();
}

void CPreviewDlg::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), QBrush(checkerboard_));
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    group_.renderAll(width(), height(), painter, nullptr);
    painter.setRenderHint(QPainter::Antialiasing, false);
    paintTrackers(painter);
}

void CPreviewDlg::paintTrackers(QPainter& painter) const {
    const int s = kTrackerHandleSize;
    painter.setBrush(Qt::NoBrush);
    for (const auto& layer : group_.layers) {
        if (!layer->selected)
            continue;
        LayoutRect r = normalizedRect(layer->rect);
        painter.setPen(QPen(Qt::black, 1));
        painter.drawRect(QRect(r.left, r.top, r.width() - 1, r.height() - 1));
        int midX = r.left + r.width() / 2 - s / 2;
        int midY = r.top + r.height() / 2 - s / 2;
        const QPoint corners[] = {{r.left - s, r.top - s}, {r.right, r.top - s},
                                  {r.right, r.bottom},     {r.left - s, r.bottom},
                                  {midX, r.top - s},       {r.right, midY},
                                  {midX, r.bottom},        {r.left - s, midY}};
        for (const QPoint& c : corners)
            painter.fillRect(QRect(c.x(), c.y(), s, s), Qt::black);
    }
    if (drag_ == Drag::Move || drag_ == Drag::Band) {
        QPen pen(Qt::black, 1, Qt::DotLine);
        painter.setPen(pen);
        LayoutRect r = normalizedRect(group_.trackerRect);
        painter.drawRect(QRect(r.left, r.top, r.width() - 1, r.height() - 1));
    }
}

bool CPreviewDlg::clickSelect(QPoint p, bool shift, bool ctrl) {
    int hit = kHitNothing;
    CWatermarkCtrl* layer = group_.layerAt(p.x(), p.y(), &hit);
    dragStart_ = p;
    if (layer) {
        if (ctrl) {
            if (layer->selected)
                group_.toggleLayer(layer);
            else
                group_.selectLayer(layer);
        } else if (shift) {
            group_.selectLayer(layer);
        } else {
            if (!layer->selected)
                group_.deselectAll();
            group_.selectLayer(layer);
            // The clicked layer is the one the text panel edits, even if it was selected before.
            group_.current = layer;
            if (hit == kHitInside) {
                group_.trackerRect = group_.selectedBounds();
                drag_ = Drag::Move;
            } else {
                dragLayer_ = layer;
                dragHandle_ = hit;
                dragStartRect_ = layer->rect;
                drag_ = Drag::Resize;
            }
        }
        update();
        return true;
    }
    if (ctrl || shift)
        return false;
    group_.deselectAll();
    group_.trackerRect = {p.x(), p.y(), p.x(), p.y()};
    drag_ = Drag::Band;
    update();
    return false;
}

void CPreviewDlg::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        QWidget::mousePressEvent(event);
        return;
    }
    setFocus(Qt::MouseFocusReason);
    QPoint p = event->position().toPoint();
    if (rect().contains(p)) {
        clickSelect(p, event->modifiers() & Qt::ShiftModifier,
                    event->modifiers() & Qt::ControlModifier);
    }
    Q_EMIT selectionClicked();
}

void CPreviewDlg::mouseMoveEvent(QMouseEvent* event) {
    QPoint p = event->position().toPoint();
    const int dx = p.x() - dragStart_.x();
    const int dy = p.y() - dragStart_.y();
    switch (drag_) {
        case Drag::None:
            updateCursor(p);
            return;
        case Drag::Move: {
            LayoutRect bounds = group_.selectedBounds();
            group_.trackerRect = bounds;
            group_.trackerRect.offset(dx, dy);
            break;
        }
        case Drag::Resize:
            dragLayer_->rect = resizedByHandle(dragStartRect_, dragHandle_, dx, dy);
            break;
        case Drag::Band:
            group_.trackerRect.right = p.x();
            group_.trackerRect.bottom = p.y();
            break;
    }
    update();
}

void CPreviewDlg::mouseReleaseEvent(QMouseEvent* event) {
    QPoint p = event->position().toPoint();
    if (event->button() == Qt::LeftButton) {
        finishDrag(p);
    } else if (event->button() == Qt::RightButton) {
        std::unique_ptr<QMenu> menu(createContextMenu());
        menu->exec(event->globalPosition().toPoint());
    }
}

void CPreviewDlg::finishDrag(QPoint p) {
    const int dx = p.x() - dragStart_.x();
    const int dy = p.y() - dragStart_.y();
    switch (drag_) {
        case Drag::None:
            return;
        case Drag::Move:
            for (auto& layer : group_.layers) {
                if (layer->selected)
                    layer->rect.offset(dx, dy);
            }
            break;
        case Drag::Resize:
            dragLayer_->rect = normalizedRect(resizedByHandle(dragStartRect_, dragHandle_, dx, dy));
            break;
        case Drag::Band: {
            group_.trackerRect.right = p.x();
            group_.trackerRect.bottom = p.y();
            LayoutRect band = normalizedRect(group_.trackerRect);
            for (auto& layer : group_.layers) {
                LayoutRect r = normalizedRect(layer->rect);
                if (r.left >= band.left && r.top >= band.top && r.right <= band.right &&
                    r.bottom <= band.bottom)
                    group_.selectLayer(layer.get());
            }
            break;
        }
    }
    drag_ = Drag::None;
    dragLayer_ = nullptr;
    update();
}

void CPreviewDlg::updateCursor(QPoint p) {
    for (const auto& layer : group_.layers) {
        int hit = layer->hitTest(p.x(), p.y());
        if (hit != kHitNothing) {
            setCursor(handleCursor(hit));
            return;
        }
    }
    unsetCursor();
}

void CPreviewDlg::wheelEvent(QWheelEvent* event) {
    CWatermarkCtrl* target = group_.current;
    if (!target) {
        for (auto& layer : group_.layers) {
            if (layer->selected) {
                target = layer.get();
                break;
            }
        }
    }
    event->accept();
    if (!target || event->angleDelta().y() == 0)
        return;
    target->repaint();
    target->setFontSize(target->fontSize + (event->angleDelta().y() > 0 ? 1 : -1));
    target->repaint();
    Q_EMIT fontSizeWheeled(target->fontSize);
}

void CPreviewDlg::keyPressEvent(QKeyEvent* event) {
    const bool ctrl = event->modifiers() & Qt::ControlModifier;
    switch (event->key()) {
        case Qt::Key_Return:
        case Qt::Key_Enter:
        case Qt::Key_Escape:
            break;
        case Qt::Key_C:
            if (ctrl)
                copyCurrent();
            break;
        case Qt::Key_X:
            if (ctrl)
                cutSelection();
            break;
        case Qt::Key_V:
            if (ctrl)
                paste();
            break;
        case Qt::Key_A:
            if (ctrl) {
                group_.selectAll();
                update();
            }
            break;
        case Qt::Key_Delete:
            deleteSelection();
            break;
        default:
            QWidget::keyPressEvent(event);
            return;
    }
    event->accept();
}

void CPreviewDlg::copyCurrent() {
    if (!group_.current)
        return;
    QApplication::clipboard()->setMimeData(layerMimeData(group_.current->toRecord()));
}

void CPreviewDlg::cutSelection() {
    copyCurrent();
    deleteSelection();
}

void CPreviewDlg::deleteSelection() {
    group_.removeSelected();
    update();
}

void CPreviewDlg::paste() {
    std::optional<LayerRecord> copied = layerFromMimeData(QApplication::clipboard()->mimeData());
    if (!copied)
        return;
    auto layer = std::make_unique<CWatermarkCtrl>();
    layer->setText(copied->text);
    layer->imagePath = copied->imagePath;
    layer->loadLayerImage();
    layer->textColor = copied->textColor;
    layer->fontName = copied->fontName;
    layer->setFontSize(copied->fontSize);
    layer->bold = copied->bold;
    layer->italic = copied->italic;
    layer->underline = copied->underline;
    layer->angle = copied->angle;
    layer->refit();
    layer->shadow = copied->shadow;
    layer->transparent = copied->transparent;
    layer->opacity = copied->opacity;
    if (layer->opacity >= 100)
        layer->transparent = 0;
    // The data names no window: a pasted layer always belongs to this canvas.
    layer->attachLayer(this);
    layer->rect.right = layer->rect.left + copied->rect.width();
    layer->rect.bottom = layer->rect.top + copied->rect.height();
    CWatermarkCtrl* added = group_.addLayer(std::move(layer));
    group_.deselectAll();
    group_.selectLayer(added);
    update();
}

QMenu* CPreviewDlg::createContextMenu() {
    auto* menu = new QMenu(this);
    const bool any = !group_.layers.empty();
    QAction* all = menu->addAction(QStringLiteral("全选"), this, [this] {
        group_.selectAll();
        update();
    });
    menu->addSeparator();
    QAction* top = menu->addAction(QStringLiteral("置顶"), this, [this] {
        if (group_.current)
            group_.bringToTop(group_.current);
        update();
    });
    menu->addSeparator();
    menu->addAction(addTextIcon(), QStringLiteral("添加文字"), this,
                    [this] { Q_EMIT addTextRequested(); });
    menu->addSeparator();
    QAction* fit = menu->addAction(QStringLiteral("自动大小"), this, [this] {
        if (!group_.current)
            return;
        group_.current->repaint();
        group_.current->refit();
        group_.current->repaint();
    });
    all->setEnabled(any);
    top->setEnabled(any);
    fit->setEnabled(any);
    return menu;
}

}  // namespace pixmill
