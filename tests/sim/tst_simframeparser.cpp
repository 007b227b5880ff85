#include "frameparser.h"

#include <QRandomGenerator>
#include <QSet>
#include <QtTest>

using namespace vxsim;

namespace {

// One frame for every code the bench sends, written out by hand from the
// bench's frame layouts, in hex: the code and its arguments | the text or
// data | the terminating zero of a text, which is neither. Arguments
// deliberately contain bytes that are themselves command codes or zero.
const QStringList frames = {
    "21", "22", "23", "2B03", "2D|4869|00", "3101", "321FF8", "330100", "3D||00", "412C", "44",
    "46|535542|00", "4803", "49", "5805", "60", "61", "62", "63", "70|412E565850|00",
    "7101|4C4F472E545854|00", "7202", "7401", "7502E8030000", "7601|4C4F472E545854|00",
    "770104000000|0083FB21", "79||00", "7B01", "7D|4C4F472E545854|00", "80C8", "81", "83", "8400F8",
    "85012CC8", "88028000", "890320", "8F003210002000", "94E007", "A00280", "A20140F0", "A30140F0",
    "B007030A0B0C012CC86428", "B10500", "B240", "D0", "D1", "D214", "EF", "FD", "FE",
    // Extended mode gives coordinate frames a 16-bit Y, until standard mode again.
    "FB", "85012C00C8", "8800100020", "21", "FC", "85012CC8"};

QByteArray hex(const QString &text)
{
    return QByteArray::fromHex(text.toLatin1());
}

QVector<Frame> feedInChunks(FrameParser &parser, const QByteArray &stream, int maxChunk,
                            quint32 seed)
{
    QRandomGenerator random(seed);
    QVector<Frame> parsed;
    for (int at = 0; at < stream.size();) {
        const int size = maxChunk == 0 ? stream.size() : random.bounded(1, maxChunk + 1);
        parsed += parser.feed(stream.mid(at, size));
        at += size;
    }
    return parsed;
}

} // namespace

class TestSimFrameParser : public QObject
{
    Q_OBJECT

private slots:
    void everyCodeAcrossChunkBoundaries_data()
    {
        QTest::addColumn<int>("maxChunk");
        QTest::addColumn<quint32>("seed");
        QTest::newRow("all at once") << 0 << 0u;
        QTest::newRow("byte by byte") << 1 << 0u;
        for (quint32 seed = 1; seed <= 6; ++seed)
            QTest::addRow("random chunks up to %u bytes", seed * 5) << int(seed * 5) << seed;
    }

    void everyCodeAcrossChunkBoundaries()
    {
        QFETCH(int, maxChunk);
        QFETCH(quint32, seed);

        QSet<int> sampled;
        QByteArray stream;
        for (const QString &frame : frames) {
            stream += hex(frame);
            sampled.insert(quint8(hex(frame).at(0)));
        }
        for (const CommandInfo &info : allCommands())
            QVERIFY2(sampled.contains(int(info.command)), info.name);

        FrameParser parser;
        const QVector<Frame> parsed = feedInChunks(parser, stream, maxChunk, seed);
        QCOMPARE(parsed.size(), frames.size());
        for (int i = 0; i < frames.size(); ++i) {
            const QStringList parts = frames.at(i).split('|');
            QCOMPARE(quint8(parsed.at(i).command()), quint8(hex(parts.at(0)).at(0)));
            QCOMPARE(parsed.at(i).head.toHex(), hex(parts.at(0)).mid(1).toHex());
            QCOMPARE(parsed.at(i).tail.toHex(), hex(parts.value(1)).toHex());
        }
        QCOMPARE(parser.pendingBytes(), 0);
        QVERIFY(!parser.extendedMode());
    }

    void unknownCodesAreSkippedAlone()
    {
        FrameParser parser;
        QTest::ignoreMessage(QtWarningMsg, "unknown command code 0x99 skipped");
        QTest::ignoreMessage(QtWarningMsg, "unknown command code 0x00 skipped");
        const QVector<Frame> parsed = parser.feed(hex("9983002B07"));
        QCOMPARE(parser.skippedBytes(), 2);
        QCOMPARE(parsed.size(), 2);
        QCOMPARE(parsed.at(0).command(), Command::Ping);
        QCOMPARE(parsed.at(1).head, hex("07"));
    }

    void countedDataIsNotInterpreted()
    {
        // A mode switch inside written data must not change the mode, a
        // zero-length write is complete with its head, and a long write waits
        // for all its bytes however they come.
        QByteArray large(70000, 'x');
        large[100] = '\0';
        const QByteArray stream =
            hex("770103000000FB0000770200000000") + hex("770170110100") + large + hex("85000102");
        FrameParser parser;
        const QVector<Frame> parsed = feedInChunks(parser, stream, 4096, 3);
        QCOMPARE(parsed.size(), 4);
        QCOMPARE(parsed.at(0).tail, hex("FB0000"));
        QCOMPARE(parsed.at(1).tail, QByteArray());
        QCOMPARE(parsed.at(2).tail, large);
        QCOMPARE(parsed.at(3).head, hex("000102"));
    }
};

QTEST_GUILESS_MAIN(TestSimFrameParser)
#include "tst_simframeparser.moc"
