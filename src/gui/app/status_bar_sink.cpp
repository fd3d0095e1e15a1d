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
    // A text still on its way is shown now, not dropped by Qt out of our order.
    QCoreApplication::sendPostedEvents(this, QEvent::MetaCall);
}

void StatusBarSink::statusText(int part, const std::string& text) {
    if (part < 0 || part > 1)
        return;
    if (QThread::currentThread() == thread()) {
        {
            // A worker's text written before this one must not come after it.
            std::lock_guard lock(mutex_);
            pending_[part].reset();
        }
        show(part, QString::fromStdString(text));
        return;
    }
    std::lock_guard lock(mutex_);
    pending_[part] = text;
    if (posted_[part])
        return;  // the call on its way shows this newer text
    posted_[part] = true;
    postToObjectThread(this, [this, part] { showPending(part); });
}

void StatusBarSink::showPending(int part) {
    std::optional<std::string> text;
    {
        std::lock_guard lock(mutex_);
        text.swap(pending_[part]);
        posted_[part] = false;
    }
    if (text)
        show(part, QString::fromStdString(*text));
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
