#pragma once
// The add-comment dialog: the comment every ticked JPEG gets, "photo by xxx" to begin with.

#include <QDialog>

class QPlainTextEdit;

namespace pixmill {

class CAddCommentsDlg : public QDialog {
    Q_OBJECT
  public:
    explicit CAddCommentsDlg(QWidget* parent = nullptr);

    // The whole text, line breaks as carriage return and line feed (as the file holds them).
    QString comment() const;
    QPlainTextEdit* commentEdit() const { return edit_; }

  private:
    QPlainTextEdit* edit_;
};

}  // namespace pixmill
