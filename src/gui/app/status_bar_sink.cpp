#include "gui/app/status_bar_sink.h"

#include "engine/app/object_thread.h"

#include <QCoreApplication>
#include <QEvent>
#include <QLabel>
#include <QThread>

#include <algorithm>

namespace pixmill {

StatusBarSink::StatusBarSink(QLabel* part0, QLabel* part1, QObject* parent)
    : QObject(parent), parts_{part0, part1} {
    for (QLabel* label : {part0, part1}) {
        label->setTextFormat(Qt::PlainText);
        label->installEventFilter(this);
    }
    installStatusSink(this);
}

StatusBarSink::~StatusBarSink() {
    installStatusSink(nullptr);
}

void StatusBarSink::statusText(int part, const std::string& text) {
    if (part < 0 || part > 1)
        return;
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
    if (!parts_[part])
        return;
    parts_[part]->setText(text);
    fitTextOrTip(parts_[part]);
}

bool StatusBarSink::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::Resize)
        fitTextOrTip(qobject_cast<QLabel*>(watched));
    return QObject::eventFilter(watched, event);
}

void fitTextOrTip(QLabel* label) {
    if (!label)
        return;
    const QString text = label->text();
    const int room =
        label->contentsRect().width() - 2 * label->margin() - std::max(0, label->indent());
    const bool fits =
        !text.contains(QLatin1Char('\n')) && label->fontMetrics().horizontalAdvance(text) <= room;
    label->setToolTip(fits ? QString() : text);
}

}  // namespace pixmill
