#pragma once
// The batch-operations commands of the toolbar and the "批量操作" menu, both made from the
// batch table (engine/batch/batch_table.h): each command is refused by checkStart when
// nothing is ticked, then switches a panel or asks its dialog or confirmation, and starts its
// batch.

#include <QObject>
#include <QString>

#include <functional>

#include "engine/batch/batch_starter.h"
#include "engine/batch/batch_table.h"

class QAction;
class QDialog;
class QMenu;
class QWidget;

namespace pixmill {

class Profile;

class CatalogModel;
class CToolboxDlg;
class UserPrompter;

// The confirmation a destructive command asks first; empty for the others.
QString confirmationFor(int command);

// Adds the "批量操作" entries to `menu` in the table's order, a separator between the groups,
// and at the end a separator and "打开图片保存目录"; `bind` gives each new action its command.
// The main menu and the toolbar's popup are both this menu.
void fillBatchMenu(QMenu* menu, const std::function<void(QAction* action, int command)>& bind);

class CBatchCommands : public QObject {
    Q_OBJECT
  public:
    // With a `profile` the crop dialog keeps its output options in it.
    CBatchCommands(CatalogModel& model, CToolboxDlg& toolbox, BatchStarter starter, QWidget* owner,
                   UserPrompter* prompter = nullptr, Profile* profile = nullptr);

    // Runs one command. False when it was refused or cancelled, or started nothing.
    bool run(int command);

    // A "批量操作" menu of its own, its entries' data being their command ids; choosing one runs
    // it (32847 is emitted as openOutputDirRequested, 32850 as undoRenameRequested).
    QMenu* buildMenu(QWidget* parent);
    // The menu the toolbar's "更多功能" pops up (the main window's own); without one, a menu of
    // our own is built for the popup.
    void setPopupMenu(std::function<QMenu*()> menu) { popupMenu_ = std::move(menu); }

    // Runs a command's modal dialog; tests replace it to fill in and answer the dialog.
    using DialogRunner = std::function<bool(QDialog& dialog)>;
    void setDialogRunner(DialogRunner runner) { runDialog_ = std::move(runner); }

    // Told of every picture a rotate or flip batch has turned, on the batch's threads (the
    // catalog draws its thumbnail again).
    using RotatedHandler = std::function<void(const CatalogItem& item)>;
    void setRotatedHandler(RotatedHandler handler) { rotated_ = std::move(handler); }

  Q_SIGNALS:
    // The content pane: true shows the watermark layout view, false the image list.
    void layoutViewRequested(bool layoutView);
    void openOutputDirRequested();
    void undoRenameRequested();

  private:
    bool runEntry(const BatchKindInfo& info, const BatchMenuEntry& entry, const QString& firstPath);
    bool switchPanel(int panelId, bool layoutView);
    bool popup();
    bool crop(const QString& firstPath);
    bool shiftTime();
    bool addComment();
    bool start(BatchJob job);

    CatalogModel& model_;
    CToolboxDlg& toolbox_;
    BatchStarter starter_;
    QWidget* owner_;
    UserPrompter* prompter_;
    Profile* profile_;
    DialogRunner runDialog_;
    RotatedHandler rotated_;
    std::function<QMenu*()> popupMenu_;
};

}  // namespace pixmill
