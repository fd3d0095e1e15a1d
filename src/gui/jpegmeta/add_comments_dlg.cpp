#include "gui/jpegmeta/add_comments_dlg.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QVBoxLayout>

#include "gui/controls/dialog_buttons.h"

namespace pixmill {

CAddCommentsDlg::CAddCommentsDlg(QWidget* parent)
    : QDialog(parent), edit_(new QPlainTextEdit(this)) {
    setWindowTitle(QStringLiteral("添加图片备注信息"));
    edit_->setPlainText(QStringLiteral("photo by xxx"));
    QDialogButtonBox* buttons = okCancelButtons(this);
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
