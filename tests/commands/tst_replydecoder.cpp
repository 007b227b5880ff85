// Reply decoding against the armed command, including chunks that are
// shorter than the reply they should hold: what they lack reads as 0, and
// nothing is read past their end (the sanitizer build catches that).
#include "commands/commandset.h"
#include "commands/replydecoder.h"

#include <QSet>
#include <QtTest>

namespace {
// The codes whose replies are read; everything else stays armed.
const QSet<int> decodedCodes{121, 113, 118, 119, 72, 116, 123, 73, 253, 129};

QString orNull(const std::optional<QString> &text)
{
    return text ? *text : QString();
}
} // namespace

class TestReplyDecoder : public QObject
{
    Q_OBJECT

private slots:
    void touchReportOfShortChunks_data()
    {
        QTest::addColumn<QByteArray>("chunk");
        QTest::addColumn<int>("x");
        QTest::addColumn<int>("y");
        const auto row = [](const char *name, const char *hex, int x, int y) {
            QTest::newRow(name) << QByteArray::fromHex(hex) << x << y;
        };
        row("full", "810502001001", 261, 144);
        row("byte 3 unused", "8105027f1001", 261, 144);
        row("longest", "817f7f007f7f", 16383, 16383);
        row("trailing bytes", "81050200100199", 261, 144);
        row("five bytes", "8105020010", 261, 16);
        row("three bytes", "810502", 261, 0);
        row("two bytes", "8105", 5, 0);
        row("marker only", "81", 0, 0);
    }

    void touchReportOfShortChunks()
    {
        QFETCH(QByteArray, chunk);
        QFETCH(int, x);
        QFETCH(int, y);
        const Reply reply = decodeReply(chunk, 0);
        QVERIFY(reply.touch.has_value());
        QCOMPARE(int(reply.touch->x), x);
        QCOMPARE(int(reply.touch->y), y);
    }

    void replyByPendingCode_data()
    {
        QTest::addColumn<int>("pending");
        QTest::addColumn<QByteArray>("chunk");
        QTest::addColumn<QString>("sdResult");     // null: untouched
        QTest::addColumn<QString>("serialNumber"); // null: untouched
        QTest::addColumn<QString>("listing");
        const auto row = [](const char *name, int pending, const QByteArray &chunk,
                            const char *sdResult, const char *serialNumber = nullptr,
                            const QString &listing = QString()) {
            QTest::newRow(name) << pending << chunk << QString(sdResult) << QString(serialNumber)
                                << listing;
        };
        const auto hex = [](const char *text) { return QByteArray::fromHex(text); };
        row("list up to zero", 121, QByteArray("A.TXT\r\nB.TXT\0junk", 17), nullptr, nullptr,
            "A.TXT\r\nB.TXT");
        row("list utf-8", 121, "caf\xc3\xa9", nullptr, nullptr, QString::fromUtf8("caf\xc3\xa9"));
        row("open ok", 113, hex("3f01"), "OK");
        row("open marker only", 113, "?", "FAILED");
        row("open status 2", 113, hex("3f02"), "FAILED");
        row("open wrong marker", 113, hex("2101"), nullptr);
        row("create hex", 118, hex("3f00ff"), "3f00ff");
        row("create empty", 118, {}, "");
        row("write", 119, hex("3f01"), nullptr);
        // Values are bytes 1 to 4, low byte first.
        row("space", 72, hex("3d10270000"), "10000");
        row("space largest", 72, hex("3dffffffff"), "4294967295");
        row("space extra bytes ignored", 72, hex("3d01000000ff"), "1");
        row("space wrong marker", 72, hex("3e10270000"), nullptr);
        row("size four bytes", 116, hex("3d563412"), "1193046");
        row("size three bytes", 116, hex("3d3412"), "4660");
        row("size empty", 116, {}, nullptr);
        row("tell two bytes", 123, hex("3d34"), "52");
        row("tell marker only", 123, "=", "0");
        row("card present", 73, "=", "YES");
        row("no card", 73, ">", "No");
        row("card unknown", 73, "?", nullptr);
        row("serial hex", 253, hex("0012abcd"), nullptr, "0012abcd");
        row("version text", 129, QByteArray("V1.2\0\xff", 6), nullptr, "V1.2");
        row("version empty", 129, {}, nullptr, "");
        row("settings ignored", 254, "=\x01", nullptr);
        row("nothing armed", 0, "?\x01", nullptr);
        // A pong or a touch report is one whatever is armed.
        row("pong while create is armed", 118, "8", "38");
        row("version that reads as a touch", 129, hex("81410a"), nullptr,
            "\x81"
            "A\n");
    }

    void replyByPendingCode()
    {
        QFETCH(int, pending);
        QFETCH(QByteArray, chunk);
        QFETCH(QString, sdResult);
        QFETCH(QString, serialNumber);
        QFETCH(QString, listing);
        const Reply reply = decodeReply(chunk, quint8(pending));
        QCOMPARE(reply.sdResult.has_value(), !sdResult.isNull());
        QCOMPARE(orNull(reply.sdResult), sdResult);
        QCOMPARE(reply.serialNumber.has_value(), !serialNumber.isNull());
        QCOMPARE(orNull(reply.serialNumber), serialNumber);
        QCOMPARE(reply.listing, listing);
        QCOMPARE(reply.hexLine, QString::fromLatin1(chunk.toHex()));
        QCOMPARE(reply.pong, chunk.startsWith('8'));
        QCOMPARE(reply.touch.has_value(), chunk.startsWith('\x81'));
    }

    void onlyDecodedCodesAreDisarmed()
    {
        for (int pending = 0; pending < 256; ++pending) {
            const int after = decodeReply("\x01", quint8(pending)).pendingCommand;
            QCOMPARE(after, decodedCodes.contains(pending) ? 0 : pending);
        }
        // The command of every decoded reply arms it, or the reply would never be read.
        for (const CommandSpec &command : allCommands()) {
            if (decodedCodes.contains(command.code) && command.id != Command::GetSerial)
                QVERIFY2(command.has(ArmsReply), command.name);
        }
    }
};

QTEST_APPLESS_MAIN(TestReplyDecoder)
#include "tst_replydecoder.moc"
