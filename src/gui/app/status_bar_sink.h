#pragma once
// Carries the engine's status texts into the main window's two-part status line. A worker's
// write waits until the label shows it, so texts appear in the order they were written. Texts
// are plain (never markup, whatever a file name or the update feed holds); one that does not
// fit its part is shown whole as the part's tool tip.

#include <QObject>
#include <QPointer>

#include "engine/platform/status.h"

class QLabel;
class QEvent;

namespace pixmill {

class StatusBarSink : public QObject, public StatusSink {
    Q_OBJECT
  public:
    StatusBarSink(QLabel* part0, QLabel* part1, QObject* parent = nullptr);
    ~StatusBarSink() override;

    void statusText(int part, const std::string& text) override;

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void show(int part, const QString& text);

    QPointer<QLabel> parts_[2];
};

// Gives `label` its whole text as tool tip when the text does not fit, none when it does.
void fitTextOrTip(QLabel* label);

}  // namespace pixmill
