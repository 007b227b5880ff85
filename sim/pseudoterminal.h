#ifndef VXSIM_PSEUDOTERMINAL_H
#define VXSIM_PSEUDOTERMINAL_H

#include <QByteArray>
#include <QObject>
#include <QString>

class QSocketNotifier;
class QTimer;

namespace vxsim {

// The module's end of the serial line: the master side of a pseudo-terminal
// whose slave device the bench opens. A slave descriptor of our own stays
// open, so the line does not hang up between bench sessions and the bench
// can close and reopen the port as often as it likes.
//
// The line can be unplugged and plugged in again like a USB adapter: the
// device hangs up, and another one, under another name, takes its place.
class PseudoTerminal : public QObject
{
    Q_OBJECT

public:
    // Replies queue up to this much while nobody reads the line; beyond it
    // they are dropped rather than held without bound.
    static constexpr int MaxQueuedBytes = 64 * 1024 * 1024;
    static constexpr int ExclusivityCheckMs = 1000;

    explicit PseudoTerminal(QObject *parent = nullptr);
    ~PseudoTerminal() override;

    bool open(QString *error) { return reserve(error) && plugIn(error); }
    // Closes every descriptor of the line, so whoever holds the device sees
    // it hang up; replies not yet written are lost. The next device is taken
    // first, while the old name is still in use, and stays locked until
    // plugIn(). Fails, changing nothing, when no device is left to take.
    bool unplug(QString *error);
    bool plugIn(QString *error);
    bool isPluggedIn() const { return masterFd >= 0; }
    QString devicePath() const { return slavePath; }
    // Replies not yet read by the bench, whether queued here or waiting in the device.
    bool hasUnreadReplies() const;
    void send(const QByteArray &bytes);

signals:
    void received(const QByteArray &bytes);
    // Bytes taken for the line: once queued they are written unless the line is unplugged.
    void sent(const QByteArray &bytes);

private:
    bool reserve(QString *error);
    void readMaster();
    void writeQueued();
    void closeLine();

    int reservedFd = -1; // master of the next device, locked
    int masterFd = -1;
    int slaveFd = -1;
    QString slavePath;
    QByteArray queued;
    QSocketNotifier *readable = nullptr;
    QSocketNotifier *writable = nullptr;
    QTimer *exclusivity = nullptr;
};

} // namespace vxsim

#endif // VXSIM_PSEUDOTERMINAL_H
