// The simulated module dies while the bench is busy with it: a file for the
// card half sent, the demo waiting behind it, touch reports coming in. The
// bench must close the port and stay usable, and the card must keep nothing
// of the half-sent file. That nothing of the old work reaches the next line
// is checked byte for byte on a pseudo-terminal by tst_linefaults.
#include "assets/testfiles.h"
#include "commands/portwriter.h"
#include "filedialogs.h"

#include <QLineEdit>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

class TestSimulatorFaults : public QObject
{
    Q_OBJECT

private slots:
    void killedMidTransferAndDemo()
    {
        QTemporaryDir scratch;
        const QString card = scratch.filePath("card");
        QVERIFY(QDir().mkpath(card) && QDir().mkpath(scratch.filePath("run")));
        qputenv("XDG_RUNTIME_DIR", scratch.filePath("run").toLocal8Bit());
        QProcess simulator; // killed by its destructor if the test stops early
        simulator.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        simulator.start(VEXELSIM_PATH, {"--card", card});
        QVERIFY(simulator.waitForStarted(5000));
        QTRY_VERIFY_WITH_TIMEOUT(simulator.canReadLine(), 5000);
        BenchWindow bench;
        QVERIFY(bench.openPort(QString::fromLocal8Bit(simulator.readLine()).trimmed()));
        bench.get<QLineEdit>("sdFileName")->setText("BIG.BIN");
        bench.click("SD_FILE_CREATE");
        QTRY_COMPARE_WITH_TIMEOUT(bench.get<QLineEdit>("sdResult")->text(), QString("3f01"), 5000);

        constexpr int size = 16 << 20;
        chooseFile(writeFile(scratch.path(), "local.bin", pattern(size)));
        bench.click("SD_FILE_WRITE");
        bench.click("demo"); // waits behind the file
        auto *writer = bench.window->findChild<PortWriter *>();
        QVERIFY(writer);
        QSignalSpy stopped(writer, &PortWriter::stopped);
        simulator.write("touch 40 10\ntouch 80 10\n");
        QTRY_VERIFY_WITH_TIMEOUT(bench.status().startsWith("Sending"), 5000);
        simulator.kill();
        QVERIFY(simulator.waitForFinished(3000));

        QTRY_VERIFY_WITH_TIMEOUT(bench.status().startsWith("Port Closed"), 2000);
        QVERIFY(!bench.port().isOpen());
        QCOMPARE(stopped.count(), 1);
        QVERIFY(stopped.first().at(1).toLongLong() < size);
        QVERIFY(!writer->isStreaming());
        // The module stores a file only once all of it is in.
        QCOMPARE(QFileInfo(card + "/BIG.BIN").size(), 0);

        bool fired = false;
        QTimer::singleShot(10, this, [&fired] { fired = true; });
        QTRY_VERIFY_WITH_TIMEOUT(fired, 1000);
    }
};

QTEST_MAIN(TestSimulatorFaults)
#include "tst_simfaults.moc"
