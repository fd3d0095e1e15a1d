#pragma once
// The picture-watermark panel: the library of watermark pictures by category, each shown as a
// thumbnail on white; one click adds the picture as a layer on the layout canvas.

#include <QString>
#include <QThreadPool>
#include <QWidget>

#include <thread>
#include <vector>

#include "engine/watermark/watermark_library.h"
#include "gui/watermark/water_text_dlg.h"

class QImage;
class QLabel;
class QListWidget;
class QListWidgetItem;

namespace pixmill {

class COutputOptionsGroup;
class Profile;

class CWaterImageDlg : public QWidget {
    Q_OBJECT
  public:
    static constexpr int kPanelId = 145;

    // `libraryFolder` is the "水印" folder beside the program; it is scanned once, on a thread
    // of its own, and category 0 is shown when the scan is done.
    // With a `profile` the output options are kept in its section "watermark", shared with the
    // text panel.
    CWaterImageDlg(CPreviewDlg* canvas, QString libraryFolder, QString templateDir,
                   StartBatchFunction startJob, QWidget* parent = nullptr,
                   Profile* profile = nullptr);
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
    COutputOptionsGroup* outputGroup() const { return output_; }

  Q_SIGNALS:
    void libraryScanned();

  private:
    void onScanned(std::vector<WatermarkCategory> categories);
    // A thumbnail the pool has drawn, on the window's thread.
    void showThumbnail(int generation, int row, const QImage& thumbnail);

    CPreviewDlg* canvas_;
    QString templateDir_;
    StartBatchFunction startJob_;
    QListWidget* categoryList_ = nullptr;
    QListWidget* thumbs_ = nullptr;
    COutputOptionsGroup* output_ = nullptr;
    std::vector<WatermarkCategory> categories_;  // read only after the scan has delivered it
    bool scanned_ = false;
    bool closing_ = false;
    int generation_ = 0;  // thumbnails of a category shown earlier are dropped
    int pending_ = 0;
    QThreadPool thumbnailPool_;
    std::thread scanThread_;
};

}  // namespace pixmill
