#include "gui/rename/rename_image_dlg.h"

#include <QCursor>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "engine/app/app_settings.h"
#include "engine/catalog/catalog_model.h"
#include "engine/rename/rename_batch.h"
#include "engine/rename/tags.h"
#include "gui/controls/int_field.h"
#include "gui/controls/user_prompter.h"
#include "gui/rename/rename_preview_dlg.h"

namespace pixmill {

namespace {
constexpr int kMaxStart = 2147483647;
constexpr int kMaxIncrement = 100000;
}  // namespace

CRenameImageDlg::CRenameImageDlg(AppSettings& settings, CatalogModel& model, BatchStarter starter,
                                 UserPrompter* prompter, QWidget* parent)
    : CBaseToolDlg(kRenamePanelId, QStringLiteral("重命名"), parent),
      settings_(settings),
      model_(model),
      starter_(std::move(starter)),
      prompter_(prompter ? prompter : &boxPrompter()) {}

void CRenameImageDlg::initDialog() {
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(QStringLiteral("重命名规则："), this));
    ruleEdit_ = new QPlainTextEdit(this);
    ruleEdit_->setMaximumHeight(70);
    layout->addWidget(ruleEdit_);
    tagButton_ = new QPushButton(QStringLiteral("添加标签"), this);
    layout->addWidget(tagButton_);
    layout->addWidget(new QLabel(QStringLiteral("重命名预览效果："), this));
    previewEdit_ = new QPlainTextEdit(this);
    previewEdit_->setReadOnly(true);
    previewEdit_->setMaximumHeight(70);
    layout->addWidget(previewEdit_);

    auto* numbers = new QGridLayout;
    numbers->addWidget(new QLabel(QStringLiteral("编号起始值："), this), 0, 0);
    startEdit_ = new QLineEdit(QString::number(start_), this);
    numbers->addWidget(startEdit_, 0, 1);
    numbers->addWidget(new QLabel(QStringLiteral("递增值："), this), 1, 0);
    incrementEdit_ = new QLineEdit(QString::number(increment_), this);
    numbers->addWidget(incrementEdit_, 1, 1);
    layout->addLayout(numbers);

    auto* group = new QGroupBox(QStringLiteral("扩展名选项"), this);
    auto* groupLayout = new QVBoxLayout(group);
    const QString caseLabels[3] = {QStringLiteral("不作变化"), QStringLiteral("全部改为小写"),
                                   QStringLiteral("全部改为大写")};
    for (int i = 0; i < 3; ++i) {
        caseRadios_[i] = new QRadioButton(caseLabels[i], group);
        groupLayout->addWidget(caseRadios_[i]);
    }
    layout->addWidget(group);
    previewAllButton_ = new QPushButton(QStringLiteral("预览全部"), this);
    layout->addWidget(previewAllButton_);
    layout->addStretch();

    tagMenu_ = new QMenu(this);
    for (const TagInfo& tag : tagTable()) {
        QAction* action =
            tagMenu_->addAction(QString::fromUtf8(tag.menuLabel.data(), int(tag.menuLabel.size())));
        action->setData(QString::fromUtf8(tag.text.data(), int(tag.text.size())));
    }
    connect(tagButton_, &QPushButton::clicked, this, &CRenameImageDlg::popUpTagMenu);
    connect(previewAllButton_, &QPushButton::clicked, this, &CRenameImageDlg::showPreviewAll);
    connect(ruleEdit_, &QPlainTextEdit::textChanged, this, &CRenameImageDlg::updatePreview);

    const int storedCase = settings_.renameWordCase;
    caseRadios_[storedCase >= 0 && storedCase <= 2 ? storedCase : 1]->setChecked(true);
    ruleEdit_->setPlainText(settings_.renameRule);
    updatePreview();
}

void CRenameImageDlg::updatePreview() {
    previewEdit_->setPlainText(
        QString::fromStdString(renamePreview(ruleEdit_->toPlainText().toStdString())));
}

void CRenameImageDlg::popUpTagMenu() {
    if (QAction* chosen = tagMenu_->exec(QCursor::pos()))
        chooseTag(chosen->data().toString());
}

void CRenameImageDlg::chooseTag(const QString& tagText) {
    std::string rule = ruleEdit_->toPlainText().toStdString();
    if (insertTag(rule, tagText.toStdString()))
        ruleEdit_->setPlainText(QString::fromStdString(rule));
    updatePreview();
}

int CRenameImageDlg::extensionCase() const {
    if (caseRadios_[1]->isChecked())
        return 1;
    return caseRadios_[2]->isChecked() ? 2 : 0;
}

RenameParams CRenameImageDlg::readParams(bool* valid) {
    ensureCreated();
    // A number that fails its check is not used: the last good one stays, and a start stops.
    const bool ok =
        acceptIntField(*startEdit_, &start_, 1, kMaxStart, *prompter_, this) &&
        acceptIntField(*incrementEdit_, &increment_, 1, kMaxIncrement, *prompter_, this);
    if (valid)
        *valid = ok;
    RenameParams params;
    params.rule = ruleEdit_->toPlainText().toStdString();
    params.start = start_;
    params.increment = increment_;
    params.extensionCase = static_cast<ExtensionCase>(extensionCase());
    return params;
}

RenamePlan CRenameImageDlg::planForTicked() {
    return dryRunRename(readParams(), tickedWorkedRows(model_),
                        batchEnvironment(model_, settings_));
}

void CRenameImageDlg::showPreviewAll() {
    CRenamePreviewDlg dialog(planForTicked(), this);
    dialog.exec();
}

bool CRenameImageDlg::StartBatch() {
    bool valid = false;
    const RenameParams params = readParams(&valid);
    if (!valid)
        return false;
    settings_.renameRule = QString::fromStdString(params.rule);
    settings_.renameWordCase = static_cast<int>(params.extensionCase);
    settings_.saveSettings();
    return starter_(makeRenameJob(params)).empty();
}

}  // namespace pixmill
