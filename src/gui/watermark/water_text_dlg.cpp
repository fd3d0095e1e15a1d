#include "gui/watermark/water_text_dlg.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFontDatabase>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSlider>
#include <QToolButton>
#include <QVBoxLayout>

#include "engine/app/app_info.h"
#include "engine/app/profile.h"
#include "engine/platform/native_path.h"
#include "engine/watermark/watermark_batch.h"
#include "engine/watermark/watermark_options.h"
#include "gui/controls/output_options_group.h"
#include "gui/watermark/color_picker_button.h"
#include "gui/watermark/grid_static.h"
#include "gui/watermark/preview_dlg.h"

namespace pixmill {

int defaultFontIndex(const QStringList& families,
                     const std::function<bool(const QString& family)>& writesChinese) {
    for (int i = 0; i < families.size(); ++i) {
        if (families[i].startsWith(QString::fromUtf8(kDefaultFontName)))
            return i;
    }
    for (int i = 0; i < families.size(); ++i) {
        if (writesChinese(families[i]))
            return i;
    }
    return families.isEmpty() ? -1 : 0;
}

CAngleSpinBox::CAngleSpinBox(QWidget* parent) : QSpinBox(parent) {
    setRange(-360, 360);
    setSingleStep(15);
    setValue(0);
}

void CAngleSpinBox::stepBy(int steps) {
    if (value() >= 360)
        setValue(-360);
    else if (value() <= -360)
        setValue(360);
    else
        QSpinBox::stepBy(steps);
}

bool startWatermarkBatch(CPreviewDlg& canvas, const QString& templateDir,
                         const StartBatchFunction& startJob, QString* error,
                         const OutputOptions& output) {
    makeFolders(pathBytes(templateDir));
    const std::string path =
        pathBytes(QDir(templateDir).filePath(QString::fromUtf8(kLayoutFileName)));
    if (!canvas.group().saveLayout(path)) {
        if (error)
            *error = QStringLiteral("无法保存水印布局文件：%1").arg(QString::fromStdString(path));
        return false;
    }
    return startJob && startJob(makeWatermarkJob(path, canvas.group().stampWidthPercent,
                                                 appendBatchErrorLog, output));
}

bool startWatermarkBatchFromPanel(QWidget* panel, const QString& panelName, CPreviewDlg& canvas,
                                  const QString& templateDir, const StartBatchFunction& startJob,
                                  const OutputOptions& output) {
    canvas.update();
    QString error;
    if (startWatermarkBatch(canvas, templateDir, startJob, &error, output))
        return true;
    if (!error.isEmpty())
        QMessageBox::warning(panel, panelName, error);
    return false;
}

CWaterTextDlg::CWaterTextDlg(CPreviewDlg* canvas, Profile& profile, QString templateDir,
                             StartBatchFunction startJob, QWidget* parent)
    : QWidget(parent),
      canvas_(canvas),
      profile_(profile),
      templateDir_(std::move(templateDir)),
      startJob_(std::move(startJob)) {
    buildControls();
    color_->setColor(static_cast<std::uint32_t>(profile_.readInt("Colors", "Text", 0)));
    color_->setCustomColorsText(profile_.readString("Colors", "TextCustom", QString()));
    grid_->setCell(canvas_->group().header.alignMode);
    connectControls();
}

CWaterTextDlg::~CWaterTextDlg() = default;

void CWaterTextDlg::buildControls() {
    text_ = new QPlainTextEdit(QString::fromUtf8(kDisplayName), this);
    text_->setTabChangesFocus(true);
    text_->setMaximumHeight(80);

    fonts_ = new QComboBox(this);
    const QStringList families = QFontDatabase::families();
    fonts_->addItems(families);
    // Long family names must not squeeze the label beside the list out of the narrow panel.
    fonts_->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    fonts_->setMinimumContentsLength(6);
    fonts_->setCurrentIndex(defaultFontIndex(families, [](const QString& family) {
        return QFontDatabase::writingSystems(family).contains(QFontDatabase::SimplifiedChinese);
    }));
    sizes_ = new QComboBox(this);
    for (int size = 8; size <= 200; ++size)
        sizes_->addItem(QString::number(size));
    sizes_->setCurrentIndex(kDefaultFontSize - kMinFontSize);

    color_ = new CColorPickerButton(this);
    auto makeToggle = [this](const QString& caption) {
        auto* button = new QToolButton(this);
        button->setText(caption);
        button->setCheckable(true);
        button->setFixedSize(24, 24);
        return button;
    };
    bold_ = makeToggle(QStringLiteral("B"));
    italic_ = makeToggle(QStringLiteral("I"));
    underline_ = makeToggle(QStringLiteral("U"));
    angle_ = new CAngleSpinBox(this);
    shadow_ = new QCheckBox(QStringLiteral("阴影效果"), this);
    opacity_ = new QSlider(Qt::Horizontal, this);
    opacity_->setRange(0, 100);
    opacity_->setValue(kDefaultOpacity);
    grid_ = new CGridStatic(this);
    add_ = new QPushButton(QStringLiteral("添加"), this);

    auto* form = new QGridLayout;
    form->addWidget(new QLabel(QStringLiteral("本地字体"), this), 0, 0);
    form->addWidget(fonts_, 0, 1, 1, 3);
    form->addWidget(new QLabel(QStringLiteral("字号"), this), 1, 0);
    form->addWidget(sizes_, 1, 1);
    form->addWidget(new QLabel(QStringLiteral("颜色"), this), 1, 2);
    form->addWidget(color_, 1, 3);
    auto* toggles = new QHBoxLayout;
    toggles->addWidget(bold_);
    toggles->addWidget(italic_);
    toggles->addWidget(underline_);
    toggles->addStretch();
    form->addLayout(toggles, 2, 0, 1, 4);
    form->addWidget(new QLabel(QStringLiteral("文字倾斜角度："), this), 3, 0, 1, 2);
    form->addWidget(angle_, 3, 2, 1, 2);
    form->addWidget(shadow_, 4, 0, 1, 4);
    form->addWidget(new QLabel(QStringLiteral("透明度："), this), 5, 0);
    form->addWidget(opacity_, 5, 1, 1, 3);

    auto* gridBox = new QGroupBox(QStringLiteral("水印位置"), this);
    auto* gridLayout = new QHBoxLayout(gridBox);
    gridLayout->addWidget(grid_);
    gridLayout->addStretch();

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(text_);
    layout->addLayout(form);
    layout->addWidget(gridBox);
    layout->addWidget(add_);
    output_ = new COutputOptionsGroup(&profile_, QStringLiteral("watermark"), this);
    layout->addWidget(output_);
    layout->addStretch();
}

void CWaterTextDlg::connectControls() {
    connect(add_, &QPushButton::clicked, this, &CWaterTextDlg::addOrApply);
    connect(fonts_, &QComboBox::currentIndexChanged, this, [this] {
        QString name = selectedFontName();
        changeCurrent([&](CWatermarkCtrl& layer) { layer.fontName = name.toStdString(); });
    });
    connect(sizes_, &QComboBox::currentIndexChanged, this, [this] {
        int size = selectedFontSize();
        changeCurrent([&](CWatermarkCtrl& layer) { layer.setFontSize(size); });
    });
    connect(text_, &QPlainTextEdit::textChanged, this, [this] {
        std::string text = text_->toPlainText().toStdString();
        changeCurrent([&](CWatermarkCtrl& layer) { layer.setText(text); });
    });
    for (QToolButton* toggle : {bold_, italic_, underline_}) {
        connect(toggle, &QToolButton::clicked, this, [this] {
            changeCurrent([this](CWatermarkCtrl& layer) {
                layer.bold = bold_->isChecked();
                layer.italic = italic_->isChecked();
                layer.underline = underline_->isChecked();
            });
        });
    }
    connect(angle_, &QSpinBox::valueChanged, this, [this](int value) {
        changeCurrent([value](CWatermarkCtrl& layer) {
            layer.angle = value;
            layer.refit();
        });
    });
    connect(shadow_, &QCheckBox::clicked, this,
            [this](bool on) { changeCurrent([on](CWatermarkCtrl& layer) { layer.shadow = on; }); });
    auto applyOpacity = [this] {
        int value = opacity_->value();
        changeCurrent([value](CWatermarkCtrl& layer) {
            layer.opacity = value;
            layer.transparent = value < 100;
        });
    };
    connect(opacity_, &QSlider::sliderReleased, this, applyOpacity);
    // Keyboard and page steps move the slider without a press; they count as a release.
    connect(opacity_, &QSlider::valueChanged, this, [this, applyOpacity] {
        if (!opacity_->isSliderDown())
            applyOpacity();
    });
    connect(color_, &CColorPickerButton::colorPicked, this, &CWaterTextDlg::onColorPicked);
    // A loaded layout brings its own alignment, which the grid must show (and start with).
    connect(canvas_, &CPreviewDlg::layoutReplaced, this, [this] {
        grid_->setCell(canvas_->group().header.alignMode);
        followSelection();
    });
    connect(grid_, &CGridStatic::cellChanged, this, [this](int cell) {
        canvas_->group().header.alignMode = cell;
        canvas_->update();
    });
}

void CWaterTextDlg::changeCurrent(const std::function<void(CWatermarkCtrl&)>& change) {
    CWatermarkCtrl* layer = canvas_->group().current;
    if (filling_ || !layer)
        return;
    layer->repaint();
    change(*layer);
    layer->repaint();
}

void CWaterTextDlg::onColorPicked(std::uint32_t bgr) {
    profile_.writeInt("Colors", "Text", static_cast<int>(bgr));
    profile_.writeString("Colors", "TextCustom", color_->customColorsText());
    profile_.flush();
    changeCurrent([bgr](CWatermarkCtrl& layer) { layer.textColor = bgr; });
}

QString CWaterTextDlg::selectedFontName() const {
    return fonts_->currentIndex() < 0 ? QString::fromUtf8(kDefaultFontName) : fonts_->currentText();
}

int CWaterTextDlg::selectedFontSize() const {
    return sizes_->currentIndex() < 0 ? 8 : sizes_->currentText().toInt();
}

void CWaterTextDlg::selectFont(const QString& name) {
    for (int i = 0; i < fonts_->count(); ++i) {
        if (fonts_->itemText(i).startsWith(name)) {
            fonts_->setCurrentIndex(i);
            return;
        }
    }
    if (fonts_->currentIndex() < 0 && fonts_->count() > 0)
        fonts_->setCurrentIndex(0);
}

void CWaterTextDlg::setToggle(QToolButton* button, bool on) {
    button->setChecked(on);
}

void CWaterTextDlg::followSelection() {
    filling_ = true;
    CWatermarkCtrl* layer = canvas_->group().current;
    if (layer) {
        add_->setText(QStringLiteral("应用"));
        text_->setPlainText(QString::fromStdString(layer->text));
        color_->setColor(layer->textColor);
        selectFont(QString::fromStdString(layer->fontName));
        sizes_->setCurrentIndex(layer->fontSize - 8);
        setToggle(bold_, layer->bold);
        setToggle(italic_, layer->italic);
        setToggle(underline_, layer->underline);
        angle_->setValue(layer->angle);
        opacity_->setValue(layer->opacity);
        shadow_->setChecked(layer->shadow);
    } else {
        add_->setText(QStringLiteral("添加"));
        setToggle(bold_, false);
        setToggle(italic_, false);
        setToggle(underline_, false);
    }
    filling_ = false;
}

void CWaterTextDlg::showFontSize(int size) {
    filling_ = true;
    sizes_->setCurrentIndex(size - 8);
    filling_ = false;
}

void CWaterTextDlg::addOrApply() {
    CControlTracker& group = canvas_->group();
    CWatermarkCtrl* target = group.current;
    std::unique_ptr<CWatermarkCtrl> created;
    if (!target) {
        created = std::make_unique<CWatermarkCtrl>();
        target = created.get();
    }
    target->repaint();
    target->setText(text_->toPlainText().toStdString());
    target->textColor = color_->color();
    target->fontName = selectedFontName().toStdString();
    target->setFontSize(selectedFontSize());
    target->bold = bold_->isChecked();
    target->italic = italic_->isChecked();
    target->underline = underline_->isChecked();
    target->shadow = shadow_->isChecked();
    target->angle = angle_->value();
    target->refit();
    target->opacity = opacity_->value();
    target->transparent = target->opacity < 100;
    if (created) {
        created->attachLayer(canvas_);
        group.addLayer(std::move(created));
        canvas_->update();
    } else {
        target->repaint();
    }
}

bool CWaterTextDlg::startBatch() {
    canvas_->group().header.alignMode = grid_->cell();
    return startWatermarkBatchFromPanel(this, displayName(), *canvas_, templateDir_, startJob_,
                                        output_->options());
}

void CWaterTextDlg::keyPressEvent(QKeyEvent* event) {
    // Esc and Enter outside the text box must not close the window that hosts the panel.
    if (event->key() == Qt::Key_Escape || event->key() == Qt::Key_Return ||
        event->key() == Qt::Key_Enter) {
        event->accept();
        return;
    }
    QWidget::keyPressEvent(event);
}

}  // namespace pixmill
