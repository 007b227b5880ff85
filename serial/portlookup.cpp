#include "serial/portlookup.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QSerialPortInfo>

#ifdef Q_OS_UNIX
#include <poll.h>
#endif

LineSettings lineSettingsFrom(const QString &portEntry, const QString &baudText)
{
    LineSettings settings;
    settings.portName = portEntry.split(QLatin1Char(' ')).first();
    settings.baudRate = baudText.toUInt(nullptr, 10);
    return settings;
}

bool portIsPresent(const QString &name)
{
    if (name.isEmpty())
        return false;
    // A device path is present while its node exists: far cheaper to look
    // at than the port library's enumeration, which the watch would
    // otherwise run twice a second, and the enumeration lists only nodes
    // that exist. Only absolute paths count, so a stale short name like
    // "ttyUSB0" that happens to exist relative to the working directory
    // cannot keep a port.
    if (name.startsWith(QLatin1Char('/')))
        return QFileInfo::exists(name);
    return !QSerialPortInfo(name).isNull();
}

QString connectedText(const QString &portName, quint32 baudRate, int dataBits, int parity,
                      int stopBits, int flowControl)
{
    // One arg() call, so a "%1" inside a port name is not filled in again.
    return QCoreApplication::translate("MainWindow", "Connected to %1 : %2, %3, %4, %5, %6")
        .arg(portName, QString::number(baudRate), QString::number(dataBits),
             QString::number(parity), QString::number(stopBits), QString::number(flowControl));
}

bool lineHungUp(qintptr descriptor)
{
#ifdef Q_OS_UNIX
    if (descriptor < 0)
        return false;
    pollfd fd{int(descriptor), POLLIN, 0};
    if (::poll(&fd, 1, 0) < 0)
        return false;
    return (fd.revents & (POLLHUP | POLLERR | POLLNVAL)) != 0;
#else
    Q_UNUSED(descriptor);
    return false;
#endif
}

bool lineWentAway(QSerialPort &port, QSerialPort::SerialPortError error)
{
    return error == QSerialPort::ResourceError ||
           (error == QSerialPort::ReadError && port.isOpen() && lineHungUp(port.handle()));
}
