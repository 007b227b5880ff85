// Streams a 64 MB file to the card through the real window (the
// SD_FILE_WRITE button, its file dialog answered as a user would) into a
// pseudo-terminal drained by a reader thread, beside `cat FILE > pty`
// drained the same way, and checks that every byte arrived in order.
#include "benchsupport.h"
#include "commands/frames.h"
#include "filedialogs.h"
#include "ui/mainwindow.h"
#include "windowsupport.h"

#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QProcess>
#include <QPushButton>
#include <QSpinBox>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QThread>

#include <cstdio>

namespace {

constexpr qint64 megabyte = 1024 * 1024;
constexpr qint64 fileSize = 64 * megabyte;
constexpr int rounds = 3;
constexpr double ratioAllowed = 1.5;
constexpr double memoryFactorAllowed = 2.5;
constexpr int drainTimeoutMs = 300000; // a stuck transfer ends the run

struct OutgoingData
{
    QString path;
    uint64_t hash = 0;
};

// Every megabyte differs from the others, so a lost or repeated block shows.
OutgoingData makeFile(const QTemporaryDir &dir)
{
    OutgoingData data{dir.filePath(QStringLiteral("card.bin")), 0};
    QFile file(data.path);
    if (!file.open(QIODevice::WriteOnly))
        qFatal("cannot write %s", qPrintable(data.path));
    StreamHash hash;
    QByteArray block(int(megabyte), Qt::Uninitialized);
    for (int m = 0; m < fileSize / megabyte; ++m) {
        for (int i = 0; i < block.size(); ++i)
            block[i] = char(i * 131 + m * 7 + (i >> 12));
        hash.add(block.constData(), size_t(block.size()));
        file.write(block);
    }
    data.hash = hash.value();
    return data;
}

Run catRun(const OutgoingData &data)
{
    Pty pty;
    Drain drain(pty.master(), fileSize);
    QProcess cat;
    cat.setStandardOutputFile(pty.slavePath());
    const Clock::time_point started = Clock::now();
    cat.start(QStringLiteral("cat"), {data.path});
    if (!cat.waitForFinished(drainTimeoutMs) || cat.exitCode() != 0)
        qFatal("cat failed");
    waitFor(drain, drainTimeoutMs);
    return {secondsBetween(started, drain.completedAt()),
            drain.received() == fileSize && drain.bodyHash() == data.hash};
}

// The clock starts once the file dialog is answered: from there on it is
// the bench's own work, from opening the file to the last byte drained.
Run benchRun(MainWindow &window, const OutgoingData &data)
{
    Pty pty;
    const QByteArray head = commandFrame(
        Command::SdFileWrite, {widget<QSpinBox>(window, "sdFileNumber")->value(), fileSize});
    Drain drain(pty.master(), head.size() + fileSize, head.size());
    openPortInWindow(window, pty.slavePath());

    Clock::time_point started;
    chooseFile(data.path, [&started] { started = Clock::now(); });
    widget<QPushButton>(window, "SD_FILE_WRITE")->click();
    waitFor(drain, drainTimeoutMs);
    QElapsedTimer clock;
    clock.start();
    while (!window.statusBar()->currentMessage().startsWith(QLatin1String("Sent")) &&
           clock.elapsed() < 10000)
        QApplication::processEvents(QEventLoop::AllEvents, 10);
    const bool reported = window.statusBar()->currentMessage().startsWith(QLatin1String("Sent"));
    widget<QPushButton>(window, "serialClose")->click();
    auto *ports = widget<QComboBox>(window, "serialPortList");
    ports->removeItem(ports->count() - 1);
    return {secondsBetween(started, drain.completedAt()),
            reported && drain.head() == head && drain.received() == head.size() + fileSize &&
                drain.bodyHash() == data.hash};
}

} // namespace

int main(int argc, char *argv[])
{
    preferOffscreen();
    QApplication application(argc, argv);
    silenceDebugOutput();
    QTemporaryDir dir;
    const OutgoingData data = makeFile(dir);
    MainWindow window;
    window.show();
    QApplication::processEvents();
    const long rssBefore = currentRssKb();

    catRun(data); // both start from the file in the page cache
    QVector<Run> cats, benches;
    for (int round = 0; round < rounds; ++round) {
        cats.append(catRun(data));
        benches.append(benchRun(window, data));
    }
    const double cat = median(secondsOf(cats));
    const double bench = median(secondsOf(benches));
    const double peakMb = peakRssKb() / 1024.0;
    const double limitMb = memoryFactorAllowed * fileSize / megabyte;
    const bool intact = allIntact(cats) && allIntact(benches);

    std::printf("SD_FILE_WRITE: a %lld MB file through the real window (offscreen) into a\n"
                "pseudo-terminal drained by a reader thread, beside `cat FILE > pty` drained\n"
                "the same way; median of %d runs each, in turn\n",
                fileSize / megabyte, rounds);
    std::printf("  cat:         %.3f s = %.1f MB/s\n", cat, fileSize / megabyte / cat);
    std::printf("  bench:       %.3f s = %.1f MB/s, %.2f x cat (target at most %.1f)\n", bench,
                fileSize / megabyte / bench, bench / cat, ratioAllowed);
    std::printf(
        "  memory:      RSS %.1f MB with the window open, peak (ru_maxrss) %.1f MB = %.2f x "
        "the file (target under %.1f MB)\n",
        rssBefore / 1024.0, peakMb, peakMb * megabyte / fileSize, limitMb);
    std::printf("  bytes:       %s\n", intact ? "every run delivered the head and the file intact"
                                              : "SOME RUN LOST OR ALTERED BYTES");
    const bool met = intact && bench <= ratioAllowed * cat && peakMb < limitMb;
    std::printf("  %s\n", met ? "targets met" : "TARGETS MISSED");
    return met ? 0 : 1;
}
