#ifndef SCRIPT_PORTLINK_H
#define SCRIPT_PORTLINK_H

#include "script/scriptrunner.h"
#include "serial/deviceidentity.h"
#include "traffic/trafficrecord.h"

#include <QObject>
#include <QSerialPort>
#include <QTimer>

#include <functional>

class PortReconnector;
class PortWriter;

namespace script {

// Runs scripts straight over a serial port its owner opened, as vexelctl
// does: frames and files go out through a PortWriter, every chunk read goes
// to the runner, and a line that hangs up ends the run and closes the port.
class PortLink : public QObject
{
    Q_OBJECT

public:
    // Called with every write as far as the port took it and every chunk
    // read, e.g. to record a capture.
    using Record = std::function<void(Direction, const QByteArray &)>;

    explicit PortLink(QSerialPort &port, Record record = {}, QObject *parent = nullptr);
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
    void transmit(const QByteArray &bytes);
    void readChunk();
    void onError(QSerialPort::SerialPortError error);
    void giveUp(const QString &reason);
    void deviceReturned(const QString &portName);

    QSerialPort &port;
    Record record;
    PortWriter *writer;
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
