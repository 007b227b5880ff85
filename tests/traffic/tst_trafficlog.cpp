// The bounded log: whichever bound is reached first, the oldest entries go,
// exactly as many as needed, and every one of them is counted.
#include "traffic/trafficlog.h"

#include <QFile>
#include <QtTest>

#include <vector>

#if defined(__SANITIZE_ADDRESS__)
#define VEXEL_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define VEXEL_ASAN 1
#endif
#endif

namespace {

// Entry `i` carries its number in its time and its first bytes, so the test
// can tell which ones were kept.
TrafficEntry numbered(qint64 i, int size, const QString &meaning = QString())
{
    QByteArray bytes(size, char(i));
    const QByteArray tag = QByteArray::number(i);
    bytes.replace(0, std::min(size, int(tag.size())), tag.left(size));
    return {{i % 2 ? Direction::Received : Direction::Sent, i, bytes}, meaning, i % 3 - 1};
}

qint64 residentBytes()
{
    QFile statm(QStringLiteral("/proc/self/statm"));
    if (!statm.open(QIODevice::ReadOnly))
        return -1;
    const QList<QByteArray> fields = statm.readAll().split(' ');
    return fields.size() > 1 ? fields.at(1).toLongLong() * 4096 : -1;
}

// The log must hold a contiguous run ending at the newest, within both
// bounds, and must not have let go of an entry that would still have fit.
void checkKept(const TrafficLog &log, qint64 appended, const std::vector<qint64> &costs)
{
    QVERIFY(log.size() >= 1);
    QVERIFY(log.size() <= log.maxRecords());
    QVERIFY(log.accountedBytes() <= log.maxBytes() || log.size() == 1);
    QCOMPARE(log.dropped(), appended - log.size());
    const qint64 oldest = log.at(0).record.micros;
    QCOMPARE(oldest, log.dropped());
    if (oldest > 0) {
        const qint64 withOneMore = log.accountedBytes() + costs[std::size_t(oldest - 1)];
        QVERIFY(log.size() == log.maxRecords() || withOneMore > log.maxBytes());
    }
}

} // namespace

class TestTrafficLog : public QObject
{
    Q_OBJECT

private slots:
    void millionRecordsStayWithinBounds()
    {
        constexpr qint64 total = 1000000;
        TrafficLog log;
        std::vector<qint64> costs;
        costs.reserve(std::size_t(total));
        qint64 dropsReported = 0;
        qint64 settledRss = -1;
        bool recordBoundHit = false;
        bool byteBoundHit = false;
        const QString meaning = QStringLiteral("touch at 12, 34");
        for (qint64 i = 0; i < total; ++i) {
            // Small chunks, where the record bound is reached first, in turn
            // with stretches where a megabyte-sized file block now and then
            // reaches the byte bound first.
            const bool streaming = i / 150000 % 2 == 1;
            const int size = streaming && i % 997 == 996 ? 1 << 20 : int(i * 7 % 61);
            const TrafficEntry entry = numbered(i, size, i % 5 ? QString() : meaning);
            costs.push_back(TrafficLog::accountedSize(entry));
            const int removed = log.append(entry);
            dropsReported += removed;
            if (removed > 0 && log.size() == log.maxRecords())
                recordBoundHit = true;
            if (removed > 0 && log.size() < log.maxRecords())
                byteBoundHit = true;
            if (log.size() > log.maxRecords() || log.accountedBytes() > log.maxBytes())
                QFAIL(qPrintable(QStringLiteral("bounds exceeded after entry %1").arg(i)));
            if (removed > 0 && i % 1009 == 0)
                checkKept(log, i + 1, costs);
            if (i == total / 4)
                settledRss = residentBytes();
        }
        QVERIFY(recordBoundHit);
        QVERIFY(byteBoundHit);
        checkKept(log, total, costs);
        QCOMPARE(dropsReported, log.dropped());

        qint64 sum = 0;
        for (int k = 0; k < log.size(); ++k) {
            const TrafficEntry &entry = log.at(k);
            const qint64 number = log.dropped() + k;
            QCOMPARE(entry.record.micros, number);
            QVERIFY(entry.record.bytes.startsWith(
                QByteArray::number(number).left(entry.record.bytes.size())));
            QCOMPARE(entry.latencyMicros, number % 3 - 1);
            sum += costs[std::size_t(number)];
        }
        QCOMPARE(log.accountedBytes(), sum);

#ifndef VEXEL_ASAN // the sanitizer holds freed memory back on purpose
        const qint64 endRss = residentBytes();
        if (settledRss > 0 && endRss > 0)
            QVERIFY2(
                endRss - settledRss < 48 << 20,
                qPrintable(QStringLiteral("RSS grew by %1 MB").arg((endRss - settledRss) >> 20)));
#else
        Q_UNUSED(settledRss)
#endif
    }

    void firstBoundReachedWins_data()
    {
        QTest::addColumn<int>("maxRecords");
        QTest::addColumn<qint64>("maxBytes");
        QTest::addColumn<QVector<int>>("sizes");
        const qint64 overhead = TrafficLog::entryOverhead;
        QTest::newRow("records") << 4 << (qint64(1) << 20) << QVector<int>(12, 10);
        QTest::newRow("bytes, even") << 100 << 3 * (overhead + 100) << QVector<int>(10, 100);
        QTest::newRow("bytes, exact fit")
            << 100 << 2 * (overhead + 50) << QVector<int>{50, 50, 50, 0, 0, 50};
        QTest::newRow("bytes, one large pushes out several")
            << 100 << 4 * (overhead + 10) << QVector<int>{10, 10, 10, 10, int(2 * overhead + 20)};
        QTest::newRow("both, alternating")
            << 3 << 3 * (overhead + 10) << QVector<int>{10, 30, 0, 10, 10, 40, 1, 1, 1, 100};
        QTest::newRow("one record") << 1 << (qint64(1) << 20) << QVector<int>{5, 0, 7};
    }

    void firstBoundReachedWins()
    {
        QFETCH(int, maxRecords);
        QFETCH(qint64, maxBytes);
        QFETCH(QVector<int>, sizes);
        TrafficLog log(maxRecords, maxBytes);
        std::vector<qint64> costs;
        for (int i = 0; i < sizes.size(); ++i) {
            const TrafficEntry entry = numbered(i, sizes.at(i));
            costs.push_back(TrafficLog::accountedSize(entry));
            const int before = log.size();
            const int removed = log.append(entry);
            QCOMPARE(log.size(), before + 1 - removed);
            checkKept(log, i + 1, costs);
            if (QTest::currentTestFailed())
                return;
        }
    }

    void meaningIsCountedAsText()
    {
        TrafficEntry entry = numbered(0, 10);
        const qint64 bare = TrafficLog::accountedSize(entry);
        entry.meaning = QStringLiteral("clear screen");
        QCOMPARE(TrafficLog::accountedSize(entry), bare + 2 * entry.meaning.size());

        // Room for two bare entries; the meaning of the third pushes out both.
        TrafficLog log(100, 2 * bare + 1);
        QCOMPARE(log.append(numbered(0, 10)), 0);
        QCOMPARE(log.append(numbered(1, 10)), 0);
        QCOMPARE(log.append(entry), 2);
        QCOMPARE(log.at(0).meaning, entry.meaning);
    }

    void entryOverTheByteBoundIsKeptAlone()
    {
        const qint64 small = TrafficLog::accountedSize(numbered(0, 8));
        TrafficLog log(10, 3 * small);
        for (int i = 0; i < 3; ++i)
            log.append(numbered(i, 8));
        QCOMPARE(log.append(numbered(3, 4 * int(small))), 3);
        QCOMPARE(log.size(), 1);
        QCOMPARE(log.at(0).record.micros, 3);
        QVERIFY(log.accountedBytes() > log.maxBytes());
        // The next entry of any size takes its place.
        QCOMPARE(log.append(numbered(4, 0)), 1);
        QCOMPARE(log.accountedBytes(), TrafficLog::accountedSize(numbered(4, 0)));
        QCOMPARE(log.dropped(), 4);
    }

    void clearStartsAfreshButKeepsTheStart()
    {
        TrafficLog log(2);
        log.setStartWallMicros(1700000000123456);
        for (int i = 0; i < 5; ++i)
            log.append(numbered(i, 3));
        QCOMPARE(log.dropped(), 3);
        log.clear();
        QCOMPARE(log.size(), 0);
        QCOMPARE(log.dropped(), 0);
        QCOMPARE(log.accountedBytes(), 0);
        QCOMPARE(log.startWallMicros(), 1700000000123456);
        QCOMPARE(log.append(numbered(7, 3)), 0);
        QCOMPARE(log.at(0).record.bytes, numbered(7, 3).record.bytes);
    }

    void nonsenseLimitsStillKeepTheNewest()
    {
        TrafficLog log(0, -5);
        QCOMPARE(log.append(numbered(0, 1)), 0);
        QCOMPARE(log.append(numbered(1, 1)), 1);
        QCOMPARE(log.size(), 1);
        QCOMPARE(log.at(0).record.micros, 1);
    }
};

QTEST_GUILESS_MAIN(TestTrafficLog)
#include "tst_trafficlog.moc"
