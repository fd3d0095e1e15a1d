#pragma once
// The catalog panel: "添加图片", the folder box with its history, the view-mode button and the
// list of the folder's images in one of three view modes, with the right-click commands.
// Loads run on the loader's thread; their begin and end reach this panel as blocking queued
// calls (the loader waits until the panel has reacted, as a sent window message would).

#include <QElapsedTimer>
#include <QPointer>
#include <QSize>
#include <QWidget>

#include <functional>
#include <memory>
#include <vector>

#include "engine/catalog/catalog_jobs.h"
#include "engine/catalog/catalog_loader.h"

class QComboBox;
class QLabel;
class QMenu;
class QPushButton;
class QStackedWidget;
class QToolButton;
class QAbstractItemView;

class QMimeData;

class QFontMetrics;

namespace pixmill {

// The width of a details-view column other than the name (which takes what is left): the
// width the column is designed with, or more where the view's font needs it.
int detailColumnWidth(int column, const QFontMetrics& metrics);

// The local files and folders of a drop, in drop order.
QStringList droppedLocalPaths(const QMimeData* data);

class AppSettings;
class CatalogListView;
class CatalogTreeView;
class ItemShell;
class Profile;

// What the panel works with. Everything pointed to outlives the panel.
struct CatalogServices {
    AppSettings* settings = nullptr;
    Profile* profile = nullptr;
    CatalogModel* model = nullptr;
    WorkGate* gate = nullptr;
    PhotoDetailsReader reader;          // empty: files are listed without photo details
    ThumbnailRenderer renderThumbnail;  // empty: renderCatalogThumbnail
    RotateFlipRunner rotateFlip;        // empty: the rotate and flip commands are greyed
    ItemShell* shell = nullptr;         // none: the real desktop
    int poolSize = 0;                   // thumbnail and rotation threads; 0: one per core
};

// Right-click command numbers.
namespace catalog_command {
inline constexpr int kExtraLargeIcons = 32778;
inline constexpr int kLargeIcons = 32779;
inline constexpr int kDetails = 32780;
inline constexpr int kPreview = 32862;
inline constexpr int kEdit = 32863;
inline constexpr int kRotateClockwise = 32865;
inline constexpr int kRotateCounterClockwise = 32866;
inline constexpr int kCopyToDesktop = 32867;
inline constexpr int kDeleteToTrash = 32868;
inline constexpr int kFlipHorizontal = 32871;
inline constexpr int kFlipVertical = 32872;
inline constexpr int kSelectAll = 32876;
inline constexpr int kOpenLocation = 32882;
}  // namespace catalog_command

class CImageListDlg : public QWidget, public LoadObserver {
    Q_OBJECT
  public:
    // Runs the folder picker from `startFolder`; returns the chosen folder or an empty text.
    using FolderPicker = std::function<QString(QWidget* parent, const QString& startFolder)>;

    explicit CImageListDlg(CatalogServices services, QWidget* parent = nullptr);
    ~CImageListDlg() override;  // waits for the load and the jobs

    // Loads the folder in the folder box. False when nothing started: a load runs already, the
    // text is empty or names nothing, rotations are still running (the load then follows
    // when they end), or a batch holds the catalog.
    bool loadFolder();
    // Enter in the folder box or a history entry: a folder that does not exist is named in the
    // status line and the box shows the catalog's folder again; otherwise loadFolder().
    bool loadTypedFolder();
    // "添加图片": the picker at the folder box's folder; a confirmed folder is loaded.
    void addPictures();
    // Dropped paths: the first one's folder goes into the folder box and the picker opens there.
    void dropPaths(const QStringList& paths);

    // 0 extra-large icons, 1 large icons, 2 details. A different mode is stored at once and
    // the folder reloaded when the catalog holds images.
    void setViewMode(int mode);
    int viewMode() const;
    // Sorts by a column of the details view; the direction alternates on every call, whatever
    // the column.
    void sortByColumn(int column);
    bool sortAscending() const { return sortAscending_; }

    // The right-click menu for the current selection, and its commands.
    std::unique_ptr<QMenu> buildContextMenu();
    void runCommand(int commandId);
    std::vector<int> selectedRows() const;

    // Draws the thumbnail of the row showing `fullPath` again (its file has been changed in
    // place, by a rotate batch for instance). Nothing in the details view or for a path that is
    // not in the list.
    void redrawThumbnail(const QString& fullPath);

    // Reads the records' files again after a batch changed them in place: sizes, details and
    // thumbnails follow the files.
    void rereadRecords(const std::vector<CatalogRecord>& records);

    // A load, thumbnails or rotations still running.
    bool busy() const;
    // Drops queued thumbnails (closing).
    void stopThumbnails();
    void waitForIdle();

    void setFolderPicker(FolderPicker picker) { picker_ = std::move(picker); }
    void setRotateFlip(RotateFlipRunner rotator) { jobs_->setRotator(std::move(rotator)); }
    void setThumbnailRenderer(ThumbnailRenderer renderer) {
        jobs_->setRenderer(std::move(renderer));
    }
    void setPhotoReader(PhotoDetailsReader reader);

    QPushButton* addButton() const { return addButton_; }
    QComboBox* folderBox() const { return folderBox_; }
    QToolButton* viewModeButton() const { return viewModeButton_; }
    CatalogListView* iconView() const { return iconView_; }
    CatalogTreeView* detailsView() const { return detailsView_; }
    QAbstractItemView* currentView() const;
    CatalogModel& model() const { return *services_.model; }
    QSize thumbnailBox() const;

    // LoadObserver, called on the loader's thread.
    void loadBegin() override;
    void loadEnd(int count) override;
    void historyChanged(const QStringList& entries) override;

  Q_SIGNALS:
    void loadStarted();
    void loadFinished(int count);

  protected:
    void showEvent(QShowEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void buildControls();
    void buildViews();
    void applyViewMode();
    void setDetailColumnWidths();
    void onRowClicked(int row, bool onTickBox);
    void onRowDoubleClicked(int row);
    void showContextMenu(const QPoint& globalPos);
    void showViewModeMenu();
    void onLoadEnd(int count);
    void onRotationsFinished();
    void startLoad(const QString& folderText);

    // Commands (image_list_commands.cpp).
    bool refuseWhileWorking() const;
    void toggleSelectAll();
    void previewRows(const std::vector<int>& rows);
    void editRows(const std::vector<int>& rows);
    void openLocation(const std::vector<int>& rows);
    void copyToDesktop(const std::vector<int>& rows);
    void deleteToTrash(const std::vector<int>& rows);
    void rotateRows(const std::vector<int>& rows, int code);
    ItemShell& shell() const;

    CatalogServices services_;
    std::unique_ptr<CatalogJobs> jobs_;
    std::unique_ptr<CatalogLoader> loader_;
    FolderPicker picker_;
    QPushButton* addButton_ = nullptr;
    QLabel* folderLabel_ = nullptr;
    QComboBox* folderBox_ = nullptr;
    QToolButton* viewModeButton_ = nullptr;
    QStackedWidget* views_ = nullptr;
    CatalogListView* iconView_ = nullptr;
    CatalogTreeView* detailsView_ = nullptr;
    bool sortAscending_ = false;
    bool selectAll_ = true;
    bool shownOnce_ = false;
    QString pendingLoad_;      // a load asked for while rotations ran
    int tickedByClick_ = -1;   // the row the last click ticked or unticked
    QElapsedTimer tickClock_;  // since that click
    bool hasPendingLoad_ = false;
};

}  // namespace pixmill
