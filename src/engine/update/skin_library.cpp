#include "engine/update/skin_library.h"

#include <QDir>
#include <QFileInfo>
#include <QSaveFile>
#include <QUrl>

#include <cerrno>

#include "engine/app/app_paths.h"
#include "engine/update/http_get.h"

namespace pixmill {

QString skinFolderOf(const QString& programDir) {
    return withTrailingSeparator(programDir) + QStringLiteral("skin/");
}

bool skinFilesPresent(const QString& folder) {
    const QString base = withTrailingSeparator(folder);
    return QFileInfo(base + kSkinLibraryFile).isFile() && QFileInfo(base + kSkinStyleFile).isFile();
}

Result<> SkinLibrary::load(const QString& libraryPath) {
    if (isLoaded())
        return {};
    if (!QFileInfo(libraryPath).isFile())
        return makeError(ENOENT,
                         QStringLiteral("%1 does not exist").arg(libraryPath).toStdString());
    library_.setFileName(QFileInfo(libraryPath).absoluteFilePath());
    if (!library_.load())
        return makeError(library_.errorString().toStdString());
    attach_ = reinterpret_cast<AttachFunction>(library_.resolve("SkinH_AttachEx"));
    detach_ = reinterpret_cast<DetachFunction>(library_.resolve("SkinH_Detach"));
    if (!attach_) {
        detach_ = nullptr;
        library_.unload();
        return makeError(
            QStringLiteral("%1 does not export SkinH_AttachEx").arg(libraryPath).toStdString());
    }
    return {};
}

int SkinLibrary::attach(const QString& skinFilePath) {
    if (!attach_)
        return -1;
    return attach_(skinFilePath.toUtf8().constData(), 0);
}

int SkinLibrary::detach() {
    if (!detach_)
        return -1;
    return detach_();
}

SkinLibrary& processSkinLibrary() {
    static SkinLibrary library;
    return library;
}

namespace {

// The file's bytes, or the line that says why they did not come: the address and the reason.
Result<QByteArray> fetchSkinFile(const QUrl& base, const char* name, int timeoutMs) {
    const QUrl address = base.resolved(QUrl(QStringLiteral("res/") + name));
    HttpGetOptions options;
    options.transferTimeoutMs = timeoutMs;
    options.maxBytes = 64 * 1024 * 1024;
    const Result<HttpResponse> response = httpGet(address, options);
    if (!response || response->status != 200) {
        const QString why = response ? QStringLiteral("HTTP status %1").arg(response->status)
                                     : QString::fromStdString(response.message());
        return makeError(response ? response->status : response.code(),
                         QStringLiteral("%1: %2").arg(address.toString(), why).toStdString());
    }
    return response->body;
}

bool writeWhole(const QString& path, const QByteArray& bytes) {
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    return file.write(bytes) == bytes.size() && file.commit();
}

}  // namespace

SkinDownloadOutcome downloadSkinFiles(const QStringList& bases, const QString& folder,
                                      int timeoutMs) {
    SkinDownloadOutcome outcome;
    outcome.folder = withTrailingSeparator(folder);
    QDir().mkpath(outcome.folder);
    for (const QString& baseText : bases) {
        QUrl base(baseText, QUrl::StrictMode);
        if (!base.isValid() || base.scheme() != QLatin1String("https") || base.host().isEmpty()) {
            outcome.refusedBases << baseText;
            continue;
        }
        if (!base.path().endsWith(QLatin1Char('/')))
            base.setPath(base.path() + QLatin1Char('/'));
        const Result<QByteArray> library = fetchSkinFile(base, kSkinLibraryFile, timeoutMs);
        const Result<QByteArray> style =
            library ? fetchSkinFile(base, kSkinStyleFile, timeoutMs) : library;
        if (!style) {
            outcome.errors << QString::fromStdString(style.message());
            continue;
        }
        if (!writeWhole(outcome.folder + kSkinLibraryFile, *library) ||
            !writeWhole(outcome.folder + kSkinStyleFile, *style)) {
            outcome.errors << QStringLiteral("cannot write into %1").arg(outcome.folder);
            continue;
        }
        outcome.ready = true;
        break;
    }
    return outcome;
}

void SkinDownloadRunner::start(const QStringList& bases, const QString& folder,
                               std::function<void(const SkinDownloadOutcome&)> done) {
    worker_.start([bases, folder] { return downloadSkinFiles(bases, folder); },
                  [done = std::move(done)](const SkinDownloadOutcome& outcome) { done(outcome); });
}

}  // namespace pixmill
