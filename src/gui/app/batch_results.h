#pragma once
// What the user sees when a batch ends: one short line for the status line with the counts,
// and a window listing every row that failed or was skipped, with its file name and reason
// (the reasons the command line's --json gives), and every row done with a note (colours
// converted without a profile, a target size not met, a first frame used), selectable and
// copyable.

#include <QDialog>
#include <QString>

#include <vector>

#include "engine/batch/batch_driver.h"

class QLabel;
class QTableWidget;

namespace pixmill {

struct BatchTally {
    int ok = 0;
    int unchanged = 0;
    int skipped = 0;
    int failed = 0;
    int noted = 0;  // of the ok rows, those with a note
    int problems() const { return skipped + failed; }
};

BatchTally tallyBatch(const std::vector<RowOutcome>& outcomes);

// "完成：3 张成功" followed by the unchanged, skipped and failed counts that are not zero.
QString batchEndText(const BatchTally& tally);

// The rows the results window lists: file, result, reason. The failed and skipped rows come
// first, in their order, then the ok rows with a note.
struct BatchProblem {
    QString fileName;
    QString result;  // "失败", "跳过" or "成功（附说明）"
    QString reason;
};
std::vector<BatchProblem> batchProblems(const std::vector<RowOutcome>& outcomes);

class CBatchResultsDlg : public QDialog {
    Q_OBJECT
  public:
    explicit CBatchResultsDlg(QWidget* parent = nullptr);

    void setProblems(const BatchTally& tally, const std::vector<BatchProblem>& problems);
    QTableWidget* table() const { return table_; }
    // The selected rows (all rows when none is selected), one per line, tab between fields.
    QString copyText() const;
    // Puts copyText() on the clipboard.
    void copy() const;

  private:
    QLabel* summary_;
    QTableWidget* table_;
};

}  // namespace pixmill
