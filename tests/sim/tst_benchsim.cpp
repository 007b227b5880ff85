// The bench and the simulated module as separate processes on a real
// pseudo-terminal: what a newcomer does on the first run, end to end.
#include "filedialogs.h"
#include "ui/mainwindow.h"

#include <QCheckBox>
#include <QComboBox>
#include <QElapsedTimer>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QSpinBox>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTextEdit>
#include <QtTest>

#include <memory>
#include <sys/resource.h>

class TestBenchWithSimulator : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<QTemporaryDir> scratch;
    std::unique_ptr<QProcess> simulator;
    std::unique_ptr<MainWindow> window;
    QString devicePath;

    template <typename T> T *widget(const char *name) const
    {
        T *found = window->findChild<T *>(name);
        if (!found)
            qFatal("no widget %s", name);
        return found;
    }
    void click(const char *name) const { widget<QPushButton>(name)->click(); }
    QString status() const { return window->statusBar()->currentMessage(); }
    QString cardPath(const QString &name) const { return scratch->filePath("card/" + name); }

    void startSimulator()
    {
        simulator = std::make_unique<QProcess>();
        simulator->setProcessChannelMode(QProcess::ForwardedErrorChannel);
        simulator->start(VEXELSIM_PATH, {"--card", scratch->filePath("card")});
        QVERIFY(simulator->waitForStarted(5000));
        QTRY_VERIFY_WITH_TIMEOUT(simulator->canReadLine(), 5000);
        devicePath = QString::fromLocal8Bit(simulator->readLine()).trimmed();
        QVERIFY2(devicePath.startsWith("/dev/"), qPrintable(devicePath));
        const QString link =
            scratch->filePath(QString("run/vexelsim/vexelsim-%1").arg(simulator->processId()));
        QTRY_VERIFY_WITH_TIMEOUT(QFileInfo(link).isSymLink(), 5000);
    }

    void openSimulatorPort()
    {
        auto *ports = widget<QComboBox>("serialPortList");
        // The window lists the ports just after it starts.
        QTRY_VERIFY(ports->findText(devicePath) >= 0);
        ports->setCurrentIndex(ports->findText(devicePath));
        click("openSerialPort");
        QVERIFY2(status().startsWith("Connected to"), qPrintable(status()));
    }

    // The simulator handles frames in order, so once PONG is back every
    // frame sent before the ping has been executed.
    void waitUntilSimulatorCaughtUp()
    {
        auto *log = widget<QTextEdit>("textEdit");
        log->clear();
        click("ping");
        QTRY_VERIFY_WITH_TIMEOUT(log->toPlainText().contains("PONG"), 5000);
    }

    void takeSnapshot(QImage &screen)
    {
        const QString file = scratch->filePath("screen.png");
        QFile::remove(file);
        simulator->write(QString("snapshot %1\n").arg(file).toLocal8Bit());
        QTRY_VERIFY_WITH_TIMEOUT(QImage(file).width() > 0, 5000);
        screen = QImage(file);
    }

private slots:
    void init()
    {
        scratch = std::make_unique<QTemporaryDir>();
        QVERIFY(QDir().mkpath(scratch->filePath("run")));
        QVERIFY(QDir().mkpath(scratch->filePath("card")));
        // Both sides agree on where simulators announce themselves.
        qputenv("XDG_RUNTIME_DIR", scratch->filePath("run").toLocal8Bit());
        startSimulator();
        window = std::make_unique<MainWindow>();
        openSimulatorPort();
    }

    void cleanup()
    {
        window.reset();
        if (simulator && simulator->state() != QProcess::NotRunning) {
            simulator->kill();
            simulator->waitForFinished(3000);
        }
        simulator.reset();
        scratch.reset();
    }

    void portListsTheSimulatorAfterTheRealPorts()
    {
        auto *ports = widget<QComboBox>("serialPortList");
        QCOMPARE(ports->itemText(ports->count() - 1), devicePath);
        click("pushButton_10");
        QCOMPARE(ports->itemText(ports->count() - 1), devicePath);
    }

    void pingAndVersion()
    {
        waitUntilSimulatorCaughtUp();
        click("GETVERSION");
        QTRY_VERIFY_WITH_TIMEOUT(
            widget<QLineEdit>("serialNumber")->text().startsWith("Vexel900 simulator"), 5000);
    }

    void sdCardRoundTripsALocalFile()
    {
        QByteArray content(70000, Qt::Uninitialized);
        for (int i = 0; i < content.size(); ++i)
            content[i] = char((i * 7 + i / 256) & 0xFF);
        const QString local = scratch->filePath("local.bin");
        QFile file(local);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(content);
        file.close();

        auto *result = widget<QLineEdit>("sdResult");
        widget<QLineEdit>("sdFileName")->setText("DATA.BIN");
        click("SD_FILE_CREATE");
        QTRY_COMPARE_WITH_TIMEOUT(result->text(), QString("3f01"), 5000);

        auto *log = widget<QTextEdit>("textEdit");
        log->clear();
        chooseFile(local);
        click("SD_FILE_WRITE");
        QTRY_VERIFY_WITH_TIMEOUT(QFileInfo(cardPath("DATA.BIN")).size() == content.size(), 20000);
        QTRY_VERIFY_WITH_TIMEOUT(status().startsWith("Sent"), 5000);
        // The card holds every byte before the write's reply is sent; a size
        // asked for before that reply arrives would be paired with it.
        QTRY_VERIFY_WITH_TIMEOUT(log->toPlainText().contains("3f01"), 5000);

        click("SD_FILE_GET_SIZE");
        QTRY_COMPARE_WITH_TIMEOUT(result->text(), QString("70000"), 5000);
        click("SD_FILE_CLOSE");
        QFile stored(cardPath("DATA.BIN"));
        QVERIFY(stored.open(QIODevice::ReadOnly));
        QCOMPARE(stored.readAll(), content);

        log->clear();
        widget<QLineEdit>("sdFileName")->clear(); // the card's root folder
        click("SD_FILE_LIST");
        QTRY_VERIFY_WITH_TIMEOUT(log->toPlainText().contains("DATA.BIN"), 5000);

        result->clear();
        click("SD_INSERTED");
        QTRY_COMPARE_WITH_TIMEOUT(result->text(), QString("YES"), 5000);
        result->clear();
        widget<QComboBox>("SD_SPACE_INFO_SELECTION")->setCurrentIndex(3); // total
        click("SD_SPACE_INFO");
        QTRY_VERIFY_WITH_TIMEOUT(result->text().toULongLong() > 0, 5000);
    }

    void demoDrawsFourButtons()
    {
        click("demo");
        waitUntilSimulatorCaughtUp();
        QImage screen;
        takeSnapshot(screen);
        QCOMPARE(screen.size(), QSize(320, 240));
        // Each 32 by 32 button face is mostly drawn; the fifth slot and the
        // rest of the cleared screen stay black.
        const auto drawnPixels = [&screen](int left) {
            int drawn = 0;
            for (int y = 0; y < 32; ++y)
                for (int x = left; x < left + 32; ++x)
                    drawn += screen.pixel(x, y) != qRgb(0, 0, 0);
            return drawn;
        };
        for (int n = 0; n < 4; ++n)
            QVERIFY2(drawnPixels(32 * n) > 512, qPrintable(QString("button %1").arg(n)));
        QCOMPARE(drawnPixels(32 * 4), 0);
        QCOMPARE(screen.pixel(200, 160), qRgb(0, 0, 0));
    }

    void clickOnTheSimulatorUpdatesTheTouchFields()
    {
        simulator->write("touch 261 144\n");
        QTRY_VERIFY_WITH_TIMEOUT(widget<QCheckBox>("Touch")->isChecked(), 5000);
        QCOMPARE(widget<QLabel>("TouchX")->text(), QString("261"));
        QCOMPARE(widget<QLabel>("TouchY")->text(), QString("144"));
    }

    void stoppedSimulatorClosesThePortWithoutSpinning()
    {
        rusage before{};
        getrusage(RUSAGE_SELF, &before);
        QElapsedTimer clock;
        clock.start();
        simulator->kill();
        QVERIFY(simulator->waitForFinished(3000));
        QTRY_VERIFY_WITH_TIMEOUT(status().startsWith("Port Closed"), 1500);
        QTest::qWait(300);
        rusage after{};
        getrusage(RUSAGE_SELF, &after);
        const double cpu = (after.ru_utime.tv_sec - before.ru_utime.tv_sec) +
                           (after.ru_utime.tv_usec - before.ru_utime.tv_usec) / 1e6;
        QVERIFY2(cpu < 0.5 * clock.elapsed() / 1000.0, "the bench spun after the hang-up");
        click("pushButton_10");
        QCOMPARE(widget<QComboBox>("serialPortList")->findText(devicePath), -1);
    }
};

QTEST_MAIN(TestBenchWithSimulator)
#include "tst_benchsim.moc"
