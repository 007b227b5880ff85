// The script language read line by line: every command of the table sends
// what its button sends, and every mistake is reported where it stands.
#include "commands/colors.h"
#include "commands/frames.h"
#include "commands/replydecoder.h"
#include "script/script.h"

#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QtTest>

using namespace script;

Q_DECLARE_METATYPE(Command)

namespace {

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
        return 30 + 45 * index;
    case Arg::Count32:
        return 70000 + index;
    case Arg::Y:
        return extended ? 300 + index : 200 + index;
    default:
        return 0;
    }
}

// Numbers alternate between decimal and hex, so both forms go through.
QString numberText(qint64 value, int index)
{
    return index % 2 ? QStringLiteral("0x") + QString::number(value, 16) : QString::number(value);
}

ParseResult parsed(const QString &text, const QString &baseDir = {}, bool extended = false)
{
    return parseScript(text, baseDir, extended);
}

Statement only(const QString &line, bool extended = false)
{
    const ParseResult result = parsed(line, {}, extended);
    if (!result.ok())
        qWarning() << result.errors.first().toString();
    return result.ok() && result.script.statements.size() == 1 ? result.script.statements.first()
                                                               : Statement();
}

QByteArray bytesOf(const QString &line)
{
    return statementWrites(only(line), false).join();
}

ReplyExpectation expectation(const QString &line)
{
    return only(line).reply.value_or(ReplyExpectation{ReplyKind::Pong, QStringLiteral("none")});
}

} // namespace

class TestScriptParser : public QObject
{
    Q_OBJECT

private slots:
    void everyCommandSendsAsItsButton_data()
    {
        QTest::addColumn<Command>("command");
        QTest::addColumn<bool>("extended");
        for (const CommandSpec &command : allCommands()) {
            QTest::newRow(command.name) << command.id << false;
            if (std::count(command.args.begin(), command.args.end(), Arg::Y) > 0)
                QTest::newRow(QByteArray(command.name) + " extended") << command.id << true;
        }
    }

    void everyCommandSendsAsItsButton()
    {
        QFETCH(Command, command);
        QFETCH(bool, extended);
        const CommandSpec &table = spec(command);
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        ArgValues values;
        QString text;
        // Names are read in any case.
        QStringList words{extended ? QString(table.name).toLower() : QString(table.name).toUpper()};
        for (std::size_t i = 0; i < argCount(table); ++i) {
            const Arg arg = table.args[i];
            if (arg == Arg::Text) {
                text = QStringLiteral("F%1.TXT").arg(i);
                words << QLatin1Char('"') + text + QLatin1Char('"');
                continue;
            }
            values << sampleValue(arg, int(i), extended);
            words << numberText(values.last(), int(i));
        }
        QByteArrayList expected = commandWrites(command, values, text, extended);
        if (command == Command::SdFileWrite) { // a local file instead of its size
            QFile file(dir.filePath(QStringLiteral("data.bin")));
            QVERIFY(file.open(QIODevice::WriteOnly) && file.write(QByteArray(1234, 'x')) == 1234);
            file.close();
            words.last() = QStringLiteral("\"data.bin\"");
            expected = {commandFrame(command, {values.first(), 1234})};
        }

        const ParseResult result = parseScript(words.join(QLatin1Char(' ')), dir.path(), extended);
        QVERIFY2(result.ok(), qPrintable(result.errors.value(0).toString()));
        QCOMPARE(result.script.statements.size(), 1);
        QCOMPARE(statementWrites(result.script.statements.first(), extended), expected);
    }

    void coloursAreButtonWords()
    {
        QCOMPARE(bytesOf("SetColorH #ff0000"), commandFrame(Command::SetColorH, {0xF800}));
        QCOMPARE(bytesOf("setcolorkey #FF00ff"), commandFrame(Command::ColorKey, {0xF81F}));
        QCOMPARE(bytesOf("SET_BG_COLORH #123456"),
                 commandFrame(Command::SetBgColorH, {rgb565(QColor(0x12, 0x34, 0x56))}));
        QCOMPARE(bytesOf("SET_BG_COLORH 0x1234"), commandFrame(Command::SetBgColorH, {0x1234}));
    }

    void escapesAndRawBytes()
    {
        QCOMPARE(only("printString \"a\\n\\r\\t\\\"\\\\\\x41\\xff#\"").text,
                 QByteArray("a\n\r\t\"\\A\xff#"));
        QCOMPARE(only(QStringLiteral("printString \"é\"")).text, QStringLiteral("é").toLocal8Bit());
        QCOMPARE(only("send 84 0x00 f8FF \"A\\x00\" 0X7e").bytes,
                 QByteArray::fromHex("8400f8ff41007e"));
        QCOMPARE(only("send \"\"").bytes, QByteArray());
    }

    void commentsAndSource()
    {
        const ParseResult result = parsed("# a comment\n"
                                          "   # indented\n"
                                          "\n"
                                          "\tSetColorH #ff0000   # red, #00ff00 is green\n"
                                          "printString \"a # b\"#not a colour\n"
                                          "Cls #123456\r\n"
                                          "SetXHY 1 2#3\n");
        QCOMPARE(result.errors.size(), 3);
        QCOMPARE(result.errors.at(0).pos.line, 5); // a closing quote needs white space after it
        QCOMPARE(result.errors.at(0).pos.column, 20);
        QCOMPARE(result.errors.at(1).pos.line, 6); // six hex digits are a colour, not a comment
        QCOMPARE(result.errors.at(1).pos.column, 5);
        QCOMPARE(result.errors.at(2).pos.column, 10); // '#' inside a word is no comment
        const Statement colour = result.script.statements.first();
        QCOMPARE(colour.source, QStringLiteral("SetColorH #ff0000"));
        QCOMPARE(colour.pos.line, 4);
        QCOMPARE(colour.pos.column, 2);
        QCOMPARE(only("  printString \"a # b\"   # said twice  ").source,
                 QStringLiteral("printString \"a # b\""));
    }

    void errorsPointAtTheirPlace_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("line"); // within `text`
        QTest::addColumn<int>("column");
        QTest::addColumn<QString>("words");
        auto row = [](const char *label, int line, const char *text, int column,
                      const char *words) {
            QTest::newRow(label) << QString(text) << line << column << QString(words);
        };
        row("unknown command", 1, "  Clss", 3, "unknown command 'Clss' (did you mean Cls?)");
        row("unknown far off", 1, "frobnicate 1", 1, "unknown command 'frobnicate'");
        row("too few", 1, "  SetXHY 1", 3, "SetXHY takes 2 arguments (x y), got 1");
        row("too many", 1, "SetXHY 1 2 3", 12, "got 3");
        row("none taken", 1, "Cls 1", 5, "Cls takes no arguments");
        row("byte too big", 1, "select_font 256", 13, "select_font font takes 0..255, not 256");
        row("word too big", 1, "SetXHY 65536 0", 8, "0..65535");
        row("y in standard mode", 1, "LINE_TO_XHY 0 256", 15, "0..255 in standard mode");
        row("y beyond a word", 2, "setExtendedMode\nSetXHY 0 65536", 10, "0..65535");
        row("angle too big", 1, "arcH 10 0 1440", 11, "0..1439");
        row("count32 too big", 1, "SD_FILE_READ 1 4294967296", 16, "0..4294967295");
        row("negative", 1, "select_font -1", 13, "no negative numbers");
        row("bad number", 1, "select_font 12a", 13, "'12a' is not a number");
        row("bad hex number", 1, "select_font 0x1g", 13, "'0x1g' is not a number");
        row("huge number", 1, "select_font 99999999999999999999999", 13, "0..255");
        row("text for a number", 1, "select_font \"3\"", 13, "takes a number, not text");
        row("colour for a byte", 1, "select_font #ff0000", 13, "#rrggbb is for colours");
        row("number for text", 1, "printString Hi", 13,
            "printString takes its text in double quotes");
        row("unterminated", 1, "printString \"abc", 13, "unterminated text");
        row("escaped last quote", 1, "printString \"abc\\\"", 13, "unterminated text");
        row("bad escape", 1, "printString \"ab\\q\"", 16, "unknown escape \\q");
        row("short \\x", 1, "printString \"\\x4\"", 14, "\\x takes two hex digits");
        row("zero byte", 1, "printString \"ab\\x00\"", 16, "zero byte");
        row("empty sd name", 1, "SD_FILE_OPEN 1 \"\"", 16, "SD_FILE_OPEN needs a name");
        row("quote in a word", 1, "send ab\"c\"", 8, "a quote inside a word");
        row("quoted start", 1, "\"Cls\"", 1, "a statement starts with a command name");
        row("send nothing", 1, "send", 1, "send needs bytes");
        row("odd hex", 1, "send 84 8", 9, "'8' is not hex bytes");
        row("long 0x", 1, "send 0x8400", 6, "'0x8400' is not hex bytes");
        row("wait unitless", 1, "wait 5", 6, "'5' is no duration");
        row("wait finer than ms", 1, "wait 1.0005s", 6, "no duration");
        row("wait fraction of ms", 1, "wait 1.5ms", 6, "no duration");
        row("wait too long", 1, "wait 86401s", 6, "out of range");
        row("wait twice", 1, "wait 1s 2s", 9, "wait takes one duration");
        row("unknown reply", 1, "expect pnog", 8, "unknown reply 'pnog'");
        row("expect nothing", 1, "expect within 1s", 1, "expect needs bytes or a reply");
        row("within no time", 1, "expect 38 within", 11, "within needs a time");
        row("within zero", 1, "expect pong within 0ms", 20, "out of range");
        row("touch one coordinate", 1, "expect touch 1", 8, "expect touch X Y");
        row("touch off the word", 1, "expect touch 1 65536", 16, "0 to 65535");
        row("pong with text", 1, "expect pong now", 13, "write expect pong");
        row("sd without text", 1, "expect sd", 8, "expect sd \"TEXT\"");
        row("reply bad escape", 1, "expect version \"\\z\"", 17, "unknown escape");
        row("empty expect", 1, "expect \"\"", 8, "nothing to expect");
        row("repeat zero", 1, "repeat 0\nend", 8, "1 to 1000000");
        row("repeat word", 1, "repeat x\nend", 8, "1 to 1000000");
        row("repeat bare", 1, " repeat\nend", 2, "repeat takes one count");
        row("end alone", 2, "Cls\n  end", 3, "end without repeat");
        row("end with more", 2, "repeat 2\nend 2", 5, "end takes nothing");
        row("repeat open", 2, "Cls\n repeat 2\nCls", 2, "repeat without end");
        row("sd write size", 1, "SD_FILE_WRITE 1 100", 17, "a local file in quotes");
        row("sd write missing", 1, "SD_FILE_WRITE 1 \"missing.bin\"", 17, "cannot read");
        row("sd write folder", 1, "SD_FILE_WRITE 1 \".\"", 17, "is a folder");
        row("sd write device", 1, "SD_FILE_WRITE 1 \"/dev/null\"", 17, "not a plain file");
        row("sd write bad number", 1, "SD_FILE_WRITE 256 \"x\"", 15, "0..255");
        row("screen unnamed", 1, "screen\nend", 1, "screen takes one name");
        row("screen bare word", 1, "screen Main\nend", 8, "name goes in double quotes");
        row("screen blank name", 1, "screen \"  \"\nend", 8, "a screen needs a name");
        row("screen in a repeat", 2, "repeat 2\n screen \"A\"\n end\nend", 2, "stands alone");
        row("screen in a screen", 2, "screen \"A\"\nscreen \"B\"\nend\nend", 1, "stands alone");
        row("screen twice", 3, "screen \"A\"\nend\nscreen \"A\"\nend", 8,
            "a screen named \"A\" is already at line 2");
        row("screen open", 1, "screen \"A\"\nCls", 1, "screen without end");
        row("button name bare", 1, "buttonDef 1 1 0 0 0 10 10 50 20 as Go", 36,
            "name goes in double quotes");
        row("button name twice", 2,
            "buttonDef 1 1 0 0 0 10 10 50 20 as \"Go\"\n"
            "buttonDef 2 1 0 0 0 70 10 50 20 as \"Go\"",
            36, "a button named \"Go\" is already at line 2");
        row("button name outside twice", 5,
            "buttonDef 1 1 0 0 0 10 10 50 20 as \"Go\"\nscreen \"A\"\n"
            "buttonDef 2 1 0 0 0 10 10 50 20 as \"Go\"\nend\n"
            "buttonDef 3 1 0 0 0 10 10 50 20 as \"Go\"",
            36, "a button named \"Go\" is already at line 2");
        row("button name short", 1, "buttonDef 1 1 0 0 0 10 10 50 as \"Go\"", 1,
            "buttonDef takes 9 arguments");
    }

    // One message each, at the line and column of what is wrong.
    void errorsPointAtTheirPlace()
    {
        QFETCH(QString, text);
        QFETCH(int, line);
        QFETCH(int, column);
        QFETCH(QString, words);
        QTemporaryDir dir;
        const ParseResult result = parsed(QStringLiteral("Cls\n") + text, dir.path());
        QCOMPARE(result.errors.size(), 1);
        const ScriptError error = result.errors.first();
        QVERIFY2(error.message.contains(words), qPrintable(error.message));
        QCOMPARE(error.pos.line, line + 1);
        QCOMPARE(error.pos.column, column);
        QVERIFY(error.toString().startsWith(
            QStringLiteral("line %1, column %2: ").arg(line + 1).arg(column)));
        // Only a repeat the text ends inside could be mended by more lines.
        const QByteArray tag = QTest::currentDataTag();
        QCOMPARE(error.unclosed, tag == "repeat open" || tag == "screen open");
    }

    // Every bad line is reported, in order, and the good ones are kept.
    void everyBadLineIsReported()
    {
        const ParseResult result = parsed("Clss\n"
                                          "SetXHY 1 2\n"
                                          "select_font 999 999\n"
                                          "printString \"ok\"\n"
                                          "wait soon\n");
        QCOMPARE(result.errors.size(), 3);
        QCOMPARE(result.errors.at(0).pos.line, 1);
        QCOMPARE(result.errors.at(1).pos.line, 3);
        QCOMPARE(result.errors.at(2).pos.line, 5);
        QCOMPARE(result.script.statements.size(), 2);
        QVERIFY(!result.ok());
    }

    void nestedRepeats()
    {
        const ParseResult result = parsed("repeat 3\n"
                                          "  Cls\n"
                                          "  REPEAT 0x10\n"
                                          "    ping\n"
                                          "    wait 10ms\n"
                                          "  End\n"
                                          "end\n"
                                          "LightOn\n");
        QVERIFY(result.ok());
        QCOMPARE(result.script.statements.size(), 2);
        const Statement outer = result.script.statements.first();
        QCOMPARE(outer.kind, Statement::Kind::Repeat);
        QCOMPARE(outer.count, 3);
        QCOMPARE(outer.source, QStringLiteral("repeat 3"));
        QCOMPARE(outer.body.size(), 2);
        const Statement inner = outer.body.at(1);
        QCOMPARE(inner.count, 16);
        QCOMPARE(inner.pos.line, 3);
        QCOMPARE(inner.pos.column, 3);
        QCOMPARE(inner.body.size(), 2);
        QCOMPARE(inner.body.at(1).waitMs, 10);
        QCOMPARE(result.script.statements.at(1).command, Command::LightOn);

        QString deep;
        for (int i = 0; i <= deepestRepeat; ++i)
            deep += QStringLiteral("repeat 2\n");
        deep += QStringLiteral("Cls\n") + QStringLiteral("end\n").repeated(deepestRepeat + 1);
        const ParseResult tooDeep = parsed(deep);
        QCOMPARE(tooDeep.errors.size(), 1);
        QCOMPARE(tooDeep.errors.first().pos.line, deepestRepeat + 1);
    }

    // Screens are blocks run once; button names belong to their screen, so
    // two screens may each have a "Back".
    void screensAndButtonNames()
    {
        const ParseResult result = parsed("setExtendedMode\n"
                                          "screen \"Main menu\"\n"
                                          "  Cls\n"
                                          "  buttonDef 1 1 0 0 0 10 10 50 20 AS \"Back\"\n"
                                          "end\n"
                                          "SCREEN \"Settings\"   # the second\n"
                                          "  buttonDef 2 1 0 0 0 10 10 50 20 as \"Back\"\n"
                                          "  buttonDef 3 1 0 0 0 70 10 50 20\n"
                                          "  SetXHY 0 300\n"
                                          "end\n");
        QVERIFY2(result.ok(), qPrintable(result.errors.value(0).toString()));
        QCOMPARE(result.script.statements.size(), 3);
        const Statement main = result.script.statements.at(1);
        QVERIFY(main.isScreen());
        QCOMPARE(main.count, 1);
        QCOMPARE(main.name, QStringLiteral("Main menu"));
        QCOMPARE(main.namePos.column, 8);
        const Statement back = main.body.at(1);
        QCOMPARE(back.name, QStringLiteral("Back"));
        QCOMPARE(back.namePos.column, 38);
        QCOMPARE(back.values.size(), 9);
        // The name is the bench's alone: the frame is the plain button's.
        const ParseResult plain = parsed("buttonDef 1 1 0 0 0 10 10 50 20");
        QCOMPARE(statementWrites(back, true), statementWrites(plain.script.statements.at(0), true));
        const Statement settings = result.script.statements.at(2);
        QCOMPARE(settings.name, QStringLiteral("Settings"));
        QVERIFY(settings.body.at(1).name.isEmpty());
        QVERIFY(!Statement().isScreen());
    }

    // Y is checked in the mode each statement runs in, repeats included.
    void yFollowsTheMode()
    {
        QVERIFY(parsed("setExtendedMode\nSetXHY 0 300\nsetStandardMode\n").ok());
        QVERIFY(parsed("SetXHY 0 300", {}, true).ok());
        QVERIFY(!parsed("setExtendedMode\nsetStandardMode\nSetXHY 0 300").ok());

        // The second round starts in the mode the first ended in.
        const ParseResult rounds = parsed("setExtendedMode\n"
                                          "repeat 2\n"
                                          "  SetXHY 0 300\n"
                                          "  setStandardMode\n"
                                          "end\n");
        QCOMPARE(rounds.errors.size(), 1);
        QCOMPARE(rounds.errors.first().pos.line, 3);
        QCOMPARE(rounds.errors.first().pos.column, 12);
        QVERIFY(rounds.errors.first().message.contains(QStringLiteral("repeat at line 2")));
        QVERIFY(parsed("setExtendedMode\nrepeat 1\nSetXHY 0 300\nsetStandardMode\nend").ok());

        // A line wrong in both rounds is reported once.
        const ParseResult twice = parsed("repeat 5\n"
                                         "  setStandardMode\n"
                                         "  LINE_TO_XHY 1 999\n"
                                         "  repeat 2\n"
                                         "    setExtendedMode\n"
                                         "  end\n"
                                         "end\n");
        QCOMPARE(twice.errors.size(), 1);
        QCOMPARE(twice.errors.first().pos.line, 3);

        const Statement repeat =
            parsed("repeat 2\nsetExtendedMode\nsetStandardMode\nend").script.statements.value(0);
        QCOMPARE(modeAfter(repeat, true), false);
        QCOMPARE(modeAfter(only("setExtendedMode"), false), true);
        QCOMPARE(modeAfter(only("Cls"), true), true);
    }

    void waitsAndExpectations()
    {
        QCOMPARE(only("wait 250ms").waitMs, 250);
        QCOMPARE(only("WAIT 2S").waitMs, 2000);
        QCOMPARE(only("wait 1.5s").waitMs, 1500);
        QCOMPARE(only("wait 0.025s").waitMs, 25);
        QCOMPARE(only("wait 0ms").waitMs, 0);

        const Statement bytes = only("expect 3f 01 \"ok\" within 500ms");
        QCOMPARE(bytes.kind, Statement::Kind::Expect);
        QCOMPARE(bytes.bytes, QByteArray("\x3f\x01ok"));
        QVERIFY(!bytes.reply);
        QCOMPARE(bytes.withinMs, 500);
        QCOMPARE(only("expect 38").withinMs, defaultExpectMs);

        QCOMPARE(expectation("expect pong within 2s").kind, ReplyKind::Pong);
        const ReplyExpectation touch = expectation("expect Touch 261 0x90");
        QCOMPARE(touch.kind, ReplyKind::Touch);
        QCOMPARE(touch.x, 261);
        QCOMPARE(touch.y, 144);
        QCOMPARE(expectation("expect sd OK").text, QStringLiteral("OK"));
        QCOMPARE(expectation("expect version \"V1.2 \\xc3\\xa9\"").text, QStringLiteral("V1.2 é"));
        QCOMPARE(expectation("expect listing \"A.TXT\\nB.TXT\"").text,
                 QStringLiteral("A.TXT\nB.TXT"));
        QCOMPARE(expectation("expect serial 0a0b0c").kind, ReplyKind::Serial);
    }

    // Expectations are matched against the reply reader's own decoding.
    void repliesMatchTheReader()
    {
        const auto matches = [](const char *line, const QByteArray &chunk, Command armed) {
            const quint8 code = armed == Command::Count ? 0 : codeOf(armed);
            return replyMatches(expectation(line), decodeReply(chunk, code), code);
        };
        const Command none = Command::Count;
        QVERIFY(matches("expect pong", "8", none));
        QVERIFY(!matches("expect pong", "9", none));
        QVERIFY(matches("expect touch 261 144", QByteArray::fromHex("810502001001"), none));
        QVERIFY(!matches("expect touch 261 145", QByteArray::fromHex("810502001001"), none));
        QVERIFY(matches("expect sd OK", QByteArray::fromHex("3f01"), Command::SdFileOpen));
        QVERIFY(matches("expect sd ok", QByteArray::fromHex("3f01"), Command::SdFileOpen));
        QVERIFY(matches("expect sd FAILED", QByteArray::fromHex("3f00"), Command::SdFileOpen));
        QVERIFY(matches("expect sd 70000", QByteArray::fromHex("3d70110100"), Command::SdFileTell));
        QVERIFY(!matches("expect sd OK", "8", none));
        QVERIFY(matches("expect version \"1.02\"", QByteArray("1.02\0", 5), Command::GetVersion));
        QVERIFY(!matches("expect serial \"1.02\"", QByteArray("1.02\0", 5), Command::GetVersion));
        QVERIFY(matches("expect serial 0a0b", QByteArray::fromHex("0a0b"), Command::ResetVexel));
        QVERIFY(!matches("expect version 0a0b", QByteArray::fromHex("0a0b"), Command::ResetVexel));
        QVERIFY(matches("expect listing \"A\\nB\"", QByteArray("A\nB\0", 4), Command::SdFileList));
        QVERIFY(!matches("expect listing \"A\"", QByteArray("A\0", 2), Command::GetVersion));

        // What describe() writes reads back as the same expectation.
        for (const char *line :
             {"expect pong", "expect touch 1 2", "expect sd YES", "expect sd \"two words\"",
              "expect sd \"within\"", "expect version \"V\\\"1\\\" é\\n\"", "expect serial \"\"",
              "expect listing \"#x\""}) {
            const ReplyExpectation first = expectation(line);
            const ReplyExpectation again = expectation(QStringLiteral("expect ") + describe(first));
            QCOMPARE(int(again.kind), int(first.kind));
            QCOMPARE(again.text, first.text);
            QCOMPARE(again.x, first.x);
            QCOMPARE(again.y, first.y);
        }
    }

    // The local file is found from the script's folder and its size taken
    // when the statement runs.
    void filesToSend()
    {
        QTemporaryDir dir;
        QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("sub")));
        const QString path = dir.filePath(QStringLiteral("sub/my data.bin"));
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write("abc") == 3);
        file.flush();
        const QString script = QStringLiteral("# sends it\nSD_FILE_WRITE 2 \"sub/my data.bin\"\n");
        QFile scriptFile(dir.filePath(QStringLiteral("upload.vxscript")));
        QVERIFY(scriptFile.open(QIODevice::WriteOnly) && scriptFile.write(script.toUtf8()) > 0);
        scriptFile.close();

        const ParseResult result = parseScriptFile(scriptFile.fileName());
        QVERIFY(result.ok());
        QCOMPARE(result.script.name, QStringLiteral("upload"));
        const Statement send = result.script.statements.first();
        QCOMPARE(send.kind, Statement::Kind::SendFile);
        QCOMPARE(QFileInfo(send.filePath).canonicalFilePath(), QFileInfo(path).canonicalFilePath());
        QCOMPARE(send.values, ArgValues{2});
        QCOMPARE(statementWrites(send, false),
                 QByteArrayList{commandFrame(Command::SdFileWrite, {2, 3})});
        QVERIFY(file.write("defg") == 4 && file.flush());
        QCOMPARE(statementWrites(send, true),
                 QByteArrayList{commandFrame(Command::SdFileWrite, {2, 7})});
        QCOMPARE(sendFileHead(send, 0x01020304),
                 commandFrame(Command::SdFileWrite, {2, 0x01020304}));

        QVERIFY(!parseScript(script).ok()); // not beside the working folder
        const ParseResult missing = parseScriptFile(dir.filePath(QStringLiteral("none.txt")));
        QCOMPARE(missing.errors.size(), 1);
        QVERIFY(missing.errors.first().toString().startsWith(QStringLiteral("cannot read")));
    }

    // Any text gives statements or errors that point inside it.
    void anyTextIsSafe()
    {
        const QStringList pieces{"Cls",
                                 "SetXHY",
                                 "printString",
                                 "\"",
                                 "\\x",
                                 "\\",
                                 "#",
                                 "#ff00ff",
                                 "repeat",
                                 "end",
                                 "2",
                                 "0x",
                                 "-1",
                                 "send",
                                 "expect",
                                 "within",
                                 "wait",
                                 "1.5s",
                                 "\t",
                                 " ",
                                 "\n",
                                 "touch",
                                 "sd",
                                 "é",
                                 "SD_FILE_WRITE",
                                 "setExtendedMode",
                                 "65536",
                                 "\"a b\""};
        QRandomGenerator random(1234);
        for (int round = 0; round < 3000; ++round) {
            QString text;
            for (int i = int(random.bounded(30)); i > 0; --i)
                text += pieces.at(int(random.bounded(pieces.size()))) +
                        (random.bounded(3) ? QStringLiteral(" ") : QString());
            const ParseResult result = parsed(text);
            const int lines = text.count(QLatin1Char('\n')) + 1;
            for (const ScriptError &error : result.errors) {
                QVERIFY2(error.pos.line >= 1 && error.pos.line <= lines, qPrintable(text));
                QVERIFY2(error.pos.column >= 1, qPrintable(text));
            }
        }
    }
};

QTEST_APPLESS_MAIN(TestScriptParser)
#include "tst_scriptparser.moc"
