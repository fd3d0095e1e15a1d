#include "gui/jpegmeta/batch_commands.h"

#include <QCursor>
#include <QDialog>
#include <QMenu>

#include "engine/batch/batch_table.h"
#include "engine/batch/metadata_job.h"
#include "engine/catalog/catalog_model.h"
#include "engine/imaging/crop_batch.h"
#include "engine/imaging/rotate_batch.h"
#include "engine/platform/native_path.h"
#include "gui/controls/base_tool_dlg.h"
#include "gui/controls/toolbox_dlg.h"
#include "gui/controls/user_prompter.h"
#include "gui/imaging/clip_image_dlg.h"
#include "gui/jpegmeta/add_comments_dlg.h"
#include "gui/jpegmeta/update_time_dlg.h"

namespace pixmill {

QString confirmationFor(int command) {
    const BatchMenuEntry* entry = batchMenuEntry(command);
    return entry && entry->confirmation ? QString::fromUtf8(entry->confirmation) : QString();
}

void fillBatchMenu(QMenu* menu, const std::function<void(QAction* action, int command)>& bind) {
    const auto add = [&](int command, const char* caption) {
        QAction* action = menu->addAction(QString::fromUtf8(caption));
        action->setData(command);
        bind(action, command);
    };
    int group = batchTable().front().menuGroup;
    for (const BatchKindInfo& info : batchTable()) {
        if (info.menuGroup != group)
            menu->addSeparator();
        group = info.menuGroup;
        for (const BatchMenuEntry& entry : info.menu)
            add(entry.id, entry.caption);
    }
    menu->addSeparator();
    add(command::kOpenOutputFolder, "打开图片保存目录");
}

CBatchCommands::CBatchCommands(CatalogModel& model, CToolboxDlg& toolbox, BatchStarter starter,
                               QWidget* owner, UserPrompter* prompter, Profile* profile)
    : QObject(owner),
      model_(model),
      toolbox_(toolbox),
      starter_(std::move(starter)),
      owner_(owner),
      prompter_(prompter ? prompter : &boxPrompter()),
      profile_(profile),
      runDialog_([](QDialog& dialog) { return dialog.exec() == QDialog::Accepted; }) {}

bool CBatchCommands::run(int command) {
    if (command == command::kOpenOutputFolder) {
        Q_EMIT openOutputDirRequested();
        return true;
    }
    if (command == command::kUndoRename) {
        Q_EMIT undoRenameRequested();
        return true;
    }
    const std::string refusal = checkStart(model_, nullptr, StartOrigin::MenuCommand);
    if (!refusal.empty()) {
        prompter_->warning(owner_, QString::fromStdString(refusal));
        return false;
    }
    if (command == command::kMore)
        return popup();
    const BatchKindInfo* info = nullptr;
    const BatchMenuEntry* entry = batchMenuEntry(command, &info);
    if (!entry)
        return false;
    const std::vector<TickedRow> ticked = model_.tickedRows();
    return runEntry(*info, *entry, pathFromBytes(ticked.front().copy.fullPath));
}

bool CBatchCommands::runEntry(const BatchKindInfo& info, const BatchMenuEntry& entry,
                              const QString& firstPath) {
    switch (entry.start) {
        case MenuStart::Panel:
            return switchPanel(entry.argument, false);
        case MenuStart::LayoutPanel:
            return switchPanel(entry.argument, true);
        case MenuStart::Direct:
            return info.kind == BatchKind::RotateFlip &&
                   start(makeRotateFlipJob(RotateFlipParams{entry.argument, rotated_}));
        case MenuStart::Confirmed:
            if (!prompter_->question(owner_, QString::fromUtf8(entry.confirmation)))
                return false;
            return start(makeMetadataJob(info.kind, {}));
        case MenuStart::Dialog:
            if (info.kind == BatchKind::Crop)
                return crop(firstPath);
            if (info.kind == BatchKind::ShiftTime)
                return shiftTime();
            return info.kind == BatchKind::AddComment && addComment();
        case MenuStart::Undo:
            break;
    }
    return false;
}

QMenu* CBatchCommands::buildMenu(QWidget* parent) {
    auto* menu = new QMenu(QStringLiteral("批量操作"), parent);
    fillBatchMenu(menu, [this](QAction* action, int command) {
        connect(action, &QAction::triggered, this, [this, command] { run(command); });
    });
    return menu;
}

bool CBatchCommands::popup() {
    QMenu* menu = popupMenu_ ? popupMenu_() : nullptr;
    if (!menu) {
        menu = buildMenu(owner_);
        menu->setAttribute(Qt::WA_DeleteOnClose);
    }
    menu->popup(QCursor::pos());
    return true;
}

bool CBatchCommands::switchPanel(int panelId, bool layoutView) {
    if (!toolbox_.showPanel(panelId))
        return false;
    Q_EMIT layoutViewRequested(layoutView);
    return true;
}

bool CBatchCommands::crop(const QString& firstPath) {
    CClipImageDlg dialog(firstPath, prompter_, owner_, profile_);
    if (!runDialog_(dialog))
        return false;
    return start(makeCropJob(dialog.cropParams()));
}

bool CBatchCommands::shiftTime() {
    CUpdateTimeDlg dialog(prompter_, owner_);
    if (!runDialog_(dialog))
        return false;
    MetadataParams params;
    params.shiftHours = dialog.hours();
    return start(makeMetadataJob(BatchKind::ShiftTime, params));
}

bool CBatchCommands::addComment() {
    CAddCommentsDlg dialog(owner_);
    if (!runDialog_(dialog))
        return false;
    MetadataParams params;
    params.commentText = dialog.comment().toStdString();
    return start(makeMetadataJob(BatchKind::AddComment, params));
}

bool CBatchCommands::start(BatchJob job) {
    return starter_(std::move(job)).empty();
}

}  // namespace pixmill
