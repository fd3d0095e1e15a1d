#pragma once
// The 3 × 3 alignment grid of the text panel: a left click picks the cell where the layer group
// sits on every photo, a right click takes the alignment away.

#include <QWidget>

namespace pixmill {

class CGridStatic : public QWidget {
    Q_OBJECT
  public:
    explicit CGridStatic(QWidget* parent = nullptr);

    int cell() const { return cell_; }
    // Shows `cell` (-1..8) without telling anyone.
    void setCell(int cell);
    // The cell under (x, y) for the current client size.
    int cellAt(int x, int y) const;

  Q_SIGNALS:
    // The user chose a different cell, or cleared it (-1).
    void cellChanged(int cell);

  protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

  private:
    int cellWidth() const { return (width() - 8) / 3; }
    int cellHeight() const { return (height() - 8) / 3; }
    int cell_ = -1;
};

}  // namespace pixmill
