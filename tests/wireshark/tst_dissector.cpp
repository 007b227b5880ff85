#include "commands/commandset.h"
#include "commands/frames.h"
#include "simulatorprocess.h"
#include "traffic/pcapng.h"
#include "traffic/trafficdecoder.h"

#include <QDateTime>
#include <QFile>
#include <QProcess>
#include <QSerialPort>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

namespace {

using Records = QVector<TrafficRecord>;
using Rows = QVector<QStringList>;

TrafficRecord sent(const QByteArray &bytes, qint64 micros = 0)
{
    return {Direction::Sent, micros, bytes};
}

TrafficRecord received(const QByteArray &bytes, qint64 micros = 0)
{
    return {Direction::Received, micros, bytes};
}

// Every write of one command, one record each, as the bench sends them.
Records commandRecords(Command id, const ArgValues &values, const QString &text = {},
                       bool extendedMode = false)
{
    Records records;
    for (const QByteArray &write : commandWrites(id, values, text, extendedMode))
        records << sent(write);
    return records;
}

qint64 sampleValue(Arg arg)
{
    switch (arg) {
    case Arg::Byte:
        return 7;
    case Arg::Word:
        return 300;
    case Arg::ColorWord:
        return 0xF800;
    case Arg::Angle:
        return 90;
    case Arg::Count32:
        return 3;
    case Arg::Y:
        return 200;
    case Arg::None:
    case Arg::Text:
        break;
    }
    return 0;
}

QString shownValue(Arg arg)
{
    return arg == Arg::ColorWord ? QStringLiteral("0xF800")
           : arg == Arg::Angle   ? QStringLiteral("90°")
                                 : QString::number(sampleValue(arg));
}

// What the dissector calls a code: every command sharing it, in table order.
QString codeName(quint8 code)
{
    QStringList names;
    for (const CommandSpec &command : allCommands()) {
        if (command.code == code)
            names << QLatin1String(command.name);
    }
    return names.join('/');
}

struct Run
{
    int status = -1;
    QByteArray out;
    QByteArray err;
};

Run run(const QString &program, const QStringList &arguments)
{
    QProcess process;
    process.start(program, arguments);
    Run result;
    if (!process.waitForFinished(60000))
        return result;
    result.status = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    result.out = process.readAllStandardOutput();
    result.err = process.readAllStandardError();
    return result;
}

// tshark warns when run as root; anything else on its error output is a fault.
QStringList complaints(const QByteArray &err)
{
    QStringList lines;
    for (const QByteArray &line : err.split('\n')) {
        if (!line.trimmed().isEmpty() && !line.contains("Running as user"))
            lines << QString::fromUtf8(line);
    }
    return lines;
}

QByteArray hexDump(const Records &records)
{
    QByteArray dump;
    for (const TrafficRecord &record : records) {
        dump += record.direction == Direction::Sent ? "O " : "I ";
        for (int offset = 0; offset < record.bytes.size(); offset += 16) {
            dump += QByteArray::number(offset, 16).rightJustified(6, '0') + ' ';
            dump += record.bytes.mid(offset, 16).toHex(' ') + '\n';
        }
    }
    return dump;
}

} // namespace

// The generated dissector run by the real tshark over captures of frames the
// bench's own builders make, written by text2pcap, by the bench's capture
// writer and by the simulator.
class TestDissector : public QObject
{
    Q_OBJECT

    QTemporaryDir scratch;
    int captures = 0;

    QString textCapture(const Records &records)
    {
        const QString dumpPath = scratch.filePath(QStringLiteral("dump%1.txt").arg(captures));
        const QString path = scratch.filePath(QStringLiteral("text%1.pcapng").arg(captures++));
        QFile dump(dumpPath);
        if (!dump.open(QIODevice::WriteOnly) || dump.write(hexDump(records)) < 0)
            return {};
        dump.close();
        const Run made =
            run("text2pcap", {"-q", "-F", "pcapng", "-l", "147", "-D", dumpPath, path});
        return made.status == 0 ? path : QString();
    }

    // At the records' own times.
    QString timedCapture(const Records &records)
    {
        const QString path = scratch.filePath(QStringLiteral("bench%1.pcapng").arg(captures++));
        QFile file(path);
        const qint64 start = QDateTime::currentMSecsSinceEpoch() * 1000;
        const bool written = file.open(QIODevice::WriteOnly) && writeCapture(file, records, start);
        return written ? path : QString();
    }

    // A millisecond apart.
    QString benchCapture(const Records &records)
    {
        Records stamped = records;
        for (int i = 0; i < stamped.size(); ++i)
            stamped[i].micros = i * 1000;
        return timedCapture(stamped);
    }

    QString capture(const Records &records)
    {
        QFETCH(QString, writer);
        return writer == "text2pcap" ? textCapture(records) : benchCapture(records);
    }

    static void addWriterRows()
    {
        QTest::addColumn<QString>("writer");
        QTest::newRow("text2pcap") << QStringLiteral("text2pcap");
        QTest::newRow("PcapngWriter") << QStringLiteral("PcapngWriter");
    }

    // One row per packet, one column per field; several occurrences joined by commas.
    static Rows dissect(const QString &path, const QStringList &fields,
                        const QStringList &options = {})
    {
        QStringList arguments{"-X", "lua_script:" DISSECTOR_PATH, "-r", path, "-T", "fields"};
        arguments += options;
        for (const QString &field : fields)
            arguments << "-e" << field;
        const Run dissected = run("tshark", arguments);
        Rows rows;
        if (dissected.status != 0 || !complaints(dissected.err).isEmpty()) {
            qWarning("tshark: %s", dissected.err.constData());
            return rows;
        }
        for (const QByteArray &line : dissected.out.split('\n')) {
            if (!line.isEmpty())
                rows << QString::fromUtf8(line).split('\t');
        }
        return rows;
    }

    static QStringList column(const Rows &rows, int index)
    {
        QStringList values;
        for (const QStringList &row : rows)
            values << row.value(index);
        return values;
    }

private slots:
    void initTestCase()
    {
        // Set-up installs both; a machine without them must not pass quietly.
        QVERIFY2(!QStandardPaths::findExecutable("tshark").isEmpty(),
                 "tshark is missing (Debian package tshark, installed by scripts/setup.sh)");
        QVERIFY2(!QStandardPaths::findExecutable("text2pcap").isEmpty(), "text2pcap is missing");
        QVERIFY2(QFile::exists(DISSECTOR_PATH), DISSECTOR_PATH " was not generated");
        QVERIFY(scratch.isValid());
    }

    void everyCommandIsNamedWithItsArguments_data() { addWriterRows(); }

    void everyCommandIsNamedWithItsArguments()
    {
        Records records;
        QStringList names;
        QStringList arguments;
        bool extended = false; // as the bench keeps it
        for (const CommandSpec &command : allCommands()) {
            ArgValues values;
            QStringList shown;
            for (std::size_t i = 0; i < argCount(command); ++i) {
                if (command.args[i] == Arg::Text)
                    continue;
                values << sampleValue(command.args[i]);
                shown << shownValue(command.args[i]);
            }
            // Each command alone in its packets: a file write's data follows it.
            records << commandRecords(command.id, values, QStringLiteral("Hi"), extended);
            extended = command.id == Command::ExtendedMode ||
                       (extended && command.id != Command::StandardMode);
            if (command.id == Command::SdFileWrite)
                records << sent("abc");
            names << codeName(command.code);
            arguments << shown.join(", ");
        }
        const QString path = capture(records);
        QVERIFY(!path.isEmpty());

        const Rows rows =
            dissect(path, {"vexel900.direction", "vexel900.command", "vexel900.args"});
        QCOMPARE(rows.size(), records.size());
        QStringList seenNames;
        QStringList seenArguments;
        for (const QStringList &row : rows) {
            QCOMPARE(row.value(0), QStringLiteral("to module"));
            if (!row.value(1).isEmpty()) {
                seenNames << row.value(1);
                seenArguments << row.value(2);
            }
        }
        QCOMPARE(seenNames, names);
        QCOMPARE(seenArguments, arguments);
    }

    void argumentsHaveTheirKinds_data() { addWriterRows(); }

    void argumentsHaveTheirKinds()
    {
        Records records;
        records << sent(commandFrame(Command::ArcH, {40, 45, 270}));
        records << sent(commandFrame(Command::SetColorH, {0x07E0}));
        records << sent(commandFrame(Command::SdFileRead, {2, 70000}));
        records << sent(commandFrame(Command::ButtonDef, {1, 1, 2, 3, 4, 310, 5, 6, 7}));
        const QString path = capture(records);
        QVERIFY(!path.isEmpty());

        const Rows rows = dissect(path, {"vexel900.word", "vexel900.angle", "vexel900.color",
                                         "vexel900.byte", "vexel900.count"});
        QCOMPARE(rows.size(), 4);
        QCOMPARE(rows[0], QStringList({"40", "45,270", "", "", ""}));
        QCOMPARE(rows[1], QStringList({"", "", "0x07e0", "", ""}));
        QCOMPARE(rows[2], QStringList({"", "", "", "2", "70000"}));
        QCOMPARE(rows[3], QStringList({"310", "", "", "1,1,2,3,4,5,6,7", ""}));
    }

    void yFollowsTheMode_data() { addWriterRows(); }

    void yFollowsTheMode()
    {
        Records records;
        records << sent(commandFrame(Command::SetXHY, {300, 200}));
        records << sent(commandFrame(Command::ExtendedMode));
        records << sent(commandFrame(Command::SetXHY, {300, 1000}, true));
        records << sent(commandFrame(Command::LineToXHY, {10, 513}, true));
        records << sent(commandFrame(Command::StandardMode));
        records << sent(commandFrame(Command::LineToXHY, {5, 6}));
        const QString path = capture(records);
        QVERIFY(!path.isEmpty());

        const Rows rows = dissect(path, {"vexel900.command", "vexel900.word", "vexel900.y"});
        QCOMPARE(column(rows, 2), QStringList({"200", "", "1000", "513", "", "6"}));
        QCOMPARE(column(rows, 1), QStringList({"300", "", "300", "10", "", "5"}));
    }

    void framesSpanPackets_data() { addWriterRows(); }

    void framesSpanPackets()
    {
        Records records = commandRecords(Command::PrintString, {}, QStringLiteral("Hello"));
        QCOMPARE(records.size(), 3); // head, text, closing zero
        records << sent(commandFrame(Command::SdFileWrite, {1, 10}));
        records << sent("012345");
        records << sent(QByteArray("6789") + commandFrame(Command::Ping));
        // A head cut in two, then a text command whole in one packet.
        const QByteArray setXY = commandFrame(Command::SetXHY, {300, 200});
        records << sent(setXY.left(2)) << sent(setXY.mid(2) + QByteArray("\x2DHi\0", 4));
        const QString path = capture(records);
        QVERIFY(!path.isEmpty());

        const Rows rows = dissect(path, {"vexel900.command", "vexel900.continued", "vexel900.text",
                                         "vexel900.data", "_ws.col.Info"});
        QCOMPARE(rows.size(), records.size());
        QCOMPARE(column(rows, 0), QStringList({"printString", "", "", "SD_FILE_WRITE", "", "ping",
                                               "SetXHY", "SetXHY,printString"}));
        QCOMPARE(column(rows, 1), QStringList({"", "printString", "printString", "",
                                               "SD_FILE_WRITE", "SD_FILE_WRITE", "", ""}));
        QCOMPARE(column(rows, 2), QStringList({"", "Hello", "", "", "", "", "", "Hi"}));
        QCOMPARE(rows[4].value(3), QStringLiteral("303132333435")); // "012345"
        QCOMPARE(rows[5].value(3), QStringLiteral("36373839"));     // "6789"
        QCOMPARE(rows[2].value(4), QStringLiteral("printString \"Hello\""));
        QCOMPARE(rows[7].value(4), QStringLiteral("SetXHY 300, 200; printString \"Hi\""));
    }

    void repliesAreDescribed_data() { addWriterRows(); }

    void repliesAreDescribed()
    {
        Records records;
        records << sent(commandFrame(Command::Ping)) << received("8");
        records << received(QByteArray::fromHex("810a007f1400")); // touch at 10,20, no button
        records << received(QByteArray::fromHex("3f01"));
        records << received(QByteArray::fromHex("3d10270000"));
        records << received(QByteArray("Vexel900\0", 9));
        records << received(QByteArray::fromHex("0102"));
        const QString path = capture(records);
        QVERIFY(!path.isEmpty());

        const Rows rows = dissect(path, {"frame.p2p_dir", "vexel900.direction", "vexel900.reply",
                                         "vexel900.touch.x", "vexel900.touch.y"});
        QCOMPARE(column(rows, 0), QStringList({"0", "1", "1", "1", "1", "1", "1"}));
        QCOMPARE(column(rows, 1),
                 QStringList({"to module", "from module", "from module", "from module",
                              "from module", "from module", "from module"}));
        QCOMPARE(column(rows, 2),
                 QStringList({"", "pong", "touch x=10 y=20 button none", "? 01 (done)", "= 10000",
                              "text \"Vexel900\"", "reply 2 bytes"}));
        QCOMPARE(rows[2].mid(3), QStringList({"10", "20"}));
    }

    // Replies the reader pairs with a command read as the Traffic window reads
    // them, with the same latency: texts and files whose last byte leaves in
    // a later packet, a pong, a reply in two pieces and one nobody asked for.
    void repliesArePairedAsInTheTrafficWindow()
    {
        Records records;
        records << sent(commandFrame(Command::GetVersion), 0)
                << received(QByteArray("V2.7b\0", 6), 750);
        records << sent(commandFrame(Command::Ping), 1000) << received("8", 1400);
        records << sent(commandFrame(Command::ResetVexel), 2000)
                << received(QByteArray::fromHex("0012abcd"), 2300);
        qint64 at = 3000;
        for (const QByteArray &write : commandWrites(Command::SdFileOpen, {1}, "A.TXT"))
            records << sent(write, at += 100);
        records << received(QByteArray::fromHex("3f01"), 3500);
        records << sent(commandFrame(Command::SdFileWrite, {1, 3}), 4000) << sent("abc", 4500)
                << received(QByteArray::fromHex("3f01"), 5000);
        records << received(QByteArray::fromHex("810a007f1400"), 6000);
        records << sent(commandFrame(Command::GetVersion), 7000) << received("V2.", 7100)
                << received(QByteArray("7b\0", 3), 7150);
        const QString path = timedCapture(records);
        QVERIFY(!path.isEmpty());

        const Rows rows = dissect(path, {"vexel900.reply", "vexel900.latency", "vexel900.answers",
                                         "vexel900.command_in", "_ws.col.Info"});
        QCOMPARE(rows.size(), records.size());
        TrafficDecoder decoder;
        int paired = 0;
        for (int i = 0; i < records.size(); ++i) {
            const Decoded decoded = decoder.decode(records[i]);
            if (records[i].direction == Direction::Sent || decoded.latencyMicros < 0) {
                QVERIFY2(rows[i].value(1).isEmpty(), qPrintable(rows[i].join('|')));
                continue;
            }
            ++paired;
            QCOMPARE(rows[i].value(0), decoded.meaning);
            QCOMPARE(qRound64(rows[i].value(1).toDouble() * 1000), decoded.latencyMicros);
        }
        QCOMPARE(paired, 6);
        QCOMPARE(rows[1].value(0), QStringLiteral("version \"V2.7b\" for GETVERSION"));
        QCOMPARE(rows[1].mid(1, 3), QStringList({"0.75", "GETVERSION", "1"}));
        QCOMPARE(rows[3].mid(0, 4), QStringList({"pong", "0.4", "ping", "3"}));
        QCOMPARE(rows[3].value(4), QStringLiteral("pong (0.400 ms)"));
        QCOMPARE(rows[5].value(0),
                 QStringLiteral("serial number 0012abcd for getSerial/resetVEXEL"));
        QCOMPARE(rows[9].value(0), QStringLiteral("SD open OK for SD_FILE_OPEN"));
        QCOMPARE(rows[9].value(1), QStringLiteral("0.2"));  // from the text's zero
        QCOMPARE(rows[12].value(1), QStringLiteral("0.5")); // from the file's last byte
        QCOMPARE(rows[13].value(0), QStringLiteral("touch x=10 y=20 button none"));
        QCOMPARE(rows[15].value(0),
                 QStringLiteral("version \"V2.\" (no closing zero) for GETVERSION"));
        QCOMPARE(rows[16].value(0), QStringLiteral("text \"7b\""));
    }

    void simulatorCaptureIsReadFromTheModuleSide()
    {
        const QString path = scratch.filePath("simulator.pcapng");
        const std::unique_ptr<QProcess> simulator =
            launchSimulator(scratch.path(), {"--card", scratch.path(), "--capture", path});
        QVERIFY(simulator->waitForStarted(5000));
        QSerialPort port(nextDevice(*simulator));
        QVERIFY(port.open(QIODevice::ReadWrite));

        QCOMPARE(exchange(port, commandFrame(Command::Ping), 1), QByteArray("8"));
        port.write(commandFrame(Command::SetXHY, {300, 200}));
        port.write(commandWrites(Command::PrintString, {}, QStringLiteral("Hi")).join());
        QVERIFY(port.waitForBytesWritten(1000));
        QTest::qWait(200);
        simulator->write("quit\n");
        QVERIFY(simulator->waitForFinished(5000));

        const QStringList fields{"frame.p2p_dir", "vexel900.direction", "vexel900.command",
                                 "vexel900.reply"};
        const Rows rows = dissect(path, fields, {"-o", "vexel900.module_side:TRUE"});
        QVERIFY(rows.size() >= 3);
        QCOMPARE(rows[0], QStringList({"1", "to module", "ping", ""}));
        QCOMPARE(rows[1], QStringList({"0", "from module", "", "pong"}));
        QStringList commands;
        for (const QStringList &row : rows.mid(2)) {
            QCOMPARE(row.value(1), QStringLiteral("to module"));
            if (!row.value(2).isEmpty())
                commands << row.value(2);
        }
        QCOMPARE(commands.join(','), QStringLiteral("SetXHY,printString"));
        // The pong answers the ping from the module's side too.
        const Rows answers = dissect(path, {"vexel900.direction", "vexel900.answers"},
                                     {"-o", "vexel900.module_side:TRUE"});
        QCOMPARE(answers.value(1), QStringList({"from module", "ping"}));
        // Read as a bench's capture, the simulator's inbound ping is a reply.
        QCOMPARE(dissect(path, fields).value(0).value(1), QStringLiteral("from module"));
    }
};

QTEST_GUILESS_MAIN(TestDissector)
#include "tst_dissector.moc"
