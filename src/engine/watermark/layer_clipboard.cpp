#include "engine/watermark/layer_clipboard.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QMimeData>

namespace pixmill {
namespace {

constexpr const char* kFormatKey = "format";

QString utf8(const std::string& text) {
    return QString::fromStdString(text);
}

}  // namespace

QByteArray encodeLayerRecord(const LayerRecord& r) {
    QJsonObject o;
    o[kFormatKey] = QString::fromLatin1(kLayerMimeDescription);
    o["left"] = r.rect.left;
    o["top"] = r.rect.top;
    o["right"] = r.rect.right;
    o["bottom"] = r.rect.bottom;
    o["text"] = utf8(r.text);
    o["imagePath"] = utf8(r.imagePath);
    o["angle"] = r.angle;
    o["shadow"] = r.shadow;
    o["transparent"] = r.transparent;
    o["opacity"] = r.opacity;
    o["textColor"] = static_cast<qint64>(r.textColor);
    o["fontName"] = utf8(r.fontName);
    o["fontSize"] = r.fontSize;
    o["bold"] = r.bold;
    o["italic"] = r.italic;
    o["underline"] = r.underline;
    o["groupOffsetX"] = r.groupOffsetX;
    o["groupOffsetY"] = r.groupOffsetY;
    return QJsonDocument(o).toJson(QJsonDocument::Compact);
}

std::optional<LayerRecord> decodeLayerRecord(const QByteArray& bytes) {
    QJsonParseError error{};
    QJsonDocument doc = QJsonDocument::fromJson(bytes, &error);
    if (error.error != QJsonParseError::NoError || !doc.isObject())
        return std::nullopt;
    QJsonObject o = doc.object();
    if (o.value(kFormatKey).toString() != QLatin1String(kLayerMimeDescription))
        return std::nullopt;
    LayerRecord r;
    auto integer = [&o](const char* key, int fallback) { return o.value(key).toInt(fallback); };
    r.rect = {integer("left", 0), integer("top", 0), integer("right", 400), integer("bottom", 200)};
    r.text = o.value("text").toString().toStdString();
    r.imagePath = o.value("imagePath").toString().toStdString();
    r.angle = integer("angle", r.angle);
    r.shadow = integer("shadow", r.shadow);
    r.transparent = integer("transparent", r.transparent);
    r.opacity = integer("opacity", r.opacity);
    r.textColor = static_cast<std::uint32_t>(o.value("textColor").toInteger(0)) & 0xFFFFFFu;
    r.fontName = o.value("fontName").toString(utf8(r.fontName)).toStdString();
    r.fontSize = integer("fontSize", r.fontSize);
    r.bold = integer("bold", 0);
    r.italic = integer("italic", 0);
    r.underline = integer("underline", 0);
    r.groupOffsetX = integer("groupOffsetX", 0);
    r.groupOffsetY = integer("groupOffsetY", 0);
    return r;
}

QMimeData* layerMimeData(const LayerRecord& record) {
    auto* data = new QMimeData;
    data->setData(QString::fromLatin1(kLayerMimeType), encodeLayerRecord(record));
    return data;
}

std::optional<LayerRecord> layerFromMimeData(const QMimeData* data) {
    if (!data || !data->hasFormat(QString::fromLatin1(kLayerMimeType)))
        return std::nullopt;
    return decodeLayerRecord(data->data(QString::fromLatin1(kLayerMimeType)));
}

}  // namespace pixmill
