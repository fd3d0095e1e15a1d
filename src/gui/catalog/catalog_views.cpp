#include "gui/catalog/catalog_views.h"

#include <QApplication>
#include <QHeaderView>
#include <QMouseEvent>

namespace pixmill {

QRect CatalogDelegate::tickBoxRect(const QStyleOptionViewItem& viewOption,
                                   const QModelIndex& index) const {
    // The same computation the delegate's own click handling makes, so both agree.
    QStyleOptionViewItem option = viewOption;
    initStyleOption(&option, index);
    if (!(option.features & QStyleOptionViewItem::HasCheckIndicator))
        return QRect();
    const QWidget* widget = option.widget;
    QStyle* style = widget ? widget->style() : QApplication::style();
    return style->subElementRect(QStyle::SE_ItemViewItemCheckIndicator, &option, widget);
}

void CatalogDelegate::initStyleOption(QStyleOptionViewItem* option,
                                      const QModelIndex& index) const {
    QStyledItemDelegate::initStyleOption(option, index);
    const auto* list = qobject_cast<const QListView*>(option->widget);
    if (!list || list->viewMode() != QListView::IconMode)
        return;
    const QSize box = list->iconSize();
    if (!(option->features & QStyleOptionViewItem::HasDecoration)) {
        if (placeholderSize_ != box) {
            QPixmap empty(box);
            empty.fill(QColor(0x30, 0x30, 0x30));
            placeholder_ = QIcon(empty);
            placeholderSize_ = box;
        }
        option->features |= QStyleOptionViewItem::HasDecoration;
        option->icon = placeholder_;
    }
    option->decorationSize = box;
}

CatalogViewHelper::CatalogViewHelper(QAbstractItemView* view)
    : view_(view), delegate_(new CatalogDelegate(view)) {
    view->setItemDelegate(delegate_);
}

bool CatalogViewHelper::hitsTickBox(const QPoint& point, const QModelIndex& index,
                                    const QStyleOptionViewItem& viewOption) const {
    if (!index.isValid())
        return false;
    const QModelIndex cell = index.siblingAtColumn(0);
    QStyleOptionViewItem option = viewOption;
    option.rect = view_->visualRect(cell);
    return delegate_->tickBoxRect(option, cell).contains(point);
}

namespace {

QVariant tickOf(const QAbstractItemView* view, int row) {
    if (!view->model() || row < 0)
        return QVariant();
    return view->model()->index(row, 0).data(Qt::CheckStateRole);
}

}  // namespace

// The two views differ only in their base class; the event handling is one template.
template <class View>
static void recordPress(View* view, QMouseEvent* event, int& pressedRow, QVariant& pressedTick) {
    const QModelIndex index = view->indexAt(event->position().toPoint());
    pressedRow = (event->button() == Qt::LeftButton && index.isValid()) ? index.row() : -1;
    pressedTick = tickOf(view, pressedRow);
}

template <class View>
static void reportRelease(View* view, QMouseEvent* event, int pressedRow,
                          const QVariant& pressedTick) {
    const QPoint point = event->position().toPoint();
    const QModelIndex index = view->indexAt(point);
    if (event->button() != Qt::LeftButton || !index.isValid() || index.row() != pressedRow)
        return;
    const bool toggledByList = tickOf(view, pressedRow) != pressedTick;
    Q_EMIT view->rowClicked(pressedRow, toggledByList || view->hitsTickBox(point));
}

CatalogListView::CatalogListView(QWidget* parent) : QListView(parent), helper_(this) {
    setViewMode(QListView::IconMode);
    setMovement(QListView::Static);
    setResizeMode(QListView::Adjust);
    setWrapping(true);
    setUniformItemSizes(true);
    // Lays out a large folder a slice at a time, so the window paints at once.
    setLayoutMode(QListView::Batched);
    setBatchSize(500);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setContextMenuPolicy(Qt::CustomContextMenu);
    setWordWrap(false);
    setTextElideMode(Qt::ElideMiddle);
}

bool CatalogListView::hitsTickBox(const QPoint& viewportPoint) const {
    QStyleOptionViewItem option;
    initViewItemOption(&option);
    return helper_.hitsTickBox(viewportPoint, indexAt(viewportPoint), option);
}

QRect CatalogListView::tickBoxRect(int row) const {
    const QModelIndex cell = model() ? model()->index(row, 0) : QModelIndex();
    QStyleOptionViewItem option;
    initViewItemOption(&option);
    option.rect = visualRect(cell);
    return helper_.delegate()->tickBoxRect(option, cell);
}

void CatalogListView::mousePressEvent(QMouseEvent* event) {
    recordPress(this, event, pressedRow_, pressedTick_);
    QListView::mousePressEvent(event);
}

void CatalogListView::mouseReleaseEvent(QMouseEvent* event) {
    QListView::mouseReleaseEvent(event);
    reportRelease(this, event, pressedRow_, pressedTick_);
    pressedRow_ = -1;
}

void CatalogListView::mouseDoubleClickEvent(QMouseEvent* event) {
    const QPoint point = event->position().toPoint();
    const QModelIndex index = indexAt(point);
    if (event->button() == Qt::LeftButton && index.isValid() && !hitsTickBox(point)) {
        Q_EMIT rowDoubleClicked(index.row());
        return;
    }
    QListView::mouseDoubleClickEvent(event);
}

CatalogTreeView::CatalogTreeView(QWidget* parent) : QTreeView(parent), helper_(this) {
    setRootIsDecorated(false);
    setItemsExpandable(false);
    setUniformRowHeights(true);
    setAllColumnsShowFocus(true);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setContextMenuPolicy(Qt::CustomContextMenu);
    setSortingEnabled(false);  // the panel sorts the model's own rows
    setIconSize(QSize(16, 16));
    header()->setSectionsClickable(true);
    header()->setSortIndicatorShown(false);
    header()->setStretchLastSection(false);
    header()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
}

bool CatalogTreeView::hitsTickBox(const QPoint& viewportPoint) const {
    QStyleOptionViewItem option;
    initViewItemOption(&option);
    return helper_.hitsTickBox(viewportPoint, indexAt(viewportPoint), option);
}

QRect CatalogTreeView::tickBoxRect(int row) const {
    const QModelIndex cell = model() ? model()->index(row, 0) : QModelIndex();
    QStyleOptionViewItem option;
    initViewItemOption(&option);
    option.rect = visualRect(cell);
    return helper_.delegate()->tickBoxRect(option, cell);
}

void CatalogTreeView::mousePressEvent(QMouseEvent* event) {
    recordPress(this, event, pressedRow_, pressedTick_);
    QTreeView::mousePressEvent(event);
}

void CatalogTreeView::mouseReleaseEvent(QMouseEvent* event) {
    QTreeView::mouseReleaseEvent(event);
    reportRelease(this, event, pressedRow_, pressedTick_);
    pressedRow_ = -1;
}

void CatalogTreeView::mouseDoubleClickEvent(QMouseEvent* event) {
    const QPoint point = event->position().toPoint();
    const QModelIndex index = indexAt(point);
    if (event->button() == Qt::LeftButton && index.isValid() && !hitsTickBox(point)) {
        Q_EMIT rowDoubleClicked(index.row());
        return;
    }
    QTreeView::mouseDoubleClickEvent(event);
}

}  // namespace pixmill
