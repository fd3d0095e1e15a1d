#pragma once
// The eight ways a picture can lie: the turns and mirrors that take stored pixels to the
// picture as it is shown. The numbering is libturbojpeg's lossless transform operations, so a
// Turn is also what a lossless transform is asked for.

#include <QImage>
#include <QSize>

namespace pixmill {

enum class Turn {
    None = 0,
    MirrorLeftRight = 1,  // TJXOP_HFLIP
    MirrorTopBottom = 2,  // TJXOP_VFLIP
    Transpose = 3,        // across the top-left to bottom-right diagonal
    Transverse = 4,       // across the top-right to bottom-left diagonal
    Clockwise = 5,        // a quarter turn clockwise
    HalfTurn = 6,
    CounterClockwise = 7,
};

// The turn that shows a picture stored with EXIF Orientation `orientation` upright; None for
// 1 and for values outside 1..8.
Turn turnForOrientation(int orientation);

// `second` done after `first`.
Turn composeTurns(Turn first, Turn second);

// True when the turn exchanges width and height.
bool swapsAxes(Turn turn);

// `size` after the turn.
QSize turnedSize(QSize size, Turn turn);

// `image` turned; the same image for None.
QImage turnImage(const QImage& image, Turn turn);

}  // namespace pixmill
