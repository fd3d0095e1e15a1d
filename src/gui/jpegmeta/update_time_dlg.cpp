#include "gui/jpegmeta/update_time_dlg.h"

#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>

#include "gui/controls/dialog_buttons.h"
#include "gui/controls/int_field.h"
#include "gui/controls/user_prompter.h"

namespace pixmill {

namespace {
constexpr int kArrowMinimum = -10000;
constexpr int kArrowMaximum = 10000;
constexpr int kOpeningHours = -8;
}  // namespace

CUpdateTimeDlg::CUpdateTimeDlg(UserPrompter* prompter, QWidget* parent)
    : QDialog(parent), edit_(new QLineEdit(this)), prompter_(prompter ? prompter : &boxPrompter()) {
    setWindowTitle(QStringLiteral("图片拍摄时间校正"));
    edit_->setText(QString::number(kOpeningHours));
    // A plain edit with arrow buttons rather than a spin box: a spin box would clamp a typed
    // 20000 to its range, and the range is meant to bind only the arrows.
    auto* up = new QToolButton(this);
    up->setArrowType(Qt::UpArrow);
    auto* down = new QToolButton(this);
    down->setArrowType(Qt::DownArrow);
    connect(up, &QToolButton::clicked, this, [this] { stepArrows(1); });
    connect(down, &QToolButton::clicked, this, [this] { stepArrows(-1); });
    auto* arrows = new QVBoxLayout;
    arrows->setSpacing(0);
    arrows->addWidget(up);
    arrows->addWidget(down);
    auto* field = new QHBoxLayout;
    field->addWidget(edit_);
    field->addLayout(arrows);

    QDialogButtonBox* buttons = okCancelButtons(this);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(QStringLiteral("拍摄日期增加小时数(填负数为减小)："), this));
    layout->addLayout(field);
    layout->addWidget(buttons);
}

void CUpdateTimeDlg::stepArrows(int steps) {
    int value = 0;
    if (!parseIntField(edit_->text(), &value))
        value = 0;
    const long long next =
        std::clamp<long long>(static_cast<long long>(value) + steps, kArrowMinimum, kArrowMaximum);
    edit_->setText(QString::number(next));
}

void CUpdateTimeDlg::accept() {
    int value = hours_;
    if (!parseIntField(edit_->text(), &value)) {
        prompter_->warning(this, QString::fromLatin1(kEnterIntegerMessage));
        edit_->setFocus();
        return;
    }
    hours_ = value;
    QDialog::accept();
}

}  // namespace pixmill
