// The Demos page in the real window: statements against the buttons they
// stand for, recorded clicks run back, stops and errors, and every built-in
// demo against the real simulator. Bytes are read on the far side of a real
// pseudo-terminal.
#include "commands/colors.h"
#include "commands/commandset.h"
#include "common/filedialogs.h"
#include "ptypair.h"
#include "traffic/pcapng.h"
#include "ui/scripteditor.h"
#include "ui/scriptpage.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QProcess>
#include <QSet>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTextEdit>
#include <QtTest>

namespace {

// One button of the Display Test page with the widget values it reads, and
// the statement that must send the same bytes.
struct ButtonCase
{
    Command command;
    const char *button;
    QVariantMap widgets;
    const char *statement;
};

const QVector<ButtonCase> &buttonCases()
{
    static const QVector<ButtonCase> cases{
        {Command::Cls, "Cls", {}, "Cls"},
        {Command::SetColorH, "setColorH", {}, "SetColorH #ff8000"},
        {Command::SetBgColorH, "set_bg_colorh", {}, "SET_BG_COLORH #0000ff"},
        {Command::SelectFont, "selectFont", {{"fontNumber", 3}}, "select_font 3"},
        {Command::PrintString,
         "printString",
         {{"printStringText", "Hi \"you\"\\"}},
         "printString \"Hi \\\"you\\\"\\\\\""},
        {Command::PrintStringBg,
         "PRINT_STRING_BG",
         {{"printStringText", "a\tb"}},
         "PRINT_STRING_BG \"a\\tb\""},
        {Command::SetXHY, "setXHY", {{"spinX", 300}, {"spinY", 200}}, "SetXHY 300 200"},
        {Command::SetNorth, "setNorth", {}, "setNorth"},
        {Command::SetEast, "setEast", {}, "setEast"},
        {Command::SetSouth, "setSouth", {}, "setSouth"},
        {Command::SetWest, "setWest", {}, "setWest"},
        {Command::LightOn, "LightOn", {}, "LightOn"},
        {Command::LightOff, "LightOFf", {}, "lightoff"},
        {Command::BacklightLevel, "pushButton_16", {{"BrightSlider", 77}}, "BacklightLevel 77"},
        {Command::ArcH,
         "arcH",
         {{"arcRadius", 50}, {"arcBegin", 90}, {"arcEnd", 360}},
         "arcH 50 90 360"},
        {Command::BoxH, "boxH", {{"boxHX", 0x123}, {"boxHY", 99}}, "boxH 0x123 99"},
        {Command::BoxHFill,
         "boxHFill",
         {{"boxHFillX", 319}, {"boxHFillY", 239}},
         "boxHFill 319 239"},
        {Command::CircleRH, "circleRH", {{"circleRHRadius", 260}}, "circleRH 260"},
        {Command::HLineH, "H_LINEH", {{"H_LINEHX", 257}}, "H_LINEH 257"},
        {Command::VLine, "V_LINE", {{"VLINEY", 201}}, "V_LINE 201"},
        {Command::LineToXHY,
         "LINE_TO_XHY",
         {{"LINE_TO_X", 310}, {"LINE_TO_Y", 7}},
         "LINE_TO_XHY 310 7"},
        {Command::SdPutIcon,
         "sdPutIcon",
         {{"sdPutIconFile", "ICONS/A.VXP"}},
         "sdPutIcon \"ICONS/A.VXP\""},
        {Command::PutSfIcon, "put_sf_icon", {{"PUT_SF_ICON_NO", 12}}, "PUT_SF_ICON 12"},
        {Command::CaptureScreen, "captureScreen", {}, "captureScreen"},
        {Command::ButtonDef,
         "buttonDef",
         {{"buttonDefNo", 4},
          {"buttonDefInitState", 1},
          {"buttonDefUp", 5},
          {"buttonDefDown", 6},
          {"buttonDefDisabled", 7},
          {"buttonDefX", 290},
          {"buttonDefY", 100},
          {"buttonDefW", 30},
          {"buttonDefH", 40}},
         "buttonDef 4 2 5 6 7 290 100 30 40"},
        {Command::ButtonState,
         "buttonState",
         {{"buttonStateNo", 5}, {"buttonStateAction", 4}},
         "buttonState 5 4"},
        {Command::TouchProtocol, "touchProtocol", {{"TPCalibratedXY", true}}, "touchProtocol 0x40"},
        {Command::CalibrateTouch, "calibrateTouch", {}, "calibrateTouch"},
        {Command::SetLayer, "setLayer1", {}, "setLayer 1"},
        {Command::LayerVisibility, "setHideLayer1", {}, "layerVisibility 1 0"},
        {Command::ColorKey, "setColorKey", {{"colorKeyValue", "f81F"}}, "setColorKey #ff00ff"},
        {Command::StandardMode, "setStandardMode", {}, "setStandardMode"},
        {Command::ExtendedMode, "setExtendedMode", {}, "setExtendedMode"},
        {Command::BuzzerOn, "buzzerOn", {}, "buzzerOn"},
        {Command::BuzzerOff, "buzzerOff", {}, "buzzerOff"},
        {Command::Beep, "buzzerBeep", {}, "buzzerBeep 0x14"},
        {Command::Ping, "ping", {}, "ping"},
        {Command::GetSerial, "getSerial", {}, "getSerial"},
        {Command::ResetVexel, "resetVEXEL", {}, "resetVEXEL"},
        {Command::ShowSettings, "ShowSettings", {}, "ShowSettings"},
        {Command::GetVersion, "GETVERSION", {}, "GETVERSION"},
        {Command::SdFileCreate,
         "SD_FILE_CREATE",
         {{"sdFileNumber", 2}, {"sdFileName", "A.TXT"}},
         "SD_FILE_CREATE 2 \"A.TXT\""},
        {Command::SdFileOpen,
         "SD_FILE_OPEN",
         {{"sdFileNumber", 1}, {"sdFileName", "LOG.TXT"}},
         "SD_FILE_OPEN 1 \"LOG.TXT\""},
        {Command::SdFileClose, "SD_FILE_CLOSE", {{"sdFileNumber", 1}}, "SD_FILE_CLOSE 1"},
        {Command::SdFileRead,
         "SD_FILE_READ",
         {{"sdFileNumber", 2}, {"readByteCount", 1000}},
         "SD_FILE_READ 2 1000"},
        {Command::SdFileDelete,
         "SD_FILE_DELETE",
         {{"sdFileName", "OLD.TXT"}},
         "SD_FILE_DELETE \"OLD.TXT\""},
        {Command::SdFileGetSize, "SD_FILE_GET_SIZE", {{"sdFileNumber", 2}}, "SD_FILE_GET_SIZE 2"},
        {Command::SdFileTell, "SD_FILE_TELL", {{"sdFileNumber", 1}}, "SD_FILE_TELL 1"},
        {Command::SdFileList, "SD_FILE_LIST", {{"sdFileName", "/"}}, "SD_FILE_LIST \"/\""},
        {Command::SdInserted, "SD_INSERTED", {}, "SD_INSERTED"},
        {Command::SdSpaceInfo,
         "SD_SPACE_INFO",
         {{"SD_SPACE_INFO_SELECTION", 2}},
         "SD_SPACE_INFO 2"},
        {Command::SdFolderCreate,
         "SD_FOLDER_CREATE",
         {{"sdFileName", "LOGS"}},
         "SD_FOLDER_CREATE \"LOGS\""},
    };
    return cases;
}

} // namespace

class TestScriptPage : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<BenchWindow> bench;
    std::unique_ptr<PtyPair> pty;
    std::unique_ptr<QTemporaryDir> scratch;

    ScriptPage *page() const { return bench->window->findChild<ScriptPage *>(); }
    ScriptEditor *editor() const { return bench->get<ScriptEditor>("scriptEditor"); }
    QString output() const { return bench->get<QPlainTextEdit>("scriptOutput")->toPlainText(); }

    // Runs `text` from the editor and waits for the run to end.
    void runScript(const QString &text, int timeoutMs = 5000)
    {
        editor()->setPlainText(text);
        bench->click("scriptRun");
        QTRY_VERIFY_WITH_TIMEOUT(!page()->isRunning(), timeoutMs);
    }

private slots:
    void init()
    {
        scratch = std::make_unique<QTemporaryDir>();
        QVERIFY(openWindowOnLine(bench, pty));
        // The page is made when the Demos tab is first opened.
        bench->get<QTabWidget>("tabbedWindow")->setCurrentWidget(bench->get<QWidget>("tab_7"));
        bench->commands().setTextColor(QColor(255, 128, 0));
        bench->commands().setBackgroundColor(QColor(0, 0, 255));
    }

    void cleanup()
    {
        bench.reset();
        pty.reset();
        scratch.reset();
    }

    void everyCommandHasAButtonCase()
    {
        QSet<int> covered;
        for (const ButtonCase &c : buttonCases())
            covered << int(c.command);
        for (const CommandSpec &command : allCommands()) {
            // The file write is the recording case below: it asks for a file.
            if (command.id != Command::SdFileWrite)
                QVERIFY2(covered.contains(int(command.id)), command.name);
        }
    }

    void statementSendsWhatItsButtonSends_data()
    {
        QTest::addColumn<int>("index");
        QTest::addColumn<bool>("extended");
        for (int i = 0; i < buttonCases().size(); ++i) {
            QTest::newRow(buttonCases()[i].button) << i << false;
            const Command id = buttonCases()[i].command;
            if (id == Command::SetXHY || id == Command::LineToXHY)
                QTest::newRow(qPrintable(QString("%1 extended").arg(buttonCases()[i].button)))
                    << i << true;
        }
    }

    void statementSendsWhatItsButtonSends()
    {
        QFETCH(int, index);
        QFETCH(bool, extended);
        const ButtonCase &c = buttonCases()[index];
        if (extended) {
            bench->click("setExtendedMode");
            QCOMPARE(pty->take(1), QByteArray(1, char(codeOf(Command::ExtendedMode))));
        }
        bench->setWidgets(c.widgets);
        bench->click(c.button);
        const QByteArray clicked = pty->takeAll(150);
        QVERIFY(!clicked.isEmpty());
        QString statement = c.statement;
        if (extended)
            statement.replace(" 200", " 0x1c8").replace(" 7", " 456"); // Ys past a byte
        if (extended) { // the button sends the same Y, then
            bench->setWidgets(c.command == Command::SetXHY ? QVariantMap{{"spinY", 0x1c8}}
                                                           : QVariantMap{{"LINE_TO_Y", 456}});
            bench->click(c.button);
        }
        const QByteArray reference = extended ? pty->takeAll(150) : clicked;
        runScript(statement);
        QVERIFY2(bench->status().contains("passed"), qPrintable(bench->status()));
        QCOMPARE(pty->takeAll(150).toHex(' '), reference.toHex(' '));
    }

    // The script's commands have the buttons' effects in the window.
    void runArmsTheReaderAndFollowsTheButtons()
    {
        runScript("setExtendedMode\nsetLayer 1\nlayerVisibility 0 0\nsetWest\n"
                  "SD_FILE_OPEN 1 \"LOG.TXT\"");
        QVERIFY(bench->get("setExtendedMode")->isChecked());
        QVERIFY(!bench->get("setStandardMode")->isChecked());
        QVERIFY(bench->get("setLayer1")->isChecked());
        QVERIFY(bench->get("setHideLayer0")->isChecked());
        QVERIFY(bench->get("setWest")->isChecked());
        pty->takeAll(100);
        QVERIFY(pty->write(QByteArray("?\x01", 2))); // the open's answer
        QTRY_COMPARE(bench->get<QLineEdit>("sdResult")->text(), QString("OK"));
        // The later button clicks send in the mode the script left.
        bench->setWidgets({{"spinX", 1}, {"spinY", 2}});
        bench->click("setXHY");
        QCOMPARE(pty->take(5), QByteArray::fromHex("8500010002"));
    }

    void recordedClicksRunBackToTheSameBytes()
    {
        const QString local = scratch->filePath("local data ü.bin");
        {
            QFile file(local);
            QVERIFY(file.open(QIODevice::WriteOnly));
            QVERIFY(file.write(QByteArray("\x00\x01payload\xff", 10)) == 10);
        }
        editor()->clear();
        bench->click("scriptRecord");
        QVERIFY(page()->isRecording());
        bench->click("demo"); // frames sent without their buttons, as one write
        bench->click("setExtendedMode");
        bench->setWidgets({{"spinX", 5}, {"spinY", 300}, {"printStringText", "Grüße \"x\""}});
        bench->click("setXHY");
        bench->click("printString");
        bench->click("set_bg_colorh");
        bench->setWidgets({{"sdFileNumber", 2}, {"sdFileName", ""}});
        bench->click("SD_FILE_OPEN"); // refused for its empty name: nothing to record
        chooseFile(local);
        bench->click("SD_FILE_WRITE");
        QTRY_COMPARE(bench->status(),
                     QString("Sent local data ü.bin: all 10 bytes have left the port"));
        bench->click("setStandardMode");
        bench->click("scriptRecord");
        const QByteArray clicked = pty->takeAll(200);

        const QString script = editor()->toPlainText();
        QVERIFY2(script.contains("SetXHY 5 300"), qPrintable(script));
        QVERIFY2(!script.contains("SD_FILE_OPEN"), qPrintable(script));
        runScript(script);
        QVERIFY2(bench->status().contains("passed"), qPrintable(bench->status() + "\n" + script));
        QCOMPARE(pty->takeAll(200).toHex(' '), clicked.toHex(' '));
    }

    void errorsAreFoundBeforeAnythingIsSent()
    {
        runScript("Cls\nping\nSetXHY 10 300\nrepeat 2\n");
        QCOMPARE(pty->takeAll(150), QByteArray());
        QVERIFY2(bench->status().contains("line 3, column 11"), qPrintable(bench->status()));
        QVERIFY(output().contains("line 4"));
        QCOMPARE(editor()->textCursor().blockNumber(), 2);
    }

    void aRunNeedsAnOpenPort()
    {
        bench->click("serialClose");
        runScript("ping");
        QVERIFY2(bench->status().contains("open a port first"), qPrintable(bench->status()));
    }

    void stopEndsTheRunAtOnce()
    {
        editor()->setPlainText("ping\nwait 10s\nCls");
        bench->click("scriptRun");
        QCOMPARE(pty->take(1), QByteArray(1, char(codeOf(Command::Ping))));
        QTRY_COMPARE(editor()->markedLine(), 2);
        QVERIFY(page()->isRunning());
        QVERIFY(editor()->isReadOnly());
        bench->click("scriptStop");
        QVERIFY(!page()->isRunning());
        QVERIFY2(bench->status().contains("stopped"), qPrintable(bench->status()));
        QVERIFY(!editor()->isReadOnly());
        QCOMPARE(pty->takeAll(300), QByteArray()); // the Cls never went
    }

    void expectationsPassAndFailWithWhatArrived()
    {
        editor()->setPlainText(
            "ping\nexpect pong\nGETVERSION\nexpect version \"1.0\" within 300ms");
        bench->click("scriptRun");
        QCOMPARE(pty->take(1), QByteArray(1, char(codeOf(Command::Ping))));
        QVERIFY(pty->write("8"));
        QCOMPARE(pty->take(1), QByteArray(1, char(codeOf(Command::GetVersion))));
        QVERIFY(pty->write(QByteArray("2.0\0", 4)));
        QTRY_VERIFY(!page()->isRunning());
        QVERIFY2(bench->status().contains("failed at line 4"), qPrintable(bench->status()));
        QVERIFY2(output().contains("32 2e 30 00"), qPrintable(output()));
        // The window's own reader saw the same replies.
        QVERIFY(bench->get<QTextEdit>("textEdit")->toPlainText().contains("PONG"));
        QCOMPARE(bench->get<QLineEdit>("serialNumber")->text(), QString("2.0"));
        QCOMPARE(editor()->markedLine(), 4);
    }

    void hangUpEndsTheRunAsFailed()
    {
        editor()->setPlainText("ping\nexpect pong within 5s");
        bench->click("scriptRun");
        QCOMPARE(pty->take(1), QByteArray(1, char(codeOf(Command::Ping))));
        pty->closeMaster();
        QTRY_VERIFY_WITH_TIMEOUT(!page()->isRunning(), 3000);
        // The status bar goes on to the wait for the module; the pane keeps the run's end.
        QVERIFY2(bench->status().startsWith("Port Closed"), qPrintable(bench->status()));
        QVERIFY2(output().contains("failed at line"), qPrintable(output()));
    }

    void scriptsSaveAndOpenAndCapturesBecomeScripts()
    {
        const QString path = scratch->filePath("mine.vxscript");
        runScript("ping  # with a comment\nCls");
        pty->takeAll(100);
        QVERIFY(page()->saveFile(path));
        QFile saved(path);
        QVERIFY(saved.open(QIODevice::ReadOnly));
        QCOMPARE(saved.readAll(), QByteArray("ping  # with a comment\nCls"));
        auto *list = bench->get<QListWidget>("scriptList");
        QCOMPARE(list->currentItem()->text(), QString("mine (mine.vxscript)"));

        // A capture of a session, turned into a script and run back.
        const QByteArray sent = QByteArray::fromHex("850a14") + QByteArray("-Hi\0", 4);
        const QVector<TrafficRecord> records{{Direction::Sent, 0, sent},
                                             {Direction::Sent, 10, QByteArray(1, char(0x83))},
                                             {Direction::Received, 20, "8"}};
        const QString capturePath = scratch->filePath("session.pcapng");
        QFile file(capturePath);
        QVERIFY(file.open(QIODevice::WriteOnly));
        QVERIFY(writeCapture(file, records, 1000000));
        file.close();
        page()->openFile(capturePath);
        QVERIFY2(editor()->toPlainText().contains("expect 38"),
                 qPrintable(editor()->toPlainText()));
        editor()->setPlainText(editor()->toPlainText()); // as the user would run it
        bench->click("scriptRun");
        QCOMPARE(pty->take(sent.size() + 1), sent + QByteArray(1, char(0x83)));
        QVERIFY(pty->write("8"));
        QTRY_VERIFY(!page()->isRunning());
        QVERIFY2(bench->status().contains("passed"), qPrintable(bench->status()));
    }

    void builtInDemosRunGreenAgainstTheSimulator()
    {
        QVERIFY(QDir().mkpath(scratch->filePath("card")));
        QVERIFY(QDir().mkpath(scratch->filePath("run")));
        qputenv("XDG_RUNTIME_DIR", scratch->filePath("run").toLocal8Bit());
        QProcess simulator;
        simulator.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        simulator.start(VEXELSIM_PATH, {"--card", scratch->filePath("card")});
        QVERIFY(simulator.waitForStarted(5000));
        QTRY_VERIFY_WITH_TIMEOUT(simulator.canReadLine(), 5000);
        const QString device = QString::fromLocal8Bit(simulator.readLine()).trimmed();
        bench->click("serialClose");
        QVERIFY(bench->openPort(device));

        auto *list = bench->get<QListWidget>("scriptList");
        QCOMPARE(list->count(), 6);
        for (int row = 0; row < list->count(); ++row) {
            list->setCurrentRow(row);
            const QString demo = list->currentItem()->text();
            bench->click("scriptRun");
            QVERIFY2(page()->isRunning(), qPrintable(demo + ": " + bench->status()));
            // The touch demo waits for two taps on its buttons, apart as a
            // hand makes them: a chunk is read as one reply.
            if (editor()->toPlainText().contains("expect touch")) {
                for (const char *tap : {"touch 80 60\n", "touch 240 60\n"}) {
                    QTest::qWait(300);
                    simulator.write(tap);
                }
            }
            QVERIFY2(QTest::qWaitFor([this] { return !page()->isRunning(); }, 20000),
                     qPrintable(demo + " still running\n" + output()));
            QVERIFY2(bench->status().contains("passed"),
                     qPrintable(demo + ": " + bench->status() + "\n" + output()));
        }
        QVERIFY(QDir(scratch->filePath("card")).entryList(QDir::Files).isEmpty()); // deleted again
        bench->click("serialClose");
        simulator.write("quit\n");
        QVERIFY(simulator.waitForFinished(5000));
    }
};

QTEST_MAIN(TestScriptPage)
#include "tst_scriptpage.moc"
