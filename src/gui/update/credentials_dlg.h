#pragma once
// Asks for a user name and password when a download meets a 401 or 407 challenge (Linux has
// no platform credential dialog to borrow).

#include <QDialog>

#include <optional>

#include "engine/update/file_download.h"

class QLineEdit;

namespace pixmill {

class CCredentialsDlg : public QDialog {
    Q_OBJECT
  public:
    CCredentialsDlg(const QString& host, const QString& realm, bool proxy,
                    QWidget* parent = nullptr);
    DownloadCredentials credentials() const;

    // Runs the dialog modally; empty when the user cancels.
    static std::optional<DownloadCredentials> ask(QWidget* parent, const QString& host,
                                                  const QString& realm, bool proxy);

  private:
    QLineEdit* user_;
    QLineEdit* password_;
};

}  // namespace pixmill
