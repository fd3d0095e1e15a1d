#pragma once
// Opening a web or mail address in the desktop's browser or mail program.

#include <QString>
#include <QStringList>
#include <QUrl>

#include "engine/platform/result.h"

namespace pixmill {

class AddressOpener {
  public:
    virtual ~AddressOpener() = default;
    // The desktop's own handler (QDesktopServices); an Error when it reports failure.
    virtual Result<> openWithDesktop(const QUrl& address);
    // Starts a program detached, with an argument list (never a shell string); an Error when
    // it cannot be started.
    virtual Result<> startProgram(const QString& program, const QStringList& arguments);
};

AddressOpener& desktopAddressOpener();

// Opens `address` with the desktop's handler and, when that fails, with xdg-open given the
// address as its one argument. An empty address opens nothing (an Error, EINVAL); when neither
// starts, the Error is xdg-open's.
Result<> openAddress(const QUrl& address, AddressOpener& opener = desktopAddressOpener());
Result<> openAddress(const QString& address, AddressOpener& opener = desktopAddressOpener());

}  // namespace pixmill
