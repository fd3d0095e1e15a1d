// Moving the EXIF shooting time in place: only the DateTimeOriginal value's own bytes change.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "engine/jpegmeta/jpeg_commands.h"
#include "engine/jpegmeta/photo_info.h"
#include "engine/platform/file_bytes.h"
#include "engine/platform/file_ops.h"

namespace pixmill::jpegmeta {
namespace {

constexpr std::size_t kDateLength = 19;

// Days since 1970-01-01 of a proleptic Gregorian date (day may exceed the month's length:
// the surplus runs into the next month, as the shooting time's old local-time arithmetic did).
long long daysFromCivil(long long year, unsigned month, unsigned day) {
    year -= month <= 2;
    const long long era = (year >= 0 ? year : year - 399) / 400;
    const unsigned yearOfEra = static_cast<unsigned>(year - era * 400);
    const unsigned dayOfYear = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
    const unsigned dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    return era * 146097 + static_cast<long long>(dayOfEra) - 719468;
}

void civilFromDays(long long days, long long& year, unsigned& month, unsigned& day) {
    days += 719468;
    const long long era = (days >= 0 ? days : days - 146096) / 146097;
    const unsigned dayOfEra = static_cast<unsigned>(days - era * 146097);
    const unsigned yearOfEra =
        (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
    const unsigned dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    const unsigned monthPrime = (5 * dayOfYear + 2) / 153;
    day = dayOfYear - (153 * monthPrime + 2) / 5 + 1;
    month = monthPrime < 10 ? monthPrime + 3 : monthPrime - 9;
    year = static_cast<long long>(yearOfEra) + era * 400 + (month <= 2);
}

bool readField(const std::string& text, std::size_t at, std::size_t width, long long& value) {
    value = 0;
    for (std::size_t i = at; i < at + width; ++i) {
        if (text[i] < '0' || text[i] > '9')
            return false;
        value = value * 10 + (text[i] - '0');
    }
    return true;
}

ShiftResult leftAlone(JpegCommandStatus status, std::string message) {
    return {status, {}, std::move(message)};
}

}  // namespace

std::optional<std::string> shiftDateText(const std::string& dateTime, long long hours) {
    if (dateTime.size() != kDateLength)
        return std::nullopt;
    long long year, month, day, hour, minute, second;
    if (!readField(dateTime, 0, 4, year) || !readField(dateTime, 5, 2, month) ||
        !readField(dateTime, 8, 2, day) || !readField(dateTime, 11, 2, hour) ||
        !readField(dateTime, 14, 2, minute) || !readField(dateTime, 17, 2, second)) {
        return std::nullopt;
    }
    if (year < 1900 || month < 1 || month > 12 || day < 1 || day > 31 || hour > 23 || minute > 59 ||
        second > 59) {
        return std::nullopt;
    }
    const long long days =
        daysFromCivil(year, static_cast<unsigned>(month), static_cast<unsigned>(day));
    long long seconds = days * 86400 + hour * 3600 + minute * 60 + second + hours * 3600;
    long long shiftedDays = seconds >= 0 ? seconds / 86400 : -((-seconds + 86399) / 86400);
    long long timeOfDay = seconds - shiftedDays * 86400;
    long long newYear;
    unsigned newMonth, newDay;
    civilFromDays(shiftedDays, newYear, newMonth, newDay);
    if (newYear < 0 || newYear > 9999)
        return std::nullopt;
    char text[96];
    std::snprintf(text, sizeof text, "%04lld:%02u:%02u %02lld:%02lld:%02lld", newYear, newMonth,
                  newDay, timeOfDay / 3600, timeOfDay / 60 % 60, timeOfDay % 60);
    return std::string(text);
}

ShiftResult shiftShootingTime(const std::string& path, int hours) {
    struct stat status;
    if (::stat(path.c_str(), &status) != 0) {
        return leftAlone(JpegCommandStatus::Failed, "cannot find '" + path + "'");
    }
    if (isReadOnlyMode(status.st_mode)) {
        return leftAlone(JpegCommandStatus::Skipped, "read-only file");
    }
    const int fd = ::open(path.c_str(), O_RDWR | O_CLOEXEC);
    if (fd < 0)
        return leftAlone(JpegCommandStatus::Skipped, "cannot open for writing");
    struct Closer {
        int fd;
        ~Closer() { ::close(fd); }
    } closer{fd};

    PhotoInfo info;
    PhotoInfoReader reader(&info);
    if (!reader.open(path))
        return leftAlone(JpegCommandStatus::Skipped, "cannot read");
    // A walk stopped by damage after the EXIF section has still found the shooting time.
    (void)reader.parse();
    const std::optional<ValueLocation> where = reader.dateValue();
    if (info.dateTime.size() != kDateLength || !where) {
        return leftAlone(JpegCommandStatus::Unchanged, "no shooting time");
    }
    const std::optional<std::string> shifted = shiftDateText(info.dateTime, hours);
    if (!shifted)
        return leftAlone(JpegCommandStatus::Unchanged, "shooting time out of range");
    // Never write past the value's own bytes: the terminating zero only when there is room.
    if (where->format != kFormatAscii || where->components < kDateLength) {
        return leftAlone(JpegCommandStatus::Unchanged, "shooting time value too short");
    }
    const std::size_t length = where->components >= kDateLength + 1 ? kDateLength + 1 : kDateLength;
    const std::string bytes = *shifted + std::string(1, '\0');
    const ssize_t written = ::pwrite(fd, bytes.data(), length, static_cast<off_t>(where->offset));
    if (written != static_cast<ssize_t>(length)) {
        return leftAlone(JpegCommandStatus::Failed,
                         "cannot write '" + path + "': " + errorText(written < 0 ? errno : EIO));
    }
    // On disk before the command returns, as every other rewrite is.
    if (::fdatasync(fd) != 0) {
        return leftAlone(JpegCommandStatus::Failed,
                         "cannot flush '" + path + "': " + errorText(errno));
    }
    return {JpegCommandStatus::Modified, *shifted, {}};
}

}  // namespace pixmill::jpegmeta
