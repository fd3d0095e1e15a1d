#pragma once
// A report list whose every cell is edited in place: a click on a cell opens an edit box over
// it with the caret at the end, and the text is written back when the box loses the focus.
// A double-click where no row is hit appends a row of empty cells.

#include <QTableWidget>

namespace pixmill {

class CEditListCtrl : public QTableWidget {
    Q_OBJECT
  public:
    explicit CEditListCtrl(QWidget* parent = nullptr);

    // Appends a row with these cell texts (missing cells empty); returns its index.
    int appendRow(const QStringList& cells = {});
    QString cellText(int row, int column) const;

  protected:
    void mouseDoubleClickEvent(QMouseEvent* event) override;

  private:
    void editCell(int row, int column);
};

}  // namespace pixmill
