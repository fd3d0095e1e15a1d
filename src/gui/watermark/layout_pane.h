#pragma once
// What the content pane shows while a watermark panel is active: the layout canvas, and on
// request ("预览效果") the first ticked photo stamped at 1:1 exactly as the batch would stamp
// it, so a layout can be checked before a thousand photos carry it. While the preview is
// shown it follows the layout, the ticks and the photo on disk by itself.

#include <QByteArray>
#include <QImage>
#include <QWidget>

#include <functional>
#include <optional>

#include "engine/catalog/catalog_item.h"

class QLabel;
class QScrollArea;
class QStackedWidget;
class QTimer;
class QToolButton;

namespace pixmill {

class CLayoutLibraryBar;
class CPreviewDlg;

// The first ticked catalog item, or nothing.
using PreviewSourceFunction = std::function<std::optional<CatalogItem>()>;

// `group`'s layout written to a layout file and read back, as the batch reads it, then
// stamped on `item`'s picture (border included) by the batch's renderer. A null image when the
// picture cannot be decoded or the layout cannot be written.
QImage stampPreview(CPreviewDlg& canvas, const CatalogItem& item);

class CLayoutPane : public QWidget {
    Q_OBJECT
  public:
    explicit CLayoutPane(QWidget* parent = nullptr);

    CPreviewDlg* canvas() const { return canvas_; }
    // Saving and loading layouts by name, and the stamp-width option.
    CLayoutLibraryBar* libraryBar() const { return library_; }
    void setPreviewSource(PreviewSourceFunction source) { source_ = std::move(source); }
    QToolButton* previewToggle() const { return toggle_; }
    bool showingPreview() const;
    // The stamped photo shown now (null while the canvas is shown or nothing could be shown).
    const QImage& previewImage() const { return preview_; }

    // Stamps the photo again (the layout may have changed since).
    void refreshPreview();
    // Stamps it again only when the layout, the chosen photo or that file has changed since
    // the last stamp; the pane calls this a few times a second while the preview is shown.
    // Returns whether it stamped.
    bool refreshIfChanged();

  private:
    void setPreviewShown(bool on);
    // Scrolls the stamped photo so that the layer group is in view.
    void showStampedGroup();
    // What the shown preview was stamped from: the layout's bytes, the photo's path, size
    // and modification time.
    QByteArray previewKey() const;

    CPreviewDlg* canvas_ = nullptr;
    CLayoutLibraryBar* library_ = nullptr;
    QToolButton* toggle_ = nullptr;
    QStackedWidget* stack_ = nullptr;
    QScrollArea* scroll_ = nullptr;
    QLabel* picture_ = nullptr;
    QTimer* follow_ = nullptr;
    PreviewSourceFunction source_;
    QImage preview_;
    QByteArray shownKey_;
};

}  // namespace pixmill
