#pragma once
// The program's own artwork, drawn with QPainter: the five toolbar icons and the application
// icon. Each icon carries pixmaps at 16, 32 and 64 pixels so menus and high-density screens
// get a sharp picture.

#include <QIcon>

namespace pixmill {

enum class ToolbarIcon { Rename, Resize, ImageWatermark, TextWatermark, More };

QIcon toolbarIcon(ToolbarIcon which);
QIcon applicationIcon();
// The application icon as one picture of `size` × `size`.
QImage applicationIconImage(int size);

}  // namespace pixmill
