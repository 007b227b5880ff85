#include "simulatorprocess.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QProcess>
#include <QSerialPort>
#include <QTemporaryDir>
#include <QtTest>

#include <csignal>
#include <unistd.h>

// The built simulator as the bench meets it: a separate process at the far
// end of a real pseudo-terminal, found through its runtime link.
class TestSimProcess : public QObject
{
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> scratch;
    std::unique_ptr<QProcess> simulator;
    QString devicePath;

    QString runPath(const QString &name) const { return scratch->filePath("run/vexelsim/" + name); }

    void startSimulator()
    {
        simulator = launchSimulator(
            scratch->filePath("run"),
            {"--card", scratch->filePath("card"), "--snapshot", scratch->filePath("snap.png")});
        QVERIFY(simulator->waitForStarted(5000));
        devicePath = nextDevice(*simulator);
        QVERIFY2(devicePath.startsWith("/dev/"), qPrintable(devicePath));
    }

    bool openPort(QSerialPort &port) const
    {
        port.setPortName(devicePath);
        port.setBaudRate(115200);
        return port.open(QIODevice::ReadWrite);
    }

    qint64 cpuTicks() const
    {
        QFile stat(QString("/proc/%1/stat").arg(simulator->processId()));
        if (!stat.open(QIODevice::ReadOnly))
            return -1;
        // Fields after the parenthesised name: utime and stime are the 12th and 13th.
        const QList<QByteArray> fields = stat.readAll().split(')').last().trimmed().split(' ');
        return fields.at(11).toLongLong() + fields.at(12).toLongLong();
    }

private slots:
    void init()
    {
        scratch = std::make_unique<QTemporaryDir>();
        QVERIFY(scratch->isValid());
        QVERIFY(QDir().mkpath(scratch->filePath("run/vexelsim")));
        QVERIFY(QDir().mkpath(scratch->filePath("card")));
    }

    void cleanup()
    {
        if (simulator && simulator->state() != QProcess::NotRunning) {
            simulator->kill();
            simulator->waitForFinished(3000);
        }
        simulator.reset();
    }

    void answersOnItsLineAcrossSessions()
    {
        startSimulator();
        QSerialPort port;
        QVERIFY(openPort(port));
        QVERIFY(exchange(port, QByteArray::fromHex("81"), 23).startsWith("Vexel900 simulator"));
        // The bench closes and opens the port again: the line stays usable.
        for (int session = 0; session < 3; ++session) {
            port.close();
            QVERIFY(openPort(port));
            QCOMPARE(exchange(port, QByteArray::fromHex("83"), 1), QByteArray("8"));
        }
        // Nobody on the line and input at its end: nothing to do, so no CPU use.
        port.close();
        simulator->closeWriteChannel();
        const qint64 before = cpuTicks();
        QTest::qWait(1000);
        QCOMPARE(simulator->state(), QProcess::Running);
        QVERIFY2(cpuTicks() - before < 20, "the simulator is busy while idle");
    }

    void linkLivesAsLongAsTheSimulator_data()
    {
        QTest::addColumn<int>("signal"); // 0: "quit" on standard input
        QTest::newRow("quit") << 0;
        QTest::newRow("SIGTERM") << int(SIGTERM);
        QTest::newRow("SIGINT") << int(SIGINT);
        QTest::newRow("SIGHUP") << int(SIGHUP);
    }

    void linkLivesAsLongAsTheSimulator()
    {
        QFETCH(int, signal);
        // Left behind by a simulator that was killed: its process is gone.
        QProcess gone;
        gone.start("true", QStringList());
        QVERIFY(gone.waitForStarted());
        const QString stale = runPath("vexelsim-%1").arg(gone.processId());
        QVERIFY(gone.waitForFinished());
        QVERIFY(QFile::link("/dev/null", stale));
        QVERIFY(QFile::link("/dev/null", runPath("vexelsim-1"))); // alive

        startSimulator();
        const QString link = runPath("vexelsim-%1").arg(simulator->processId());
        QCOMPARE(QFileInfo(link).symLinkTarget(), devicePath);
        QVERIFY(!QFileInfo(stale).isSymLink());
        QVERIFY(QFileInfo(runPath("vexelsim-1")).isSymLink());

        // SIGUSR1 snapshots to the --snapshot file, and so does the end.
        QSerialPort port;
        QVERIFY(openPort(port));
        exchange(port, QByteArray::fromHex("841F0021"), 0);
        ::kill(pid_t(simulator->processId()), SIGUSR1);
        QTRY_COMPARE(QImage(scratch->filePath("snap.png")).size(), QSize(320, 240));
        QCOMPARE(QImage(scratch->filePath("snap.png")).pixel(100, 100), qRgb(0, 0, 255));
        QVERIFY(QFile::remove(scratch->filePath("snap.png")));

        if (signal)
            ::kill(pid_t(simulator->processId()), signal);
        else
            simulator->write("quit\n");
        QVERIFY(simulator->waitForFinished(3000));
        QCOMPARE(simulator->exitStatus(), QProcess::NormalExit);
        QCOMPARE(simulator->exitCode(), 0);
        QVERIFY(!QFileInfo(link).isSymLink());
        QCOMPARE(QImage(scratch->filePath("snap.png")).size(), QSize(320, 240));
    }
};

QTEST_GUILESS_MAIN(TestSimProcess)
#include "tst_simprocess.moc"
