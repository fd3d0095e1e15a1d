#include "gui/watermark/layout_library_bar.h"

#include <QCheckBox>
#include <QComboBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>

#include <algorithm>

#include "engine/app/profile.h"
#include "engine/platform/native_path.h"
#include "engine/platform/status.h"
#include "engine/watermark/layout_library.h"
#include "gui/controls/user_prompter.h"
#include "gui/watermark/preview_dlg.h"

namespace pixmill {
namespace {

constexpr const char* kSection = "watermark";
constexpr const char* kLastLayoutKey = "lastlayout";
constexpr const char* kStampWidthOnKey = "stampwidthon";
constexpr const char* kStampWidthKey = "stampwidth";
constexpr int kDefaultStampWidth = 20;

QString fromUtf8(const std::string& text) {
    return QString::fromStdString(text);
}

}  // namespace

CLayoutLibraryBar::CLayoutLibraryBar(CPreviewDlg* canvas, QWidget* parent)
    : QWidget(parent), canvas_(canvas) {
    names_ = new QComboBox(this);
    names_->setEditable(true);
    names_->setInsertPolicy(QComboBox::NoInsert);
    names_->setMinimumContentsLength(8);
    names_->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    names_->lineEdit()->setPlaceholderText(QStringLiteral("布局名称"));
    names_->setToolTip(QStringLiteral("已保存的水印布局；输入新名称可另存为新布局"));
    save_ = new QPushButton(QStringLiteral("保存布局"), this);
    save_->setToolTip(QStringLiteral("把画布上的水印布局保存为左边的名称"));
    load_ = new QPushButton(QStringLiteral("载入布局"), this);
    load_->setToolTip(QStringLiteral("用左边名称的布局替换画布上的水印"));
    scaleOn_ = new QCheckBox(QStringLiteral("水印宽度占图片宽度"), this);
    scaleOn_->setToolTip(
        QStringLiteral("按每张图片的宽度等比缩放整个水印布局，适合大小不一的图片"));
    percent_ = new QSpinBox(this);
    percent_->setRange(1, 100);
    percent_->setSuffix(QStringLiteral("%"));
    percent_->setValue(kDefaultStampWidth);
    percent_->setEnabled(false);

    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->addWidget(names_, 1);
    row->addWidget(save_);
    row->addWidget(load_);
    row->addSpacing(12);
    row->addWidget(scaleOn_);
    row->addWidget(percent_);

    connect(save_, &QPushButton::clicked, this, [this] { saveLayout(names_->currentText()); });
    connect(load_, &QPushButton::clicked, this, [this] { loadLayout(names_->currentText()); });
    connect(scaleOn_, &QCheckBox::toggled, this, &CLayoutLibraryBar::applyStampWidth);
    connect(percent_, &QSpinBox::valueChanged, this, &CLayoutLibraryBar::applyStampWidth);
}

void CLayoutLibraryBar::setStore(Profile& profile, const QString& templateDir,
                                 UserPrompter* prompter) {
    profile_ = &profile;
    templateDir_ = templateDir;
    prompter_ = prompter;
    restoring_ = true;
    percent_->setValue(
        std::clamp(profile.readInt(kSection, kStampWidthKey, kDefaultStampWidth), 1, 100));
    scaleOn_->setChecked(profile.readInt(kSection, kStampWidthOnKey, 0) != 0);
    restoring_ = false;
    applyStampWidth();
    refreshNames(profile.readString(kSection, kLastLayoutKey, QString()));
}

void CLayoutLibraryBar::refreshNames(const QString& shown) {
    names_->clear();
    for (const std::string& name : savedLayoutNames(pathBytes(templateDir_)))
        names_->addItem(fromUtf8(name));
    names_->setCurrentText(shown);
}

void CLayoutLibraryBar::remember(const QString& name) {
    refreshNames(name);
    if (!profile_)
        return;
    profile_->writeString(kSection, kLastLayoutKey, name);
    profile_->flush();
}

void CLayoutLibraryBar::applyStampWidth() {
    percent_->setEnabled(scaleOn_->isChecked());
    canvas_->group().stampWidthPercent = scaleOn_->isChecked() ? percent_->value() : 0;
    if (!profile_ || restoring_)
        return;
    profile_->writeInt(kSection, kStampWidthOnKey, scaleOn_->isChecked() ? 1 : 0);
    profile_->writeInt(kSection, kStampWidthKey, percent_->value());
    profile_->flush();
}

void CLayoutLibraryBar::warn(const QString& text) {
    (prompter_ ? *prompter_ : boxPrompter()).warning(this, text);
}

bool CLayoutLibraryBar::saveLayout(const QString& typed) {
    const QString name = typed.trimmed();
    const std::string utf8 = name.toStdString();
    if (std::string problem = layoutNameProblem(utf8); !problem.empty()) {
        warn(fromUtf8(problem));
        return false;
    }
    const std::string folder = pathBytes(templateDir_);
    if (savedLayoutExists(folder, utf8) &&
        !(prompter_ ? *prompter_ : boxPrompter())
             .question(this, QStringLiteral("水印布局“%1”已存在，要覆盖它吗？").arg(name))) {
        return false;
    }
    if (Result<> saved = saveNamedLayout(canvas_->group(), folder, utf8); !saved) {
        warn(fromUtf8(saved.message()));
        return false;
    }
    remember(name);
    setStatusText(1, QStringLiteral("已保存水印布局：%1").arg(name).toStdString());
    return true;
}

bool CLayoutLibraryBar::loadLayout(const QString& typed) {
    const QString name = typed.trimmed();
    Result<> loaded =
        loadNamedLayout(canvas_->group(), pathBytes(templateDir_), name.toStdString(), canvas_);
    if (!loaded) {
        warn(fromUtf8(loaded.message()));
        return false;
    }
    remember(name);
    canvas_->update();
    Q_EMIT canvas_->layoutReplaced();
    setStatusText(1, QStringLiteral("已载入水印布局：%1").arg(name).toStdString());
    return true;
}

bool CLayoutLibraryBar::restoreLastLayout() {
    const QString name =
        profile_ ? profile_->readString(kSection, kLastLayoutKey, QString()) : QString();
    if (name.isEmpty())
        return false;
    Result<> loaded =
        loadNamedLayout(canvas_->group(), pathBytes(templateDir_), name.toStdString(), canvas_);
    if (!loaded) {
        setStatusText(1, QStringLiteral("上次使用的水印布局无法载入（%1），画布为空")
                             .arg(fromUtf8(loaded.message()))
                             .toStdString());
        return false;
    }
    canvas_->update();
    Q_EMIT canvas_->layoutReplaced();
    return true;
}

}  // namespace pixmill
