#pragma once

// Which serial device each port number 1..8 ("COM1".."COM8") means on this machine.

#include "settings/store_paths.h"

#include <QMap>
#include <QSet>
#include <QString>
#include <QStringList>

#include <optional>

namespace qtx52::link {

class PortMap {
public:
    PortMap() = default;

    // An explicit mapping first: values "COM1".."COM8" under the key
    // "SOFTWARE\Korvatek\QTX52-RS485-MODBUS\Ports" of the user store, then of the machine store.
    // Numbers without an explicit device get the n-th serial device found on the machine.
    // overrideDevice, when not empty, is used for every number (a typed path also reaches
    // pseudo-terminals, which the system does not list).
    static PortMap build(const settings::StorePaths& stores, const QString& overrideDevice,
                         const QStringList& discovered);

    // The serial devices of this machine, USB adapters first (ttyUSB*, ttyACM*), then the built-in
    // ports (ttyS*), then any others, each group in numeric order.
    static QStringList discoverDevices();
    // Sorts device paths into that order.
    static QStringList orderDevices(QStringList devices);

    // The device for a port number, or the empty text when there is none.
    QString deviceFor(int number) const;
    bool overridden() const { return !override_.isEmpty(); }
    // Whether the adapter behind a port number echoes what is sent: the value "Echo" under the
    // number's own key "...\Ports\COMn" ("1", "yes", "true" or "on"; "0", "no", "false" or "off"
    // switch it off), the user store before the machine store.
    bool echoFor(int number) const { return echo_.contains(number); }
    // Whether the Modbus TCP gateway behind a port number leaves the transaction id of its
    // replies unset, so they are matched by unit id and function alone: the value "MbapAnyId"
    // beside "Echo", or every number after setAnyId(true) (--mbap-any-id).
    bool anyIdFor(int number) const { return anyIdAll_ || anyId_.contains(number); }
    void setAnyId(bool all) { anyIdAll_ = all; }
    // How long the gateway behind a port number waits for its unit before it answers 0x0B
    // itself: the value "GatewayTimeout" (milliseconds) beside "Echo"; -1 when not set.
    int gatewayTimeoutFor(int number) const { return gatewayTimeout_.value(number, -1); }

    static inline const QString kPortsKey =
        QStringLiteral("SOFTWARE\\Korvatek\\QTX52-RS485-MODBUS\\Ports");

    static inline const QString kEchoValue = QStringLiteral("Echo");
    static inline const QString kAnyIdValue = QStringLiteral("MbapAnyId");
    static inline const QString kGatewayTimeoutValue = QStringLiteral("GatewayTimeout");
    // Reads an on/off text of a store; std::nullopt when it is neither (or empty).
    static std::optional<bool> parseSwitch(const QString& text);

private:
    QMap<int, QString> devices_;
    QSet<int> echo_;
    QSet<int> anyId_;
    bool anyIdAll_ = false;
    QMap<int, int> gatewayTimeout_;
    QString override_;
};

} // namespace qtx52::link
