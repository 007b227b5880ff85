// Which chunk answers which command, and the time it took: every answer the
// reader reads, pongs to pings, replies in pieces or unasked for, and
// commands whose last byte leaves after their code.
#include "commands/replypairing.h"

#include <QtTest>

Q_DECLARE_METATYPE(Command)

namespace {

using Answers = Paired::Answers;

QByteArray hex(const char *text)
{
    return QByteArray::fromHex(text);
}

} // namespace

class TestReplyPairing : public QObject
{
    Q_OBJECT

private slots:
    void everyAnswerTheReaderReads_data()
    {
        QTest::addColumn<Command>("command");
        QTest::addColumn<QByteArray>("chunk");
        QTest::addColumn<QString>("sdResult");
        QTest::addColumn<QString>("serialNumber");
        QTest::addColumn<QString>("listing");
        const auto row = [](Command command, const QByteArray &chunk, const char *sdResult,
                            const char *serialNumber = nullptr, const char *listing = nullptr) {
            QTest::newRow(spec(command).name) << command << chunk << QString(sdResult)
                                              << QString(serialNumber) << QString(listing);
        };
        row(Command::SdFileList, QByteArray("A.TXT\0", 6), nullptr, nullptr, "A.TXT");
        row(Command::SdFileOpen, hex("3f01"), "OK");
        row(Command::SdFileCreate, hex("3f01"), "3f01");
        row(Command::SdFileWrite, hex("3f01"), nullptr);
        row(Command::SdFileGetSize, hex("3d10270000"), "10000");
        row(Command::SdFileTell, hex("3d01000000"), "1");
        row(Command::SdSpaceInfo, hex("3d00010000"), "256");
        row(Command::SdInserted, ">", "No");
        row(Command::ResetVexel, hex("0012abcd"), nullptr, "0012abcd");
        row(Command::GetVersion, QByteArray("V2.7b\0", 6), nullptr, "V2.7b");
    }

    // The armed command's answer, timed from its last byte; the reader disarms.
    void everyAnswerTheReaderReads()
    {
        QFETCH(Command, command);
        QFETCH(QByteArray, chunk);
        QFETCH(QString, sdResult);
        QFETCH(QString, serialNumber);
        QFETCH(QString, listing);
        ReplyPairing pairing;
        pairing.sent(command, 1000);
        QCOMPARE(pairing.armed(), codeOf(command));
        const Paired paired = pairing.received(chunk, 1750);
        QCOMPARE(paired.answers, Answers::Armed);
        QCOMPARE(paired.code, codeOf(command));
        QCOMPARE(paired.latencyMicros, qint64(750));
        QCOMPARE(paired.reply.sdResult.value_or(QString()), sdResult);
        QCOMPARE(paired.reply.serialNumber.value_or(QString()), serialNumber);
        QCOMPARE(paired.reply.listing, listing);
        QCOMPARE(pairing.armed(), quint8(0));
    }

    // Commands the reader reads no answer to stay armed through any chunk.
    void answersNotReadLeaveTheCommandArmed()
    {
        for (const CommandSpec &command : allCommands()) {
            if (!command.has(ArmsReply) || answerTo(command.id).kind != AnswerKind::KeptArmed)
                continue;
            ReplyPairing pairing;
            pairing.sent(command.id, 0);
            const Paired paired = pairing.received(hex("3f01"), 10);
            QVERIFY2(paired.answers == Answers::Nothing, command.name);
            QCOMPARE(paired.latencyMicros, qint64(-1));
            QCOMPARE(pairing.armed(), command.code);
        }
    }

    void commandsThatArmNothing()
    {
        ReplyPairing pairing;
        for (const CommandSpec &command : allCommands()) {
            if (!command.has(ArmsReply))
                pairing.sent(command.id, 0);
        }
        QCOMPARE(pairing.armed(), quint8(0));
    }

    // The buttons arm by command; off the wire a shared code arms when any
    // of its commands would.
    void sharedCodeArmsByTheWire()
    {
        ReplyPairing byButton;
        byButton.sent(Command::GetSerial, 0);
        QCOMPARE(byButton.armed(), quint8(0));
        byButton.sent(Command::ResetVexel, 0);
        QCOMPARE(byButton.armed(), codeOf(Command::ResetVexel));

        ReplyPairing byWire;
        byWire.sent(codeOf(Command::GetSerial), 0);
        QCOMPARE(byWire.armed(), codeOf(Command::ResetVexel));
        byWire.sent(codeOf(Command::Cls), 0);
        QCOMPARE(byWire.armed(), codeOf(Command::ResetVexel));
    }

    void onlyTheLatestArmedCommandIsAnswered()
    {
        ReplyPairing pairing;
        pairing.sent(Command::GetVersion, 100);
        pairing.sent(Command::SdInserted, 200);
        const Paired answer = pairing.received("=", 500);
        QCOMPARE(answer.code, codeOf(Command::SdInserted));
        QCOMPARE(answer.latencyMicros, qint64(300));
        QCOMPARE(answer.reply.sdResult.value_or(QString()), QStringLiteral("YES"));
        QCOMPARE(pairing.received("=", 600).answers, Answers::Nothing);
    }

    // The first piece answers and disarms; the rest is read with nothing armed.
    void replyInPieces()
    {
        ReplyPairing pairing;
        pairing.sent(Command::GetVersion, 100);
        const Paired first = pairing.received("V2.", 300);
        QCOMPARE(first.answers, Answers::Armed);
        QCOMPARE(first.latencyMicros, qint64(200));
        QCOMPARE(first.reply.serialNumber.value_or(QString()), QStringLiteral("V2."));
        const Paired rest = pairing.received(QByteArray("7b\0", 3), 310);
        QCOMPARE(rest.answers, Answers::Nothing);
        QCOMPARE(rest.code, quint8(0));
        QCOMPARE(rest.latencyMicros, qint64(-1));
        QVERIFY(!rest.reply.serialNumber);
    }

    // A touch report or a pong nobody asked for is read, and answers nothing.
    void nothingAwaited_data()
    {
        QTest::addColumn<QByteArray>("chunk");
        QTest::newRow("touch") << hex("810502001001");
        QTest::newRow("pong") << QByteArray("8");
        QTest::newRow("status") << hex("3f01");
        QTest::newRow("empty") << QByteArray();
    }

    void nothingAwaited()
    {
        QFETCH(QByteArray, chunk);
        ReplyPairing pairing;
        const Paired paired = pairing.received(chunk, 100);
        QCOMPARE(paired.answers, Answers::Nothing);
        QCOMPARE(paired.latencyMicros, qint64(-1));
        QCOMPARE(paired.reply.touch.has_value(), chunk.startsWith('\x81'));
        QCOMPARE(paired.reply.pong, chunk.startsWith('8'));
        QVERIFY(!paired.reply.sdResult);
    }

    // A text's zero may leave in a later write than its code.
    void timedFromTheLastByteOfText()
    {
        ReplyPairing pairing;
        const quint8 open = codeOf(Command::SdFileOpen);
        pairing.sent(open, 100);
        pairing.continued(open, 180);
        pairing.continued(codeOf(Command::Cls), 900); // another frame's bytes
        pairing.continued(open, 250);
        const Paired paired = pairing.received(hex("3f01"), 400);
        QCOMPARE(paired.code, open);
        QCOMPARE(paired.latencyMicros, qint64(150));
    }

    // The module answers a file once all of it is in.
    void timedFromTheLastByteOfAFile()
    {
        ReplyPairing pairing;
        pairing.sent(Command::SdFileWrite, 1000);
        for (const qint64 block : {2000, 3000, 4000})
            pairing.continued(codeOf(Command::SdFileWrite), block);
        const Paired paired = pairing.received(hex("3f01"), 4600);
        QCOMPARE(paired.answers, Answers::Armed);
        QCOMPARE(paired.latencyMicros, qint64(600));
    }

    // A disarmed command's later bytes time nothing.
    void bytesAfterTheAnswerTimeNothing()
    {
        ReplyPairing pairing;
        pairing.sent(Command::SdInserted, 100);
        pairing.received("=", 200);
        pairing.continued(codeOf(Command::SdInserted), 300);
        QCOMPARE(pairing.received("=", 400).answers, Answers::Nothing);
    }

    // The ping leaves the armed command armed, and its pong is timed from it.
    void pongAnswersThePing()
    {
        ReplyPairing pairing;
        pairing.sent(Command::ShowSettings, 50);
        pairing.sent(Command::Ping, 100);
        QCOMPARE(pairing.armed(), codeOf(Command::ShowSettings));
        QVERIFY(pairing.awaitingPong());
        const Paired pong = pairing.received("8", 350);
        QCOMPARE(pong.answers, Answers::Ping);
        QCOMPARE(pong.code, codeOf(Command::Ping));
        QCOMPARE(pong.latencyMicros, qint64(250));
        QVERIFY(pong.reply.pong);
        QCOMPARE(pairing.armed(), codeOf(Command::ShowSettings));
        QVERIFY(!pairing.awaitingPong());
        QCOMPARE(pairing.received("8", 400).answers, Answers::Nothing);
    }

    void onlyTheLatestPingIsTimed()
    {
        ReplyPairing pairing;
        pairing.sent(codeOf(Command::Ping), 100);
        pairing.sent(codeOf(Command::Ping), 200);
        QCOMPARE(pairing.received("8", 260).latencyMicros, qint64(60));
    }

    // The reader takes the pong as the armed answer, as it always has; the
    // ping has had its one pong all the same.
    void armedAnswerComesFirst()
    {
        ReplyPairing pairing;
        pairing.sent(Command::Ping, 100);
        pairing.sent(Command::SdFileCreate, 200);
        const Paired paired = pairing.received("8", 500);
        QCOMPARE(paired.answers, Answers::Armed);
        QCOMPARE(paired.code, codeOf(Command::SdFileCreate));
        QCOMPARE(paired.latencyMicros, qint64(300));
        QVERIFY(paired.reply.pong);
        QVERIFY(!pairing.awaitingPong());
    }

    void resetForgetsWhatWasAwaited()
    {
        ReplyPairing pairing;
        pairing.sent(Command::GetVersion, 0);
        pairing.sent(Command::Ping, 0);
        pairing.reset();
        QCOMPARE(pairing.armed(), quint8(0));
        QVERIFY(!pairing.awaitingPong());
        QCOMPARE(pairing.received("8", 10).answers, Answers::Nothing);
    }
};

QTEST_APPLESS_MAIN(TestReplyPairing)
#include "tst_replypairing.moc"
