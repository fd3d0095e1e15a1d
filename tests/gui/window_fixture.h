#pragma once
// The whole window with its tool panels, over real photo plugins: what the workflow suites
// drive as a user would.

#include <QTest>

#include <memory>

#include "catalog_fixture.h"
#include "engine/catalog/folder_scan.h"
#include "engine/imaging/catalog_thumbnail.h"
#include "engine/imaging/rotate_batch.h"
#include "gui/app/main_dialog.h"
#include "gui/app/tool_panels.h"
#include "recording_prompter.h"

namespace pixmill::testing {

// A bound for waiting on a batch over a few photos, generous enough for the sanitizer builds;
// never a measure of speed.
inline constexpr int kBatchLimitMs = 180000;

class WindowFixture : public SettingsFixture {
  protected:
    // Opens the window over the current settings, shown and exposed.
    void openWindow() {
        CatalogPlugins plugins;
        plugins.reader = readPhotoDetails;
        plugins.renderThumbnail = renderCatalogThumbnail;
        plugins.rotateFlip = [](CatalogItem& item, int code) { return rotateFlipItem(item, code); };
        plugins.shell = &shell;
        window = std::make_unique<CMainDlg>(settings, std::move(plugins));
        panels = installToolPanels(*window, settings, &prompter);
        window->setMessenger([this](const QString& text) { prompter.shown << text; });
        window->resize(1200, 780);
        window->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
    }

    CatalogModel& model() { return window->catalogModel(); }
    bool idle() { return !window->workRunning() && window->toolboxSlot()->isEnabled(); }

    TempDir output;
    RecordingShell shell;
    RecordingPrompter prompter{true};  // "yes" unless a test says otherwise
    std::unique_ptr<CMainDlg> window;
    ToolPanels panels;
};

}  // namespace pixmill::testing
