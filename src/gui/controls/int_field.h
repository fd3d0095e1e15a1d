#pragma once
// Reading an integer edit box the way dialog data exchange does: a text that is not an
// integer shows "Please enter an integer." and leaves the value as it was; an integer outside
// the range shows "Please enter an integer between %1 and %2." and is taken as typed.

#include <QString>

class QLineEdit;
class QWidget;

namespace pixmill {

class UserPrompter;

enum class IntFieldResult { Ok, NotInteger, OutOfRange };

inline constexpr const char* kEnterIntegerMessage = "Please enter an integer.";
inline constexpr const char* kEnterIntegerBetweenMessage =
    "Please enter an integer between %1 and %2.";

// Parses `text` (blanks around it allowed) as a decimal int. False for anything else,
// a number beyond int included.
bool parseIntField(const QString& text, int* value);

// Reads `edit` into `value`, showing the message through `prompter` when it is not Ok.
IntFieldResult readIntField(const QLineEdit& edit, int* value, int minimum, int maximum,
                            UserPrompter& prompter, QWidget* owner);

// For a start button: reads `edit` as readIntField does, but takes the value only when it is an
// integer in range. Otherwise, after the message, the field gets the focus with its text
// selected and `value` is left alone; false then, and the caller must not go on.
bool acceptIntField(QLineEdit& edit, int* value, int minimum, int maximum, UserPrompter& prompter,
                    QWidget* owner);

}  // namespace pixmill
