#include "gui/app/anchor_layout.h"

#include <QWidget>
#include <QWidgetItem>

#include <algorithm>

namespace pixmill {

AnchorLayout::AnchorLayout(QWidget* parent) : QLayout(parent) {
    setContentsMargins(0, 0, 0, 0);
    setSizeConstraint(QLayout::SetNoConstraint);
}

AnchorLayout::~AnchorLayout() {
    for (Entry& entry : entries_)
        delete entry.item;
}

QRect AnchorLayout::frame() const {
    const QWidget* parent = parentWidget();
    return parent ? parent->rect() : QRect();
}

void AnchorLayout::add(QWidget* child, int flags) {
    if (!child)
        return;
    if ((flags & (ANCHOR_LEFT | ANCHOR_RIGHT)) == 0)
        flags |= ANCHOR_LEFT;
    if ((flags & (ANCHOR_TOP | ANCHOR_BOTTOM)) == 0)
        flags |= ANCHOR_TOP;
    const QRect parent = frame();
    const QRect geometry = child->geometry();
    Entry* entry = find(child);
    if (!entry) {
        addChildWidget(child);
        entries_.push_back(Entry{});
        entry = &entries_.back();
        entry->item = new QWidgetItem(child);
    }
    entry->flags = flags;
    // Right and bottom distances use exclusive edges, so a child flush with the parent's
    // right edge has distance 0.
    entry->left = geometry.left() - parent.left();
    entry->top = geometry.top() - parent.top();
    entry->right = (parent.left() + parent.width()) - (geometry.left() + geometry.width());
    entry->bottom = (parent.top() + parent.height()) - (geometry.top() + geometry.height());
    entry->width = geometry.width();
    entry->height = geometry.height();
    invalidate();
}

void AnchorLayout::addAll() {
    QWidget* parent = parentWidget();
    if (!parent)
        return;
    const QList<QWidget*> children =
        parent->findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly);
    for (QWidget* child : children) {
        if (!child->isWindow() && !find(child))
            add(child, ANCHOR_LEFT | ANCHOR_TOP);
    }
}

void AnchorLayout::keepAboveBottom(QWidget* child, int pixels) {
    if (Entry* entry = find(child))
        entry->bottomFloor = std::max(0, pixels);
}

AnchorLayout::Entry* AnchorLayout::find(const QWidget* child) {
    for (Entry& entry : entries_) {
        if (entry.item->widget() == child)
            return &entry;
    }
    return nullptr;
}

const AnchorLayout::Entry* AnchorLayout::find(const QWidget* child) const {
    return const_cast<AnchorLayout*>(this)->find(child);
}

QRect AnchorLayout::place(const Entry& entry, const QRect& parent) {
    const int parentRight = parent.left() + parent.width();
    const int parentBottom = parent.top() + parent.height();
    int left = 0, right = 0, top = 0, bottom = 0;  // right and bottom exclusive
    if (entry.flags & ANCHOR_LEFT) {
        left = parent.left() + entry.left;
        right = (entry.flags & ANCHOR_RIGHT) ? parentRight - entry.right : left + entry.width;
    } else {
        right = parentRight - entry.right;
        left = right - entry.width;
    }
    if (entry.flags & ANCHOR_TOP) {
        top = parent.top() + entry.top;
        bottom = (entry.flags & ANCHOR_BOTTOM) ? parentBottom - entry.bottom : top + entry.height;
    } else {
        bottom = parentBottom - entry.bottom;
        top = bottom - entry.height;
    }
    if (entry.bottomFloor >= 0)
        bottom = std::min(bottom, parentBottom - entry.bottomFloor);
    // A parent smaller than the margins leaves the child empty rather than inside out.
    right = std::max(right, left);
    bottom = std::max(bottom, top);
    return QRect(left, top, right - left, bottom - top);
}

QRect AnchorLayout::anchoredGeometry(const QWidget* child, const QRect& parentRect) const {
    const Entry* entry = find(child);
    if (!entry)
        return child ? child->geometry() : QRect();
    return place(*entry, parentRect);
}

void AnchorLayout::setGeometry(const QRect& rect) {
    QLayout::setGeometry(rect);
    for (const Entry& entry : entries_) {
        QWidget* child = entry.item->widget();
        if (child)
            child->setGeometry(place(entry, rect));
    }
}

void AnchorLayout::addItem(QLayoutItem* item) {
    // Only registered widgets are laid out; anything else handed to us is owned and ignored.
    Entry entry;
    entry.item = item;
    if (QWidget* widget = item->widget()) {
        const QRect geometry = widget->geometry();
        const QRect parent = frame();
        entry.left = geometry.left();
        entry.top = geometry.top();
        entry.right = parent.width() - geometry.left() - geometry.width();
        entry.bottom = parent.height() - geometry.top() - geometry.height();
        entry.width = geometry.width();
        entry.height = geometry.height();
    }
    entries_.push_back(entry);
}

QLayoutItem* AnchorLayout::itemAt(int index) const {
    if (index < 0 || index >= count())
        return nullptr;
    return entries_[static_cast<size_t>(index)].item;
}

QLayoutItem* AnchorLayout::takeAt(int index) {
    if (index < 0 || index >= count())
        return nullptr;
    QLayoutItem* item = entries_[static_cast<size_t>(index)].item;
    entries_.erase(entries_.begin() + index);
    return item;
}

int AnchorLayout::count() const {
    return static_cast<int>(entries_.size());
}

QSize AnchorLayout::sizeHint() const {
    const QWidget* parent = parentWidget();
    return parent ? parent->size() : QSize();
}

QSize AnchorLayout::minimumSize() const {
    return QSize(0, 0);
}

}  // namespace pixmill
