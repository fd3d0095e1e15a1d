#pragma once
// The two faces of the catalog list: icons (extra-large or large thumbnails) and details
// (six columns). Both show the same model and report a click with whether it hit the row's
// tick box, so tick-on-click can leave clicks on the box to the box itself.

#include <QListView>
#include <QStyledItemDelegate>
#include <QTreeView>

namespace pixmill {

class CatalogDelegate : public QStyledItemDelegate {
    Q_OBJECT
  public:
    using QStyledItemDelegate::QStyledItemDelegate;
    // Where the tick box of `index` is drawn, given the view's option for that cell.
    QRect tickBoxRect(const QStyleOptionViewItem& viewOption, const QModelIndex& index) const;

  protected:
    // In the icon views a row whose thumbnail has not arrived yet shows an empty box of the
    // thumbnail's size, so every cell has its final size from the start.
    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override;

  private:
    mutable QIcon placeholder_;
    mutable QSize placeholderSize_;
};

// How a catalog view reports clicks. A left click released on the row it was pressed on:
// `onTickBox` tells whether the box itself was hit (or the view toggled the tick by itself).
class CatalogViewClicks : public QObject {
    Q_OBJECT
  Q_SIGNALS:
    void rowClicked(int row, bool onTickBox);
    void rowDoubleClicked(int row);
};

// What both views share over Qt's list or tree view: the tick box and the delegate that draws
// it, and the click bookkeeping.
template <class View>
class CatalogViewBase : public View {
  public:
    explicit CatalogViewBase(QWidget* parent);
    // The viewport point's row tick-box test, as a click there would see it.
    bool hitsTickBox(const QPoint& viewportPoint) const;
    QRect tickBoxRect(int row) const;
    CatalogViewClicks* clicks() { return &clicks_; }

  protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

  private:
    CatalogDelegate* delegate_;
    CatalogViewClicks clicks_;
    int pressedRow_ = -1;
    QVariant pressedTick_;
};

// Icons: extra-large or large thumbnails.
class CatalogListView : public CatalogViewBase<QListView> {
  public:
    explicit CatalogListView(QWidget* parent = nullptr);
};

// Details: six columns.
class CatalogTreeView : public CatalogViewBase<QTreeView> {
  public:
    explicit CatalogTreeView(QWidget* parent = nullptr);
};

}  // namespace pixmill
