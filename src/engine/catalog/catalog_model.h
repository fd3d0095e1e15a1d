#pragma once
// The catalog: the records of one folder's images and the rows that show them, each with a
// tick. A Qt table model living on the GUI thread (the CLI's main thread): rows change only
// there. Workers never touch rows; they read copies of the records (tickedRows()) and hand
// changed records back (updateRecords()), both guarded by the catalog lock.

#include <QAbstractTableModel>
#include <QImage>
#include <QMutex>
#include <QString>
#include <QStringList>

#include <memory>
#include <vector>

#include "engine/catalog/catalog_item.h"

namespace pixmill {

// A row's record, shared between the catalog's array and the row that shows it.
using CatalogRecord = std::shared_ptr<CatalogItem>;

// A ticked row at the moment it was taken: its index, its record and a copy of the record.
struct TickedRow {
    int row = 0;
    CatalogRecord record;
    CatalogItem copy;
};

class CatalogModel : public QAbstractTableModel {
    Q_OBJECT
  public:
    enum Column {
        NameColumn,
        SizeColumn,
        FileSizeColumn,
        TypeColumn,
        DateColumn,
        ModifiedColumn,
        ColumnCount
    };

    explicit CatalogModel(QObject* parent = nullptr);
    ~CatalogModel() override;

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role) override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

    // The folder of the last scan, with a trailing separator.
    QString currentFolder() const;

    // Replaces every row and record: numbers become the positions, every row is ticked.
    void resetRows(const QString& folder, std::vector<CatalogItem> items);
    // Rows whose file went (removed from the list); their records stay until the next load.
    void removeRow(int row);

    bool isTicked(int row) const;
    void setTicked(int row, bool ticked);
    void setAllTicked(bool ticked);
    int tickedCount() const;

    // A copy of the row's record; an empty record for a row out of range.
    CatalogItem item(int row) const;
    CatalogRecord record(int row) const;
    // The ticked rows, in row order, copied under the catalog lock. Safe from any thread.
    std::vector<TickedRow> tickedRows() const;
    // Writes changed copies back into their records (by record, so rows that moved or went
    // meanwhile are found or skipped), then repaints. Model thread only.
    void updateRecords(const std::vector<std::pair<CatalogRecord, CatalogItem>>& changed);

    // The row's thumbnail (icon views). Model thread only.
    void setThumbnail(const CatalogRecord& record, const QImage& thumbnail);
    QImage thumbnail(int row) const;
    void clearThumbnails();
    // At most `count` thumbnails are kept (0: no limit). Past it, those shown least recently
    // are let go; a row whose thumbnail went asks for it again (thumbnailWanted) when a view
    // shows it, so a folder of ten thousand photos does not hold ten thousand thumbnails.
    void setThumbnailLimit(int count);
    int thumbnailLimit() const { return thumbnailLimit_; }
    int thumbnailCount() const { return thumbnailCount_; }
    // Rows from `firstRow` on that have no thumbnail ask for one (thumbnailWanted) when a view
    // first shows them, instead of being drawn ahead for a part of the list nobody looks at.
    void deferThumbnails(int firstRow);

    // Orders the rows by a column as the details view's header does; records keep their
    // numbers. Ascending or descending.
    void sortRows(int column, bool ascending);

    // The records of the last load, including those whose rows were removed.
    int recordCount() const;

    // The lock every reader on another thread takes around a record.
    QMutex& lock() const { return mutex_; }

  Q_SIGNALS:
    // A view shows a row whose thumbnail was let go: it should be drawn again. Once per row
    // until it arrives.
    void thumbnailWanted(const pixmill::CatalogRecord& record) const;

  private:
    struct Row {
        CatalogRecord record;
        bool ticked = true;
        QImage thumbnail;
        bool thumbnailDropped = false;        // let go (or deferred): asked for when shown
        mutable bool thumbnailAsked = false;  // asked for again, not yet back
        mutable quint64 lastShown = 0;        // the use clock when a view last drew it
    };
    QString cellText(const CatalogItem& item, int column) const;
    // Lets go of the thumbnails shown least recently until a tenth of the limit is free.
    void dropOldThumbnails();

    mutable QMutex mutex_;
    std::vector<CatalogRecord> records_;
    std::vector<Row> rows_;
    QString currentFolder_;
    int thumbnailLimit_ = 0;
    int thumbnailCount_ = 0;
    mutable quint64 useClock_ = 0;
};

// "%d bytes" below 1024, "%.2f KB" below 1 MiB, else "%.2f MB".
QString formatFileSize(std::uint32_t size);

}  // namespace pixmill
