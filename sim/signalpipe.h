#ifndef VXSIM_SIGNALPIPE_H
#define VXSIM_SIGNALPIPE_H

#include <QObject>

class QSocketNotifier;

// Turns Unix signals into a Qt signal on the event loop: the handler only
// writes the signal number into a socket pair, which is async-signal-safe.
class SignalPipe : public QObject
{
    Q_OBJECT

public:
    explicit SignalPipe(std::initializer_list<int> signalNumbers, QObject *parent = nullptr);
    ~SignalPipe() override;

signals:
    void caught(int signalNumber);

private:
    static void handle(int signalNumber);
    void readCaught();

    QSocketNotifier *notifier = nullptr;
};

#endif // VXSIM_SIGNALPIPE_H
