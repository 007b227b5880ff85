#ifndef PORTLOOKUP_H
#define PORTLOOKUP_H

#include <QSerialPort>
#include <QString>
#include <QStringList>

// Fixed line settings; only the baud rate is the user's choice.
struct LineSettings
{
    QString portName;
    quint32 baudRate = 0;
};

// Settings for Open from the two combo boxes: the port is the text up to the
// first space, the rate the baud text in base 10 (0 when it is no number).
LineSettings lineSettingsFrom(const QString &portEntry, const QString &baudText);

// Whether the port named in the list still exists. Names the port library
// enumerates are looked up there; a device path (a pseudo-terminal such as
// /dev/pts/5, or a link to one) counts while its device node exists, since
// the library does not enumerate pseudo-terminals.
bool portIsPresent(const QString &name);

// The "Connected to ..." status text.
QString connectedText(const QString &portName, quint32 baudRate, int dataBits, int parity,
                      int stopBits, int flowControl);

// True when the far end of an open line has gone (hang-up or error on the
// descriptor), as after a pulled USB adapter or a closed pseudo-terminal.
bool lineHungUp(qintptr descriptor);

// Whether `error` on `port` means its far end has gone. A pulled USB adapter
// shows up as ResourceError, a hung-up pseudo-terminal as a stream of
// ReadErrors on a line that polls as hung up.
bool lineWentAway(QSerialPort &port, QSerialPort::SerialPortError error);

#endif // PORTLOOKUP_H
