#include "gui/controls/user_prompter.h"

#include <QCoreApplication>
#include <QMessageBox>

namespace pixmill {

namespace {
QString caption() {
    return QCoreApplication::applicationName();
}
}  // namespace

void showPlainMessage(QWidget* owner, QMessageBox::Icon icon, const QString& caption,
                      const QString& text) {
    QMessageBox box(icon, caption, text, QMessageBox::Ok, owner);
    box.setTextFormat(Qt::PlainText);
    box.exec();
}

void UserPrompter::warning(QWidget* owner, const QString& text) {
    showPlainMessage(owner, QMessageBox::Warning, caption(), text);
}

void UserPrompter::information(QWidget* owner, const QString& text) {
    showPlainMessage(owner, QMessageBox::Information, caption(), text);
}

bool UserPrompter::question(QWidget* owner, const QString& text) {
    QMessageBox box(QMessageBox::Question, caption(), text, QMessageBox::Yes | QMessageBox::No,
                    owner);
    box.setTextFormat(Qt::PlainText);
    return box.exec() == QMessageBox::Yes;
}

UserPrompter& boxPrompter() {
    static UserPrompter prompter;
    return prompter;
}

}  // namespace pixmill
