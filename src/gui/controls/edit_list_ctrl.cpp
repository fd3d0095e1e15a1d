#include "gui/controls/edit_list_ctrl.h"

#include <QApplication>
#include <QHeaderView>
#include <QLineEdit>
#include <QMouseEvent>
#include <QStyledItemDelegate>

namespace pixmill {

namespace {

// The edit box starts with the caret at the end of the text, not with the text selected.
class CaretAtEndDelegate : public QStyledItemDelegate {
  public:
    using QStyledItemDelegate::QStyledItemDelegate;
    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option,
                          const QModelIndex& index) const override {
        auto* edit = new QLineEdit(parent);
        edit->setFrame(false);
        edit->setFont(QApplication::font());
        (void)option, (void)index;
        return edit;
    }
    void setEditorData(QWidget* editor, const QModelIndex& index) const override {
        auto* edit = static_cast<QLineEdit*>(editor);
        edit->setText(index.data(Qt::EditRole).toString());
        edit->deselect();
        edit->setCursorPosition(edit->text().size());
    }
};

}  // namespace

CEditListCtrl::CEditListCtrl(QWidget* parent) : QTableWidget(parent) {
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setItemDelegate(new CaretAtEndDelegate(this));
    verticalHeader()->hide();
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    verticalHeader()->setDefaultSectionSize(20);
    connect(this, &QTableWidget::cellClicked, this, &CEditListCtrl::editCell);
}

int CEditListCtrl::appendRow(const QStringList& cells) {
    const int row = rowCount();
    insertRow(row);
    for (int column = 0; column < columnCount(); ++column)
        setItem(row, column,
                new QTableWidgetItem(column < cells.size() ? cells[column] : QString()));
    return row;
}

QString CEditListCtrl::cellText(int row, int column) const {
    const QTableWidgetItem* cell = item(row, column);
    return cell ? cell->text() : QString();
}

void CEditListCtrl::mouseDoubleClickEvent(QMouseEvent* event) {
    if (!itemAt(event->position().toPoint())) {
        appendRow();
        event->accept();
        return;
    }
    QTableWidget::mouseDoubleClickEvent(event);
}

void CEditListCtrl::editCell(int row, int column) {
    if (QTableWidgetItem* cell = item(row, column))
        editItem(cell);
}

}  // namespace pixmill
