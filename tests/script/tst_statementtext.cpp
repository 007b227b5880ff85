// Script lines written by the bench: from values, from bytes and from whole
// captures, each read back by the parser to exactly the bytes it came from.
#include "commands/frames.h"
#include "script/script.h"
#include "script/scriptfromcapture.h"
#include "script/statementtext.h"

#include <QRandomGenerator>
#include <QtTest>

using namespace script;

namespace {

struct Played
{
    QByteArray sent;
    QByteArray expected;
    QStringList errors;
};

// What a parsed script sends and expects, statement by statement, with the
// mode followed as a run follows it.
void play(const QVector<Statement> &statements, bool &extended, Played &out)
{
    for (const Statement &statement : statements) {
        if (statement.kind == Statement::Kind::Expect)
            out.expected += statement.bytes;
        for (int round = 0;
             round < (statement.kind == Statement::Kind::Repeat ? statement.count : 0); ++round)
            play(statement.body, extended, out);
        if (statement.kind != Statement::Kind::Repeat) {
            out.sent += statementWrites(statement, extended).join();
            extended = modeAfter(statement, extended);
        }
    }
}

Played played(const QString &text, bool extended = false)
{
    const ParseResult result = parseScript(text, {}, extended);
    Played out;
    for (const ScriptError &error : result.errors)
        out.errors << error.toString();
    play(result.script.statements, extended, out);
    return out;
}

QByteArray allBytes()
{
    QByteArray bytes;
    for (int i = 0; i < 256; ++i)
        bytes += char(i);
    return bytes;
}

// Value sets that reach the ends of every field.
QVector<ArgValues> valueSets(const CommandSpec &command, bool extended)
{
    QVector<ArgValues> sets(3);
    for (std::size_t i = 0; i < argCount(command) && command.args[i] != Arg::Text; ++i) {
        const Arg arg = command.args[i];
        const qint64 top = arg == Arg::Byte             ? 0xFF
                           : arg == Arg::Count32        ? 0xFFFFFFFFLL
                           : arg == Arg::Angle          ? largestDegrees
                           : arg == Arg::Y && !extended ? 0xFF
                                                        : 0xFFFF;
        sets[0] << 0;
        sets[1] << top;
        sets[2] << (top / 3 + qint64(i));
    }
    return sets;
}

TrafficRecord sent(const QByteArray &bytes)
{
    return {Direction::Sent, 0, bytes};
}

TrafficRecord received(const QByteArray &bytes)
{
    return {Direction::Received, 0, bytes};
}

QByteArray joined(const QVector<TrafficRecord> &records, Direction direction)
{
    QByteArray bytes;
    for (const TrafficRecord &record : records) {
        if (record.direction == direction)
            bytes += record.bytes;
    }
    return bytes;
}

QStringList linesStarting(const QString &script, const QString &start)
{
    return script.split(QLatin1Char('\n')).filter(QRegularExpression(QLatin1Char('^') + start));
}

} // namespace

class TestStatementText : public QObject
{
    Q_OBJECT

private slots:
    void everyCommandReadsBack_data()
    {
        QTest::addColumn<bool>("extended");
        QTest::newRow("standard mode") << false;
        QTest::newRow("extended mode") << true;
    }

    void everyCommandReadsBack()
    {
        QFETCH(bool, extended);
        for (const CommandSpec &command : allCommands()) {
            for (const ArgValues &values : valueSets(command, extended)) {
                for (const QByteArray &text : {allBytes().mid(1), QByteArray("A")}) {
                    const QString line = statementText(command.id, values, text, extended);
                    const QByteArray bytes =
                        commandWritesOfBytes(command.id, values, text, extended).join();
                    const Played back = played(line, extended);
                    QVERIFY2(back.errors.isEmpty(), qPrintable(line + back.errors.join(' ')));
                    QVERIFY2(back.sent == bytes, qPrintable(line));
                    // Only the file head, which names a size, needs raw bytes.
                    QCOMPARE(line.startsWith(QLatin1String("send ")),
                             command.id == Command::SdFileWrite);
                }
            }
        }
    }

    void everyColourWordReadsBack()
    {
        for (int word = 0; word <= 0xFFFF; ++word) {
            const QString line = statementText(Command::SetColorH, {word}, {});
            if (!line.startsWith(QLatin1String("SetColorH #")) ||
                played(line).sent != commandFrame(Command::SetColorH, {word}))
                QFAIL(qPrintable(line));
        }
        QCOMPARE(colorText(0xF800), QStringLiteral("#ff0000"));
        QCOMPARE(colorText(0x0841), QStringLiteral("#080808"));
    }

    // Turn units come back as the one whole degree that gives them.
    void degreesOfEveryUnit()
    {
        int whole = 0;
        for (quint32 units = 0; units <= 0xFFFF; ++units) {
            if (const std::optional<qint64> degrees = degreesOfTurnUnits(units)) {
                QCOMPARE(turnUnits(*degrees), qint64(units));
                ++whole;
            }
        }
        QCOMPARE(whole, int(largestDegrees) + 1);
        QVERIFY(!degreesOfTurnUnits(0x10000));
        QCOMPARE(statementText(Command::ArcH, {50, 90, 360}, {}), QStringLiteral("arcH 50 90 360"));
    }

    // Values beyond their field are written as the bytes they send; what no
    // statement can say becomes a send line of the same bytes.
    void awkwardValuesKeepTheirBytes_data()
    {
        QTest::addColumn<int>("command");
        QTest::addColumn<ArgValues>("values");
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<bool>("extended");
        QTest::addColumn<bool>("asBytes");
        auto row = [](const char *label, Command id, ArgValues values, QByteArray text,
                      bool extended, bool asBytes) {
            QTest::newRow(label) << int(id) << values << text << extended << asBytes;
        };
        row("byte over 255", Command::SelectFont, {300}, {}, false, false);
        row("y over 255, standard", Command::SetXHY, {70000, 300}, {}, false, false);
        row("negative word", Command::CircleRH, {-2}, {}, false, false);
        row("angle past a word wraps", Command::ArcH, {1, 2, 1441}, {}, false, false);
        row("negative angle", Command::ArcH, {1, -1, 3}, {}, true, true);
        row("empty sd name", Command::SdFileDelete, {}, {}, false, true);
        row("empty print", Command::PrintString, {}, {}, false, false);
        row("zero in text", Command::PrintString, {}, QByteArray("a\0b", 3), false, true);
        row("file head", Command::SdFileWrite, {1, 70000}, {}, false, true);
    }

    void awkwardValuesKeepTheirBytes()
    {
        QFETCH(int, command);
        QFETCH(ArgValues, values);
        QFETCH(QByteArray, text);
        QFETCH(bool, extended);
        QFETCH(bool, asBytes);
        const QString line = statementText(Command(command), values, text, extended);
        QCOMPARE(line.startsWith(QLatin1String("send ")), asBytes);
        const Played back = played(line, extended);
        QVERIFY2(back.errors.isEmpty(), qPrintable(line));
        QCOMPARE(back.sent, commandWritesOfBytes(Command(command), values, text, extended).join());
    }

    void bytesReadBack()
    {
        QCOMPARE(sendText(QByteArray::fromHex("8400f8")), QStringLiteral("send 84 00 f8"));
        QCOMPARE(quotedText("a\"\\\n\r\t\x7f\x80"),
                 QStringLiteral("\"a\\\"\\\\\\n\\r\\t\\x7f\\x80\""));
        QCOMPARE(played(QStringLiteral("send ") + quotedText(allBytes())).sent, allBytes());
        QRandomGenerator random(99);
        for (int round = 0; round < 200; ++round) {
            QByteArray bytes(1 + int(random.bounded(64)), '\0');
            for (char &c : bytes) // zeros included
                c = char(random.bounded(256));
            QCOMPARE(played(sendText(bytes)).sent, bytes);
            QCOMPARE(played(expectText(bytes)).expected, bytes);
        }
    }

    // A session of many kinds of frames, split and interleaved as a real
    // line splits them, reads back to its bytes in order.
    void captureReadsBack()
    {
        const QByteArray file = allBytes().left(70);
        const QVector<TrafficRecord> records{
            sent(commandFrame(Command::SetColorH, {0xF800})),
            sent("\x2d"), // printString, its text in pieces, a reply between them
            sent("He"),
            received("8"),
            sent("llo"),
            sent(QByteArray(1, '\0')),
            sent(commandFrame(Command::ExtendedMode)),
            sent(commandFrame(Command::SetXHY, {10, 300}, true)),
            sent(commandFrame(Command::StandardMode) + commandFrame(Command::SetXHY, {10, 20})),
            sent(QByteArray::fromHex("8f003200012000")), // an angle of no whole degree
            sent(QByteArray::fromHex("fd")),
            sent(commandFrame(Command::SdFileWrite, {1, file.size()})),
            sent(file.left(40)),
            sent(file.mid(40) + commandFrame(Command::Cls)),
            received("\x3f"),
            received("\x01"),
            sent(QByteArray(40, '\x01')),        // no command has this code
            sent(QByteArray::fromHex("710100")), // an empty name, as no button sends it
            sent(QByteArray::fromHex("8500")),   // cut off at the end
        };
        const QString script = scriptFromRecords(records, QStringLiteral("bench.pcapng"));
        QVERIFY(script.startsWith(QLatin1String("# Script from bench.pcapng: 19 records")));
        const Played back = played(script);
        QVERIFY2(back.errors.isEmpty(), qPrintable(back.errors.join('\n')));
        QCOMPARE(back.sent, joined(records, Direction::Sent));
        QCOMPARE(back.expected, joined(records, Direction::Received));

        const QStringList lines = script.split(QLatin1Char('\n'));
        const int print = lines.indexOf(QStringLiteral("printString \"Hello\""));
        QVERIFY(print > 0);
        QCOMPARE(lines.at(print + 1), QStringLiteral("expect 38")); // after the frame it cut
        QVERIFY(lines.contains(QStringLiteral("SetXHY 10 300")));
        QVERIFY(lines.contains(QStringLiteral("SetXHY 10 20")));
        QVERIFY(lines.contains(QStringLiteral("getSerial")));
        QVERIFY(lines.contains(QStringLiteral("expect 3f 01")));
        QCOMPARE(lines.filter(QStringLiteral("SD_FILE_WRITE to file 1")).size(), 1);
        for (const QString &line : linesStarting(script, QStringLiteral("send ")))
            QVERIFY2(line.count(QLatin1Char(' ')) <= sendLineBytes, qPrintable(line));
        QCOMPARE(lines.at(lines.size() - 2), QStringLiteral("send 85 00"));
    }

    // Random sessions: frames of every command with random values, bytes of
    // no command, random splits and replies in between.
    void randomSessionsReadBack()
    {
        QRandomGenerator random(2024);
        for (int session = 0; session < 300; ++session) {
            QByteArray stream;
            bool extended = false;
            for (int frames = int(random.bounded(12)); frames > 0; --frames) {
                if (random.bounded(6) == 0) {
                    stream += char(random.bounded(256));
                    continue;
                }
                const CommandSpec &command =
                    allCommands()[random.bounded(int(allCommands().size()))];
                ArgValues values;
                for (std::size_t i = 0; i < argCount(command) && command.args[i] != Arg::Text; ++i)
                    values << qint64(
                        random.bounded(command.id == Command::SdFileWrite ? 80 : 70000));
                QByteArray text(int(random.bounded(5)), 'x');
                for (char &c : text)
                    c = char(1 + random.bounded(255));
                stream += commandWritesOfBytes(command.id, values, text, extended).join();
                if (command.id == Command::ExtendedMode || command.id == Command::StandardMode)
                    extended = command.id == Command::ExtendedMode;
            }
            QVector<TrafficRecord> records;
            for (int at = 0; at < stream.size();) {
                const int length = 1 + int(random.bounded(8));
                records << sent(stream.mid(at, length));
                at += length;
                if (random.bounded(4) == 0)
                    records << received(QByteArray(1 + int(random.bounded(3)), char(session)));
            }
            const QString script = scriptFromRecords(records);
            const Played back = played(script);
            QVERIFY2(back.errors.isEmpty(), qPrintable(script + back.errors.join('\n')));
            QVERIFY2(back.sent == stream, qPrintable(script));
            QCOMPARE(back.expected, joined(records, Direction::Received));
        }
    }
};

QTEST_APPLESS_MAIN(TestStatementText)
#include "tst_statementtext.moc"
