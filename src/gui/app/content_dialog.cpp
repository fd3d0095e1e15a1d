#include "gui/app/content_dialog.h"

#include "gui/app/anchor_layout.h"

namespace pixmill {

namespace {
constexpr int kAllSides = ANCHOR_LEFT | ANCHOR_TOP | ANCHOR_RIGHT | ANCHOR_BOTTOM;
}

CContentDlg::CContentDlg(CatalogServices services, QWidget* parent) : QWidget(parent) {
    resize(760, 600);
    imageList_ = new CImageListDlg(std::move(services), this);
    imageList_->setGeometry(rect());
    layout_ = new AnchorLayout(this);
    layout_->add(imageList_, kAllSides);
}

void CContentDlg::setLayoutView(QWidget* view) {
    if (!view || view == layoutView_)
        return;
    const bool wasShown = layoutViewShown();
    view->setParent(this);
    view->setGeometry(rect());
    view->setVisible(false);
    // Registration takes the child's place in the pane's current frame: both fill it.
    layout_->add(view, kAllSides);
    layoutView_ = view;
    showLayoutView(wasShown);
}

void CContentDlg::showLayoutView(bool on) {
    const bool showView = on && layoutView_;
    if (layoutView_)
        layoutView_->setVisible(showView);
    imageList_->setVisible(!showView);
}

}  // namespace pixmill
