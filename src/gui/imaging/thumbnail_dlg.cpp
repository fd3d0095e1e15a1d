#include "gui/imaging/thumbnail_dlg.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QVBoxLayout>

#include "engine/app/app_settings.h"
#include "engine/imaging/resize_batch.h"
#include "engine/platform/native_path.h"
#include "gui/controls/int_field.h"
#include "gui/controls/output_options_group.h"
#include "gui/controls/user_prompter.h"
#include "gui/watermark/color_picker_button.h"

namespace pixmill {

namespace {
constexpr int kMaxCustomSide = 10000;
constexpr int kWhiteBgr = 0xFFFFFF;
int inRangeOrZero(int value, int count) {
    return value >= 0 && value < count ? value : 0;
}
// 0x00BBGGRR and 0xRRGGBB into each other (the same swap both ways).
unsigned swapRedBlue(unsigned colour) {
    return (colour & 0xFF) << 16 | (colour & 0xFF00) | (colour >> 16 & 0xFF);
}
}  // namespace

CThumbnailDlg::CThumbnailDlg(AppSettings& settings, BatchStarter starter, UserPrompter* prompter,
                             QWidget* parent)
    : CBaseToolDlg(kResizePanelId, QStringLiteral("缩略图"), parent),
      settings_(settings),
      starter_(std::move(starter)),
      prompter_(prompter ? prompter : &boxPrompter()) {}

void CThumbnailDlg::initDialog() {
    auto* layout = new QVBoxLayout(this);
    auto* schemes = new QButtonGroup(this);
    auto* markets = new QButtonGroup(this);
    const QString schemeLabels[3] = {QStringLiteral("常用尺寸"),
                                     QStringLiteral("淘宝卖家常用图片尺寸"),
                                     QStringLiteral("自定义尺寸")};
    for (int i = 0; i < 3; ++i) {
        schemeRadios_[i] = new QRadioButton(schemeLabels[i], this);
        schemes->addButton(schemeRadios_[i], i);
    }
    for (int i = 0; i < kMarketSizeCount; ++i) {
        const QString marketLabel = QString::fromStdString(marketSizeLabel(kMarketSizes[i]));
        marketRadios_[i] = new QRadioButton(marketLabel, this);
        marketRadios_[i]->setToolTip(marketLabel);  // the panel is narrower than the text
        markets->addButton(marketRadios_[i], i);
    }
    sizeList_ = new QComboBox(this);
    for (const SizePreset& preset : kCommonSizes) {
        const QString label = QString::fromStdString(commonSizeLabel(preset));
        sizeList_->addItem(label);
        sizeList_->setItemData(sizeList_->count() - 1, label, Qt::ToolTipRole);
    }
    widthEdit_ = new QLineEdit(QString::number(customWidth_), this);
    heightEdit_ = new QLineEdit(QString::number(customHeight_), this);
    restoreExifBox_ = new QCheckBox(QStringLiteral("恢复图片原有的Exif信息"), this);

    layout->addWidget(schemeRadios_[0]);
    layout->addWidget(sizeList_);
    layout->addWidget(schemeRadios_[1]);
    for (QRadioButton* radio : marketRadios_)
        layout->addWidget(radio);
    layout->addWidget(schemeRadios_[2]);
    auto* custom = new QGridLayout;
    custom->addWidget(new QLabel(QStringLiteral("宽："), this), 0, 0);
    custom->addWidget(widthEdit_, 0, 1);
    custom->addWidget(new QLabel(QStringLiteral("高："), this), 1, 0);
    custom->addWidget(heightEdit_, 1, 1);
    layout->addLayout(custom);
    layout->addWidget(restoreExifBox_);
    addCanvasControls(layout);
    layout->addStretch();

    restoreExifBox_->setChecked(settings_.restoreExif != 0);
    const int scheme = inRangeOrZero(settings_.thumbIndex, 3);
    schemeRadios_[scheme]->setChecked(true);
    const int stored = settings_.thumbComboIndex;
    sizeList_->setCurrentIndex(stored >= 0 && stored < sizeList_->count() ? stored : -1);
    marketRadios_[inRangeOrZero(settings_.marketSize, kMarketSizeCount)]->setChecked(true);
    enableSchemeControls(scheme);
    connect(schemes, &QButtonGroup::idClicked, this, &CThumbnailDlg::enableSchemeControls);
}

void CThumbnailDlg::addCanvasControls(QVBoxLayout* layout) {
    Profile& profile = settings_.profile();
    labelSizeBox_ = new QCheckBox(QStringLiteral("按标注大小压缩"), this);
    labelSizeBox_->setToolTip(QStringLiteral("以标注的大小（%1）为目标大小")
                                  .arg(QString::fromStdString(labelledKbList(kMarketSizes))));
    labelSizeBox_->setChecked(profile.readInt("thumbnail", "labelkb", 0) != 0);
    squareBox_ = new QCheckBox(QStringLiteral("放在正方形画布中央"), this);
    squareBox_->setToolTip(QStringLiteral("图片缩小后居中放在边长等于所选尺寸的正方形画布上"));
    squareBox_->setChecked(profile.readInt("thumbnail", "square", 0) != 0);
    canvasColor_ = new CColorPickerButton(this);
    canvasColor_->setToolTip(QStringLiteral("画布颜色"));
    canvasColor_->setColor(
        swapRedBlue(unsigned(profile.readInt("thumbnail", "canvascolor", kWhiteBgr))));
    output_ = new COutputOptionsGroup(&profile, QStringLiteral("thumbnail"), this);
    auto* square = new QHBoxLayout;
    square->addWidget(squareBox_);
    square->addWidget(canvasColor_);
    layout->insertWidget(layout->indexOf(marketRadios_[kMarketSizeCount - 1]) + 1, labelSizeBox_);
    layout->addLayout(square);
    layout->addWidget(output_);
    canvasColor_->setEnabled(squareBox_->isChecked());
    connect(squareBox_, &QCheckBox::toggled, canvasColor_, &QWidget::setEnabled);
}

void CThumbnailDlg::saveCanvasControls() {
    Profile& profile = settings_.profile();
    profile.writeInt("thumbnail", "labelkb", labelSizeBox_->isChecked() ? 1 : 0);
    profile.writeInt("thumbnail", "square", squareBox_->isChecked() ? 1 : 0);
    profile.writeInt("thumbnail", "canvascolor", int(swapRedBlue(canvasColor_->color())));
}

OutputOptions CThumbnailDlg::chosenOutput(int scheme) const {
    OutputOptions options = output_->options();
    const int market = checkedMarket();
    if (scheme == 1 && labelSizeBox_->isChecked() && market >= 0)
        options.maxKb = kMarketSizes[market].labelledKb;
    return options;
}

void CThumbnailDlg::enableSchemeControls(int scheme) {
    sizeList_->setEnabled(scheme == 0);
    for (QRadioButton* radio : marketRadios_)
        radio->setEnabled(scheme == 1);
    if (labelSizeBox_)
        labelSizeBox_->setEnabled(scheme == 1);
    widthEdit_->setEnabled(scheme == 2);
    heightEdit_->setEnabled(scheme == 2);
}

int CThumbnailDlg::checkedMarket() const {
    for (int market = 0; market < kMarketSizeCount; ++market) {
        if (marketRadios_[market]->isChecked())
            return market;
    }
    return -1;
}

int CThumbnailDlg::checkedScheme() const {
    if (schemeRadios_[0]->isChecked())
        return 0;
    return schemeRadios_[1]->isChecked() ? 1 : 2;
}

bool CThumbnailDlg::chooseBound(int* bound) {
    const int scheme = checkedScheme();
    if (scheme == 0) {
        const int selected = sizeList_->currentIndex();
        if (selected < 0)
            return false;
        *bound = kCommonSizes[selected].bound;
        settings_.thumbComboIndex = selected;
    } else if (scheme == 1) {
        const int market = checkedMarket();
        if (market < 0)
            return false;
        *bound = kMarketSizes[market].bound;
        settings_.marketSize = market;
        settings_.thumbComboIndex = -1;
    } else {
        *bound = customWidth_;
        settings_.thumbComboIndex = -1;
    }
    settings_.thumbIndex = scheme;
    return true;
}

bool CThumbnailDlg::StartBatch() {
    ensureCreated();
    // A value that is not a usable number stops the start: never a silent default.
    if (!acceptIntField(*widthEdit_, &customWidth_, 0, kMaxCustomSide, *prompter_, this) ||
        !acceptIntField(*heightEdit_, &customHeight_, 0, kMaxCustomSide, *prompter_, this)) {
        return false;
    }
    makeFolders(pathBytes(settings_.outputDir));
    int bound = 0;
    if (!chooseBound(&bound)) {
        prompter_->information(this, QString::fromUtf8(kChooseSchemeMessage));
        return false;
    }
    settings_.restoreExif = restoreExifBox_->isChecked() ? 1 : 0;
    saveCanvasControls();
    settings_.saveSettings();
    params_ = ResizeParams{bound, restoreExifBox_->isChecked()};
    params_.square = squareBox_->isChecked();
    params_.canvasColor = swapRedBlue(canvasColor_->color());
    params_.output = chosenOutput(checkedScheme());
    return starter_(makeResizeJob(params_)).empty();
}

}  // namespace pixmill
