// A full traffic log of 100,000 records, as a long drawing session leaves
// it, saved as a capture and opened again in the Traffic window, each against
// an absolute target. `cat` and `sync` of a file of the same size are timed
// beside the save for scale. Run by scripts/bench.sh, not a test.
#include "benchassets.h"
#include "benchsupport.h"
#include "commands/frames.h"
#include "traffic/pcapng.h"
#include "traffic/trafficdecoder.h"
#include "traffic/trafficrecorder.h"
#include "ui/trafficwindow.h"

#include <QApplication>
#include <QBuffer>
#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QPixmap>
#include <QTableView>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest/QTest>

#include <algorithm>
#include <cstdio>
#include <functional>

namespace {

constexpr int records = TrafficLog::defaultMaxRecords;
constexpr int saveRuns = 5;
constexpr int openRuns = 3;
constexpr double saveTargetSeconds = 0.5;
constexpr double openTargetSeconds = 1.0;

// A drawing session: the bench sends short frames, the module reports
// touches, answers pings and tells a file's size, every few hundred µs.
class Session
{
public:
    TrafficLog log(int count)
    {
        TrafficLog kept;
        kept.setStartWallMicros(QDateTime::currentMSecsSinceEpoch() * 1000);
        while (kept.size() < count) {
            for (const TrafficRecord &record : step()) {
                if (kept.size() < count)
                    kept.append(decoded(record));
            }
        }
        return kept;
    }

private:
    quint32 next(quint32 range)
    {
        seed = seed * 1664525u + 1013904223u;
        return (seed >> 8) % range;
    }

    TrafficRecord record(Direction direction, const QByteArray &bytes)
    {
        micros += 100 + next(900);
        return {direction, micros, bytes};
    }

    QByteArray drawing()
    {
        const qint64 x = next(320), y = next(240), size = 1 + next(60);
        switch (next(8)) {
        case 0:
            return commandFrame(Command::SetXHY, {x, y});
        case 1:
            return commandFrame(Command::SetColorH, {next(0x10000)});
        case 2:
            return commandFrame(Command::BoxHFill, {size, size});
        case 3:
            return commandFrame(Command::BoxH, {size, size});
        case 4:
            return commandFrame(Command::CircleRH, {size});
        case 5:
            return commandFrame(Command::LineToXHY, {x, y});
        case 6:
            return commandFrame(Command::ButtonState, {next(8), next(2)});
        default:
            return commandFrame(Command::Cls);
        }
    }

    QByteArray touchReport()
    {
        const int x = int(next(320)), y = int(next(240));
        const char bytes[] = {char(0x81), char(x & 0x7F), char(x >> 7),
                              0x7F,       char(y & 0x7F), char(y >> 7)};
        return QByteArray(bytes, sizeof bytes);
    }

    // Five drawing frames, three touches, a ping and a size query in ten steps.
    QVector<TrafficRecord> step()
    {
        const quint32 kind = next(10);
        if (kind < 5)
            return {record(Direction::Sent, drawing())};
        if (kind < 8)
            return {record(Direction::Received, touchReport())};
        if (kind == 8)
            return {record(Direction::Sent, commandFrame(Command::Ping)),
                    record(Direction::Received, QByteArray("8"))};
        return {record(Direction::Sent, commandFrame(Command::SdFileGetSize, {1})),
                record(Direction::Received, QByteArray("=\x10\x27\x00\x00", 5))};
    }

    TrafficEntry decoded(const TrafficRecord &record)
    {
        const Decoded meaning = decoder.decode(record);
        return {record, meaning.meaning, meaning.latencyMicros};
    }

    TrafficDecoder decoder;
    quint32 seed = 7;
    qint64 micros = 0;
};

struct LogFigures
{
    int sent = 0;
    double averageBytes = 0;
    double meaningShare = 0; // of the records with a meaning other than "unrecognised"
};

LogFigures describe(const TrafficLog &log)
{
    qint64 bytes = 0;
    int meant = 0;
    for (int i = 0; i < log.size(); ++i) {
        bytes += log.at(i).record.bytes.size();
        meant += log.at(i).meaning.startsWith(QLatin1String("unrecognised")) ? 0 : 1;
    }
    return {log.sentCount(), double(bytes) / log.size(), double(meant) / log.size()};
}

// Whether the capture holds the log's records, byte for byte, in order.
bool holdsLog(const QString &path, const TrafficLog &log)
{
    const CaptureReading reading = readCaptureFile(path);
    if (!reading.error.isEmpty() || reading.records.size() != log.size())
        return false;
    for (int i = 0; i < log.size(); ++i) {
        const TrafficRecord &saved = reading.records.at(i);
        const TrafficRecord &kept = log.at(i).record;
        if (saved.bytes != kept.bytes || saved.direction != kept.direction ||
            saved.micros + reading.startWallMicros != kept.micros + log.startWallMicros())
            return false;
    }
    return true;
}

struct SaveFigures
{
    QVector<double> seconds;
    QVector<double> catSync;
    QVector<double> inMemory; // the same capture written into a buffer
    qint64 fileBytes = 0;
    bool intact = false;
};

// What writing the blocks costs without a file: the records copied out of
// the log beforehand, the capture written into memory.
double inMemorySeconds(const TrafficLog &log)
{
    QVector<TrafficRecord> copied;
    copied.reserve(log.size());
    for (int i = 0; i < log.size(); ++i)
        copied.append(log.at(i).record);
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    return secondsOf([&] { writeCapture(buffer, copied, log.startWallMicros()); });
}

// Each run starts with nothing left to write back, as the file benchmarks do.
SaveFigures timeSaves(const TrafficLog &log, const QTemporaryDir &dir)
{
    const QString path = dir.filePath(QStringLiteral("session.pcapng"));
    const QString copy = dir.filePath(QStringLiteral("copy.pcapng"));
    SaveFigures figures;
    ::saveCapture(path, log); // fills the caches; not counted
    for (int run = 0; run < saveRuns; ++run) {
        QFile::remove(path);
        settleDisk();
        QString error;
        figures.seconds << secondsOf([&] { error = ::saveCapture(path, log); });
        if (!error.isEmpty())
            qFatal("%s", qPrintable(error));
        QFile::remove(copy);
        settleDisk();
        figures.catSync << shellSeconds(QStringLiteral("cat \"$1\" > \"$2\"; sync \"$2\""),
                                        {path, copy});
        figures.inMemory << inMemorySeconds(log);
    }
    figures.fileBytes = QFileInfo(path).size();
    figures.intact = holdsLog(path, log);
    return figures;
}

// Runs the event loop until everything already posted has been handled.
void settleEvents()
{
    QEventLoop loop;
    QTimer::singleShot(0, &loop, &QEventLoop::quit);
    loop.exec();
}

struct OpenFigures
{
    QVector<double> seconds;
    int rows = 0;
    bool painted = false;
    QString counts;
};

// From openCapture() until the window has laid the table out and painted it.
OpenFigures timeOpens(const QString &path)
{
    OpenFigures figures;
    for (int run = 0; run < openRuns; ++run) {
        TrafficRecorder recorder;
        TrafficWindow window(&recorder);
        window.show();
        if (!QTest::qWaitForWindowExposed(&window))
            qFatal("the Traffic window was never shown");
        settleEvents();
        const auto *table = window.findChild<QTableView *>(QStringLiteral("trafficTable"));
        QPixmap shot;
        figures.seconds << secondsOf([&] {
            window.openCapture(path);
            settleEvents();
            shot = window.grab();
        });
        figures.rows = table->model()->rowCount();
        figures.painted = !shot.isNull() && table->indexAt(QPoint(4, 4)).isValid();
        figures.counts = window.findChild<QLabel *>(QStringLiteral("trafficCounts"))->text();
    }
    return figures;
}

// The bench's own look, when the run folder has its style sheet.
void useBenchStyle()
{
    QFile sheet(QStringLiteral("style.qss"));
    if (sheet.open(QIODevice::ReadOnly))
        qApp->setStyleSheet(QString::fromLatin1(sheet.readAll().split('\0').first()));
}

bool printSave(const SaveFigures &f, const LogFigures &log)
{
    const double seconds = median(f.seconds);
    const double reference = median(f.catSync);
    std::printf("Saving a capture: %d records (%d sent, %.1f bytes each on average, %.0f %% with\n"
                "a decoded meaning) with saveCapture, synced as it saves, %.1f MB file\n",
                records, log.sent, log.averageBytes, log.meaningShare * 100,
                f.fileBytes / 1048576.0);
    std::printf("  save:        %.3f s (median of %d; %.3f to %.3f), target under %.1f s\n",
                seconds, saveRuns, *std::min_element(f.seconds.begin(), f.seconds.end()),
                *std::max_element(f.seconds.begin(), f.seconds.end()), saveTargetSeconds);
    std::printf("  for scale:   cat of the saved file into another and sync of it %.3f s "
                "(median of %d): save is %.2f x\n",
                reference, saveRuns, seconds / reference);
    std::printf("               the same capture written into memory %.3f s (median of %d)\n",
                median(f.inMemory), saveRuns);
    std::printf("  read back:   %s\n",
                f.intact ? "every record, byte for byte" : "RECORDS DIFFER FROM THE LOG");
    const bool met = seconds < saveTargetSeconds && f.intact;
    std::printf("  %s\n", met ? "targets met" : "TARGETS MISSED");
    return met;
}

bool printOpen(const OpenFigures &f)
{
    const double seconds = median(f.seconds);
    std::printf("Opening a capture: the same file with TrafficWindow::openCapture, until the\n"
                "table is laid out and painted (offscreen)\n");
    std::printf("  open:        %.3f s (median of %d; %.3f to %.3f), target under %.1f s\n",
                seconds, openRuns, *std::min_element(f.seconds.begin(), f.seconds.end()),
                *std::max_element(f.seconds.begin(), f.seconds.end()), openTargetSeconds);
    std::printf("  shown:       %d rows, %s; \"%s\"\n", f.rows,
                f.painted ? "painted" : "NOT PAINTED", qPrintable(f.counts));
    const bool met = seconds < openTargetSeconds && f.rows == records && f.painted;
    std::printf("  %s\n", met ? "targets met" : "TARGETS MISSED");
    return met;
}

} // namespace

int main(int argc, char *argv[])
{
    preferOffscreen();
    QApplication application(argc, argv);
    silenceDebugOutput();
    useBenchStyle();
    QTemporaryDir dir;
    if (!dir.isValid())
        qFatal("no temporary folder");

    const TrafficLog log = Session().log(records);
    const SaveFigures saved = timeSaves(log, dir);
    const bool saveMet = printSave(saved, describe(log));
    std::fflush(stdout);
    const bool openMet = printOpen(timeOpens(dir.filePath(QStringLiteral("session.pcapng"))));
    return saveMet && openMet ? 0 : 1;
}
