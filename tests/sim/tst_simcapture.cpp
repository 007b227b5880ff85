#include "capturefile.h"
#include "simulatorprocess.h"

#include <QDataStream>
#include <QDateTime>
#include <QFile>
#include <QProcess>
#include <QSerialPort>
#include <QTemporaryDir>
#include <QtTest>

#include <csignal>

using vxsim::CaptureFile;

namespace {

constexpr quint32 inbound = 1;
constexpr quint32 outbound = 2;

struct Packet
{
    quint32 flags = 0;
    quint64 micros = 0;
    QByteArray bytes;
};

// What a pcapng reader finds, read here without the simulator's code.
struct Capture
{
    QString problem; // empty when the file is well formed
    quint16 linkType = 0;
    int timestampResolution = -1;
    QString application;
    QVector<Packet> packets;
};

QByteArray paddedField(QDataStream &in, int length)
{
    QByteArray value(length, '\0');
    in.readRawData(value.data(), length);
    in.skipRawData((4 - length % 4) % 4);
    return value;
}

// Walks options up to the end-of-options code; returns code -> value.
QMap<quint16, QByteArray> readOptions(QDataStream &in, qint64 end, QIODevice &device)
{
    QMap<quint16, QByteArray> options;
    while (device.pos() + 4 <= end) {
        quint16 code = 0;
        quint16 length = 0;
        in >> code >> length;
        if (code == 0)
            break;
        options.insert(code, paddedField(in, length));
    }
    return options;
}

QString readBody(quint32 type, QDataStream &in, qint64 end, QIODevice &device, Capture &capture)
{
    if (type == 0x0A0D0D0A) {
        quint32 magic = 0;
        quint16 major = 0;
        quint16 minor = 0;
        qint64 sectionLength = 0;
        in >> magic >> major >> minor >> sectionLength;
        if (magic != 0x1A2B3C4D || major != 1 || sectionLength != -1)
            return QStringLiteral("bad section header");
        capture.application = QString::fromUtf8(readOptions(in, end, device).value(4));
    } else if (type == 1) {
        quint16 reserved = 0;
        quint32 snapLength = 0;
        in >> capture.linkType >> reserved >> snapLength;
        const QByteArray resolution = readOptions(in, end, device).value(9);
        capture.timestampResolution = resolution.size() == 1 ? resolution.at(0) : -1;
    } else if (type == 6) {
        Packet packet;
        quint32 interface = 0, high = 0, low = 0, captured = 0, original = 0;
        in >> interface >> high >> low >> captured >> original;
        if (interface != 0 || captured != original)
            return QStringLiteral("bad packet header");
        packet.micros = (quint64(high) << 32) | low;
        packet.bytes = paddedField(in, int(captured));
        const QByteArray flags = readOptions(in, end, device).value(2);
        if (flags.size() != 4)
            return QStringLiteral("packet without flags");
        packet.flags = qFromLittleEndian<quint32>(flags.constData());
        capture.packets.append(packet);
    }
    return device.pos() <= end ? QString() : QStringLiteral("block overruns its length");
}

Capture readCapture(const QString &path)
{
    Capture capture;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        capture.problem = QStringLiteral("unreadable");
        return capture;
    }
    QDataStream in(&file);
    in.setByteOrder(QDataStream::LittleEndian);
    QVector<quint32> types;
    while (capture.problem.isEmpty() && !file.atEnd()) {
        const qint64 start = file.pos();
        quint32 type = 0;
        quint32 length = 0;
        in >> type >> length;
        if (in.status() != QDataStream::Ok || length % 4 != 0 || start + length > file.size()) {
            capture.problem = QStringLiteral("cut block at %1").arg(start);
            break;
        }
        types.append(type);
        capture.problem = readBody(type, in, start + length - 4, file, capture);
        file.seek(start + length - 4);
        quint32 trailer = 0;
        in >> trailer;
        if (trailer != length)
            capture.problem = QStringLiteral("trailing length differs at %1").arg(start);
    }
    if (capture.problem.isEmpty() && (types.size() < 2 || types[0] != 0x0A0D0D0A || types[1] != 1))
        capture.problem = QStringLiteral("no section header and interface first");
    return capture;
}

QByteArray joined(const QVector<Packet> &packets, quint32 flags)
{
    QByteArray all;
    for (const Packet &packet : packets) {
        if (packet.flags == flags)
            all += packet.bytes;
    }
    return all;
}

qint64 wallMicros()
{
    return QDateTime::currentMSecsSinceEpoch() * 1000;
}

} // namespace

// The simulator's --capture file, checked with a pcapng reader of the test's
// own: first the writer alone, then the built simulator recording a session.
class TestSimCapture : public QObject
{
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> scratch;
    std::unique_ptr<QProcess> simulator;
    QString devicePath;

    QString capturePath() const { return scratch->filePath("line.pcapng"); }

    void startSimulator(const QString &capture)
    {
        simulator = launchSimulator(scratch->path(),
                                    {"--card", scratch->path(), "--capture", capture}, true);
        QVERIFY(simulator->waitForStarted(5000));
    }

private slots:
    void init()
    {
        scratch = std::make_unique<QTemporaryDir>();
        QVERIFY(scratch->isValid());
    }

    void cleanup()
    {
        if (simulator && simulator->state() != QProcess::NotRunning) {
            simulator->kill();
            simulator->waitForFinished(3000);
        }
        simulator.reset();
    }

    void packetsKeepDirectionTimeAndBytes_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<int>("direction");
        // Lengths around the four-byte padding.
        QTest::newRow("one byte in") << QByteArray::fromHex("83") << int(inbound);
        QTest::newRow("three bytes out") << QByteArray("=\x01\x02", 3) << int(outbound);
        QTest::newRow("four bytes in") << QByteArray::fromHex("8501f4c8") << int(inbound);
        QTest::newRow("five bytes out") << QByteArray::fromHex("3d00000000") << int(outbound);
        QTest::newRow("touch report") << QByteArray::fromHex("810a007f1400") << int(outbound);
    }

    void packetsKeepDirectionTimeAndBytes()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(int, direction);
        CaptureFile capture;
        QString error;
        QVERIFY2(capture.open(capturePath(), &error), qPrintable(error));
        // Past 2^32 microseconds, so both halves of the stamp count.
        const qint64 stamp = 1700000000123456;
        capture.record(CaptureFile::Direction(direction), bytes, stamp);
        capture.record(CaptureFile::Direction(direction), bytes, stamp + 1);

        const Capture read = readCapture(capturePath());
        QVERIFY2(read.problem.isEmpty(), qPrintable(read.problem));
        QCOMPARE(read.linkType, quint16(147));
        QCOMPARE(read.timestampResolution, 6);
        QCOMPARE(read.application, QStringLiteral("vexelsim"));
        QCOMPARE(read.packets.size(), 2);
        for (int i = 0; i < 2; ++i) {
            QCOMPARE(read.packets[i].flags, quint32(direction));
            QCOMPARE(read.packets[i].micros, quint64(stamp + i));
            QCOMPARE(read.packets[i].bytes, bytes);
        }
    }

    void fileIsWholeAfterEveryRecord()
    {
        CaptureFile capture;
        QString error;
        QVERIFY2(capture.open(capturePath(), &error), qPrintable(error));
        QCOMPARE(readCapture(capturePath()).packets.size(), 0);
        QVERIFY(readCapture(capturePath()).problem.isEmpty());
        for (int count = 1; count <= 3; ++count) {
            capture.record(CaptureFile::Direction::Inbound, QByteArray(count, 'x'));
            const Capture read = readCapture(capturePath());
            QVERIFY2(read.problem.isEmpty(), qPrintable(read.problem));
            QCOMPARE(read.packets.size(), count);
            QCOMPARE(read.packets.last().bytes, QByteArray(count, 'x'));
        }
        capture.record(CaptureFile::Direction::Outbound, QByteArray());
        QCOMPARE(readCapture(capturePath()).packets.size(), 3); // nothing to record
    }

    void longChunksBecomeSeveralPackets()
    {
        QByteArray chunk(2 * CaptureFile::MaxPacketBytes + 1000, '\0');
        for (int i = 0; i < chunk.size(); ++i)
            chunk[i] = char(i * 7);
        CaptureFile capture;
        QString error;
        QVERIFY2(capture.open(capturePath(), &error), qPrintable(error));
        capture.record(CaptureFile::Direction::Inbound, chunk, 42);

        const Capture read = readCapture(capturePath());
        QVERIFY2(read.problem.isEmpty(), qPrintable(read.problem));
        QCOMPARE(read.packets.size(), 3);
        QCOMPARE(read.packets[2].bytes.size(), 1000);
        QCOMPARE(joined(read.packets, inbound), chunk);
    }

    void unwritablePathIsRefused()
    {
        CaptureFile capture;
        QString error;
        const QString path = scratch->filePath("missing/line.pcapng");
        QVERIFY(!capture.open(path, &error));
        QVERIFY(!capture.isOpen());
        QVERIFY2(error.contains(path), qPrintable(error));
    }

    void simulatorRecordsItsSideOfTheLine_data()
    {
        QTest::addColumn<bool>("killed"); // else ended with "quit"
        QTest::newRow("quit") << false;
        QTest::newRow("killed") << true;
    }

    void simulatorRecordsItsSideOfTheLine()
    {
        QFETCH(bool, killed);
        const qint64 before = wallMicros();
        startSimulator(capturePath());
        devicePath = nextDevice(*simulator);
        QSerialPort port(devicePath);
        port.setBaudRate(115200);
        QVERIFY(port.open(QIODevice::ReadWrite));

        QByteArray heard = exchange(port, QByteArray::fromHex("83"), 1);
        QCOMPARE(heard, QByteArray("8"));
        heard += exchange(port, QByteArray::fromHex("81"), 23);
        QVERIFY(heard.contains("Vexel900 simulator"));
        const QByteArray blue = QByteArray::fromHex("841f00");
        heard += exchange(port, blue, 0);
        simulator->write("touch 10 20\n");
        QVERIFY(simulator->waitForBytesWritten(1000));
        const QByteArray touch = readAtLeast(port, 6);
        QCOMPARE(touch.left(1), QByteArray::fromHex("81"));
        heard += touch;

        // Readable while the simulator still runs.
        QTRY_COMPARE(joined(readCapture(capturePath()).packets, outbound), heard);
        if (killed) {
            simulator->kill();
        } else {
            simulator->write("quit\n");
            QVERIFY(simulator->waitForFinished(3000));
            QCOMPARE(simulator->exitCode(), 0);
        }
        simulator->waitForFinished(3000);

        const Capture read = readCapture(capturePath());
        QVERIFY2(read.problem.isEmpty(), qPrintable(read.problem));
        QCOMPARE(joined(read.packets, inbound), QByteArray::fromHex("8381") + blue);
        QCOMPARE(joined(read.packets, outbound), heard);
        // The answer to the ping follows the ping.
        QCOMPARE(read.packets[0].flags, inbound);
        QCOMPARE(read.packets[0].bytes, QByteArray::fromHex("83"));
        QCOMPARE(read.packets[1].flags, outbound);
        QCOMPARE(read.packets[1].bytes, QByteArray("8"));
        quint64 last = quint64(before);
        for (const Packet &packet : read.packets) {
            QVERIFY(packet.flags == inbound || packet.flags == outbound);
            QVERIFY(packet.micros >= last);
            last = packet.micros;
        }
        QVERIFY(last <= quint64(wallMicros()));
    }

    void captureGoesOnAcrossReplugs()
    {
        startSimulator(capturePath());
        QSerialPort oldPort(nextDevice(*simulator));
        oldPort.setBaudRate(115200);
        QVERIFY(oldPort.open(QIODevice::ReadWrite));
        const QByteArray version = exchange(oldPort, QByteArray::fromHex("81"), 23);
        QVERIFY(version.startsWith("Vexel900 simulator"));

        simulator->write("replug 0.2\n");
        QSerialPort newPort(nextDevice(*simulator));
        QVERIFY(newPort.portName() != oldPort.portName());
        newPort.setBaudRate(115200);
        QVERIFY(newPort.open(QIODevice::ReadWrite));
        QCOMPARE(exchange(newPort, QByteArray::fromHex("83"), 1), QByteArray("8"));
        simulator->write("quit\n");
        QVERIFY(simulator->waitForFinished(3000));

        const Capture read = readCapture(capturePath());
        QVERIFY2(read.problem.isEmpty(), qPrintable(read.problem));
        QCOMPARE(joined(read.packets, inbound), QByteArray::fromHex("8183"));
        QCOMPARE(joined(read.packets, outbound), version + "8");
    }

    void simulatorRefusesAnUnwritableCapture()
    {
        const QString path = scratch->filePath("missing/line.pcapng");
        startSimulator(path);
        QVERIFY(simulator->waitForFinished(5000));
        QCOMPARE(simulator->exitStatus(), QProcess::NormalExit);
        QCOMPARE(simulator->exitCode(), 1);
        QVERIFY(simulator->readAllStandardOutput().isEmpty()); // no line was offered
        const QByteArray message = simulator->readAllStandardError();
        QCOMPARE(message.count('\n'), 1);
        QVERIFY2(message.startsWith("vexelsim: ") && message.contains(path.toLocal8Bit()),
                 message.constData());
    }
};

QTEST_GUILESS_MAIN(TestSimCapture)
#include "tst_simcapture.moc"
