// The exported code as a host runs it: the C built with gcc and a POSIX
// harness, the Arduino code built as a sketch against a stub of its core,
// the Python module under Debian's pyserial, each run against the built
// simulator. The bytes the simulator receives must be those `vexelctl run`
// sends with the same script, and each run must return what the script's
// expectations call for.
#include "programrun.h"
#include "simulatorprocess.h"

#include "commands/frames.h"
#include "hostcode/names.h"
#include "traffic/pcapng.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>

namespace {

using Run = ProgramRun;

QString harnessFile(const QString &name)
{
    return QStringLiteral(HARNESS_DIR "/") + name;
}

// Every byte the simulator received, as its capture recorded them.
QByteArray receivedIn(const QString &capture)
{
    QByteArray received;
    for (const TrafficRecord &record : readCaptureFile(capture).records) {
        if (record.direction == Direction::Received)
            received += record.bytes;
    }
    return received;
}

QString writeText(const QString &path, const QString &text)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(text.toUtf8()) < 0)
        qFatal("cannot write %s", qPrintable(path));
    return path;
}

// Scripts beside the demos: repeats whose later rounds run in another
// mode, raw bytes, text that would break a comment, replies of several
// shapes, a failed open expected.
QString modesScript()
{
    return QStringLiteral("setStandardMode\n"
                          "repeat 3\n"
                          "    SetXHY 10 20\n"
                          "    LINE_TO_XHY 30 40\n"
                          "    setExtendedMode\n"
                          "    LINE_TO_XHY 50 300\n"
                          "end\n"
                          "setStandardMode\n"
                          "send 84 00 f8 2d \"raw\\x00\"\n"
                          "printString \"*/ ?\?/ /* \\\\ \\\"quoted\\\" \\xe9\"\n"
                          "GETVERSION\n"
                          "expect version \"Vexel900 simulator 1.0\"\n"
                          "SD_FILE_OPEN 1 \"NOPE.TXT\"\n"
                          "expect sd FAILED\n"
                          "SD_INSERTED\n"
                          "expect sd yes\n"
                          "repeat 2\n"
                          "    ping\n"
                          "    expect pong within 500ms\n"
                          "    wait 20ms\n"
                          "end\n");
}

// Set-up, then two screens: the first in the extended mode the set-up
// leaves (a Y goes out as a word), the second back in standard mode with a
// reply to read. Its screen names differ from the demo's, which is
// exported with it.
QString screensScript()
{
    return QStringLiteral("SetColorH #000000\n"
                          "Cls\n"
                          "setExtendedMode\n"
                          "buttonDef 9 1 0 0 0 0 200 40 30\n"
                          "screen \"Home\"\n"
                          "    SetXHY 10 230\n"
                          "    LINE_TO_XHY 200 100\n"
                          "    buttonDef 2 1 0 0 0 170 20 120 80 as \"Options\"\n"
                          "    buttonDef 1 1 0 0 0 20 20 120 80 as \"Start\"\n"
                          "end\n"
                          "screen \"Options\"\n"
                          "    setStandardMode\n"
                          "    buttonState 1 0\n"
                          "    buttonState 2 0\n"
                          "    SetXHY 10 20\n"
                          "    printString \"Options\"\n"
                          "    buttonDef 3 1 0 0 0 20 150 120 80 as \"Back\"\n"
                          "    ping\n"
                          "    expect pong within 500ms\n"
                          "end\n"
                          "buttonState 3 0\n"
                          "buttonState 9 0\n");
}

// The lines of the screen `name` in `script`, between its screen and end.
QPair<int, int> screenLines(const QString &script, const QString &name)
{
    const QStringList lines = script.split('\n');
    const int start = lines.indexOf("screen \"" + name + "\"");
    const int end = lines.indexOf("end", start);
    return {start + 2, end}; // counted from 1, the screen's own line left out
}

// What `vexelctl run` printed that its statements from line `first` to
// `last` sent: "12  SetXHY 10 20  -> 85 00 0a 14  ok  0.3 ms".
QByteArray bytesOfLines(const QString &runOutput, QPair<int, int> lines)
{
    static const QRegularExpression sentLine(
        "^(\\d+)  .*  -> ([0-9a-f]{2}(?: [0-9a-f]{2})*)  ok  ");
    QByteArray sent;
    for (const QString &line : runOutput.split('\n')) {
        const QRegularExpressionMatch match = sentLine.match(line);
        const int number = match.captured(1).toInt();
        if (match.hasMatch() && number >= lines.first && number <= lines.second)
            sent += QByteArray::fromHex(match.captured(2).toLatin1());
    }
    return sent;
}

// One run of bytes far longer than an Arduino array may be.
QString longScript()
{
    QString text;
    for (int i = 0; i < 3000; ++i)
        text += QStringLiteral("SetXHY %1 %2\nprintString \"line %3\"\n")
                    .arg(i % 300)
                    .arg(i % 220)
                    .arg(i);
    return text + QStringLiteral("ping\nexpect pong within 10s\n");
}

} // namespace

class ExportedCodeTest : public QObject
{
    Q_OBJECT

    QTemporaryDir temp;
    QStringList scripts; // every script exported, in the order given to vexelctl export
    QStringList functions;
    QHash<QString, QByteArray> reference;    // what vexelctl run sent, by script
    QHash<QString, QString> referenceOutput; // and what it printed
    int sessions = 0;

    QString path(const QString &name) const { return temp.filePath(name); }

    QString functionOf(const QString &script) const
    {
        return functions.at(scripts.indexOf(script));
    }

    // Whether the simulator has taken the touch demo's second button: a tap
    // before it is drawn would find no button.
    static bool buttonsDrawn(const QString &capture)
    {
        static const QByteArray secondButton =
            commandFrame(Command::ButtonDef, {2, 1, 0, 0, 0, 180, 20, 120, 80});
        return receivedIn(capture).contains(secondButton);
    }

    // Runs `program` with the device of a fresh simulator last among its
    // arguments; the touch demo's buttons are tapped once drawn, 300 ms
    // apart. Returns what the program printed and what the simulator
    // received.
    Run session(const QString &program, const QStringList &arguments, bool tapping,
                QByteArray &received)
    {
        const QString folder = path(QStringLiteral("session%1").arg(++sessions));
        QDir().mkpath(folder + "/card");
        QDir().mkpath(folder + "/run");
        const QString capture = folder + "/sim.pcapng";
        std::unique_ptr<QProcess> simulator =
            launchSimulator(folder + "/run", {"--card", folder + "/card", "--capture", capture});
        Run run;
        const QString device = simulator->waitForStarted(5000) ? nextDevice(*simulator) : QString();
        if (device.startsWith("/dev/")) {
            QElapsedTimer clock;
            clock.start();
            QProcess process;
            process.start(program, arguments + QStringList{device});
            if (tapping && QTest::qWaitFor([&] { return buttonsDrawn(capture); }, 20000)) {
                simulator->write("touch 80 60\n");
                QTest::qWait(300);
                simulator->write("touch 240 60\n");
                simulator->waitForBytesWritten(1000);
            }
            run = finishedRun(process, clock);
        }
        QTest::qWait(100); // the simulator's last record in its file
        simulator->terminate();
        if (!simulator->waitForFinished(3000))
            simulator->kill();
        received = receivedIn(capture);
        return run;
    }

    QByteArray referenceBytes(const QString &script)
    {
        if (!reference.contains(script)) {
            QByteArray received;
            const Run run =
                session(VEXELCTL_PATH, {"run", script, "--port"}, tapping(script), received);
            reference.insert(script, received);
            referenceOutput.insert(script, run.out);
        }
        return reference.value(script);
    }

    static bool tapping(const QString &script)
    {
        QFile file(script);
        return file.open(QIODevice::ReadOnly) && file.readAll().contains("expect touch");
    }

    // The harness for `language` built around the exported C or Arduino
    // function `function`, with every warning an error.
    QString build(const QString &language, const QString &function, QString &problem) const
    {
        const QString binary = path(language + "-" + function);
        const QString code = path(language);
        const bool c = language == "c";
        const Run compiled = runProgram(
            c ? GCC_PATH : GXX_PATH, harnessBuildArguments(c, code, HARNESS_DIR, function, binary));
        if (compiled.exitCode != 0)
            problem = compiled.err;
        return binary;
    }

private slots:
    void initTestCase()
    {
        QVERIFY(temp.isValid());
        const QDir demos(qEnvironmentVariable("VEXEL_SOURCE_DIR") + "/script/demos");
        for (const QString &name : demos.entryList({"*.vxscript"}, QDir::Files, QDir::Name))
            scripts << demos.filePath(name);
        QCOMPARE(scripts.size(), 6);
        scripts << writeText(path("modes.vxscript"), modesScript())
                << writeText(path("long.vxscript"), longScript())
                << writeText(path("failing.vxscript"),
                             "ping\nexpect pong\nping\nexpect 39 within 300ms\nCls\n")
                << writeText(path("silent.vxscript"), "Cls\nexpect 38 within 200ms\nping\n")
                << writeText(path("screens.vxscript"), screensScript());
        functions = hostcode::uniqueNameParts(scripts);
        for (const QString language : {"c", "arduino", "python"}) {
            const Run exported = runProgram(
                VEXELCTL_PATH, QStringList{"export"} + scripts +
                                   QStringList{"--lang", language, "-o", path(language)});
            QVERIFY2(exported.exitCode == 0, qPrintable(exported.err));
        }
        const Run python = runProgram(PYTHON3_PATH, {"-I", "-c", "import serial"});
        QVERIFY2(python.exitCode == 0,
                 qPrintable("Debian's python3-serial is needed (scripts/setup.sh): " + python.err));
    }

    // The Arduino library compiles as a sketch's would, every warning an
    // error; so does code with nothing to read, or nothing to write.
    void arduinoCodeIsValidCpp()
    {
        const Run checked =
            runProgram(GXX_PATH, {"-fsyntax-only", "-std=gnu++11", "-Wall", "-Wextra", "-Werror",
                                  "-I" + harnessFile("arduino"), "-I" + QStringLiteral(HARNESS_DIR),
                                  path("arduino/vexel_scripts.cpp")});
        QVERIFY2(checked.exitCode == 0, qPrintable(checked.err));

        const QStringList sparse{writeText(path("draw.vxscript"), "Cls\n"),
                                 writeText(path("pause.vxscript"), "wait 1ms\n")};
        for (const QString language : {"c", "arduino"}) {
            const QString folder = path("sparse-" + language);
            const Run exported =
                runProgram(VEXELCTL_PATH, QStringList{"export"} + sparse +
                                              QStringList{"--lang", language, "-o", folder});
            QVERIFY2(exported.exitCode == 0, qPrintable(exported.err));
            const bool c = language == "c";
            const Run compiled = runProgram(
                c ? GCC_PATH : GXX_PATH,
                {"-fsyntax-only", c ? "-std=c99" : "-std=gnu++11", "-Wall", "-Wextra", "-Werror",
                 "-I" + harnessFile("arduino"), "-I" + QStringLiteral(HARNESS_DIR),
                 folder + (c ? "/vexel_scripts.c" : "/vexel_scripts.cpp")});
            QVERIFY2(compiled.exitCode == 0, qPrintable(compiled.err));
        }
    }

    void sendsWhatRunSends_data()
    {
        QTest::addColumn<QString>("language");
        QTest::addColumn<QString>("script");
        QTest::addColumn<QString>("result");
        for (const QString &script : scripts) {
            const QString name = QFileInfo(script).completeBaseName();
            const QString result = name == "failing" ? "4" : name == "silent" ? "2" : "0";
            for (const QString language : {"c", "arduino", "python"})
                QTest::newRow(qPrintable(language + " " + name)) << language << script << result;
        }
    }

    // The same bytes as `vexelctl run`, up to where an expectation fails;
    // the run's value is 0, or the line of the expectation that failed,
    // after its time when nothing came.
    void sendsWhatRunSends()
    {
        QFETCH(QString, language);
        QFETCH(QString, script);
        QFETCH(QString, result);
        QString program = PYTHON3_PATH;
        QStringList arguments{"-I", harnessFile("runexported.py"), path("python"),
                              "run_" + functionOf(script)};
        if (language != "python") {
            QString problem;
            program = build(language, "vexel_run_" + functionOf(script), problem);
            QVERIFY2(problem.isEmpty(), qPrintable(problem));
            arguments.clear();
        }
        const QByteArray expected = referenceBytes(script);
        QVERIFY(!expected.isEmpty());
        QByteArray received;
        const Run run = session(program, arguments, tapping(script), received);
        QVERIFY2(run.exitCode == 0 && run.err.isEmpty(), qPrintable(run.err));
        QCOMPARE(run.out, result);
        QCOMPARE(received.size(), expected.size());
        QVERIFY(received == expected);
        if (script.endsWith("silent.vxscript"))
            QVERIFY(run.elapsedMs >= 200);
    }

    void screensSendWhatTheirLinesSend_data()
    {
        QTest::addColumn<QString>("language");
        QTest::addColumn<QString>("screen");
        for (const QString language : {"c", "arduino", "python"}) {
            for (const QString screen : {"Home", "Options"})
                QTest::newRow(qPrintable(language + " " + screen)) << language << screen;
        }
    }

    // A screen's function alone, on a fresh module, sends what the screen's
    // statements sent within `vexelctl run` of the whole script: "Home" in
    // the extended mode the set-up left, "Options" with its reply read. The
    // fresh simulator is in standard mode and says it skipped Home's words;
    // only the bytes count there.
    void screensSendWhatTheirLinesSend()
    {
        QFETCH(QString, language);
        QFETCH(QString, screen);
        const QString script = path("screens.vxscript");
        referenceBytes(script);
        const QByteArray expected =
            bytesOfLines(referenceOutput.value(script), screenLines(screensScript(), screen));
        QVERIFY(!expected.isEmpty());

        const QString part = hostcode::identifierPart(screen, "screen");
        QString program = PYTHON3_PATH;
        QStringList arguments{"-I", harnessFile("runexported.py"), path("python"),
                              hostcode::drawFunction(part, hostcode::Language::Python)};
        if (language != "python") {
            QString problem;
            program = build(language, hostcode::drawFunction(part, hostcode::Language::C), problem);
            QVERIFY2(problem.isEmpty(), qPrintable(problem));
            arguments.clear();
        }
        QByteArray received;
        const Run run = session(program, arguments, false, received);
        QVERIFY2(run.exitCode == 0 && run.err.isEmpty(), qPrintable(run.err));
        QCOMPARE(run.out, QStringLiteral("0"));
        QCOMPARE(received.toHex(' '), expected.toHex(' '));
    }
};

QTEST_GUILESS_MAIN(ExportedCodeTest)
#include "tst_exportedcode.moc"
