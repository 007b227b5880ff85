#include "serial/portreconnector.h"

#include <QDateTime>
#include <QFileInfo>

PortReconnector::PortReconnector(QObject *parent, Lister lister, int intervalMs)
    : QObject(parent), lister(std::move(lister))
{
    timer.setInterval(intervalMs);
    connect(&timer, &QTimer::timeout, this, &PortReconnector::look);
}

void PortReconnector::watchFor(const DeviceIdentity &device)
{
    watched = device;
    devicesStamp.clear(); // the first look lists
    timer.start();
}

void PortReconnector::stop()
{
    timer.stop();
}

void PortReconnector::look()
{
    // A device path needs no listing of every port: it is there or it is not.
    const bool byPath = !watched.bySerialNumber() && QFileInfo(watched.path).isAbsolute();
    const QList<PortFacts> ports = byPath ? QList<PortFacts>() : listIfChanged();
    const QString found = whereIs(watched, ports);
    if (found.isEmpty())
        return;
    timer.stop();
    emit returned(found);
}

// Ports come and go with their nodes under /dev (and their stable names
// under /dev/serial/by-id), which change those folders' times. Where there
// is no such folder every look lists.
QList<PortFacts> PortReconnector::listIfChanged()
{
    QString stamp;
    for (const char *folder : {"/dev", "/dev/serial/by-id"}) {
        const QFileInfo info(QString::fromLatin1(folder));
        stamp += QString::number(info.exists() ? info.lastModified().toMSecsSinceEpoch() : -1) +
                 QLatin1Char(' ');
    }
    const bool changed = stamp != devicesStamp || !QFileInfo::exists(QStringLiteral("/dev"));
    devicesStamp = stamp;
    return changed ? lister() : QList<PortFacts>();
}
