#ifndef PORTRECONNECTOR_H
#define PORTRECONNECTOR_H

#include "serial/deviceidentity.h"

#include <QObject>
#include <QTimer>

#include <functional>

// Watches for a device that went away to come back. Looks a few times a
// second on a timer: a device path costs a stat, a serial number one listing
// of the ports; nothing spins in between.
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

    Lister lister;
    QTimer timer;
    DeviceIdentity watched;
};

#endif // PORTRECONNECTOR_H
