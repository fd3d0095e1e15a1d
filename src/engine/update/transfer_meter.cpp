#include "engine/update/transfer_meter.h"

namespace pixmill {

QString formatTransferSize(qint64 bytes) {
    if (bytes < 1024)
        return QStringLiteral("%1 Bytes").arg(bytes);
    if (bytes < 1048576)
        return QStringLiteral("%1 KB").arg(bytes / 1024.0, 0, 'f', 1);
    return QStringLiteral("%1 MB").arg(bytes / 1048576.0, 0, 'f', 2);
}

QString formatTransferRate(double bytesPerMs) {
    if (bytesPerMs < 1.0)
        return QStringLiteral("%1 Bytes/Sec").arg(bytesPerMs * 1024, 0, 'f', 0);
    if (bytesPerMs < 10.0)
        return QStringLiteral("%1 KB/Sec").arg(bytesPerMs, 0, 'f', 2);
    return QStringLiteral("%1 KB/Sec").arg(bytesPerMs, 0, 'f', 0);
}

QString formatTimeLeft(qint64 seconds) {
    if (seconds < 60)
        return QStringLiteral("%1 sec").arg(seconds);
    if (seconds % 60 == 0)
        return QStringLiteral("%1 min").arg(seconds / 60);
    return QStringLiteral("%1 min %2 sec").arg(seconds / 60).arg(seconds % 60);
}

QString formatTimeLeftLine(qint64 seconds, qint64 received, qint64 total) {
    const QString copied =
        QStringLiteral("%1 of %2").arg(formatTransferSize(received), formatTransferSize(total));
    return QStringLiteral("%1 (%2 copied)").arg(formatTimeLeft(seconds), copied);
}

int progressRangeKb(qint64 length) {
    return static_cast<int>((length + 512) / 1024);
}

void TransferMeter::begin(qint64 total, qint64 nowMs) {
    total_ = total;
    startMs_ = nowMs;
    lastMs_ = nowMs;
    lastBytes_ = 0;
    lastPercent_ = -1;
}

TransferMeter::Update TransferMeter::sample(qint64 received, qint64 nowMs) {
    Update update;
    if (total_ > 0) {
        const int percent = static_cast<int>(received * 100 / total_);
        if (percent != lastPercent_) {
            lastPercent_ = percent;
            update.percent = percent;
        }
    }
    const qint64 sinceLast = nowMs - lastMs_;
    if (sinceLast <= 1000)
        return update;
    update.rate = formatTransferRate(double(received - lastBytes_) / double(sinceLast));
    if (total_ > 0 && received > 0) {
        const double msPerByte = double(nowMs - startMs_) / double(received);
        const auto seconds = static_cast<qint64>(msPerByte * double(total_ - received) / 1000.0);
        update.timeLeft = formatTimeLeftLine(seconds, received, total_);
    }
    lastMs_ = nowMs;
    lastBytes_ = received;
    return update;
}

}  // namespace pixmill
