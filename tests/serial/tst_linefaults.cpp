// Faults on the line while the bench talks to it through a real
// pseudo-terminal: the far end hangs up in the middle of a file for the
// card, and garbage arrives in place of replies. Each ends with the bench
// still answering, the port open or closed as it should be, and nothing on
// the line that should not be there.
#include "assets/testfiles.h"
#include "commands/frames.h"
#include "commands/portwriter.h"
#include "filedialogs.h"
#include "ptypair.h"

#include <QLabel>
#include <QLineEdit>
#include <QRandomGenerator>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTextEdit>
#include <QtTest>

class TestLineFaults : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<BenchWindow> bench;
    std::unique_ptr<PtyPair> pty;

    // The event loop still runs timers, and a click still reaches `line`
    // as exactly its own frame.
    void verifyResponsive(PtyPair &line)
    {
        bool fired = false;
        QTimer::singleShot(10, this, [&fired] { fired = true; });
        QTRY_VERIFY_WITH_TIMEOUT(fired, 1000);
        bench->click("ping");
        QCOMPARE(line.take(1), commandFrame(Command::Ping));
        QCOMPARE(line.takeAll(50), QByteArray());
    }

private slots:
    void init()
    {
        QVERIFY(openWindowOnLine(bench, pty));
    }

    void cleanup()
    {
        bench.reset();
        pty.reset();
    }

    void hangUpMidFileStopsItAndSendsNothingAfterwards()
    {
        QTemporaryDir files;
        const QByteArray content = pattern(4 << 20);
        chooseFile(writeFile(files.path(), "big.bin", content));
        bench->click("SD_FILE_WRITE");
        bench->click("ping"); // waits behind the file
        auto *writer = bench->window->findChild<PortWriter *>();
        QVERIFY(writer && writer->isStreaming());
        QSignalSpy stopped(writer, &PortWriter::stopped);
        // The head and the file's first bytes, with nothing in between.
        const QByteArray arrived = pty->take(256 * 1024, 5000);
        QVERIFY(arrived.size() >= 256 * 1024 && arrived.size() < content.size());
        QVERIFY(arrived == (QByteArray::fromHex("770100004000") + content).left(arrived.size()));

        pty->closeMaster();
        QTRY_VERIFY_WITH_TIMEOUT(!bench->port().isOpen(), 2000);
        QVERIFY2(bench->status().startsWith("Port Closed"), qPrintable(bench->status()));
        QCOMPARE(stopped.count(), 1);
        QVERIFY(stopped.first().at(1).toLongLong() < content.size());
        QVERIFY(!writer->isStreaming());
        // The status bar now reads "Port Closed"; the log says the file was cut.
        QVERIFY(
            bench->get<QTextEdit>("textEdit")->toPlainText().contains("Sending big.bin stopped"));

        // Neither the rest of the file nor the ping queued behind it turns
        // up on the next line the bench opens.
        PtyPair next;
        QVERIFY(bench->openPort(next.slavePath()));
        QCOMPARE(next.takeAll(300), QByteArray());
        verifyResponsive(next);
    }

    void garbageInPlaceOfRepliesLeavesTheReaderWorking()
    {
        auto *log = bench->get<QTextEdit>("textEdit");
        bench->get<QLineEdit>("sdFileName")->setText("NOISE.BIN");
        // The noise is decoded against each kind of armed reply in turn.
        const char *const arming[] = {"SD_FILE_LIST",     "GETVERSION",  "SD_SPACE_INFO",
                                      "SD_FILE_OPEN",     "SD_INSERTED", "SD_FILE_CREATE",
                                      "SD_FILE_GET_SIZE", "resetVEXEL",  "ShowSettings"};
        constexpr int chunks = 1500;
        constexpr int largestChunk = 100;
        QRandomGenerator noise(2024); // seeded, so a failure can be replayed
        const auto bytes = [&noise](int size) {
            QByteArray out(size, Qt::Uninitialized);
            for (char &byte : out)
                byte = char(noise.bounded(256));
            return out;
        };
        int mostLines = 0;
        for (int i = 0; i < chunks; ++i) {
            if (i % 100 == 0)
                bench->click(arming[(i / 100) % (sizeof arming / sizeof *arming)]);
            QVERIFY(pty->write(bytes(1 + noise.bounded(largestChunk))));
            QCoreApplication::processEvents(); // read as a chunk of its own
            mostLines = qMax(mostLines, log->document()->lineCount());
        }
        // One burst, read in whatever pieces the line gives.
        QVERIFY(pty->write(bytes(256 * 1024)));
        pty->takeAll(200); // the frames the clicks sent

        // Without the cap every chunk would have added a line for good.
        QVERIFY2(mostLines <= 255 + largestChunk + 3, QByteArray::number(mostLines));
        QVERIFY(bench->port().isOpen()); // noise is no hang-up
        QVERIFY(bench->status().startsWith("Connected to"));

        // A real reply after the noise is decoded as usual.
        bench->click("GETVERSION");
        pty->takeAll(50);
        QVERIFY(pty->write(QByteArray("Vexel900 1.2", 13)));
        QTRY_COMPARE(bench->get<QLineEdit>("serialNumber")->text(), QString("Vexel900 1.2"));
        QVERIFY(pty->write(QByteArray("\x81\x05\x02\x7F\x10\x01", 6)));
        QTRY_COMPARE(bench->get<QLabel>("TouchX")->text(), QString("261"));
        verifyResponsive(*pty);
    }
};

QTEST_MAIN(TestLineFaults)
#include "tst_linefaults.moc"
