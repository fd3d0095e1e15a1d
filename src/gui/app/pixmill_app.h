#pragma once
// Start-up: the program folder, the settings (with the one-time legacy import), then the main
// window. Settings are not saved at shutdown; their owners save them when they change.

#include <QString>

#include <memory>

#include "engine/app/app_settings.h"
#include "engine/app/profile.h"

namespace pixmill {

class CPixmillApp {
public:
    // `executablePath` names the running program; its folder is the program folder.
    explicit CPixmillApp(const QString& executablePath);

    // Shows the main window and runs until it closes; returns the exit code.
    int run();

    AppSettings& settings() { return *settings_; }

private:
    std::unique_ptr<SettingsProfile> profile_;
    std::unique_ptr<AppSettings> settings_;
};

}  // namespace pixmill
