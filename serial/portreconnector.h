#ifndef PORTRECONNECTOR_H
#define PORTRECONNECTOR_H

#include "serial/deviceidentity.h"

#include <QObject>
#include <QTimer>

#include <functional>

// Watches for a device that went away to come back. Looks a few times a
// second on a timer: a device path costs a stat; a serial number a listing
// of the ports, taken again only when the device folders have changed
// since (a listing costs milliseconds, a look at a folder a stat). Nothing
// spins in between.
class PortReconnector : public QObject
{
    Q_OBJECT

public:
    using Lister = std::function<QList<PortFacts>()>;
    static constexpr int defaultIntervalMs = 250;

    explicit PortReconnector(QObject *parent = nullptr, Lister lister = availablePortFacts,
                             int intervalMs = defaultIntervalMs);

    void watchFor(const DeviceIdentity &device);
    void stop();
    bool isWatching() const { return timer.isActive(); }
    const DeviceIdentity &device() const { return watched; }

signals:
    // The device is back under `portName`; watching has stopped. Whoever
    // opens it and fails may watch again.
    void returned(const QString &portName);

private:
    void look();
    QList<PortFacts> listIfChanged();

    Lister lister;
    QString devicesStamp; // when the device folders last changed, at the last listing
    QTimer timer;
    DeviceIdentity watched;
};

#endif // PORTRECONNECTOR_H
