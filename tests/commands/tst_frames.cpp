// Frame builders, colour words and command log lines, checked against the
// module's byte layouts.
#include "commands/colors.h"
#include "commands/frames.h"

#include <QSet>
#include <QtTest>
#if QT_VERSION < QT_VERSION_CHECK(6, 0, 0)
#include <QTextCodec>
#endif

Q_DECLARE_METATYPE(Command)

uint qHash(Command command, uint seed = 0)
{
    return qHash(int(command), seed);
}

namespace {

struct FrameCase
{
    const char *label;
    Command command;
    ArgValues values;
    QString text;
    bool extended;
    const char *writes; // hex per write, writes separated by '|'
};

// One or more rows for every command that takes arguments or text. A bare
// code is its whole frame; those codes are checked against the reference
// page below.
const QVector<FrameCase> &frameCases()
{
    static const QVector<FrameCase> cases{
        {"text colour red", Command::SetColorH, {0xF800}, {}, false, "84 00f8"},
        {"background white", Command::SetBgColorH, {0xFFFF}, {}, false, "94 ffff"},
        {"font 3", Command::SelectFont, {3}, {}, false, "2b 03"},
        {"print string", Command::PrintString, {}, "Hi", false, "2d | 4869 | 00"},
        {"print empty string", Command::PrintString, {}, "", false, "2d | 00"},
        {"print string bg", Command::PrintStringBg, {}, "A b", false, "3d | 412062 | 00"},
        {"xy standard", Command::SetXHY, {300, 200}, {}, false, "85 012c c8"},
        {"xy extended", Command::SetXHY, {300, 200}, {}, true, "85 012c 00c8"},
        {"xy standard cuts y", Command::SetXHY, {0, 300}, {}, false, "85 0000 2c"},
        {"backlight 200", Command::BacklightLevel, {200}, {}, false, "80 c8"},
        {"arc quarter", Command::ArcH, {50, 90, 180}, {}, false, "8f 0032 1000 2000"},
        {"arc full circle", Command::ArcH, {0, 1, 360}, {}, false, "8f 0000 002d 4000"},
        {"box", Command::BoxH, {320, 240}, {}, false, "a2 0140 f0"},
        {"box fill", Command::BoxHFill, {300, 17}, {}, false, "a3 012c 11"},
        {"circle 800", Command::CircleRH, {800}, {}, false, "89 0320"},
        {"h line 640", Command::HLineH, {640}, {}, false, "a0 0280"},
        {"v line cuts 300", Command::VLine, {300}, {}, false, "41 2c"},
        {"line to standard", Command::LineToXHY, {640, 480}, {}, false, "88 0280 e0"},
        {"line to extended", Command::LineToXHY, {640, 480}, {}, true, "88 0280 01e0"},
        {"sd put icon", Command::SdPutIcon, {}, "LOGO.VXP", false, "70 | 4c4f474f2e565850 | 00"},
        {"sf icon 5", Command::PutSfIcon, {5}, {}, false, "58 05"},
        {"button",
         Command::ButtonDef,
         {7, 3, 10, 11, 12, 300, 200, 100, 40},
         {},
         false,
         "b0 07 03 0a 0b 0c 012c c8 64 28"},
        {"button state", Command::ButtonState, {5, 0}, {}, false, "b1 05 00"},
        {"touch protocol", Command::TouchProtocol, {0x40}, {}, false, "b2 40"},
        {"layer 1", Command::SetLayer, {1}, {}, false, "31 01"},
        {"hide layer 1", Command::LayerVisibility, {1, 0}, {}, false, "33 01 00"},
        {"colour key", Command::ColorKey, {0xF81F}, {}, false, "32 1ff8"},
        {"beep", Command::Beep, {beepDuration}, {}, false, "d2 14"},
        {"create", Command::SdFileCreate, {1}, "LOG.TXT", false, "76 01 | 4c4f472e545854 | 00"},
        {"open", Command::SdFileOpen, {1}, "LOG.TXT", false, "71 01 | 4c4f472e545854 | 00"},
        {"close", Command::SdFileClose, {2}, {}, false, "72 02"},
        {"write head", Command::SdFileWrite, {1, 70000}, {}, false, "77 01 70110100"},
        {"write head largest", Command::SdFileWrite, {2, 0xFFFFFFFF}, {}, false, "77 02 ffffffff"},
        {"read", Command::SdFileRead, {2, 1000}, {}, false, "75 02 e8030000"},
        {"delete", Command::SdFileDelete, {}, "LOG.TXT", false, "7d | 4c4f472e545854 | 00"},
        {"size", Command::SdFileGetSize, {1}, {}, false, "74 01"},
        {"tell", Command::SdFileTell, {2}, {}, false, "7b 02"},
        {"list all", Command::SdFileList, {}, "", false, "79 | 00"},
        {"total space", Command::SdSpaceInfo, {3}, {}, false, "48 03"},
        {"folder", Command::SdFolderCreate, {}, "LOGS", false, "46 | 4c4f4753 | 00"},
    };
    return cases;
}

QByteArrayList expectedWrites(const char *hex)
{
    QByteArrayList writes;
    for (const QByteArray &part : QByteArray(hex).split('|'))
        writes.append(QByteArray::fromHex(part.simplified().replace(' ', "")));
    return writes;
}

} // namespace

class TestFrames : public QObject
{
    Q_OBJECT

private slots:
    void writesOfEachCommand_data()
    {
        QTest::addColumn<Command>("command");
        QTest::addColumn<ArgValues>("values");
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("extended");
        QTest::addColumn<QByteArrayList>("writes");
        QSet<Command> seen;
        for (const FrameCase &c : frameCases()) {
            QTest::newRow(c.label)
                << c.command << c.values << c.text << c.extended << expectedWrites(c.writes);
            seen.insert(c.command);
        }
        for (const CommandSpec &command : allCommands()) // no command left out
            QVERIFY2(seen.contains(command.id) || argCount(command) == 0, command.name);
    }

    void writesOfEachCommand()
    {
        QFETCH(Command, command);
        QFETCH(ArgValues, values);
        QFETCH(QString, text);
        QFETCH(bool, extended);
        QFETCH(QByteArrayList, writes);
        QCOMPARE(commandWrites(command, values, text, extended), writes);
        if (!carriesText(spec(command)))
            QCOMPARE(commandFrame(command, values, extended), writes.first());
    }

    void textUsesTheLocalEncoding()
    {
        // "\u00e9" is one byte in Latin-1 and two in UTF-8: the frame shows which was used.
        const QString text = QStringLiteral("\u00e9");
        QCOMPARE(commandWrites(Command::PrintString, {}, text).at(1), text.toLocal8Bit());
#if QT_VERSION < QT_VERSION_CHECK(6, 0, 0)
        // Qt 5 follows the locale's codec, which the test can switch.
        QTextCodec *const saved = QTextCodec::codecForLocale();
        QTextCodec::setCodecForLocale(QTextCodec::codecForName("ISO-8859-1"));
        const QByteArray latin1 = commandWrites(Command::PrintString, {}, text).at(1);
        QTextCodec::setCodecForLocale(QTextCodec::codecForName("UTF-8"));
        const QByteArray utf8 = commandWrites(Command::PrintString, {}, text).at(1);
        QTextCodec::setCodecForLocale(saved);
        QCOMPARE(latin1 + utf8, QByteArray("\xe9\xc3\xa9"));
#else
        // Qt 6's local 8-bit encoding is UTF-8 on every Unix.
        QCOMPARE(commandWrites(Command::PrintString, {}, text).at(1), QByteArray("\xc3\xa9"));
#endif
    }

    void colourWords()
    {
        // One channel at a time, less than one step of each, alpha, never picked.
        for (const auto &[colour, word] :
             {qMakePair(QColor(255, 0, 0), 0xF800), qMakePair(QColor(0, 255, 0), 0x07E0),
              qMakePair(QColor(0, 0, 255), 0x001F), qMakePair(QColor(7, 3, 7), 0),
              qMakePair(QColor(255, 255, 255, 0), 0xFFFF), qMakePair(QColor(), 0)})
            QCOMPARE(rgb565(colour), quint16(word));

        QCOMPARE(parseColorKey("f81F"), quint16(0xF81F));
        QCOMPARE(parseColorKey("FFFF"), quint16(0xFFFF));
        for (const char *notAKey : {"12345", "blue", "", "-1"})
            QCOMPARE(parseColorKey(notAKey), quint16(0));
    }

    void logLines_data()
    {
        QTest::addColumn<Command>("command");
        QTest::addColumn<QByteArray>("frame");
        QTest::addColumn<QString>("line");
        const auto row = [](const char *name, Command command, const char *hex, const char *line) {
            QTest::newRow(name) << command << QByteArray::fromHex(hex) << QString(line);
        };
        row("white text", Command::SetColorH, "84ffff", "0X84 0XFF 0XFF <- SETCOLORH\n");
        row("background", Command::SetBgColorH, "940a00", "0X94 0X0A 0X00 <- SET_BG_COLORH\n");
        row("sf icon", Command::PutSfIcon, "5805", "0X58 0X05 <- PUT_SF_ICON\n");
        row("font", Command::SelectFont, "2b03", "2b 3 <- select_font\n");
        row("font 0", Command::SelectFont, "2b00", "2b 0 <- select_font\n");
        row("backlight", Command::BacklightLevel, "80c8", "80 c8 <- BacklightLevel\n");
        row("xy", Command::SetXHY, "85012cc8", "85 1 2c c8 <- SetXHY\n");
        row("xy extended drops a byte", Command::SetXHY, "85012c00c8", "85 1 2c 0 <- SetXHY\n");
    }

    void logLines()
    {
        QFETCH(Command, command);
        QFETCH(QByteArray, frame);
        QFETCH(QString, line);
        QCOMPARE(commandLogLine(command, frame), line);
    }

    void onlySixCommandsLog()
    {
        const QSet<Command> logging{Command::SetColorH,      Command::SetBgColorH,
                                    Command::SelectFont,     Command::SetXHY,
                                    Command::BacklightLevel, Command::PutSfIcon};
        for (const CommandSpec &command : allCommands()) {
            const ArgValues zeros(int(argCount(command)) - (carriesText(command) ? 1 : 0));
            const QByteArray sent = commandWrites(command.id, zeros).join();
            QVERIFY2(commandLogLine(command.id, sent).isEmpty() != logging.contains(command.id),
                     command.name);
        }
    }

    // The reference page's command table must not drift from the command set.
    void referencePageListsEveryCommand()
    {
        QFile page(qEnvironmentVariable("VEXEL_SOURCE_DIR") +
                   "/resources/Vexel-900 Manual-html.html");
        QVERIFY2(page.open(QIODevice::ReadOnly), qPrintable(page.fileName()));
        const QString html = QString::fromUtf8(page.readAll());
        const QRegularExpression row("<tr><td>0x([0-9A-F]{2})</td><td><code>([^<]+)</code>");
        QSet<QString> listed;
        for (auto match = row.globalMatch(html); match.hasNext();) {
            const QRegularExpressionMatch found = match.next();
            listed.insert(found.captured(1) + ' ' + found.captured(2));
        }
        QSet<QString> commands;
        for (const CommandSpec &command : allCommands())
            commands.insert(QString::number(command.code, 16).rightJustified(2, '0').toUpper() +
                            ' ' + command.name);
        QCOMPARE(listed, commands);
    }
};

QTEST_APPLESS_MAIN(TestFrames)
#include "tst_frames.moc"
