#include "cli/cli_session.h"

#include "cli/output_text.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <mutex>

#include "engine/app/app_paths.h"
#include "engine/batch/batch_starter.h"
#include "engine/catalog/catalog_loader.h"
#include "engine/platform/native_path.h"
#include "engine/platform/status.h"

namespace pixmill::cli {

// Status texts on stderr: one per line, or a single updating line on a terminal.
class StderrStatusSink : public StatusSink {
  public:
    explicit StderrStatusSink(bool quiet) : quiet_(quiet), terminal_(::isatty(2) == 1) {}
    ~StderrStatusSink() override { finishLine(); }

    void statusText(int part, const std::string& text) override {
        if (quiet_ || text.empty() || part != 1)
            return;
        std::lock_guard lock(mutex_);
        if (terminal_) {
            std::fprintf(stderr, "\r\033[K%s", text.c_str());
            pending_ = true;
        } else {
            std::fprintf(stderr, "%s\n", text.c_str());
        }
        std::fflush(stderr);
    }
    void finishLine() {
        std::lock_guard lock(mutex_);
        if (pending_)
            std::fputc('\n', stderr);
        pending_ = false;
    }

  private:
    bool quiet_;
    bool terminal_;
    bool pending_ = false;
    std::mutex mutex_;
};

CliSession::CliSession(const CommandLine& commandLine) : commandLine_(commandLine) {}

CliSession::~CliSession() {
    installStatusSink(nullptr);
}

int CliSession::open() {
    const CommonOptions& options = common();
    if (!options.configDir.isEmpty())
        setConfigDirectory(options.configDir);
    sink_ = std::make_unique<StderrStatusSink>(options.quiet);
    installStatusSink(sink_.get());

    profile_ = SettingsProfile::openDefault();
    settings_ = std::make_unique<AppSettings>(programDirectory(), *profile_);
    settings_->loadSettings(SettingsLoadOptions{false});

    if (!isReadableFolder(options.target)) {
        std::fprintf(stderr, "pixmill-cli: %s: no such folder or it cannot be read\n",
                     options.target.toUtf8().constData());
        return kExitMissing;
    }
    // No profile: the CLI never writes the history or the last folder.
    CatalogLoader loader(LoaderSetup{&model_, &gate_, nullptr, nullptr, nullptr, readPhotoDetails});
    // Made absolute by text alone: QFileInfo would pass the name through a lossy conversion.
    const QString folder = QDir::cleanPath(QDir::isAbsolutePath(options.target)
                                               ? options.target
                                               : QDir::currentPath() + '/' + options.target);
    const Result<> loaded = loader.loadFolderNow(folder);
    sink_->finishLine();
    if (!loaded) {
        // The folder went away after the check above, or another load holds the catalog.
        std::fprintf(stderr, "pixmill-cli: %s\n", loaded.message().c_str());
        return loaded.code() == ENOENT ? kExitMissing : kExitFailed;
    }
    applyOnlyFilters();
    return kExitOk;
}

void CliSession::applyOnlyFilters() {
    const QStringList& globs = common().only;
    if (globs.isEmpty())
        return;
    std::vector<QRegularExpression> patterns;
    for (const QString& glob : globs) {
        patterns.emplace_back(QRegularExpression::wildcardToRegularExpression(
                                  glob, QRegularExpression::UnanchoredWildcardConversion),
                              QRegularExpression::CaseInsensitiveOption);
    }
    for (int row = 0; row < model_.rowCount(); ++row) {
        const QString name = QString::fromStdString(model_.item(row).fileName);
        bool matched = false;
        for (const QRegularExpression& pattern : patterns) {
            const QRegularExpressionMatch match = pattern.match(name);
            matched = matched || (match.hasMatch() && match.capturedLength() == name.size());
        }
        model_.setTicked(row, matched);
    }
}

QString CliSession::outputDir() const {
    const QString chosen = common().outDir.isEmpty() ? settings_->outputDir : common().outDir;
    return withTrailingSeparator(QDir::cleanPath(absolutePath(QDir::fromNativeSeparators(chosen))));
}

int CliSession::refuse(const std::string& message) const {
    std::fprintf(stderr, "pixmill-cli: %s\n", message.c_str());
    return kExitFailed;
}

int CliSession::runBatch(BatchJob job) {
    if (model_.rowCount() == 0)
        return kExitOk;  // an existing folder without images
    struct Collector : BatchObserver {
        std::vector<RowOutcome> outcomes;
        void batchEnd(BatchKind, const std::string&, const std::vector<RowOutcome>& rows) override {
            outcomes = rows;
        }
    } collector;
    BatchDriver driver(model_, gate_, &collector);
    const std::string startRefusal = driver.checkStart(job.kind);
    if (!startRefusal.empty())
        return refuse(startRefusal);

    BatchEnvironment environment;
    environment.currentFolder = pathBytes(model_.currentFolder());
    environment.catalogNames = catalogFileNames(model_);
    if (batchKindInfo(job.kind).usesOutputFolder) {
        const QString out = outputDir();
        struct stat outStatus, folderStatus;
        if (::stat(pathBytes(out).c_str(), &outStatus) == 0 &&
            ::stat(environment.currentFolder.c_str(), &folderStatus) == 0 &&
            outStatus.st_dev == folderStatus.st_dev && outStatus.st_ino == folderStatus.st_ino) {
            return refuse("输出目录不能与图片目录相同：" + out.toStdString());
        }
        environment.outputDir = pathBytes(out);
        if (!makeFolders(environment.outputDir))
            return refuse("无法创建输出目录：" + environment.outputDir);
    }

    const std::string refusal = driver.start(std::move(job), environment);
    if (!refusal.empty())
        return refuse(refusal);
    driver.wait();
    sink_->finishLine();
    return report(collector.outcomes);
}

int CliSession::report(const std::vector<RowOutcome>& outcomes) const {
    int status = kExitOk;
    for (const RowOutcome& row : outcomes) {
        const ItemOutcome& outcome = row.outcome;
        if (common().json) {
            std::printf("{\"row\":%d,\"file\":%s,\"status\":\"%s\",\"output\":%s,\"message\":%s}\n",
                        row.row + 1, jsonString(row.fileName).c_str(),
                        itemStatusName(outcome.status), jsonString(outcome.output).c_str(),
                        jsonString(outcome.message).c_str());
        }
        // Failures, skips and the notes of rows done with one are named on stderr.
        if (outcome.status == ItemStatus::Failed || outcome.status == ItemStatus::Skipped ||
            (outcome.status == ItemStatus::Ok && !outcome.message.empty())) {
            std::fprintf(stderr, "%s: %s%s%s\n", itemStatusName(outcome.status),
                         row.fileName.c_str(), outcome.message.empty() ? "" : ": ",
                         outcome.message.c_str());
        }
        if (outcome.status == ItemStatus::Failed)
            status = kExitFailed;
    }
    std::fflush(stdout);
    return status;
}

}  // namespace pixmill::cli
