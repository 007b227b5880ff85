#ifndef SCRIPT_PORTLINK_H
#define SCRIPT_PORTLINK_H

#include "script/scriptrunner.h"
#include "serial/deviceidentity.h"

#include <QObject>
#include <QTimer>

#include <functional>

class ModuleLink;
class PortReconnector;

namespace script {

// Runs scripts straight over a module link its owner opened, as vexelctl
// does: frames and files go out through the link's writer, every chunk
// read goes to the runner, and a line that hangs up or fails a write ends
// the run and closes the port.
class PortLink : public QObject
{
    Q_OBJECT

public:
    explicit PortLink(ModuleLink &link, QObject *parent = nullptr);
    ~PortLink() override;

    ScriptRunner &runner() { return *scriptRunner; }
    // A line that goes away is waited for this long to come back (the same
    // device, under `portName` or, for a USB device with a serial number,
    // any name) before the run counts it lost. `note` hears of the wait and
    // the return.
    void keepLine(const QString &portName, int seconds, std::function<void(const QString &)> note);
    // Why the line went away, or nothing while it is there.
    QString lostReason() const { return lost; }

private:
    ScriptLink makeLink();
    void lineGone(const QString &reason);
    void giveUp(const QString &reason);
    void deviceReturned(const QString &portName);

    ModuleLink &link;
    ScriptRunner *scriptRunner;
    QString lost;
    // Waiting for the line to come back: see keepLine().
    PortReconnector *reconnector = nullptr;
    DeviceIdentity device;
    int keepSeconds = 0;
    QTimer giveUpTimer;
    std::function<void(const QString &)> note;
};

} // namespace script

#endif // SCRIPT_PORTLINK_H
