#include <QDir>
#include <QElapsedTimer>
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

private slots:
    void init();
    void cleanup();
    void answersOnItsLineAcrossSessions();
    void standardInputCommands();
    void linkAndSnapshotOnExit();

private:
    void startSimulator();
    bool openPort(QSerialPort &port);
    QByteArray exchange(QSerialPort &port, const QByteArray &command, int expected);
    QString linkPath() const;
    qint64 cpuTicks() const;

    std::unique_ptr<QTemporaryDir> scratch;
    std::unique_ptr<QProcess> simulator;
    QString devicePath;
};

void TestSimProcess::init()
{
    scratch = std::make_unique<QTemporaryDir>();
    QVERIFY(scratch->isValid());
    QVERIFY(QDir().mkpath(scratch->filePath("run")));
    QVERIFY(QDir().mkpath(scratch->filePath("card")));
}

void TestSimProcess::cleanup()
{
    if (simulator && simulator->state() != QProcess::NotRunning) {
        simulator->kill();
        simulator->waitForFinished(3000);
    }
    simulator.reset();
}

void TestSimProcess::startSimulator()
{
    simulator = std::make_unique<QProcess>();
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("XDG_RUNTIME_DIR", scratch->filePath("run"));
    simulator->setProcessEnvironment(environment);
    simulator->setProcessChannelMode(QProcess::ForwardedErrorChannel);
    simulator->start(VEXELSIM_PATH, {"--card", scratch->filePath("card"), "--snapshot",
                                     scratch->filePath("snap.png")});
    QVERIFY(simulator->waitForStarted(5000));
    QElapsedTimer clock;
    clock.start();
    while (!simulator->canReadLine() && clock.elapsed() < 5000)
        simulator->waitForReadyRead(100);
    devicePath = QString::fromLocal8Bit(simulator->readLine()).trimmed();
    QVERIFY2(devicePath.startsWith("/dev/"), qPrintable(devicePath));
}

bool TestSimProcess::openPort(QSerialPort &port)
{
    port.setPortName(devicePath);
    port.setBaudRate(115200);
    return port.open(QIODevice::ReadWrite);
}

QByteArray TestSimProcess::exchange(QSerialPort &port, const QByteArray &command, int expected)
{
    port.write(command);
    port.waitForBytesWritten(1000);
    QByteArray answer;
    QElapsedTimer clock;
    clock.start();
    while (answer.size() < expected && clock.elapsed() < 3000) {
        port.waitForReadyRead(50);
        answer += port.readAll();
    }
    return answer;
}

QString TestSimProcess::linkPath() const
{
    return scratch->filePath("run/vexelsim/vexelsim-%1").arg(simulator->processId());
}

qint64 TestSimProcess::cpuTicks() const
{
    QFile stat(QString("/proc/%1/stat").arg(simulator->processId()));
    if (!stat.open(QIODevice::ReadOnly))
        return -1;
    // Fields after the parenthesised name: utime and stime are the 12th and 13th.
    const QList<QByteArray> fields = stat.readAll().split(')').last().trimmed().split(' ');
    return fields.at(11).toLongLong() + fields.at(12).toLongLong();
}

void TestSimProcess::answersOnItsLineAcrossSessions()
{
    startSimulator();
    QSerialPort port;
    QVERIFY(openPort(port));
    QVERIFY(exchange(port, QByteArray::fromHex("81"), 23).startsWith("Vexel900 simulator"));
    const QByteArray write =
        QByteArray::fromHex("76014C4F472E54585400770170110100") + QByteArray(70000, 'v');
    QCOMPARE(exchange(port, write, 4), QByteArray::fromHex("3F013F01"));
    QCOMPARE(QFileInfo(scratch->filePath("card/LOG.TXT")).size(), 70000);
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

void TestSimProcess::standardInputCommands()
{
    startSimulator();
    QSerialPort port;
    QVERIFY(openPort(port));
    simulator->write("touch 261 144\n");
    QVERIFY(simulator->waitForBytesWritten(1000));
    QCOMPARE(exchange(port, {}, 6), QByteArray::fromHex("8105027F1001"));

    const QString shot = scratch->filePath("asked.png");
    simulator->write(QString("snapshot %1\n").arg(shot).toLocal8Bit());
    QVERIFY(simulator->waitForBytesWritten(1000));
    QTRY_VERIFY(QFile::exists(shot));
    QCOMPARE(QImage(shot).size(), QSize(320, 240));

    // SIGUSR1 snapshots to the --snapshot file.
    exchange(port, QByteArray::fromHex("841F0021"), 0);
    ::kill(pid_t(simulator->processId()), SIGUSR1);
    QTRY_VERIFY(QFile::exists(scratch->filePath("snap.png")));
    QTRY_COMPARE(QImage(scratch->filePath("snap.png")).pixel(100, 100), qRgb(0, 0, 255));

    simulator->write("quit\n");
    QVERIFY(simulator->waitForBytesWritten(1000));
    QVERIFY(simulator->waitForFinished(3000));
    QCOMPARE(simulator->exitCode(), 0);
}

void TestSimProcess::linkAndSnapshotOnExit()
{
    // Left behind by a simulator that was killed: its process is gone.
    QProcess gone;
    gone.start("true", QStringList());
    QVERIFY(gone.waitForStarted());
    const qint64 gonePid = gone.processId();
    QVERIFY(gone.waitForFinished());
    QVERIFY(QDir().mkpath(scratch->filePath("run/vexelsim")));
    const QString stale = scratch->filePath("run/vexelsim/vexelsim-%1").arg(gonePid);
    QVERIFY(QFile::link("/dev/null", stale));
    QVERIFY(QFile::link("/dev/null", scratch->filePath("run/vexelsim/vexelsim-1")));

    startSimulator();
    QCOMPARE(QFileInfo(linkPath()).symLinkTarget(), devicePath);
    QVERIFY(!QFileInfo(stale).isSymLink());
    QVERIFY(QFileInfo(scratch->filePath("run/vexelsim/vexelsim-1")).isSymLink()); // alive

    const QString link = linkPath();
    simulator->terminate();
    QVERIFY(simulator->waitForFinished(3000));
    QCOMPARE(simulator->exitStatus(), QProcess::NormalExit);
    QVERIFY(!QFileInfo(link).isSymLink());
    QVERIFY(QFile::exists(scratch->filePath("snap.png")));
}

QTEST_GUILESS_MAIN(TestSimProcess)
#include "tst_simprocess.moc"
