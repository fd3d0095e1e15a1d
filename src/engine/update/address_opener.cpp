#include "engine/update/address_opener.h"

#include <QDesktopServices>
#include <QProcess>

namespace pixmill {

bool AddressOpener::openWithDesktop(const QUrl& address) {
    return QDesktopServices::openUrl(address);
}

bool AddressOpener::startProgram(const QString& program, const QStringList& arguments) {
    return QProcess::startDetached(program, arguments);
}

AddressOpener& desktopAddressOpener() {
    static AddressOpener opener;
    return opener;
}

bool openAddress(const QUrl& address, AddressOpener& opener) {
    if (address.isEmpty())
        return false;
    if (opener.openWithDesktop(address))
        return true;
    return opener.startProgram(QStringLiteral("xdg-open"),
                               {QString::fromUtf8(address.toEncoded())});
}

bool openAddress(const QString& address, AddressOpener& opener) {
    if (address.isEmpty())
        return false;
    return openAddress(QUrl(address, QUrl::TolerantMode), opener);
}

}  // namespace pixmill
