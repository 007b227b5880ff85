// Pushes 1 MB of module replies, mostly touch reports, through a
// pseudo-terminal into the real window as fast as the line takes them, and
// measures what the window processes per second, how long its event loop
// goes without serving a 10 ms timer, and its memory along the way. A second
// pass hands the window one reply per read, its costliest case.
#include "app/mainwindow.h"
#include "benchsupport.h"
#include "serial/serialport.h"

#include <QApplication>
#include <QComboBox>
#include <QEventLoop>
#include <QPushButton>
#include <QStatusBar>
#include <QTextEdit>
#include <QTimer>

#include <algorithm>
#include <condition_variable>
#include <cstdio>
#include <mutex>
#include <thread>
#include <unistd.h>

namespace {

constexpr qint64 floodBytes = 1 << 20;
constexpr qint64 pacedBytes = 64 * 1024;
constexpr int writeSize = 4096;
constexpr int tickMs = 10;
constexpr double lineRate = 921600 / 10.0; // bytes per second: 8 data bits, start and stop
constexpr double longestGapAllowedMs = 100;
constexpr long flatSlackKb = 4 * 1024;

QByteArray touchReport(int x, int y)
{
    const char bytes[] = {char(0x81), char(x & 0x7F), char(x >> 7),
                          0x7F,       char(y & 0x7F), char(y >> 7)};
    return QByteArray(bytes, sizeof bytes);
}

// Six touch reports in ten replies; the rest are pongs, values, open
// results and version text, in an order that does not repeat.
QByteArrayList replies(qint64 bytes)
{
    QByteArrayList list;
    quint64 seed = 42;
    for (qint64 size = 0; size < bytes; size += list.last().size()) {
        seed = seed * 6364136223846793005ULL + 1442695040888963407ULL;
        const int kind = int((seed >> 33) % 10);
        if (kind < 6)
            list.append(touchReport(int((seed >> 40) % 320), int((seed >> 50) % 240)));
        else if (kind == 6)
            list.append(QByteArray("8"));
        else if (kind == 7)
            list.append(QByteArray("=\x10\x27\x00\x00", 5));
        else if (kind == 8)
            list.append(QByteArray("?\x01", 2));
        else
            list.append(QByteArray("Vexel900 simulator 1.0", 23)); // with its zero byte
    }
    return list;
}

// What the window has been handed in the current pass. Counted ahead of the
// window's own reader: the connection is made before the window exists.
struct Progress
{
    std::atomic<qint64> processed{0};
    std::mutex mutex; // with `advanced`, wakes a writer waiting for the window
    std::condition_variable advanced;
    qint64 total = 0;
    int chunks = 0;
    QVector<long> rssKb; // at the start, then after each quarter
    QEventLoop *loop = nullptr;
    Clock::time_point finished;
};
Progress progress;

void countReads()
{
    QObject::connect(&serialPort, &QSerialPort::readyRead, [] {
        if (!progress.loop)
            return;
        const qint64 before = progress.processed;
        const qint64 after = before + serialPort.bytesAvailable();
        {
            std::lock_guard<std::mutex> lock(progress.mutex);
            progress.processed = after;
        }
        progress.advanced.notify_one();
        ++progress.chunks;
        for (int quarter = 1; quarter <= 4; ++quarter)
            if (before < progress.total * quarter / 4 && after >= progress.total * quarter / 4)
                progress.rssKb.append(currentRssKb());
        if (before < progress.total && after >= progress.total)
            QTimer::singleShot(0, progress.loop, [] { // after the window has shown this chunk
                progress.finished = Clock::now();
                progress.loop->quit();
            });
    });
}

void writeAll(int fd, const char *bytes, qint64 size)
{
    for (qint64 done = 0; done < size;) {
        const ssize_t n =
            ::write(fd, bytes + done, size_t(std::min<qint64>(writeSize, size - done)));
        if (n <= 0)
            return;
        done += n;
    }
}

// Each reply waits until the window has read the one before.
void writeOneByOne(int fd, const QByteArrayList &list)
{
    qint64 written = 0;
    for (const QByteArray &reply : list) {
        writeAll(fd, reply.constData(), reply.size());
        written += reply.size();
        std::unique_lock<std::mutex> lock(progress.mutex);
        progress.advanced.wait(lock, [written] { return progress.processed >= written; });
    }
}

struct Figures
{
    qint64 bytes = 0;
    int chunks = 0;
    double seconds = 0;
    double longestGapMs = 0;
    QVector<long> rssKb;
    int logLines = 0;

    double rate() const { return bytes / seconds; }
    bool flat() const { return rssKb.value(4) - rssKb.value(2) <= flatSlackKb; }
};

Figures flood(MainWindow &window, int master, const QByteArrayList &list, bool oneByOne)
{
    const QByteArray stream = list.join();
    QEventLoop loop;
    progress.processed = 0;
    progress.total = stream.size();
    progress.chunks = 0;
    progress.rssKb = {currentRssKb()};
    progress.loop = &loop;

    Figures figures;
    QTimer tick;
    tick.setTimerType(Qt::PreciseTimer);
    Clock::time_point lastTick = Clock::now();
    QObject::connect(&tick, &QTimer::timeout, [&] {
        const Clock::time_point now = Clock::now();
        figures.longestGapMs = std::max(figures.longestGapMs, secondsBetween(lastTick, now) * 1000);
        lastTick = now;
    });
    QTimer::singleShot(300000, &loop,
                       [] { qFatal("the replies were not processed in 5 minutes"); });

    const Clock::time_point started = Clock::now();
    lastTick = started;
    tick.start(tickMs);
    std::thread writer([&] {
        if (oneByOne)
            writeOneByOne(master, list);
        else
            writeAll(master, stream.constData(), stream.size());
    });
    loop.exec();
    writer.join();
    progress.loop = nullptr;

    figures.bytes = progress.processed;
    figures.chunks = progress.chunks;
    figures.seconds = secondsBetween(started, progress.finished);
    figures.rssKb = progress.rssKb;
    figures.logLines =
        window.findChild<QTextEdit *>(QStringLiteral("textEdit"))->document()->lineCount();
    return figures;
}

void openPort(MainWindow &window, const QString &device)
{
    auto *ports = window.findChild<QComboBox *>(QStringLiteral("serialPortList"));
    ports->addItem(device);
    ports->setCurrentIndex(ports->count() - 1);
    window.findChild<QComboBox *>(QStringLiteral("SerialBaudRate_2"))
        ->setCurrentText(QStringLiteral("921600"));
    window.findChild<QPushButton *>(QStringLiteral("openSerialPort"))->click();
    if (!serialPort.isOpen())
        qFatal("the window could not open %s", qPrintable(device));
}

void printCommon(const Figures &f)
{
    std::printf("  processed:   %lld bytes in %.3f s = %.1f KB/s = %.1f x the line rate of 921600 "
                "baud (%.1f KB/s)\n",
                f.bytes, f.seconds, f.rate() / 1000, f.rate() / lineRate, lineRate / 1000);
    std::printf("               %d reads of %.0f bytes on average\n", f.chunks,
                double(f.bytes) / f.chunks);
    std::printf("  event loop:  longest gap of a %d ms timer %.1f ms (target at most %.0f ms)\n",
                tickMs, f.longestGapMs, longestGapAllowedMs);
}

// Prints the figures; true when every target is met.
bool printFlood(const Figures &f)
{
    std::printf("Reply flood: %.2f MB of replies (touch reports, pongs, values, open results,\n"
                "version text) written into a pseudo-terminal in %d-byte writes as fast as it\n"
                "takes them, read by the real window (offscreen)\n",
                f.bytes / 1048576.0, writeSize);
    printCommon(f);
    std::printf("               target at least %.1f KB/s, the line rate\n", lineRate / 1000);
    std::printf("  memory:      RSS %.1f MB at the start, %.1f / %.1f / %.1f / %.1f MB after each "
                "quarter;\n               peak (ru_maxrss) %.1f MB; %s (target: no growth past "
                "the middle beyond %ld MB)\n",
                f.rssKb.value(0) / 1024.0, f.rssKb.value(1) / 1024.0, f.rssKb.value(2) / 1024.0,
                f.rssKb.value(3) / 1024.0, f.rssKb.value(4) / 1024.0, peakRssKb() / 1024.0,
                f.flat() ? "flat" : "GROWING", flatSlackKb / 1024);
    std::printf("  log pane:    %d lines at the end (cleared past 255)\n", f.logLines);
    const bool met = f.rate() >= lineRate && f.longestGapMs <= longestGapAllowedMs && f.flat();
    std::printf("  %s\n", met ? "targets met" : "TARGETS MISSED");
    return met;
}

bool printOneByOne(const Figures &f)
{
    std::printf("One reply per read: %lld KB of the same replies, each written once the window\n"
                "has read the one before (the pseudo-terminal's round trip included)\n",
                f.bytes / 1024);
    printCommon(f);
    std::printf("               %.0f replies per second\n", f.chunks / f.seconds);
    const bool met = f.longestGapMs <= longestGapAllowedMs;
    std::printf("  %s\n", met ? "targets met" : "TARGETS MISSED");
    return met;
}

} // namespace

int main(int argc, char *argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    silenceDebugOutput();
    Pty pty;
    countReads();
    MainWindow window;
    window.show();
    QApplication::processEvents();
    openPort(window, pty.slavePath());

    const bool fast = printFlood(flood(window, pty.master(), replies(floodBytes), false));
    const bool paced = printOneByOne(flood(window, pty.master(), replies(pacedBytes), true));
    return fast && paced ? 0 : 1;
}
