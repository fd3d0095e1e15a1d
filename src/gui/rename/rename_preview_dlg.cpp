#include "gui/rename/rename_preview_dlg.h"

#include <QDialogButtonBox>
#include <QHeaderView>
#include <QLabel>
#include <QTableWidget>
#include <QVBoxLayout>

#include <map>

namespace pixmill {

std::vector<bool> clashingEntries(const RenamePlan& plan) {
    std::map<std::string, int> uses;
    for (const RenamePlanEntry& entry : plan.entries)
        ++uses[entry.finalName];
    std::vector<bool> clashing;
    for (const RenamePlanEntry& entry : plan.entries)
        clashing.push_back(!entry.finalName.empty() && uses[entry.finalName] > 1);
    return clashing;
}

CRenamePreviewDlg::CRenamePreviewDlg(const RenamePlan& plan, QWidget* parent)
    : QDialog(parent), table_(new QTableWidget(this)), verdict_(new QLabel(this)) {
    setWindowTitle(QStringLiteral("重命名预览"));
    verdict_->setWordWrap(true);
    verdict_->setText(plan.refused()
                          ? QString::fromStdString(plan.refusal)
                          : QStringLiteral("共 %1 个图片，可以重命名。").arg(plan.entries.size()));
    table_->setColumnCount(3);
    table_->setHorizontalHeaderLabels(
        {QStringLiteral("原文件名"), QStringLiteral("新文件名"), QStringLiteral("冲突")});
    table_->setRowCount(static_cast<int>(plan.entries.size()));
    table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    const std::vector<bool> clashing = clashingEntries(plan);
    for (size_t i = 0; i < plan.entries.size(); ++i) {
        const RenamePlanEntry& entry = plan.entries[i];
        const int row = static_cast<int>(i);
        table_->setItem(row, 0, new QTableWidgetItem(QString::fromStdString(entry.oldName)));
        table_->setItem(row, 1, new QTableWidgetItem(QString::fromStdString(entry.finalName)));
        auto* mark = new QTableWidgetItem(clashing[i] ? QStringLiteral("重名") : QString());
        table_->setItem(row, 2, mark);
        if (clashing[i]) {
            for (int column = 0; column < 3; ++column)
                table_->item(row, column)->setForeground(Qt::red);
        }
    }
    table_->horizontalHeader()->setStretchLastSection(true);
    table_->resizeColumnsToContents();
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(verdict_);
    layout->addWidget(table_);
    layout->addWidget(buttons);
    resize(560, 420);
}

}  // namespace pixmill
