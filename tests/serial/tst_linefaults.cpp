// Faults on the line while the bench talks to it through a real
// pseudo-terminal: the far end hangs up in the middle of a file for the
// card, and garbage arrives in place of replies. Each ends with the bench
// still answering, the port open or closed as it should be, and nothing on
// the line that should not be there.
#include "app/mainwindow.h"
#include "commands/frames.h"
#include "commands/portwriter.h"
#include "filedialogs.h"
#include "ptypair.h"
#include "serial/serialport.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QSpinBox>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTextEdit>
#include <QtTest>

#include <memory>

namespace {

// Deterministic noise, so a failure can be replayed.
class Noise
{
public:
    explicit Noise(quint64 seed) : state(seed) {}
    quint32 next()
    {
        state = state * 6364136223846793005ULL + 1442695040888963407ULL;
        return quint32(state >> 33);
    }
    QByteArray bytes(int size)
    {
        QByteArray out(size, Qt::Uninitialized);
        for (char &byte : out)
            byte = char(next());
        return out;
    }

private:
    quint64 state;
};

QByteArray pattern(int size)
{
    QByteArray bytes(size, Qt::Uninitialized);
    for (int i = 0; i < size; ++i)
        bytes[i] = char(i * 31 + i / 251);
    return bytes;
}

} // namespace

class TestLineFaults : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<MainWindow> window;
    std::unique_ptr<PtyPair> pty;
    std::unique_ptr<QTemporaryDir> files;

    template <typename T> T *widget(const char *name) const
    {
        T *found = window->findChild<T *>(QLatin1String(name));
        if (!found)
            qFatal("no widget %s", name);
        return found;
    }
    void click(const char *name) const { widget<QPushButton>(name)->click(); }
    QString status() const { return window->statusBar()->currentMessage(); }

    void openPort(const PtyPair &line)
    {
        auto *ports = widget<QComboBox>("serialPortList");
        ports->addItem(line.slavePath());
        ports->setCurrentIndex(ports->count() - 1);
        click("openSerialPort");
        QVERIFY2(serialPort.isOpen(), qPrintable(status()));
    }

    // The event loop still runs timers, and a click still reaches `line`
    // as exactly its own frame.
    void verifyResponsive(PtyPair &line)
    {
        bool fired = false;
        QTimer::singleShot(10, this, [&fired] { fired = true; });
        QTRY_VERIFY_WITH_TIMEOUT(fired, 1000);
        click("ping");
        QCOMPARE(line.take(1), commandFrame(Command::Ping));
        QCOMPARE(line.takeAll(50), QByteArray());
    }

    QString writeFile(const QString &name, const QByteArray &content)
    {
        const QString path = files->filePath(name);
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly) || file.write(content) != content.size())
            qFatal("cannot write %s", qPrintable(path));
        return path;
    }

private slots:
    void init()
    {
        files = std::make_unique<QTemporaryDir>();
        window = std::make_unique<MainWindow>();
        pty = std::make_unique<PtyPair>();
        QVERIFY(pty->isOpen());
        openPort(*pty);
    }

    void cleanup()
    {
        serialPort.close();
        window.reset();
        pty.reset();
        files.reset();
    }

    void hangUpMidFileStopsItAndSendsNothingAfterwards()
    {
        const QByteArray content = pattern(4 << 20);
        chooseFile(writeFile("big.bin", content));
        click("SD_FILE_WRITE");
        click("ping"); // waits behind the file
        auto *writer = window->findChild<PortWriter *>();
        QVERIFY(writer && writer->isStreaming());
        QSignalSpy stopped(writer, &PortWriter::stopped);

        // What reached the far end is the head and the file's first bytes.
        const QByteArray sent =
            commandFrame(Command::SdFileWrite,
                         {widget<QSpinBox>("sdFileNumber")->value(), qint64(content.size())}) +
            content;
        const QByteArray arrived = pty->take(256 * 1024, 5000);
        QVERIFY(arrived.size() >= 256 * 1024 && arrived.size() < sent.size());
        QVERIFY(arrived == sent.left(arrived.size()));

        pty->closeMaster();
        QTRY_VERIFY_WITH_TIMEOUT(!serialPort.isOpen(), 2000);
        QCOMPARE(status(), QString("Port Closed"));
        QCOMPARE(stopped.count(), 1);
        QVERIFY(stopped.first().at(1).toLongLong() < content.size());
        QVERIFY(!writer->isStreaming());

        // Neither the rest of the file nor the ping queued behind it turns
        // up on the next line the bench opens.
        PtyPair next;
        openPort(next);
        QCOMPARE(next.takeAll(300), QByteArray());
        verifyResponsive(next);
    }

    void garbageInPlaceOfRepliesLeavesTheReaderWorking()
    {
        auto *log = widget<QTextEdit>("textEdit");
        widget<QLineEdit>("sdFileName")->setText("NOISE.BIN");
        // The noise is decoded against each kind of armed reply in turn.
        const char *const arming[] = {"SD_FILE_LIST",     "GETVERSION",  "SD_SPACE_INFO",
                                      "SD_FILE_OPEN",     "SD_INSERTED", "SD_FILE_CREATE",
                                      "SD_FILE_GET_SIZE", "resetVEXEL",  "ShowSettings"};
        constexpr int chunks = 1500;
        constexpr int largestChunk = 100;
        Noise noise(2024);
        int mostLines = 0;
        for (int i = 0; i < chunks; ++i) {
            if (i % 100 == 0)
                click(arming[(i / 100) % (sizeof arming / sizeof *arming)]);
            QVERIFY(pty->write(noise.bytes(1 + int(noise.next() % largestChunk))));
            QCoreApplication::processEvents(); // read as a chunk of its own
            mostLines = qMax(mostLines, log->document()->lineCount());
        }
        // One burst, read in whatever pieces the line gives.
        QVERIFY(pty->write(noise.bytes(256 * 1024)));
        pty->takeAll(200); // the frames the clicks sent

        // Without the cap every chunk would have added a line for good.
        QVERIFY2(mostLines <= 255 + largestChunk + 3, QByteArray::number(mostLines));
        QVERIFY(serialPort.isOpen()); // noise is no hang-up
        QVERIFY(status().startsWith("Connected to"));

        // A real reply after the noise is decoded as usual.
        click("GETVERSION");
        pty->takeAll(50);
        QVERIFY(pty->write(QByteArray("Vexel900 1.2", 13)));
        QTRY_COMPARE(widget<QLineEdit>("serialNumber")->text(), QString("Vexel900 1.2"));
        QVERIFY(pty->write(QByteArray("\x81\x05\x02\x7F\x10\x01", 6)));
        QTRY_COMPARE(widget<QLabel>("TouchX")->text(), QString("261"));
        QCOMPARE(widget<QLabel>("TouchY")->text(), QString("144"));
        verifyResponsive(*pty);
    }
};

QTEST_MAIN(TestLineFaults)
#include "tst_linefaults.moc"
