#ifndef PTYPAIR_H
#define PTYPAIR_H

#include <QByteArray>
#include <QObject>
#include <QString>
#include <functional>

class QSocketNotifier;

// A real pseudo-terminal pair for serial tests: the bench opens slavePath()
// with its QSerialPort, the test plays the module on the master side.
// Bytes arriving on the master are collected by the event loop.
class PtyPair : public QObject
{
    Q_OBJECT

public:
    explicit PtyPair(QObject *parent = nullptr);
    ~PtyPair() override;

    bool isOpen() const { return masterFd >= 0; }
    QString slavePath() const { return slaveName; }

    // Waits (running the event loop) until at least `count` bytes arrived
    // since the last take(), or the timeout passed; returns them and clears.
    QByteArray take(int count, int timeoutMs = 3000);
    // Everything received so far after letting the loop run for `settleMs`.
    QByteArray takeAll(int settleMs = 100);
    bool write(const QByteArray &bytes);
    // Hangs up the line, as a pulled cable would.
    void closeMaster();

private:
    void readAvailable();
    // Runs the event loop while `keepWaiting` holds, up to the timeout.
    void pumpWhile(const std::function<bool()> &keepWaiting, int timeoutMs);

    int masterFd = -1;
    QString slaveName;
    QByteArray received;
    QSocketNotifier *notifier = nullptr;
};

#endif // PTYPAIR_H
