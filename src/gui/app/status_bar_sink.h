#pragma once
// Carries the engine's status texts into the main window's two-part status line. A worker's
// write does not wait for the window: the newest text of each part is kept and shown on the
// window's next turn, so a worker writing a line per file (a load of 10,000 photos) never waits
// for a repaint, and a text written later always wins over one written before it. Texts are
// plain (never markup, whatever a file name or the update feed holds); one that does not
// fit its part is shown whole as the part's tool tip.

#include <QObject>
#include <QPointer>

#include <mutex>
#include <optional>
#include <string>

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
    // Shows the newest text a worker left for `part`, if any. GUI thread.
    void showPending(int part);

    QPointer<QLabel> parts_[2];
    std::mutex mutex_;                       // guards the two members below
    std::optional<std::string> pending_[2];  // the newest worker text not shown yet
    bool posted_[2] = {false, false};        // a showPending call is on its way
};

// Gives `label` its whole text as tool tip when the text does not fit, none when it does.
void fitTextOrTip(QLabel* label);

}  // namespace pixmill
