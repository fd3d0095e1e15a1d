#pragma once
// The "每日一帖" window: one of the twelve usage tips, with "上一帖" and "下一帖" and the
// "启动时显示每日一帖" box. Every step stores the index of the tip to show next and saves the
// settings, so the next start goes on where this one stopped. Modeless; deletes itself when
// closed.

#include <QDialog>

class QCheckBox;
class QPlainTextEdit;

namespace pixmill {

class AppSettings;

class CDailyTipDlg : public QDialog {
    Q_OBJECT
  public:
    CDailyTipDlg(AppSettings& settings, QWidget* parent = nullptr);

    int currentIndex() const { return currentIndex_; }
    QString text() const { return text_; }

  public Q_SLOTS:
    void showPreviousTip();
    void showNextTip();
    void done(int result) override;

  private:
    void showTip(int index);

    AppSettings& settings_;
    int showAtStart_ = 1;
    QString text_;
    int currentIndex_ = 0;
    QPlainTextEdit* textEdit_;
    QCheckBox* showAtStartBox_;
};

// "每日一帖": shows the window regardless of the setting.
CDailyTipDlg* showDailyTip(QWidget* parent, AppSettings& settings);
// The start-up request: shows the window when the settings' dailyTip is 1, else nothing.
CDailyTipDlg* showDailyTipIfDue(QWidget* parent, AppSettings& settings);

}  // namespace pixmill
