#pragma once
// A prompter for the panel and window suites: records every message and answers each
// question with `answer`.

#include <QStringList>

#include "gui/controls/user_prompter.h"

namespace pixmill::testing {

class RecordingPrompter : public UserPrompter {
  public:
    explicit RecordingPrompter(bool answer = false) : answer(answer) {}
    QStringList shown;
    bool answer;
    void warning(QWidget*, const QString& text) override { shown << text; }
    void information(QWidget*, const QString& text) override { shown << text; }
    bool question(QWidget*, const QString& text) override {
        shown << text;
        return answer;
    }
};

}  // namespace pixmill::testing
