#include "serial/portreconnector.h"

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
    const QList<PortFacts> ports = byPath ? QList<PortFacts>() : lister();
    const QString found = whereIs(watched, ports);
    if (found.isEmpty())
        return;
    timer.stop();
    emit returned(found);
}
