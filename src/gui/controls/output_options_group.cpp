#include "gui/controls/output_options_group.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QLabel>
#include <QSpinBox>

#include <algorithm>

#include "engine/app/profile.h"

namespace pixmill {
namespace {

// The list's entries in OutputFormat order.
constexpr const char* kFormatLabels[] = {"保持原格式", "JPEG", "PNG", "WebP"};
constexpr int kDefaultTargetKb = 100;

}  // namespace

COutputOptionsGroup::COutputOptionsGroup(Profile* profile, QString section, QWidget* parent)
    : QGroupBox(QStringLiteral("输出选项"), parent),
      profile_(profile),
      section_(std::move(section)),
      format_(new QComboBox(this)),
      quality_(new QSpinBox(this)),
      limit_(new QCheckBox(QStringLiteral("不超过"), this)),
      maxKb_(new QSpinBox(this)) {
    auto* grid = new QGridLayout(this);
    for (const char* label : kFormatLabels)
        format_->addItem(QString::fromUtf8(label));
    format_->setToolTip(QStringLiteral("保持原格式：PNG 和 BMP 保持原样，其他图片存为 JPEG"));
    quality_->setRange(kMinOutputQuality, kMaxOutputQuality);
    quality_->setValue(kMaxOutputQuality);
    maxKb_->setRange(1, kMaxTargetKb);
    maxKb_->setValue(kDefaultTargetKb);
    maxKb_->setSuffix(QStringLiteral(" KB"));
    maxKb_->setToolTip(QStringLiteral("以不超过此大小的最高质量保存 JPEG 和 WebP"));
    limit_->setToolTip(maxKb_->toolTip());
    grid->setColumnStretch(1, 1);

    grid->addWidget(new QLabel(QStringLiteral("格式："), this), 0, 0);
    grid->addWidget(format_, 0, 1);
    grid->addWidget(new QLabel(QStringLiteral("质量："), this), 1, 0);
    grid->addWidget(quality_, 1, 1);
    grid->addWidget(limit_, 2, 0);
    grid->addWidget(maxKb_, 2, 1);

    const auto changed = [this] {
        enableLossyControls();
        if (!loading_)
            save();
    };
    connect(format_, &QComboBox::currentIndexChanged, this, changed);
    connect(limit_, &QCheckBox::toggled, this, changed);
    connect(quality_, &QSpinBox::valueChanged, this, changed);
    connect(maxKb_, &QSpinBox::valueChanged, this, changed);
    load();
}

OutputOptions COutputOptionsGroup::options() const {
    OutputOptions options;
    options.format = static_cast<OutputFormat>(std::max(0, format_->currentIndex()));
    options.quality = quality_->value();
    options.maxKb =
        limit_->isChecked() && options.format != OutputFormat::Png ? maxKb_->value() : 0;
    return options;
}

void COutputOptionsGroup::setOptions(const OutputOptions& options) {
    format_->setCurrentIndex(int(options.format));
    quality_->setValue(options.quality);
    limit_->setChecked(options.maxKb > 0);
    if (options.maxKb > 0)
        maxKb_->setValue(options.maxKb);
    enableLossyControls();
}

void COutputOptionsGroup::load() {
    if (!profile_) {
        enableLossyControls();
        return;
    }
    const int format = profile_->readInt(section_, QStringLiteral("outformat"), 0);
    OutputOptions options;
    options.format =
        format >= 0 && format <= 3 ? static_cast<OutputFormat>(format) : OutputFormat::Keep;
    options.quality =
        std::clamp(profile_->readInt(section_, QStringLiteral("outquality"), kMaxOutputQuality),
                   kMinOutputQuality, kMaxOutputQuality);
    options.maxKb =
        std::clamp(profile_->readInt(section_, QStringLiteral("outmaxkb"), 0), 0, kMaxTargetKb);
    loading_ = true;
    setOptions(options);
    loading_ = false;
}

void COutputOptionsGroup::save() {
    if (!profile_)
        return;
    profile_->writeInt(section_, QStringLiteral("outformat"), format_->currentIndex());
    profile_->writeInt(section_, QStringLiteral("outquality"), quality_->value());
    profile_->writeInt(section_, QStringLiteral("outmaxkb"),
                       limit_->isChecked() ? maxKb_->value() : 0);
    profile_->flush();
}

void COutputOptionsGroup::showEvent(QShowEvent* event) {
    // Another panel may have changed the values kept in the same section meanwhile.
    load();
    QGroupBox::showEvent(event);
}

void COutputOptionsGroup::enableLossyControls() {
    const bool lossy = format_->currentIndex() != int(OutputFormat::Png);
    quality_->setEnabled(lossy);
    limit_->setEnabled(lossy);
    maxKb_->setEnabled(lossy && limit_->isChecked());
}

}  // namespace pixmill
