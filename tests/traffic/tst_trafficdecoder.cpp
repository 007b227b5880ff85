// Decoding a session's records: frames built by the bench's own builders,
// replies read by its own reader, in the order the bench writes and reads.
#include "commands/colors.h"
#include "commands/frames.h"
#include "traffic/trafficdecoder.h"

#include <QSet>
#include <QtTest>

Q_DECLARE_METATYPE(Command)

namespace {

TrafficRecord sent(const QByteArray &bytes, qint64 micros = 0)
{
    return {Direction::Sent, micros, bytes};
}

TrafficRecord received(const QByteArray &bytes, qint64 micros = 0)
{
    return {Direction::Received, micros, bytes};
}

QByteArray hex(const char *text)
{
    return QByteArray::fromHex(text);
}

// Feeds the writes of one command as the bench makes them, one record each
// and `step` microseconds apart; returns what each record meant.
QStringList send(TrafficDecoder &decoder, Command id, const ArgValues &values = {},
                 const QString &text = {}, qint64 micros = 0, qint64 step = 0)
{
    QStringList meanings;
    for (const QByteArray &bytes : commandWrites(id, values, text, decoder.extendedMode())) {
        meanings << decoder.decode(sent(bytes, micros)).meaning;
        micros += step;
    }
    return meanings;
}

QString namesOfCode(quint8 code)
{
    QStringList names;
    for (const CommandSpec &command : allCommands()) {
        if (command.code == code)
            names << QLatin1String(command.name);
    }
    return names.join(QLatin1Char('/'));
}

bool codeArms(quint8 code)
{
    for (const CommandSpec &command : allCommands()) {
        if (command.code == code && command.has(ArmsReply))
            return true;
    }
    return false;
}

// A distinct value per kind and position, each within its field.
qint64 sampleValue(Arg arg, int index, bool extended)
{
    switch (arg) {
    case Arg::Byte:
        return 10 + 7 * index;
    case Arg::Word:
        return 300 + 11 * index;
    case Arg::ColorWord:
        return 0x1234 + 0x1111 * index;
    case Arg::Angle:
        return 30 + 45 * index; // degrees; 30 is no whole number of turn units
    case Arg::Count32:
        return 70000 + index;
    case Arg::Y:
        return extended ? 300 + index : 20 + index;
    default:
        return 0;
    }
}

QString shownValue(Arg arg, qint64 value)
{
    switch (arg) {
    case Arg::ColorWord:
        return colorOfWord(quint16(value)).name() + QStringLiteral(" (0x") +
               QString::number(value, 16).toUpper().rightJustified(4, QLatin1Char('0')) +
               QLatin1Char(')');
    case Arg::Angle:
        return QString::number(value) + QStringLiteral("°");
    default:
        return QString::number(value);
    }
}

struct Sample
{
    ArgValues values;
    QString text;
    QString expected;
};

Sample sampleOf(const CommandSpec &command, bool extended)
{
    Sample sample;
    QStringList words{namesOfCode(command.code)};
    const QStringList labels = argumentLabels(command.id);
    for (std::size_t i = 0; i < argCount(command); ++i) {
        const Arg arg = command.args[i];
        if (arg == Arg::Text) {
            sample.text = QStringLiteral("F%1.TXT").arg(i);
            words << QLatin1Char('"') + sample.text + QLatin1Char('"');
            continue;
        }
        sample.values << sampleValue(arg, int(i), extended);
        words << labels.value(int(i)) + QLatin1Char('=') + shownValue(arg, sample.values.last());
    }
    sample.expected = words.join(QLatin1Char(' '));
    return sample;
}

TrafficDecoder decoderIn(bool extended)
{
    TrafficDecoder decoder;
    if (extended)
        decoder.decode(sent(commandFrame(Command::ExtendedMode)));
    return decoder;
}

} // namespace

class TestTrafficDecoder : public QObject
{
    Q_OBJECT

private slots:
    // A reopened line ends an unfinished file or text, but the mode and the
    // armed command stay, as they do in the bench.
    void aNewLineKeepsModeAndArming()
    {
        TrafficDecoder decoder = decoderIn(true);
        decoder.decode(sent(commandFrame(Command::SdFileWrite, {1, 1000})));
        decoder.lineReset();
        QCOMPARE(decoder.decode(sent(commandFrame(Command::SetXHY, {10, 300}, true))).meaning,
                 QString("SetXHY x=10 y=300"));
        QCOMPARE(decoder.pendingCommand(), codeOf(Command::SdFileWrite));
    }

    void everyCommandShowsItsValues_data()
    {
        QTest::addColumn<bool>("extended");
        QTest::newRow("standard mode") << false;
        QTest::newRow("extended mode") << true;
    }

    void everyCommandShowsItsValues()
    {
        QFETCH(bool, extended);
        for (const CommandSpec &command : allCommands()) {
            const Sample sample = sampleOf(command, extended);
            TrafficDecoder decoder = decoderIn(extended);
            const quint8 armedBefore = decoder.pendingCommand();
            const QStringList meanings = send(decoder, command.id, sample.values, sample.text);
            QCOMPARE(meanings.last(), sample.expected);
            QCOMPARE(decoder.pendingCommand(), codeArms(command.code) ? command.code : armedBefore);
        }
    }

    // One write holding every frame reads as the frames one by one.
    void framesInOneWriteReadInTurn_data() { everyCommandShowsItsValues_data(); }

    void framesInOneWriteReadInTurn()
    {
        QFETCH(bool, extended);
        QByteArray all;
        QStringList expected;
        for (const CommandSpec &command : allCommands()) {
            if (command.id == Command::SdFileWrite)
                continue; // what follows its head is file data
            const Sample sample = sampleOf(command, extended);
            all += commandWrites(command.id, sample.values, sample.text, extended).join();
            expected << sample.expected;
        }
        TrafficDecoder decoder = decoderIn(extended);
        QCOMPARE(decoder.decode(sent(all)).meaning, expected.join(QStringLiteral("; ")));
        QCOMPARE(decoder.pendingCommand(), codeOf(Command::SdFolderCreate));
    }

    void labelsCoverTheTable()
    {
        for (const CommandSpec &command : allCommands()) {
            const QStringList labels = argumentLabels(command.id);
            const std::size_t fixed = argCount(command) - (carriesText(command) ? 1 : 0);
            QVERIFY2(std::size_t(labels.size()) == fixed, command.name);
            QVERIFY2(!labels.contains(QString()), command.name);
            QVERIFY2(QSet<QString>(labels.begin(), labels.end()).size() == labels.size(),
                     command.name);
        }
    }

    void sharedCodesShareTheirLayout()
    {
        for (const CommandSpec &a : allCommands()) {
            for (const CommandSpec &b : allCommands()) {
                if (a.code == b.code)
                    QVERIFY2(a.args == b.args, a.name);
            }
        }
    }

    void exactFrames_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("meaning");
        const auto row = [](const char *name, const QByteArray &bytes, const QString &meaning) {
            QTest::newRow(name) << bytes << meaning;
        };
        row("position", commandFrame(Command::SetXHY, {10, 20}), "SetXHY x=10 y=20");
        row("red", commandFrame(Command::SetColorH, {0xF800}), "SetColorH color=#ff0000 (0xF800)");
        row("arc", commandFrame(Command::ArcH, {50, 90, 180}), "arcH radius=50 from=90° to=180°");
        row("arc in odd units", hex("8f00320001ffff"), "arcH radius=50 from=0.02° to=1439.98°");
        row("demo write", hex("840000 21 84ffff"),
            "SetColorH color=#000000 (0x0000); Cls; SetColorH color=#ffffff (0xFFFF)");
        row("text then frame", hex("2d486900 21"), "printString \"Hi\"; Cls");
        row("empty text", hex("2d00"), "printString \"\"");
        row("escapes", QByteArray("\x2d\"\\\n\x7f\xff", 6) + '\0',
            "printString \"\\\"\\\\\\x0a\\x7f\\xff\"");
        row("short before any argument", hex("8500"), "SetXHY (short frame: 2 of 4 bytes)");
        row("short in the last argument", hex("85000a"), "SetXHY x=10 (short frame: 3 of 4 bytes)");
        row("short text head", hex("71"), "SD_FILE_OPEN (short frame: 1 of 2 bytes)");
        row("extra bytes", hex("85000a14eeff00"), "SetXHY x=10 y=20 + 3 extra bytes");
        row("unknown code", hex("ee0102"), "unknown 0xEE (3 bytes)");
        row("shared code", hex("fd"), "getSerial/resetVEXEL");
        row("empty write", {}, "empty write");
    }

    void exactFrames()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, meaning);
        TrafficDecoder decoder;
        QCOMPARE(decoder.decode(sent(bytes)).meaning, meaning);
    }

    void textAcrossWrites()
    {
        TrafficDecoder decoder;
        QCOMPARE(send(decoder, Command::SdFileOpen, {2}, QStringLiteral("A.TXT")),
                 QStringList({"SD_FILE_OPEN file=2 (text follows)",
                              "SD_FILE_OPEN file=2 \"A.TXT\" (text continues)",
                              "SD_FILE_OPEN file=2 \"A.TXT\""}));
        // Text goes on over any number of writes until its zero.
        QCOMPARE(decoder
                     .decode(sent("\x2d"
                                  "ab"))
                     .meaning,
                 QStringLiteral("printString \"ab\" (text continues)"));
        QCOMPARE(decoder.decode(sent("cd")).meaning,
                 QStringLiteral("printString \"abcd\" (text continues)"));
        QCOMPARE(decoder.decode(sent(hex("650021"))).meaning,
                 QStringLiteral("printString \"abcde\"; Cls"));
    }

    void longTextIsCounted()
    {
        TrafficDecoder decoder;
        const QString text(300, QLatin1Char('A'));
        const QString meaning = send(decoder, Command::PrintString, {}, text).last();
        QVERIFY(meaning.startsWith("printString \"" + QString(256, QLatin1Char('A')) + "\"..."));
        QVERIFY(meaning.endsWith(QStringLiteral("(300 bytes)")));
    }

    // The bench switches when it sends the mode command, not on any answer.
    void extendedModeFollowsTheModeCommands()
    {
        TrafficDecoder decoder;
        QCOMPARE(decoder.decode(sent(hex("85000a14"))).meaning, QStringLiteral("SetXHY x=10 y=20"));
        send(decoder, Command::ExtendedMode);
        QVERIFY(decoder.extendedMode());
        QCOMPARE(decoder.decode(sent(commandFrame(Command::LineToXHY, {640, 480}, true))).meaning,
                 QStringLiteral("LINE_TO_XHY x=640 y=480"));
        QCOMPARE(decoder.decode(sent(hex("85000a14"))).meaning,
                 QStringLiteral("SetXHY x=10 (short frame: 4 of 5 bytes)"));
        send(decoder, Command::StandardMode);
        QVERIFY(!decoder.extendedMode());
        QCOMPARE(decoder.decode(sent(commandFrame(Command::SetXHY, {300, 200}))).meaning,
                 QStringLiteral("SetXHY x=300 y=200"));
    }

    void fileDataFollowsItsHead()
    {
        TrafficDecoder decoder;
        QCOMPARE(decoder.decode(sent(commandFrame(Command::SdFileWrite, {3, 10000}), 100)).meaning,
                 QStringLiteral("SD_FILE_WRITE file=3 size=10000"));
        const QByteArray block(4096, '\x21'); // looks like frames, yet is data
        QCOMPARE(decoder.decode(sent(block, 200)).meaning,
                 QStringLiteral("SD_FILE_WRITE data 4096 bytes (4096 of 10000)"));
        QCOMPARE(decoder.decode(sent(block, 300)).meaning,
                 QStringLiteral("SD_FILE_WRITE data 4096 bytes (8192 of 10000)"));
        QCOMPARE(decoder.decode(sent(QByteArray(1808, '\0') + hex("21"), 400)).meaning,
                 QStringLiteral("SD_FILE_WRITE data 1808 bytes (10000 of 10000); Cls"));
        // The module answers once the file is in: timed from its last byte.
        const Decoded reply = decoder.decode(received(hex("3f01"), 1400));
        QCOMPARE(reply.meaning, QStringLiteral("reply (2 bytes, not read) for SD_FILE_WRITE"));
        QCOMPARE(reply.latencyMicros, qint64(1000));
    }

    void fileDataInTheHeadsWrite()
    {
        TrafficDecoder decoder;
        const QByteArray head = commandFrame(Command::SdFileWrite, {0, 3});
        QCOMPARE(decoder.decode(sent(head + "xyz" + hex("21"))).meaning,
                 QStringLiteral("SD_FILE_WRITE file=0 size=3; SD_FILE_WRITE data 3 bytes (3 of 3); "
                                "Cls"));
        QCOMPARE(
            decoder.decode(sent(commandFrame(Command::SdFileWrite, {0, 0}) + hex("21"))).meaning,
            QStringLiteral("SD_FILE_WRITE file=0 size=0; Cls"));
    }

    void replies_data()
    {
        QTest::addColumn<Command>("armedBy");
        QTest::addColumn<QByteArray>("chunk");
        QTest::addColumn<QString>("meaning");
        QTest::addColumn<bool>("paired");
        QTest::addColumn<int>("pendingAfter");
        const auto paired = [](const char *name, Command armedBy, const QByteArray &chunk,
                               const QString &meaning) {
            QTest::newRow(name) << armedBy << chunk << meaning << true << 0;
        };
        const auto unpaired = [](const char *name, Command armedBy, const QByteArray &chunk,
                                 const QString &meaning) {
            const int stays = codeArms(codeOf(armedBy)) ? codeOf(armedBy) : 0;
            QTest::newRow(name) << armedBy << chunk << meaning << false << stays;
        };
        paired("list", Command::SdFileList, QByteArray("A.TXT\r\nB.TXT\0junk", 17),
               "file list \"A.TXT\\x0d\\x0aB.TXT\" for SD_FILE_LIST");
        paired("list without zero", Command::SdFileList, "caf\xc3\xa9",
               "file list \"caf\\xc3\\xa9\" (no closing zero) for SD_FILE_LIST");
        paired("open ok", Command::SdFileOpen, hex("3f01"), "SD open OK for SD_FILE_OPEN");
        paired("open status 2", Command::SdFileOpen, hex("3f02"),
               "SD open FAILED for SD_FILE_OPEN");
        paired("open marker only", Command::SdFileOpen, "?",
               "SD open FAILED (short: 1 of 2 bytes) for SD_FILE_OPEN");
        paired("open wrong marker", Command::SdFileOpen, hex("2101"),
               "reply (2 bytes, not read) for SD_FILE_OPEN");
        paired("create", Command::SdFileCreate, hex("3f00ff"),
               "SD create 3f00ff for SD_FILE_CREATE");
        paired("create empty", Command::SdFileCreate, {}, "SD create (empty) for SD_FILE_CREATE");
        paired("space", Command::SdSpaceInfo, hex("3d10270000"),
               "SD space 10000 for SD_SPACE_INFO");
        paired("space extra", Command::SdSpaceInfo, hex("3d01000000ff"),
               "SD space 1 + 1 extra byte for SD_SPACE_INFO");
        paired("size short", Command::SdFileGetSize, hex("3d3412"),
               "SD file size 4660 (short: 3 of 5 bytes) for SD_FILE_GET_SIZE");
        paired("size empty", Command::SdFileGetSize, {},
               "reply (0 bytes, not read) for SD_FILE_GET_SIZE");
        paired("tell marker only", Command::SdFileTell, "=",
               "SD position 0 (short: 1 of 5 bytes) for SD_FILE_TELL");
        paired("card", Command::SdInserted, "=", "SD card inserted YES for SD_INSERTED");
        paired("no card", Command::SdInserted, ">", "SD card inserted No for SD_INSERTED");
        paired("serial", Command::ResetVexel, hex("0012abcd"),
               "serial number 0012abcd for getSerial/resetVEXEL");
        paired("version", Command::GetVersion, QByteArray("V1.2\0\xff", 6),
               "version \"V1.2\" for GETVERSION");
        paired("file written", Command::SdFileWrite, hex("3f01"),
               "reply (2 bytes, not read) for SD_FILE_WRITE");
        paired("pong read as created", Command::SdFileCreate, "8",
               "pong; SD create 38 for SD_FILE_CREATE");
        paired("touch read as a size", Command::SdFileGetSize, hex("810502001001"),
               "touch x=261 y=144; reply (6 bytes, not read) for SD_FILE_GET_SIZE");
        paired("version that reads as a touch", Command::GetVersion, hex("81410a"),
               "touch x=1345 y=0 (short: 3 of 6 bytes); "
               "version \"\\xef\\xbf\\xbdA\\x0a\" (no closing zero) for GETVERSION");
        // A ping arms nothing, yet its pong is timed from it.
        paired("pong", Command::Ping, "8", "pong");
        paired("pong and more", Command::Ping, "8ok", "pong + 2 extra bytes");
        unpaired("touch", Command::Cls, hex("810502001001"), "touch x=261 y=144");
        unpaired("touch extra", Command::Cls, hex("81050200100199"),
                 "touch x=261 y=144 + 1 extra byte");
        unpaired("touch marker only", Command::Cls, hex("81"),
                 "touch x=0 y=0 (short: 1 of 6 bytes)");
        unpaired("nothing armed", Command::Cls, "?\x01", "unrecognised 2 bytes");
        unpaired("settings stay armed", Command::ShowSettings, "=\x01", "unrecognised 2 bytes");
        unpaired("empty chunk", Command::Cls, {}, "empty chunk");
    }

    void replies()
    {
        QFETCH(Command, armedBy);
        QFETCH(QByteArray, chunk);
        QFETCH(QString, meaning);
        QFETCH(bool, paired);
        QFETCH(int, pendingAfter);
        TrafficDecoder decoder;
        ArgValues values;
        for (std::size_t i = 0; i < argCount(spec(armedBy)); ++i) {
            if (spec(armedBy).args[i] != Arg::Text)
                values << 0; // no file data after a write head
        }
        // Timed from the last write of the command.
        send(decoder, armedBy, values, QStringLiteral("A.TXT"), 1000, 100);
        const qint64 lastWrite = 1000 + 100 * (commandWrites(armedBy, values, "A.TXT").size() - 1);
        const Decoded decoded = decoder.decode(received(chunk, 5000));
        QCOMPARE(decoded.meaning, meaning);
        QCOMPARE(decoded.latencyMicros, paired ? 5000 - lastWrite : qint64(-1));
        QCOMPARE(int(decoder.pendingCommand()), pendingAfter);
    }

    void splitReplies()
    {
        TrafficDecoder decoder;
        send(decoder, Command::SdFileGetSize, {1}, {}, 100);
        QCOMPARE(decoder.decode(received(hex("3d34"), 400)).meaning,
                 QStringLiteral("SD file size 52 (short: 2 of 5 bytes) for SD_FILE_GET_SIZE"));
        const Decoded rest = decoder.decode(received(hex("120000"), 450));
        QCOMPARE(rest.meaning,
                 QStringLiteral("unrecognised 3 bytes, perhaps the rest of the SD_FILE_GET_SIZE "
                                "reply"));
        QCOMPARE(rest.latencyMicros, qint64(-1));
        QCOMPARE(decoder.decode(received(hex("01"))).meaning,
                 QStringLiteral("unrecognised 1 byte"));

        QCOMPARE(decoder.decode(received(hex("8105"))).meaning,
                 QStringLiteral("touch x=5 y=0 (short: 2 of 6 bytes)"));
        QCOMPARE(decoder.decode(received(hex("02001001"))).meaning,
                 QStringLiteral("unrecognised 4 bytes, perhaps the rest of the touch report"));

        send(decoder, Command::SdFileList, {}, QStringLiteral("*"));
        QCOMPARE(
            decoder.decode(received("A.TXT\r\n")).meaning,
            QStringLiteral("file list \"A.TXT\\x0d\\x0a\" (no closing zero) for SD_FILE_LIST"));
        QCOMPARE(
            decoder.decode(received(QByteArray("B.TXT\0", 6))).meaning,
            QStringLiteral("unrecognised 6 bytes, perhaps the rest of the SD_FILE_LIST reply"));
    }

    // Only the command armed last is answered, and only once.
    void latestArmedCommandIsAnswered()
    {
        TrafficDecoder decoder;
        send(decoder, Command::GetVersion, {}, {}, 100);
        send(decoder, Command::Ping, {}, {}, 150); // arms nothing
        send(decoder, Command::SdInserted, {}, {}, 200);
        const Decoded answer = decoder.decode(received("=", 500));
        QCOMPARE(answer.meaning, QStringLiteral("SD card inserted YES for SD_INSERTED"));
        QCOMPARE(answer.latencyMicros, qint64(300));
        QCOMPARE(decoder.decode(received("=", 600)).latencyMicros, qint64(-1));
    }

    void resetForgetsTheSession()
    {
        TrafficDecoder decoder;
        send(decoder, Command::ExtendedMode);
        decoder.decode(sent(commandFrame(Command::SdFileWrite, {0, 100})));
        decoder.reset();
        QVERIFY(!decoder.extendedMode());
        QCOMPARE(decoder.pendingCommand(), quint8(0));
        QCOMPARE(decoder.decode(sent(hex("85000a14"))).meaning, QStringLiteral("SetXHY x=10 y=20"));

        decoder.decode(sent(hex("2d41")));
        decoder.reset();
        QCOMPARE(decoder.decode(sent(hex("21"))).meaning, QStringLiteral("Cls"));
    }

    void hexAndAsciiViews()
    {
        QCOMPARE(hexText({}), QString());
        QCOMPARE(hexText(hex("3f01ff00")), QStringLiteral("3f 01 ff 00"));
        QCOMPARE(asciiText(QByteArray("A\0~\x7f \x80\x1f", 7)), QStringLiteral("A.~. .."));
    }

    void namesComeFromTheTable()
    {
        const QStringList names = commandNames();
        QCOMPARE(names.size(), int(allCommands().size()));
        for (const CommandSpec &command : allCommands())
            QCOMPARE(names.at(int(command.id)), QString::fromLatin1(command.name));
    }
};

QTEST_APPLESS_MAIN(TestTrafficDecoder)
#include "tst_trafficdecoder.moc"
