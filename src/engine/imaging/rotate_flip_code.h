#pragma once
// The rotate-flip codes of the platform's imaging library (RotateFlipType) that the program
// uses: the rotate batch's parameter, the menu entries and the command line's options.

namespace pixmill {

enum RotateFlipCode {
    kRotate90 = 1,   // a quarter turn clockwise
    kRotate270 = 3,  // a quarter turn counter-clockwise
    kFlipX = 4,      // mirrored left to right
    kFlipY = 6,      // mirrored top to bottom
};

}  // namespace pixmill
