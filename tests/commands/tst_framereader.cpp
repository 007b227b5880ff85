// Sent bytes read back into commands: against the builders for every
// command in both modes, against fixed bytes for the byte orders, and for
// frames the bytes end inside.
#include "commands/framereader.h"
#include "commands/frames.h"

#include <QtTest>

namespace {

QByteArray hex(const char *text)
{
    return QByteArray::fromHex(text);
}

// A value per kind and position that fills its field's top byte, so a
// byte order read the wrong way round shows.
qint64 sampleValue(Arg arg, int index, bool extended)
{
    switch (arg) {
    case Arg::Byte:
        return 0x90 + index;
    case Arg::Word:
        return 0x8102 + index;
    case Arg::ColorWord:
        return 0xF801 + index;
    case Arg::Angle:
        return 1439 - index; // degrees: the top byte of the turn units is set
    case Arg::Count32:
        return 0x89ABCDEF + index;
    case Arg::Y:
        return extended ? 0x8203 + index : 0xA0 + index;
    default:
        return 0;
    }
}

// What the wire holds for a value, as the reader gives it back.
quint32 wireValue(Arg arg, qint64 value)
{
    return quint32(arg == Arg::Angle ? turnUnits(value) : value);
}

using Values = QVector<quint32>;

} // namespace

class TestFrameReader : public QObject
{
    Q_OBJECT

private slots:
    void everyCommandReadsBackAsBuilt_data()
    {
        QTest::addColumn<bool>("extended");
        QTest::newRow("standard mode") << false;
        QTest::newRow("extended mode") << true;
    }

    // Each frame behind a Cls and before a Cls: the reader starts where it
    // is told and stops at the frame's own end.
    void everyCommandReadsBackAsBuilt()
    {
        QFETCH(bool, extended);
        const QByteArray text = "F\x01\xff";
        for (const CommandSpec &command : allCommands()) {
            ArgValues values;
            Values expected;
            for (std::size_t i = 0; i < argCount(command); ++i) {
                const Arg arg = command.args[i];
                if (arg == Arg::Text)
                    continue;
                values << sampleValue(arg, int(i), extended);
                expected << wireValue(arg, values.last());
            }
            const QByteArray cls = commandFrame(Command::Cls);
            const QByteArray frame =
                commandWritesOfBytes(command.id, values, text, extended).join();
            const SentFrame read = readSentFrame(cls + frame + cls, cls.size(), extended);
            QVERIFY2(read.command, command.name);
            QCOMPARE(read.command->code, command.code);
            QCOMPARE(read.values, expected);
            QCOMPARE(read.text, carriesText(command) ? text : QByteArray());
            QCOMPARE(read.end, cls.size() + frame.size());
            QVERIFY2(read.cut == SentFrame::Cut::None, command.name);
        }
    }

    void byteOrders_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<bool>("extended");
        QTest::addColumn<Values>("values");
        const auto row = [](const char *name, const char *bytes, bool extended,
                            const Values &values) {
            QTest::newRow(name) << hex(bytes) << extended << values;
        };
        row("colour low byte first", "84 00f8", false, {0xF800});
        row("count low byte first", "75 02 70110100", false, {2, 70000});
        row("word high byte first", "89 0320", false, {800});
        row("angle in turn units, high byte first", "8f 0032 1000 2000", false,
            {50, 0x1000, 0x2000});
        row("y a byte in standard mode", "85 012c c8", false, {300, 200});
        row("y a word in extended mode", "85 012c 03e8", true, {300, 1000});
        row("every byte of the button", "b0 07 03 0a 0b 0c 012c c8 64 28", false,
            {7, 3, 10, 11, 12, 300, 200, 100, 40});
    }

    void byteOrders()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(bool, extended);
        QFETCH(Values, values);
        const SentFrame read = readSentFrame(bytes, 0, extended);
        QCOMPARE(read.values, values);
        QCOMPARE(read.end, bytes.size());
        QVERIFY(read.cut == SentFrame::Cut::None);
    }

    void framesCutShort_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<bool>("extended");
        QTest::addColumn<int>("cut");
        QTest::addColumn<Values>("values");
        QTest::addColumn<QByteArray>("text");
        const auto row = [](const char *name, const char *bytes, bool extended, SentFrame::Cut cut,
                            const Values &values, const QByteArray &text) {
            QTest::newRow(name) << hex(bytes) << extended << int(cut) << values << text;
        };
        using Cut = SentFrame::Cut;
        row("code alone", "85", false, Cut::Head, {}, {});
        row("inside the first argument", "8500", false, Cut::Head, {}, {});
        row("before the last argument", "85000a", false, Cut::Head, {10}, {});
        // A whole standard frame lacks the low byte of an extended Y.
        row("y of extended mode", "85000a14", true, Cut::Head, {10}, {});
        row("head of a text command", "71", false, Cut::Head, {}, {});
        row("text not begun", "7102", false, Cut::Text, {2}, {});
        row("text without its zero", "2d4869", false, Cut::Text, {}, "Hi");
        row("empty text closed", "2d00", false, Cut::None, {}, {});
    }

    // A cut frame ends where the bytes do, with what was whole.
    void framesCutShort()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(bool, extended);
        QFETCH(int, cut);
        QFETCH(Values, values);
        QFETCH(QByteArray, text);
        const SentFrame read = readSentFrame(bytes, 0, extended);
        QVERIFY(read.command);
        QCOMPARE(int(read.cut), cut);
        QCOMPARE(read.values, values);
        QCOMPARE(read.text, text);
        QCOMPARE(read.end, bytes.size());
    }

    void codesOfNoCommandOrOfSeveral()
    {
        const SentFrame unknown = readSentFrame(hex("21ee21"), 1, false);
        QVERIFY(!unknown.command);
        QCOMPARE(unknown.end, 2);

        // getSerial and resetVEXEL send the same byte: the table's first names it.
        const SentFrame shared = readSentFrame(hex("fd21"), 0, false);
        QVERIFY(shared.command);
        QCOMPARE(shared.command->id, Command::GetSerial);
        QCOMPARE(shared.end, 1);
    }

    // A text whose frame began in an earlier write goes on to its zero.
    void textGoesOnInLaterBytes()
    {
        const TextRun closed = readText(QByteArray("cd\0\x21", 4), 0);
        QCOMPARE(closed.bytes, QByteArray("cd"));
        QVERIFY(closed.closed);
        QCOMPARE(closed.end, 3);

        const TextRun open = readText("xcd", 1);
        QCOMPARE(open.bytes, QByteArray("cd"));
        QVERIFY(!open.closed);
        QCOMPARE(open.end, 3);

        const TextRun zeroOnly = readText(QByteArray(1, '\0'), 0);
        QVERIFY(zeroOnly.closed);
        QVERIFY(zeroOnly.bytes.isEmpty());
        QCOMPARE(zeroOnly.end, 1);
    }

    void headLengthFollowsTheMode()
    {
        QCOMPARE(headLength(spec(Command::SetXHY), false), 4);
        QCOMPARE(headLength(spec(Command::SetXHY), true), 5);
        QCOMPARE(headLength(spec(Command::SdFileOpen), false), 2); // text not counted
        QCOMPARE(headLength(spec(Command::ButtonDef), true), 11);
        QCOMPARE(headLength(spec(Command::Cls), false), 1);
    }
};

QTEST_APPLESS_MAIN(TestFrameReader)
#include "tst_framereader.moc"
