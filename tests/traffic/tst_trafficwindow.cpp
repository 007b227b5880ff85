// The traffic record of a real window on a real pseudo-terminal: what it
// keeps is what went over the wire, and the Traffic window shows, filters,
// saves and opens it.
#include "assets/testfiles.h"
#include "commands/frames.h"
#include "common/filedialogs.h"
#include "common/ptypair.h"
#include "traffic/pcapng.h"
#include "traffic/trafficmodel.h"
#include "ui/trafficwindow.h"

#include <QAction>
#include <QLabel>
#include <QPushButton>
#include <QScrollBar>
#include <QTableView>
#include <QTemporaryDir>
#include <QtTest>

class TrafficWindowTest : public QObject
{
    Q_OBJECT

    std::unique_ptr<BenchWindow> bench;
    std::unique_ptr<PtyPair> pty;
    QTemporaryDir dir;

    QAction *action(const char *name) const
    {
        return bench->window->findChild<QAction *>(QLatin1String(name));
    }

    TrafficWindow *openTrafficWindow() const
    {
        action("actionTraffic")->trigger();
        return bench->window->findChild<TrafficWindow *>("trafficWindow");
    }

    // Every record of the shown table, as the model gives it.
    static QVector<TrafficRecord> recordsOf(const TrafficLog &log)
    {
        QVector<TrafficRecord> records;
        for (int i = 0; i < log.size(); ++i)
            records << log.at(i).record;
        return records;
    }

    static QByteArray joined(const QVector<TrafficRecord> &records, Direction direction)
    {
        QByteArray bytes;
        for (const TrafficRecord &record : records)
            if (record.direction == direction)
                bytes += record.bytes;
        return bytes;
    }

    const TrafficLog &log() const
    {
        return *openTrafficWindow()->findChild<TrafficModel *>()->shownLog();
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

    // Every command of the table, as its buttons send it, with the module
    // answering in between: the record holds the wire's bytes in order.
    void recordsWhatWentOverTheWire()
    {
        QByteArray wire;
        QByteArray replies;
        for (const CommandSpec &command : allCommands()) {
            ArgValues values;
            for (std::size_t i = 0; i < argCount(command); ++i)
                values << qint64(i + 1);
            if (carriesText(command))
                values.removeLast();
            const QByteArrayList writes = commandWrites(command.id, values, "A.TXT");
            for (const QByteArray &write : writes) {
                bench->link().sendRaw(write);
                wire += write;
            }
            const QByteArray answer = QByteArray(1, char(command.code)) + "ok";
            QCOMPARE(pty->take(writes.join().size()), writes.join());
            QVERIFY(pty->write(answer));
            replies += answer;
            QTRY_COMPARE(joined(recordsOf(log()), Direction::Received), replies);
        }
        bench->click("ping"); // through a button's own slot too
        wire += pty->take(1);

        const QVector<TrafficRecord> records = recordsOf(log());
        QCOMPARE(joined(records, Direction::Sent), wire);
        for (int i = 1; i < records.size(); ++i)
            QVERIFY(records.at(i).micros >= records.at(i - 1).micros);
        QVERIFY(log().at(log().size() - 1).meaning.startsWith("ping"));
    }

    // A file for the card goes out in blocks; the record never holds it whole.
    void fileWriteIsRecordedInBlocks()
    {
        const QByteArray content = pattern(3 << 20, 5);
        chooseFile(writeFile(dir.path(), "big.bin", content));
        bench->click("SD_FILE_WRITE");
        QCOMPARE(pty->take(6 + content.size(), 20000).mid(6), content);
        const QVector<TrafficRecord> records = recordsOf(log());
        QCOMPARE(records.first().bytes, QByteArray::fromHex("770100003000"));
        QCOMPARE(joined(records, Direction::Sent).mid(6), content);
        for (const TrafficRecord &record : records)
            QVERIFY(record.bytes.size() < content.size() / 2);
        QVERIFY(log().at(1).meaning.startsWith("SD_FILE_WRITE data"));
    }

    void trafficWindowFiltersSavesAndOpens()
    {
        bench->click("ping");
        bench->click("Cls");
        pty->take(2);
        QVERIFY(pty->write("8")); // pong
        TrafficWindow *window = openTrafficWindow();
        QVERIFY(window && window->isWindow() && !window->isModal());
        auto *table = window->findChild<QTableView *>("trafficTable");
        QTRY_COMPARE(table->model()->rowCount(), 3);
        window->findChild<QLineEdit *>("trafficFilter")->setText("ping");
        QCOMPARE(table->model()->rowCount(), 1);
        window->findChild<QLineEdit *>("trafficFilter")->setText("21"); // Cls's hex
        QCOMPARE(table->model()->index(0, TrafficModel::Meaning).data().toString(), "Cls");
        window->findChild<QLineEdit *>("trafficFilter")->clear();

        const QString path = dir.filePath("session.pcapng");
        chooseFile(path);
        window->findChild<QPushButton *>("trafficSave")->click();
        const CaptureReading saved = readCaptureFile(path);
        QVERIFY2(saved.error.isEmpty(), qPrintable(saved.error));
        QCOMPARE(joined(saved.records, Direction::Sent), QByteArray("\x83\x21"));
        QCOMPARE(joined(saved.records, Direction::Received), QByteArray("8"));

        bench->click("Cls"); // live goes on while the file is shown
        chooseFile(path);
        window->findChild<QPushButton *>("trafficOpen")->click();
        QCOMPARE(table->model()->rowCount(), 3);
        QCOMPARE(table->model()->index(2, TrafficModel::Direction).data().toString(), "received");
        QVERIFY(window->findChild<QLabel *>("trafficCounts")->text().startsWith("session.pcapng"));
        window->findChild<QPushButton *>("trafficLive")->click();
        QTRY_COMPARE(table->model()->rowCount(), 4);
    }

    // New rows are followed, unless the user has scrolled up to read.
    void followsNewRowsUntilScrolledUp()
    {
        TrafficWindow *window = openTrafficWindow();
        window->show();
        auto *table = window->findChild<QTableView *>("trafficTable");
        QScrollBar *bar = table->verticalScrollBar();
        const auto sendPings = [this, table](int count) {
            const int before = table->model()->rowCount();
            for (int i = 0; i < count; ++i)
                bench->link().sendRaw("\x83");
            QTRY_COMPARE(table->model()->rowCount(), before + count);
            QCoreApplication::processEvents();
        };
        sendPings(200);
        QVERIFY(bar->maximum() > 0);
        QCOMPARE(bar->value(), bar->maximum());
        bar->setValue(10);
        sendPings(50);
        QCOMPARE(bar->value(), 10);
        bar->setValue(bar->maximum());
        sendPings(50);
        QCOMPARE(bar->value(), bar->maximum());
    }

    void recordToFileStreamsEveryRecord()
    {
        const QString path = dir.filePath("long.pcapng");
        chooseFile(path);
        action("actionRecordCapture")->trigger();
        QVERIFY(action("actionRecordCapture")->isChecked());
        bench->click("ping");
        pty->take(1);
        QVERIFY(pty->write("8")); // pong
        QTRY_COMPARE(log().size(), 2);
        // Readable while recording: every block is whole once written.
        QCOMPARE(readCaptureFile(path).records.size(), 2);
        action("actionRecordCapture")->trigger();
        bench->click("Cls");
        const CaptureReading reading = readCaptureFile(path);
        QCOMPARE(reading.records.size(), 2);
        QCOMPARE(reading.records.at(1).direction, Direction::Received);
        QCOMPARE(reading.records.at(1).bytes, QByteArray("8"));
        QVERIFY(log().at(1).meaning.startsWith("pong"));
    }
};

QTEST_MAIN(TrafficWindowTest)
#include "tst_trafficwindow.moc"
