// The line to the module on a real pseudo-terminal, the test playing the
// module at the far end: what goes out for a command, which reply the reader
// takes against which command, what the traffic record is handed, and a far
// end that hangs up.
#include "commands/frames.h"
#include "commands/portwriter.h"
#include "ptypair.h"
#include "serial/modulelink.h"

#include <QBuffer>
#include <QSignalSpy>
#include <QtTest>

Q_DECLARE_METATYPE(Paired)

class TestModuleLink : public QObject
{
    Q_OBJECT

    std::unique_ptr<PtyPair> module;
    std::unique_ptr<ModuleLink> link;
    QVector<QPair<Direction, QByteArray>> recorded;

    // The module answers with one chunk; returns how the link read it.
    Paired answered(const QByteArray &chunk)
    {
        QSignalSpy decoded(link.get(), &ModuleLink::replyDecoded);
        if (!module->write(chunk))
            return {};
        if (!decoded.wait(2000))
            return {};
        return decoded.first().first().value<Paired>();
    }
    Reply answer(const QByteArray &chunk) { return answered(chunk).reply; }

private slots:
    void init()
    {
        qRegisterMetaType<Paired>();
        module = std::make_unique<PtyPair>();
        QVERIFY(module->isOpen());
        link = std::make_unique<ModuleLink>();
        recorded.clear();
        link->setRecorder([this](Direction direction, const QByteArray &bytes) {
            recorded.append({direction, bytes});
        });
        QVERIFY(link->open({module->slavePath(), 115200}));
    }

    void cleanup()
    {
        link.reset();
        module.reset();
    }

    void opensWithTheBenchLineSettings()
    {
        const QSerialPort &port = link->port();
        QCOMPARE(port.baudRate(), 115200);
        QCOMPARE(port.dataBits(), QSerialPort::Data8);
        QCOMPARE(port.parity(), QSerialPort::NoParity);
        QCOMPARE(port.stopBits(), QSerialPort::OneStop);
        QCOMPARE(port.flowControl(), QSerialPort::NoFlowControl);
        link->close();
        QVERIFY(!link->isOpen());
        QVERIFY(!link->open({module->slavePath() + "-missing", 115200}));
    }

    // The reader is armed by the commands that expect an answer, and stays
    // as it was for those that do not.
    void commandsArmTheReaderAsTheirButtonsDo()
    {
        QCOMPARE(link->sendCommand(Command::GetVersion), commandFrame(Command::GetVersion));
        QCOMPARE(link->armedCommand(), codeOf(Command::GetVersion));
        link->sendCommand(Command::Cls);
        link->sendRaw(commandFrame(Command::SdInserted)); // raw bytes arm nothing
        QCOMPARE(link->armedCommand(), codeOf(Command::GetVersion));
        QCOMPARE(module->take(3), QByteArray::fromHex("812149"));

        const QByteArray frame = link->sendCommand(Command::SdFileOpen, {2}, "A.TXT");
        QCOMPARE(frame, QByteArray::fromHex("7102412e54585400"));
        QCOMPARE(link->armedCommand(), codeOf(Command::SdFileOpen));
        QCOMPARE(module->take(frame.size()), frame);
    }

    void yGoesOutAsAWordOnlyInExtendedMode()
    {
        link->sendCommand(Command::SetXHY, {10, 20});
        link->sendCommand(Command::ExtendedMode);
        QVERIFY(link->extendedMode());
        link->sendCommand(Command::SetXHY, {10, 300});
        link->sendCommand(Command::StandardMode);
        QVERIFY(!link->extendedMode());
        QCOMPARE(module->take(11), QByteArray::fromHex("85000a14 fb 85000a012c fc"));
    }

    // A chunk is read against the armed command and disarms it when taken
    // as its answer; one the reader does not take leaves it armed.
    void repliesAreReadAgainstTheArmedCommand()
    {
        link->sendCommand(Command::SdFileGetSize, {1});
        Reply reply = answer(QByteArray::fromHex("3d10270000"));
        QCOMPARE(reply.sdResult.value_or(QString()), QString("10000"));
        QCOMPARE(link->armedCommand(), quint8(0));

        reply = answer(QByteArray::fromHex("3d10270000")); // nothing armed
        QVERIFY(!reply.sdResult);
        QCOMPARE(reply.hexLine, QString("3d10270000"));

        link->sendCommand(Command::CaptureScreen); // armed, but its answer is not read
        reply = answer("8");
        QVERIFY(reply.pong);
        QCOMPARE(link->armedCommand(), codeOf(Command::CaptureScreen));

        link->sendCommand(Command::GetVersion);
        const Paired version = answered(QByteArray("V2.7b\0", 6));
        QCOMPARE(version.reply.serialNumber.value_or(QString()), QString("V2.7b"));
        QCOMPARE(version.answers, Paired::Answers::Armed);
        QCOMPARE(version.code, codeOf(Command::GetVersion));
        QVERIFY(version.latencyMicros >= 0);
        QCOMPARE(link->armedCommand(), quint8(0));
    }

    // A ping arms nothing, yet its pong is paired with it and timed.
    void aPongAnswersThePing()
    {
        link->sendCommand(Command::SdInserted);
        link->sendCommand(Command::Ping);
        QTest::qWait(30);
        const Paired pong = answered("8");
        QVERIFY(pong.reply.pong);
        QCOMPARE(pong.answers, Paired::Answers::Armed); // the card answer was armed first
        QCOMPARE(link->armedCommand(), quint8(0));

        link->sendCommand(Command::Ping);
        QTest::qWait(30);
        const Paired second = answered("8");
        QCOMPARE(second.answers, Paired::Answers::Ping);
        QCOMPARE(second.code, codeOf(Command::Ping));
        QVERIFY2(second.latencyMicros >= 30000, qPrintable(QString::number(second.latencyMicros)));
        QCOMPARE(answered("8").answers, Paired::Answers::Nothing); // nobody asked
    }

    // The record sees every write as the port took it and every chunk,
    // in order; what the link hands on comes after the reply is read.
    void everyByteIsRecordedBothWays()
    {
        QSignalSpy received(link.get(), &ModuleLink::received);
        link->sendCommand(Command::Ping);
        QCOMPARE(module->take(1), QByteArray("\x83"));
        QVERIFY(module->write("8"));
        QVERIFY(received.wait(2000));
        QCOMPARE(received.first().first().toByteArray(), QByteArray("8"));
        QCOMPARE(recorded.size(), 2);
        QCOMPARE(recorded[0].first, Direction::Sent);
        QCOMPARE(recorded[0].second, QByteArray("\x83"));
        QCOMPARE(recorded[1].first, Direction::Received);
        QCOMPARE(recorded[1].second, QByteArray("8"));

        link->close();
        link->sendRaw("\x21"); // a closed line takes nothing, so nothing is recorded
        QCOMPARE(recorded.size(), 2);
    }

    // A file for the card goes out whole behind its head, with the reader
    // armed for the module's answer once the file is in.
    void aFileGoesOutBehindItsHead()
    {
        const QByteArray data(3000, 'x');
        auto file = std::make_unique<QBuffer>();
        file->setData(data);
        QVERIFY(file->open(QIODevice::ReadOnly));
        QSignalSpy finished(&link->writer(), &PortWriter::finished);
        const QByteArray head = commandFrame(Command::SdFileWrite, {1, data.size()});
        link->sendFile(head, std::move(file), data.size(), "x.bin");
        QCOMPARE(link->armedCommand(), codeOf(Command::SdFileWrite));
        link->sendCommand(Command::Cls); // waits behind the file
        QCOMPARE(module->take(head.size() + data.size() + 1), head + data + "\x21");
        QTRY_COMPARE(finished.count(), 1);
    }

    void aFarEndThatHangsUpIsReportedOnceAndClosed()
    {
        QSignalSpy lost(link.get(), &ModuleLink::lineLost);
        module->closeMaster();
        QTRY_COMPARE_WITH_TIMEOUT(lost.count(), 1, 2000);
        QCOMPARE(lost.first().first().toString(), QString("the far end hung up"));
        QVERIFY(!link->isOpen());
        QTest::qWait(100);
        QCOMPARE(lost.count(), 1);
    }
};

QTEST_GUILESS_MAIN(TestModuleLink)
#include "tst_modulelink.moc"
