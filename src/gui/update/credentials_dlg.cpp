#include "gui/update/credentials_dlg.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

namespace pixmill {

CCredentialsDlg::CCredentialsDlg(const QString& host, const QString& realm, bool proxy,
                                 QWidget* parent)
    : QDialog(parent), user_(new QLineEdit(this)), password_(new QLineEdit(this)) {
    setWindowTitle(proxy ? QStringLiteral("代理服务器需要登录") : QStringLiteral("服务器需要登录"));
    user_->setObjectName(QStringLiteral("user"));
    password_->setObjectName(QStringLiteral("password"));
    password_->setEchoMode(QLineEdit::Password);

    auto* intro = new QLabel(this);
    intro->setWordWrap(true);
    intro->setText(realm.isEmpty()
                       ? QStringLiteral("%1 要求输入用户名和密码。").arg(host.toHtmlEscaped())
                       : QStringLiteral("%1 要求输入用户名和密码（%2）。")
                             .arg(host.toHtmlEscaped(), realm.toHtmlEscaped()));
    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("用户名："), user_);
    form->addRow(QStringLiteral("密码："), password_);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(intro);
    layout->addLayout(form);
    layout->addWidget(buttons);
}

DownloadCredentials CCredentialsDlg::credentials() const {
    return {user_->text(), password_->text()};
}

std::optional<DownloadCredentials> CCredentialsDlg::ask(QWidget* parent, const QString& host,
                                                        const QString& realm, bool proxy) {
    CCredentialsDlg dialog(host, realm, proxy, parent);
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    return dialog.credentials();
}

}  // namespace pixmill
