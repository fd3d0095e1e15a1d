#include "gui/watermark/color_picker_button.h"

#include <QColorDialog>
#include <QGridLayout>
#include <QMenu>
#include <QPainter>
#include <QToolButton>
#include <QWidgetAction>

#include "engine/watermark/watermark_text.h"

namespace pixmill {
namespace {

std::uint32_t bgrFromColor(const QColor& c) {
    return static_cast<std::uint32_t>(c.red()) | (static_cast<std::uint32_t>(c.green()) << 8) |
           (static_cast<std::uint32_t>(c.blue()) << 16);
}

QIcon swatch(std::uint32_t bgr, int size) {
    QPixmap pixmap(size, size);
    pixmap.fill(colorFromBgr(bgr));
    QPainter p(&pixmap);
    p.setPen(Qt::darkGray);
    p.drawRect(0, 0, size - 1, size - 1);
    return QIcon(pixmap);
}

}  // namespace

QString formatCustomColors(const CustomColors& colors) {
    QStringList parts;
    for (std::uint32_t c : colors)
        parts << QStringLiteral("%1").arg(c & 0xFFFFFFu, 6, 16, QLatin1Char('0')).toUpper();
    return parts.join(QLatin1Char(' '));
}

CustomColors parseCustomColors(const QString& text) {
    CustomColors colors;
    colors.fill(0xFFFFFFu);
    const QStringList parts = text.left(254).split(QLatin1Char(' '), Qt::SkipEmptyParts);
    for (int i = 0; i < parts.size() && i < 16; ++i) {
        bool ok = false;
        uint value = parts[i].toUInt(&ok, 16);
        if (ok)
            colors[static_cast<std::size_t>(i)] = value & 0xFFFFFFu;
    }
    return colors;
}

const std::array<NamedColor, 20>& namedColors() {
    static const std::array<NamedColor, 20> colors{{
        {"黑色", 0x000000}, {"深灰", 0x404040}, {"灰色", 0x808080}, {"浅灰", 0xC0C0C0},
        {"白色", 0xFFFFFF}, {"深红", 0x000080}, {"红色", 0x0000FF}, {"橙色", 0x0080FF},
        {"金色", 0x00D7FF}, {"黄色", 0x00FFFF}, {"橄榄", 0x008080}, {"深绿", 0x008000},
        {"绿色", 0x00FF00}, {"青色", 0xFFFF00}, {"蓝绿", 0x808000}, {"深蓝", 0x800000},
        {"蓝色", 0xFF0000}, {"紫色", 0x800080}, {"洋红", 0xFF00FF}, {"粉红", 0xCBC0FF},
    }};
    return colors;
}

CColorPickerButton::CColorPickerButton(QWidget* parent) : QPushButton(parent) {
    custom_.fill(0xFFFFFFu);
    setColor(0);
    connect(this, &QPushButton::clicked, this, &CColorPickerButton::showPalette);
}

void CColorPickerButton::setColor(std::uint32_t bgr) {
    color_ = bgr & 0xFFFFFFu;
    // The swatch is the face; the value is the tool tip, as the panel's column is narrow.
    setIcon(swatch(color_, 16));
    setToolTip(QStringLiteral("#%1")
                   .arg(colorFromBgr(color_).rgb() & 0xFFFFFFu, 6, 16, QLatin1Char('0'))
                   .toUpper());
}

void CColorPickerButton::pick(std::uint32_t bgr) {
    setColor(bgr);
    Q_EMIT colorPicked(color_);
}

void CColorPickerButton::showPalette() {
    QMenu menu(this);
    auto* grid = new QWidget(&menu);
    auto* layout = new QGridLayout(grid);
    layout->setSpacing(2);
    layout->setContentsMargins(4, 4, 4, 4);
    int index = 0;
    for (const NamedColor& named : namedColors()) {
        auto* button = new QToolButton(grid);
        button->setIcon(swatch(named.bgr, 14));
        button->setToolTip(QString::fromUtf8(named.name));
        button->setAutoRaise(true);
        std::uint32_t bgr = named.bgr;
        connect(button, &QToolButton::clicked, &menu, [this, &menu, bgr] {
            menu.close();
            pick(bgr);
        });
        layout->addWidget(button, index / 5, index % 5);
        ++index;
    }
    auto* action = new QWidgetAction(&menu);
    action->setDefaultWidget(grid);
    menu.addAction(action);
    menu.addSeparator();
    menu.addAction(QStringLiteral("Custom..."), this, &CColorPickerButton::chooseCustom);
    menu.exec(mapToGlobal(QPoint(0, height())));
}

void CColorPickerButton::chooseCustom() {
    for (int i = 0; i < 16; ++i)
        QColorDialog::setCustomColor(i, colorFromBgr(custom_[static_cast<std::size_t>(i)]));
    QColor chosen = QColorDialog::getColor(colorFromBgr(color_), window(), QString(),
                                           QColorDialog::DontUseNativeDialog);
    for (int i = 0; i < 16; ++i)
        custom_[static_cast<std::size_t>(i)] = bgrFromColor(QColorDialog::customColor(i));
    if (chosen.isValid())
        pick(bgrFromColor(chosen));
}

}  // namespace pixmill
