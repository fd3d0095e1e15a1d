#include "gui/controls/int_field.h"

#include <QLineEdit>

#include "gui/controls/user_prompter.h"

namespace pixmill {

bool parseIntField(const QString& text, int* value) {
    bool ok = false;
    const int parsed = text.trimmed().toInt(&ok, 10);
    if (ok)
        *value = parsed;
    return ok;
}

IntFieldResult readIntField(const QLineEdit& edit, int* value, int minimum, int maximum,
                            UserPrompter& prompter, QWidget* owner) {
    int parsed = 0;
    if (!parseIntField(edit.text(), &parsed)) {
        prompter.warning(owner, QString::fromLatin1(kEnterIntegerMessage));
        return IntFieldResult::NotInteger;
    }
    *value = parsed;
    if (parsed < minimum || parsed > maximum) {
        prompter.warning(
            owner, QString::fromLatin1(kEnterIntegerBetweenMessage).arg(minimum).arg(maximum));
        return IntFieldResult::OutOfRange;
    }
    return IntFieldResult::Ok;
}

bool acceptIntField(QLineEdit& edit, int* value, int minimum, int maximum, UserPrompter& prompter,
                    QWidget* owner) {
    int read = *value;
    if (readIntField(edit, &read, minimum, maximum, prompter, owner) == IntFieldResult::Ok) {
        *value = read;
        return true;
    }
    edit.setFocus();
    edit.selectAll();
    return false;
}

}  // namespace pixmill
