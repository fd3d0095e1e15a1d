#pragma once
// The program's fixed names, set at build time and never stored.

namespace pixmill {

// The application (profile) name, the legacy settings file name, the update feed document and
// the downloaded file names.
inline constexpr const char* kShortName = "Velumark";
// Window title, tray tip and balloons, picker caption, default text layer, share text.
inline constexpr const char* kDisplayName = "Pixmill";
// Window title and the update comparison.
inline constexpr const char* kVersionText = PIXMILL_VERSION_TEXT;

}  // namespace pixmill
