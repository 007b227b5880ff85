// Captures: what the bench writes reads back the same, a file made by
// text2pcap reads right, and damaged files stop with one line at the damage
// while keeping every whole packet before it.
#include "traffic/pcapng.h"
#include "traffic/trafficlog.h"

#include <QBuffer>
#include <QDataStream>
#include <QProcess>
#include <QTemporaryDir>
#include <QtEndian>
#include <QtTest>

#include <algorithm>
#include <iterator>

#include <sys/stat.h>

namespace {

constexpr quint32 sectionType = 0x0A0D0D0A;
constexpr quint32 magic = 0x1A2B3C4D;
constexpr qint64 start = 1709288114250000; // 2024-03-01 10:15:14.25 UTC

QVector<TrafficRecord> sampleRecords()
{
    return {{Direction::Sent, 0, QByteArray::fromHex("1b4301")},
            {Direction::Received, 1250, QByteArray::fromHex("06")},
            {Direction::Sent, 1251, QByteArray()},
            {Direction::Received, 90000000, QByteArray(301, '\xA5')},
            {Direction::Sent, 4294967296, QByteArray::fromHex("00ff00ff")}};
}

QString describe(const QVector<TrafficRecord> &records)
{
    QStringList lines;
    for (const TrafficRecord &r : records)
        lines << QStringLiteral("%1 %2 %3")
                     .arg(r.direction == Direction::Sent ? "out" : "in")
                     .arg(r.micros)
                     .arg(QString::fromLatin1(r.bytes.toHex()));
    return lines.join(QLatin1Char('\n'));
}

#define COMPARE_RECORDS(actual, expected) QCOMPARE(describe(actual), describe(expected))

QByteArray captureOf(const QVector<TrafficRecord> &records, qint64 startWall = start)
{
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    if (!writeCapture(buffer, records, startWall))
        qFatal("writing into memory failed");
    return buffer.data();
}

quint32 le32(const QByteArray &bytes, int at)
{
    return qFromLittleEndian<quint32>(bytes.constData() + at);
}

quint16 le16(const QByteArray &bytes, int at)
{
    return qFromLittleEndian<quint16>(bytes.constData() + at);
}

// Where each block starts, by the lengths the blocks give.
QVector<int> blockStarts(const QByteArray &capture)
{
    QVector<int> starts;
    for (int at = 0; at < capture.size(); at += int(le32(capture, at + 4)))
        starts << at;
    return starts;
}

// Blocks by hand, in either byte order, for what the writer never makes.
class Blocks
{
public:
    explicit Blocks(QDataStream::ByteOrder order) : order(order) {}

    QByteArray block(quint32 type, const QByteArray &body) const
    {
        return bytes([&](QDataStream &s) {
            s << type << quint32(body.size() + 12);
            s.writeRawData(body.constData(), body.size());
            s << quint32(body.size() + 12);
        });
    }
    QByteArray section(quint16 major = 1) const
    {
        return block(sectionType, bytes([&](QDataStream &s) {
                         s << magic << major << quint16(0) << qint64(-1) << quint32(0);
                     }));
    }
    QByteArray interface(quint16 linkType, const QByteArray &options = QByteArray(),
                         quint32 snapLength = 0) const
    {
        return block(1, bytes([&](QDataStream &s) { s << linkType << quint16(0) << snapLength; }) +
                            options);
    }
    QByteArray option(quint16 code, const QByteArray &value) const
    {
        QByteArray padded = value;
        padded.append((4 - value.size() % 4) % 4, '\0');
        return bytes([&](QDataStream &s) { s << code << quint16(value.size()); }) + padded;
    }
    QByteArray packet(quint32 interface, quint64 stamp, const QByteArray &data,
                      const QByteArray &options = QByteArray()) const
    {
        QByteArray padded = data;
        padded.append((4 - data.size() % 4) % 4, '\0');
        return block(6, bytes([&](QDataStream &s) {
                            s << interface << quint32(stamp >> 32) << quint32(stamp)
                              << quint32(data.size()) << quint32(data.size());
                        }) + padded +
                            options);
    }
    QByteArray flags(quint32 value) const
    {
        return option(2, bytes([&](QDataStream &s) { s << value; }));
    }
    QByteArray simple(quint32 originalLength, const QByteArray &data) const
    {
        QByteArray padded = data;
        padded.append((4 - data.size() % 4) % 4, '\0');
        return block(3, bytes([&](QDataStream &s) { s << originalLength; }) + padded);
    }

private:
    template <typename Write> QByteArray bytes(Write write) const
    {
        QByteArray out;
        QDataStream stream(&out, QIODevice::WriteOnly);
        stream.setByteOrder(order);
        write(stream);
        return out;
    }

    QDataStream::ByteOrder order;
};

// Takes note of every write, to show that each is one whole block.
class WriteLog : public QIODevice
{
public:
    QVector<QByteArray> writes;

protected:
    qint64 readData(char *, qint64) override { return -1; }
    qint64 writeData(const char *data, qint64 size) override
    {
        writes << QByteArray(data, int(size));
        return size;
    }
};

// Takes writes while they fit in `room` bytes, then fails as a full disk would.
class FullDevice : public QIODevice
{
public:
    explicit FullDevice(qint64 room) : room(room) {}

protected:
    qint64 readData(char *, qint64) override { return -1; }
    qint64 writeData(const char *, qint64 size) override
    {
        if (size > room) {
            setErrorString(QStringLiteral("disk full"));
            return -1;
        }
        room -= size;
        return size;
    }

private:
    qint64 room;
};

void checkOneLine(const CaptureReading &reading, const QString &name)
{
    QVERIFY(!reading.error.isEmpty());
    QVERIFY2(!reading.error.contains(QLatin1Char('\n')), qPrintable(reading.error));
    QVERIFY2(reading.error.startsWith(name + QStringLiteral(": ")), qPrintable(reading.error));
    QVERIFY2(reading.error.endsWith(QStringLiteral(" at offset %1").arg(reading.errorOffset)),
             qPrintable(reading.error));
}

} // namespace

class TestPcapng : public QObject
{
    Q_OBJECT

private slots:
    void roundTripKeepsEverything()
    {
        const QVector<TrafficRecord> records = sampleRecords();
        const CaptureReading reading = readCapture(captureOf(records), QStringLiteral("a.pcapng"));
        QCOMPARE(reading.error, QString());
        QCOMPARE(reading.errorOffset, -1);
        QCOMPARE(reading.startWallMicros, start);
        QCOMPARE(reading.skippedPackets, 0);
        COMPARE_RECORDS(reading.records, records);

        // A chunk longer than a packet may be comes back in packet-sized
        // pieces, in order and at its own time.
        const QByteArray flood = QByteArray(Pcapng::maxPacketBytes * 2 + 10, 'f');
        const CaptureReading split =
            readCapture(captureOf({{Direction::Received, 9, flood}}), QStringLiteral("b.pcapng"));
        QCOMPARE(split.records.size(), 3);
        QCOMPARE(split.records.at(2).bytes.size(), 10);
        QCOMPARE(split.records.at(0).bytes + split.records.at(1).bytes + split.records.at(2).bytes,
                 flood);
    }

    void layoutOfTheBlocks()
    {
        const TrafficRecord sent{Direction::Sent, 5, QByteArray::fromHex("0102030405")};
        const TrafficRecord received{Direction::Received, 7, QByteArray::fromHex("06")};
        const QByteArray capture = captureOf({sent, received});
        const QVector<int> starts = blockStarts(capture);
        QCOMPARE(starts.size(), 4);
        QCOMPARE(starts.last() + int(le32(capture, starts.last() + 4)), capture.size());
        for (int at : starts) {
            const quint32 length = le32(capture, at + 4);
            QCOMPARE(length % 4, 0u);
            QCOMPARE(le32(capture, at + int(length) - 4), length);
        }

        QCOMPARE(le32(capture, 0), sectionType);
        QCOMPARE(capture.mid(8, 4), QByteArray::fromHex("4d3c2b1a"));
        QCOMPARE(le16(capture, 12), quint16(1));
        QCOMPARE(le16(capture, 14), quint16(0));
        QCOMPARE(capture.mid(16, 8), QByteArray(8, '\xff'));

        const int idb = starts.at(1);
        QCOMPARE(le32(capture, idb), 1u);
        QCOMPARE(le16(capture, idb + 8), Pcapng::linkTypeUser0);
        QCOMPARE(le32(capture, idb + 12), 0u);
        const QByteArray idbBlock = capture.mid(idb, int(le32(capture, idb + 4)));
        QVERIFY(idbBlock.contains(QByteArray::fromHex("0900010006000000"))); // if_tsresol 6

        for (int k = 0; k < 2; ++k) {
            const TrafficRecord &record = k == 0 ? sent : received;
            const int epb = starts.at(2 + k);
            const int size = record.bytes.size();
            const int padded = (size + 3) & ~3;
            QCOMPARE(le32(capture, epb), 6u);
            QCOMPARE(le32(capture, epb + 4), quint32(32 + padded + 8 + 4));
            QCOMPARE(le32(capture, epb + 8), 0u);
            const quint64 stamp = quint64(le32(capture, epb + 12)) << 32 | le32(capture, epb + 16);
            QCOMPARE(stamp, quint64(start + record.micros));
            QCOMPARE(le32(capture, epb + 20), quint32(size));
            QCOMPARE(le32(capture, epb + 24), quint32(size));
            QCOMPARE(capture.mid(epb + 28, size), record.bytes);
            QCOMPARE(capture.mid(epb + 28 + size, padded - size), QByteArray(padded - size, 0));
            const int flags = epb + 28 + padded;
            QCOMPARE(le16(capture, flags), quint16(2));
            QCOMPARE(le16(capture, flags + 2), quint16(4));
            QCOMPARE(le32(capture, flags + 4), k == 0 ? 2u : 1u);
            QCOMPARE(le32(capture, flags + 8), 0u); // end of options
        }
    }

    // Recording to a file flushes after each write: every prefix the file
    // passes through on the way must already be a valid capture.
    void eachBlockIsOneWrite()
    {
        WriteLog device;
        device.open(QIODevice::WriteOnly);
        PcapngWriter writer(&device);
        QVERIFY(writer.begin());
        for (const TrafficRecord &record : sampleRecords())
            QVERIFY(writer.write(record, start));
        QCOMPARE(device.writes.size(), 2 + sampleRecords().size());
        QByteArray soFar;
        for (const QByteArray &write : device.writes) {
            QCOMPARE(int(le32(write, 4)), write.size());
            soFar += write;
            QCOMPARE(readCapture(soFar, QStringLiteral("live.pcapng")).error, QString());
        }
    }

    void writerReportsAFailingDevice()
    {
        const int headers = captureOf({}).size();
        for (const qint64 room : {0, 10, headers, headers + 20}) {
            FullDevice device(room);
            device.open(QIODevice::WriteOnly);
            PcapngWriter writer(&device);
            const bool begun = writer.begin();
            QCOMPARE(begun, room >= headers);
            QVERIFY(!(begun && writer.write(sampleRecords().at(3), start)));
            QCOMPARE(writer.error(), QStringLiteral("disk full"));
            QVERIFY(!writeCapture(device, sampleRecords(), start));
        }
    }

    void saveAndReadAFile()
    {
        QTemporaryDir dir;
        TrafficLog log;
        log.setStartWallMicros(start);
        for (const TrafficRecord &record : sampleRecords())
            log.append({record, QStringLiteral("meaning"), 3});
        const QString path = dir.filePath(QStringLiteral("capture.pcapng"));
        QCOMPARE(saveCapture(path, log), QString());
        const CaptureReading reading = readCaptureFile(path);
        QCOMPARE(reading.error, QString());
        QCOMPARE(reading.startWallMicros, start);
        COMPARE_RECORDS(reading.records, sampleRecords());

        // A folder under the name is refused, and the old capture stays.
        QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("folder.pcapng")));
        const QString refused = saveCapture(dir.filePath(QStringLiteral("folder.pcapng")), log);
        QVERIFY(refused.contains(QStringLiteral("folder.pcapng")));
        QVERIFY(!refused.contains(QLatin1Char('\n')));
        TrafficLog empty;
        QCOMPARE(saveCapture(path, empty), QString());
        QCOMPARE(readCaptureFile(path).records.size(), 0);
    }

    void filesThatAreNotReadAsCaptures()
    {
        QTemporaryDir dir;
        const QString fifo = dir.filePath(QStringLiteral("pipe.pcapng"));
        QCOMPARE(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
        QVERIFY(readCaptureFile(fifo).error.contains(QStringLiteral("pipe.pcapng")));
        QVERIFY(!readCaptureFile(dir.filePath(QStringLiteral("none.pcapng"))).error.isEmpty());

        // Sparse, so it costs no disk; refused before a byte is read.
        QFile huge(dir.filePath(QStringLiteral("huge.pcapng")));
        QVERIFY(huge.open(QIODevice::WriteOnly));
        QVERIFY(huge.resize(Pcapng::maxFileBytes + 1));
        huge.close();
        const CaptureReading reading = readCaptureFile(huge.fileName());
        QVERIFY2(reading.error.contains(QStringLiteral("too large")), qPrintable(reading.error));
        QVERIFY(reading.records.isEmpty());
    }

    void fileMadeByText2pcap()
    {
        QTemporaryDir dir;
        QFile dump(dir.filePath(QStringLiteral("dump.txt")));
        QVERIFY(dump.open(QIODevice::WriteOnly));
        dump.write("I 2024-03-01T10:15:14.250000\n0000 01 02 03\n"
                   "O 2024-03-01T10:15:14.500125\n0000 1b 43 01 02 03 04 05 06 07 08 09 0a 0b 0c "
                   "0d 0e\n0010 0f\n"
                   "I 2024-03-01T10:15:15.000001\n0000 fe\n");
        dump.close();
        const QString out = dir.filePath(QStringLiteral("made.pcapng"));
        QProcess text2pcap;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("TZ"), QStringLiteral("UTC"));
        text2pcap.setProcessEnvironment(environment);
        text2pcap.start(
            QStringLiteral("text2pcap"),
            {"-n", "-l", "147", "-D", "-t", "%Y-%m-%dT%H:%M:%S.%f", dump.fileName(), out});
        if (!text2pcap.waitForFinished(60000))
            QFAIL("text2pcap did not run: scripts/setup.sh installs it with tshark");
        QVERIFY2(text2pcap.exitCode() == 0, text2pcap.readAllStandardError().constData());

        const CaptureReading reading = readCaptureFile(out);
        QCOMPARE(reading.error, QString());
        QCOMPARE(reading.startWallMicros, start);
        // It stamps in nanoseconds, which come back as microseconds.
        COMPARE_RECORDS(
            reading.records,
            (QVector<TrafficRecord>{{Direction::Received, 0, QByteArray::fromHex("010203")},
                                    {Direction::Sent, 250125,
                                     QByteArray::fromHex("1b430102030405060708090a0b0c0d0e0f")},
                                    {Direction::Received, 750001, QByteArray::fromHex("fe")}}));
    }

    void cutAtEveryOffset()
    {
        const QVector<TrafficRecord> records = sampleRecords().mid(0, 3);
        const QByteArray capture = captureOf(records);
        const QVector<int> starts = blockStarts(capture) << capture.size();
        for (int cut = 0; cut <= capture.size(); ++cut) {
            const CaptureReading reading =
                readCapture(capture.left(cut), QStringLiteral("cut.pcapng"));
            // Packets are blocks 2 onwards; those ending by the cut are whole.
            int whole = 0;
            while (whole < records.size() && starts.at(whole + 3) <= cut)
                ++whole;
            COMPARE_RECORDS(reading.records, records.mid(0, whole));
            if (cut > 0 && starts.contains(cut)) {
                QCOMPARE(reading.error, QString());
                continue;
            }
            const int blockStart = *std::prev(std::upper_bound(starts.begin(), starts.end(), cut));
            QCOMPARE(reading.errorOffset, qint64(cut == 0 ? 0 : blockStart));
            checkOneLine(reading, QStringLiteral("cut.pcapng"));
            if (QTest::currentTestFailed())
                QFAIL(qPrintable(QStringLiteral("cut at %1").arg(cut)));
        }
    }

    void damagedBlocks_data()
    {
        QTest::addColumn<int>("block"); // 0: the section header
        QTest::addColumn<int>("at");    // offset in that block; negative from its end
        QTest::addColumn<QByteArray>("value");
        QTest::addColumn<QString>("says");
        const auto le = [](quint32 v) {
            QByteArray out(4, 0);
            qToLittleEndian(v, out.data());
            return out;
        };
        QTest::newRow("huge length") << 3 << 4 << le(0xFFFFFFF0) << "truncated block";
        QTest::newRow("zero length") << 3 << 4 << le(0) << "bad block length 0";
        QTest::newRow("length under 12") << 3 << 4 << le(8) << "bad block length 8";
        QTest::newRow("unaligned length") << 3 << 4 << le(33) << "bad block length 33";
        QTest::newRow("trailer differs") << 3 << -4 << le(36) << "trailing length 36";
        QTest::newRow("undefined interface") << 3 << 8 << le(1) << "undefined interface 1";
        QTest::newRow("data past the block") << 3 << 20 << le(0xFFFFFFFF) << "past its block";
        QTest::newRow("option past the block") << 3 << -16 << le(0xFFF00002) << "option 2 runs";
        QTest::newRow("first block not a section") << 0 << 0 << le(1) << "no section header";
        QTest::newRow("no byte-order magic") << 0 << 8 << le(0x1A2B3C4E) << "byte-order magic";
        QTest::newRow("version 2") << 0 << 12 << le(2) << "version 2.0";
        QTest::newRow("interface option past the block")
            << 1 << 16 << le(0x04000002) << "option 2 runs";
    }

    void damagedBlocks()
    {
        QFETCH(int, block);
        QFETCH(int, at);
        QFETCH(QByteArray, value);
        QFETCH(QString, says);
        const QVector<TrafficRecord> records = sampleRecords();
        QByteArray capture = captureOf(records);
        const QVector<int> starts = blockStarts(capture);
        const int blockStart = starts.at(block);
        const int blockEnd = block + 1 < starts.size() ? starts.at(block + 1) : capture.size();
        capture.replace(at < 0 ? blockEnd + at : blockStart + at, value.size(), value);

        const CaptureReading reading = readCapture(capture, QStringLiteral("bad.pcapng"));
        QVERIFY2(reading.error.contains(says), qPrintable(reading.error));
        QCOMPARE(reading.errorOffset, qint64(blockStart));
        checkOneLine(reading, QStringLiteral("bad.pcapng"));
        COMPARE_RECORDS(reading.records, records.mid(0, std::max(block - 2, 0)));
    }

    void bigEndianSectionAfterALittleEndianOne()
    {
        const Blocks big(QDataStream::BigEndian);
        const QByteArray nanoseconds = big.option(9, QByteArray(1, 9));
        const QByteArray halfSeconds = big.option(9, QByteArray(1, char(0x81)));
        const QByteArray tenSecondsLater = big.option(14, QByteArray::fromHex("000000000000000a"));
        // Interface numbers start again in each section.
        const QByteArray second =
            big.section() + big.interface(1) + big.interface(147, nanoseconds + tenSecondsLater) +
            big.interface(147, halfSeconds) + big.packet(0, 123, QByteArray("ethernet")) +
            big.packet(1, quint64(start) * 1000 + 2999, "ns", big.flags(2)) +
            big.packet(2, quint64(start) / 500000 + 3, "half", big.flags(1));
        const QVector<TrafficRecord> first = sampleRecords().mid(0, 2);
        const CaptureReading reading =
            readCapture(captureOf(first) + second, QStringLiteral("mixed.pcapng"));
        QCOMPARE(reading.error, QString());
        QCOMPARE(reading.skippedPackets, 1);
        const QVector<TrafficRecord> later{{Direction::Sent, 10000002, "ns"},
                                           {Direction::Received, 1500000 - start % 500000, "half"}};
        COMPARE_RECORDS(reading.records, first + later);
    }

    void timeOutOfRange()
    {
        const Blocks little(QDataStream::LittleEndian);
        const QByteArray seconds = little.option(9, QByteArray(1, 0));
        const QByteArray capture = little.section() + little.interface(147, seconds) +
                                   little.packet(0, 1000, "ok") +
                                   little.packet(0, quint64(1) << 60, "far");
        const CaptureReading reading = readCapture(capture, QStringLiteral("far.pcapng"));
        QVERIFY2(reading.error.contains(QStringLiteral("time out of range")),
                 qPrintable(reading.error));
        COMPARE_RECORDS(reading.records, (QVector<TrafficRecord>{{Direction::Received, 0, "ok"}}));
    }

    void unknownBlocksSkippedAndSimplePacketsRead()
    {
        const Blocks little(QDataStream::LittleEndian);
        const QByteArray capture =
            little.section() + little.interface(147, QByteArray(), 4) + little.simple(2, "ab") +
            little.block(0x0BAD, "junk") + little.packet(0, 5000, "x", little.flags(0)) +
            little.block(5, QByteArray(20, 0)) + little.simple(9, "abcdefgh") +
            little.packet(0, 7000, "y", little.flags(3));
        const CaptureReading reading = readCapture(capture, QStringLiteral("spb.pcapng"));
        QCOMPARE(reading.error, QString());
        QCOMPARE(reading.startWallMicros, 5000);
        // A simple packet takes the time before it and the snapshot length.
        COMPARE_RECORDS(reading.records,
                        (QVector<TrafficRecord>{{Direction::Received, 0, "ab"},
                                                {Direction::Received, 0, "x"},
                                                {Direction::Received, 0, "abcd"},
                                                {Direction::Received, 2000, "y"}}));

        const QByteArray orphan = little.section() + little.simple(1, "a");
        const CaptureReading refused = readCapture(orphan, QStringLiteral("spb.pcapng"));
        QVERIFY2(refused.error.contains(QStringLiteral("before any interface")),
                 qPrintable(refused.error));
    }
};

QTEST_GUILESS_MAIN(TestPcapng)
#include "tst_pcapng.moc"
