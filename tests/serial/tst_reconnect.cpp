// Bringing a lost line back: who a device is, the watch for its return, and
// the window reopening it through a link that moves to a new
// pseudo-terminal, as a module reset into new firmware comes back under
// another name.
#include "common/cputime.h"
#include "common/filedialogs.h"
#include "pointlink.h"
#include "ptypair.h"
#include "serial/deviceidentity.h"
#include "serial/portreconnector.h"
#include "ui/mainwindow.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProcess>
#include <QTemporaryDir>
#include <QTextEdit>
#include <QtTest>

namespace {

PortFacts usbPort(const QString &name, const QString &serial, quint16 vid = 0x0483,
                  quint16 pid = 0x5740)
{
    PortFacts facts;
    facts.name = name;
    facts.location = "/dev/" + name;
    facts.serialNumber = serial;
    facts.vendorId = vid;
    facts.productId = pid;
    facts.hasIds = true;
    return facts;
}

} // namespace

class TestReconnect : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<QTemporaryDir> dir;
    std::unique_ptr<BenchWindow> bench;
    std::unique_ptr<PtyPair> first;
    std::unique_ptr<PtyPair> second;
    QString link;

    QString log() const { return bench->get<QTextEdit>("textEdit")->toPlainText(); }
    QAction *autoReconnect() const { return bench->window->findChild<QAction *>("autoReconnect"); }

    // The bench on the link to the first line, which then hangs up.
    void openThenHangUp()
    {
        QVERIFY(bench->openPort(link));
        moduleLeaves();
        QTRY_VERIFY_WITH_TIMEOUT(!bench->port().isOpen(), 2000);
        QVERIFY2(bench->status().startsWith("Port Closed: waiting for " + link),
                 qPrintable(bench->status()));
    }

    // The module drops off: its line hangs up and its link leads nowhere,
    // as a by-id link goes with its device. (The pseudo-terminal's number
    // alone could be taken by any other program a moment later.)
    void moduleLeaves()
    {
        first->closeMaster();
        QVERIFY(pointLink(link, dir->filePath("gone")));
    }

    void moduleReturns()
    {
        second = std::make_unique<PtyPair>();
        QVERIFY(pointLink(link, second->slavePath()));
    }

private slots:
    void init()
    {
        dir = std::make_unique<QTemporaryDir>();
        first = std::make_unique<PtyPair>();
        link = dir->filePath("module");
        QVERIFY(QFile::link(first->slavePath(), link));
        bench = std::make_unique<BenchWindow>();
    }

    void cleanup()
    {
        bench.reset();
        first.reset();
        second.reset();
        dir.reset();
    }

    void aUsbDeviceIsFoundByItsSerialNumberUnderAnyName()
    {
        const DeviceIdentity module = identityOf(usbPort("ttyACM0", "A1B2"));
        QVERIFY(module.bySerialNumber());
        QCOMPARE(whereIs(module, {usbPort("ttyACM0", "A1B2")}), QString("ttyACM0"));
        QCOMPARE(whereIs(module, {usbPort("ttyS0", ""), usbPort("ttyACM1", "A1B2")}),
                 QString("ttyACM1"));
        // Another module under the old name is not the one that went away,
        // nor is the same number under other ids.
        QCOMPARE(whereIs(module, {usbPort("ttyACM0", "FFFF")}), QString());
        QCOMPARE(whereIs(module, {usbPort("ttyACM0", "A1B2", 0x1234)}), QString());
        // Back under its old name and a stable link: the old name wins.
        PortFacts byId = usbPort("/dev/serial/by-id/usb-Vexel_A1B2-if00", "A1B2");
        QCOMPARE(whereIs(module, {byId, usbPort("ttyACM0", "A1B2")}), QString("ttyACM0"));
        QCOMPARE(whereIs(module, {byId}), byId.name);

        // A serial number without ids proves nothing: the name decides.
        PortFacts bare = usbPort("ttyUSB0", "0001");
        bare.hasIds = false;
        const DeviceIdentity adapter = identityOf(bare);
        QVERIFY(!adapter.bySerialNumber());
        QCOMPARE(whereIs(adapter, {usbPort("ttyUSB0", "9999")}), QString("ttyUSB0"));
        QCOMPARE(whereIs(adapter, {usbPort("ttyUSB1", "0001")}), QString());
    }

    void aPathIsThereWhileItsNodeIs()
    {
        const DeviceIdentity device = identityOf(portFacts(link, {}));
        QVERIFY(!device.bySerialNumber());
        QCOMPARE(whereIs(device, {}), link);
        moduleLeaves();
        QCOMPARE(whereIs(device, {}), QString());
        moduleReturns();
        QCOMPARE(whereIs(device, {}), link);
    }

    void tooltipsSayWhatThePlatformGives()
    {
        PortFacts facts = usbPort("ttyACM0", "A1B2");
        facts.description = "Vexel900";
        facts.usbPath = "1-1.2";
        QCOMPARE(portToolTip(facts), QString("Description: Vexel900\nSerial number: A1B2\n"
                                             "VID:PID: 0483:5740\nUSB location: 1-1.2\n"
                                             "Device: /dev/ttyACM0"));
        QCOMPARE(portToolTip(portFacts("/dev/pts/99", {})), QString("Device: /dev/pts/99"));
    }

    void theWatchSeesTheReturnWithoutSpinning()
    {
        PortReconnector reconnector;
        QSignalSpy returned(&reconnector, &PortReconnector::returned);
        moduleLeaves();
        reconnector.watchFor(identityOf(portFacts(link, {})));
        const double cpuBefore = cpuSeconds();
        QElapsedTimer clock;
        clock.start();
        QTest::qWait(1000);
        QCOMPARE(returned.count(), 0);
        // A loop that spins takes a whole core; what the watch really costs
        // is measured by reconnect_bench, beside an idle window.
        QVERIFY2(cpuSeconds() - cpuBefore < 0.5 * clock.elapsed() / 1000.0,
                 "watching kept the thread busy");
        moduleReturns();
        QTRY_COMPARE_WITH_TIMEOUT(returned.count(), 1, 1000);
        QCOMPARE(returned.first().first().toString(), link);
        QVERIFY(!reconnector.isWatching());
    }

    // A USB device is looked for in the port listing, which costs
    // milliseconds: it is taken again only when the device folders change.
    void aSerialNumberIsLookedForWithoutListingAgainAndAgain()
    {
        int listings = 0;
        QList<PortFacts> ports{usbPort("ttyS0", "")};
        PortReconnector reconnector(
            nullptr,
            [&] {
                ++listings;
                return ports;
            },
            20);
        QSignalSpy returned(&reconnector, &PortReconnector::returned);
        reconnector.watchFor(identityOf(usbPort("ttyACM0", "A1B2")));
        QTest::qWait(400);
        QCOMPARE(returned.count(), 0);
        QVERIFY2(listings <= 2, qPrintable(QString::number(listings)));
        // Watching afresh lists at once: the device may be back already.
        ports << usbPort("ttyACM3", "A1B2");
        reconnector.watchFor(identityOf(usbPort("ttyACM0", "A1B2")));
        QTRY_COMPARE(returned.count(), 1);
        QCOMPARE(returned.first().first().toString(), QString("ttyACM3"));
    }

    void theWindowReopensTheLinkWhenTheModuleReturns()
    {
        openThenHangUp();
        bench->click("GETVERSION"); // armed on the old line, and lost with it
        // Five seconds of waiting do not spin (reconnect_bench has the figure).
        const double cpuBefore = cpuSeconds();
        QElapsedTimer waited;
        waited.start();
        QTest::qWait(5000);
        QVERIFY(!bench->port().isOpen());
        const double busy = (cpuSeconds() - cpuBefore) / (waited.elapsed() / 1000.0);
        QVERIFY2(busy < 0.5, qPrintable(QString("waiting kept the CPU %1% busy").arg(busy * 100)));
        moduleReturns();
        QElapsedTimer clock;
        clock.start();
        QTRY_VERIFY_WITH_TIMEOUT(bench->port().isOpen(), 1000);
        QVERIFY(clock.elapsed() < 1000);
        QVERIFY2(bench->status().startsWith("Connected to " + link), qPrintable(bench->status()));
        QVERIFY2(log().contains("Reconnected to " + link), qPrintable(log()));
        // Nothing sent while it was away is replayed; the next click arrives.
        bench->click("ping");
        QCOMPARE(second->take(1), QByteArray(1, char(0x83)));
        QCOMPARE(second->takeAll(150), QByteArray());
        // The reader starts clean: this is no answer to GETVERSION.
        QVERIFY(second->write(QByteArray("v2\0", 3)));
        QTRY_VERIFY(log().contains("763200"));
        QCOMPARE(bench->get<QLineEdit>("serialNumber")->text(), QString());
    }

    void closeOrUntickOrAnotherPortEndsTheWait_data()
    {
        QTest::addColumn<QString>("how");
        QTest::newRow("Close") << "close";
        QTest::newRow("untick") << "untick";
        QTest::newRow("another port") << "choose";
    }

    void closeOrUntickOrAnotherPortEndsTheWait()
    {
        QFETCH(QString, how);
        openThenHangUp();
        if (how == "close")
            bench->click("serialClose");
        else if (how == "untick")
            autoReconnect()->setChecked(false);
        else
            bench->get<QComboBox>("serialPortList")->lineEdit()->setText("/dev/ttyS9");
        if (how == "choose") // typed as a user types, which ends the wait
            QTest::keyClick(bench->get<QComboBox>("serialPortList")->lineEdit(), Qt::Key_0);
        moduleReturns();
        QTest::qWait(700);
        QVERIFY(!bench->port().isOpen());
        QVERIFY(!log().contains("Reconnected"));
    }

    void untickedTheLineStaysClosed()
    {
        autoReconnect()->setChecked(false);
        QVERIFY(bench->openPort(link));
        moduleLeaves();
        QTRY_VERIFY_WITH_TIMEOUT(!bench->port().isOpen(), 2000);
        QCOMPARE(bench->status(), QString("Port Closed"));
        moduleReturns();
        QTest::qWait(700);
        QVERIFY(!bench->port().isOpen());
    }

    // vexelctl waits for the line it lost and goes on with the script.
    void vexelctlRunSurvivesAReplugWithReconnect()
    {
        QFile script(dir->filePath("replug.vxscript"));
        QVERIFY(script.open(QIODevice::WriteOnly));
        script.write("ping\nexpect pong within 5s\nwait 1500ms\nping\nexpect pong within 5s\n");
        script.close();
        QProcess run;
        run.start(VEXELCTL_PATH, {"run", script.fileName(), "--port", link, "--reconnect", "5"});
        QVERIFY(run.waitForStarted(5000));
        QCOMPARE(first->take(1, 5000), QByteArray(1, char(0x83)));
        QVERIFY(first->write("8"));
        QTest::qWait(100);
        moduleLeaves();
        QTest::qWait(200);
        moduleReturns();
        QCOMPARE(second->take(1, 5000), QByteArray(1, char(0x83)));
        QVERIFY(second->write("8"));
        QVERIFY(run.waitForFinished(10000));
        const QString errors = QString::fromLocal8Bit(run.readAllStandardError());
        QVERIFY2(run.exitCode() == 0, qPrintable(errors + run.readAllStandardOutput()));
        QVERIFY2(errors.contains("reconnected to " + link), qPrintable(errors));

        // Without the option the same hang-up fails the run.
        first = std::make_unique<PtyPair>();
        QVERIFY(pointLink(link, first->slavePath()));
        run.start(VEXELCTL_PATH, {"run", script.fileName(), "--port", link});
        QVERIFY(run.waitForStarted(5000));
        QCOMPARE(first->take(1, 5000), QByteArray(1, char(0x83)));
        first->closeMaster();
        QVERIFY(run.waitForFinished(10000));
        QCOMPARE(run.exitCode(), 1);
    }

    // A firmware update as it goes: the module resets into its bootloader
    // (here the simulator replugs, told by the fake utility), the utility
    // ends with 0, and the module returns on another pseudo-terminal.
    void aFirmwareUpdateEndsReconnectedToTheModule()
    {
        QProcess simulator;
        simulator.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        QFile::remove(link);
        qputenv("XDG_RUNTIME_DIR", dir->path().toLocal8Bit());
        simulator.start(VEXELSIM_PATH, {"--link", link, "--no-card"});
        QVERIFY(simulator.waitForStarted(5000));
        QTRY_VERIFY_WITH_TIMEOUT(simulator.canReadLine(), 5000);
        const QString before = QString::fromLocal8Bit(simulator.readLine()).trimmed();
        autoReconnect()->setChecked(false); // the update waits for its module all the same
        QVERIFY(bench->openPort(link));

        // The utility: tells the simulator to replug, as a module reset into
        // its bootloader drops off the bus, then finishes well.
        QVERIFY(QDir().mkpath(dir->filePath("bin")));
        QFile utility(dir->filePath("bin/dfu-util"));
        QVERIFY(utility.open(QIODevice::WriteOnly));
        utility.write("#!/bin/sh\necho 'replug 0.5' > /proc/" +
                      QByteArray::number(simulator.processId()) +
                      "/fd/0\nsleep 0.3\necho 'Download done.'\nexit 0\n");
        utility.close();
        utility.setPermissions(utility.permissions() | QFileDevice::ExeOwner);
        const QByteArray savedPath = qgetenv("PATH");
        qputenv("PATH", dir->filePath("bin").toLocal8Bit() + ":" + savedPath);
        QFile firmware(dir->filePath("new.dfu"));
        QVERIFY(firmware.open(QIODevice::WriteOnly));
        firmware.close();
        chooseFile(firmware.fileName());
        bench->click("openFirmware");
        bench->click("updateFirmware");

        auto *pane = bench->get<QPlainTextEdit>("dfuOutput");
        QTRY_VERIFY_WITH_TIMEOUT(pane->toPlainText().contains("Waiting for the module"), 5000);
        QTRY_VERIFY_WITH_TIMEOUT(pane->toPlainText().contains("Reconnected to " + link), 5000);
        qputenv("PATH", savedPath);
        QVERIFY(bench->port().isOpen());
        QTRY_VERIFY(simulator.canReadLine());
        QVERIFY(QString::fromLocal8Bit(simulator.readLine()).trimmed() != before);
        bench->get<QTextEdit>("textEdit")->clear();
        bench->click("ping");
        QTRY_VERIFY_WITH_TIMEOUT(log().contains("PONG"), 3000);
        bench->click("serialClose");
        simulator.write("quit\n");
        QVERIFY(simulator.waitForFinished(5000));
    }

    void typedPathsOpenAndSurviveARescan()
    {
        auto *ports = bench->get<QComboBox>("serialPortList");
        QVERIFY(ports->isEditable());
        ports->setEditText(link);
        bench->click("openSerialPort");
        QVERIFY(bench->port().isOpen());
        bench->click("pushButton_10");
        QCOMPARE(ports->currentText(), link);
        QTest::qWait(700); // the port watch keeps a typed path while its node is there
        QVERIFY(bench->port().isOpen());
    }
};

QTEST_MAIN(TestReconnect)
#include "tst_reconnect.moc"
