#pragma once
// The texts a download dialog shows while a file arrives: percentage caption, rate and time
// left. Pure functions over byte counts and milliseconds, so the dialog only supplies a clock.

#include <QString>

#include <optional>

namespace pixmill {

// "%1 Bytes" up to 1023 bytes, "%1 KB" with one decimal below 1 MiB, else "%1 MB" with two.
QString formatTransferSize(qint64 bytes);
// Rate r in bytes per millisecond: below 1 as r × 1024 "Bytes/Sec" with no decimals, below 10
// "KB/Sec" with two decimals, otherwise "KB/Sec" with none.
QString formatTransferRate(double bytesPerMs);
// "%1 sec" below a minute, "%1 min" for whole minutes, else "%1 min %2 sec".
QString formatTimeLeft(qint64 seconds);
// "%1 (%2 copied)" with "%1 of %2".
QString formatTimeLeftLine(qint64 seconds, qint64 received, qint64 total);

// The progress range of a known length: its size in KB, rounded to the nearest KB.
int progressRangeKb(qint64 length);

class TransferMeter {
  public:
    // `total` is -1 when the server gave no length. `nowMs` is a monotonic clock reading.
    void begin(qint64 total, qint64 nowMs);

    struct Update {
        std::optional<int> percent;       // set when the whole percentage changed
        std::optional<QString> rate;      // set at most once a second
        std::optional<QString> timeLeft;  // with the rate, when the length is known
    };
    // After each block: `received` is the byte count so far.
    Update sample(qint64 received, qint64 nowMs);

  private:
    qint64 total_ = -1;
    qint64 startMs_ = 0;
    qint64 lastMs_ = 0;
    qint64 lastBytes_ = 0;
    int lastPercent_ = -1;
};

}  // namespace pixmill
