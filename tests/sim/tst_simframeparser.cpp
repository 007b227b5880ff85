#include "frameparser.h"

#include <QRandomGenerator>
#include <QSet>
#include <QtTest>

using namespace vxsim;

namespace {

struct Sample
{
    QByteArray wire; // the frame as the bench puts it on the line
    QByteArray head; // what the parser should hand on as arguments
    QByteArray tail; // and as text or data
};

QByteArray hex(const char *text)
{
    return QByteArray::fromHex(text);
}

// One frame for every code the bench sends, written out by hand from the
// bench's frame layouts; arguments deliberately contain bytes that are
// themselves command codes or zero.
const QVector<Sample> &samples()
{
    static const QVector<Sample> all = {
        {hex("21"), {}, {}},
        {hex("22"), {}, {}},
        {hex("23"), {}, {}},
        {hex("2B03"), hex("03"), {}},
        {hex("2D486900"), {}, "Hi"},
        {hex("3101"), hex("01"), {}},
        {hex("321FF8"), hex("1FF8"), {}},
        {hex("330100"), hex("0100"), {}},
        {hex("3D00"), {}, {}},
        {hex("412C"), hex("2C"), {}},
        {hex("44"), {}, {}},
        {hex("4653554200"), {}, "SUB"},
        {hex("4803"), hex("03"), {}},
        {hex("49"), {}, {}},
        {hex("5805"), hex("05"), {}},
        {hex("60"), {}, {}},
        {hex("61"), {}, {}},
        {hex("62"), {}, {}},
        {hex("63"), {}, {}},
        {hex("70412E56585000"), {}, "A.VXP"},
        {hex("71014C4F472E54585400"), hex("01"), "LOG.TXT"},
        {hex("7202"), hex("02"), {}},
        {hex("7401"), hex("01"), {}},
        {hex("7502E8030000"), hex("02E8030000"), {}},
        {hex("76014C4F472E54585400"), hex("01"), "LOG.TXT"},
        {hex("7701040000000083FB21"), hex("0104000000"), hex("0083FB21")},
        {hex("7900"), {}, {}},
        {hex("7B01"), hex("01"), {}},
        {hex("7D4C4F472E54585400"), {}, "LOG.TXT"},
        {hex("80C8"), hex("C8"), {}},
        {hex("81"), {}, {}},
        {hex("83"), {}, {}},
        {hex("8400F8"), hex("00F8"), {}},
        {hex("85012CC8"), hex("012CC8"), {}},
        {hex("8802800021"), hex("028000"), {}}, // the 21 after it is a Cls of its own
        {hex("890320"), hex("0320"), {}},
        {hex("8F003210002000"), hex("003210002000"), {}},
        {hex("94E007"), hex("E007"), {}},
        {hex("A00280"), hex("0280"), {}},
        {hex("A20140F0"), hex("0140F0"), {}},
        {hex("A30140F0"), hex("0140F0"), {}},
        {hex("B007030A0B0C012CC86428"), hex("07030A0B0C012CC86428"), {}},
        {hex("B10500"), hex("0500"), {}},
        {hex("B240"), hex("40"), {}},
        {hex("D0"), {}, {}},
        {hex("D1"), {}, {}},
        {hex("D214"), hex("14"), {}},
        {hex("EF"), {}, {}},
        {hex("FD"), {}, {}},
        {hex("FE"), {}, {}},
        {hex("FB"), {}, {}}, // last, so that the frames before keep standard mode
        {hex("FC"), {}, {}},
    };
    return all;
}

QByteArray wholeStream()
{
    QByteArray stream;
    for (const Sample &sample : samples())
        stream += sample.wire;
    return stream;
}

QVector<Frame> feedInChunks(FrameParser &parser, const QByteArray &stream, int maxChunk,
                            quint32 seed)
{
    QRandomGenerator random(seed);
    QVector<Frame> frames;
    for (int at = 0; at < stream.size();) {
        const int size = maxChunk == 1 ? 1 : random.bounded(1, maxChunk + 1);
        frames += parser.feed(stream.mid(at, size));
        at += size;
    }
    return frames;
}

} // namespace

class TestSimFrameParser : public QObject
{
    Q_OBJECT

private slots:
    void everyCodeParses();
    void chunkBoundariesDoNotMatter_data();
    void chunkBoundariesDoNotMatter();
    void modeSwitchesChangeCoordinateFrames();
    void unknownCodesAreSkippedAlone();
    void countedDataIsNotInterpreted();
};

void TestSimFrameParser::everyCodeParses()
{
    QSet<int> sampled;
    for (const Sample &sample : samples())
        sampled.insert(quint8(sample.wire.at(0)));
    for (const CommandInfo &info : allCommands())
        QVERIFY2(sampled.contains(int(info.command)), info.name);

    for (const Sample &sample : samples()) {
        FrameParser parser;
        const QVector<Frame> frames = parser.feed(sample.wire);
        QVERIFY2(!frames.isEmpty(), sample.wire.toHex().constData());
        QCOMPARE(quint8(frames.first().command()), quint8(sample.wire.at(0)));
        QCOMPARE(frames.first().head.toHex(), sample.head.toHex());
        QCOMPARE(frames.first().tail, sample.tail);
        QCOMPARE(parser.pendingBytes(), 0);
    }
}

void TestSimFrameParser::chunkBoundariesDoNotMatter_data()
{
    QTest::addColumn<int>("maxChunk");
    QTest::addColumn<quint32>("seed");
    QTest::newRow("byte by byte") << 1 << 0u;
    for (quint32 seed = 1; seed <= 6; ++seed)
        QTest::addRow("random chunks up to %u bytes", seed * 5) << int(seed * 5) << seed;
}

void TestSimFrameParser::chunkBoundariesDoNotMatter()
{
    QFETCH(int, maxChunk);
    QFETCH(quint32, seed);
    const QByteArray stream = wholeStream();
    FrameParser whole;
    const QVector<Frame> expected = whole.feed(stream);
    QCOMPARE(expected.size(), samples().size() + 1); // the Cls after LINE_TO_XHY

    FrameParser chunked;
    const QVector<Frame> frames = feedInChunks(chunked, stream, maxChunk, seed);
    QCOMPARE(frames.size(), expected.size());
    for (int i = 0; i < frames.size(); ++i)
        QVERIFY2(frames.at(i) == expected.at(i), frames.at(i).info->name);
    QCOMPARE(chunked.pendingBytes(), 0);
}

void TestSimFrameParser::modeSwitchesChangeCoordinateFrames()
{
    // Extended mode, two coordinate frames with 16-bit Y, back to standard.
    const QByteArray stream = hex("FB85012C00C8880010002021FC85012CC8");
    for (int maxChunk : {1, 3, 64}) {
        FrameParser parser;
        const QVector<Frame> frames = feedInChunks(parser, stream, maxChunk, 7);
        QCOMPARE(frames.size(), 6);
        QCOMPARE(frames.at(1).head.toHex(), QByteArray("012c00c8"));
        QCOMPARE(frames.at(2).head.toHex(), QByteArray("00100020"));
        QCOMPARE(frames.at(3).command(), Command::Cls);
        QCOMPARE(frames.at(5).head.toHex(), QByteArray("012cc8"));
        QVERIFY(!parser.extendedMode());
    }
}

void TestSimFrameParser::unknownCodesAreSkippedAlone()
{
    FrameParser parser;
    QTest::ignoreMessage(QtWarningMsg, "vexelsim: unknown command code 0x99 skipped");
    QTest::ignoreMessage(QtWarningMsg, "vexelsim: unknown command code 0x00 skipped");
    const QVector<Frame> frames = parser.feed(hex("9983002B07"));
    QCOMPARE(parser.skippedBytes(), 2);
    QCOMPARE(frames.size(), 2);
    QCOMPARE(frames.at(0).command(), Command::Ping);
    QCOMPARE(frames.at(1).head, hex("07"));
}

void TestSimFrameParser::countedDataIsNotInterpreted()
{
    // A mode switch inside written data must not change the mode, a
    // zero-length write is complete with its head, and a long write waits
    // for all its bytes however they come.
    QByteArray large(70000, 'x');
    large[100] = '\0';
    const QByteArray stream =
        hex("770103000000FB0000770200000000") + hex("770170110100") + large + hex("85000102");
    FrameParser parser;
    const QVector<Frame> frames = feedInChunks(parser, stream, 4096, 3);
    QCOMPARE(frames.size(), 4);
    QCOMPARE(frames.at(0).tail, hex("FB0000"));
    QCOMPARE(frames.at(1).tail, QByteArray());
    QCOMPARE(frames.at(2).tail, large);
    QCOMPARE(frames.at(3).head, hex("000102"));
}

QTEST_GUILESS_MAIN(TestSimFrameParser)
#include "tst_simframeparser.moc"
