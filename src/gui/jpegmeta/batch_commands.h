#pragma once
// The batch-operations commands (1011–1027) of the toolbar and the "批量操作" menu: each one
// refuses when nothing is ticked, switches a panel or asks its dialog or confirmation, and
// starts its batch.

#include <QObject>
#include <QString>

#include <functional>

#include "gui/controls/batch_starter.h"

class QDialog;
class QMenu;
class QWidget;

namespace pixmill {

class CatalogModel;
class CToolboxDlg;
class UserPrompter;

enum BatchCommand {
    kCmdRename = 1011,
    kCmdCrop = 1012,
    kCmdRotateRight = 1013,
    kCmdRotateLeft = 1014,
    kCmdFlipLeftRight = 1015,
    kCmdFlipTopBottom = 1016,
    kCmdShiftTime = 1017,
    kCmdResize = 1018,
    kCmdDeleteExif = 1019,
    kCmdDeleteComment = 1021,
    kCmdAddComment = 1022,
    kCmdDeleteNonOriginal = 1023,
    kCmdPureJpeg = 1024,
    kCmdImageWatermark = 1025,
    kCmdTextWatermark = 1026,
    kCmdMore = 1027,
    kCmdOpenOutputDir = 32847,
};

// The confirmation a destructive command asks first; empty for the others.
QString confirmationFor(int command);

class CBatchCommands : public QObject {
    Q_OBJECT
public:
    CBatchCommands(CatalogModel& model, CToolboxDlg& toolbox, BatchStarter starter,
                   QWidget* owner, UserPrompter* prompter = nullptr);

    // Runs one command. False when it was refused or cancelled, or started nothing.
    bool run(int command);

    // The "批量操作" menu, its entries' data being their command ids; choosing one runs it
    // (32847 is emitted as openOutputDirRequested).
    QMenu* buildMenu(QWidget* parent);

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

private:
    bool switchPanel(int panelId, bool layoutView);
    bool crop(const QString& firstPath);
    bool shiftTime();
    bool addComment();
    bool start(BatchJob job);

    CatalogModel& model_;
    CToolboxDlg& toolbox_;
    BatchStarter starter_;
    QWidget* owner_;
    UserPrompter* prompter_;
    DialogRunner runDialog_;
    RotatedHandler rotated_;
};

}  // namespace pixmill
