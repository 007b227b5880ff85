#include "ptypair.h"

#include "commands/frames.h"
#include "script/portlink.h"
#include "script/script.h"
#include "serial/modulelink.h"

#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

using namespace script;

namespace {

// What one run reported.
struct RunLog
{
    QVector<StepResult> steps;
    std::optional<RunSummary> summary;

    const StepResult *firstFailure() const
    {
        for (const StepResult &step : steps) {
            if (!step.passed)
                return &step;
        }
        return nullptr;
    }
};

Script parsed(const QString &text, bool extended = false)
{
    const ParseResult result = parseScript(text, QString(), extended);
    if (!result.ok())
        qWarning() << result.errors.first().toString();
    return result.script;
}

} // namespace

// The runner on a real line: the bench's end of a pseudo-terminal opened as
// the window opens it, the test playing the module at the other end.
class ScriptRunnerTest : public QObject
{
    Q_OBJECT

    std::unique_ptr<PtyPair> module;
    std::unique_ptr<ModuleLink> port;
    std::unique_ptr<PortLink> link;
    RunLog log;

    ScriptRunner &runner() { return link->runner(); }

    void start(const QString &text, bool extended = false)
    {
        log = RunLog();
        runner().start(parsed(text, extended), extended);
    }

    bool finishes(int timeoutMs = 5000)
    {
        QElapsedTimer clock;
        clock.start();
        while (!log.summary && clock.elapsed() < timeoutMs)
            QTest::qWait(10);
        return log.summary.has_value();
    }

    // Sends `chunk` as the module, and lets the bench read it as one chunk.
    void answer(const QByteArray &chunk)
    {
        QVERIFY(module->write(chunk));
        QTest::qWait(40);
    }

private slots:
    void init()
    {
        module = std::make_unique<PtyPair>();
        QVERIFY(module->isOpen());
        port = std::make_unique<ModuleLink>();
        QVERIFY(port->open({module->slavePath(), 115200}));
        link = std::make_unique<PortLink>(*port);
        connect(&runner(), &ScriptRunner::statementDone, this,
                [this](const StepResult &step) { log.steps.append(step); });
        connect(&runner(), &ScriptRunner::finished, this,
                [this](const RunSummary &summary) { log.summary = summary; });
    }

    void cleanup()
    {
        link.reset();
        port.reset();
        module.reset();
    }

    // An expectation waits for bytes the module sends in pieces, and the
    // statement after it goes out only once the last piece is in.
    void expectWaitsForBytesSplitAcrossChunks()
    {
        start("ping\nexpect 3f 01 02 within 3000ms\nCls\n");
        QCOMPARE(module->take(1), QByteArray::fromHex("83"));
        answer(QByteArray::fromHex("3f"));
        answer(QByteArray::fromHex("01"));
        QVERIFY(module->takeAll(50).isEmpty());
        QVERIFY(!log.summary);
        answer(QByteArray::fromHex("02"));
        QCOMPARE(module->take(1), QByteArray::fromHex("21"));
        QVERIFY(finishes());
        QVERIFY(log.summary->ok());
        QCOMPARE(log.summary->passed, 1);
        QCOMPARE(log.steps.at(1).received, QByteArray::fromHex("3f0102"));
    }

    // A pass consumes what arrived up to the end of its match: what came
    // after is there for the next expectation, what came before is gone.
    void expectationsShareOneChunkInOrder()
    {
        start("ping\nexpect 38\nexpect 3f 01\n");
        module->take(1);
        answer(QByteArray::fromHex("383f01"));
        QVERIFY(finishes());
        QCOMPARE(log.summary->passed, 2);

        start("ping\nexpect 38\nexpect 3f 01 within 150ms\n");
        module->take(1);
        answer(QByteArray::fromHex("3f0138"));
        QVERIFY(finishes());
        QCOMPARE(log.summary->passed, 1);
        QCOMPARE(log.summary->failed, 1);
    }

    // A failed expectation names what did arrive, ends the run where it
    // stands and sends nothing more.
    void expectTimesOutWithWhatArrived()
    {
        QElapsedTimer clock;
        clock.start();
        start("ping\nexpect 38 within 200ms\nCls\n");
        module->take(1);
        answer(QByteArray::fromHex("3f01"));
        QVERIFY(finishes());
        QVERIFY(clock.elapsed() >= 200);
        const StepResult *failed = log.firstFailure();
        QVERIFY(failed);
        QCOMPARE(failed->pos.line, 2);
        QCOMPARE(failed->failure, QString("expected 38, received 3f 01"));
        QCOMPARE(failed->received, QByteArray::fromHex("3f01"));
        QCOMPARE(log.summary->failed, 1);
        QCOMPARE(log.summary->failedAt.line, 2);
        QVERIFY(log.summary->failure.startsWith("line 2: "));
        QVERIFY(module->takeAll(100).isEmpty());

        start("expect pong within 100ms\n");
        QVERIFY(finishes());
        QCOMPARE(log.firstFailure()->failure, QString("nothing arrived within 100 ms"));
        QVERIFY(outputLine(*log.firstFailure()).endsWith("FAIL: nothing arrived within 100 ms"));
    }

    // Replies named in words are read as the window's reader reads them,
    // armed by the command before them.
    void decodedRepliesMatch_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QByteArray>("reply");
        QTest::addColumn<bool>("passes");
        const auto row = [](const char *name, const char *text, const QByteArray &reply,
                            bool passes) {
            QTest::newRow(name) << QString(text) << reply << passes;
        };
        row("pong", "ping\nexpect pong", "8", true);
        row("touch", "ping\nexpect touch 200 100", QByteArray::fromHex("814801016400"), true);
        row("other touch", "ping\nexpect touch 200 101", QByteArray::fromHex("814801016400"),
            false);
        row("sd open", "SD_FILE_OPEN 1 \"a.txt\"\nexpect sd OK", QByteArray::fromHex("3f01"), true);
        row("sd open failed", "SD_FILE_OPEN 1 \"a.txt\"\nexpect sd OK", QByteArray::fromHex("3f00"),
            false);
        row("version", "GETVERSION\nexpect version \"V1.0\"", QByteArray("V1.0\0", 5), true);
        // `send` puts bytes on the line and arms nothing, so the answer is
        // no version to the reader.
        row("version after send", "send 81\nexpect version \"V1.0\"", QByteArray("V1.0\0", 5),
            false);
    }

    void decodedRepliesMatch()
    {
        QFETCH(QString, text);
        QFETCH(QByteArray, reply);
        QFETCH(bool, passes);
        start(text + " within 300ms\n");
        QVERIFY(!module->take(1).isEmpty());
        answer(reply);
        QVERIFY(finishes());
        QCOMPARE(log.summary->passed, passes ? 1 : 0);
        QCOMPARE(log.summary->failed, passes ? 0 : 1);
    }

    void repeatsRunTheirBodies()
    {
        start("repeat 3\n  SetXHY 1 2\n  repeat 2\n    Cls\n  end\nend\nLightOn\n");
        QVERIFY(finishes());
        QVERIFY(log.summary->ok());
        QCOMPARE(log.summary->statements, 10);
        QCOMPARE(module->takeAll(50), QByteArray::fromHex("8500010221218500010221218500010221"
                                                          "2122"));
    }

    // Y is a byte in standard mode and a word in extended mode, from the
    // mode the run starts in and as the mode commands change it.
    void modeCommandsChangeY()
    {
        start("SetXHY 10 20\nsetExtendedMode\nSetXHY 10 300\nsetStandardMode\nSetXHY 10 20\n");
        QVERIFY(finishes());
        QCOMPARE(module->takeAll(50).toHex(), QByteArray("85000a14fb85000a012cfc85000a14"));
        QVERIFY(!runner().extendedMode());

        start("SetXHY 10 300\n", true);
        QVERIFY(finishes());
        QCOMPARE(module->takeAll(50).toHex(), QByteArray("85000a012c"));
        QVERIFY(runner().extendedMode());

        // Where a run of several scripts starts each: repeats counted as run.
        QVERIFY(modeAfterAll(
            parsed("repeat 3\n  setStandardMode\n  setExtendedMode\nend\n").statements, false));
        QVERIFY(!modeAfterAll(
            parsed("setExtendedMode\nrepeat 2\n  setStandardMode\nend\n", false).statements,
            false));
        QVERIFY(!modeAfterAll(parsed("Cls\n").statements, false));
        QVERIFY(modeAfterAll(parsed("Cls\n").statements, true));
    }

    // With nobody following the steps, rows of commands go out from the
    // parsed script's bytes in one piece: what arrives is still what the
    // buttons send, through mode changes, repeats, a reply armed inside a row
    // and a port that fills up before the run ends.
    void quietRunsSendRows()
    {
        disconnect(&runner(), &ScriptRunner::statementDone, this, nullptr);
        const int rounds = 50000;
        start(QString("SetXHY 10 20\nGETVERSION\nLightOn\nexpect version \"V1.0\"\n"
                      "repeat 2\n  LINE_TO_XHY 1 2\n  setExtendedMode\n  SetXHY 10 300\nend\n"
                      "setStandardMode\nprintString \"Hi\"\n"
                      "repeat %1\n  boxH 3 4\n  V_LINE 5\nend\n")
                  .arg(rounds));
        // The version is read as one only when GETVERSION armed the reader.
        const QByteArray beforeReply = commandFrame(Command::SetXHY, {10, 20}) +
                                       commandFrame(Command::GetVersion) +
                                       commandFrame(Command::LightOn);
        QCOMPARE(module->take(beforeReply.size()).toHex(), beforeReply.toHex());
        answer(QByteArray("V1.0\0", 5));

        QByteArray rest;
        for (const bool extended : {false, true})
            rest += commandFrame(Command::LineToXHY, {1, 2}, extended) +
                    commandFrame(Command::ExtendedMode) +
                    commandFrame(Command::SetXHY, {10, 300}, true);
        rest += commandFrame(Command::StandardMode) +
                commandWritesOfBytes(Command::PrintString, {}, "Hi").join() +
                (commandFrame(Command::BoxH, {3, 4}) + commandFrame(Command::VLine, {5}))
                    .repeated(rounds);
        const QByteArray arrived = module->take(rest.size(), 10000);
        QCOMPARE(arrived.size(), rest.size());
        QVERIFY(arrived == rest);
        QVERIFY(finishes());
        QVERIFY(log.summary->ok());
        QCOMPARE(log.summary->passed, 1);
        QCOMPARE(log.summary->statements, 4 + 2 * 3 + 2 + 2 * rounds);
    }

    // The file goes out whole after its head, and the next statement after
    // the file; a file gone since the script was read fails its statement
    // before any byte of it is sent.
    void fileStatementsWaitForTheirFile()
    {
        QTemporaryDir folder;
        QByteArray data(200 * 1024, '\0');
        for (int i = 0; i < data.size(); ++i)
            data[i] = char(i * 7);
        QFile file(folder.filePath("blob.bin"));
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write(data) == data.size());
        file.close();

        start(QString("SD_FILE_WRITE 2 \"%1\"\nping\n").arg(file.fileName()));
        const QByteArray head = QByteArray::fromHex("7702") + QByteArray::fromHex("00200300");
        QCOMPARE(module->take(head.size() + data.size() + 1), head + data + char(0x83));
        QVERIFY(finishes());
        QVERIFY(log.summary->ok());
        QCOMPARE(log.steps.at(0).fileBytes, qint64(data.size()));
        QCOMPARE(log.steps.at(0).sent, head);

        const Script script =
            parsed(QString("Cls\nSD_FILE_WRITE 2 \"%1\"\nping\n").arg(file.fileName()));
        QVERIFY(file.remove());
        log = RunLog();
        runner().start(script);
        QVERIFY(finishes());
        QVERIFY(log.summary->failure.startsWith("line 2: cannot read"));
        QCOMPARE(module->takeAll(50), QByteArray::fromHex("21"));
    }

    // Stop ends the run at once: no timer fires later, nothing more is sent.
    void stopEndsTheRunAtOnce()
    {
        start("Cls\nwait 5s\nping\n");
        QCOMPARE(module->take(1), QByteArray::fromHex("21"));
        QVERIFY(runner().isRunning());
        runner().stop();
        QVERIFY(log.summary);
        QVERIFY(log.summary->stopped && !log.summary->ok());
        QVERIFY(!runner().isRunning());
        const int steps = log.steps.size();
        log.summary.reset();
        QVERIFY(module->takeAll(300).isEmpty());
        QCOMPARE(log.steps.size(), steps);
        QVERIFY(!log.summary);

        start("ping\nexpect pong within 5000ms\nCls\n");
        module->take(1);
        runner().stop();
        answer("8");
        QVERIFY(module->takeAll(100).isEmpty());
        QCOMPARE(log.summary->passed, 0);

        // Stopped from a step's own report, in the middle of a slice.
        QMetaObject::Connection stopper =
            connect(&runner(), &ScriptRunner::statementDone, this, [this](const StepResult &step) {
                if (step.pos.line == 2)
                    runner().stop();
            });
        start("Cls\nLightOn\nLightOff\nwait 10ms\nCls\n");
        QVERIFY(finishes(1000));
        QVERIFY(log.summary->stopped);
        QCOMPARE(log.steps.size(), 2);
        QCOMPARE(module->takeAll(100), QByteArray::fromHex("2122")); // as reported, no more
        QVERIFY(!runner().isRunning());
        disconnect(stopper);
    }

    // A line that hangs up ends the run as failed, at the statement it was on.
    void hangUpEndsTheRunAsFailed()
    {
        QElapsedTimer clock;
        clock.start();
        start("ping\nwait 5s\nCls\n");
        QCOMPARE(module->take(1), QByteArray::fromHex("83"));
        module->closeMaster();
        QVERIFY(finishes());
        QVERIFY(clock.elapsed() < 4000);
        QVERIFY(log.summary->lineLost && !log.summary->ok());
        QCOMPARE(log.summary->failedAt.line, 2);
        QVERIFY(log.firstFailure()->failure.startsWith("the line went away"));
        QVERIFY(!link->lostReason().isEmpty());
        QVERIFY(!port->isOpen());
    }

    // A module flooding the line between two expectations does not grow what
    // is searched for ever, and the bytes after the flood still match.
    void floodBeforeAnExpectation()
    {
        start("ping\nexpect 3f 01 within 5000ms\n");
        module->take(1);
        const QByteArray flood(3 << 20, char(0x55));
        QVERIFY(module->write(flood + QByteArray::fromHex("3f01")));
        QVERIFY(finishes(10000));
        QCOMPARE(log.summary->passed, 1);
    }

    // The window's send path gets each statement with its writes; the runner
    // gathers them itself only for a link without one.
    void linksGetStatementsOrGatheredBytes()
    {
        QVector<QPair<int, QByteArrayList>> commands;
        QByteArrayList raw;
        ScriptLink windowLink;
        windowLink.sendCommand = [&](const Statement &statement, const QByteArrayList &writes) {
            commands.append({statement.pos.line, writes});
        };
        windowLink.sendRaw = [&](const QByteArray &bytes) { raw.append(bytes); };
        ScriptRunner direct(windowLink);
        bool done = false;
        connect(&direct, &ScriptRunner::finished, this, [&] { done = true; });
        direct.start(parsed("printString \"Hi\"\nsend 01 02\nSetXHY 1 2\n"));
        QTRY_VERIFY(done);
        QCOMPARE(commands.size(), 2);
        QCOMPARE(commands.at(0).first, 1);
        QCOMPARE(commands.at(0).second, QByteArrayList({"\x2d", "Hi", QByteArray(1, '\0')}));
        QCOMPARE(raw, QByteArrayList{QByteArray::fromHex("0102")});

        raw.clear();
        ScriptLink gathering;
        gathering.sendRaw = windowLink.sendRaw;
        ScriptRunner batched(gathering);
        done = false;
        connect(&batched, &ScriptRunner::finished, this, [&] { done = true; });
        batched.start(parsed("printString \"Hi\"\nsend 01 02\nSetXHY 1 2\nwait 10ms\nCls\n"));
        QTRY_VERIFY(done);
        QCOMPARE(raw, QByteArrayList({QByteArray::fromHex("2d486900010285000102"),
                                      QByteArray::fromHex("21")}));
    }

    // Gathered bytes are the bytes of each command's button, in both modes.
    void gatheredBytesAreTheButtonsBytes()
    {
        for (const CommandSpec &command : allCommands()) {
            const std::size_t fixed = argCount(command) - (carriesText(command) ? 1 : 0);
            ArgValues values;
            for (std::size_t i = 0; i < fixed; ++i)
                values.append(qint64(0x1234 + 77 * i));
            for (const bool extended : {false, true}) {
                QByteArray gathered("x");
                appendCommandBytes(gathered, command.id, values, "ab", extended);
                QCOMPARE(gathered.mid(1),
                         commandWritesOfBytes(command.id, values, "ab", extended).join());
            }
        }
    }
};

QTEST_GUILESS_MAIN(ScriptRunnerTest)
#include "tst_scriptrunner.moc"
