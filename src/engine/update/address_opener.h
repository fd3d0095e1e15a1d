#pragma once
// Opening a web or mail address in the desktop's browser or mail program.

#include <QString>
#include <QStringList>
#include <QUrl>

namespace pixmill {

class AddressOpener {
  public:
    virtual ~AddressOpener() = default;
    // The desktop's own handler (QDesktopServices); false when it reports failure.
    virtual bool openWithDesktop(const QUrl& address);
    // Starts a program detached, with an argument list (never a shell string).
    virtual bool startProgram(const QString& program, const QStringList& arguments);
};

AddressOpener& desktopAddressOpener();

// Opens `address` with the desktop's handler and, when that fails, with xdg-open given the
// address as its one argument. An empty address opens nothing. Returns whether either started.
bool openAddress(const QUrl& address, AddressOpener& opener = desktopAddressOpener());
bool openAddress(const QString& address, AddressOpener& opener = desktopAddressOpener());

}  // namespace pixmill
