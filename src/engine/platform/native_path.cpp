#include "engine/platform/native_path.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstring>

namespace pixmill {
namespace {

// The length of the valid UTF-8 sequence at `at`, or 0.
std::size_t utf8Sequence(std::string_view bytes, std::size_t at, char32_t& code) {
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(bytes[i]); };
    const unsigned char lead = byte(at);
    std::size_t length = 0;
    if (lead < 0x80) {
        code = lead;
        return 1;
    } else if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
        code = lead & 0x1F;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        code = lead & 0x0F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        code = lead & 0x07;
    } else {
        return 0;
    }
    if (at + length > bytes.size())
        return 0;
    for (std::size_t i = 1; i < length; ++i) {
        if ((byte(at + i) & 0xC0) != 0x80)
            return 0;
        code = (code << 6) | (byte(at + i) & 0x3F);
    }
    const char32_t smallest[] = {0, 0, 0x80, 0x800, 0x10000};
    if (code < smallest[length] || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF))
        return 0;  // overlong, out of range or an encoded surrogate
    return length;
}

}  // namespace

QString pathFromBytes(std::string_view bytes) {
    QString path;
    path.reserve(qsizetype(bytes.size()));
    for (std::size_t at = 0; at < bytes.size();) {
        char32_t code = 0;
        if (std::size_t length = utf8Sequence(bytes, at, code)) {
            const char32_t one[] = {code};
            path += QString::fromUcs4(one, 1);
            at += length;
        } else {
            path += QChar(char16_t(0xDC00 + static_cast<unsigned char>(bytes[at++])));
        }
    }
    return path;
}

std::string pathBytes(const QString& path) {
    std::string bytes;
    bytes.reserve(std::size_t(path.size()));
    for (qsizetype i = 0; i < path.size(); ++i) {
        const char16_t unit = path[i].unicode();
        const bool paired =
            QChar::isHighSurrogate(unit) && i + 1 < path.size() && path[i + 1].isLowSurrogate();
        if (!paired && unit >= 0xDC80 && unit <= 0xDCFF) {
            bytes += static_cast<char>(unit - 0xDC00);  // a byte kept from the file name
        } else {
            bytes += path.mid(i, paired ? 2 : 1).toUtf8().toStdString();
            i += paired ? 1 : 0;
        }
    }
    return bytes;
}

QString displayPath(const QString& path) {
    return holdsRawBytes(path) ? QString::fromStdString(pathBytes(path)) : path;
}

bool holdsRawBytes(const QString& path) {
    for (qsizetype i = 0; i < path.size(); ++i) {
        const char16_t unit = path[i].unicode();
        if (unit >= 0xDC80 && unit <= 0xDCFF && (i == 0 || !path[i - 1].isHighSurrogate()))
            return true;  // alone, so a kept byte; after a high surrogate it is half a character
    }
    return false;
}

QString absolutePath(const QString& path) {
    if (path.isEmpty() || path.startsWith(QLatin1Char('/')))
        return path;
    std::string here(PATH_MAX, '\0');
    if (!::getcwd(here.data(), here.size()))
        return path;
    here.resize(std::strlen(here.c_str()));
    return pathFromBytes(here) + QLatin1Char('/') + path;
}

QString parentFolder(const QString& path) {
    const qsizetype slash = path.lastIndexOf(QLatin1Char('/'));
    return slash <= 0 ? QStringLiteral("/") : path.left(slash);
}

bool pathExists(const QString& path) {
    struct stat status;
    return !path.isEmpty() && ::stat(pathBytes(path).c_str(), &status) == 0;
}

bool isFolder(const QString& path) {
    struct stat status;
    return !path.isEmpty() && ::stat(pathBytes(path).c_str(), &status) == 0 &&
           S_ISDIR(status.st_mode);
}

bool makeFolders(const std::string& bytes) {
    for (std::size_t at = 1; at <= bytes.size(); ++at) {
        if (at < bytes.size() && bytes[at] != '/')
            continue;
        if (::mkdir(bytes.substr(0, at).c_str(), 0777) != 0 && errno != EEXIST)
            return false;
    }
    struct stat status;
    return ::stat(bytes.c_str(), &status) == 0 && S_ISDIR(status.st_mode);
}

QUrl fileUrl(const QString& path) {
    const QString absolute = absolutePath(path);
    if (!holdsRawBytes(absolute))
        return QUrl::fromLocalFile(absolute);
    const QByteArray bytes = QByteArray::fromStdString(pathBytes(absolute));
    return QUrl::fromEncoded("file://" + bytes.toPercentEncoding("/"), QUrl::StrictMode);
}

QString pathFromFileUrl(const QUrl& address) {
    // A file on another machine ("file://server/share") is no path here.
    if (!address.isValid() || !address.isLocalFile() ||
        !(address.host().isEmpty() || address.host() == QLatin1String("localhost"))) {
        return {};
    }
    const QByteArray bytes =
        QByteArray::fromPercentEncoding(address.path(QUrl::FullyEncoded).toLatin1());
    // A zero byte would cut the name short and name a folder above the one meant.
    if (bytes.isEmpty() || bytes.contains('\0'))
        return {};
    return pathFromBytes(bytes.toStdString());
}

QString profileTextForPath(const QString& path) {
    // The history joins its entries with "|" and trims them: such names go as addresses too.
    const bool plain = !holdsRawBytes(path) && !path.contains(QLatin1Char('|')) &&
                       path.trimmed().size() == path.size();
    return plain ? path : QString::fromLatin1(fileUrl(path).toEncoded());
}

QString pathFromProfileText(const QString& text) {
    if (!text.startsWith(QLatin1String("file://")))
        return text;
    return pathFromFileUrl(QUrl::fromEncoded(text.toUtf8(), QUrl::TolerantMode));
}

bool isReadableFolder(const QString& path) {
    const std::string bytes = pathBytes(path);
    struct stat status;
    return ::stat(bytes.c_str(), &status) == 0 && S_ISDIR(status.st_mode) &&
           ::access(bytes.c_str(), R_OK | X_OK) == 0;
}

}  // namespace pixmill
