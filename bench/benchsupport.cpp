#include "benchsupport.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QThread>
#include <QtGlobal>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <poll.h>
#include <stdlib.h>
#include <sys/resource.h>
#include <termios.h>
#include <unistd.h>

double secondsBetween(Clock::time_point from, Clock::time_point to)
{
    return std::chrono::duration<double>(to - from).count();
}

long peakRssKb()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

long currentRssKb()
{
    QFile statm(QStringLiteral("/proc/self/statm"));
    if (!statm.open(QIODevice::ReadOnly))
        return 0;
    const QList<QByteArray> fields = statm.readAll().split(' ');
    return fields.size() > 1 ? fields.at(1).toLong() * (sysconf(_SC_PAGESIZE) / 1024) : 0;
}

double median(QVector<double> values)
{
    if (values.isEmpty())
        return 0;
    std::sort(values.begin(), values.end());
    const int middle = values.size() / 2;
    return values.size() % 2 ? values.at(middle) : (values.at(middle - 1) + values.at(middle)) / 2;
}

double percentile(QVector<double> values, double fraction)
{
    std::sort(values.begin(), values.end());
    return values.at(std::min(int(values.size()) - 1, int(fraction * values.size())));
}

double secondsOf(const std::function<void()> &work)
{
    const Clock::time_point started = Clock::now();
    work();
    return secondsBetween(started, Clock::now());
}

QVector<double> secondsOf(const QVector<Run> &runs)
{
    QVector<double> seconds;
    for (const Run &run : runs)
        seconds.append(run.seconds);
    return seconds;
}

bool allIntact(const QVector<Run> &runs)
{
    return std::all_of(runs.begin(), runs.end(), [](const Run &run) { return run.intact; });
}

void waitFor(Drain &drain, int timeoutMs)
{
    QElapsedTimer clock;
    clock.start();
    while (!drain.complete() && clock.elapsed() < timeoutMs) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        QThread::usleep(200);
    }
    drain.finish();
}

void preferOffscreen()
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
}

void silenceDebugOutput()
{
    static const QtMessageHandler previous = qInstallMessageHandler(nullptr);
    qInstallMessageHandler(
        [](QtMsgType type, const QMessageLogContext &context, const QString &text) {
            if (type != QtDebugMsg)
                previous(type, context, text);
        });
}

Pty::Pty()
{
    masterFd = posix_openpt(O_RDWR | O_NOCTTY);
    if (masterFd < 0 || grantpt(masterFd) != 0 || unlockpt(masterFd) != 0)
        qFatal("no pseudo-terminal: %s", strerror(errno));
    slaveName = QString::fromLocal8Bit(ptsname(masterFd));
    slaveFd = ::open(ptsname(masterFd), O_RDWR | O_NOCTTY);
    if (slaveFd < 0)
        qFatal("cannot open %s", qPrintable(slaveName));
    termios tio{};
    tcgetattr(slaveFd, &tio);
    cfmakeraw(&tio);
    tcsetattr(slaveFd, TCSANOW, &tio);
}

Pty::~Pty()
{
    ::close(slaveFd);
    ::close(masterFd);
}

void StreamHash::mix(uint64_t word)
{
    state ^= word;
    state *= 0x9FB21C651E98DF25ULL;
    state ^= state >> 29;
}

void StreamHash::add(const char *bytes, size_t size)
{
    while (size > 0 && pendingBytes > 0) {
        pending |= uint64_t(uint8_t(*bytes++)) << (8 * pendingBytes);
        --size;
        if (++pendingBytes == 8) {
            mix(pending);
            pending = 0;
            pendingBytes = 0;
        }
    }
    for (; size >= 8; size -= 8, bytes += 8) {
        uint64_t word;
        std::memcpy(&word, bytes, 8);
        mix(word);
    }
    for (; size > 0; --size) {
        pending |= uint64_t(uint8_t(*bytes++)) << (8 * pendingBytes);
        ++pendingBytes;
    }
}

uint64_t StreamHash::value() const
{
    StreamHash last = *this;
    last.mix(last.pending ^ (uint64_t(last.pendingBytes) << 60));
    return last.state;
}

uint64_t hashOf(const QByteArray &bytes)
{
    StreamHash hash;
    hash.add(bytes.constData(), size_t(bytes.size()));
    return hash.value();
}

Drain::Drain(int fd, qint64 expected, int headSize)
    : fd(fd), expected(expected), headSize(headSize), thread([this] { run(); })
{
}

Drain::~Drain()
{
    finish();
}

void Drain::finish()
{
    stopping = true;
    if (thread.joinable())
        thread.join();
}

void Drain::run()
{
    static constexpr size_t bufferSize = 1 << 16;
    auto buffer = std::make_unique<char[]>(bufferSize);
    pollfd watch{fd, POLLIN, 0};
    while (!stopping) {
        if (poll(&watch, 1, 20) <= 0)
            continue;
        const ssize_t n = ::read(fd, buffer.get(), bufferSize);
        if (n <= 0) {
            // EIO: no slave side open just now; try again shortly.
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
            continue;
        }
        const int toHead = int(std::min<ssize_t>(n, headSize - headBytes.size()));
        headBytes.append(buffer.get(), toHead);
        body.add(buffer.get() + toHead, size_t(n - toHead));
        const qint64 before = count.fetch_add(n);
        if (before < expected && before + n >= expected)
            lastByte = Clock::now();
    }
}
