#include "simulatorprocess.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QSerialPort>
#include <QTemporaryDir>
#include <QtTest>

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <functional>
#include <poll.h>
#include <unistd.h>

namespace {

const QByteArray ping = QByteArray::fromHex("83");
const QByteArray extendedMode = QByteArray::fromHex("fb");
const QByteArray showSettings = QByteArray::fromHex("fe");
const QByteArray serialOrReset = QByteArray::fromHex("fd"); // Get Serial and Reset Vexel
const QByteArray serialNumber = QByteArray::fromHex("5658393030000001");

// A descriptor held on the line the way a bench holds its port open.
class HeldLine
{
public:
    explicit HeldLine(const QString &path)
        : fd(::open(QFile::encodeName(path).constData(), O_RDWR | O_NOCTTY | O_NONBLOCK))
    {
    }
    ~HeldLine()
    {
        if (fd >= 0)
            ::close(fd);
    }
    bool isOpen() const { return fd >= 0; }

    QByteArray exchange(const QByteArray &command, int expected)
    {
        return exchangeUntil(
            command, [expected](const QByteArray &answer) { return answer.size() >= expected; });
    }

    QByteArray settings()
    {
        return exchangeUntil(showSettings,
                             [](const QByteArray &answer) { return answer.endsWith('\0'); });
    }

    // As an unplugged adapter: the poll reports a hang-up, and a read finds
    // the end or an error rather than "try again".
    bool hangsUpWithin(int timeoutMs)
    {
        pollfd watch{fd, POLLIN, 0};
        if (::poll(&watch, 1, timeoutMs) <= 0 || !(watch.revents & POLLHUP))
            return false;
        char byte;
        return ::read(fd, &byte, 1) <= 0 && errno != EAGAIN;
    }

private:
    QByteArray exchangeUntil(const QByteArray &command,
                             const std::function<bool(const QByteArray &)> &complete)
    {
        if (::write(fd, command.constData(), size_t(command.size())) != command.size())
            return {};
        QByteArray answer;
        QElapsedTimer clock;
        clock.start();
        while (!complete(answer) && clock.elapsed() < 3000) {
            pollfd watch{fd, POLLIN, 0};
            if (::poll(&watch, 1, 50) > 0 && (watch.revents & POLLIN)) {
                char buffer[512];
                const ssize_t count = ::read(fd, buffer, sizeof buffer);
                if (count <= 0)
                    break;
                answer.append(buffer, int(count));
            }
        }
        return answer;
    }

    int fd;
};

} // namespace

// Replugging the built simulator's line: the bench's port hangs up, a new
// device takes its place under another name, and the links follow it.
class TestSimReplug : public QObject
{
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> scratch;
    std::unique_ptr<QProcess> simulator;
    QString firstDevice;
    QByteArray errors; // standard error so far, when kept

    bool errorsMention(const QByteArray &text, int times)
    {
        errors += simulator->readAllStandardError();
        return errors.count(text) >= times;
    }

    QString linkPath() const { return scratch->filePath("vexel"); }
    QString runtimeLink() const
    {
        return scratch->filePath("run/vexelsim/vexelsim-%1").arg(simulator->processId());
    }

    void start(const QStringList &arguments, bool keepErrors = false)
    {
        simulator = launchSimulator(scratch->filePath("run"),
                                    QStringList{"--card", scratch->path()} + arguments, keepErrors);
        QVERIFY(simulator->waitForStarted(5000));
    }

    // With --link, both links checked.
    void startWithLine(const QStringList &arguments = {}, bool keepErrors = false)
    {
        start(QStringList{"--link", linkPath()} + arguments, keepErrors);
        firstDevice = nextDevice(*simulator);
        QVERIFY2(firstDevice.startsWith("/dev/"), qPrintable(firstDevice));
        QCOMPARE(QFileInfo(linkPath()).symLinkTarget(), firstDevice);
        QCOMPARE(QFileInfo(runtimeLink()).symLinkTarget(), firstDevice);
    }

    void command(const QByteArray &line)
    {
        simulator->write(line + '\n');
        QVERIFY(simulator->waitForBytesWritten(1000));
    }

    void endsCleanly()
    {
        command("quit");
        QVERIFY(simulator->waitForFinished(3000));
        QCOMPARE(simulator->exitCode(), 0);
        QVERIFY(!QFileInfo(linkPath()).isSymLink());
        QVERIFY(!QFileInfo(runtimeLink()).isSymLink());
    }

private slots:
    void init()
    {
        scratch = std::make_unique<QTemporaryDir>();
        QVERIFY(scratch->isValid());
        QVERIFY(QDir().mkpath(scratch->filePath("run")));
        errors.clear();
    }

    void cleanup()
    {
        if (simulator && simulator->state() != QProcess::NotRunning) {
            simulator->kill();
            simulator->waitForFinished(3000);
        }
        simulator.reset();
    }

    void replugMovesTheLineAndKeepsTheModule()
    {
        // Left by a simulator that was killed: replaced.
        QVERIFY(QFile::link("/dev/pts/gone", linkPath()));
        startWithLine();

        HeldLine oldLine(linkPath());
        QVERIFY(oldLine.isOpen());
        oldLine.exchange(extendedMode, 0);
        QVERIFY(oldLine.settings().contains("mode=extended"));
        // A colour frame cut off by the hang-up must not eat the next ping;
        // the ping's answer shows that the simulator has read its start.
        QCOMPARE(oldLine.exchange(ping + QByteArray::fromHex("841f"), 1), QByteArray("8"));

        QElapsedTimer clock;
        clock.start();
        command("replug 0.3");
        QVERIFY(oldLine.hangsUpWithin(2000));
        const QString newDevice = nextDevice(*simulator);
        QVERIFY2(clock.elapsed() >= 290, "the line came back before the pause was over");
        QVERIFY2(newDevice.startsWith("/dev/"), qPrintable(newDevice));
        QVERIFY(newDevice != firstDevice);
        QCOMPARE(QFileInfo(linkPath()).symLinkTarget(), newDevice);
        QCOMPARE(QFileInfo(runtimeLink()).symLinkTarget(), newDevice);

        // The bench opens the same name again and finds the module as it was.
        QSerialPort port(linkPath());
        port.setBaudRate(115200);
        QVERIFY(port.open(QIODevice::ReadWrite));
        QCOMPARE(exchange(port, ping, 1), QByteArray("8"));
        port.close();
        HeldLine newLine(linkPath());
        QVERIFY(newLine.settings().contains("mode=extended"));
        QVERIFY(!simulator->waitForReadyRead(100)); // one replug, one new line
        endsCleanly();
    }

    void oldNameIsNotTakenAgain()
    {
        // Nobody holds the line, so the kernel would hand its number out at once.
        startWithLine();
        QStringList devices{firstDevice};
        for (int replug = 0; replug < 2; ++replug) {
            command("replug 0");
            devices.append(nextDevice(*simulator));
            QVERIFY2(devices.last().startsWith("/dev/"), qPrintable(devices.last()));
            QVERIFY(devices.last() != devices.at(devices.size() - 2));
        }
        QCOMPARE(QFileInfo(linkPath()).symLinkTarget(), devices.last());
        HeldLine line(linkPath());
        QCOMPARE(line.exchange(ping, 1), QByteArray("8"));
    }

    void resetFrameReplugsOnlyWithTheOption_data()
    {
        QTest::addColumn<bool>("resetReplug");
        QTest::newRow("--reset-replug") << true;
        QTest::newRow("without") << false;
    }

    void resetFrameReplugsOnlyWithTheOption()
    {
        QFETCH(bool, resetReplug);
        startWithLine(resetReplug ? QStringList{"--reset-replug"} : QStringList());
        HeldLine oldLine(firstDevice);
        QVERIFY(oldLine.isOpen());
        oldLine.exchange(extendedMode, 0);
        // The answer comes first, whole, before the line goes.
        QCOMPARE(oldLine.exchange(serialOrReset, 8), serialNumber);
        if (!resetReplug) {
            QVERIFY(!oldLine.hangsUpWithin(1500));
            QVERIFY(!simulator->waitForReadyRead(100));
            QCOMPARE(oldLine.exchange(ping, 1), QByteArray("8"));
            return;
        }
        QVERIFY(oldLine.hangsUpWithin(2000));
        const QString newDevice = nextDevice(*simulator);
        QVERIFY2(newDevice.startsWith("/dev/") && newDevice != firstDevice, qPrintable(newDevice));
        QCOMPARE(QFileInfo(linkPath()).symLinkTarget(), newDevice);
        // Rebooted: the start-up settings again.
        HeldLine newLine(linkPath());
        QVERIFY(newLine.settings().contains("mode=standard"));
        endsCleanly();
    }

    void linkPathHoldingDataIsLeftAlone_data()
    {
        QTest::addColumn<bool>("folder");
        QTest::newRow("file") << false;
        QTest::newRow("folder") << true;
    }

    void linkPathHoldingDataIsLeftAlone()
    {
        QFETCH(bool, folder);
        if (folder) {
            QVERIFY(QDir().mkpath(scratch->filePath("vexel/inside")));
        } else {
            QFile file(linkPath());
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write("notes");
        }
        start({"--link", linkPath()}, true);
        QVERIFY(simulator->waitForFinished(5000));
        QCOMPARE(simulator->exitStatus(), QProcess::NormalExit);
        QCOMPARE(simulator->exitCode(), 1);
        QVERIFY(simulator->readAllStandardOutput().isEmpty()); // no line was offered
        const QByteArray message = simulator->readAllStandardError();
        QCOMPARE(message.count('\n'), 1);
        QVERIFY2(message.contains(linkPath().toLocal8Bit()), message.constData());
        if (folder) {
            QVERIFY(QFileInfo(scratch->filePath("vexel/inside")).isDir());
        } else {
            QFile file(linkPath());
            QVERIFY(file.open(QIODevice::ReadOnly));
            QCOMPARE(file.readAll(), QByteArray("notes"));
        }
    }

    void badPausesAreRefused()
    {
        startWithLine({}, true);
        const QList<QByteArray> refused = {"replug soon", "replug -1",   "replug nan",
                                           "replug inf",  "replug 3601", "replug 0.5 2"};
        for (const QByteArray &line : refused)
            command(line);
        QTRY_VERIFY(errorsMention("replug takes a pause", refused.size()));
        QCOMPARE(errors.count("replug takes a pause"), refused.size());
        HeldLine line(firstDevice);
        QCOMPARE(line.exchange(ping, 1), QByteArray("8"));
        QVERIFY(!simulator->waitForReadyRead(100));
        QCOMPARE(QFileInfo(linkPath()).symLinkTarget(), firstDevice);
    }

    void endsCleanlyWhileUnplugged_data()
    {
        QTest::addColumn<int>("signal"); // 0: "quit" on standard input
        QTest::newRow("quit") << 0;
        QTest::newRow("SIGTERM") << int(SIGTERM);
    }

    void endsCleanlyWhileUnplugged()
    {
        QFETCH(int, signal);
        startWithLine({}, true);
        HeldLine line(firstDevice);
        command("replug 30");
        QVERIFY(line.hangsUpWithin(2000));
        command("replug 0");
        QTRY_VERIFY(errorsMention("replugged already", 1));
        if (signal)
            ::kill(pid_t(simulator->processId()), signal);
        else
            command("quit");
        QVERIFY(simulator->waitForFinished(3000));
        QCOMPARE(simulator->exitCode(), 0);
        QVERIFY(simulator->readAllStandardOutput().isEmpty()); // no line came back
        QVERIFY(!QFileInfo(linkPath()).isSymLink());
        QVERIFY(!QFileInfo(runtimeLink()).isSymLink());
    }
};

QTEST_GUILESS_MAIN(TestSimReplug)
#include "tst_simreplug.moc"
