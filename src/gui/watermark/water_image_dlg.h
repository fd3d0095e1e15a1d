#pragma once
// The picture-watermark panel: the library of watermark pictures by category, each shown as a
// thumbnail on white; one click adds the picture as a layer on the layout canvas.

#include <QImage>
#include <QString>
#include <QThreadPool>
#include <QWidget>

#include <deque>
#include <mutex>
#include <thread>
#include <vector>

#include "engine/catalog/catalog_item.h"
#include "engine/watermark/watermark_library.h"
#include "gui/watermark/water_text_dlg.h"

class QLabel;
class QListWidget;
class QListWidgetItem;

namespace pixmill {

class CWaterImageDlg : public QWidget {
    Q_OBJECT
  public:
    static constexpr int kPanelId = 145;

    // `libraryFolder` is the "水印" folder beside the program; it is scanned once, on a thread
    // of its own, and category 0 is shown when the scan is done.
    CWaterImageDlg(CPreviewDlg* canvas, QString libraryFolder, QString templateDir,
                   StartBatchFunction startJob, QWidget* parent = nullptr);
    ~CWaterImageDlg() override;

    int panelId() const { return kPanelId; }
    QString displayName() const { return QStringLiteral("水印"); }
    bool startBatch();

    bool scanFinished() const { return scanned_; }
    const std::vector<WatermarkCategory>& categories() const { return categories_; }
    void showCategory(int index);
    // Adds the picture at `path` as a new layer, sized to the picture when it decodes.
    void addPictureLayer(const QString& path);
    // Thumbnails of the shown category still being drawn.
    int pendingThumbnails() const { return pending_; }

    QListWidget* categoryList() const { return categoryList_; }
    QListWidget* thumbnailView() const { return thumbs_; }

  Q_SIGNALS:
    void libraryScanned();

  private:
    // A library picture waiting for the pool, and a thumbnail drawn there waiting to be shown.
    struct ThumbnailToDraw {
        int generation = 0;
        CatalogItem source;
    };
    struct DrawnThumbnail {
        int generation = 0;
        int row = 0;
        QImage image;
    };

    void onScanned(std::vector<WatermarkCategory> categories);
    // One pool job: draws the oldest waiting picture.
    void drawNextThumbnail();
    // Shows the thumbnails the pool has finished (the window's thread).
    void showDrawnThumbnails();

    CPreviewDlg* canvas_;
    QString templateDir_;
    StartBatchFunction startJob_;
    QListWidget* categoryList_ = nullptr;
    QListWidget* thumbs_ = nullptr;
    std::vector<WatermarkCategory> categories_;  // read only after the scan has delivered it
    bool scanned_ = false;
    bool closing_ = false;
    int generation_ = 0;  // thumbnails of a category shown earlier are dropped
    int pending_ = 0;
    // Work reaches the pool, and results come back, through these queues under our own lock,
    // so the hand-offs are ordered for ThreadSanitizer too, not only inside Qt.
    std::mutex drawnMutex_;
    std::deque<ThumbnailToDraw> toDraw_;
    std::vector<DrawnThumbnail> drawn_;
    QThreadPool thumbnailPool_;
    std::thread scanThread_;
};

}  // namespace pixmill
