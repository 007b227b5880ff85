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

#include <functional>
#include <utility>

class TestSerialPort : public QObject
{
    Q_OBJECT

private:
    MainWindow *window = nullptr;
    PtyPair *pty = nullptr;
    bool hadRuntimeDir = false; // the tests point it at folders of their own
    QByteArray runtimeDir;

    QString status() const { return window->statusBar()->currentMessage(); }
    void click(const char *name) { window->findChild<QPushButton *>(name)->click(); }
    QSerialPort &port() const { return window->findChild<ModuleLink *>()->port(); }
    QComboBox *portList() const { return window->findChild<QComboBox *>("serialPortList"); }

    void choosePort(const QString &name)
    {
        portList()->addItem(name);
        portList()->setCurrentIndex(portList()->count() - 1);
    }

    // Announces the test's pseudo-terminal as a running simulator's (this
    // process's), so the port list has one entry known in advance.
    static void announceAsSimulator(const QTemporaryDir &runtime, const QString &device)
    {
        qputenv("XDG_RUNTIME_DIR", QFile::encodeName(runtime.path()));
        QVERIFY(QDir().mkpath(runtime.filePath("vexelsim")));
        QVERIFY(QFile::link(
            device, runtime.filePath(
                        QString("vexelsim/vexelsim-%1").arg(QCoreApplication::applicationPid()))));
    }

    static int countOf(const QComboBox *list, const QString &text)
    {
        int count = 0;
        for (int i = 0; i < list->count(); ++i)
            count += list->itemText(i) == text;
        return count;
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
        if (hadRuntimeDir)
            qputenv("XDG_RUNTIME_DIR", runtimeDir);
        else
            qunsetenv("XDG_RUNTIME_DIR");
    }

    void initTestCase()
    {
        hadRuntimeDir = qEnvironmentVariableIsSet("XDG_RUNTIME_DIR");
        runtimeDir = qgetenv("XDG_RUNTIME_DIR");
    }

    // The window comes up first; the ports are listed once it is painted,
    // and a path typed before then stays, even one not plugged in yet.
    void portsAreListedAfterTheFirstPaint()
    {
        QTemporaryDir runtime;
        announceAsSimulator(runtime, pty->slavePath());
        const QString typed = runtime.filePath("module-to-come");

        MainWindow shown;
        auto *list = shown.findChild<QComboBox *>("serialPortList");
        int listedAtFirstPaint = -1;
        struct FirstPaint : QObject
        {
            std::function<void()> seen;
            bool eventFilter(QObject *, QEvent *event) override
            {
                if (event->type() == QEvent::Paint && seen)
                    std::exchange(seen, nullptr)();
                return false;
            }
        } firstPaint;
        firstPaint.seen = [&] { listedAtFirstPaint = list->count(); };
        shown.installEventFilter(&firstPaint);
        QCOMPARE(list->count(), 0);
        list->setEditText(typed);

        shown.show();
        QTRY_COMPARE(countOf(list, pty->slavePath()), 1);
        QCOMPARE(listedAtFirstPaint, 0);
        QCOMPARE(list->currentText(), typed);
    }

    // Without a paint to wait for, the list comes on the first turn of the
    // event loop; a rescan before then leaves one list, not two.
    void anUnshownWindowListsItsPortsOnce()
    {
        QTemporaryDir runtime;
        announceAsSimulator(runtime, pty->slavePath());
        MainWindow hidden;
        auto *list = hidden.findChild<QComboBox *>("serialPortList");
        QTRY_COMPARE_WITH_TIMEOUT(countOf(list, pty->slavePath()), 1, 150);

        MainWindow rescanned;
        list = rescanned.findChild<QComboBox *>("serialPortList");
        rescanned.findChild<QPushButton *>("pushButton_10")->click();
        QCOMPARE(countOf(list, pty->slavePath()), 1);
        QTest::qWait(400); // past every way the first list can come
        QCOMPARE(countOf(list, pty->slavePath()), 1);
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
