#ifndef DEVICEIDENTITY_H
#define DEVICEIDENTITY_H

#include <QList>
#include <QString>

// What the platform says about one serial port, as plain values.
struct PortFacts
{
    QString name;     // as listed: "ttyACM0", or a device path
    QString location; // the device node: "/dev/ttyACM0"
    QString description;
    QString manufacturer;
    QString serialNumber; // empty where the device has none
    QString usbPath;      // where it is plugged in, where the platform says
    quint16 vendorId = 0;
    quint16 productId = 0;
    bool hasIds = false; // vendor and product ids are known
};

// Every port the port library lists, then on Linux the stable names under
// /dev/serial/by-id, each with the facts of the device it leads to.
QList<PortFacts> availablePortFacts();

// The facts of the port `name` (a listed name or a device path); a path the
// library does not list (a pseudo-terminal, a link) has its path alone.
PortFacts portFacts(const QString &name, const QList<PortFacts> &listed);

// The tooltip of a port list entry: one line per fact the platform gives.
QString portToolTip(const PortFacts &facts);

// Who a port was, so that it can be recognised when it comes back. A device
// with a USB serial number is that number and its VID:PID, under whatever
// name it returns; anything else is its device path, a stable link
// included.
struct DeviceIdentity
{
    QString path; // the name it was opened by
    QString serialNumber;
    quint16 vendorId = 0;
    quint16 productId = 0;

    bool bySerialNumber() const { return !serialNumber.isEmpty(); }
    bool isValid() const { return !path.isEmpty(); }
    // "serial number 1234 (0483:5740)" or the path: for messages.
    QString describe() const;
};

DeviceIdentity identityOf(const PortFacts &facts);
// The identity of the port `name` as the system lists it now.
DeviceIdentity identityOfPort(const QString &name);

// The name to open the device by, among `ports`, or nothing while it is
// away. A device known by its serial number is found by it alone: another
// device appearing under the old name is not taken for it.
QString whereIs(const DeviceIdentity &device, const QList<PortFacts> &ports);

#endif // DEVICEIDENTITY_H
