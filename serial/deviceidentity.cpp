#include "serial/deviceidentity.h"

#include <QDir>
#include <QFileInfo>
#include <QSerialPortInfo>

namespace {

const char *const byIdFolder = "/dev/serial/by-id";

PortFacts factsOf(const QSerialPortInfo &info)
{
    PortFacts facts;
    facts.name = info.portName();
    facts.location = info.systemLocation();
    facts.description = info.description();
    facts.manufacturer = info.manufacturer();
    facts.serialNumber = info.serialNumber();
    facts.hasIds = info.hasVendorIdentifier() && info.hasProductIdentifier();
    facts.vendorId = info.vendorIdentifier();
    facts.productId = info.productIdentifier();
    return facts;
}

QString usbPathOf(const QString &location)
{
#ifdef Q_OS_LINUX
    // /sys/class/tty/ttyACM0/device leads into the USB tree: .../1-1.2:1.0
    const QFileInfo device(
        QStringLiteral("/sys/class/tty/%1/device").arg(QFileInfo(location).fileName()));
    const QString target = device.canonicalFilePath();
    if (target.contains(QLatin1String("/usb")))
        return QFileInfo(target).fileName().section(QLatin1Char(':'), 0, 0);
#else
    Q_UNUSED(location)
#endif
    return {};
}

QString hex4(quint16 id)
{
    return QStringLiteral("%1").arg(id, 4, 16, QLatin1Char('0'));
}

} // namespace

QList<PortFacts> availablePortFacts()
{
    QList<PortFacts> ports;
    for (const QSerialPortInfo &info : QSerialPortInfo::availablePorts()) {
        PortFacts facts = factsOf(info);
        facts.usbPath = usbPathOf(facts.location);
        ports << facts;
    }
    const QDir byId(QString::fromLatin1(byIdFolder));
    for (const QFileInfo &link : byId.entryInfoList(QDir::System | QDir::Files, QDir::Name)) {
        PortFacts facts = portFacts(link.canonicalFilePath(), ports);
        facts.name = link.absoluteFilePath();
        ports << facts;
    }
    return ports;
}

PortFacts portFacts(const QString &name, const QList<PortFacts> &listed)
{
    const QString node =
        QFileInfo(name).isAbsolute() ? QFileInfo(name).canonicalFilePath() : QString();
    for (const PortFacts &facts : listed) {
        if (facts.name == name || (!node.isEmpty() && facts.location == node)) {
            PortFacts found = facts;
            found.name = name;
            return found;
        }
    }
    PortFacts bare;
    bare.name = name;
    bare.location = node.isEmpty() ? name : node;
    return bare;
}

QString portToolTip(const PortFacts &facts)
{
    QStringList lines;
    const auto add = [&lines](const QString &label, const QString &value) {
        if (!value.isEmpty())
            lines << QStringLiteral("%1: %2").arg(label, value);
    };
    add(QObject::tr("Description"), facts.description);
    add(QObject::tr("Manufacturer"), facts.manufacturer);
    add(QObject::tr("Serial number"), facts.serialNumber);
    if (facts.hasIds)
        add(QObject::tr("VID:PID"),
            hex4(facts.vendorId) + QLatin1Char(':') + hex4(facts.productId));
    add(QObject::tr("USB location"), facts.usbPath);
    add(QObject::tr("Device"), facts.location);
    return lines.join(QLatin1Char('\n'));
}

QString DeviceIdentity::describe() const
{
    if (!bySerialNumber())
        return path;
    return QObject::tr("%1 (serial number %2, %3:%4)")
        .arg(path, serialNumber, hex4(vendorId), hex4(productId));
}

DeviceIdentity identityOf(const PortFacts &facts)
{
    DeviceIdentity identity;
    identity.path = facts.name;
    // A serial number means something only with the ids it was issued under.
    if (facts.hasIds && !facts.serialNumber.isEmpty()) {
        identity.serialNumber = facts.serialNumber;
        identity.vendorId = facts.vendorId;
        identity.productId = facts.productId;
    }
    return identity;
}

DeviceIdentity identityOfPort(const QString &name)
{
    return identityOf(portFacts(name, availablePortFacts()));
}

QString whereIs(const DeviceIdentity &device, const QList<PortFacts> &ports)
{
    if (!device.bySerialNumber()) {
        const bool isPath = QFileInfo(device.path).isAbsolute();
        if (isPath)
            return QFileInfo::exists(device.path) ? device.path : QString();
        for (const PortFacts &facts : ports) {
            if (facts.name == device.path)
                return facts.name;
        }
        return {};
    }
    QString found;
    for (const PortFacts &facts : ports) {
        if (!facts.hasIds || facts.serialNumber != device.serialNumber ||
            facts.vendorId != device.vendorId || facts.productId != device.productId)
            continue;
        // The old name when it is the same device again, else the first name
        // the library lists it under (its own, before a by-id link).
        if (facts.name == device.path)
            return facts.name;
        if (found.isEmpty())
            found = facts.name;
    }
    return found;
}
