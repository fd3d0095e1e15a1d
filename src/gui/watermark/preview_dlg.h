#pragma once
// The layout canvas: the layer group drawn at 1:1 over a checkerboard, where the user selects,
// moves and resizes layers with rectangle trackers. A position on the canvas is a position in
// output pixels; where the group lands on each photo is decided by its alignment alone.

#include <QPixmap>
#include <QPoint>
#include <QWidget>

#include "engine/watermark/control_tracker.h"

class QMenu;

namespace pixmill {

class CPreviewDlg : public QWidget, public LayerRepaintTarget {
    Q_OBJECT
  public:
    explicit CPreviewDlg(QWidget* parent = nullptr);
    ~CPreviewDlg() override;

    CControlTracker& group() { return group_; }
    const CControlTracker& group() const { return group_; }

    void repaintRect(const LayoutRect& area) override;
    void repaintAll() override;

    // A left click at `p`: selects by the lowest layer under it and starts the drag that the
    // click asks for (moving the selection, one handle, or the rubber band); the drag follows
    // the mouse until the button is released. Returns whether a layer was hit.
    bool clickSelect(QPoint p, bool shift, bool ctrl);

    void copyCurrent();
    // Copies the current layer (when there is one), then deletes the selection.
    void cutSelection();
    void paste();
    void deleteSelection();

    // The context menu as it would pop up now; the caller owns it.
    QMenu* createContextMenu();

  Q_SIGNALS:
    // A left click on the canvas has been handled (the text panel follows the selection).
    void selectionClicked();
    // The wheel changed the font size of `layer`'s target to `size`.
    void fontSizeWheeled(int size);
    // "添加文字" from the context menu: the text panel should be shown.
    void addTextRequested();
    // The whole layout was replaced (a saved layout was loaded): panels showing its values
    // take them again.
    void layoutReplaced();

  protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

  private:
    enum class Drag { None, Move, Resize, Band };

    void finishDrag(QPoint p);
    void updateCursor(QPoint p);
    void paintTrackers(QPainter& painter) const;

    CControlTracker group_;
    QPixmap checkerboard_;
    Drag drag_ = Drag::None;
    QPoint dragStart_;
    CWatermarkCtrl* dragLayer_ = nullptr;
    int dragHandle_ = kHitNothing;
    LayoutRect dragStartRect_;
};

// The rectangle that dragging `handle` of `start` by (dx, dy) leaves, not yet normalised.
LayoutRect resizedByHandle(const LayoutRect& start, int handle, int dx, int dy);
// The same rectangle with left <= right and top <= bottom.
LayoutRect normalizedRect(const LayoutRect& r);

}  // namespace pixmill
