#include "gui/app/batch_results.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QDialogButtonBox>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

#include <set>

namespace pixmill {

BatchTally tallyBatch(const std::vector<RowOutcome>& outcomes) {
    BatchTally tally;
    for (const RowOutcome& row : outcomes) {
        switch (row.outcome.status) {
            case ItemStatus::Ok:
                ++tally.ok;
                if (!row.outcome.message.empty())
                    ++tally.noted;
                break;
            case ItemStatus::Unchanged:
                ++tally.unchanged;
                break;
            case ItemStatus::Skipped:
                ++tally.skipped;
                break;
            case ItemStatus::Failed:
                ++tally.failed;
                break;
        }
    }
    return tally;
}

QString batchEndText(const BatchTally& tally) {
    QString text = QStringLiteral("完成：%1 张成功").arg(tally.ok);
    if (tally.unchanged > 0)
        text += QStringLiteral("，%1 张无需改动").arg(tally.unchanged);
    if (tally.skipped > 0)
        text += QStringLiteral("，%1 张跳过").arg(tally.skipped);
    if (tally.failed > 0)
        text += QStringLiteral("，%1 张失败").arg(tally.failed);
    return text;
}

std::vector<BatchProblem> batchProblems(const std::vector<RowOutcome>& outcomes) {
    std::vector<BatchProblem> problems, notes;
    for (const RowOutcome& row : outcomes) {
        const ItemStatus status = row.outcome.status;
        const QString fileName = QString::fromStdString(row.fileName);
        const QString reason = QString::fromStdString(row.outcome.message);
        if (status == ItemStatus::Failed || status == ItemStatus::Skipped) {
            problems.push_back(
                {fileName,
                 status == ItemStatus::Failed ? QStringLiteral("失败") : QStringLiteral("跳过"),
                 reason});
        } else if (status == ItemStatus::Ok && !reason.isEmpty()) {
            notes.push_back({fileName, QStringLiteral("成功（附说明）"), reason});
        }
    }
    problems.insert(problems.end(), notes.begin(), notes.end());
    return problems;
}

CBatchResultsDlg::CBatchResultsDlg(QWidget* parent)
    : QDialog(parent), summary_(new QLabel(this)), table_(new QTableWidget(0, 3, this)) {
    setWindowTitle(QStringLiteral("批量处理结果"));
    resize(640, 320);
    summary_->setTextFormat(Qt::PlainText);
    summary_->setWordWrap(true);
    table_->setHorizontalHeaderLabels(
        {QStringLiteral("文件名"), QStringLiteral("结果"), QStringLiteral("原因")});
    table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table_->setSelectionBehavior(QAbstractItemView::SelectRows);
    table_->setSelectionMode(QAbstractItemView::ExtendedSelection);
    table_->verticalHeader()->hide();
    table_->horizontalHeader()->setStretchLastSection(true);
    table_->setWordWrap(false);
    auto* copyAction = new QAction(QStringLiteral("复制"), table_);
    copyAction->setShortcut(QKeySequence::Copy);
    copyAction->setShortcutContext(Qt::WidgetWithChildrenShortcut);
    connect(copyAction, &QAction::triggered, this, &CBatchResultsDlg::copy);
    table_->addAction(copyAction);
    table_->setContextMenuPolicy(Qt::ActionsContextMenu);

    auto* buttons = new QDialogButtonBox(this);
    buttons->addButton(QStringLiteral("关闭"), QDialogButtonBox::RejectRole);
    QPushButton* copyButton =
        buttons->addButton(QStringLiteral("复制"), QDialogButtonBox::ActionRole);
    copyButton->setObjectName(QStringLiteral("copy"));
    connect(copyButton, &QPushButton::clicked, this, &CBatchResultsDlg::copy);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(summary_);
    layout->addWidget(table_, 1);
    layout->addWidget(buttons);
}

void CBatchResultsDlg::setProblems(const BatchTally& tally,
                                   const std::vector<BatchProblem>& problems) {
    const QString listed = tally.noted == 0        ? QStringLiteral("。未完成的图片：")
                           : tally.problems() == 0 ? QStringLiteral("。附有说明的图片：")
                                                   : QStringLiteral("。未完成或附有说明的图片：");
    summary_->setText(batchEndText(tally) + listed);
    table_->clearContents();
    table_->setRowCount(static_cast<int>(problems.size()));
    for (int row = 0; row < table_->rowCount(); ++row) {
        const BatchProblem& problem = problems[static_cast<size_t>(row)];
        const QString cells[3] = {problem.fileName, problem.result, problem.reason};
        for (int column = 0; column < 3; ++column) {
            auto* item = new QTableWidgetItem(cells[column]);
            item->setToolTip(cells[column]);
            table_->setItem(row, column, item);
        }
    }
    table_->resizeColumnToContents(0);
    table_->resizeColumnToContents(1);
}

QString CBatchResultsDlg::copyText() const {
    std::set<int> rows;
    for (const QModelIndex& index : table_->selectionModel()->selectedRows())
        rows.insert(index.row());
    if (rows.empty()) {
        for (int row = 0; row < table_->rowCount(); ++row)
            rows.insert(row);
    }
    QStringList lines;
    for (int row : rows) {
        QStringList fields;
        for (int column = 0; column < 3; ++column)
            fields << (table_->item(row, column) ? table_->item(row, column)->text() : QString());
        lines << fields.join(QLatin1Char('\t'));
    }
    return lines.join(QLatin1Char('\n'));
}

void CBatchResultsDlg::copy() const {
    QApplication::clipboard()->setText(copyText());
}

}  // namespace pixmill
