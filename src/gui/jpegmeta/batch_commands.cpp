#include "gui/jpegmeta/batch_commands.h"

#include <QCursor>
#include <QDialog>
#include <QMenu>

#include "engine/batch/batch_table.h"
#include "engine/batch/metadata_job.h"
#include "engine/catalog/catalog_model.h"
#include "engine/imaging/crop_batch.h"
#include "engine/imaging/rotate_batch.h"
#include "gui/controls/base_tool_dlg.h"
#include "gui/controls/toolbox_dlg.h"
#include "gui/controls/user_prompter.h"
#include "gui/imaging/clip_image_dlg.h"
#include "gui/jpegmeta/add_comments_dlg.h"
#include "gui/jpegmeta/update_time_dlg.h"

namespace pixmill {

namespace {

struct MenuEntry {
    int command;  // 0: a separator
    const char* text;
};

constexpr MenuEntry kMenuEntries[] = {
    {kCmdRename, "批量重命名"},
    {kCmdResize, "批量缩略图"},
    {kCmdImageWatermark, "批量添加水印"},
    {kCmdTextWatermark, "批量添加文字"},
    {0, nullptr},
    {kCmdShiftTime, "批量校正照片拍摄日期"},
    {0, nullptr},
    {kCmdCrop, "批量裁剪"},
    {kCmdRotateRight, "批量向右旋转（顺时针旋转）"},
    {kCmdRotateLeft, "批量向左旋转（逆时针旋转）"},
    {kCmdFlipLeftRight, "批量左右翻转"},
    {kCmdFlipTopBottom, "批量上下翻转"},
    {0, nullptr},
    {kCmdAddComment, "批量添加照片备注"},
    {kCmdDeleteComment, "批量删除照片备注"},
    {0, nullptr},
    {kCmdDeleteExif, "批量删除照片Exif信息（保护照片拍摄参数信息）"},
    {kCmdDeleteNonOriginal, "批量删除非原始Exif信息（三方图片编辑软件残留信息）"},
    {kCmdPureJpeg, "批量精简照片（保留jpg最基本信息，可以减小图片提及）"},
    {0, nullptr},
    {kCmdOpenOutputDir, "打开图片保存目录"},
};

int rotateCodeFor(int command) {
    switch (command) {
    case kCmdRotateRight: return kRotate90;
    case kCmdRotateLeft: return kRotate270;
    case kCmdFlipLeftRight: return kFlipX;
    default: return kFlipY;
    }
}

BatchKind metadataKindFor(int command) {
    switch (command) {
    case kCmdDeleteExif: return BatchKind::DeleteExif;
    case kCmdDeleteComment: return BatchKind::DeleteComment;
    case kCmdDeleteNonOriginal: return BatchKind::DeleteNonOriginal;
    default: return BatchKind::PureJpeg;
    }
}

}  // namespace

QString confirmationFor(int command) {
    switch (command) {
    case kCmdDeleteExif: return QStringLiteral("确定要删除图片Exif信息？删除后将无法恢复");
    case kCmdDeleteComment: return QStringLiteral("删除jpeg信息中的备注，确定删除吗？");
    case kCmdDeleteNonOriginal:
        return QStringLiteral(
            "删除非原始exif信息（例如Photoshop，美图秀秀之类编辑后修改的信息），确定删除吗？");
    case kCmdPureJpeg:
        return QStringLiteral("删除所有jpeg文件非必须的信息，图片不会失真，确定删除吗？");
    default: return QString();
    }
}

CBatchCommands::CBatchCommands(CatalogModel& model, CToolboxDlg& toolbox, BatchStarter starter,
                               QWidget* owner, UserPrompter* prompter)
    : QObject(owner),
      model_(model),
      toolbox_(toolbox),
      starter_(std::move(starter)),
      owner_(owner),
      prompter_(prompter ? prompter : &boxPrompter()),
      runDialog_([](QDialog& dialog) { return dialog.exec() == QDialog::Accepted; }) {}

bool CBatchCommands::run(int command) {
    if (command == kCmdOpenOutputDir) {
        Q_EMIT openOutputDirRequested();
        return true;
    }
    const std::vector<TickedRow> ticked = model_.tickedRows();
    if (ticked.empty()) {
        prompter_->warning(owner_, QString::fromUtf8(kNothingTickedMessage));
        return false;
    }
    const QString firstPath = QString::fromStdString(ticked.front().copy.fullPath);
    switch (command) {
    case kCmdRename: return switchPanel(kRenamePanelId, false);
    case kCmdResize: return switchPanel(kResizePanelId, false);
    case kCmdImageWatermark: return switchPanel(kImageWatermarkPanelId, true);
    case kCmdTextWatermark: return switchPanel(kTextWatermarkPanelId, true);
    case kCmdCrop: return crop(firstPath);
    case kCmdRotateRight:
    case kCmdRotateLeft:
    case kCmdFlipLeftRight:
    case kCmdFlipTopBottom:
        return start(makeRotateFlipJob(RotateFlipParams{rotateCodeFor(command), rotated_}));
    case kCmdShiftTime: return shiftTime();
    case kCmdAddComment: return addComment();
    case kCmdDeleteExif:
    case kCmdDeleteComment:
    case kCmdDeleteNonOriginal:
    case kCmdPureJpeg:
        if (!prompter_->question(owner_, confirmationFor(command)))
            return false;
        return start(makeMetadataJob(metadataKindFor(command), {}));
    case kCmdMore: {
        QMenu* menu = buildMenu(owner_);
        menu->setAttribute(Qt::WA_DeleteOnClose);
        menu->popup(QCursor::pos());
        return true;
    }
    default: return false;
    }
}

QMenu* CBatchCommands::buildMenu(QWidget* parent) {
    auto* menu = new QMenu(QStringLiteral("批量操作"), parent);
    for (const MenuEntry& entry : kMenuEntries) {
        if (entry.command == 0) {
            menu->addSeparator();
            continue;
        }
        QAction* action = menu->addAction(QString::fromUtf8(entry.text));
        action->setData(entry.command);
        const int command = entry.command;
        connect(action, &QAction::triggered, this, [this, command] { run(command); });
    }
    return menu;
}

bool CBatchCommands::switchPanel(int panelId, bool layoutView) {
    if (!toolbox_.showPanel(panelId))
        return false;
    Q_EMIT layoutViewRequested(layoutView);
    return true;
}

bool CBatchCommands::crop(const QString& firstPath) {
    CClipImageDlg dialog(firstPath, prompter_, owner_);
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

bool CBatchCommands::start(BatchJob job) { return starter_(std::move(job)).empty(); }

}  // namespace pixmill
