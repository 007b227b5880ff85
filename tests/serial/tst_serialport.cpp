// The serial link through a real pseudo-terminal: the bench's QSerialPort on
// the slave side, the test on the master side.
#include "common/cputime.h"
#include "ptypair.h"
#include "serial/modulelink.h"
#include "serial/portlookup.h"
#include "ui/mainwindow.h"

#include <QComboBox>
#include <QElapsedTimer>
#include <QFile>
#include <QPushButton>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QtTest>

class TestSerialPort : public QObject
{
    Q_OBJECT

private:
    MainWindow *window = nullptr;
    PtyPair *pty = nullptr;

    QString status() const { return window->statusBar()->currentMessage(); }
    void click(const char *name) { window->findChild<QPushButton *>(name)->click(); }
    QSerialPort &port() const { return window->findChild<ModuleLink *>()->port(); }
    QComboBox *portList() const { return window->findChild<QComboBox *>("serialPortList"); }

    void choosePort(const QString &name)
    {
        portList()->addItem(name);
        portList()->setCurrentIndex(portList()->count() - 1);
    }

private slots:
    void init()
    {
        window = new MainWindow;
        pty = new PtyPair;
        QVERIFY(pty->isOpen());
    }

    void cleanup()
    {
        delete window;
        delete pty;
    }

    void lineSettingsTakeThePortUpToTheFirstSpace()
    {
        const LineSettings settings = lineSettingsFrom("ttyUSB0 (Vexel900)", "921600");
        QCOMPARE(settings.portName, QString("ttyUSB0"));
        QCOMPARE(settings.baudRate, 921600u);
        QCOMPARE(lineSettingsFrom("ttyS0", "fast").baudRate, 0u);
    }

    void presenceOfNamedPorts()
    {
        QVERIFY(portIsPresent(pty->slavePath()));
        QVERIFY(!portIsPresent(QString()));
        QVERIFY(!portIsPresent("/dev/no-such-port"));
        // A relative name only counts when the port library knows it.
        QTemporaryDir dir;
        QVERIFY(QDir::setCurrent(dir.path()));
        QFile decoy("ttyNOPE");
        QVERIFY(decoy.open(QIODevice::WriteOnly));
        QVERIFY(!portIsPresent("ttyNOPE"));
        // A link to a pseudo-terminal is present while the terminal is.
        QVERIFY(QFile::link(pty->slavePath(), dir.filePath("vexel-link")));
        QVERIFY(portIsPresent(dir.filePath("vexel-link")));
    }

    void openShowsTheLineSettingsAndCarriesBytes()
    {
        choosePort(pty->slavePath());
        window->findChild<QComboBox *>("SerialBaudRate_2")->setCurrentIndex(10);
        click("openSerialPort");
        QVERIFY(port().isOpen());
        QCOMPARE(status(), QString("Connected to %1 : 921600, 8, 0, 1, 0").arg(port().portName()));

        window->findChild<ModuleLink *>()->sendRaw(QByteArray::fromHex("85012cc8"));
        QCOMPARE(pty->take(4), QByteArray::fromHex("85012cc8"));
    }

    void secondOpenFailsAndKeepsTheConnection()
    {
        choosePort(pty->slavePath());
        click("openSerialPort");
        QVERIFY(status().startsWith("Connected to"));
        click("openSerialPort");
        QCOMPARE(status(), QString("Open error"));
        QVERIFY(port().isOpen());
        window->findChild<ModuleLink *>()->sendRaw("!");
        QCOMPARE(pty->take(1), QByteArray("!"));
    }

    void closeReportsEvenWhenAlreadyClosed()
    {
        choosePort(pty->slavePath());
        click("openSerialPort");
        click("serialClose");
        QVERIFY(!port().isOpen());
        QCOMPARE(status(), QString("Port Closed"));
        window->statusBar()->clearMessage();
        click("serialClose");
        QCOMPARE(status(), QString("Port Closed"));
    }

    void openWithoutPortsFails()
    {
        portList()->clear();
        click("openSerialPort");
        QCOMPARE(status(), QString("Open error"));
    }

    void portWatchKeepsAPresentPseudoTerminalOpen()
    {
        choosePort(pty->slavePath());
        click("openSerialPort");
        QTest::qWait(1200); // two watch periods
        QVERIFY(port().isOpen());
        QVERIFY(status().startsWith("Connected to"));
    }

    void portWatchClosesAVanishedPort()
    {
        QTemporaryDir dir;
        const QString link = dir.filePath("module");
        QVERIFY(QFile::link(pty->slavePath(), link));
        choosePort(link);
        click("openSerialPort");
        QVERIFY(port().isOpen());
        QFile::remove(link);
        QTRY_VERIFY_WITH_TIMEOUT(!port().isOpen(), 2000);
        // The close itself, then the wait for the device to come back.
        QVERIFY2(status().startsWith("Port Closed: waiting for"), qPrintable(status()));
    }

    void rescanKeepsTheConnection()
    {
        choosePort(pty->slavePath());
        click("openSerialPort");
        click("pushButton_10");
        QVERIFY(port().isOpen());
        QVERIFY(portList()->findText(pty->slavePath()) < 0);
    }

    void hangUpClosesThePortWithoutSpinning()
    {
        choosePort(pty->slavePath());
        click("openSerialPort");
        QVERIFY(port().isOpen());
        // The port watch would also notice the vanished node within 500 ms,
        // but a bench that spins on read errors meanwhile fails the CPU check.
        const double cpuBefore = cpuSeconds();
        QElapsedTimer clock;
        clock.start();
        pty->closeMaster();
        QTRY_VERIFY_WITH_TIMEOUT(!port().isOpen(), 1000);
        // The close itself, then the wait for the device to come back.
        QVERIFY2(status().startsWith("Port Closed: waiting for"), qPrintable(status()));
        QTest::qWait(300);
        // A spinning error loop would burn the whole interval on the CPU.
        QVERIFY2(cpuSeconds() - cpuBefore < 0.5 * clock.elapsed() / 1000.0,
                 "the hang-up kept the GUI thread busy");
    }
};

QTEST_MAIN(TestSerialPort)
#include "tst_serialport.moc"
