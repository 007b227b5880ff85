// The simulated module dies while the bench is busy with it: a file for the
// card half sent, the demo waiting behind it, touch reports coming in. The
// bench must close the port, stay usable, and hand nothing of the old work
// to the next module it opens.
#include "app/mainwindow.h"
#include "commands/portwriter.h"
#include "filedialogs.h"
#include "serial/serialport.h"

#include <QComboBox>
#include <QImage>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QSignalSpy>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTextEdit>
#include <QtTest>

#include <memory>

namespace {

// One vexelsim process with its own card folder.
struct Simulator
{
    std::unique_ptr<QProcess> process = std::make_unique<QProcess>();
    QString device;
    QString card;

    bool start(const QString &cardFolder)
    {
        card = cardFolder;
        QDir().mkpath(card);
        process->setProcessChannelMode(QProcess::ForwardedErrorChannel);
        process->start(VEXELSIM_PATH, {"--card", card});
        if (!process->waitForStarted(5000))
            return false;
        for (int i = 0; i < 100 && !process->canReadLine(); ++i)
            process->waitForReadyRead(50);
        device = QString::fromLocal8Bit(process->readLine()).trimmed();
        return device.startsWith("/dev/");
    }

    QImage snapshot(const QString &file)
    {
        QFile::remove(file);
        process->write(QString("snapshot %1\n").arg(file).toLocal8Bit());
        for (int i = 0; i < 100 && QImage(file).isNull(); ++i)
            QTest::qWait(50);
        return QImage(file);
    }

    ~Simulator()
    {
        if (process->state() != QProcess::NotRunning) {
            process->kill();
            process->waitForFinished(3000);
        }
    }
};

} // namespace

class TestSimulatorFaults : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<QTemporaryDir> scratch;
    std::unique_ptr<MainWindow> window;

    template <typename T> T *widget(const char *name) const
    {
        T *found = window->findChild<T *>(QLatin1String(name));
        if (!found)
            qFatal("no widget %s", name);
        return found;
    }
    void click(const char *name) const { widget<QPushButton>(name)->click(); }
    QString status() const { return window->statusBar()->currentMessage(); }

    void openPort(const Simulator &simulator)
    {
        auto *ports = widget<QComboBox>("serialPortList");
        ports->addItem(simulator.device);
        ports->setCurrentIndex(ports->count() - 1);
        click("openSerialPort");
        QVERIFY2(status().startsWith("Connected to"), qPrintable(status()));
    }

    QString localFile(int size)
    {
        QByteArray content(size, Qt::Uninitialized);
        for (int i = 0; i < size; ++i)
            content[i] = char(i * 13 + i / 4093);
        const QString path = scratch->filePath("local.bin");
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly) || file.write(content) != size)
            qFatal("cannot write %s", qPrintable(path));
        return path;
    }

private slots:
    void init()
    {
        scratch = std::make_unique<QTemporaryDir>();
        QVERIFY(QDir().mkpath(scratch->filePath("run")));
        qputenv("XDG_RUNTIME_DIR", scratch->filePath("run").toLocal8Bit());
        window = std::make_unique<MainWindow>();
    }

    void cleanup()
    {
        serialPort.close();
        window.reset();
        scratch.reset();
    }

    void killedMidTransferAndDemo()
    {
        Simulator first;
        QVERIFY(first.start(scratch->filePath("card1")));
        openPort(first);
        widget<QLineEdit>("sdFileName")->setText("BIG.BIN");
        click("SD_FILE_CREATE");
        QTRY_COMPARE_WITH_TIMEOUT(widget<QLineEdit>("sdResult")->text(), QString("3f01"), 5000);

        constexpr int size = 16 << 20;
        chooseFile(localFile(size));
        click("SD_FILE_WRITE");
        click("demo"); // waits behind the file
        auto *writer = window->findChild<PortWriter *>();
        QVERIFY(writer);
        QSignalSpy stopped(writer, &PortWriter::stopped);
        first.process->write("touch 40 10\ntouch 80 10\n");
        QTRY_VERIFY_WITH_TIMEOUT(status().startsWith("Sending"), 5000);
        first.process->kill();
        QVERIFY(first.process->waitForFinished(3000));

        QTRY_COMPARE_WITH_TIMEOUT(status(), QString("Port Closed"), 2000);
        QVERIFY(!serialPort.isOpen());
        QCOMPARE(stopped.count(), 1);
        QVERIFY(stopped.first().at(1).toLongLong() < size);
        // The module stores a file only once all of it is in.
        QCOMPARE(QFileInfo(first.card + "/BIG.BIN").size(), 0);

        // The next module sees neither the rest of the file nor the demo.
        Simulator second;
        QVERIFY(second.start(scratch->filePath("card2")));
        const QImage before = second.snapshot(scratch->filePath("before.png"));
        QVERIFY(!before.isNull());
        openPort(second);
        auto *log = widget<QTextEdit>("textEdit");
        log->clear();
        click("ping");
        QTRY_VERIFY_WITH_TIMEOUT(log->toPlainText().contains("PONG"), 5000);
        QCOMPARE(second.snapshot(scratch->filePath("after.png")), before);
        QCOMPARE(QDir(second.card).entryList(QDir::Files | QDir::NoDotAndDotDot), QStringList());

        bool fired = false;
        QTimer::singleShot(10, this, [&fired] { fired = true; });
        QTRY_VERIFY_WITH_TIMEOUT(fired, 1000);
    }
};

QTEST_MAIN(TestSimulatorFaults)
#include "tst_simfaults.moc"
