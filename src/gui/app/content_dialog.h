#pragma once
// The content pane: the catalog panel or the watermark layout view, exactly one visible, both
// filling the pane.

#include <QPointer>
#include <QWidget>

#include "gui/catalog/image_list_dialog.h"

namespace pixmill {

class AnchorLayout;

class CContentDlg : public QWidget {
    Q_OBJECT
  public:
    CContentDlg(CatalogServices services, QWidget* parent = nullptr);

    CImageListDlg* imageList() const { return imageList_; }
    // The watermark layout view; none until one is given.
    QWidget* layoutView() const { return layoutView_; }
    // Takes the layout view into the pane over its whole area, hidden.
    void setLayoutView(QWidget* view);
    // On: the layout view (when there is one) instead of the catalog; off: the catalog.
    void showLayoutView(bool on);
    bool layoutViewShown() const { return layoutView_ && layoutView_->isVisibleTo(this); }

  private:
    AnchorLayout* layout_;
    CImageListDlg* imageList_;
    QPointer<QWidget> layoutView_;
};

}  // namespace pixmill
