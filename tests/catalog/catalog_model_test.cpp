// The catalog model: ticks, sorting that reorders its own rows, record copies and write-back.
#include <gtest/gtest.h>

#include "engine/catalog/catalog_model.h"
#include "engine/catalog/photo_summary.h"

namespace pixmill {
namespace {

CatalogItem makeItem(const std::string& name, int width, int height, std::uint32_t size,
                     const std::string& date = "") {
    CatalogItem item;
    item.fileName = name;
    item.fullPath = "/p/" + name;
    item.width = width;
    item.height = height;
    item.fileSize = size;
    item.shootingDate = date;
    return item;
}

std::vector<std::string> rowNames(const CatalogModel& model) {
    std::vector<std::string> names;
    for (int row = 0; row < model.rowCount(); ++row)
        names.push_back(model.item(row).fileName);
    return names;
}

TEST(CatalogModelTest, CellTextsAndFileSizes) {
    CatalogModel model;
    model.resetRows("/p/", {makeItem("a.jpg", 640, 480, 1023, "2014:01:02 03:04:05")});
    EXPECT_EQ(model.data(model.index(0, 0), Qt::DisplayRole).toString(), "a.jpg");
    EXPECT_EQ(model.data(model.index(0, 1), Qt::DisplayRole).toString(), "640 x 480");
    EXPECT_EQ(model.data(model.index(0, 2), Qt::DisplayRole).toString(), "1023 bytes");
    EXPECT_EQ(model.data(model.index(0, 3), Qt::DisplayRole).toString(), "");
    EXPECT_EQ(model.data(model.index(0, 4), Qt::DisplayRole).toString(), "2014:01:02 03:04:05");
    EXPECT_EQ(model.headerData(2, Qt::Horizontal, Qt::DisplayRole).toString(), "文件大小");
    EXPECT_EQ(formatFileSize(1024), "1.00 KB");
    EXPECT_EQ(formatFileSize(1048575), "1024.00 KB");
    EXPECT_EQ(formatFileSize(1048576), "1.00 MB");
    EXPECT_EQ(formatFileSize(5 * 1048576 + 524288), "5.50 MB");
}

TEST(CatalogModelTest, TicksThroughCheckStateAndTickedRowsCopyInRowOrder) {
    CatalogModel model;
    model.resetRows("/p/",
                    {makeItem("a", 1, 1, 1), makeItem("b", 1, 1, 1), makeItem("c", 1, 1, 1)});
    EXPECT_EQ(model.tickedCount(), 3);
    EXPECT_TRUE(model.setData(model.index(1, 0), Qt::Unchecked, Qt::CheckStateRole));
    EXPECT_FALSE(model.isTicked(1));
    const auto ticked = model.tickedRows();
    ASSERT_EQ(ticked.size(), 2u);
    EXPECT_EQ(ticked[0].row, 0);
    EXPECT_EQ(ticked[1].row, 2);
    EXPECT_EQ(ticked[1].copy.number, 2);
    model.setAllTicked(false);
    EXPECT_EQ(model.tickedCount(), 0);
}

TEST(CatalogModelTest, SortingByEachColumnBothWays) {
    CatalogModel model;
    model.resetRows("/p/", {makeItem("a", 800, 600, 30, "2014:01:02"),
                            makeItem("b", 640, 900, 10, "2013:12:31"),
                            makeItem("c", 800, 400, 20, "2014:01:01")});
    model.sortRows(CatalogModel::SizeColumn, true);  // width, then height
    EXPECT_EQ(rowNames(model), (std::vector<std::string>{"b", "c", "a"}));
    model.sortRows(CatalogModel::SizeColumn, false);
    EXPECT_EQ(rowNames(model), (std::vector<std::string>{"a", "c", "b"}));
    model.sortRows(CatalogModel::FileSizeColumn, true);
    EXPECT_EQ(rowNames(model), (std::vector<std::string>{"b", "c", "a"}));
    model.sortRows(CatalogModel::DateColumn, false);
    EXPECT_EQ(rowNames(model), (std::vector<std::string>{"a", "c", "b"}));
    model.sortRows(CatalogModel::NameColumn, true);  // back to load order (numbers)
    EXPECT_EQ(rowNames(model), (std::vector<std::string>{"a", "b", "c"}));
    // Ticks travel with their rows.
    model.setTicked(0, false);
    model.sortRows(CatalogModel::NameColumn, false);
    EXPECT_FALSE(model.isTicked(2));
}

TEST(CatalogModelTest, WriteBackFindsRecordsThatMovedAndSkipsRemovedRows) {
    CatalogModel model;
    model.resetRows("/p/", {makeItem("a", 1, 1, 1), makeItem("b", 1, 1, 1)});
    auto ticked = model.tickedRows();
    model.sortRows(CatalogModel::NameColumn, false);  // rows swap while the copies are out
    model.removeRow(0);                               // and "b" leaves the list
    ticked[0].copy.fileName = "a2";
    ticked[1].copy.fileName = "b2";
    model.updateRecords({{ticked[0].record, ticked[0].copy}, {ticked[1].record, ticked[1].copy}});
    EXPECT_EQ(rowNames(model), (std::vector<std::string>{"a2"}));
    EXPECT_EQ(model.recordCount(), 2);
}

TEST(CatalogModelTest, ThumbnailsPastTheLimitGoLeastRecentlyShownFirstAndAreAskedForAgain) {
    CatalogModel model;
    std::vector<CatalogItem> items;
    for (int i = 0; i < 12; ++i)
        items.push_back(makeItem("p" + std::to_string(i) + ".jpg", 4, 4, 1));
    model.resetRows("/p/", items);
    model.setThumbnailLimit(10);  // past ten, down to nine
    std::vector<CatalogRecord> wanted;
    QObject::connect(&model, &CatalogModel::thumbnailWanted,
                     [&](const CatalogRecord& record) { wanted.push_back(record); });
    QImage thumbnail(4, 4, QImage::Format_RGB888);
    thumbnail.fill(Qt::red);
    const auto shown = [&](int row) { return model.data(model.index(row, 0), Qt::DecorationRole); };

    for (int row = 0; row < 10; ++row)
        model.setThumbnail(model.record(row), thumbnail);
    EXPECT_EQ(model.thumbnailCount(), 10);
    EXPECT_FALSE(shown(0).isNull());  // row 0 is drawn: now the most recently shown
    model.setThumbnail(model.record(10), thumbnail);
    EXPECT_EQ(model.thumbnailCount(), 9);
    // Rows 1 and 2 were the oldest; row 0 survived because a view drew it.
    EXPECT_TRUE(model.thumbnail(1).isNull());
    EXPECT_TRUE(model.thumbnail(2).isNull());
    EXPECT_FALSE(model.thumbnail(0).isNull());
    EXPECT_FALSE(model.thumbnail(10).isNull());

    // A dropped row asks for its thumbnail once when drawn; a row never drawn does not ask.
    EXPECT_TRUE(shown(1).isNull());
    EXPECT_TRUE(shown(1).isNull());
    EXPECT_TRUE(shown(11).isNull());
    ASSERT_EQ(wanted.size(), 1u);
    EXPECT_EQ(wanted[0], model.record(1));
    model.setThumbnail(model.record(1), thumbnail);
    EXPECT_FALSE(shown(1).isNull());

    model.setThumbnailLimit(0);  // no limit: nothing more goes
    for (int row = 0; row < 12; ++row)
        model.setThumbnail(model.record(row), thumbnail);
    EXPECT_EQ(model.thumbnailCount(), 12);
    model.removeRow(0);
    EXPECT_EQ(model.thumbnailCount(), 11);
    model.clearThumbnails();
    EXPECT_EQ(model.thumbnailCount(), 0);
}

TEST(CatalogModelTest, DeferredRowsAskForTheirThumbnailWhenFirstShown) {
    CatalogModel model;
    std::vector<CatalogItem> items;
    for (int i = 0; i < 5; ++i)
        items.push_back(makeItem("p" + std::to_string(i) + ".jpg", 4, 4, 1));
    model.resetRows("/p/", items);
    std::vector<CatalogRecord> wanted;
    QObject::connect(&model, &CatalogModel::thumbnailWanted,
                     [&](const CatalogRecord& record) { wanted.push_back(record); });
    QImage thumbnail(4, 4, QImage::Format_RGB888);
    thumbnail.fill(Qt::red);
    model.setThumbnail(model.record(3), thumbnail);  // drawn already: kept, never asked for
    model.deferThumbnails(2);
    for (int row = 0; row < 5; ++row)
        model.data(model.index(row, 0), Qt::DecorationRole);
    model.data(model.index(4, 0), Qt::DecorationRole);  // once until it arrives
    ASSERT_EQ(wanted.size(), 2u);
    EXPECT_EQ(wanted[0], model.record(2));
    EXPECT_EQ(wanted[1], model.record(4));
    EXPECT_FALSE(model.thumbnail(3).isNull());
}

TEST(PhotoSummaryTest, SummarisesExifRowsAndClearsForTheRest) {
    CatalogItem item;
    item.isExif = 1;
    item.apertureFNumber = 5.6f;
    item.exposureTime = 1.0f / 60.0f;
    item.exposureBias = -0.33f;
    item.isoEquivalent = 100;
    item.cameraModel = "X100";
    EXPECT_EQ(photoSummary(item), "光圈：5.6 快门：1／60' 曝光补偿：-0.3 ISO：100 - X100");
    item.exposureTime = 1.0f / 125.0f;
    EXPECT_TRUE(photoSummary(item).contains("快门：1／125'"));
    item.isExif = 0;
    EXPECT_EQ(photoSummary(item), "");
}

}  // namespace
}  // namespace pixmill
