#include "gui/catalog/image_list_dialog.h"

#include <QApplication>
#include <QDir>

#include <QAbstractItemView>
#include <QActionGroup>
#include <QComboBox>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFontMetrics>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QPainter>
#include <QPushButton>
#include <QStackedWidget>
#include <QThread>
#include <QToolButton>

#include <algorithm>

#include "engine/app/app_info.h"
#include "engine/app/app_settings.h"
#include "engine/app/object_thread.h"
#include "engine/app/profile.h"
#include "engine/catalog/photo_summary.h"
#include "engine/platform/item_shell.h"
#include "engine/platform/native_path.h"
#include "engine/platform/status.h"
#include "gui/app/anchor_layout.h"
#include "gui/catalog/catalog_views.h"
#include "gui/catalog/full_screen_preview.h"
#include "gui/controls/path_dialog.h"

namespace pixmill {
namespace {

QString pickPictureFolder(QWidget* parent, const QString& startFolder) {
    CPathDialog dialog(QString::fromUtf8(kDisplayName), QString::fromUtf8("请选择图片目录"),
                       startFolder, parent);
    return dialog.runModal() == 1 ? dialog.chosenPath() : QString();
}

// The view-mode button's picture: a grid of thumbnails beside a list of lines.
QIcon viewModeIcon() {
    QIcon icon;
    for (int size : {16, 24, 32}) {
        QPixmap pixmap(size, size);
        pixmap.fill(Qt::transparent);
        QPainter painter(&pixmap);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.scale(size / 16.0, size / 16.0);
        painter.setPen(Qt::NoPen);
        painter.setBrush(QColor(0x4a, 0x90, 0xd9));
        for (int i = 0; i < 4; ++i)
            painter.drawRect(QRectF(1 + (i % 2) * 4, 2 + (i / 2) * 6, 3, 5));
        painter.setBrush(QColor(0x2e, 0x3a, 0x4a));
        for (int i = 0; i < 4; ++i)
            painter.drawRect(QRectF(10, 2.5 + i * 3, 5, 1.5));
        pixmap.setDevicePixelRatio(1.0);
        icon.addPixmap(pixmap);
    }
    return icon;
}

constexpr int kPanelWidth = 760;  // the frame the anchors are registered in
constexpr int kPanelHeight = 560;
constexpr int kListTop = 34;

}  // namespace

CImageListDlg::CImageListDlg(CatalogServices services, QWidget* parent)
    : QWidget(parent), services_(std::move(services)), picker_(pickPictureFolder) {
    jobs_ = std::make_unique<CatalogJobs>(*services_.model, services_.renderThumbnail,
                                          services_.rotateFlip, services_.poolSize);
    connect(jobs_.get(), &CatalogJobs::rotationsFinished, this,
            &CImageListDlg::onRotationsFinished);
    // A row shown again after its thumbnail was let go gets it drawn anew.
    connect(services_.model, &CatalogModel::thumbnailWanted, this,
            [this](const CatalogRecord& record) {
                const QSize box = thumbnailBox();
                if (box.isValid())
                    jobs_->renderThumbnails({record}, box);
            });
    setPhotoReader(services_.reader);
    setAcceptDrops(true);
    buildControls();
    buildViews();

    for (const QString& entry : loader_->history().entries())
        folderBox_->addItem(entry);
    folderBox_->setEditText(services_.settings ? services_.settings->lastViewFolder : QString());
    applyViewMode();
}

CImageListDlg::~CImageListDlg() {
    loader_->wait();
    jobs_.reset();
}

void CImageListDlg::setPhotoReader(PhotoDetailsReader reader) {
    if (loader_)
        loader_->wait();
    services_.reader = std::move(reader);
    LoaderSetup setup;
    setup.model = services_.model;
    setup.gate = services_.gate;
    setup.profile = services_.profile;
    setup.settings = services_.settings;
    setup.observer = this;
    setup.reader = services_.reader;
    loader_ = std::make_unique<CatalogLoader>(std::move(setup));
}

void CImageListDlg::buildControls() {
    resize(kPanelWidth, kPanelHeight);
    addButton_ = new QPushButton(QString::fromUtf8("添加图片"), this);
    addButton_->setToolTip(QString::fromUtf8("点击添加图片目录"));
    addButton_->setGeometry(4, 4, 84, 26);
    connect(addButton_, &QPushButton::clicked, this, &CImageListDlg::addPictures);

    folderLabel_ = new QLabel(QString::fromUtf8("图片目录："), this);
    folderLabel_->setGeometry(96, 4, 70, 26);

    folderBox_ = new QComboBox(this);
    folderBox_->setEditable(true);
    folderBox_->setInsertPolicy(QComboBox::NoInsert);
    folderBox_->setMaxCount(FolderHistory::kMaxEntries);
    folderBox_->lineEdit()->setMaxLength(260);
    folderBox_->setGeometry(166, 4, 520, 26);
    folderBox_->lineEdit()->installEventFilter(this);
    connect(folderBox_, &QComboBox::activated, this, [this](int index) {
        folderBox_->setEditText(folderBox_->itemText(index));
        loadTypedFolder();
    });

    viewModeButton_ = new QToolButton(this);
    viewModeButton_->setIcon(viewModeIcon());
    viewModeButton_->setToolTip(QString::fromUtf8("切换图片显示模式"));
    viewModeButton_->setGeometry(692, 4, 30, 26);
    connect(viewModeButton_, &QToolButton::clicked, this, &CImageListDlg::showViewModeMenu);
}

void CImageListDlg::buildViews() {
    views_ = new QStackedWidget(this);
    views_->setGeometry(0, kListTop, kPanelWidth, kPanelHeight - kListTop);
    iconView_ = new CatalogListView(views_);
    detailsView_ = new CatalogTreeView(views_);
    views_->addWidget(iconView_);
    views_->addWidget(detailsView_);
    for (QAbstractItemView* view : {static_cast<QAbstractItemView*>(iconView_),
                                    static_cast<QAbstractItemView*>(detailsView_)}) {
        view->setModel(services_.model);
        connect(view, &QWidget::customContextMenuRequested, this,
                [this, view](const QPoint& point) {
                    showContextMenu(view->viewport()->mapToGlobal(point));
                });
    }
    connect(iconView_->clicks(), &CatalogViewClicks::rowClicked, this,
            &CImageListDlg::onRowClicked);
    connect(detailsView_->clicks(), &CatalogViewClicks::rowClicked, this,
            &CImageListDlg::onRowClicked);
    connect(iconView_->clicks(), &CatalogViewClicks::rowDoubleClicked, this,
            &CImageListDlg::onRowDoubleClicked);
    connect(detailsView_->clicks(), &CatalogViewClicks::rowDoubleClicked, this,
            &CImageListDlg::onRowDoubleClicked);
    connect(detailsView_->header(), &QHeaderView::sectionClicked, this,
            &CImageListDlg::sortByColumn);

    auto* layout = new AnchorLayout(this);
    layout->addAll();
    layout->add(views_, ANCHOR_LEFT | ANCHOR_TOP | ANCHOR_RIGHT | ANCHOR_BOTTOM);
}

int CImageListDlg::viewMode() const {
    return services_.settings ? services_.settings->viewMode : 1;
}

QSize CImageListDlg::thumbnailBox() const {
    switch (viewMode()) {
        case 0:
            return QSize(200, 160);
        case 2:
            return QSize();
        default:
            return QSize(100, 80);
    }
}

QAbstractItemView* CImageListDlg::currentView() const {
    return viewMode() == 2 ? static_cast<QAbstractItemView*>(detailsView_)
                           : static_cast<QAbstractItemView*>(iconView_);
}

void CImageListDlg::applyViewMode() {
    const int mode = viewMode();
    if (services_.settings)
        services_.settings->applyViewMode(mode);
    services_.model->clearThumbnails();
    if (mode == 2) {
        views_->setCurrentWidget(detailsView_);
        setDetailColumnWidths();
        return;
    }
    const QSize box = thumbnailBox();
    // About 256 MiB of thumbnails at the most: every row of ten thousand at the large size,
    // some 2,700 at the extra-large one.
    constexpr qint64 kThumbnailBudget = 256ll << 20;
    services_.model->setThumbnailLimit(
        int(kThumbnailBudget / (qint64(box.width()) * box.height() * 3)));
    iconView_->setIconSize(box);
    iconView_->setGridSize(mode == 0 ? QSize(220, 180) : QSize(120, 120));
    iconView_->setSpacing(0);
    views_->setCurrentWidget(iconView_);
}

int detailColumnWidth(int column, const QFontMetrics& metrics) {
    static const int kWidths[] = {0, 80, 80, 80, 130, 130};
    // The widest texts the columns hold; the widths above suit a small system font, a larger
    // desktop font widens the columns so that no size or date is cut.
    static const char* const kWidest[] = {"", "10000 x 10000",       "1023.99 KB",
                                          "", "2012:11:01 09:10:45", ""};
    if (column < 1 || column >= CatalogModel::ColumnCount)
        return 0;
    const int padding = 12;  // the cell's margins and the gap to the next column
    return std::max(kWidths[column],
                    metrics.horizontalAdvance(QString::fromLatin1(kWidest[column])) + padding);
}

void CImageListDlg::setDetailColumnWidths() {
    const QFontMetrics metrics(detailsView_->font());
    int others = 0;
    for (int column = 1; column < CatalogModel::ColumnCount; ++column) {
        const int width = detailColumnWidth(column, metrics);
        detailsView_->setColumnWidth(column, width);
        others += width;
    }
    const int client = detailsView_->viewport()->width() > 100 ? detailsView_->viewport()->width()
                                                               : views_->width();
    detailsView_->setColumnWidth(0, std::max(80, client - others));
}

void CImageListDlg::setViewMode(int mode) {
    if (mode < 0 || mode > 2 || !services_.settings)
        return;
    if (mode == services_.settings->viewMode)
        return;
    services_.settings->viewMode = mode;
    if (services_.profile) {
        services_.profile->writeInt(QStringLiteral("main"), QStringLiteral("viewmode"), mode);
        services_.profile->flush();
    }
    applyViewMode();
    if (services_.model->recordCount() > 0)
        loadFolder();
}

void CImageListDlg::sortByColumn(int column) {
    sortAscending_ = !sortAscending_;
    services_.model->sortRows(column, sortAscending_);
    detailsView_->header()->setSortIndicatorShown(true);
    detailsView_->header()->setSortIndicator(
        column, sortAscending_ ? Qt::AscendingOrder : Qt::DescendingOrder);
}

bool CImageListDlg::loadFolder() {
    if (!addButton_->isEnabled())
        return false;
    const QString folderText = folderBox_->currentText();
    if (!pathExists(folderText))
        return false;
    if (jobs_->rotationsRunning() > 0) {
        // A load replaces the records the rotations will write back: it waits for them.
        pendingLoad_ = folderText;
        hasPendingLoad_ = true;
        setStatusText(1, "正在等待图片旋转完成，随后加载目录……");
        return false;
    }
    startLoad(folderText);
    return !addButton_->isEnabled();
}

bool CImageListDlg::loadTypedFolder() {
    const QString typed = folderBox_->currentText();
    if (!typed.isEmpty() && !isFolder(typed)) {
        // The list keeps the folder it shows, and so does the box: never old photos under a
        // new name.
        setStatusText(1, QStringLiteral("目录不存在：%1").arg(displayPath(typed)).toStdString());
        folderBox_->setEditText(QDir::toNativeSeparators(services_.model->currentFolder()));
        return false;
    }
    return loadFolder();
}

void CImageListDlg::startLoad(const QString& folderText) {
    addButton_->setEnabled(false);
    jobs_->cancelThumbnails();
    if (!loader_->loadFolder(folderText))
        addButton_->setEnabled(true);
}

void CImageListDlg::redrawThumbnail(const QString& fullPath) {
    const QSize box = thumbnailBox();
    if (!box.isValid())
        return;
    const std::string path = pathBytes(fullPath);
    for (int row = 0; row < services_.model->rowCount(); ++row) {
        if (services_.model->item(row).fullPath == path) {
            jobs_->renderThumbnails({services_.model->record(row)}, box);
            return;
        }
    }
}

void CImageListDlg::rereadRecords(const std::vector<CatalogRecord>& records) {
    jobs_->reread(records, services_.reader, thumbnailBox());
}

void CImageListDlg::onRotationsFinished() {
    if (!hasPendingLoad_)
        return;
    hasPendingLoad_ = false;
    if (addButton_->isEnabled() && pathExists(pendingLoad_))
        startLoad(pendingLoad_);
}

void CImageListDlg::addPictures() {
    const QString start = folderBox_->currentText();
    QString chosen = picker_ ? picker_(this, start) : QString();
    if (chosen.isEmpty())
        return;
    chosen.replace(QLatin1Char('\\'), QLatin1Char('/'));
    if (!chosen.endsWith(QLatin1Char('/')))
        chosen += QLatin1Char('/');
    folderBox_->setEditText(chosen);
    loadFolder();
}

void CImageListDlg::dropPaths(const QStringList& paths) {
    if (paths.isEmpty() || paths.first().isEmpty())
        return;
    // A dropped file opens its folder. The names are taken as their bytes: Qt's file classes
    // would lose those that are not UTF-8.
    QString dropped = QDir::cleanPath(paths.first());
    if (!isFolder(dropped))
        dropped = parentFolder(dropped);
    folderBox_->setEditText(dropped);
    addPictures();
}

bool CImageListDlg::busy() const {
    return loader_->running() || jobs_->busy();
}

void CImageListDlg::stopThumbnails() {
    jobs_->cancelThumbnails();
}

void CImageListDlg::waitForIdle() {
    loader_->wait();
    jobs_->waitForIdle();
}

void CImageListDlg::loadBegin() {
    runOnObjectThread(this, [this] { Q_EMIT loadStarted(); });
}

void CImageListDlg::loadEnd(int count) {
    runOnObjectThread(this, [this, count] { onLoadEnd(count); });
}

void CImageListDlg::historyChanged(const QStringList& entries) {
    // Called on the model's thread, which is this panel's.
    const QString text = folderBox_->currentText();
    folderBox_->clear();
    folderBox_->addItems(entries);
    folderBox_->setEditText(text);
}

void CImageListDlg::onLoadEnd(int count) {
    addButton_->setEnabled(true);
    const QSize box = thumbnailBox();
    if (box.isValid()) {
        // The first rows are drawn ahead (a few screens' worth, within the thumbnail limit);
        // the rest when a view first shows them. Drawing all of a large folder ahead cost
        // seconds of work and memory for rows that were let go again before anyone saw them.
        constexpr int kDrawnAhead = 500;
        const int limit = services_.model->thumbnailLimit();
        const int ahead =
            std::min({services_.model->rowCount(), kDrawnAhead, limit > 0 ? limit : kDrawnAhead});
        std::vector<CatalogRecord> records;
        records.reserve(static_cast<size_t>(ahead));
        for (int row = 0; row < ahead; ++row) {
            records.push_back(services_.model->record(row));
        }
        services_.model->deferThumbnails(ahead);
        jobs_->renderThumbnails(records, box);
    }
    selectAll_ = true;
    Q_EMIT loadFinished(count);
}

void CImageListDlg::onRowClicked(int row, bool onTickBox) {
    const CatalogItem item = services_.model->item(row);
    setStatusText(1, photoSummary(item).toStdString());
    if (services_.settings && services_.settings->checkOnClick == 1 && !onTickBox) {
        services_.model->setTicked(row, !services_.model->isTicked(row));
        tickedByClick_ = row;
        tickClock_.start();
    }
}

void CImageListDlg::onRowDoubleClicked(int row) {
    // A double-click's first click has ticked or unticked the row: a preview leaves the tick
    // as it was.
    if (tickedByClick_ == row && tickClock_.isValid() &&
        tickClock_.elapsed() <= QApplication::doubleClickInterval() + 100) {
        services_.model->setTicked(row, !services_.model->isTicked(row));
    }
    tickedByClick_ = -1;
    if (!services_.model->record(row))
        return;
    CFullScreenPreview::open(pathFromBytes(services_.model->item(row).fullPath), this);
}

void CImageListDlg::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (shownOnce_)
        return;
    shownOnce_ = true;
    if (viewMode() == 2)
        setDetailColumnWidths();
    loadFolder();
}

void CImageListDlg::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        loadTypedFolder();
        return;
    }
    if (event->key() == Qt::Key_Escape)
        return;  // swallowed: the panel never closes
    QWidget::keyPressEvent(event);
}

bool CImageListDlg::eventFilter(QObject* watched, QEvent* event) {
    if (watched == folderBox_->lineEdit() && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            loadTypedFolder();
            return true;
        }
        if (key == Qt::Key_Escape)
            return true;
    }
    return QWidget::eventFilter(watched, event);
}

QStringList droppedLocalPaths(const QMimeData* data) {
    QStringList paths;
    for (const QUrl& url : data->urls()) {
        if (url.isLocalFile())
            paths << pathFromFileUrl(url);
    }
    return paths;
}

void CImageListDlg::dragEnterEvent(QDragEnterEvent* event) {
    if (event->mimeData()->hasUrls())
        event->acceptProposedAction();
}

void CImageListDlg::dropEvent(QDropEvent* event) {
    const QStringList paths = droppedLocalPaths(event->mimeData());
    if (paths.isEmpty())
        return;
    event->acceptProposedAction();
    dropPaths(paths);
}

void CImageListDlg::showViewModeMenu() {
    QMenu menu(this);
    auto* group = new QActionGroup(&menu);
    const char* const texts[] = {"超大图标", "大图标", "详细信息"};
    for (int mode = 0; mode < 3; ++mode) {
        QAction* action = menu.addAction(QString::fromUtf8(texts[mode]));
        action->setCheckable(true);
        action->setChecked(mode == viewMode());
        action->setData(mode);
        group->addAction(action);
    }
    QAction* chosen = menu.exec(QCursor::pos());
    if (chosen)
        setViewMode(chosen->data().toInt());
}

}  // namespace pixmill
