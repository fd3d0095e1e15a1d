#pragma once
// The modal download dialog: fetches one address into a file while showing what the transfer
// is doing, how far it is, its rate and the time left. Cancel (or closing the window) aborts
// the transfer; the dialog closes once it has stopped. The file exists afterwards only when
// the whole transfer succeeded (see FileDownload).

#include <QDialog>
#include <QElapsedTimer>
#include <QTimer>

#include <functional>

#include "engine/update/file_download.h"
#include "engine/update/transfer_meter.h"

class QLabel;
class QProgressBar;
class QPushButton;

namespace pixmill {

class CHttpDownloadDlg : public QDialog {
    Q_OBJECT
  public:
    CHttpDownloadDlg(const QString& address, const QString& targetPath, QWidget* parent = nullptr);
    ~CHttpDownloadDlg() override;

    // Tests answer the credential prompt and collect the error message themselves; by default
    // they are CCredentialsDlg and a message box.
    void setCredentialPrompt(CredentialPrompt prompt) { credentialPrompt_ = std::move(prompt); }
    void setErrorReporter(std::function<void(const QString&)> report) {
        reportError_ = std::move(report);
    }

    // Accepted when the file arrived in full, rejected otherwise.
    int exec() override;

    DownloadOutcome outcome() const { return outcome_; }
    QString captionText() const;
    QString statusText() const;
    QString rateText() const;
    QString timeLeftText() const;

  public Q_SLOTS:
    void reject() override;

  private:
    void startTransfer();
    void showStatus(const QString& text);
    void onRetrieving(qint64 length);
    void onProgress(qint64 received, qint64 length);
    void onFinished();
    void stepAnimation();

    QString address_;
    QString targetPath_;
    QString fileName_;
    QString serverName_;
    CredentialPrompt credentialPrompt_;
    std::function<void(const QString&)> reportError_;
    FileDownload* download_ = nullptr;
    DownloadOutcome outcome_ = DownloadOutcome::Running;
    TransferMeter meter_;
    QElapsedTimer clock_;
    QTimer animationTimer_;
    int animationFrame_ = 0;

    QLabel* animation_;
    QLabel* caption_;
    QLabel* status_;
    QLabel* timeLeft_;
    QLabel* rate_;
    QProgressBar* progress_;
    QPushButton* cancel_;
};

// Downloads `address` into `targetPath` with the dialog; true when the file arrived in full.
bool downloadWithDialog(QWidget* parent, const QString& address, const QString& targetPath);

}  // namespace pixmill
