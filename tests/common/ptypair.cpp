#include "ptypair.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QSocketNotifier>
#include <QTimer>

#include <cerrno>
#include <utility>
#include <fcntl.h>
#include <stdlib.h>
#include <termios.h>
#include <unistd.h>

PtyPair::PtyPair(QObject *parent) : QObject(parent)
{
    // Close-on-exec: a child process (vexelctl, the DFU utility) holding the
    // master would keep the line up after the test hangs it up.
    masterFd = posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (masterFd < 0)
        return;
    if (grantpt(masterFd) != 0 || unlockpt(masterFd) != 0) {
        ::close(masterFd);
        masterFd = -1;
        return;
    }
    slaveName = QString::fromLocal8Bit(ptsname(masterFd));
    // Raw from the start, so bytes written before the bench configures the
    // line are not translated or echoed.
    int slaveFd = ::open(ptsname(masterFd), O_RDWR | O_NOCTTY);
    if (slaveFd >= 0) {
        termios tio{};
        tcgetattr(slaveFd, &tio);
        cfmakeraw(&tio);
        tcsetattr(slaveFd, TCSANOW, &tio);
        ::close(slaveFd);
    }
    notifier = new QSocketNotifier(masterFd, QSocketNotifier::Read, this);
    connect(notifier, &QSocketNotifier::activated, this, &PtyPair::readAvailable);
}

PtyPair::~PtyPair() { closeMaster(); }

void PtyPair::readAvailable()
{
    char buffer[65536];
    for (;;) {
        const ssize_t n = ::read(masterFd, buffer, sizeof buffer);
        if (n > 0) {
            received.append(buffer, int(n));
            continue;
        }
        // EIO means no slave is open at the moment; stop listening until a
        // write or take() needs the notifier again, or it would spin.
        if (n < 0 && errno == EIO)
            notifier->setEnabled(false);
        return;
    }
}

void PtyPair::pumpWhile(const std::function<bool()> &keepWaiting, int timeoutMs)
{
    QElapsedTimer clock;
    clock.start();
    while (keepWaiting() && clock.elapsed() < timeoutMs && isOpen()) {
        notifier->setEnabled(true);
        QEventLoop loop;
        QTimer::singleShot(10, &loop, &QEventLoop::quit);
        loop.exec();
        readAvailable();
    }
}

QByteArray PtyPair::take(int count, int timeoutMs)
{
    pumpWhile([this, count] { return received.size() < count; }, timeoutMs);
    return std::exchange(received, QByteArray());
}

QByteArray PtyPair::takeAll(int settleMs)
{
    pumpWhile([] { return true; }, settleMs);
    return std::exchange(received, QByteArray());
}

bool PtyPair::write(const QByteArray &bytes)
{
    if (!isOpen())
        return false;
    qint64 done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(masterFd, bytes.constData() + done, size_t(bytes.size() - done));
        if (n < 0 && errno != EAGAIN)
            return false;
        if (n > 0)
            done += n;
        else
            takeAll(5); // let the reader drain the line
    }
    return true;
}

void PtyPair::closeMaster()
{
    if (masterFd < 0)
        return;
    delete notifier;
    notifier = nullptr;
    ::close(masterFd);
    masterFd = -1;
}
