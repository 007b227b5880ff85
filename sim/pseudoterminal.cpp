#include "pseudoterminal.h"

#include <QSocketNotifier>
#include <QTimer>
#include <QtDebug>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>
#include <utility>

namespace vxsim {

namespace {
QString systemError()
{
    return QStringLiteral("pseudo-terminal: %1").arg(QString::fromLocal8Bit(strerror(errno)));
}
} // namespace

PseudoTerminal::PseudoTerminal(QObject *parent) : QObject(parent)
{
    // A serial port library marks the line for exclusive use and clears the
    // mark when it closes; a bench that crashed leaves it behind, and no
    // user could open the line again while we keep it alive. Lift it now
    // and then.
    exclusivity = new QTimer(this);
    exclusivity->setInterval(ExclusivityCheckMs);
    connect(exclusivity, &QTimer::timeout, this, [this] { ::ioctl(slaveFd, TIOCNXCL); });
}

PseudoTerminal::~PseudoTerminal()
{
    closeLine();
    if (reservedFd >= 0)
        ::close(reservedFd);
}

bool PseudoTerminal::reserve(QString *error)
{
    const int fd = ::posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0 || ::grantpt(fd) != 0) {
        *error = systemError();
        if (fd >= 0)
            ::close(fd);
        return false;
    }
    reservedFd = fd;
    return true;
}

bool PseudoTerminal::unplug(QString *error)
{
    if (!isPluggedIn()) {
        *error = QStringLiteral("the line is unplugged");
        return false;
    }
    if (!reserve(error))
        return false;
    closeLine();
    return true;
}

bool PseudoTerminal::plugIn(QString *error)
{
    masterFd = std::exchange(reservedFd, -1);
    const char *name = ::unlockpt(masterFd) == 0 ? ::ptsname(masterFd) : nullptr;
    if (name)
        slaveFd = ::open(name, O_RDWR | O_NOCTTY | O_CLOEXEC);
    termios settings{};
    if (slaveFd < 0 || ::tcgetattr(slaveFd, &settings) != 0) {
        *error = systemError();
        closeLine();
        return false;
    }
    // Raw before the bench configures it: no echo, no line editing, no
    // translation of carriage returns or of the zero byte.
    ::cfmakeraw(&settings);
    ::tcsetattr(slaveFd, TCSANOW, &settings);
    slavePath = QString::fromLocal8Bit(name);
    readable = new QSocketNotifier(masterFd, QSocketNotifier::Read, this);
    connect(readable, &QSocketNotifier::activated, this, &PseudoTerminal::readMaster);
    writable = new QSocketNotifier(masterFd, QSocketNotifier::Write, this);
    writable->setEnabled(false);
    connect(writable, &QSocketNotifier::activated, this, &PseudoTerminal::writeQueued);
    exclusivity->start();
    return true;
}

bool PseudoTerminal::hasUnreadReplies() const
{
    int waiting = 0;
    return !queued.isEmpty() ||
           (slaveFd >= 0 && ::ioctl(slaveFd, FIONREAD, &waiting) == 0 && waiting > 0);
}

void PseudoTerminal::readMaster()
{
    char buffer[16384];
    QByteArray chunk;
    for (;;) {
        const ssize_t count = ::read(masterFd, buffer, sizeof buffer);
        if (count <= 0)
            break; // EAGAIN: drained. EIO cannot last while our slave is open.
        chunk.append(buffer, int(count));
    }
    if (!chunk.isEmpty())
        emit received(chunk);
}

void PseudoTerminal::send(const QByteArray &bytes)
{
    if (masterFd < 0)
        return;
    if (queued.size() + bytes.size() > MaxQueuedBytes) {
        qWarning("vexelsim: nobody reads the line, %d reply bytes dropped", int(bytes.size()));
        return;
    }
    queued.append(bytes);
    emit sent(bytes);
    writeQueued();
}

void PseudoTerminal::writeQueued()
{
    while (!queued.isEmpty()) {
        const ssize_t count = ::write(masterFd, queued.constData(), size_t(queued.size()));
        if (count <= 0)
            break;
        queued.remove(0, int(count));
    }
    // Wait for room only while something is left, or the notifier would spin.
    writable->setEnabled(!queued.isEmpty());
}

void PseudoTerminal::closeLine()
{
    exclusivity->stop();
    delete readable;
    readable = nullptr;
    delete writable;
    writable = nullptr;
    if (slaveFd >= 0)
        ::close(slaveFd);
    if (masterFd >= 0)
        ::close(masterFd);
    slaveFd = masterFd = -1;
    slavePath.clear();
    queued.clear();
}

} // namespace vxsim
