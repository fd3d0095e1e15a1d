#include "gui/app/tool_panels.h"

#include <QDesktopServices>
#include <QDir>
#include <QPushButton>
#include <QUrl>
#include <QVBoxLayout>

#include "engine/app/app_settings.h"
#include "engine/app/object_thread.h"
#include "engine/batch/batch_starter.h"
#include "engine/platform/native_path.h"
#include "engine/platform/status.h"
#include "gui/app/content_dialog.h"
#include "gui/app/main_dialog.h"
#include "gui/catalog/image_list_dialog.h"
#include "gui/controls/base_tool_dlg.h"
#include "gui/controls/toolbox_dlg.h"
#include "gui/controls/user_prompter.h"
#include "gui/imaging/thumbnail_dlg.h"
#include "gui/jpegmeta/batch_commands.h"
#include "gui/rename/rename_image_dlg.h"
#include "gui/watermark/layout_library_bar.h"
#include "gui/watermark/layout_pane.h"
#include "gui/watermark/preview_dlg.h"
#include "gui/watermark/water_image_dlg.h"
#include "gui/watermark/water_text_dlg.h"

namespace pixmill {
namespace {

// A watermark panel in the tool box: the panel is built with the canvas it edits, so the host
// only places it and forwards the start.
class WatermarkPanelHost : public CBaseToolDlg {
  public:
    WatermarkPanelHost(int panelId, const QString& displayName, QWidget* panel,
                       std::function<bool()> start)
        : CBaseToolDlg(panelId, displayName), panel_(panel), start_(std::move(start)) {
        auto* layout = new QVBoxLayout(this);
        layout->setContentsMargins(0, 0, 0, 0);
        layout->addWidget(panel_);
    }
    bool StartBatch() override { return start_(); }

  protected:
    void initDialog() override {}

  private:
    QWidget* panel_;
    std::function<bool()> start_;
};

// Asked several times a second while the watermark preview is shown: no copy of the other rows.
std::optional<CatalogItem> firstTickedItem(const CatalogModel& model) {
    for (int row = 0; row < model.rowCount(); ++row) {
        if (model.isTicked(row))
            return model.item(row);
    }
    return std::nullopt;
}

}  // namespace

ToolPanels installToolPanels(CMainDlg& window, AppSettings& settings, UserPrompter* prompter) {
    CatalogModel& model = window.catalogModel();
    // A refused start (a batch or a load runs) is said in a box, not only in the status line:
    // a menu command confirmed a moment ago must not end without a word.
    const BatchStarter starter =
        [&window, prompter,
         start = driverStarter(window.batchDriver(), model, settings)](BatchJob job) {
            const std::string refusal = start(std::move(job));
            if (!refusal.empty())
                (prompter ? *prompter : boxPrompter())
                    .warning(&window, QString::fromStdString(refusal));
            return refusal;
        };
    const StartBatchFunction startWatermark = [starter](BatchJob job) {
        return starter(std::move(job)).empty();
    };

    auto* toolbox = new CToolboxDlg;
    window.setToolbox(toolbox);
    toolbox->addPanel(new CRenameImageDlg(settings, model, starter, prompter));
    toolbox->addPanel(new CThumbnailDlg(settings, starter, prompter));

    auto* pane = new CLayoutPane;
    pane->setPreviewSource([&model] { return firstTickedItem(model); });
    window.content()->setLayoutView(pane);
    CPreviewDlg* canvas = pane->canvas();
    auto* text =
        new CWaterTextDlg(canvas, settings.profile(), settings.templateDir, startWatermark);
    auto* image =
        new CWaterImageDlg(canvas, settings.programDir + QString::fromUtf8("水印"),
                           settings.templateDir, startWatermark, nullptr, &settings.profile());
    // Saved layouts, and the one used last back on the canvas (the panels follow it).
    pane->libraryBar()->setStore(settings.profile(), settings.templateDir, prompter);
    pane->libraryBar()->restoreLastLayout();
    toolbox->addPanel(new WatermarkPanelHost(kImageWatermarkPanelId, QString::fromUtf8("水印"),
                                             image, [image] { return image->startBatch(); }));
    toolbox->addPanel(new WatermarkPanelHost(kTextWatermarkPanelId, QString::fromUtf8("添加文字"),
                                             text, [text] { return text->startBatch(); }));
    const auto textPanelShown = [toolbox] {
        return toolbox->currentPanel() &&
               toolbox->currentPanel()->panelId() == kTextWatermarkPanelId;
    };
    QObject::connect(canvas, &CPreviewDlg::selectionClicked, text, [text, textPanelShown] {
        if (textPanelShown())
            text->followSelection();
    });
    QObject::connect(canvas, &CPreviewDlg::fontSizeWheeled, text, [text, textPanelShown](int size) {
        if (textPanelShown())
            text->showFontSize(size);
    });

    QObject::connect(toolbox, &CToolboxDlg::startCaptionChanged, &window,
                     [&window](const QString& caption) { window.setStartCaption(caption); });
    auto* commands =
        new CBatchCommands(model, *toolbox, starter, &window, prompter, &settings.profile());
    QObject::connect(commands, &CBatchCommands::layoutViewRequested, window.content(),
                     &CContentDlg::showLayoutView);
    QObject::connect(commands, &CBatchCommands::openOutputDirRequested, &window, [&settings] {
        if (!QDesktopServices::openUrl(fileUrl(settings.outputDir))) {
            setStatusText(1, QStringLiteral("无法打开输出目录，处理结果在：%1")
                                 .arg(displayPath(settings.outputDir))
                                 .toStdString());
        }
    });
    commands->setPopupMenu([&window] { return window.batchMenu(); });
    QObject::connect(canvas, &CPreviewDlg::addTextRequested, commands,
                     [commands] { commands->run(command::kTextWatermark); });
    // A turned picture gets its thumbnail drawn again, on the window's thread.
    CImageListDlg* catalog = window.imageList();
    commands->setRotatedHandler([catalog](const CatalogItem& item) {
        // Plain bytes across threads; the text is made on the window's thread.
        postToObjectThread(catalog, [catalog, path = item.fullPath] {
            catalog->redrawThumbnail(pathFromBytes(path));
        });
    });
    window.setDispatcher([commands](int command) { commands->run(command); });
    window.setActivePanel([toolbox] { return toolbox->currentPanel(); });
    toolbox->showPanel(kRenamePanelId);
    return ToolPanels{toolbox, commands, pane, canvas, text, image};
}

}  // namespace pixmill
