#include "gui/app/options_dialog.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "engine/app/app_info.h"
#include "engine/app/app_paths.h"
#include "gui/controls/dialog_buttons.h"
#include "gui/controls/path_dialog.h"

namespace pixmill {

QString pickOutputFolder(QWidget* parent, const QString& startFolder) {
    CPathDialog picker(QString::fromUtf8(kDisplayName),
                       QString::fromUtf8("请选择你要保存图片的目录"), startFolder, parent);
    return picker.runModal() == 1 ? picker.chosenPath() : QString();
}

COptionsdlg::COptionsdlg(AppSettings& settings, SkinSwitch skinSwitch, QWidget* parent)
    : QDialog(parent),
      settings_(settings),
      skinSwitch_(std::move(skinSwitch)),
      picker_(pickOutputFolder) {
    setWindowTitle(QString::fromUtf8("选项设置"));
    auto* grid = new QGridLayout(this);
    grid->addWidget(new QLabel(QString::fromUtf8("图片输出目录："), this), 0, 0);
    outputEdit_ = new QLineEdit(this);
    grid->addWidget(outputEdit_, 0, 1);
    browseButton_ = new QPushButton(QStringLiteral("..."), this);
    browseButton_->setFixedWidth(32);
    grid->addWidget(browseButton_, 0, 2);
    grid->addWidget(
        new QLabel(QString::fromUtf8("默认在软件目录的out文件夹下，不过您可以任意修改"), this), 1,
        1, 1, 2);
    skinBox_ = new QCheckBox(QString::fromUtf8("使用皮肤"), this);
    grid->addWidget(skinBox_, 2, 1, 1, 2);
    checkOnClickBox_ = new QCheckBox(QString::fromUtf8("点击预览图片时即勾选"), this);
    grid->addWidget(checkOnClickBox_, 3, 1, 1, 2);
    QDialogButtonBox* buttons = okCancelButtons(this);
    grid->addWidget(buttons, 4, 0, 1, 3);

    outputEdit_->setText(settings_.outputDir);
    pickerStart_ = settings_.outputDir;
    checkOnClickBox_->setChecked(settings_.checkOnClick != 0);
    skinBox_->setChecked(settings_.useSkin != 0);

    connect(browseButton_, &QPushButton::clicked, this, &COptionsdlg::browse);
    connect(skinBox_, &QCheckBox::toggled, this, &COptionsdlg::skinToggled);
    resize(460, sizeHint().height());
}

void COptionsdlg::browse() {
    const QString chosen = picker_(this, pickerStart_);
    if (chosen.isEmpty())
        return;
    pickerStart_ = withTrailingSeparator(chosen);
    outputEdit_->setText(pickerStart_);
}

void COptionsdlg::skinToggled(bool on) {
    settings_.useSkin = on ? 1 : 0;
    settings_.saveSettings();
    if (skinSwitch_)
        skinSwitch_(on);
}

void COptionsdlg::accept() {
    // Stored as typed, with a separator; the next start repairs a folder that does not exist.
    settings_.outputDir = withTrailingSeparator(outputEdit_->text());
    settings_.checkOnClick = checkOnClickBox_->isChecked() ? 1 : 0;
    settings_.saveSettings();
    QDialog::accept();
}

}  // namespace pixmill
