#pragma once
// The shift-time dialog: the hours to add to every ticked photo's shooting time. It opens at
// -8; the arrows stop at ±10000, but any integer typed in is accepted.

#include <QDialog>

class QLineEdit;
class QSpinBox;

namespace pixmill {

class UserPrompter;

class CUpdateTimeDlg : public QDialog {
    Q_OBJECT
  public:
    explicit CUpdateTimeDlg(UserPrompter* prompter = nullptr, QWidget* parent = nullptr);

    int hours() const { return hours_; }
    QLineEdit* hoursEdit() const { return edit_; }
    // One arrow step up (+1) or down (-1), as the up-down control takes it.
    void stepArrows(int steps);

    void accept() override;

  private:
    QLineEdit* edit_;
    UserPrompter* prompter_;
    int hours_ = 0;
};

}  // namespace pixmill
