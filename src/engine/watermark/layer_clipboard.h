#pragma once
// The canvas's private clipboard data: the values of one layer, never a pointer, under a MIME
// type of our own so that no other program's data is taken for a layer (and it works under
// Wayland, where clipboard formats are MIME types).

#include <QByteArray>
#include <QString>

#include <optional>

#include "engine/watermark/layout_archive.h"

class QMimeData;

namespace pixmill {

inline constexpr const char* kLayerMimeType = "application/x-pixmill-layer";
inline constexpr const char* kLayerMimeDescription = "CWatermarkCtrl";

QByteArray encodeLayerRecord(const LayerRecord& record);
// nullopt unless `bytes` is a layer written by encodeLayerRecord.
std::optional<LayerRecord> decodeLayerRecord(const QByteArray& bytes);

// The layer under our MIME type; the caller owns the result (QClipboard takes it).
QMimeData* layerMimeData(const LayerRecord& record);
std::optional<LayerRecord> layerFromMimeData(const QMimeData* data);

}  // namespace pixmill
