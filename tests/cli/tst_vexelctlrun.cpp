#include "ptypair.h"
#include "simulatorprocess.h"

#include "commands/frames.h"
#include "traffic/pcapng.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QXmlStreamReader>
#include <QtTest>

#include <fcntl.h>

namespace {

// The module's end of a pseudo-terminal must not live on in vexelctl:
// while the child held a copy, closing the test's own would not hang up
// the line. Marked in the test itself, as Qt 5 and Qt 6 hook the child
// differently; QProcess makes its own pipes after this.
void keepDescriptorsFromChildren()
{
    for (int descriptor = 3; descriptor < 1024; ++descriptor)
        fcntl(descriptor, F_SETFD, FD_CLOEXEC);
}

struct Run
{
    int exitCode = -1;
    QString out;
    QString err;
};

// A script the simulator answers in full; it leaves the module in standard
// mode, as it found it.
const char *const session = R"(# drawing, replies and the card
Cls
SetXHY 10 20
printString "Hi"
ping
expect pong
GETVERSION
expect version "Vexel900 simulator 1.0"
setExtendedMode
SetXHY 10 300
setStandardMode
repeat 2
  ping
  expect 38 within 500ms
end
SD_INSERTED
expect sd YES
)";

// What a JUnit reader finds: per suite its counts, per failure its text.
struct Suite
{
    QString name;
    int tests = 0;
    int failures = 0;
    int errors = 0;
    QStringList failureMessages;
    QStringList failureTexts;
    QStringList errorMessages;
};

QVector<Suite> readJUnit(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    QVector<Suite> suites;
    QXmlStreamReader xml(&file);
    while (!xml.atEnd()) {
        if (xml.readNext() != QXmlStreamReader::StartElement)
            continue;
        const QXmlStreamAttributes attributes = xml.attributes();
        if (xml.name() == QLatin1String("testsuite")) {
            Suite suite;
            suite.name = attributes.value("name").toString();
            suite.tests = attributes.value("tests").toInt();
            suite.failures = attributes.value("failures").toInt();
            suite.errors = attributes.value("errors").toInt();
            suites.append(suite);
        } else if (xml.name() == QLatin1String("failure")) {
            suites.last().failureMessages << attributes.value("message").toString();
            suites.last().failureTexts << xml.readElementText();
        } else if (xml.name() == QLatin1String("error")) {
            suites.last().errorMessages << attributes.value("message").toString();
        }
    }
    return xml.hasError() ? QVector<Suite>() : suites;
}

// The built-in demos where the source tree keeps them, with the hello.txt
// the SD demo sends beside them.
QStringList demoScripts()
{
    const QDir folder(qEnvironmentVariable("VEXEL_SOURCE_DIR") + "/script/demos");
    QStringList paths;
    for (const QString &name : folder.entryList({"*.vxscript"}, QDir::Files, QDir::Name))
        paths << folder.filePath(name);
    return paths;
}

QString textOf(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

// Each is a test case of the script's suite in a JUnit report.
int expectationsIn(const QString &script)
{
    int count = 0;
    for (const QString &line : textOf(script).split('\n'))
        count += line.trimmed().startsWith("expect ") ? 1 : 0;
    return count;
}

QString passedLine(int expectations)
{
    const QString counted = expectations == 1 ? "expectation" : "expectations";
    return QString("ok: %1 %2 passed, 0 failed").arg(expectations).arg(counted);
}

} // namespace

// vexelctl run, send and script-from as a build server runs them: the
// built tool against the built simulator, or against a test playing the
// module on a pseudo-terminal.
class VexelctlRunTest : public QObject
{
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> temp;
    std::unique_ptr<QProcess> simulator;
    QString device;

    QString path(const QString &name) const { return temp->filePath(name); }

    QString writeScript(const QString &name, const QString &text) const
    {
        QFile file(path(name));
        if (!file.open(QIODevice::WriteOnly) || file.write(text.toUtf8()) < 0)
            return QString();
        return file.fileName();
    }

    void startSimulator(const QStringList &options = {})
    {
        simulator = launchSimulator(path("run"), QStringList{"--card", path("card")} + options);
        QVERIFY(simulator->waitForStarted(5000));
        device = nextDevice(*simulator);
        QVERIFY2(device.startsWith("/dev/"), qPrintable(device));
    }

    static Run vexelctl(const QStringList &arguments)
    {
        QProcess process;
        process.start(VEXELCTL_PATH, arguments);
        return finished(process);
    }

    static Run finished(QProcess &process)
    {
        Run run;
        if (!process.waitForFinished(30000) || process.exitStatus() != QProcess::NormalExit)
            return run;
        run.exitCode = process.exitCode();
        run.out = QString::fromLocal8Bit(process.readAllStandardOutput());
        run.err = QString::fromLocal8Bit(process.readAllStandardError());
        return run;
    }

    // Whether the simulator, started with a capture, has taken the touch
    // demo's second button: a tap before it is drawn would find no button.
    // The capture is the module's view, where the bench's frames are received.
    bool buttonsDrawn() const
    {
        static const QByteArray secondButton =
            commandFrame(Command::ButtonDef, {2, 1, 0, 0, 0, 180, 20, 120, 80});
        QByteArray received;
        for (const TrafficRecord &record : readCaptureFile(path("sim.pcapng")).records) {
            if (record.direction == Direction::Received)
                received += record.bytes;
        }
        return received.contains(secondButton);
    }

    // vexelctl with the touch demo's two buttons tapped as a hand taps them,
    // once both are drawn: 300 ms apart, since one read holding both reports
    // would be one reply.
    Run vexelctlTapping(const QStringList &arguments)
    {
        QProcess process;
        process.start(VEXELCTL_PATH, arguments);
        if (!QTest::qWaitFor([this] { return buttonsDrawn(); }, 20000)) {
            process.kill();
            process.waitForFinished();
            return Run{-1, QString(), "the touch demo's buttons never reached the simulator"};
        }
        simulator->write("touch 80 60\n");
        QTest::qWait(300);
        simulator->write("touch 240 60\n");
        simulator->waitForBytesWritten(1000); // no event loop runs while vexelctl is awaited
        return finished(process);
    }

private slots:
    void init()
    {
        temp = std::make_unique<QTemporaryDir>();
        QVERIFY(temp->isValid());
        QVERIFY(QDir().mkpath(path("run/vexelsim")) && QDir().mkpath(path("card")));
    }

    void cleanup()
    {
        if (simulator && simulator->state() != QProcess::NotRunning) {
            simulator->terminate();
            if (!simulator->waitForFinished(3000))
                simulator->kill();
        }
        simulator.reset();
        temp.reset();
    }

    void scriptPassesAgainstTheSimulator()
    {
        startSimulator();
        const QString script = writeScript("session.vxs", session);
        const Run run = vexelctl({"run", script, "--port", device, "--junit", path("report.xml")});
        QCOMPARE(run.exitCode, 0);
        QVERIFY2(run.err.isEmpty(), qPrintable(run.err));
        const QStringList lines = run.out.split('\n', Qt::SkipEmptyParts);
        QCOMPARE(lines.size(), 16 + 1);
        QVERIFY(lines.at(0).startsWith("2  Cls  -> 21  ok  "));
        QVERIFY(lines.at(8).startsWith("10  SetXHY 10 300  -> 85 00 0a 01 2c  ok"));
        QVERIFY(lines.last().startsWith("ok: 5 expectations passed, 0 failed"));
        const QVector<Suite> suites = readJUnit(path("report.xml"));
        QCOMPARE(suites.size(), 1);
        QCOMPARE(suites.at(0).name, script);
        QCOMPARE(suites.at(0).tests, 5);
        QCOMPARE(suites.at(0).failures + suites.at(0).errors, 0);

        const Run sent = vexelctl({"send", "--port", device, "ping", "expect pong"});
        QCOMPARE(sent.exitCode, 0);
        QCOMPARE(sent.out.count('\n'), 2);
    }

    // A wrong expectation fails its script, and the report says what was
    // expected and what came; the next script still runs.
    void wrongExpectationFailsTheRun()
    {
        startSimulator();
        const QString bad = writeScript("bad.vxs", "ping\nexpect 39 within 300ms\nCls\n");
        const QString good = writeScript("good.vxs", "ping\nexpect pong\n");
        const Run run =
            vexelctl({"run", bad, good, "--port", device, "--junit", path("report.xml")});
        QCOMPARE(run.exitCode, 1);
        QVERIFY(run.out.contains("2  expect 39 within 300ms  FAIL: expected 39, received 38\n"));
        QVERIFY(!run.out.contains("Cls"));
        QVERIFY(run.out.contains("FAILED: 1 expectation passed, 1 failed, 2 of 2 scripts run"));
        QCOMPARE(run.err.count('\n'), 1);
        QVERIFY(run.err.contains("bad.vxs: line 2: expected 39, received 38"));

        const QVector<Suite> suites = readJUnit(path("report.xml"));
        QCOMPARE(suites.size(), 2);
        QCOMPARE(suites.at(0).failures, 1);
        QCOMPARE(suites.at(0).failureMessages, QStringList{"expected 39, received 38"});
        QVERIFY(suites.at(0).failureTexts.at(0).contains("expected: 39\nreceived: 38"));
        QCOMPARE(suites.at(1).tests, 1);
        QCOMPARE(suites.at(1).failures, 0);
    }

    // Every script is read before anything goes out: a mistake in the last
    // one leaves the line untouched.
    void scriptErrorsStopBeforeAnythingIsSent()
    {
        startSimulator({"--capture", path("sim.pcapng")});
        const QString good = writeScript("good.vxs", "Cls\nping\n");
        const QString broken = writeScript("broken.vxs", "Cls\n\n  SetXHY 10\nfrob\n");
        const Run run = vexelctl({"run", good, broken, "--port", device});
        QCOMPARE(run.exitCode, 2);
        QVERIFY(run.out.isEmpty());
        const QStringList problems = run.err.split('\n', Qt::SkipEmptyParts);
        QCOMPARE(problems.size(), 2);
        QVERIFY2(problems.at(0).startsWith(broken + ":3:3: "), qPrintable(problems.at(0)));
        QVERIFY(problems.at(1).startsWith(broken + ":4:1: "));
        QTest::qWait(200);
        const CaptureReading capture = readCaptureFile(path("sim.pcapng"));
        QVERIFY(capture.error.isEmpty());
        QVERIFY(capture.records.isEmpty());

        const Run missing = vexelctl({"run", path("none.vxs"), "--port", device});
        QCOMPARE(missing.exitCode, 2);
        QVERIFY(missing.err.startsWith(path("none.vxs") + ": "));

        const Run send = vexelctl({"send", "--port", device, "ping", "Clss"});
        QCOMPARE(send.exitCode, 2);
        QVERIFY(send.err.contains("statement 2, column 1: "));
    }

    void portsThatCannotBeUsed()
    {
        const QString script = writeScript("s.vxs", "Cls\n");
        const Run missing = vexelctl({"run", script, "--port", path("no-such-tty")});
        QCOMPARE(missing.exitCode, 2);
        QVERIFY(missing.err.contains("cannot open"));
        QCOMPARE(missing.err.count('\n'), 1);
        const Run baud = vexelctl({"send", "--port", "/dev/null", "--baud", "fast", "Cls"});
        QCOMPARE(baud.exitCode, 2);
        QVERIFY(baud.err.contains("--baud"));
        const Run noPort = vexelctl({"run", script});
        QCOMPARE(noPort.exitCode, 2);
        QVERIFY(noPort.err.contains("missing --port PORT"));
    }

    // The module keeps its mode between sessions; --extended says it is in
    // extended mode, where Y is a word.
    void extendedModeAtTheStart()
    {
        PtyPair module;
        QVERIFY(module.isOpen());
        QProcess process;
        process.start(VEXELCTL_PATH,
                      {"send", "--port", module.slavePath(), "--extended", "SetXHY 10 300"});
        QCOMPARE(module.take(5), QByteArray::fromHex("85000a012c"));
        process.waitForFinished(5000); // it may have ended while take() ran the loop
        QCOMPARE(process.state(), QProcess::NotRunning);
        QCOMPARE(process.exitCode(), 0);

        const Run standard = vexelctl({"send", "--port", module.slavePath(), "SetXHY 10 300"});
        QCOMPARE(standard.exitCode, 2);
        QVERIFY(standard.err.contains("statement 1, column 11: "));
    }

    // A repeat whose body switches the mode sends its later rounds in the
    // mode the body left, each Y as wide as that mode makes it.
    void repeatedRoundsSendInTheirMode()
    {
        PtyPair module;
        QVERIFY(module.isOpen());
        QProcess process;
        process.start(VEXELCTL_PATH,
                      {"send", "--port", module.slavePath(), "repeat 2", "SetXHY 10 20",
                       "setExtendedMode", "LINE_TO_XHY 10 300", "end", "setStandardMode"});
        const QByteArray round =
            commandFrame(Command::ExtendedMode) + commandFrame(Command::LineToXHY, {10, 300}, true);
        const QByteArray expected = commandFrame(Command::SetXHY, {10, 20}, false) + round +
                                    commandFrame(Command::SetXHY, {10, 20}, true) + round +
                                    commandFrame(Command::StandardMode);
        QCOMPARE(module.take(expected.size()).toHex(), expected.toHex());
        process.waitForFinished(5000); // it may have ended while take() ran the loop
        QCOMPARE(process.state(), QProcess::NotRunning);
        QCOMPARE(process.exitCode(), 0);
    }

    // A line that hangs up mid-run fails it, and the capture and the report
    // still hold what went before.
    void hangUpKeepsTheCapture()
    {
        PtyPair module;
        QVERIFY(module.isOpen());
        const QString script = writeScript("hang.vxs", "ping\nexpect pong\nwait 10s\nCls\n");
        keepDescriptorsFromChildren();
        QProcess process;
        process.start(VEXELCTL_PATH, {"run", script, "--port", module.slavePath(), "--capture",
                                      path("cap.pcapng"), "--junit", path("report.xml")});
        QCOMPARE(module.take(1), QByteArray::fromHex("83"));
        QVERIFY(module.write("8"));
        module.takeAll(200);
        module.closeMaster();
        QVERIFY(process.waitForFinished(5000));
        QCOMPARE(process.exitCode(), 1);
        QVERIFY(QString(process.readAllStandardError()).contains("the line went away"));

        const CaptureReading capture = readCaptureFile(path("cap.pcapng"));
        QVERIFY2(capture.error.isEmpty(), qPrintable(capture.error));
        QCOMPARE(capture.records.size(), 2);
        QCOMPARE(capture.records.at(0).direction, Direction::Sent);
        QCOMPARE(capture.records.at(0).bytes, QByteArray::fromHex("83"));
        QCOMPARE(capture.records.at(1).bytes, QByteArray("8"));

        const QVector<Suite> suites = readJUnit(path("report.xml"));
        QCOMPARE(suites.size(), 1);
        QCOMPARE(suites.at(0).tests, 2);
        QCOMPARE(suites.at(0).errors, 1);
        QVERIFY(suites.at(0).errorMessages.at(0).startsWith("the line went away"));
    }

    // A session captured by vexelctl or by the simulator becomes a script
    // that passes against the simulator again.
    void capturesReplayAsScripts()
    {
        startSimulator({"--capture", path("sim.pcapng")});
        const QString script = writeScript("session.vxs", session);
        QCOMPARE(
            vexelctl({"run", script, "--port", device, "--capture", path("run.pcapng")}).exitCode,
            0);
        QTest::qWait(200); // the simulator's last reply in its file

        // Both scripts are made before either replay adds to the simulator's capture.
        const QStringList captures{"run.pcapng", "sim.pcapng"};
        for (const QString &capture : captures) {
            const QString replay = path(capture + ".vxs");
            const Run made = vexelctl({"script-from", path(capture), "-o", replay});
            QCOMPARE(made.exitCode, 0);
            QVERIFY(made.out.isEmpty());
            QFile file(replay);
            QVERIFY(file.open(QIODevice::ReadOnly));
            const QString text = QString::fromUtf8(file.readAll());
            QCOMPARE(text.count("\nexpect "), 5);
            QCOMPARE(vexelctl({"script-from", path(capture)}).out, text);
        }
        for (const QString &capture : captures) {
            const QString replay = path(capture + ".vxs");
            const Run run = vexelctl({"run", replay, "--port", device});
            QVERIFY2(run.exitCode == 0, qPrintable(run.out + run.err));
            QVERIFY(run.out.contains("ok: 5 expectations passed, 0 failed"));
        }

        QFile damaged(path("cut.pcapng"));
        QVERIFY(damaged.open(QIODevice::WriteOnly));
        QFile whole(path("run.pcapng"));
        QVERIFY(whole.open(QIODevice::ReadOnly));
        damaged.write(whole.readAll().chopped(3));
        damaged.close();
        const Run cut = vexelctl({"script-from", damaged.fileName(), "-o", path("cut.vxs")});
        QCOMPARE(cut.exitCode, 1);
        QVERIFY(!QFile::exists(path("cut.vxs")));
    }

    void everyDemoPassesAgainstTheSimulator_data()
    {
        QTest::addColumn<QString>("demo");
        const QStringList demos = demoScripts();
        QVERIFY(!demos.isEmpty());
        for (const QString &demo : demos)
            QTest::newRow(qPrintable(QFileInfo(demo).fileName())) << demo;
    }

    // Each demo on its own, as a user tries it: the SD demo on a card of
    // the simulator's own, the touch demo with its buttons tapped.
    void everyDemoPassesAgainstTheSimulator()
    {
        QFETCH(QString, demo);
        startSimulator({"--capture", path("sim.pcapng")});
        const QStringList arguments{"run", demo, "--port", device};
        const Run run = textOf(demo).contains("expect touch") ? vexelctlTapping(arguments)
                                                              : vexelctl(arguments);
        QVERIFY2(run.exitCode == 0, qPrintable(run.out + run.err));
        QVERIFY2(run.err.isEmpty(), qPrintable(run.err));
        QVERIFY2(run.out.contains(passedLine(expectationsIn(demo))), qPrintable(run.out));
    }

    // All six in one session, as a build server runs them: each passes in
    // the state the one before left the module, and the report holds a suite
    // per demo with a case per expectation.
    void allDemosInOneRunWithJUnit()
    {
        const QStringList demos = demoScripts();
        QCOMPARE(demos.size(), 6);
        startSimulator({"--capture", path("sim.pcapng")});
        const Run run = vexelctlTapping(QStringList{"run"} + demos +
                                        QStringList{"--port", device, "--junit", path("r.xml")});
        QVERIFY2(run.exitCode == 0, qPrintable(run.out + run.err));
        int expectations = 0;
        for (const QString &demo : demos)
            expectations += expectationsIn(demo);
        QVERIFY2(run.out.contains(passedLine(expectations) + ", 6 of 6 scripts run"),
                 qPrintable(run.out));

        const QVector<Suite> suites = readJUnit(path("r.xml"));
        QCOMPARE(suites.size(), 6);
        for (int i = 0; i < suites.size(); ++i) {
            QCOMPARE(suites.at(i).name, demos.at(i));
            QCOMPARE(suites.at(i).tests, expectationsIn(demos.at(i)));
            QCOMPARE(suites.at(i).failures + suites.at(i).errors, 0);
        }
        QVERIFY(QDir(path("card")).entryList(QDir::Files).isEmpty()); // the SD demo's file deleted
    }

    void helpTexts()
    {
        for (const QString command : {"run", "send", "script-from"}) {
            const Run help = vexelctl({command, "--help"});
            QVERIFY(help.exitCode == 0 && help.out.startsWith("Usage: vexelctl " + command + " "));
            QVERIFY(vexelctl({"help"}).out.contains("  " + command + " "));
        }
    }
};

QTEST_GUILESS_MAIN(VexelctlRunTest)
#include "tst_vexelctlrun.moc"
