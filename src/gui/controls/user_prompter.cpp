#include "gui/controls/user_prompter.h"

#include <QCoreApplication>
#include <QMessageBox>

namespace pixmill {

namespace {
QString caption() { return QCoreApplication::applicationName(); }
}  // namespace

void UserPrompter::warning(QWidget* owner, const QString& text) {
    QMessageBox::warning(owner, caption(), text);
}

void UserPrompter::information(QWidget* owner, const QString& text) {
    QMessageBox::information(owner, caption(), text);
}

bool UserPrompter::question(QWidget* owner, const QString& text) {
    return QMessageBox::question(owner, caption(), text, QMessageBox::Yes | QMessageBox::No) ==
           QMessageBox::Yes;
}

UserPrompter& boxPrompter() {
    static UserPrompter prompter;
    return prompter;
}

}  // namespace pixmill
