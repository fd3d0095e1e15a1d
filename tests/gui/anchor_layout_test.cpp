// The anchored geometry: what each flag keeps when the parent grows and shrinks.
#include <gtest/gtest.h>

#include <QWidget>

#include "gui/app/anchor_layout.h"

namespace pixmill {
namespace {

struct Frame {
    Frame() {
        parent.resize(400, 300);
        layout = new AnchorLayout(&parent);
    }
    QWidget* child(QRect geometry, int flags) {
        auto* widget = new QWidget(&parent);
        widget->setGeometry(geometry);
        layout->add(widget, flags);
        return widget;
    }
    QRect at(QWidget* widget, int width, int height) {
        return layout->anchoredGeometry(widget, QRect(0, 0, width, height));
    }
    QWidget parent;
    AnchorLayout* layout;
};

TEST(AnchorLayoutTest, EachFlagKeepsItsEdgeAndTheOtherEdgesKeepTheSize) {
    Frame frame;
    QWidget* topLeft = frame.child(QRect(10, 20, 50, 40), ANCHOR_LEFT | ANCHOR_TOP);
    QWidget* topRight = frame.child(QRect(300, 4, 96, 46), ANCHOR_TOP | ANCHOR_RIGHT);
    QWidget* stretched = frame.child(QRect(0, 0, 192, 60), ANCHOR_LEFT | ANCHOR_TOP | ANCHOR_RIGHT);
    QWidget* bottomLeft = frame.child(QRect(0, 280, 400, 20), ANCHOR_LEFT | ANCHOR_BOTTOM);
    QWidget* filled = frame.child(QRect(0, 60, 200, 218), 15);
    QWidget* rightColumn =
        frame.child(QRect(200, 60, 200, 218), ANCHOR_TOP | ANCHOR_RIGHT | ANCHOR_BOTTOM);

    for (QSize size : {QSize(400, 300), QSize(1000, 700), QSize(260, 200)}) {
        const int w = size.width(), h = size.height();
        SCOPED_TRACE(QString("%1x%2").arg(w).arg(h).toStdString());
        EXPECT_EQ(frame.at(topLeft, w, h), QRect(10, 20, 50, 40));
        EXPECT_EQ(frame.at(topRight, w, h), QRect(w - 100, 4, 96, 46));
        EXPECT_EQ(frame.at(stretched, w, h), QRect(0, 0, w - 208, 60));
        EXPECT_EQ(frame.at(bottomLeft, w, h), QRect(0, h - 20, 400, 20));
        EXPECT_EQ(frame.at(filled, w, h), QRect(0, 60, w - 200, h - 82));
        EXPECT_EQ(frame.at(rightColumn, w, h), QRect(w - 200, 60, 200, h - 82));
    }
}

TEST(AnchorLayoutTest, ResizingTheParentMovesTheChildren) {
    Frame frame;
    QWidget* corner = frame.child(QRect(300, 4, 96, 46), ANCHOR_TOP | ANCHOR_RIGHT);
    QWidget* filled = frame.child(QRect(0, 60, 200, 218), 15);
    frame.parent.resize(800, 500);
    frame.layout->activate();
    EXPECT_EQ(corner->geometry(), QRect(700, 4, 96, 46));
    EXPECT_EQ(filled->geometry(), QRect(0, 60, 600, 418));
}

TEST(AnchorLayoutTest, AShortParentKeepsBottomsAboveTheMarginAndNeverTurnsAChildInsideOut) {
    Frame frame;
    QWidget* pane = frame.child(QRect(0, 60, 200, 218), 15);
    frame.layout->keepAboveBottom(pane, 20);
    EXPECT_EQ(frame.at(pane, 400, 300).bottom() + 1, 278);  // the anchor's own 22 pixels
    // Anchored top at 60 and bottom 22 above a 70-pixel parent would end above its top.
    const QRect squeezed = frame.at(pane, 400, 70);
    EXPECT_EQ(squeezed.top(), 60);
    EXPECT_EQ(squeezed.height(), 0);

    QWidget* deep = frame.child(QRect(0, 60, 200, 235), 15);  // 5 pixels above the bottom
    frame.layout->keepAboveBottom(deep, 20);
    EXPECT_EQ(frame.at(deep, 400, 300).bottom() + 1, 280);
    EXPECT_EQ(frame.at(deep, 400, 600).bottom() + 1, 580);
}

TEST(AnchorLayoutTest, AddAllRegistersTheRestTopLeftAndMissingAxesDefaultToLeftAndTop) {
    Frame frame;
    auto* loose = new QWidget(&frame.parent);
    loose->setGeometry(30, 40, 10, 10);
    QWidget* rightOnly = frame.child(QRect(380, 100, 20, 20), ANCHOR_RIGHT);
    frame.layout->addAll();
    EXPECT_EQ(frame.layout->count(), 2);
    EXPECT_EQ(frame.at(loose, 900, 900), QRect(30, 40, 10, 10));
    EXPECT_EQ(frame.at(rightOnly, 900, 900), QRect(880, 100, 20, 20));
}

}  // namespace
}  // namespace pixmill
