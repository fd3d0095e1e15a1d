#include "engine/watermark/watermark_text.h"

#include <QFontDatabase>
#include <QFontMetricsF>
#include <QImage>
#include <QMutex>
#include <QMutexLocker>
#include <QPainter>

#include <algorithm>
#include <map>

#include "engine/rename/tags.h"
#include "engine/watermark/watermark_layer.h"

namespace pixmill {
namespace {

constexpr double kLayoutDpi = 96.0;
constexpr int kTextFlags = Qt::AlignLeft | Qt::AlignTop | Qt::TextDontClip | Qt::TextExpandTabs;

// A small surface at exactly 96 dpi for measuring outside a paint (3780 dots per metre is
// 96.01 dpi, which devices report rounded to 96).
QImage measuringSurface() {
    QImage surface(1, 1, QImage::Format_ARGB32_Premultiplied);
    surface.setDotsPerMeterX(3780);
    surface.setDotsPerMeterY(3780);
    return surface;
}

QString fallbackFamily() {
    static const QString family = [] {
        const QString chinese = QStringLiteral("WenQuanYi Micro Hei");
        if (QFontDatabase::hasFamily(chinese))
            return chinese;
        QFont generic;
        generic.setStyleHint(QFont::SansSerif);
        return generic.defaultFamily();
    }();
    return family;
}

template <typename Rule>
concept CompleteRule = requires {
    sizeof(Rule);
};

// The only call into the tag module. Until the renaming module that defines TagRule is part of
// the build, texts are stamped as typed; the tag test of the watermark suite says so loudly.
template <typename Rule>
std::string expandWithRule(const std::string& text, const CatalogItem& item) {
    if constexpr (CompleteRule<Rule>) {
        // Count 0: <no> prints the item's number without padding.
        using Prepare = Rule (*)(int, std::string_view);
        const Rule rule = static_cast<Prepare>(&prepareTags)(0, text);
        return expandTags(rule, item);
    } else {
        (void)item;
        return text;
    }
}

}  // namespace

QString resolveFontFamily(const std::string& fontName) {
    // The font database answers slowly, and every layer of every image asks the same question.
    static QMutex mutex;
    static std::map<std::string, QString> resolved;
    QMutexLocker lock(&mutex);
    auto found = resolved.find(fontName);
    if (found != resolved.end())
        return found->second;
    QString name = QString::fromStdString(fontName);
    QString family = !name.isEmpty() && QFontDatabase::hasFamily(name) ? name : fallbackFamily();
    resolved.emplace(fontName, family);
    return family;
}

QFont layerFont(const CWatermarkCtrl& layer, const QPaintDevice* device) {
    QFont font(resolveFontFamily(layer.fontName));
    int deviceDpi = device ? device->logicalDpiY() : static_cast<int>(kLayoutDpi);
    if (deviceDpi <= 0)
        deviceDpi = static_cast<int>(kLayoutDpi);
    int points = std::clamp(layer.fontSize, kMinFontSize, kMaxFontSize);
    // Scaled so that the device's own points-to-pixels step lands on points × 96 / 72.
    font.setPointSizeF(points * kLayoutDpi / deviceDpi);
    font.setBold(layer.bold != 0);
    font.setItalic(layer.italic != 0);
    font.setUnderline(layer.underline != 0);
    return font;
}

QSizeF measureLayerText(const CWatermarkCtrl& layer, const QString& text) {
    if (text.isEmpty())
        return QSizeF(0, 0);
    QImage surface = measuringSurface();
    QFontMetricsF metrics(layerFont(layer, &surface), &surface);
    return metrics.boundingRect(QRectF(0, 0, 0, 0), kTextFlags, text).size();
}

QColor colorFromBgr(std::uint32_t bgr) {
    return QColor(bgr & 0xFF, (bgr >> 8) & 0xFF, (bgr >> 16) & 0xFF);
}

LayerTextColors layerTextColors(const CWatermarkCtrl& layer) {
    LayerTextColors colors{colorFromBgr(layer.textColor), QColor(0x80, 0x80, 0x80, 0xFF)};
    if (layer.transparent) {
        int alpha = std::clamp(layer.opacity, 0, 100) * 255 / 100;
        colors.text.setAlpha(alpha);
        colors.shadow.setAlpha(alpha);
    }
    return colors;
}

std::string expandWatermarkText(const std::string& text, const CatalogItem* item) {
    if (!item)
        return text;
    return expandWithRule<TagRule>(text, *item);
}

bool watermarkTagsAvailable() {
    return CompleteRule<TagRule>;
}

void drawLayerText(QPainter& painter, const CWatermarkCtrl& layer, const LayoutRect& at,
                   const CatalogItem* item) {
    QString text = QString::fromStdString(expandWatermarkText(layer.text, item));
    if (text.isEmpty())
        return;
    painter.setFont(layerFont(layer, painter.device()));
    QFontMetricsF metrics(painter.font(), painter.device());
    QSizeF box = metrics.boundingRect(QRectF(0, 0, 0, 0), kTextFlags, text).size();
    double x = (at.width() - box.width()) * 0.5 + at.left;
    double y = (at.height() - box.height()) * 0.5 + at.top;
    LayerTextColors colors = layerTextColors(layer);
    if (layer.shadow) {
        painter.setPen(colors.shadow);
        painter.drawText(QRectF(x + 3, y + 3, box.width(), box.height()), kTextFlags, text);
    }
    painter.setPen(colors.text);
    painter.drawText(QRectF(x, y, box.width(), box.height()), kTextFlags, text);
}

}  // namespace pixmill
