#include "gui/update/daily_tip_dlg.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "engine/app/app_settings.h"
#include "engine/update/daily_tips.h"

namespace pixmill {

CDailyTipDlg::CDailyTipDlg(AppSettings& settings, QWidget* parent)
    : QDialog(parent),
      settings_(settings),
      textEdit_(new QPlainTextEdit(this)),
      showAtStartBox_(new QCheckBox(QStringLiteral("启动时显示每日一帖"), this)) {
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("每日一帖"));
    setModal(false);
    resize(460, 320);
    textEdit_->setObjectName(QStringLiteral("tipText"));
    textEdit_->setReadOnly(true);
    showAtStartBox_->setObjectName(QStringLiteral("showAtStart"));
    auto* previous = new QPushButton(QStringLiteral("上一帖"), this);
    auto* next = new QPushButton(QStringLiteral("下一帖"), this);
    previous->setObjectName(QStringLiteral("previousTip"));
    next->setObjectName(QStringLiteral("nextTip"));
    connect(previous, &QPushButton::clicked, this, &CDailyTipDlg::showPreviousTip);
    connect(next, &QPushButton::clicked, this, &CDailyTipDlg::showNextTip);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(showAtStartBox_);
    buttons->addStretch();
    buttons->addWidget(previous);
    buttons->addWidget(next);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(textEdit_);
    layout->addLayout(buttons);

    // Another window may have saved the settings since start-up: begin from what is stored.
    settings_.loadSettings();
    showAtStart_ = settings_.dailyTip;
    showAtStartBox_->setChecked(showAtStart_ != 0);
    showTip(normalizeTipIndex(settings_.dailyTipIndex));
}

void CDailyTipDlg::showTip(int index) {
    currentIndex_ = index;
    text_ = dailyTipText(index);
    textEdit_->setPlainText(text_);
    // Stored past the end after the last tip; it reads back as the first.
    settings_.dailyTipIndex = currentIndex_ + 1;
    settings_.saveSettings();
}

void CDailyTipDlg::showPreviousTip() {
    showTip(previousTipIndex(currentIndex_));
}

void CDailyTipDlg::showNextTip() {
    showTip(nextTipIndex(currentIndex_));
}

void CDailyTipDlg::done(int result) {
    showAtStart_ = showAtStartBox_->isChecked() ? 1 : 0;
    settings_.dailyTip = showAtStart_;
    settings_.saveSettings();
    QDialog::done(result);
}

CDailyTipDlg* showDailyTip(QWidget* parent, AppSettings& settings) {
    auto* dialog = new CDailyTipDlg(settings, parent);
    dialog->show();
    return dialog;
}

CDailyTipDlg* showDailyTipIfDue(QWidget* parent, AppSettings& settings) {
    if (settings.dailyTip != 1)
        return nullptr;
    return showDailyTip(parent, settings);
}

}  // namespace pixmill
