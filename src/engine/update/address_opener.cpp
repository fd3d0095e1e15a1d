#include "engine/update/address_opener.h"

#include <QDesktopServices>
#include <QProcess>

#include <cerrno>

namespace pixmill {
namespace {

Result<> noAddress() {
    return makeError(EINVAL, "no address to open");
}

}  // namespace

Result<> AddressOpener::openWithDesktop(const QUrl& address) {
    if (QDesktopServices::openUrl(address))
        return {};
    return makeError("the desktop cannot open " + address.toDisplayString().toStdString());
}

Result<> AddressOpener::startProgram(const QString& program, const QStringList& arguments) {
    if (QProcess::startDetached(program, arguments))
        return {};
    return makeError(ENOENT, "cannot start " + program.toStdString());
}

AddressOpener& desktopAddressOpener() {
    static AddressOpener opener;
    return opener;
}

Result<> openAddress(const QUrl& address, AddressOpener& opener) {
    if (address.isEmpty())
        return noAddress();
    if (opener.openWithDesktop(address))
        return {};
    return opener.startProgram(QStringLiteral("xdg-open"),
                               {QString::fromUtf8(address.toEncoded())});
}

Result<> openAddress(const QString& address, AddressOpener& opener) {
    if (address.isEmpty())
        return noAddress();
    return openAddress(QUrl(address, QUrl::TolerantMode), opener);
}

}  // namespace pixmill
