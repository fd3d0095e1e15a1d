#include "engine/catalog/catalog_model.h"

#include <QMutexLocker>

#include <algorithm>

namespace pixmill {

QString formatFileSize(std::uint32_t size) {
    if (size < 1024)
        return QString::asprintf("%d bytes", static_cast<int>(size));
    if (size < 1048576)
        return QString::asprintf("%.2f KB", size / 1024.0);
    return QString::asprintf("%.2f MB", size / 1048576.0);
}

CatalogModel::CatalogModel(QObject* parent) : QAbstractTableModel(parent) {}
CatalogModel::~CatalogModel() = default;

int CatalogModel::rowCount(const QModelIndex& parent) const {
    if (parent.isValid())
        return 0;
    return static_cast<int>(rows_.size());
}

int CatalogModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : ColumnCount;
}

QString CatalogModel::cellText(const CatalogItem& item, int column) const {
    switch (column) {
        case NameColumn:
            return QString::fromStdString(item.fileName);
        case SizeColumn:
            return QString::asprintf("%d x %d", item.width, item.height);
        case FileSizeColumn:
            return formatFileSize(item.fileSize);
        case DateColumn:
            return QString::fromStdString(item.shootingDate);
        default:
            return QString();
    }
}

QVariant CatalogModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= rowCount())
        return QVariant();
    const Row& row = rows_[static_cast<size_t>(index.row())];
    switch (role) {
        case Qt::DisplayRole: {
            QMutexLocker lock(&mutex_);
            return cellText(*row.record, index.column());
        }
        case Qt::CheckStateRole:
            if (index.column() != NameColumn)
                return QVariant();
            return row.ticked ? Qt::Checked : Qt::Unchecked;
        case Qt::DecorationRole:
            if (index.column() != NameColumn)
                return QVariant();
            if (row.thumbnail.isNull()) {
                if (row.thumbnailDropped && !row.thumbnailAsked) {
                    row.thumbnailAsked = true;
                    Q_EMIT thumbnailWanted(row.record);
                }
                return QVariant();
            }
            row.lastShown = ++useClock_;
            return row.thumbnail;
        case Qt::TextAlignmentRole:
            return QVariant::fromValue(Qt::AlignLeft | Qt::AlignVCenter);
        default:
            return QVariant();
    }
}

QVariant CatalogModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return QVariant();
    static const char* const kHeaders[ColumnCount] = {"名称", "尺寸",     "文件大小",
                                                      "类型", "拍摄日期", "修改日期"};
    if (section < 0 || section >= ColumnCount)
        return QVariant();
    return QString::fromUtf8(kHeaders[section]);
}

bool CatalogModel::setData(const QModelIndex& index, const QVariant& value, int role) {
    if (role != Qt::CheckStateRole || !index.isValid() || index.column() != NameColumn) {
        return false;
    }
    setTicked(index.row(), value.toInt() == Qt::Checked);
    return true;
}

Qt::ItemFlags CatalogModel::flags(const QModelIndex& index) const {
    if (!index.isValid())
        return Qt::NoItemFlags;
    Qt::ItemFlags result = Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren;
    if (index.column() == NameColumn)
        result |= Qt::ItemIsUserCheckable;
    return result;
}

QString CatalogModel::currentFolder() const {
    QMutexLocker lock(&mutex_);
    return currentFolder_;
}

void CatalogModel::resetRows(const QString& folder, std::vector<CatalogItem> items) {
    beginResetModel();
    {
        QMutexLocker lock(&mutex_);
        currentFolder_ = folder;
        rows_.clear();
        thumbnailCount_ = 0;
        records_.clear();
        records_.reserve(items.size());
        rows_.reserve(items.size());
        for (size_t position = 0; position < items.size(); ++position) {
            items[position].number = static_cast<std::int32_t>(position);
            records_.push_back(std::make_shared<CatalogItem>(std::move(items[position])));
            rows_.push_back(Row{records_.back(), true, QImage()});
        }
    }
    endResetModel();
}

void CatalogModel::removeRow(int row) {
    if (row < 0 || row >= rowCount())
        return;
    beginRemoveRows(QModelIndex(), row, row);
    {
        QMutexLocker lock(&mutex_);
        if (!rows_[static_cast<size_t>(row)].thumbnail.isNull())
            --thumbnailCount_;
        rows_.erase(rows_.begin() + row);
    }
    endRemoveRows();
}

bool CatalogModel::isTicked(int row) const {
    QMutexLocker lock(&mutex_);
    return row >= 0 && row < static_cast<int>(rows_.size()) &&
           rows_[static_cast<size_t>(row)].ticked;
}

void CatalogModel::setTicked(int row, bool ticked) {
    if (row < 0 || row >= rowCount())
        return;
    {
        QMutexLocker lock(&mutex_);
        rows_[static_cast<size_t>(row)].ticked = ticked;
    }
    const QModelIndex cell = index(row, NameColumn);
    Q_EMIT dataChanged(cell, cell, {Qt::CheckStateRole});
}

void CatalogModel::setAllTicked(bool ticked) {
    if (rows_.empty())
        return;
    {
        QMutexLocker lock(&mutex_);
        for (Row& row : rows_)
            row.ticked = ticked;
    }
    Q_EMIT dataChanged(index(0, NameColumn), index(rowCount() - 1, NameColumn),
                       {Qt::CheckStateRole});
}

int CatalogModel::tickedCount() const {
    QMutexLocker lock(&mutex_);
    return static_cast<int>(
        std::count_if(rows_.begin(), rows_.end(), [](const Row& row) { return row.ticked; }));
}

CatalogItem CatalogModel::item(int row) const {
    QMutexLocker lock(&mutex_);
    if (row < 0 || row >= static_cast<int>(rows_.size()))
        return CatalogItem();
    return *rows_[static_cast<size_t>(row)].record;
}

CatalogRecord CatalogModel::record(int row) const {
    QMutexLocker lock(&mutex_);
    if (row < 0 || row >= static_cast<int>(rows_.size()))
        return nullptr;
    return rows_[static_cast<size_t>(row)].record;
}

std::vector<TickedRow> CatalogModel::tickedRows() const {
    QMutexLocker lock(&mutex_);
    std::vector<TickedRow> result;
    for (size_t row = 0; row < rows_.size(); ++row) {
        if (!rows_[row].ticked || !rows_[row].record)
            continue;
        result.push_back(TickedRow{static_cast<int>(row), rows_[row].record, *rows_[row].record});
    }
    return result;
}

void CatalogModel::updateRecords(
    const std::vector<std::pair<CatalogRecord, CatalogItem>>& changed) {
    {
        QMutexLocker lock(&mutex_);
        for (const auto& [record, copy] : changed) {
            if (record)
                *record = copy;
        }
    }
    if (!rows_.empty()) {
        Q_EMIT dataChanged(index(0, 0), index(rowCount() - 1, ColumnCount - 1));
    }
}

void CatalogModel::setThumbnail(const CatalogRecord& record, const QImage& thumbnail) {
    for (size_t row = 0; row < rows_.size(); ++row) {
        Row& target = rows_[row];
        if (target.record != record)
            continue;
        if (target.thumbnail.isNull() && !thumbnail.isNull())
            ++thumbnailCount_;
        if (!target.thumbnail.isNull() && thumbnail.isNull())
            --thumbnailCount_;
        target.thumbnail = thumbnail;
        target.thumbnailDropped = false;
        target.thumbnailAsked = false;
        target.lastShown = ++useClock_;  // new: the last to be let go
        if (thumbnailLimit_ > 0 && thumbnailCount_ > thumbnailLimit_)
            dropOldThumbnails();
        const QModelIndex cell = index(static_cast<int>(row), NameColumn);
        Q_EMIT dataChanged(cell, cell, {Qt::DecorationRole});
        return;
    }
}

void CatalogModel::setThumbnailLimit(int count) {
    thumbnailLimit_ = std::max(0, count);
    if (thumbnailLimit_ > 0 && thumbnailCount_ > thumbnailLimit_)
        dropOldThumbnails();
}

void CatalogModel::deferThumbnails(int firstRow) {
    for (size_t row = static_cast<size_t>(std::max(0, firstRow)); row < rows_.size(); ++row) {
        Row& target = rows_[row];
        if (!target.thumbnail.isNull())
            continue;
        target.thumbnailDropped = true;
        target.thumbnailAsked = false;
    }
}

void CatalogModel::dropOldThumbnails() {
    std::vector<Row*> holding;
    holding.reserve(static_cast<size_t>(thumbnailCount_));
    for (Row& row : rows_) {
        if (!row.thumbnail.isNull())
            holding.push_back(&row);
    }
    const size_t keep = static_cast<size_t>(thumbnailLimit_ - thumbnailLimit_ / 10);
    if (holding.size() <= keep)
        return;
    const size_t drop = holding.size() - keep;
    std::nth_element(holding.begin(), holding.begin() + static_cast<std::ptrdiff_t>(drop),
                     holding.end(),
                     [](const Row* a, const Row* b) { return a->lastShown < b->lastShown; });
    for (size_t i = 0; i < drop; ++i) {
        holding[i]->thumbnail = QImage();
        holding[i]->thumbnailDropped = true;
        holding[i]->thumbnailAsked = false;
    }
    thumbnailCount_ = static_cast<int>(keep);
}

QImage CatalogModel::thumbnail(int row) const {
    if (row < 0 || row >= rowCount())
        return QImage();
    return rows_[static_cast<size_t>(row)].thumbnail;
}

void CatalogModel::clearThumbnails() {
    thumbnailCount_ = 0;
    for (Row& row : rows_) {
        row.thumbnail = QImage();
        row.thumbnailDropped = false;
        row.thumbnailAsked = false;
    }
    if (!rows_.empty()) {
        Q_EMIT dataChanged(index(0, NameColumn), index(rowCount() - 1, NameColumn),
                           {Qt::DecorationRole});
    }
}

namespace {

// Negative, zero or positive, like the details view's comparison of two records.
int compareRecords(const CatalogItem& a, const CatalogItem& b, int column) {
    auto sign = [](long long difference) { return difference < 0 ? -1 : (difference > 0 ? 1 : 0); };
    switch (column) {
        case CatalogModel::NameColumn:
            return sign(static_cast<long long>(a.number) - b.number);
        case CatalogModel::SizeColumn:
            if (a.width != b.width)
                return sign(static_cast<long long>(a.width) - b.width);
            return sign(static_cast<long long>(a.height) - b.height);
        case CatalogModel::FileSizeColumn:
            return sign(static_cast<long long>(a.fileSize) - static_cast<long long>(b.fileSize));
        case CatalogModel::DateColumn:
            return QString::fromStdString(a.shootingDate)
                .compare(QString::fromStdString(b.shootingDate), Qt::CaseInsensitive);
        default:
            return 0;
    }
}

}  // namespace

void CatalogModel::sortRows(int column, bool ascending) {
    Q_EMIT layoutAboutToBeChanged();
    const QModelIndexList before = persistentIndexList();
    std::vector<CatalogRecord> oldOrder;
    {
        QMutexLocker lock(&mutex_);
        for (const Row& row : rows_)
            oldOrder.push_back(row.record);
        std::stable_sort(rows_.begin(), rows_.end(), [&](const Row& a, const Row& b) {
            const int order = compareRecords(*a.record, *b.record, column);
            return ascending ? order < 0 : order > 0;
        });
    }
    QModelIndexList after;
    for (const QModelIndex& old : before) {
        const CatalogRecord& moved = oldOrder[static_cast<size_t>(old.row())];
        int newRow = 0;
        while (rows_[static_cast<size_t>(newRow)].record != moved)
            ++newRow;
        after << index(newRow, old.column());
    }
    changePersistentIndexList(before, after);
    Q_EMIT layoutChanged();
}

int CatalogModel::recordCount() const {
    QMutexLocker lock(&mutex_);
    return static_cast<int>(records_.size());
}

}  // namespace pixmill
