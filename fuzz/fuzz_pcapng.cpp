// The capture reader on any bytes. What it returns comes from whole blocks:
// the bytes before the block it stopped at read the same without an error.
// A capture read without an error writes back and reads again the same.
#include "fuzzcheck.h"

#include "traffic/pcapng.h"

#include <QBuffer>

namespace {

const QString name = QStringLiteral("fuzz.pcapng");

bool sameRecords(const QVector<TrafficRecord> &a, const QVector<TrafficRecord> &b)
{
    if (a.size() != b.size())
        return false;
    for (int i = 0; i < a.size(); ++i) {
        if (a.at(i).direction != b.at(i).direction || a.at(i).micros != b.at(i).micros ||
            a.at(i).bytes != b.at(i).bytes)
            return false;
    }
    return true;
}

void checkStoppedAtABlock(const QByteArray &bytes, const CaptureReading &reading)
{
    FUZZ_CHECK(reading.errorOffset >= 0 && reading.errorOffset <= bytes.size());
    FUZZ_CHECK(!reading.error.contains(QLatin1Char('\n')));
    FUZZ_CHECK(reading.error.startsWith(name));
    FUZZ_CHECK(reading.error.endsWith(QStringLiteral(" at offset %1").arg(reading.errorOffset)));
    if (reading.errorOffset == 0) {
        FUZZ_CHECK(reading.records.isEmpty());
        return;
    }
    const CaptureReading whole = readCapture(bytes.left(int(reading.errorOffset)), name);
    FUZZ_CHECK(whole.error.isEmpty());
    FUZZ_CHECK(sameRecords(whole.records, reading.records));
    FUZZ_CHECK(whole.startWallMicros == reading.startWallMicros);
    FUZZ_CHECK(whole.skippedPackets == reading.skippedPackets);
}

void checkRoundTrip(const CaptureReading &reading)
{
    FUZZ_CHECK(reading.errorOffset == -1);
    QBuffer buffer;
    FUZZ_CHECK(buffer.open(QIODevice::WriteOnly));
    FUZZ_CHECK(writeCapture(buffer, reading.records, reading.startWallMicros));
    const CaptureReading again = readCapture(buffer.data(), name);
    FUZZ_CHECK(again.error.isEmpty());
    FUZZ_CHECK(again.skippedPackets == 0);
    FUZZ_CHECK(sameRecords(again.records, reading.records));
    FUZZ_CHECK(again.startWallMicros == reading.startWallMicros);
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    fuzz::silenceQtMessages();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes = fuzz::bytesOf(data, size);
    const CaptureReading reading = readCapture(bytes, name);
    qint64 kept = 0;
    for (const TrafficRecord &record : reading.records)
        kept += record.bytes.size();
    FUZZ_CHECK(kept <= bytes.size());
    if (reading.error.isEmpty())
        checkRoundTrip(reading);
    else
        checkStoppedAtABlock(bytes, reading);
    return 0;
}
