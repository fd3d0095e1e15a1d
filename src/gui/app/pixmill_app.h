#pragma once
// Start-up: the program folder, the settings (with the one-time legacy import), then the main
// window. Settings are not saved at shutdown; their owners save them when they change.

#include <QString>

#include <memory>

#include "engine/app/app_settings.h"
#include "engine/app/profile.h"

class QTranslator;

namespace pixmill {

// Gives Qt's own texts (message-box buttons, the colour and file dialogs) in simplified
// Chinese, like the rest of the program, from Qt's translations installed with it. Returns
// the installed translator, or nothing when the translation is not installed.
std::unique_ptr<QTranslator> installChineseQtTexts();

class CPixmillApp {
  public:
    // `executablePath` names the running program; its folder is the program folder.
    explicit CPixmillApp(const QString& executablePath);
    ~CPixmillApp();

    // Shows the main window and runs until it closes; returns the exit code.
    int run();

    AppSettings& settings() { return *settings_; }

  private:
    std::unique_ptr<QTranslator> qtTexts_;
    std::unique_ptr<SettingsProfile> profile_;
    std::unique_ptr<AppSettings> settings_;
};

}  // namespace pixmill
