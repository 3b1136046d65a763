#include "link/port_map.h"

#include "settings/registry.h"

#include <QRegularExpression>
#include <QSerialPortInfo>

#include <algorithm>

namespace qtx52::link {

namespace {

int groupOf(const QString& path) {
    const QString name = path.section(QLatin1Char('/'), -1);
    if (name.startsWith(QLatin1String("ttyUSB")))
        return 0;
    if (name.startsWith(QLatin1String("ttyACM")))
        return 1;
    if (name.startsWith(QLatin1String("ttyS")))
        return 2;
    return 3;
}

// The trailing number of a device name, for ttyUSB2 < ttyUSB10.
int numberOf(const QString& path) {
    static const QRegularExpression trailing(QStringLiteral("(\\d+)$"));
    const auto m = trailing.match(path);
    return m.hasMatch() ? m.captured(1).toInt() : -1;
}

} // namespace

QStringList PortMap::orderDevices(QStringList devices) {
    std::stable_sort(devices.begin(), devices.end(), [](const QString& a, const QString& b) {
        const int ga = groupOf(a), gb = groupOf(b);
        if (ga != gb)
            return ga < gb;
        const QString sa = a.left(a.size() - QString::number(numberOf(a)).size());
        const QString sb = b.left(b.size() - QString::number(numberOf(b)).size());
        if (sa != sb)
            return sa < sb;
        return numberOf(a) < numberOf(b);
    });
    return devices;
}

QStringList PortMap::discoverDevices() {
    QStringList found;
    for (const QSerialPortInfo& info : QSerialPortInfo::availablePorts())
        found << info.systemLocation();
    return orderDevices(found);
}

PortMap PortMap::build(const settings::StorePaths& stores, const QString& overrideDevice,
                       const QStringList& discovered) {
    PortMap map;
    map.override_ = overrideDevice;
    QStringList free = discovered;
    for (int n = 1; n <= 8; ++n) {
        const QString name = QStringLiteral("COM%1").arg(n);
        settings::CRegistry store(stores);
        QString device = store.Werte(kPortsKey, name);
        if (device.isEmpty())
            device = settings::CRegistry(stores).MachineSetting(kPortsKey, name);
        if (!device.isEmpty()) {
            map.devices_[n] = device;
            free.removeAll(device);
        }
        const QString numberKey = kPortsKey + QLatin1Char('\\') + name;
        // The user store before the machine store, for each value of the number's own key; a
        // value the user store cannot be read as leaves the machine store's.
        auto switchOf = [&](const QString& key) {
            std::optional<bool> on = parseSwitch(store.Werte(numberKey, key));
            if (!on)
                on = parseSwitch(settings::CRegistry(stores).MachineSetting(numberKey, key));
            return on.value_or(false);
        };
        if (switchOf(kEchoValue))
            map.echo_.insert(n);
        if (switchOf(kAnyIdValue))
            map.anyId_.insert(n);
        for (const QString& text :
             {store.Werte(numberKey, kGatewayTimeoutValue),
              settings::CRegistry(stores).MachineSetting(numberKey, kGatewayTimeoutValue)}) {
            bool ok = false;
            const int ms = text.trimmed().toInt(&ok);
            if (ok && ms >= 0 && ms <= 60000) {
                map.gatewayTimeout_[n] = ms;
                break;
            }
        }
    }
    // Numbers without an explicit device take the remaining devices in order.
    for (int n = 1; n <= 8 && !free.isEmpty(); ++n)
        if (!map.devices_.contains(n))
            map.devices_[n] = free.takeFirst();
    return map;
}

std::optional<bool> PortMap::parseSwitch(const QString& text) {
    const QString t = text.trimmed().toLower();
    if (t == QLatin1String("1") || t == QLatin1String("yes") || t == QLatin1String("true") ||
        t == QLatin1String("on"))
        return true;
    if (t == QLatin1String("0") || t == QLatin1String("no") || t == QLatin1String("false") ||
        t == QLatin1String("off"))
        return false;
    return std::nullopt;
}

QString PortMap::deviceFor(int number) const {
    if (!override_.isEmpty())
        return override_;
    return devices_.value(number);
}

} // namespace qtx52::link
