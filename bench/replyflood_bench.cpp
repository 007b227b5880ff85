// Pushes module replies, mostly touch reports, through a pseudo-terminal into
// the real window and measures what the window processes per second, how long
// its event loop goes without serving a 10 ms timer, and its memory along the
// way: a 1 MB flood, then one reply per read, the window's costliest case.
// Both run first with the traffic recorder paused, the reference, then with
// the recorder on, the Traffic window open and the log at its record bound.
#include "benchsupport.h"
#include "serial/modulelink.h"
#include "traffic/trafficrecorder.h"
#include "ui/mainwindow.h"
#include "ui/trafficwindow.h"
#include "windowsupport.h"

#include <QAction>
#include <QApplication>
#include <QEventLoop>
#include <QScrollBar>
#include <QTableView>
#include <QTextEdit>
#include <QTimer>

#include <algorithm>
#include <condition_variable>
#include <cstdio>
#include <functional>
#include <mutex>
#include <thread>
#include <unistd.h>

namespace {

constexpr qint64 floodBytes = 1 << 20;
constexpr qint64 pacedBytes = 64 * 1024;
constexpr int writeSize = 4096;
constexpr int tickMs = 10;
constexpr double lineRate = fastestBaudRate / 10.0; // bytes per second: 8 data bits, start and stop
constexpr double recordedRateFactor = 10;           // the recorder on, still ten times the line
constexpr double longestGapAllowedMs = 100;
constexpr long flatSlackKb = 4 * 1024;
// A pass that the window cannot finish in this time is measured on what it
// took by then, so a slow window keeps the run short.
constexpr int passLimitMs = 8000;
// Records past the log's bound when it is filled, so the oldest have gone.
constexpr int recordsPastBound = 1000;

QByteArray touchReport(int x, int y)
{
    const char bytes[] = {char(0x81), char(x & 0x7F), char(x >> 7),
                          0x7F,       char(y & 0x7F), char(y >> 7)};
    return QByteArray(bytes, sizeof bytes);
}

// Six touch reports in ten replies; the rest are pongs, values, open
// results and version text, in an order that does not repeat.
class ReplySource
{
public:
    QByteArray next()
    {
        seed = seed * 6364136223846793005ULL + 1442695040888963407ULL;
        const int kind = int((seed >> 33) % 10);
        if (kind < 6)
            return touchReport(int((seed >> 40) % 320), int((seed >> 50) % 240));
        if (kind == 6)
            return QByteArray("8");
        if (kind == 7)
            return QByteArray("=\x10\x27\x00\x00", 5);
        if (kind == 8)
            return QByteArray("?\x01", 2);
        return QByteArray("Vexel900 simulator 1.0", 23); // with its zero byte
    }

private:
    quint64 seed = 42;
};

QByteArray replyStream(qint64 bytes)
{
    ReplySource source;
    QByteArray stream;
    while (stream.size() < bytes)
        stream += source.next();
    return stream;
}

// What the window has taken in the current pass, counted as each chunk
// leaves its reader.
struct Progress
{
    std::atomic<qint64> processed{0};
    std::atomic<bool> stop{false}; // the writer's signal to end the pass
    std::mutex mutex;              // with `advanced`, wakes a writer waiting for the window
    std::condition_variable advanced;
    qint64 total = 0;
    int chunks = 0;
    QVector<long> rssKb; // at the start, then after each quarter
    QEventLoop *loop = nullptr;
    Clock::time_point finished;
    qint64 processedAtEnd = 0;
    int chunksAtEnd = 0;
    bool cutShort = false; // ended by the time limit
};
Progress progress;

void endPass(bool cutShort)
{
    if (progress.stop)
        return;
    {
        std::lock_guard<std::mutex> lock(progress.mutex);
        progress.stop = true;
    }
    progress.advanced.notify_one();
    progress.cutShort = cutShort;
    progress.processedAtEnd = progress.processed;
    progress.chunksAtEnd = progress.chunks;
    QTimer::singleShot(0, progress.loop, [] { // after the window has shown this chunk
        progress.finished = Clock::now();
        progress.loop->quit();
    });
}

void countReads(ModuleLink &link)
{
    QObject::connect(&link, &ModuleLink::received, [](const QByteArray &chunk) {
        if (!progress.loop || progress.stop)
            return;
        const qint64 before = progress.processed;
        const qint64 after = before + chunk.size();
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
            endPass(false);
    });
}

void writeAll(int fd, const char *bytes, qint64 size)
{
    for (qint64 done = 0; done < size && !progress.stop;) {
        const ssize_t n =
            ::write(fd, bytes + done, size_t(std::min<qint64>(writeSize, size - done)));
        if (n <= 0)
            return;
        done += n;
    }
}

// Each reply waits until the window has read the one before.
void writeOneByOne(int fd, qint64 bytes)
{
    ReplySource source;
    for (qint64 written = 0; written < bytes && !progress.stop;) {
        const QByteArray reply = source.next();
        writeAll(fd, reply.constData(), reply.size());
        written += reply.size();
        std::unique_lock<std::mutex> lock(progress.mutex);
        progress.advanced.wait(
            lock, [written] { return progress.stop || progress.processed >= written; });
    }
}

// Throws away what a pass cut short left on the line, so the next pass
// starts clean; the writer may be blocked on the full line until then.
void drainLine(QSerialPort &port, std::thread &writer, const std::atomic<bool> &writing)
{
    while (writing) {
        port.clear(QSerialPort::Input);
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    writer.join();
    std::this_thread::sleep_for(std::chrono::milliseconds(20)); // the kernel's last hand-off
    port.clear(QSerialPort::Input);
    QApplication::processEvents();
}

struct Figures
{
    qint64 bytes = 0;
    qint64 offered = 0; // what the pass meant to send
    int chunks = 0;
    double seconds = 0;
    bool cutShort = false;
    double longestGapMs = 0;
    QVector<long> rssKb; // at the start and after each quarter the pass reached
    long endRssKb = 0;
    int logLines = 0;

    double rate() const { return bytes / seconds; }
    double readRate() const { return chunks / seconds; }
    long growthKb() const { return endRssKb - rssKb.value(0); }
    bool flat() const { return rssKb.size() == 5 && rssKb[4] - rssKb[2] <= flatSlackKb; }
};

// Times the window through one pass while `write` feeds the line from a thread.
Figures measure(MainWindow &window, qint64 total, const std::function<void()> &write)
{
    QEventLoop loop;
    progress.processed = 0;
    progress.stop = false;
    progress.total = total;
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
    QTimer::singleShot(passLimitMs, &loop, [] { endPass(true); });

    const Clock::time_point started = Clock::now();
    lastTick = started;
    tick.start(tickMs);
    std::atomic<bool> writing{true};
    std::thread writer([&] {
        write();
        writing = false;
    });
    loop.exec();
    tick.stop();
    figures.endRssKb = currentRssKb();
    drainLine(windowLink(window).port(), writer, writing);
    progress.loop = nullptr;

    figures.bytes = progress.processedAtEnd;
    figures.offered = total;
    figures.chunks = progress.chunksAtEnd;
    figures.seconds = secondsBetween(started, progress.finished);
    figures.cutShort = progress.cutShort;
    figures.rssKb = progress.rssKb;
    figures.logLines =
        window.findChild<QTextEdit *>(QStringLiteral("textEdit"))->document()->lineCount();
    return figures;
}

Figures flood(MainWindow &window, int master)
{
    const QByteArray stream = replyStream(floodBytes);
    return measure(window, stream.size(),
                   [&] { writeAll(master, stream.constData(), stream.size()); });
}

Figures oneByOne(MainWindow &window, int master)
{
    return measure(window, pacedBytes, [master] { writeOneByOne(master, pacedBytes); });
}

// Opens the Traffic window as View → Traffic does, and lets it show.
TrafficWindow *openTrafficWindow(MainWindow &window)
{
    window.findChild<QAction *>(QStringLiteral("actionTraffic"))->trigger();
    auto *traffic = window.findChild<TrafficWindow *>();
    if (!traffic || !traffic->isVisible())
        qFatal("View → Traffic showed no Traffic window");
    QApplication::processEvents();
    return traffic;
}

struct Filling
{
    double seconds = 0;          // of the records that found room, the Traffic window closed
    double pastBoundSeconds = 0; // of the records that each dropped the oldest, the window open
    long growthKb = 0;
    bool openedAtNewest = false;
};

void record(TrafficRecorder &recorder, ReplySource &source, int records)
{
    for (int i = 0; i < records; ++i)
        recorder.record(Direction::Received, source.next());
}

// Brings the log to its bound through the recorder's own entry point, the
// one the reader calls for each read: a hundred thousand reads through the
// line would take minutes. Then opens the Traffic window on the full log,
// drags its scroll bar to the newest row, where it follows new rows, and
// times records past the bound with the window open.
Filling fillToBound(MainWindow &window, TrafficRecorder &recorder)
{
    ReplySource source;
    Filling filling;
    const long before = currentRssKb();
    filling.seconds = secondsOf([&] { record(recorder, source, TrafficLog::defaultMaxRecords); });
    TrafficWindow *traffic = openTrafficWindow(window);
    auto *table = traffic->findChild<QTableView *>(QStringLiteral("trafficTable"));
    filling.openedAtNewest =
        table->verticalScrollBar()->value() >= table->verticalScrollBar()->maximum();
    table->verticalScrollBar()->triggerAction(QAbstractSlider::SliderToMaximum);
    QApplication::processEvents();
    filling.pastBoundSeconds = secondsOf([&] { record(recorder, source, recordsPastBound); });
    QApplication::processEvents(); // the Traffic window shows the newest rows
    filling.growthKb = currentRssKb() - before;
    return filling;
}

// What the recorder kept and the Traffic window shows after a pass.
struct LogState
{
    int records = 0;
    qint64 dropped = 0;
    qint64 accountedBytes = 0;
    int tableRows = 0;
    bool following = false;

    bool withinBounds() const
    {
        return records <= TrafficLog::defaultMaxRecords &&
               accountedBytes <= TrafficLog::defaultMaxBytes;
    }
};

LogState logState(const TrafficRecorder &recorder, const TrafficWindow &traffic)
{
    const TrafficLog &log = recorder.log();
    const auto *table = traffic.findChild<QTableView *>(QStringLiteral("trafficTable"));
    const QScrollBar *bar = table->verticalScrollBar();
    return {log.size(), log.dropped(), log.accountedBytes(), table->model()->rowCount(),
            bar->value() >= bar->maximum()};
}

constexpr long budgetKb = long(TrafficLog::defaultMaxBytes / 1024);

void printRate(const Figures &f)
{
    std::printf("  processed:   %lld bytes in %.3f s = %.1f KB/s = %.1f x the line rate of %d "
                "baud (%.1f KB/s)\n",
                f.bytes, f.seconds, f.rate() / 1000, f.rate() / lineRate, fastestBaudRate,
                lineRate / 1000);
    if (f.cutShort)
        std::printf("               STOPPED after %d s with %lld of the %lld bytes taken\n",
                    passLimitMs / 1000, f.bytes, f.offered);
    std::printf("               %d reads of %.0f bytes on average, %.0f reads per second\n",
                f.chunks, double(f.bytes) / f.chunks, f.readRate());
}

void printGap(const Figures &f)
{
    std::printf("  event loop:  longest gap of a %d ms timer %.1f ms (target at most %.0f ms)\n",
                tickMs, f.longestGapMs, longestGapAllowedMs);
}

void printRss(const Figures &f)
{
    QStringList quarters;
    for (int i = 1; i < f.rssKb.size(); ++i)
        quarters << QString::number(f.rssKb[i] / 1024.0, 'f', 1);
    const QString reached = quarters.isEmpty()
                                ? QStringLiteral("no quarter reached")
                                : quarters.join(QStringLiteral(" / ")) +
                                      QStringLiteral(" MB after each quarter reached");
    std::printf("  memory:      RSS %.1f MB at the start, %s,\n"
                "               %.1f MB at the end (%+.1f MB); peak (ru_maxrss) %.1f MB\n",
                f.rssKb.value(0) / 1024.0, qPrintable(reached), f.endRssKb / 1024.0,
                f.growthKb() / 1024.0, peakRssKb() / 1024.0);
}

// True when the pass added records past the bound and the log kept it.
bool printLog(const LogState &before, const LogState &after)
{
    std::printf("  traffic log: %d records, %.1f MB accounted (bounds %d records, %lld MB: %s);\n"
                "               %lld dropped during the pass, %lld in all\n",
                after.records, after.accountedBytes / 1048576.0, TrafficLog::defaultMaxRecords,
                TrafficLog::defaultMaxBytes >> 20, after.withinBounds() ? "kept" : "EXCEEDED",
                after.dropped - before.dropped, after.dropped);
    std::printf("  Traffic window: %d rows, %s\n", after.tableRows,
                after.following ? "following the newest" : "NOT at the newest row");
    return after.withinBounds() && after.dropped > before.dropped && after.following &&
           after.tableRows == after.records;
}

bool printGrowth(long growthKb)
{
    const bool met = growthKb <= budgetKb;
    std::printf("               RSS grew %.1f MB over the pass (target at most the log's %ld "
                "MB)\n",
                growthKb / 1024.0, budgetKb / 1024);
    return met;
}

bool verdict(bool met)
{
    std::printf("  %s\n", met ? "targets met" : "TARGETS MISSED");
    std::fflush(stdout);
    return met;
}

// What a flood pass sends, below its title.
void printFloodWords(const Figures &f)
{
    std::printf("  %.2f MB of replies (touch reports, pongs, values, open results, version text)\n"
                "  written into a pseudo-terminal in %d-byte writes as fast as it takes them,\n"
                "  read by the real window (offscreen)\n",
                f.offered / 1048576.0, writeSize);
}

bool printPausedFlood(const Figures &f)
{
    std::printf("Reply flood, recorder paused (the reference):\n");
    printFloodWords(f);
    printRate(f);
    std::printf("               target at least %.1f KB/s, the line rate\n", lineRate / 1000);
    printGap(f);
    printRss(f);
    std::printf("               %s (target: no growth past the middle beyond %ld MB)\n",
                f.flat() ? "flat" : "GROWING", flatSlackKb / 1024);
    std::printf("  log pane:    %d lines at the end (cleared past 255)\n", f.logLines);
    return verdict(!f.cutShort && f.rate() >= lineRate && f.longestGapMs <= longestGapAllowedMs &&
                   f.flat());
}

bool printPausedOneByOne(const Figures &f)
{
    std::printf("One reply per read, recorder paused (the reference): %lld KB of the same\n"
                "replies, each written once the window has read the one before (the\n"
                "pseudo-terminal's round trip included)\n",
                f.offered / 1024);
    printRate(f);
    printGap(f);
    return verdict(f.longestGapMs <= longestGapAllowedMs);
}

bool printFilling(const Filling &filling, const LogState &s)
{
    std::printf("Filling the log, recorder on: %d replies handed to the recorder one by one,\n"
                "as the reader hands it each read, the Traffic window closed; then View -> "
                "Traffic,\nits scroll bar to the end, and %d more with the window open and "
                "following\n",
                TrafficLog::defaultMaxRecords, recordsPastBound);
    std::printf("  time:        %.3f s, %.0f records per second up to the bound; past it, with\n"
                "               the window open, %.3f s, %.0f records per second (not painted)\n",
                filling.seconds, TrafficLog::defaultMaxRecords / filling.seconds,
                filling.pastBoundSeconds, recordsPastBound / filling.pastBoundSeconds);
    std::printf("  Traffic window: opened at %s\n",
                filling.openedAtNewest ? "the newest row" : "the oldest row, not following");
    std::printf("  traffic log: %d records, %.1f MB accounted, %lld dropped\n", s.records,
                s.accountedBytes / 1048576.0, s.dropped);
    const bool grew = printGrowth(filling.growthKb);
    return verdict(grew && s.withinBounds() && s.dropped > 0 && s.following);
}

bool printRecordedFlood(const Figures &f, const Figures &reference, const LogState &before,
                        const LogState &after)
{
    std::printf("Reply flood, recorder on, the Traffic window open and following, the log at its\n"
                "bound, the same replies:\n");
    printFloodWords(f);
    printRate(f);
    std::printf("               target at least %.1f KB/s, %.0f x the line rate; %.3f x the "
                "paused reference's rate\n",
                lineRate * recordedRateFactor / 1000, recordedRateFactor,
                f.rate() / reference.rate());
    printGap(f);
    printRss(f);
    const bool logMet = printLog(before, after);
    const bool grew = printGrowth(f.growthKb());
    return verdict(!f.cutShort && f.rate() >= lineRate * recordedRateFactor &&
                   f.longestGapMs <= longestGapAllowedMs && logMet && grew);
}

bool printRecordedOneByOne(const Figures &f, const Figures &reference, const LogState &before,
                           const LogState &after)
{
    std::printf("One reply per read, recorder on, the Traffic window open and following, the log\n"
                "at its bound: the same replies, each written once the window has read the one "
                "before\n");
    printRate(f);
    std::printf("               %.3f x the paused reference's reads per second\n",
                f.readRate() / reference.readRate());
    printGap(f);
    const bool logMet = printLog(before, after);
    return verdict(f.longestGapMs <= longestGapAllowedMs && logMet);
}

} // namespace

int main(int argc, char *argv[])
{
    preferOffscreen();
    QApplication application(argc, argv);
    silenceDebugOutput();
    const Clock::time_point started = Clock::now();
    Pty pty;
    MainWindow window;
    countReads(windowLink(window));
    window.show();
    QApplication::processEvents();
    openPortInWindow(window, pty.slavePath(), fastestBaudRate);
    auto *recorder = window.findChild<TrafficRecorder *>();
    if (!recorder)
        qFatal("the window has no traffic recorder");

    recorder->setPaused(true);
    const Figures pausedFlood = flood(window, pty.master());
    bool met = printPausedFlood(pausedFlood);
    const Figures pausedPaced = oneByOne(window, pty.master());
    met = printPausedOneByOne(pausedPaced) && met;

    recorder->setPaused(false);
    const Filling filling = fillToBound(window, *recorder);
    const TrafficWindow *traffic = window.findChild<TrafficWindow *>();
    const LogState full = logState(*recorder, *traffic);
    met = printFilling(filling, full) && met;

    const Figures recordedFlood = flood(window, pty.master());
    const LogState afterFlood = logState(*recorder, *traffic);
    met = printRecordedFlood(recordedFlood, pausedFlood, full, afterFlood) && met;
    const Figures recordedPaced = oneByOne(window, pty.master());
    met = printRecordedOneByOne(recordedPaced, pausedPaced, afterFlood,
                                logState(*recorder, *traffic)) &&
          met;
    std::printf("Whole benchmark: %.1f s\n", secondsBetween(started, Clock::now()));
    return met ? 0 : 1;
}
