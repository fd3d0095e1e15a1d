#include "gui/update/http_download_dlg.h"

#include <QCloseEvent>
#include <QGridLayout>
#include <QLabel>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>

#include "engine/app/app_info.h"
#include "engine/update/update_feed.h"
#include "gui/controls/user_prompter.h"
#include "gui/update/credentials_dlg.h"

namespace pixmill {
namespace {

// The transfer animation: a block travelling from the server to the disk.
const char* const kAnimationFrames[] = {"[■ ›      ]", "[■  ›     ]", "[■   ›    ]",
                                        "[■    ›   ]", "[■     ›  ]", "[■      › ]"};

QString lastPathSegment(const QString& path) {
    const qsizetype slash =
        std::max(path.lastIndexOf(QLatin1Char('/')), path.lastIndexOf(QLatin1Char('\\')));
    return path.mid(slash + 1);
}

}  // namespace

CHttpDownloadDlg::CHttpDownloadDlg(const QString& address, const QString& targetPath,
                                   QWidget* parent)
    : QDialog(parent),
      address_(address),
      targetPath_(targetPath),
      animation_(new QLabel(this)),
      caption_(new QLabel(this)),
      status_(new QLabel(this)),
      timeLeft_(new QLabel(this)),
      rate_(new QLabel(this)),
      progress_(new QProgressBar(this)),
      cancel_(new QPushButton(QStringLiteral("Cancel"), this)) {
    setWindowTitle(QStringLiteral("Downloading"));
    setMinimumWidth(420);
    caption_->setObjectName(QStringLiteral("caption"));
    status_->setObjectName(QStringLiteral("status"));
    timeLeft_->setObjectName(QStringLiteral("timeLeft"));
    rate_->setObjectName(QStringLiteral("rate"));
    cancel_->setObjectName(QStringLiteral("cancel"));
    // Host names and addresses come from the feed and the server: never markup.
    for (QLabel* label : {caption_, status_, timeLeft_, rate_})
        label->setTextFormat(Qt::PlainText);
    progress_->setTextVisible(false);
    progress_->setRange(0, 0);
    animation_->setAlignment(Qt::AlignCenter);

    auto* layout = new QGridLayout(this);
    layout->addWidget(animation_, 0, 0, 1, 2);
    layout->addWidget(caption_, 1, 0, 1, 2);
    layout->addWidget(status_, 2, 0, 1, 2);
    layout->addWidget(progress_, 3, 0, 1, 2);
    layout->addWidget(new QLabel(QStringLiteral("Time Left:"), this), 4, 0);
    layout->addWidget(timeLeft_, 4, 1);
    layout->addWidget(new QLabel(QStringLiteral("Transfer Rate:"), this), 5, 0);
    layout->addWidget(rate_, 5, 1);
    layout->addWidget(cancel_, 6, 1, Qt::AlignRight);
    layout->setColumnStretch(1, 1);
    connect(cancel_, &QPushButton::clicked, this, &CHttpDownloadDlg::reject);
    connect(&animationTimer_, &QTimer::timeout, this, &CHttpDownloadDlg::stepAnimation);
}

CHttpDownloadDlg::~CHttpDownloadDlg() = default;

int CHttpDownloadDlg::exec() {
    QTimer::singleShot(0, this, &CHttpDownloadDlg::startTransfer);
    return QDialog::exec();
}

QString CHttpDownloadDlg::captionText() const {
    return caption_->text();
}
QString CHttpDownloadDlg::statusText() const {
    return status_->text();
}
QString CHttpDownloadDlg::rateText() const {
    return rate_->text();
}
QString CHttpDownloadDlg::timeLeftText() const {
    return timeLeft_->text();
}

void CHttpDownloadDlg::startTransfer() {
    if (download_ || outcome_ != DownloadOutcome::Running || !isVisible())
        return;
    const QUrl url = normalizeDownloadAddress(address_);
    if (!url.isValid()) {
        outcome_ = DownloadOutcome::Failed;
        QDialog::reject();
        return;
    }
    fileName_ = lastPathSegment(url.path());
    serverName_ = url.host();
    caption_->setText(QStringLiteral("%1 from %2").arg(fileName_, serverName_));
    animationTimer_.start(250);
    stepAnimation();

    download_ = new FileDownload(url, targetPath_, this);
    download_->setCredentialPrompt([this](const QString& host, const QString& realm, bool proxy) {
        if (credentialPrompt_)
            return credentialPrompt_(host, realm, proxy);
        return CCredentialsDlg::ask(this, host, realm, proxy);
    });
    connect(download_, &FileDownload::connectingTo, this, [this](const QString& host) {
        showStatus(QStringLiteral("Connecting to %1").arg(host));
    });
    connect(download_, &FileDownload::redirectingTo, this, [this](const QUrl& to) {
        showStatus(QStringLiteral("Redirecting to %1").arg(to.toString()));
    });
    connect(download_, &FileDownload::gettingFileInformation, this,
            [this] { showStatus(QStringLiteral("Getting file information")); });
    connect(download_, &FileDownload::retrievingFile, this, &CHttpDownloadDlg::onRetrieving);
    connect(download_, &FileDownload::progressed, this, &CHttpDownloadDlg::onProgress);
    connect(download_, &FileDownload::finished, this, &CHttpDownloadDlg::onFinished);
    download_->start();
}

void CHttpDownloadDlg::showStatus(const QString& text) {
    if (cancel_->isEnabled())
        status_->setText(text);
}

void CHttpDownloadDlg::onRetrieving(qint64 length) {
    showStatus(QStringLiteral("Retrieving the file"));
    if (length >= 0)
        progress_->setRange(0, progressRangeKb(length));
    clock_.start();
    meter_.begin(length, 0);
}

void CHttpDownloadDlg::onProgress(qint64 received, qint64 length) {
    const TransferMeter::Update update = meter_.sample(received, clock_.elapsed());
    if (update.percent) {
        caption_->setText(
            QStringLiteral("%1% of %2 Completed").arg(*update.percent).arg(fileName_));
        progress_->setValue(
            static_cast<int>(std::min<qint64>(received / 1024, progressRangeKb(length))));
    }
    if (update.rate)
        rate_->setText(*update.rate);
    if (update.timeLeft)
        timeLeft_->setText(*update.timeLeft);
}

void CHttpDownloadDlg::onFinished() {
    outcome_ = download_->outcome();
    animationTimer_.stop();
    if (outcome_ == DownloadOutcome::Completed) {
        QDialog::accept();
        return;
    }
    if (const Result<DownloadOutcome> result = download_->result(); !result) {
        const QString text = QString::fromStdString(result.message());
        if (reportError_) {
            reportError_(text);
        } else {
            showPlainMessage(this, QMessageBox::Critical, QString::fromUtf8(kDisplayName), text);
        }
    }
    QDialog::reject();
}

void CHttpDownloadDlg::reject() {
    if (download_ && outcome_ == DownloadOutcome::Running) {
        // The dialog closes when the transfer has stopped (onFinished).
        cancel_->setEnabled(false);
        status_->setText(QStringLiteral("Aborting transfer"));
        download_->abort();
        return;
    }
    if (outcome_ == DownloadOutcome::Running)
        outcome_ = DownloadOutcome::Aborted;
    QDialog::reject();
}

void CHttpDownloadDlg::stepAnimation() {
    animation_->setText(QString::fromUtf8(kAnimationFrames[animationFrame_]));
    animationFrame_ = (animationFrame_ + 1) % int(std::size(kAnimationFrames));
}

bool downloadWithDialog(QWidget* parent, const QString& address, const QString& targetPath) {
    CHttpDownloadDlg dialog(address, targetPath, parent);
    return dialog.exec() == QDialog::Accepted && dialog.outcome() == DownloadOutcome::Completed;
}

}  // namespace pixmill
