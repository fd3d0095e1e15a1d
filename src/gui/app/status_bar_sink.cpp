#include "gui/app/status_bar_sink.h"

#include "engine/app/object_thread.h"

#include <QCoreApplication>
#include <QLabel>
#include <QThread>

namespace pixmill {

StatusBarSink::StatusBarSink(QLabel* part0, QLabel* part1, QObject* parent)
    : QObject(parent), parts_{part0, part1} {
    installStatusSink(this);
}

StatusBarSink::~StatusBarSink() { installStatusSink(nullptr); }

void StatusBarSink::statusText(int part, const std::string& text) {
    if (part < 0 || part > 1) return;
    if (QThread::currentThread() == thread()) {
        show(part, QString::fromStdString(text));
        return;
    }
    // Like a sent message: the worker waits for the GUI thread. The GUI thread never blocks
    // on a worker without turning the event loop, so this cannot deadlock. The text is made
    // there, so the label never shares a buffer that a worker created.
    runOnObjectThread(this, [this, part, &text] { show(part, QString::fromStdString(text)); });
}

void StatusBarSink::show(int part, const QString& text) {
    if (parts_[part]) parts_[part]->setText(text);
}

}  // namespace pixmill
