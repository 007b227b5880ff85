#ifndef VXSIM_PSEUDOTERMINAL_H
#define VXSIM_PSEUDOTERMINAL_H

#include <QByteArray>
#include <QObject>
#include <QString>

class QSocketNotifier;

namespace vxsim {

// The module's end of the serial line: the master side of a pseudo-terminal
// whose slave device the bench opens. A slave descriptor of our own stays
// open, so the line does not hang up between bench sessions and the bench
// can close and reopen the port as often as it likes.
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

    bool open(QString *error);
    QString devicePath() const { return slavePath; }
    void send(const QByteArray &bytes);

signals:
    void received(const QByteArray &bytes);
    // Bytes taken for the line: once queued they are written, never dropped.
    void sent(const QByteArray &bytes);

private:
    void readMaster();
    void writeQueued();
    void closeAll();

    int masterFd = -1;
    int slaveFd = -1;
    QString slavePath;
    QByteArray queued;
    QSocketNotifier *readable = nullptr;
    QSocketNotifier *writable = nullptr;
};

} // namespace vxsim

#endif // VXSIM_PSEUDOTERMINAL_H
