// Streaming a file to the card through a real pseudo-terminal, and the
// checks made on a local file before anything of it is sent.
#include "assets/testfiles.h"
#include "commands/outgoingfile.h"
#include "commands/portwriter.h"
#include "ptypair.h"

#include <QBuffer>
#include <QSerialPort>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

namespace {

std::unique_ptr<QIODevice> openBuffer(const QByteArray &bytes)
{
    auto buffer = std::make_unique<QBuffer>();
    buffer->setData(bytes);
    buffer->open(QIODevice::ReadOnly);
    return buffer;
}

} // namespace

class TestPortWriter : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<PtyPair> pty;
    std::unique_ptr<QSerialPort> port;
    std::unique_ptr<PortWriter> writer;

private slots:
    void init()
    {
        pty = std::make_unique<PtyPair>();
        port = std::make_unique<QSerialPort>(pty->slavePath());
        QVERIFY(port->open(QIODevice::ReadWrite));
        QSerialPort *const target = port.get();
        writer = std::make_unique<PortWriter>(
            target, [target](const QByteArray &bytes) { target->write(bytes); });
    }

    void cleanup()
    {
        writer.reset();
        port.reset();
        pty.reset();
    }

    void framesWaitBehindFilesAndProgressIsReported()
    {
        const QByteArray big = pattern(300000);
        QSignalSpy progress(writer.get(), &PortWriter::progress);
        QSignalSpy finished(writer.get(), &PortWriter::finished);
        writer->sendFile("H", openBuffer(big), big.size(), "big");
        writer->send("\x21");
        writer->sendFile("h", openBuffer("xyz"), 3, "small");
        writer->send("\x22");
        QCOMPARE(pty->take(1 + big.size() + 6, 10000), "H" + big + "\x21hxyz\x22");
        QTRY_COMPARE(finished.count(), 2);
        QCOMPARE(finished.at(0).at(1).toLongLong(), qint64(big.size()));

        qint64 previous = 0;
        for (const QList<QVariant> &report : progress) {
            if (report.at(0).toString() != "big")
                continue;
            QVERIFY(report.at(1).toLongLong() >= previous);
            previous = report.at(1).toLongLong();
        }
        QCOMPARE(previous, qint64(big.size()));
    }

    void theFileIsNotBufferedWhole()
    {
        const QByteArray content = pattern(1 << 20);
        qint64 mostBuffered = 0;
        connect(writer.get(), &PortWriter::progress, this,
                [&] { mostBuffered = qMax(mostBuffered, port->bytesToWrite()); });
        writer->sendFile("H", openBuffer(content), content.size(), "big");
        QCOMPARE(pty->take(1 + content.size(), 10000).size(), 1 + content.size());
        QVERIFY2(mostBuffered < content.size() / 8, QByteArray::number(mostBuffered));
    }

    void closingThePortStopsTheFileAndDropsWaitingFrames()
    {
        const QByteArray content = pattern(400000);
        QSignalSpy progress(writer.get(), &PortWriter::progress);
        QSignalSpy stopped(writer.get(), &PortWriter::stopped);
        writer->sendFile("H", openBuffer(content), content.size(), "big");
        writer->send("\x21");
        QVERIFY(progress.wait(3000)); // nobody reads the far end: the line stalls
        port->close();
        QCOMPARE(stopped.count(), 1);
        QVERIFY(stopped.first().at(1).toLongLong() < content.size());
        writer->sendFile("H", openBuffer("abc"), 3, "x"); // a closed port takes no file
        QCOMPARE(stopped.count(), 2);
        QVERIFY(!writer->isStreaming());

        pty->takeAll(50);
        QVERIFY(port->open(QIODevice::ReadWrite));
        writer->send("\x22");
        QCOMPARE(pty->take(1), QByteArray("\x22"));
    }

    // Each lets the frames behind it go, the shrunk one only once the port
    // has drained what it had.
    void emptyAndShrunkFilesReleaseTheQueue()
    {
        QSignalSpy finished(writer.get(), &PortWriter::finished);
        QSignalSpy stopped(writer.get(), &PortWriter::stopped);
        const QByteArray content = pattern(100000);
        writer->sendFile("HEAD", openBuffer({}), 0, "empty");
        writer->send("\x21");
        writer->sendFile("H", openBuffer(content), 2 * content.size(), "shrunk");
        writer->send("\x22");
        const QByteArray expected = "HEAD\x21H" + content + "\x22";
        QCOMPARE(pty->take(expected.size()), expected);
        QCOMPARE(finished.count(), 1);
        QCOMPARE(stopped.count(), 1);
    }

    void outgoingFileChecks()
    {
        QTemporaryDir dir;
        const OutgoingFile accepted = openOutgoingFile(writeFile(dir.path(), "good", "0123456789"));
        QCOMPARE(accepted.problem, OutgoingFile::Problem::None);
        QCOMPARE(accepted.size, qint64(10));
        QCOMPARE(accepted.file->readAll(), QByteArray("0123456789")); // the check consumed nothing

        const OutgoingFile missing = openOutgoingFile(dir.filePath("missing.bin"));
        QCOMPARE(missing.problem, OutgoingFile::Problem::Unreadable);
        QVERIFY(!missing.reason.isEmpty());
        QCOMPARE(openOutgoingFile(dir.path()).problem, OutgoingFile::Problem::Unreadable);

        // Sparse, so the largest size that fits the field costs no disk space.
        QFile largest(dir.filePath("largest.bin"));
        QVERIFY(largest.open(QIODevice::WriteOnly) && largest.resize(largestSendableFile));
        QCOMPARE(openOutgoingFile(largest.fileName()).size, qint64(0xFFFFFFFF));
        QVERIFY(largest.resize(largestSendableFile + 1));
        QCOMPARE(openOutgoingFile(largest.fileName()).problem, OutgoingFile::Problem::TooLarge);
    }
};

QTEST_GUILESS_MAIN(TestPortWriter)
#include "tst_portwriter.moc"
