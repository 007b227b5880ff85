// The firmware page: console decoding of the utility's output, its command
// line, and the page running a real child process (a small fake utility on
// PATH, and Debian's dfu-util with no device attached).
#include "ui/mainwindow.h"
#include "firmware/consoledecoder.h"
#include "firmware/dfucommand.h"
#include "filedialogs.h"

#include <QFileDialog>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

#include <signal.h>

using Ops = QVector<ConsoleOp>;
Q_DECLARE_METATYPE(Ops)

namespace {
ConsoleOp text(const QString &t) { return {ConsoleOp::Text, t}; }
ConsoleOp back() { return {ConsoleOp::ReturnToLineStart, {}}; }
} // namespace

class TestFirmware : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir tools;
    QTemporaryDir firmwareFolder;
    QByteArray savedPath = qgetenv("PATH");

    // A stand-in for the DFU utility: prints its arguments one per line,
    // complains on standard error and exits with the code given.
    void installFakeUtility(const QString &name, const QByteArray &body)
    {
        const QString path = tools.filePath(name);
        QFile script(path);
        QVERIFY(script.open(QIODevice::WriteOnly));
        script.write("#!/bin/sh\n" + body);
        script.close();
        script.setPermissions(script.permissions() | QFileDevice::ExeOwner);
    }

    void usePath(const QByteArray &path) { qputenv("PATH", path); }

    QString chooseFirmware(MainWindow &window, const QString &file)
    {
        chooseFile(file);
        window.findChild<QPushButton *>("openFirmware")->click();
        return window.findChild<QPlainTextEdit *>("dfuOutput")->toPlainText();
    }

    // Writes a firmware file, picks it in the Open dialog and presses Update.
    void updateWith(MainWindow &window, const QString &name, const QByteArray &content = {})
    {
        const QString firmware = firmwareFolder.filePath(name);
        QFile file(firmware);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(content);
        file.close();
        chooseFirmware(window, firmware);
        window.findChild<QPushButton *>("updateFirmware")->click();
    }

    static QString paneText(MainWindow &window)
    {
        return window.findChild<QPlainTextEdit *>("dfuOutput")->toPlainText();
    }

private slots:
    void init() { QStandardPaths::setTestModeEnabled(false); }
    void cleanup() { qputenv("PATH", savedPath); }

    void consoleDecoding_data()
    {
        QTest::addColumn<QList<QByteArray>>("chunks");
        QTest::addColumn<Ops>("expected");
        QTest::newRow("plain") << QList<QByteArray>{"dfu-util 0.11\n"} << Ops{text("dfu-util 0.11\n")};
        QTest::newRow("zero byte cuts the chunk")
            << QList<QByteArray>{QByteArray("abc\0def", 7), "g"} << Ops{text("abc"), text("g")};
        QTest::newRow("crlf is a line break") << QList<QByteArray>{"a\r\nb"} << Ops{text("a\nb")};
        QTest::newRow("progress bar redraws")
            << QList<QByteArray>{"[==  ] 40%\r[====] 80%"}
            << Ops{text("[==  ] 40%"), back(), text("[====] 80%")};
        QTest::newRow("crlf split across chunks")
            << QList<QByteArray>{"line\r", "\nnext"} << Ops{text("line"), text("\nnext")};
        QTest::newRow("lone return at chunk end")
            << QList<QByteArray>{"40%\r", "80%"} << Ops{text("40%"), back(), text("80%")};
        QTest::newRow("utf-8 split across chunks")
            << QList<QByteArray>{"gr\xc3", "\xbc\xc3\x9f"} << Ops{text("gr"), text(QString::fromUtf8("\xc3\xbc\xc3\x9f"))};
        QTest::newRow("four-byte character over three chunks")
            << QList<QByteArray>{"\xf0\x9f", "\x98", "\x80!"}
            << Ops{text(QString::fromUtf8("\xf0\x9f\x98\x80!"))};
        QTest::newRow("stray continuation byte is replaced")
            << QList<QByteArray>{"a\x80", "b"}
            << Ops{text(QString::fromUtf8("a\xef\xbf\xbd")), text("b")};
        QTest::newRow("zero byte after a split character")
            << QList<QByteArray>{"\xc3", QByteArray("\xa9\0x", 3)}
            << Ops{text(QString::fromUtf8("\xc3\xa9"))};
    }

    void consoleDecoding()
    {
        QFETCH(QList<QByteArray>, chunks);
        QFETCH(Ops, expected);
        ConsoleDecoder decoder;
        Ops ops;
        for (const QByteArray &chunk : chunks)
            ops += decoder.feed(chunk);
        ops += decoder.flush();
        QCOMPARE(ops, expected);
    }

    void commandLineKeepsAPathWithSpacesWhole()
    {
        const DfuCommand command = dfuCommand("dfu-util", "/home/eng/new firmware/v2.dfu");
        QCOMPARE(command.arguments,
                 QStringList({"--reset", "-a", "0", "-d483:df11", "-D/home/eng/new firmware/v2.dfu"}));
    }

    void programLookupPrefersTheWindowsName()
    {
        installFakeUtility("dfu-util-static.exe", "exit 0\n");
        installFakeUtility("dfu-util", "exit 0\n");
        usePath(tools.path().toLocal8Bit());
        QCOMPARE(findDfuProgram(), tools.filePath("dfu-util-static.exe"));
        QFile::remove(tools.filePath("dfu-util-static.exe"));
        QCOMPARE(findDfuProgram(), tools.filePath("dfu-util"));
        QFile::remove(tools.filePath("dfu-util"));
        QCOMPARE(findDfuProgram(), QString("dfu-util"));
    }

    void openShowsTheChoiceAndTheInstructions()
    {
        const QString firmware = firmwareFolder.filePath("v2.dfu");
        QFile(firmware).open(QIODevice::WriteOnly);
        MainWindow window;
        const QString pane = chooseFirmware(window, firmware);
        // The pane turns each "\n\r" into two line breaks.
        const QStringList lines = pane.split('\n', Qt::SkipEmptyParts);
        QCOMPARE(lines.size(), 5);
        QCOMPARE(lines.first(), "File Selected -> " + firmware);
        for (const QString &line : lines.mid(1)) {
            QCOMPARE(line.size(), 60);
            QVERIFY(line.startsWith(" !!! ") && line.endsWith(" !!!"));
        }
        QCOMPARE(lines.at(4), QString(" !!! Press Update Button when ready                      !!!"));
        // Cancelling shows the instructions with no file, and Update then does nothing.
        cancelFileDialog();
        window.findChild<QPushButton *>("openFirmware")->click();
        QVERIFY(paneText(window).startsWith("File Selected -> \n"));
        window.findChild<QPushButton *>("updateFirmware")->click();
        QVERIFY(paneText(window).startsWith("File Selected -> \n"));
    }

    void updateWithoutAFileDoesNothing()
    {
        MainWindow window;
        window.findChild<QPushButton *>("updateFirmware")->click();
        QCOMPARE(paneText(window), QString("Click Open to select firmware file "));
    }

    void updateRunsTheUtilityAndShowsBothChannelsAndTheExitCode()
    {
        installFakeUtility("dfu-util-static.exe",
                           "for a in \"$@\"; do echo \"arg:$a\"; done\n"
                           "echo 'Cannot open DFU device 0483:df11' >&2\n"
                           "exit 3\n");
        usePath(tools.path().toLocal8Bit() + ":/usr/bin:/bin");
        MainWindow window;
        updateWith(window, "new firmware v2.dfu");
        QTRY_VERIFY_WITH_TIMEOUT(paneText(window).contains("exited with code 3"), 5000);
        const QString pane = paneText(window);
        const QString firmware = firmwareFolder.filePath("new firmware v2.dfu");
        QVERIFY2(pane.contains("arg:-D" + firmware + "\n"), qPrintable(pane));
        QVERIFY(pane.contains("arg:-d483:df11\n"));
        QVERIFY(pane.contains("Cannot open DFU device 0483:df11"));
        QVERIFY(!pane.contains("File Selected"));
    }

    void missingUtilityIsNamedInThePane()
    {
        QTemporaryDir emptyFolder;
        usePath(emptyFolder.path().toLocal8Bit());
        MainWindow window;
        updateWith(window, "v2.dfu");
        QTRY_VERIFY_WITH_TIMEOUT(paneText(window).contains("Could not start dfu-util"), 5000);
    }

    void realDfuUtilComplainsAboutTheMissingDevice()
    {
        if (QStandardPaths::findExecutable("dfu-util").isEmpty())
            QSKIP("dfu-util is not installed");
        usePath("/usr/bin:/bin");
        MainWindow window;
        updateWith(window, "v2.dfu", QByteArray(64, '\x55'));
        QTRY_VERIFY_WITH_TIMEOUT(paneText(window).contains("exited with code"), 10000);
        // Its complaint (a bad file or no device) arrives on standard error.
        QVERIFY2(paneText(window).contains("dfu-util"), qPrintable(paneText(window)));
        QVERIFY(!paneText(window).contains("exited with code 0"));
    }

    void closingTheWindowEndsARunningUtility()
    {
        const QString pidFile = tools.filePath("pid");
        installFakeUtility("dfu-util-static.exe",
                           QString("echo $$ > '%1'\nexec sleep 30\n").arg(pidFile).toLocal8Bit());
        usePath(tools.path().toLocal8Bit() + ":/usr/bin:/bin");
        auto *window = new MainWindow;
        updateWith(*window, "v2.dfu");
        QTRY_VERIFY_WITH_TIMEOUT(QFileInfo(pidFile).size() > 0, 5000);
        QFile pid(pidFile);
        QVERIFY(pid.open(QIODevice::ReadOnly));
        const int utilityPid = pid.readAll().trimmed().toInt();
        QVERIFY(utilityPid > 0);
        QCOMPARE(::kill(utilityPid, 0), 0);
        delete window;
        QCOMPARE(::kill(utilityPid, 0), -1);
    }
};

QTEST_MAIN(TestFirmware)
#include "tst_firmware.moc"
