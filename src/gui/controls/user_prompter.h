#pragma once
// The message boxes a panel or command shows, behind an interface so that tests answer them
// without a modal loop. The default shows the platform's boxes.

#include <QMessageBox>
#include <QString>

class QWidget;

namespace pixmill {

class UserPrompter {
  public:
    virtual ~UserPrompter() = default;
    virtual void warning(QWidget* owner, const QString& text);
    virtual void information(QWidget* owner, const QString& text);
    // True only for "yes".
    virtual bool question(QWidget* owner, const QString& text);
};

// A modal box whose text is never read as markup: file names and what a server sent show as
// they are.
void showPlainMessage(QWidget* owner, QMessageBox::Icon icon, const QString& caption,
                      const QString& text);

// The shared default (message boxes).
UserPrompter& boxPrompter();

}  // namespace pixmill
