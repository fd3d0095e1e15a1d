#include "engine/imaging/orientation.h"

#include <QTransform>

#include <array>

namespace pixmill {
namespace {

// Each turn as a matrix on coordinates about the picture's centre, x right and y down:
// shown = M × stored.
struct Matrix {
    int a, b, c, d;  // [[a, b], [c, d]]
    bool operator==(const Matrix&) const = default;
};

constexpr std::array<Matrix, 8> kMatrices{{
    {1, 0, 0, 1},    // None
    {-1, 0, 0, 1},   // MirrorLeftRight
    {1, 0, 0, -1},   // MirrorTopBottom
    {0, 1, 1, 0},    // Transpose
    {0, -1, -1, 0},  // Transverse
    {0, -1, 1, 0},   // Clockwise
    {-1, 0, 0, -1},  // HalfTurn
    {0, 1, -1, 0},   // CounterClockwise
}};

QImage quarterTurn(const QImage& image, int degrees) {
    return image.transformed(QTransform().rotate(degrees));
}

}  // namespace

Turn turnForOrientation(int orientation) {
    switch (orientation) {
        case 2:
            return Turn::MirrorLeftRight;
        case 3:
            return Turn::HalfTurn;
        case 4:
            return Turn::MirrorTopBottom;
        case 5:
            return Turn::Transpose;
        case 6:
            return Turn::Clockwise;
        case 7:
            return Turn::Transverse;
        case 8:
            return Turn::CounterClockwise;
        default:
            return Turn::None;
    }
}

Turn composeTurns(Turn first, Turn second) {
    const Matrix& f = kMatrices[static_cast<std::size_t>(first)];
    const Matrix& s = kMatrices[static_cast<std::size_t>(second)];
    const Matrix product{s.a * f.a + s.b * f.c, s.a * f.b + s.b * f.d, s.c * f.a + s.d * f.c,
                         s.c * f.b + s.d * f.d};
    for (std::size_t i = 0; i < kMatrices.size(); ++i) {
        if (kMatrices[i] == product)
            return static_cast<Turn>(i);
    }
    return Turn::None;  // unreachable: the eight matrices form a group
}

bool swapsAxes(Turn turn) {
    return kMatrices[static_cast<std::size_t>(turn)].a == 0;
}

QSize turnedSize(QSize size, Turn turn) {
    return swapsAxes(turn) ? size.transposed() : size;
}

QImage turnImage(const QImage& image, Turn turn) {
    switch (turn) {
        case Turn::None:
            return image;
        case Turn::MirrorLeftRight:
            return image.mirrored(true, false);
        case Turn::MirrorTopBottom:
            return image.mirrored(false, true);
        case Turn::HalfTurn:
            return image.mirrored(true, true);
        case Turn::Clockwise:
            return quarterTurn(image, 90);
        case Turn::CounterClockwise:
            return quarterTurn(image, 270);
        // A quarter turn and a mirror: Qt turns by whole quarters without resampling.
        case Turn::Transpose:
            return quarterTurn(image, 90).mirrored(true, false);
        case Turn::Transverse:
            return quarterTurn(image, 90).mirrored(false, true);
    }
    return image;
}

}  // namespace pixmill
