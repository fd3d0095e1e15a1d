#pragma once
// Carries the engine's status texts into the main window's two-part status line. A worker's
// write waits until the label shows it, so texts appear in the order they were written.

#include <QObject>
#include <QPointer>

#include "engine/platform/status.h"

class QLabel;

namespace pixmill {

class StatusBarSink : public QObject, public StatusSink {
    Q_OBJECT
public:
    StatusBarSink(QLabel* part0, QLabel* part1, QObject* parent = nullptr);
    ~StatusBarSink() override;

    void statusText(int part, const std::string& text) override;

private:
    void show(int part, const QString& text);

    QPointer<QLabel> parts_[2];
};

}  // namespace pixmill
