#pragma once
// A button showing a colour; its popup offers a palette of named colours and "Custom...",
// which opens Qt's colour dialog with the sixteen custom colours this button keeps.

#include <QPushButton>
#include <QString>

#include <array>
#include <cstdint>

namespace pixmill {

using CustomColors = std::array<std::uint32_t, 16>;  // 0x00BBGGRR each

// "%06X" of each colour, separated by single spaces.
QString formatCustomColors(const CustomColors& colors);
// Splits the first 254 characters at spaces and reads up to 16 hexadecimal values; colours
// not given (or not readable) stay white.
CustomColors parseCustomColors(const QString& text);

struct NamedColor {
    const char* name;
    std::uint32_t bgr;
};
// The palette of the popup, in its order.
const std::array<NamedColor, 20>& namedColors();

class CColorPickerButton : public QPushButton {
    Q_OBJECT
  public:
    explicit CColorPickerButton(QWidget* parent = nullptr);

    std::uint32_t color() const { return color_; }
    void setColor(std::uint32_t bgr);
    const CustomColors& customColors() const { return custom_; }
    QString customColorsText() const { return formatCustomColors(custom_); }
    void setCustomColorsText(const QString& text) { custom_ = parseCustomColors(text); }

    // Takes `bgr` as if picked from the popup.
    void pick(std::uint32_t bgr);
    // Runs the colour dialog; a confirmed choice is picked, and the dialog's custom colours
    // become this button's either way.
    void chooseCustom();

  Q_SIGNALS:
    void colorPicked(std::uint32_t bgr);

  private:
    void showPalette();
    std::uint32_t color_ = 0;
    CustomColors custom_{};
};

}  // namespace pixmill
