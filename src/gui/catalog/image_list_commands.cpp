// The catalog panel's right-click menu and the commands on the selected rows.
#include <QAbstractItemView>
#include <QActionGroup>
#include <QItemSelectionModel>
#include <QMenu>

#include <algorithm>

#include "engine/app/app_settings.h"
#include "engine/batch/work_gate.h"
#include "engine/platform/file_ops.h"
#include "engine/platform/item_shell.h"
#include "engine/platform/native_path.h"
#include "engine/platform/status.h"
#include "gui/catalog/image_list_dialog.h"

namespace pixmill {

namespace cc = catalog_command;

std::vector<int> CImageListDlg::selectedRows() const {
    std::vector<int> rows;
    const QItemSelectionModel* selection = currentView()->selectionModel();
    if (!selection)
        return rows;
    for (const QModelIndex& index : selection->selectedRows(0))
        rows.push_back(index.row());
    // The icon view reports selected cells rather than rows.
    if (rows.empty()) {
        for (const QModelIndex& index : selection->selectedIndexes())
            rows.push_back(index.row());
    }
    std::sort(rows.begin(), rows.end());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    return rows;
}

ItemShell& CImageListDlg::shell() const {
    return services_.shell ? *services_.shell : desktopItemShell();
}

std::unique_ptr<QMenu> CImageListDlg::buildContextMenu() {
    auto menu = std::make_unique<QMenu>(this);
    const bool anySelected = !selectedRows().empty();
    auto add = [&](int id, const char* text, bool needsSelection) {
        QAction* action = menu->addAction(QString::fromUtf8(text));
        action->setData(id);
        if (needsSelection)
            action->setEnabled(anySelected);
        return action;
    };
    add(cc::kPreview, "预览", true);
    add(cc::kEdit, "编辑", true);
    add(cc::kOpenLocation, "打开文件位置", true);
    menu->addSeparator();
    add(cc::kCopyToDesktop, "复制到桌面", true);
    add(cc::kDeleteToTrash, "删除（至回收站）", true);
    menu->addSeparator();
    const bool canRotate = jobs_->canRotate();
    for (auto [id, text] :
         {std::pair{cc::kRotateClockwise, "顺时针旋转"},
          std::pair{cc::kRotateCounterClockwise, "逆时针旋转"},
          std::pair{cc::kFlipHorizontal, "左右翻转"}, std::pair{cc::kFlipVertical, "上下翻转"}}) {
        add(id, text, true)->setEnabled(anySelected && canRotate);
    }
    menu->addSeparator();
    QAction* selectAll = add(cc::kSelectAll, selectAll_ ? "全不选" : "全选", false);
    selectAll->setCheckable(true);
    selectAll->setChecked(selectAll_);
    menu->addSeparator();
    auto* modes = new QActionGroup(menu.get());
    const std::pair<int, const char*> modeItems[] = {{cc::kExtraLargeIcons, "超大图标"},
                                                     {cc::kLargeIcons, "大图标"},
                                                     {cc::kDetails, "详细信息"}};
    for (int mode = 0; mode < 3; ++mode) {
        QAction* action = add(modeItems[mode].first, modeItems[mode].second, false);
        action->setCheckable(true);
        action->setChecked(mode == viewMode());
        modes->addAction(action);
    }
    return menu;
}

void CImageListDlg::showContextMenu(const QPoint& globalPos) {
    std::unique_ptr<QMenu> menu = buildContextMenu();
    QAction* chosen = menu->exec(globalPos);
    if (chosen)
        runCommand(chosen->data().toInt());
}

void CImageListDlg::runCommand(int commandId) {
    const std::vector<int> rows = selectedRows();
    switch (commandId) {
        case cc::kSelectAll:
            toggleSelectAll();
            return;
        case cc::kExtraLargeIcons:
            setViewMode(0);
            return;
        case cc::kLargeIcons:
            setViewMode(1);
            return;
        case cc::kDetails:
            setViewMode(2);
            return;
        case cc::kPreview:
            previewRows(rows);
            return;
        case cc::kEdit:
            editRows(rows);
            return;
        case cc::kOpenLocation:
            openLocation(rows);
            return;
        case cc::kCopyToDesktop:
            copyToDesktop(rows);
            return;
        case cc::kDeleteToTrash:
            deleteToTrash(rows);
            return;
        case cc::kRotateClockwise:
            rotateRows(rows, 1);
            return;
        case cc::kRotateCounterClockwise:
            rotateRows(rows, 3);
            return;
        case cc::kFlipHorizontal:
            rotateRows(rows, 4);
            return;
        case cc::kFlipVertical:
            rotateRows(rows, 6);
            return;
        default:
            return;
    }
}

bool CImageListDlg::refuseWhileWorking() const {
    const WorkKind running = services_.gate ? services_.gate->running() : WorkKind::None;
    if (running == WorkKind::None)
        return false;
    setStatusText(1, WorkGate::refusalFor(running));
    return true;
}

void CImageListDlg::toggleSelectAll() {
    selectAll_ = !selectAll_;
    services_.model->setAllTicked(selectAll_);
}

void CImageListDlg::previewRows(const std::vector<int>& rows) {
    for (int row : rows) {
        if (!services_.model->record(row))
            continue;
        shell().openFile(pathFromBytes(services_.model->item(row).fullPath));
    }
}

void CImageListDlg::editRows(const std::vector<int>& rows) {
    for (int row : rows) {
        if (!services_.model->record(row))
            continue;
        shell().editFile(pathFromBytes(services_.model->item(row).fullPath));
    }
}

void CImageListDlg::openLocation(const std::vector<int>& rows) {
    if (rows.empty() || !services_.model->record(rows.front()))
        return;
    shell().showInFolder(pathFromBytes(services_.model->item(rows.front()).fullPath));
}

void CImageListDlg::copyToDesktop(const std::vector<int>& rows) {
    const std::string desktop = pathBytes(shell().desktopFolder());
    int copied = 0;
    std::string failed;
    for (int row : rows) {
        if (!services_.model->record(row))
            continue;
        const CatalogItem item = services_.model->item(row);
        const std::string target = desktop + item.fileName;
        // A picture already on the desktop is its own copy; copying it onto itself would
        // truncate it.
        if (target == item.fullPath)
            continue;
        if (systemFileOps().copyFile(item.fullPath, target, true)) {
            ++copied;
        } else if (failed.empty()) {
            failed = item.fileName;
        }
    }
    if (!failed.empty()) {
        setStatusText(1, "复制到桌面失败：" + failed);
    } else if (copied > 0) {
        statusPrintf("已复制 %d 张图片到桌面", copied);
    }
}

void CImageListDlg::deleteToTrash(const std::vector<int>& rows) {
    if (refuseWhileWorking())
        return;
    std::vector<int> trashed;
    QStringList kept;
    for (int row : rows) {
        if (!services_.model->record(row))
            continue;
        const CatalogItem item = services_.model->item(row);
        if (shell().moveToTrash(pathFromBytes(item.fullPath)))
            trashed.push_back(row);
        else
            kept << QString::fromStdString(item.fileName);
    }
    if (!kept.isEmpty()) {
        setStatusText(1, QStringLiteral("无法移到回收站，%1 张照片留在原处：%2")
                             .arg(kept.size())
                             .arg(kept.join(QStringLiteral("、")))
                             .toStdString());
    }
    // The last row first, so the rows still to remove keep their indexes. Their records stay
    // in the catalog until the next load.
    for (auto row = trashed.rbegin(); row != trashed.rend(); ++row)
        services_.model->removeRow(*row);
}

void CImageListDlg::rotateRows(const std::vector<int>& rows, int code) {
    if (!jobs_->canRotate() || refuseWhileWorking())
        return;
    for (int row : rows) {
        const CatalogRecord record = services_.model->record(row);
        if (!record)
            continue;
        // The rotation's status text counts from the record's number: the row it is on now.
        CatalogItem numbered = services_.model->item(row);
        numbered.number = row;
        services_.model->updateRecords({{record, numbered}});
        jobs_->rotate(record, code, thumbnailBox());
    }
}

}  // namespace pixmill
