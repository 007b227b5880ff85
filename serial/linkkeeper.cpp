#include "serial/linkkeeper.h"

#include "serial/portreconnector.h"

LinkKeeper::LinkKeeper(LinkKeeperHooks hooks, QObject *parent)
    : QObject(parent), hooks(std::move(hooks)), reconnector(new PortReconnector(this))
{
    connect(reconnector, &PortReconnector::returned, this, &LinkKeeper::deviceReturned);
}

void LinkKeeper::setAutoReconnect(bool on)
{
    autoReconnect = on;
    if (!on && !awaiting && reconnector->isWatching()) {
        reconnector->stop();
        hooks.showStatus(tr("No longer waiting for %1").arg(identity.path));
    }
}

void LinkKeeper::opened(const LineSettings &settings)
{
    reconnector->stop();
    line = settings;
    identity = identityOfPort(settings.portName);
}

void LinkKeeper::lost()
{
    if (identity.isValid() && autoReconnect)
        watch();
}

void LinkKeeper::stop()
{
    reconnector->stop();
    awaiting = nullptr;
}

void LinkKeeper::awaitModule(std::function<void(const QString &)> back)
{
    if (!identity.isValid())
        return;
    awaiting = std::move(back);
    watch();
}

bool LinkKeeper::isWaiting() const
{
    return reconnector->isWatching();
}

void LinkKeeper::watch()
{
    reconnector->watchFor(identity);
    hooks.showStatus(tr("Port Closed: waiting for %1 to come back").arg(identity.describe()));
}

void LinkKeeper::deviceReturned(const QString &port)
{
    LineSettings settings = line;
    settings.portName = port;
    if (!hooks.reopen(settings)) {
        // Back but not yet ready (its permissions are set a moment later):
        // try again on the next look.
        reconnector->watchFor(identity);
        return;
    }
    hooks.log(tr("Reconnected to %1").arg(port));
    if (awaiting) {
        const auto back = std::move(awaiting);
        awaiting = nullptr;
        back(port);
    }
}
