#pragma once
// The catalog panel's suites: a panel over the fixture's photo folder with recording status,
// shell and the picture's own dimensions as its photo details.

#include <QImageReader>
#include <QItemSelectionModel>

#include "catalog_fixture.h"
#include "engine/batch/work_gate.h"
#include "gui/catalog/catalog_views.h"
#include "gui/catalog/image_list_dialog.h"

namespace pixmill::testing {

class ImageListTest : public SettingsFixture {
  protected:
    ImageListTest() {
        services.settings = &settings;
        services.profile = &profile;
        services.model = &model;
        services.gate = &gate;
        services.shell = &shell;
        services.poolSize = 2;
        // Stands in for the photo reader: the picture's dimensions, as its header gives them.
        services.reader = [](const std::string& path, CatalogItem& item) {
            const QSize size = QImageReader(QString::fromStdString(path)).size();
            item.width = size.width();
            item.height = size.height();
        };
    }

    // Loads the fixture folder and waits for the load and its thumbnails.
    void load(CImageListDlg& panel) {
        panel.folderBox()->setEditText(QString::fromStdString(photos.folder()));
        ASSERT_TRUE(panel.loadFolder());
        ASSERT_TRUE(waitUntil([&] { return !panel.busy(); }));
    }
    QStringList names() const {
        QStringList result;
        for (int row = 0; row < model.rowCount(); ++row) {
            result << QString::fromStdString(model.item(row).fileName);
        }
        return result;
    }
    void select(CImageListDlg& panel, std::initializer_list<int> rows) {
        QItemSelectionModel* selection = panel.currentView()->selectionModel();
        selection->clearSelection();
        for (int row : rows) {
            selection->select(model.index(row, 0),
                              QItemSelectionModel::Select | QItemSelectionModel::Rows);
        }
    }

    StatusRecorder status;
    RecordingShell shell;
    CatalogModel model;
    WorkGate gate;
    CatalogServices services;
};

}  // namespace pixmill::testing
