#include "link/port_texts.h"

#include <QLocale>

namespace qtx52::link {

namespace {

struct Text {
    const char* de;
    const char* en;
    QString in(bool english) const { return QString::fromUtf8(english ? en : de); }
};

const Text kNoDevice{"Gerät %1 nicht gefunden.", "Device %1 not found."};
const Text kNoDeviceForNumber{"Dieser Portnummer ist kein Gerät zugeordnet.",
                              "No device is assigned to this port number."};
const Text kPermission{
    "Keine Berechtigung für %1. Das Gerät gehört der Gruppe \"%2\"; Mitglied werden mit\n"
    "sudo usermod -aG %2 $USER\nund danach neu anmelden.",
    "Permission denied for %1. The device belongs to the group \"%2\"; join it with\n"
    "sudo usermod -aG %2 $USER\nand log in again."};
const Text kInUse{"%1 wird bereits verwendet (%2).", "%1 is already in use (%2)."};
const Text kSettings{"%1 lehnt die Einstellungen ab (%2).", "%1 refuses the settings (%2)."};
const Text kConnect{"Keine Verbindung zu Host %1, Port %2: %3.",
                    "No connection to host %1, port %2: %3."};
const Text kHostNotFound{"Hostname nicht gefunden", "host name not found"};
const Text kRefused{"Verbindung abgelehnt", "connection refused"};
const Text kNoAnswer{"keine Antwort innerhalb von %1 s", "no answer within %1 s"};
const Text kConnecting{"Gerät: %1 (verbinde …)", "Device: %1 (connecting …)"};
const Text kOther{"%1: %2", "%1: %2"};
const Text kLost{"Verbindung zum Gerät %1 verloren (%2). Port geschlossen.",
                 "Device %1 lost (%2). Port closed."};
const Text kPortDevice{"Gerät: %1", "Device: %1"};
const Text kNoPortDevice{"Gerät: keines", "Device: none"};

QString orUnknown(const QString& s) {
    return s.isEmpty() ? QStringLiteral("?") : s;
}

} // namespace

QString openFailureText(const CommError& e, bool english) {
    switch (e.cause) {
    case CommCause::NoDevice:
        return e.device.isEmpty() ? kNoDeviceForNumber.in(english)
                                  : kNoDevice.in(english).arg(e.device);
    case CommCause::PermissionDenied:
        // Without a group (a file system that does not say) the usual one is named.
        return kPermission.in(english).arg(e.device,
                                           e.group.isEmpty() ? QStringLiteral("dialout") : e.group);
    case CommCause::InUse:
        return kInUse.in(english).arg(e.device, orUnknown(e.detail));
    case CommCause::SettingsRefused:
        return kSettings.in(english).arg(e.device, orUnknown(e.detail));
    case CommCause::ConnectFailed: {
        const int colon = e.device.lastIndexOf(QLatin1Char(':'));
        QString why = orUnknown(e.detail);
        if (e.fault == ConnectFault::HostNotFound)
            why = kHostNotFound.in(english);
        else if (e.fault == ConnectFault::Refused)
            why = kRefused.in(english);
        else if (e.fault == ConnectFault::NoAnswer)
            why = kNoAnswer.in(english).arg(QLocale(english ? QLocale::English : QLocale::German)
                                                .toString(e.boundMs / 1000.0, 'g', 3));
        return kConnect.in(english).arg(e.device.left(colon), e.device.mid(colon + 1), why);
    }
    case CommCause::Lost:
        return deviceLostText(e, english);
    case CommCause::Other:
        break;
    }
    const QString why = e.detail.isEmpty() ? e.reason : e.detail;
    return e.device.isEmpty() ? why : kOther.in(english).arg(e.device, why);
}

QString deviceLostText(const CommError& e, bool english) {
    return kLost.in(english).arg(orUnknown(e.device), e.detail.isEmpty() ? e.reason : e.detail);
}

QString connectingText(const QString& description, bool english) {
    return kConnecting.in(english).arg(description);
}

QString portDeviceText(const QString& description, bool english) {
    if (description.isEmpty())
        return kNoPortDevice.in(english);
    return kPortDevice.in(english).arg(description == kSimulatedUnitPort && !english
                                           ? QStringLiteral("simuliertes Gerät")
                                           : description);
}

} // namespace qtx52::link
