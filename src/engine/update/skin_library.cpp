#include "engine/update/skin_library.h"

#include <QDir>
#include <QFileInfo>
#include <QSaveFile>
#include <QUrl>

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

bool SkinLibrary::load(const QString& libraryPath) {
    if (isLoaded())
        return true;
    if (!QFileInfo(libraryPath).isFile()) {
        errorText_ = QStringLiteral("%1 does not exist").arg(libraryPath);
        return false;
    }
    library_.setFileName(QFileInfo(libraryPath).absoluteFilePath());
    if (!library_.load()) {
        errorText_ = library_.errorString();
        return false;
    }
    attach_ = reinterpret_cast<AttachFunction>(library_.resolve("SkinH_AttachEx"));
    detach_ = reinterpret_cast<DetachFunction>(library_.resolve("SkinH_Detach"));
    if (!attach_) {
        errorText_ = QStringLiteral("%1 does not export SkinH_AttachEx").arg(libraryPath);
        detach_ = nullptr;
        library_.unload();
        return false;
    }
    return true;
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

bool fetchSkinFile(const QUrl& base, const char* name, QByteArray* body, int timeoutMs,
                   QStringList* errors) {
    const QUrl address = base.resolved(QUrl(QStringLiteral("res/") + name));
    HttpGetOptions options;
    options.transferTimeoutMs = timeoutMs;
    options.maxBytes = 64 * 1024 * 1024;
    const HttpGetResult response = httpGet(address, options);
    if (!response.complete() || response.status != 200) {
        *errors << QStringLiteral("%1: %2").arg(
            address.toString(), response.complete()
                                    ? QStringLiteral("HTTP status %1").arg(response.status)
                                    : response.errorText);
        return false;
    }
    *body = response.body;
    return true;
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
        QByteArray library;
        QByteArray style;
        if (!fetchSkinFile(base, kSkinLibraryFile, &library, timeoutMs, &outcome.errors) ||
            !fetchSkinFile(base, kSkinStyleFile, &style, timeoutMs, &outcome.errors)) {
            continue;
        }
        if (!writeWhole(outcome.folder + kSkinLibraryFile, library) ||
            !writeWhole(outcome.folder + kSkinStyleFile, style)) {
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
