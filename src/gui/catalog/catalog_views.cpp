#include "gui/catalog/catalog_views.h"

#include <QApplication>
#include <QHeaderView>
#include <QMouseEvent>

#include <utility>

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

namespace {

QVariant tickOf(const QAbstractItemView* view, int row) {
    if (!view->model() || row < 0)
        return QVariant();
    return view->model()->index(row, 0).data(Qt::CheckStateRole);
}

}  // namespace

template <class View>
CatalogViewBase<View>::CatalogViewBase(QWidget* parent)
    : View(parent), delegate_(new CatalogDelegate(this)) {
    this->setItemDelegate(delegate_);
}

template <class View>
bool CatalogViewBase<View>::hitsTickBox(const QPoint& viewportPoint) const {
    const QModelIndex index = this->indexAt(viewportPoint);
    if (!index.isValid())
        return false;
    return tickBoxRect(index.row()).contains(viewportPoint);
}

template <class View>
QRect CatalogViewBase<View>::tickBoxRect(int row) const {
    const QModelIndex cell = this->model() ? this->model()->index(row, 0) : QModelIndex();
    QStyleOptionViewItem option;
    this->initViewItemOption(&option);
    option.rect = this->visualRect(cell);
    return delegate_->tickBoxRect(option, cell);
}

template <class View>
void CatalogViewBase<View>::mousePressEvent(QMouseEvent* event) {
    const QModelIndex index = this->indexAt(event->position().toPoint());
    pressedRow_ = (event->button() == Qt::LeftButton && index.isValid()) ? index.row() : -1;
    pressedTick_ = tickOf(this, pressedRow_);
    View::mousePressEvent(event);
}

template <class View>
void CatalogViewBase<View>::mouseReleaseEvent(QMouseEvent* event) {
    View::mouseReleaseEvent(event);
    const int pressed = std::exchange(pressedRow_, -1);
    const QPoint point = event->position().toPoint();
    const QModelIndex index = this->indexAt(point);
    if (event->button() != Qt::LeftButton || !index.isValid() || index.row() != pressed)
        return;
    const bool toggledByView = tickOf(this, pressed) != pressedTick_;
    Q_EMIT clicks_.rowClicked(pressed, toggledByView || hitsTickBox(point));
}

template <class View>
void CatalogViewBase<View>::mouseDoubleClickEvent(QMouseEvent* event) {
    const QPoint point = event->position().toPoint();
    const QModelIndex index = this->indexAt(point);
    if (event->button() == Qt::LeftButton && index.isValid() && !hitsTickBox(point)) {
        Q_EMIT clicks_.rowDoubleClicked(index.row());
        return;
    }
    View::mouseDoubleClickEvent(event);
}

template class CatalogViewBase<QListView>;
template class CatalogViewBase<QTreeView>;

CatalogListView::CatalogListView(QWidget* parent) : CatalogViewBase<QListView>(parent) {
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

CatalogTreeView::CatalogTreeView(QWidget* parent) : CatalogViewBase<QTreeView>(parent) {
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

}  // namespace pixmill
