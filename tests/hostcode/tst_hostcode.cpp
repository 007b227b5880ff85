// Scripts as host code, short of compiling it: what the plan sends next to
// what the script sends, what each expectation reads next to what the
// bench's reader reads, names, and the files written or refused.
#include "commands/frames.h"
#include "commands/replydecoder.h"
#include "hostcode/codetext.h"
#include "hostcode/hostcode.h"
#include "hostcode/names.h"
#include "hostcode/outputfiles.h"
#include "hostcode/plan.h"
#include "script/script.h"

#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>

using hostcode::Check;
using hostcode::Language;
using hostcode::NamedScript;
using hostcode::PlanResult;
using hostcode::Step;
using script::Statement;

namespace {

PlanResult planned(const QString &text, const QString &baseDir = {}, bool extended = false)
{
    const script::ParseResult parsed = script::parseScript(text, baseDir, extended);
    if (!parsed.ok())
        return PlanResult{{}, parsed.errors};
    return hostcode::planScript(parsed.script, extended);
}

// What a plan writes and reads, in order, its loops gone round and its
// screens drawn: bytes written, and the line of each expectation as "@line".
void unroll(const hostcode::Plan &plan, const QVector<Step> &steps, QByteArray &wire,
            QStringList &expects)
{
    for (const Step &step : steps) {
        if (step.kind == Step::Kind::Write)
            wire += step.bytes;
        else if (step.kind == Step::Kind::Expect)
            expects << QStringLiteral("@%1").arg(step.line);
        else if (step.kind == Step::Kind::Draw)
            unroll(plan, plan.screens.at(step.screen).steps, wire, expects);
        for (int round = 0; step.kind == Step::Kind::Loop && round < step.count; ++round)
            unroll(plan, step.body, wire, expects);
    }
}

// The same of the statements as the runner carries them out: each through
// statementWrites() in the mode it runs in, every round of every repeat.
// What each screen sends within the run goes to `screens` too, by name.
void walk(const QVector<Statement> &statements, bool &extended, QByteArray &wire,
          QStringList &expects, QHash<QString, QByteArray> *screens = nullptr)
{
    for (const Statement &statement : statements) {
        if (statement.isScreen() && screens) {
            QByteArray drawn;
            QStringList unused;
            walk(statement.body, extended, drawn, unused);
            screens->insert(statement.name, drawn);
            wire += drawn;
            expects += unused;
            continue;
        }
        if (statement.kind == Statement::Kind::Repeat) {
            for (int round = 0; round < statement.count; ++round)
                walk(statement.body, extended, wire, expects);
            continue;
        }
        if (statement.kind == Statement::Kind::Expect)
            expects << QStringLiteral("@%1").arg(statement.pos.line);
        wire += script::statementWrites(statement, extended).join();
        extended = script::modeAfter(statement, extended);
    }
}

// A statement of a random script: drawing whose bytes depend on the mode,
// the mode commands, raw bytes, waits, expectations and nested repeats.
QString randomStatements(QRandomGenerator &random, int depth)
{
    QString text;
    const int count = 1 + random.bounded(6);
    for (int i = 0; i < count; ++i) {
        switch (random.bounded(depth < 4 ? 9 : 8)) {
        case 0:
            text +=
                QStringLiteral("SetXHY %1 %2\n").arg(random.bounded(400)).arg(random.bounded(256));
            break;
        case 1:
            text += QStringLiteral("LINE_TO_XHY 7 %1\n").arg(random.bounded(256));
            break;
        case 2:
            text += QStringLiteral("setExtendedMode\n");
            break;
        case 3:
            text += QStringLiteral("setStandardMode\n");
            break;
        case 4:
            text += QStringLiteral("printString \"r%1\"\n").arg(random.bounded(100));
            break;
        case 5:
            text += QStringLiteral("send 84 00 f8\n");
            break;
        case 6:
            text += QStringLiteral("wait %1ms\n").arg(random.bounded(3));
            break;
        case 7:
            text += QStringLiteral("expect 38 within 5ms\n");
            break;
        default:
            text += QStringLiteral("repeat %1\n").arg(1 + random.bounded(3)) +
                    randomStatements(random, depth + 1) + QStringLiteral("end\n");
            break;
        }
    }
    return text;
}

QString writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        qFatal("cannot write %s", qPrintable(path));
    return path;
}

QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Top-level statements, some runs of them as screens.
QString randomScreens(QRandomGenerator &random)
{
    QString text;
    for (int i = 0; i < 4; ++i) {
        if (random.bounded(2) == 0)
            text += randomStatements(random, 1);
        else
            text += QStringLiteral("screen \"S%1\"\n").arg(i) + randomStatements(random, 1) +
                    QStringLiteral("end\n");
    }
    return text;
}

QString generatedText(const QString &text, Language language, const QString &name = "s.vxs")
{
    const hostcode::Generated generated =
        hostcode::generateCode({NamedScript{name, text, {}}}, language);
    QString joined;
    for (const hostcode::GeneratedFile &file : generated.files)
        joined += QString::fromUtf8(file.bytes);
    return joined;
}

// The value the code gives the constant `name`: a #define, an enumerator or
// a Python constant; -1 when there is none.
int constantValue(const QString &code, const QString &name)
{
    const QRegularExpressionMatch match =
        QRegularExpression("\\b" + name + "\\b\\s*=?\\s*(\\d+)").match(code);
    return match.hasMatch() ? match.captured(1).toInt() : -1;
}

// Scripts "s0.vxs", "s1.vxs", ... exported together as C.
hostcode::Generated generatedC(const QStringList &texts)
{
    QVector<NamedScript> scripts;
    for (const QString &text : texts)
        scripts.append(NamedScript{QStringLiteral("s%1.vxs").arg(scripts.size()), text, {}});
    return hostcode::generateCode(scripts, Language::C);
}

} // namespace

class HostCodeTest : public QObject
{
    Q_OBJECT

private slots:
    void namePartsAreIdentifiers_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("part");
        QTest::newRow("demo path") << "script/demos/1-drawing.vxscript"
                                   << "1_drawing";
        QTest::newRow("title") << "Drawing tour"
                               << "drawing_tour";
        QTest::newRow("case and suffix") << "My Script.TXT"
                                         << "my_script";
        QTest::newRow("other suffix kept") << "check.v2"
                                           << "check_v2";
        QTest::newRow("non-ASCII letters") << "--Ünïcode!!.vxscript"
                                           << "n_code";
        QTest::newRow("nothing left") << "¿¿.vxscript"
                                      << "script";
        QTest::newRow("empty") << ""
                               << "script";
        QTest::newRow("long, cut without a trailing _") << "a_very_long_name_that_goes_on.vxscript"
                                                        << "a_very_long_name_tha";
        QTest::newRow("cut at an underscore") << "abcdefghijklmnopqrs_tuv"
                                              << "abcdefghijklmnopqrs";
    }

    void namePartsAreIdentifiers()
    {
        QFETCH(QString, name);
        QFETCH(QString, part);
        QCOMPARE(hostcode::namePart(name), part);
        QVERIFY(QRegularExpression("^[a-z0-9]+(_[a-z0-9]+)*$").match(part).hasMatch());
    }

    // Names that clash get a number, still short, still clashing with none.
    void clashingNamesGetNumbers()
    {
        const QStringList parts = hostcode::uniqueNameParts(
            {"a-b.vxscript", "A_B.vxscript", "a b", "a_b_2", "x/y/a-b.vxs", "twenty_one_characters",
             "twenty_one_characters_too"});
        QCOMPARE(parts, QStringList({"a_b", "a_b_2", "a_b_3", "a_b_2_2", "a_b_4",
                                     "twenty_one_character", "twenty_one_charact_2"}));
    }

    // The bytes of statements that follow each other without a wait or an
    // expectation go out in one write, from the scripts' own builder.
    void runsOfStatementsAreOneWrite()
    {
        const PlanResult result =
            planned("Cls\nSetXHY 1 2\nprintString \"Hi\"\nwait 10ms\nping\nwait 0ms\n"
                    "send 84 00 f8\nexpect pong within 5s\n");
        QVERIFY(result.ok());
        const QVector<Step> &steps = result.plan.steps;
        QCOMPARE(steps.size(), 4);
        QCOMPARE(steps[0].kind, Step::Kind::Write);
        QCOMPARE(steps[0].bytes, commandFrame(Command::Cls) +
                                     commandFrame(Command::SetXHY, {1, 2}) +
                                     commandWrites(Command::PrintString, {}, "Hi").join());
        QCOMPARE(steps[0].pieces.size(), 3);
        QCOMPARE(steps[0].pieces[2].line, 3);
        QCOMPARE(steps[0].pieces[2].from, 5);
        QCOMPARE(steps[1].kind, Step::Kind::Wait);
        QCOMPARE(steps[1].ms, 10);
        // A wait of nothing only lets the line drain, which every write does.
        QCOMPARE(steps[2].bytes, commandFrame(Command::Ping) + QByteArray::fromHex("8400f8"));
        QCOMPARE(steps[3].kind, Step::Kind::Expect);
        QCOMPARE(steps[3].ms, 5000);
        QCOMPARE(steps[3].line, 8);
    }

    // A repeat stays a loop; one whose later rounds run in another mode is
    // written out once for its first round, then looped for the rest.
    void repeatsStayLoops()
    {
        const PlanResult same = planned("repeat 1000\nSetXHY 10 20\nwait 1ms\nend\n");
        QVERIFY(same.ok());
        QCOMPARE(same.plan.steps.size(), 1);
        QCOMPARE(same.plan.steps[0].count, 1000);
        QVERIFY(!same.plan.steps[0].laterRounds);

        const PlanResult switching =
            planned("repeat 3\nSetXHY 10 20\nsetExtendedMode\nwait 1ms\nend\n");
        QVERIFY(switching.ok());
        const QVector<Step> &steps = switching.plan.steps;
        QCOMPARE(steps.size(), 3);
        QCOMPARE(steps[0].bytes, commandFrame(Command::SetXHY, {10, 20}, false) +
                                     commandFrame(Command::ExtendedMode));
        QCOMPARE(steps[2].kind, Step::Kind::Loop);
        QCOMPARE(steps[2].count, 2);
        QVERIFY(steps[2].laterRounds);
        QCOMPARE(steps[2].body[0].bytes, commandFrame(Command::SetXHY, {10, 20}, true) +
                                             commandFrame(Command::ExtendedMode));
    }

    // Whatever the nesting and the mode changes, the plan sends what the
    // runner sends and expects at the same points.
    void plansSendWhatScriptsSend()
    {
        QRandomGenerator random(20240611);
        for (int i = 0; i < 300; ++i) {
            const QString text = i % 2 ? randomStatements(random, 0) : randomScreens(random);
            const bool extended = random.bounded(2) == 1;
            const script::ParseResult parsed = script::parseScript(text, {}, extended);
            QVERIFY2(parsed.ok(), qPrintable(text));
            const PlanResult result = hostcode::planScript(parsed.script, extended);
            QVERIFY2(result.ok(), qPrintable(text));
            QByteArray planWire, scriptWire;
            QStringList planExpects, scriptExpects;
            const hostcode::Plan &plan = result.plan;
            unroll(plan, plan.steps, planWire, planExpects);
            bool mode = extended;
            QHash<QString, QByteArray> screenWires;
            walk(parsed.script.statements, mode, scriptWire, scriptExpects, &screenWires);
            QVERIFY2(planWire == scriptWire, qPrintable(text));
            QVERIFY2(planExpects == scriptExpects, qPrintable(text));
            // Each screen's own steps send what it sends within the run.
            QCOMPARE(plan.screens.size(), screenWires.size());
            for (const hostcode::Screen &screen : plan.screens) {
                QByteArray drawn;
                QStringList unused;
                unroll(plan, screen.steps, drawn, unused);
                QVERIFY2(drawn == screenWires.value(screen.name), qPrintable(text));
            }
        }
    }

    // Repeats whose every level awaits another reply in its later rounds
    // would be planned again at every depth: refused instead of taking for
    // ever. The same depth without that is planned at once.
    void deepRepeatsThatChangeEveryRoundAreRefused()
    {
        const QStringList arming{"captureScreen", "ShowSettings", "calibrateTouch"};
        QString changing, plain;
        for (int depth = 0; depth < 32; ++depth) {
            changing += "repeat 2\n";
            plain += "repeat 2\n";
        }
        changing += "Cls\n";
        plain += "Cls\n";
        for (int depth = 0; depth < 32; ++depth) {
            changing += "end\n" + arming.at(depth % 3) + "\n";
            plain += "end\n";
        }
        const PlanResult refused = planned(changing);
        QCOMPARE(refused.errors.size(), 1);
        QVERIFY(refused.errors[0].message.startsWith("too many nested repeats"));
        QVERIFY(refused.errors[0].pos.line > 1 && refused.errors[0].pos.line <= 32);
        QVERIFY(planned(plain).ok());
    }

    // Each reply's check, read back by the bench's own reader against the
    // command that armed it, is the reply the expectation names.
    void replyChecksReadAsTheReaderReads_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("length");
        QTest::newRow("pong") << "ping\nexpect pong" << pongLength;
        QTest::newRow("card present") << "SD_INSERTED\nexpect sd YES" << 1;
        QTest::newRow("card missing") << "SD_INSERTED\nexpect sd no" << 1;
        QTest::newRow("open ok") << "SD_FILE_OPEN 1 \"A\"\nexpect sd ok" << 2;
        QTest::newRow("size") << "SD_FILE_GET_SIZE 1\nexpect sd 30" << 5;
        QTest::newRow("largest position") << "SD_FILE_TELL 1\nexpect sd 4294967295" << 5;
        QTest::newRow("space") << "SD_SPACE_INFO 0\nexpect sd 0" << 5;
        QTest::newRow("create") << "SD_FILE_CREATE 1 \"A\"\nexpect sd 3F01" << 2;
        QTest::newRow("version") << "GETVERSION\nexpect version \"V2.7b\"" << 6;
        QTest::newRow("serial") << "resetVEXEL\nexpect serial 0a1b2c3d" << 4;
        QTest::newRow("listing") << "SD_FILE_LIST \"*\"\nexpect listing \"A.TXT\\nB\"" << 8;
    }

    void replyChecksReadAsTheReaderReads()
    {
        QFETCH(QString, text);
        QFETCH(int, length);
        const script::ParseResult parsed = script::parseScript(text);
        QVERIFY(parsed.ok());
        const PlanResult result = hostcode::planScript(parsed.script);
        QVERIFY2(result.ok(), qPrintable(result.errors.value(0).toString()));
        const Step &step = result.plan.steps.last();
        QCOMPARE(step.check.kind, Check::Kind::Bytes);
        QCOMPARE(step.check.length, length);
        QCOMPARE(step.check.bytes.size(), length);
        const Statement &first = parsed.script.statements.first();
        const Reply reply = decodeReply(step.check.bytes, codeOf(first.command));
        QVERIFY(script::replyMatches(*parsed.script.statements.last().reply, reply,
                                     codeOf(first.command)));
    }

    // An expectation that no reply could meet where it stands is a mistake
    // in the script, named at its line and column.
    void expectationsThatCannotBeMet_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("line");
        QTest::addColumn<QString>("fragment");
        QTest::newRow("nothing armed") << "Cls\n  expect sd OK" << 2 << "no command before it";
        QTest::newRow("open answer") << "SD_FILE_OPEN 1 \"A\"\nexpect sd 12" << 2 << "OK or FAILED";
        QTest::newRow("number with a leading zero")
            << "SD_FILE_GET_SIZE 1\nexpect sd 030" << 2 << "without leading zeros";
        QTest::newRow("presence") << "SD_INSERTED\nexpect sd maybe" << 2 << "YES or No";
        QTest::newRow("create answer not hex")
            << "SD_FILE_CREATE 1 \"A\"\nexpect sd OK" << 2 << "in hex";
        QTest::newRow("listing after version")
            << "GETVERSION\nexpect listing \"x\"" << 2 << "no SD_FILE_LIST";
        QTest::newRow("serial in upper case")
            << "resetVEXEL\nexpect serial 0A1B" << 2 << "lower-case hex";
        QTest::newRow("getSerial arms nothing")
            << "getSerial\nexpect serial 0a1b" << 2 << "only it arms";
        QTest::newRow("touch beyond a report")
            << "expect touch 32896 1" << 1 << "coordinates up to 32895";
        QTest::newRow("answer already read")
            << "SD_FILE_OPEN 1 \"A\"\nexpect 3f 01\nexpect sd OK" << 3 << "no command before it";
        QTest::newRow("kept armed")
            << "SD_FILE_CLOSE 1\nexpect sd OK" << 2 << "answers SD_FILE_CLOSE";
        QTest::newRow("only in later rounds") << "SD_INSERTED\nrepeat 2\n  expect sd YES\nend" << 3
                                              << "(as the repeat at line 2 goes round again)";
    }

    void expectationsThatCannotBeMet()
    {
        QFETCH(QString, text);
        QFETCH(int, line);
        QFETCH(QString, fragment);
        const PlanResult result = planned(text);
        QCOMPARE(result.errors.size(), 1);
        QCOMPARE(result.errors[0].pos.line, line);
        QCOMPARE(result.errors[0].pos.column, text.split('\n').at(line - 1).indexOf("expect") + 1);
        QVERIFY2(result.errors[0].message.contains(fragment), qPrintable(result.errors[0].message));
    }

    // A local file goes into the code behind its head, up to 1 MiB; one
    // read for every round of a repeat.
    void localFilesAreEmbedded()
    {
        QTemporaryDir dir;
        const QByteArray data("Hello\x00\xff", 7);
        writeFile(dir.filePath("hello.bin"), data);
        writeFile(dir.filePath("largest.bin"), QByteArray(hostcode::largestEmbeddedFile, 'x'));
        writeFile(dir.filePath("large.bin"), QByteArray(hostcode::largestEmbeddedFile + 1, 'x'));
        const PlanResult result =
            planned("repeat 2\nSD_FILE_WRITE 1 \"hello.bin\"\nexpect sd 7\nend", dir.path());
        QVERIFY(!result.ok()); // the write's answer gives no SD result
        const PlanResult embedded =
            planned("repeat 2\nSD_FILE_WRITE 1 \"hello.bin\"\nexpect 3f 01\nend\n"
                    "SD_FILE_WRITE 2 \"largest.bin\"",
                    dir.path());
        QVERIFY(embedded.ok());
        const Step &loop = embedded.plan.steps[0];
        QCOMPARE(loop.count, 2);
        QCOMPARE(loop.body[0].bytes, commandFrame(Command::SdFileWrite, {1, 7}) + data);
        QCOMPARE(loop.body[0].pieces[0].fileBytes, 7);
        QCOMPARE(embedded.plan.steps[1].bytes.size(), 6 + hostcode::largestEmbeddedFile);

        const PlanResult large = planned("Cls\nSD_FILE_WRITE 1 \"large.bin\"", dir.path());
        QCOMPARE(large.errors.size(), 1);
        QCOMPARE(large.errors[0].pos.line, 2);
        QVERIFY(large.errors[0].message.contains("up to 1 MiB"));
    }

    // Buttons become constants named after the script, each number once.
    void buttonsBecomeConstants()
    {
        const QString text = "buttonDef 3 1 0 0 0 20 30 40 50\nbuttonDef 1 1 0 0 0 0 0 9 9\n"
                             "repeat 2\nbuttonDef 3 1 0 0 0 99 99 9 9\nend";
        const PlanResult result = planned(text);
        QVERIFY(result.ok());
        QCOMPARE(result.plan.buttons.size(), 2);
        QCOMPARE(result.plan.buttons[0].number, 1);
        QCOMPARE(result.plan.buttons[1].number, 3);
        QCOMPARE(result.plan.buttons[1].x, 20);
        QCOMPARE(result.plan.buttons[1].pos.line, 1);
        QVERIFY(generatedText(text, Language::C, "Panel-2.vxscript")
                    .contains("#define VEXEL_PANEL_2_BUTTON_3 3 /* line 1: at 20, 30, 40 x 50 */"));
        QVERIFY(generatedText(text, Language::Python, "Panel-2.vxscript")
                    .contains("\nVEXEL_PANEL_2_BUTTON_1 = 1  # line 2"));
    }

    // Named buttons are enumerated by the module's numbers, so reordering
    // their definitions changes no value; unnamed ones keep their numbered
    // constants, and a named one gets none.
    void namedButtonsAreEnumeratedByNumber()
    {
        const QString start = "    buttonDef 7 1 0 0 0 10 10 50 50 as \"Start\"\n";
        const QString back = "    buttonDef 2 1 0 0 0 70 10 50 50 as \"Go back!\"\n";
        const auto script = [](const QString &buttons) {
            return "buttonDef 4 1 0 0 0 0 100 20 20\nbuttonDef 5 1 0 0 0 40 100 20 20 as \"Help\"\n"
                   "screen \"Main menu\"\n" +
                   buttons + "end\n";
        };
        for (const Language language : {Language::C, Language::Arduino, Language::Python}) {
            for (const QString &buttons : {start + back, back + start}) {
                const QString code = generatedText(script(buttons), language, "panel.vxs");
                QCOMPARE(constantValue(code, "VEXEL_MAIN_MENU_BUTTON_START"), 7);
                QCOMPARE(constantValue(code, "VEXEL_MAIN_MENU_BUTTON_GO_BACK"), 2);
                QCOMPARE(constantValue(code, "VEXEL_PANEL_BUTTON_HELP"), 5);
                QCOMPARE(constantValue(code, "VEXEL_PANEL_BUTTON_4"), 4);
                QCOMPARE(constantValue(code, "VEXEL_PANEL_BUTTON_5"), -1);
                if (language != Language::Python) {
                    QVERIFY(code.contains("enum vexel_main_menu_button {"));
                    QVERIFY(code.contains("long vexel_draw_main_menu("));
                }
            }
        }
    }

    // Names the code would give twice are refused at the later of the two,
    // with the line of the earlier: screens over every script exported,
    // buttons within an enumeration, and constants that meet across them.
    void clashingNamesAreRefused_data()
    {
        QTest::addColumn<QStringList>("texts");
        QTest::addColumn<int>("script");
        QTest::addColumn<int>("line");
        QTest::addColumn<QString>("fragment");
        const QString button = "    buttonDef %1 1 0 0 0 %2 0 9 9 as \"%3\"\n";
        QTest::newRow("screens of one script")
            << QStringList{"screen \"Main\"\nend\nscreen \"MAIN\"\nend\n"} << 0 << 3
            << "screen \"MAIN\" gives vexel_draw_main in the code, as does screen \"Main\" at line "
               "1";
        QTest::newRow("screens of two scripts")
            << QStringList{"Cls\nscreen \"Main\"\nend\n", "screen \"Main\"\nend\n"} << 1 << 1
            << "as does screen \"Main\" at line 2 of s0.vxs";
        QTest::newRow("buttons of one screen")
            << QStringList{"screen \"A\"\n" + button.arg(1).arg(0).arg("Go!") +
                           button.arg(2).arg(20).arg("go") + "end\n"}
            << 0 << 3
            << "button \"go\" gives VEXEL_A_BUTTON_GO in the code, as does button \"Go!\" at line "
               "2";
        QTest::newRow("a name that reads as a number")
            << QStringList{"buttonDef 3 1 0 0 0 0 0 9 9\n" + button.arg(5).arg(20).arg("3")} << 0
            << 2 << "VEXEL_S0_BUTTON_3 in the code, as does button 3 at line 1";
        QTest::newRow("a screen named as its script")
            << QStringList{button.arg(1).arg(0).arg("Go") + "screen \"S0\"\n" +
                           button.arg(2).arg(20).arg("Stop") + "end\n"}
            << 0 << 2 << "vexel_s0_button in the code, as does button \"Go\" at line 1";
    }

    void clashingNamesAreRefused()
    {
        QFETCH(QStringList, texts);
        QFETCH(int, script);
        QFETCH(int, line);
        QFETCH(QString, fragment);
        const hostcode::Generated generated = generatedC(texts);
        QCOMPARE(generated.problems.size(), 1);
        QVERIFY(generated.files.isEmpty());
        const hostcode::ExportProblem &problem = generated.problems[0];
        QCOMPARE(problem.script, QStringLiteral("s%1.vxs").arg(script));
        QCOMPARE(problem.pos.line, line);
        // The name in quotes is the first quote on its line.
        QCOMPARE(problem.pos.column, texts.at(script).split('\n').at(line - 1).indexOf('"') + 1);
        QVERIFY2(problem.message.contains(fragment), qPrintable(problem.message));
    }

    // Names alike in different enumerations are no clash: every screen may
    // have its "Back".
    void namesMayRepeatAcrossScreens()
    {
        const QString back = "    buttonDef 1 1 0 0 0 0 0 9 9 as \"Back\"\n";
        const hostcode::Generated generated =
            generatedC({"screen \"A\"\n" + back + "end\nscreen \"B\"\n" + back + "end\n" + back,
                        "screen \"C\"\n" + back + "end\n"});
        QVERIFY(generated.problems.isEmpty());
        const QString header = QString::fromUtf8(generated.files.value(0).bytes);
        for (const QString part : {"A", "B", "S0", "C"})
            QCOMPARE(constantValue(header, "VEXEL_" + part + "_BUTTON_BACK"), 1);
    }

    // A long script is code in proportion: one write for its one run, a
    // line or two of text per statement, and the bytes spelled out.
    void longScriptsGrowTheCodeInProportion()
    {
        QString text;
        for (int i = 0; i < 2000; ++i)
            text += QStringLiteral("SetXHY %1 %2\nboxH 30 40\n").arg(i % 300).arg(i % 200);
        for (const Language language : {Language::C, Language::Arduino, Language::Python}) {
            const QString code = generatedText(text, language);
            QCOMPARE(code.count(language == Language::Python ? "_write(port, _BYTES_"
                                                             : "vexel_write(port, vx_bytes_") +
                         code.count("vexel_write(vx_bytes_"),
                     1);
            QVERIFY(code.size() < 80 * 4000 + 8000);
        }
        // avr-gcc refuses objects of 32 KB or more: the Arduino's arrays stop at 16 KiB.
        QString longRun;
        for (int i = 0; i < 2000; ++i)
            longRun += QStringLiteral("printString \"%1 of two thousand\"\n").arg(i);
        const QString arduino = generatedText(longRun, Language::Arduino);
        QVERIFY(arduino.count("vexel_write(port, vx_bytes_") >= 2);
        for (const QString &array : arduino.split("PROGMEM = {").mid(1))
            QVERIFY(array.left(array.indexOf("};")).count("0x") <= 16384);
    }

    // Every file says on its first line that it is generated; comments
    // carry statements and names that would break a C comment or a Python
    // string, harmlessly.
    void filesAreMarkedAndCommentsAreSafe()
    {
        const QString text = "printString \"*/ ?\?/ /* end\"\nwait 1ms\n"
                             "screen \"*/ ?\?/ \\\"\\\"\\\" \\\\N\"\n"
                             "    buttonDef 1 1 0 0 0 0 0 9 9 as \"/* */ */\"\nend\n";
        for (const Language language : {Language::C, Language::Arduino, Language::Python}) {
            const hostcode::Generated generated =
                hostcode::generateCode({NamedScript{"a */ b.vxs", text, {}}}, language);
            QVERIFY(generated.problems.isEmpty());
            QCOMPARE(generated.files.size(), hostcode::outputNames(language).size());
            for (const hostcode::GeneratedFile &file : generated.files) {
                QVERIFY(hostcode::outputNames(language).contains(file.name));
                QVERIFY(file.bytes.left(file.bytes.indexOf('\n'))
                            .contains(QByteArray(hostcode::generatedMarker)));
                if (language != Language::Python) {
                    QVERIFY(!file.bytes.contains("?\?/"));
                    QCOMPARE(file.bytes.count("/*"), file.bytes.count("*/"));
                }
                // A screen's name, quotes and backslashes and all, only in comments.
                const QByteArray opener = language == Language::Python ? "#" : "/*";
                for (const QByteArray &line : file.bytes.split('\n')) {
                    if (line.contains("\\N"))
                        QVERIFY2(line.left(line.indexOf("\\N")).contains(opener), line.constData());
                }
            }
        }
    }

    // Written whole into the folder, again over its own files, never over
    // anyone else's: then nothing at all is written.
    void exportWritesOnlyItsOwnFiles()
    {
        QTemporaryDir dir;
        const QVector<NamedScript> scripts{{"a.vxs", "Cls\nping\nexpect pong\n", {}}};
        const hostcode::ExportResult first =
            hostcode::exportScripts(scripts, Language::C, dir.path());
        QVERIFY(first.ok());
        QCOMPARE(first.written,
                 QStringList({dir.filePath("vexel_scripts.h"), dir.filePath("vexel_scripts.c")}));
        QVERIFY(hostcode::isGeneratedFile(dir.filePath("vexel_scripts.c")));
        QVERIFY(hostcode::exportScripts({{"b.vxs", "Cls\n", {}}}, Language::C, dir.path()).ok());
        QVERIFY(readFile(dir.filePath("vexel_scripts.h")).contains("vexel_run_b(void)"));

        writeFile(dir.filePath("vexel_scripts.py"), "# my own module\nimport serial\n");
        const hostcode::ExportResult refused =
            hostcode::exportScripts(scripts, Language::Python, dir.path());
        QCOMPARE(refused.problems.size(), 1);
        QVERIFY(refused.problems[0].toString().contains(dir.filePath("vexel_scripts.py")));
        QVERIFY(refused.problems[0].message.contains("was not written by the export"));
        QCOMPARE(readFile(dir.filePath("vexel_scripts.py")),
                 QByteArray("# my own module\nimport serial\n"));

        // One of the pair in the way, and the other is not written either.
        QVERIFY(QDir(dir.path()).mkdir("vexel_scripts.cpp"));
        const hostcode::ExportResult blocked =
            hostcode::exportScripts(scripts, Language::Arduino, dir.path());
        QVERIFY(!blocked.ok());
        QVERIFY(blocked.problems[0].message.contains("not a plain file"));
        QVERIFY(readFile(dir.filePath("vexel_scripts.h")).contains("vexel_run_b(void)"));
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files).size(), 3); // no temporary file left
    }

    // The Demos page's folder must exist; vexelctl's is made, once the code
    // is ready. (vexelctl export's tests cover script mistakes.)
    void outputFolders()
    {
        QTemporaryDir dir;
        const QVector<NamedScript> scripts{{"good.vxs", "Cls\n", {}}};
        const hostcode::ExportResult missing =
            hostcode::exportScripts(scripts, Language::C, dir.filePath("no"));
        QCOMPARE(missing.problems.size(), 1);
        QCOMPARE(missing.problems[0].toString(), dir.filePath("no") + " is no folder");
        hostcode::ExportOptions options;
        options.makeFolder = true;
        QVERIFY(hostcode::exportScripts(scripts, Language::C, dir.filePath("a/b"), options).ok());
        QVERIFY(QFileInfo::exists(dir.filePath("a/b/vexel_scripts.c")));
        QVERIFY(!hostcode::exportScripts({}, Language::C, dir.path()).ok());
    }
};

QTEST_GUILESS_MAIN(HostCodeTest)
#include "tst_hostcode.moc"
