#include "gui/jpegmeta/add_comments_dlg.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QVBoxLayout>

namespace pixmill {

CAddCommentsDlg::CAddCommentsDlg(QWidget* parent)
    : QDialog(parent), edit_(new QPlainTextEdit(this)) {
    setWindowTitle(QStringLiteral("添加图片备注信息"));
    edit_->setPlainText(QStringLiteral("photo by xxx"));
    auto* buttons = new QDialogButtonBox(this);
    buttons->addButton(QStringLiteral("确定"), QDialogButtonBox::AcceptRole);
    buttons->addButton(QStringLiteral("取消"), QDialogButtonBox::RejectRole);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(QStringLiteral("请为图片输入备注信息："), this));
    layout->addWidget(edit_);
    layout->addWidget(buttons);
}

QString CAddCommentsDlg::comment() const {
    QString text = edit_->toPlainText();
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text.replace(QStringLiteral("\n"), QStringLiteral("\r\n"));
    return text;
}

}  // namespace pixmill
