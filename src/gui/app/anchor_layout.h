#pragma once
// Keeps child widgets at fixed distances from chosen edges of their parent: the distances and
// sizes are taken when a child is registered, and every resize of the parent moves the child
// so that its anchored edges keep their distance and its other edges keep its size.

#include <QLayout>
#include <QRect>

#include <vector>

namespace pixmill {

enum AnchorFlag {
    ANCHOR_LEFT = 1,
    ANCHOR_TOP = 2,
    ANCHOR_RIGHT = 4,
    ANCHOR_BOTTOM = 8,
};

class AnchorLayout : public QLayout {
    Q_OBJECT
  public:
    // Installs itself on `parent`; the parent's current rectangle is the registration frame.
    explicit AnchorLayout(QWidget* parent);
    ~AnchorLayout() override;

    // Registers `child` (a direct child of the parent) with its current geometry. A child
    // without a horizontal or vertical flag is anchored to the left or top on that axis.
    void add(QWidget* child, int flags);
    // Registers every direct child widget of the parent not yet registered, left and top.
    void addAll();
    // After anchoring, keeps the child's bottom at least `pixels` above the parent's bottom.
    void keepAboveBottom(QWidget* child, int pixels);

    // The rectangle `child` gets in a parent of `parentRect`; its own geometry when it is not
    // registered.
    QRect anchoredGeometry(const QWidget* child, const QRect& parentRect) const;

    // QLayout
    void addItem(QLayoutItem* item) override;
    QLayoutItem* itemAt(int index) const override;
    QLayoutItem* takeAt(int index) override;
    int count() const override;
    QSize sizeHint() const override;
    QSize minimumSize() const override;
    void setGeometry(const QRect& rect) override;

  private:
    struct Entry {
        QLayoutItem* item = nullptr;
        int flags = ANCHOR_LEFT | ANCHOR_TOP;
        int left = 0, top = 0, right = 0, bottom = 0;  // distances to the parent's edges
        int width = 0, height = 0;
        int bottomFloor = -1;  // keep the bottom this far above the parent's bottom; -1: none
    };
    Entry* find(const QWidget* child);
    const Entry* find(const QWidget* child) const;
    QRect frame() const;
    static QRect place(const Entry& entry, const QRect& parent);

    std::vector<Entry> entries_;
};

}  // namespace pixmill
