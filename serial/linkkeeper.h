#ifndef LINKKEEPER_H
#define LINKKEEPER_H

#include "serial/deviceidentity.h"
#include "serial/portlookup.h"

#include <QObject>

#include <functional>

class PortReconnector;

// What the keeper asks of the window it keeps the line for.
struct LinkKeeperHooks
{
    // Opens `line` as Open does; true when the port is open.
    std::function<bool(const LineSettings &line)> reopen;
    std::function<void(const QString &)> showStatus;
    std::function<void(const QString &)> log; // one line for the log pane
};

// Brings the line back after the module went away: a hang-up, an unplug,
// a reset into new firmware. Remembers who the open port was, watches for
// that device to return while reconnecting automatically is on, and
// reopens it with the same settings. The user's own Close, another port
// chosen, or automatic reconnecting turned off end the watch.
class LinkKeeper : public QObject
{
    Q_OBJECT

public:
    explicit LinkKeeper(LinkKeeperHooks hooks, QObject *parent = nullptr);

    // Whether a lost line is waited for. Turned off, a wait for a lost line
    // ends; the wait after a firmware update goes on.
    void setAutoReconnect(bool on);
    bool autoReconnects() const { return autoReconnect; }

    // The port is open with `line`: remember the device behind it.
    void opened(const LineSettings &line);
    // The line went away without the user closing it.
    void lost();
    // The user closed the port or chose another: nothing is awaited.
    void stop();
    // After a firmware update: waits for the device of the last open port,
    // ticked or not, and calls `back` with the port it reopened.
    void awaitModule(std::function<void(const QString &port)> back);

    bool isWaiting() const;
    // The device of the last open port, if any.
    const DeviceIdentity &device() const { return identity; }

private:
    void watch();
    void deviceReturned(const QString &port);

    bool autoReconnect = false;
    LinkKeeperHooks hooks;
    PortReconnector *reconnector;
    DeviceIdentity identity;
    LineSettings line;
    std::function<void(const QString &)> awaiting; // a firmware update waits
};

#endif // LINKKEEPER_H
