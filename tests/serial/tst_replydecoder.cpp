// Reply decoding against the armed command, including chunks that are
// shorter than the reply they should hold.
#include "serial/replydecoder.h"

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
    void valueFieldOfShortChunks_data()
    {
        QTest::addColumn<QByteArray>("chunk");
        QTest::addColumn<quint32>("value");
        QTest::newRow("five bytes") << QByteArray::fromHex("3d10270000") << 10000u;
        QTest::newRow("largest") << QByteArray::fromHex("3dffffffff") << 4294967295u;
        QTest::newRow("extra bytes ignored") << QByteArray::fromHex("3d01000000ff") << 1u;
        QTest::newRow("four bytes") << QByteArray::fromHex("3d563412") << 0x123456u;
        QTest::newRow("three bytes") << QByteArray::fromHex("3d3412") << 4660u;
        QTest::newRow("two bytes") << QByteArray::fromHex("3d34") << 0x34u;
        QTest::newRow("marker only") << QByteArray("=") << 0u;
        QTest::newRow("empty") << QByteArray() << 0u;
    }

    void valueFieldOfShortChunks()
    {
        QFETCH(QByteArray, chunk);
        QFETCH(quint32, value);
        QCOMPARE(replyValue(chunk), value);
    }

    void touchReportOfShortChunks_data()
    {
        QTest::addColumn<QByteArray>("chunk");
        QTest::addColumn<int>("x");
        QTest::addColumn<int>("y");
        QTest::newRow("full") << QByteArray::fromHex("810502001001") << 261 << 144;
        QTest::newRow("byte 3 unused") << QByteArray::fromHex("8105027f1001") << 261 << 144;
        QTest::newRow("longest") << QByteArray::fromHex("817f7f007f7f") << 16383 << 16383;
        QTest::newRow("trailing bytes") << QByteArray::fromHex("81050200100199") << 261 << 144;
        QTest::newRow("five bytes") << QByteArray::fromHex("8105020010") << 261 << 16;
        QTest::newRow("four bytes") << QByteArray::fromHex("81050200") << 261 << 0;
        QTest::newRow("three bytes") << QByteArray::fromHex("810502") << 261 << 0;
        QTest::newRow("two bytes") << QByteArray::fromHex("8105") << 5 << 0;
        QTest::newRow("marker only") << QByteArray::fromHex("81") << 0 << 0;
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

        const QString untouched;
        QTest::newRow("list up to zero") << 121 << QByteArray("A.TXT\r\nB.TXT\0junk", 17)
                                         << untouched << untouched << "A.TXT\r\nB.TXT";
        QTest::newRow("list utf-8") << 121 << QByteArray("caf\xc3\xa9") << untouched << untouched
                                    << QString::fromUtf8("caf\xc3\xa9");
        QTest::newRow("open ok") << 113 << QByteArray::fromHex("3f01") << "OK" << untouched << "";
        QTest::newRow("open marker only") << 113 << QByteArray("?") << "FAILED" << untouched << "";
        QTest::newRow("open status 2")
            << 113 << QByteArray::fromHex("3f02") << "FAILED" << untouched << "";
        QTest::newRow("open wrong marker")
            << 113 << QByteArray::fromHex("2101") << untouched << untouched << "";
        QTest::newRow("create hex")
            << 118 << QByteArray::fromHex("3f00ff") << "3f00ff" << untouched << "";
        QTest::newRow("create empty") << 118 << QByteArray() << "" << untouched << "";
        QTest::newRow("write") << 119 << QByteArray::fromHex("3f01") << untouched << untouched
                               << "";
        QTest::newRow("space") << 72 << QByteArray::fromHex("3d10270000") << "10000" << untouched
                               << "";
        QTest::newRow("space wrong marker")
            << 72 << QByteArray::fromHex("3e10270000") << untouched << untouched << "";
        QTest::newRow("size short")
            << 116 << QByteArray::fromHex("3d3412") << "4660" << untouched << "";
        QTest::newRow("tell marker only") << 123 << QByteArray("=") << "0" << untouched << "";
        QTest::newRow("card present") << 73 << QByteArray("=") << "YES" << untouched << "";
        QTest::newRow("no card") << 73 << QByteArray(">") << "No" << untouched << "";
        QTest::newRow("card unknown") << 73 << QByteArray("?") << untouched << untouched << "";
        QTest::newRow("serial hex")
            << 253 << QByteArray::fromHex("0012abcd") << untouched << "0012abcd"
            << "";
        QTest::newRow("version text") << 129 << QByteArray("V1.2\0\xff", 6) << untouched << "V1.2"
                                      << "";
        QTest::newRow("version empty") << 129 << QByteArray() << untouched << ""
                                       << "";
        QTest::newRow("settings ignored")
            << 254 << QByteArray("=\x01") << untouched << untouched << "";
        QTest::newRow("nothing armed") << 0 << QByteArray("?\x01") << untouched << untouched << "";
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
    }

    void onlyDecodedCodesAreDisarmed()
    {
        for (int pending = 0; pending < 256; ++pending) {
            const int after = decodeReply("\x01", quint8(pending)).pendingCommand;
            QCOMPARE(after, decodedCodes.contains(pending) ? 0 : pending);
        }
    }

    void pongAndTouchWhateverIsPending()
    {
        const Reply pong = decodeReply("8", 118);
        QVERIFY(pong.pong);
        QCOMPARE(orNull(pong.sdResult), QString("38"));
        QVERIFY(!pong.touch);

        // A version text that starts with 0x81 is also taken as a touch.
        const Reply version = decodeReply(QByteArray::fromHex("810a01"), 129);
        QVERIFY(version.serialNumber.has_value());
        QVERIFY(version.touch.has_value());
        QCOMPARE(int(version.touch->x), 138);

        const Reply plain = decodeReply("9", 0);
        QVERIFY(!plain.pong);
        QVERIFY(!plain.touch);
        QVERIFY(!decodeReply(QByteArray(), 0).pong);
    }

    // Every code against every short length of every marked reply: never
    // reads past the chunk (the sanitizer build catches that).
    void shortChunksAreSafe()
    {
        for (int pending = 0; pending < 256; ++pending) {
            for (const char marker : {'\x81', '=', '?', '>', '8'}) {
                for (int length = 0; length <= 5; ++length) {
                    const QByteArray chunk =
                        QByteArray(1, marker).leftJustified(length, '\x7f', true);
                    QCOMPARE(decodeReply(chunk, quint8(pending)).hexLine.size(), 2 * length);
                }
            }
        }
    }
};

QTEST_APPLESS_MAIN(TestReplyDecoder)
#include "tst_replydecoder.moc"
