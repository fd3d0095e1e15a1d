#pragma once
// "预览全部": every ticked file's old and new name as the rename batch computed them, rows
// that would clash marked, and the batch's refusal (if any) above the list.

#include <QDialog>

#include "engine/rename/rename_plan.h"

class QLabel;
class QTableWidget;

namespace pixmill {

// Entries whose final name another entry also gets.
std::vector<bool> clashingEntries(const RenamePlan& plan);

class CRenamePreviewDlg : public QDialog {
    Q_OBJECT
  public:
    CRenamePreviewDlg(const RenamePlan& plan, QWidget* parent = nullptr);

    QTableWidget* table() const { return table_; }
    QLabel* verdict() const { return verdict_; }

  private:
    QTableWidget* table_;
    QLabel* verdict_;
};

}  // namespace pixmill
