#include "traffic/pcapng.h"

#include "files/plainfile.h"
#include "files/safefile.h"
#include "traffic/trafficlog.h"

#include <QFileInfo>
#include <QIODevice>
#include <QtEndian>

#include <algorithm>
#include <cmath>
#include <limits>
#include <optional>

namespace {

constexpr quint32 sectionHeaderType = 0x0A0D0D0A; // reads the same in both byte orders
constexpr quint32 interfaceType = 1;
constexpr quint32 simplePacketType = 3;
constexpr quint32 enhancedPacketType = 6;
constexpr quint32 byteOrderMagic = 0x1A2B3C4D;

constexpr quint16 endOfOptions = 0;
constexpr quint16 userApplicationOption = 4;
constexpr quint16 interfaceNameOption = 2;
constexpr quint16 resolutionOption = 9;
constexpr quint16 timeOffsetOption = 14;
constexpr quint16 packetFlagsOption = 2;

constexpr quint32 inboundFlag = 1;
constexpr quint32 outboundFlag = 2;
constexpr quint32 directionMask = 3;

constexpr int microsExponent = 6; // if_tsresol of what we write: 10^-6 s
constexpr qint64 microsPerSecond = 1000000;

// Type and length before the body, the length again after it.
constexpr int blockFraming = 12;
constexpr int minSectionHeader = 28;
constexpr int minInterface = 20;
constexpr int minEnhancedPacket = 32;
constexpr int minSimplePacket = 16;

qint64 padded4(qint64 size)
{
    return (size + 3) & ~qint64(3);
}

// --- Writing: always little-endian ---

template <typename T> void put(QByteArray &out, T value)
{
    char raw[sizeof(T)];
    qToLittleEndian(value, raw);
    out.append(raw, int(sizeof(T)));
}

void putOption(QByteArray &out, quint16 code, const QByteArray &value)
{
    put<quint16>(out, code);
    put<quint16>(out, quint16(value.size()));
    out.append(value);
    out.append(int(padded4(value.size()) - value.size()), '\0');
}

QByteArray framed(quint32 type, const QByteArray &body)
{
    const auto total = quint32(body.size() + blockFraming);
    QByteArray block;
    block.reserve(int(total));
    put(block, type);
    put(block, total);
    block.append(body);
    put(block, total);
    return block;
}

QByteArray sectionHeaderBlock()
{
    QByteArray body;
    put(body, byteOrderMagic);
    put<quint16>(body, 1); // version 1.0
    put<quint16>(body, 0);
    put<qint64>(body, -1); // section length not given: the file may still grow
    putOption(body, userApplicationOption, QByteArrayLiteral("Vexel900 Bench"));
    put<quint32>(body, endOfOptions);
    return framed(sectionHeaderType, body);
}

QByteArray interfaceBlock()
{
    QByteArray body;
    put(body, Pcapng::linkTypeUser0);
    put<quint16>(body, 0);
    put<quint32>(body, 0); // no snapshot length: every byte is kept
    putOption(body, interfaceNameOption, QByteArrayLiteral("vexel900 serial"));
    putOption(body, resolutionOption, QByteArray(1, char(microsExponent)));
    put<quint32>(body, endOfOptions);
    return framed(interfaceType, body);
}

QByteArray packetBlock(const TrafficRecord &record, qint64 startWallMicros)
{
    // Unsigned, so that nonsense times wrap instead of overflowing.
    const quint64 stamp = quint64(startWallMicros) + quint64(record.micros);
    const auto length = quint32(record.bytes.size());
    QByteArray body;
    body.reserve(int(padded4(length)) + 40);
    put<quint32>(body, 0); // the one interface
    put(body, quint32(stamp >> 32));
    put(body, quint32(stamp));
    put(body, length);
    put(body, length);
    body.append(record.bytes);
    body.append(int(padded4(length) - length), '\0');
    QByteArray flags;
    put(flags, record.direction == Direction::Sent ? outboundFlag : inboundFlag);
    putOption(body, packetFlagsOption, flags);
    put<quint32>(body, endOfOptions);
    return framed(enhancedPacketType, body);
}

// --- Reading ---

struct Interface
{
    bool taken = false; // of our link type
    quint32 snapLength = 0;
    bool powerOfTwo = false;
    int exponent = microsExponent;
    qint64 offsetSeconds = 0;
};

class Reader
{
public:
    Reader(const QByteArray &bytes, const QString &name) : bytes(bytes), name(name) {}
    CaptureReading read();

private:
    bool readBlock();
    bool frame(quint32 &length);
    bool sectionHeader(int length);
    bool interfaceDescription(int length);
    bool enhancedPacket(int length);
    bool simplePacket(int length);
    template <typename Take> bool options(int from, int to, Take take);
    std::optional<qint64> wallMicros(quint64 units, const Interface &interface) const;
    void keep(Direction direction, qint64 micros, const QByteArray &data);
    bool fail(const QString &what);

    quint16 u16(int at) const;
    quint32 u32(int at) const;
    qint64 i64(int at) const;

    const QByteArray &bytes;
    const QString &name;
    CaptureReading result;
    int block = 0; // offset of the block being read
    bool bigEndian = false;
    QVector<Interface> interfaces;
    std::optional<qint64> start;
};

quint16 Reader::u16(int at) const
{
    const char *p = bytes.constData() + block + at;
    return bigEndian ? qFromBigEndian<quint16>(p) : qFromLittleEndian<quint16>(p);
}

quint32 Reader::u32(int at) const
{
    const char *p = bytes.constData() + block + at;
    return bigEndian ? qFromBigEndian<quint32>(p) : qFromLittleEndian<quint32>(p);
}

qint64 Reader::i64(int at) const
{
    const char *p = bytes.constData() + block + at;
    return bigEndian ? qFromBigEndian<qint64>(p) : qFromLittleEndian<qint64>(p);
}

bool Reader::fail(const QString &what)
{
    result.error = QStringLiteral("%1: %2 at offset %3").arg(name, what).arg(block);
    result.errorOffset = block;
    return false;
}

CaptureReading Reader::read()
{
    if (bytes.isEmpty()) {
        fail(QStringLiteral("empty file, no section header"));
        return result;
    }
    while (block < bytes.size() && readBlock()) {
    }
    result.startWallMicros = start.value_or(0);
    return result;
}

// Checks the block's type and both its lengths against the bytes there are;
// a section header first sets the byte order of everything in its section.
bool Reader::frame(quint32 &length)
{
    if (bytes.size() - block < blockFraming)
        return fail(QStringLiteral("truncated block"));
    const bool isSection = u32(0) == sectionHeaderType;
    if (block == 0 && !isSection)
        return fail(QStringLiteral("not a pcapng capture, no section header"));
    if (isSection && u32(8) != byteOrderMagic)
        bigEndian = !bigEndian;
    if (isSection && u32(8) != byteOrderMagic)
        return fail(QStringLiteral("section header without byte-order magic"));
    length = u32(4);
    if (length < quint32(blockFraming) || length % 4 != 0)
        return fail(QStringLiteral("bad block length %1").arg(length));
    if (length > quint32(bytes.size() - block))
        return fail(QStringLiteral("truncated block"));
    const quint32 trailer = u32(int(length) - 4);
    if (trailer != length)
        return fail(QStringLiteral("block length %1 and trailing length %2 differ")
                        .arg(length)
                        .arg(trailer));
    return true;
}

bool Reader::readBlock()
{
    quint32 length = 0;
    if (!frame(length))
        return false;
    bool read = true;
    switch (u32(0)) {
    case sectionHeaderType:
        read = sectionHeader(int(length));
        break;
    case interfaceType:
        read = interfaceDescription(int(length));
        break;
    case enhancedPacketType:
        read = enhancedPacket(int(length));
        break;
    case simplePacketType:
        read = simplePacket(int(length));
        break;
    default: // statistics, name resolution and the like say nothing about the bytes
        break;
    }
    if (read)
        block += int(length);
    return read;
}

// Calls `take(code, at, size)` for each option between `from` and `to`.
template <typename Take> bool Reader::options(int from, int to, Take take)
{
    int at = from;
    while (to - at >= 4) {
        const quint16 code = u16(at);
        const quint16 size = u16(at + 2);
        if (code == endOfOptions)
            return true;
        if (padded4(size) > to - at - 4)
            return fail(QStringLiteral("option %1 runs past its block").arg(code));
        take(code, at + 4, size);
        at += 4 + int(padded4(size));
    }
    return true;
}

bool Reader::sectionHeader(int length)
{
    if (length < minSectionHeader)
        return fail(QStringLiteral("section header too short"));
    if (u16(12) != 1)
        return fail(QStringLiteral("unsupported pcapng version %1.%2").arg(u16(12)).arg(u16(14)));
    interfaces.clear(); // interface numbers start again in each section
    return options(24, length - 4, [this](quint16 code, int at, int size) {
        if (code == userApplicationOption && result.application.isEmpty())
            result.application = QString::fromUtf8(bytes.mid(block + at, size));
    });
}

bool Reader::interfaceDescription(int length)
{
    if (length < minInterface)
        return fail(QStringLiteral("interface description too short"));
    Interface interface;
    interface.taken = u16(8) == Pcapng::linkTypeUser0;
    interface.snapLength = u32(12);
    const bool read = options(16, length - 4, [&](quint16 code, int at, int size) {
        if (code == resolutionOption && size >= 1) {
            const auto value = quint8(bytes.at(block + at));
            interface.powerOfTwo = value & 0x80;
            interface.exponent = value & 0x7F;
        } else if (code == timeOffsetOption && size >= 8) {
            interface.offsetSeconds = i64(at);
        }
    });
    interfaces.append(interface);
    return read;
}

// The packet's time in µs since the epoch; nothing when it does not fit.
std::optional<qint64> Reader::wallMicros(quint64 units, const Interface &interface) const
{
    constexpr auto most = std::numeric_limits<qint64>::max();
    long double micros = 0;
    if (interface.powerOfTwo) {
        micros = std::floor(units * 1e6L / std::ldexp(1.0L, interface.exponent));
    } else if (interface.exponent >= microsExponent) {
        // Integer division keeps nanosecond captures exact; 10^19 is the
        // largest power of ten a quint64 holds, and more leaves nothing.
        const int shift = interface.exponent - microsExponent;
        quint64 divisor = 1;
        for (int i = 0; i < std::min(shift, 19); ++i)
            divisor *= 10;
        micros = shift > 19 ? 0 : (long double)(units / divisor);
    } else {
        micros = units * std::pow(10.0L, microsExponent - interface.exponent);
    }
    micros += (long double)interface.offsetSeconds * microsPerSecond;
    // A quint64 timestamp beyond this is not a time anyone recorded.
    if (micros < 0 || micros >= (long double)most)
        return std::nullopt;
    return qint64(micros);
}

void Reader::keep(Direction direction, qint64 micros, const QByteArray &data)
{
    result.records.append({direction, micros, data});
}

bool Reader::enhancedPacket(int length)
{
    if (length < minEnhancedPacket)
        return fail(QStringLiteral("packet block too short"));
    const quint32 number = u32(8);
    if (number >= quint32(interfaces.size()))
        return fail(QStringLiteral("packet for undefined interface %1").arg(number));
    const quint32 captured = u32(20);
    if (padded4(captured) > length - minEnhancedPacket)
        return fail(QStringLiteral("packet data runs past its block"));
    quint32 flags = 0;
    const int optionsAt = 28 + int(padded4(captured));
    const bool read = options(optionsAt, length - 4, [&](quint16 code, int at, int size) {
        if (code == packetFlagsOption && size == 4)
            flags = u32(at);
    });
    if (!read)
        return false;
    const Interface &interface = interfaces.at(int(number));
    if (!interface.taken) {
        ++result.skippedPackets;
        return true;
    }
    const auto stamp = wallMicros(quint64(u32(12)) << 32 | u32(16), interface);
    if (!stamp)
        return fail(QStringLiteral("packet time out of range"));
    if (!start)
        start = *stamp;
    const Direction direction =
        (flags & directionMask) == outboundFlag ? Direction::Sent : Direction::Received;
    keep(direction, *stamp - *start, bytes.mid(block + 28, int(captured)));
    return true;
}

bool Reader::simplePacket(int length)
{
    if (length < minSimplePacket)
        return fail(QStringLiteral("simple packet block too short"));
    if (interfaces.isEmpty())
        return fail(QStringLiteral("simple packet before any interface"));
    const Interface &interface = interfaces.first();
    if (!interface.taken) {
        ++result.skippedPackets;
        return true;
    }
    // The block holds the packet as cut to the interface's snapshot length.
    qint64 size = std::min<qint64>(u32(8), length - minSimplePacket);
    if (interface.snapLength > 0)
        size = std::min<qint64>(size, interface.snapLength);
    // No time of its own: it happened no earlier than the packet before it.
    const qint64 micros = result.records.isEmpty() ? 0 : result.records.last().micros;
    keep(Direction::Received, micros, bytes.mid(block + 12, int(size)));
    return true;
}

} // namespace

bool PcapngWriter::put(const QByteArray &block)
{
    const qint64 written = device->write(block);
    if (written == block.size())
        return true;
    problem = written < 0 ? device->errorString()
                          : QStringLiteral("only %1 of %2 bytes of a block were taken")
                                .arg(written)
                                .arg(block.size());
    return false;
}

bool PcapngWriter::begin()
{
    return put(sectionHeaderBlock()) && put(interfaceBlock());
}

bool PcapngWriter::write(const TrafficRecord &record, qint64 startWallMicros)
{
    if (record.bytes.size() <= Pcapng::maxPacketBytes)
        return put(packetBlock(record, startWallMicros));
    TrafficRecord piece = record;
    for (int at = 0; at < record.bytes.size(); at += Pcapng::maxPacketBytes) {
        piece.bytes = record.bytes.mid(at, Pcapng::maxPacketBytes);
        if (!put(packetBlock(piece, startWallMicros)))
            return false;
    }
    return true;
}

bool writeCapture(QIODevice &device, const QVector<TrafficRecord> &records, qint64 startWallMicros)
{
    PcapngWriter writer(&device);
    if (!writer.begin())
        return false;
    for (const TrafficRecord &record : records) {
        if (!writer.write(record, startWallMicros))
            return false;
    }
    return true;
}

QString saveCapture(const QString &path, const TrafficLog &log)
{
    SafeFile file(path);
    if (!file.open())
        return file.error();
    PcapngWriter writer(&file.device());
    bool written = writer.begin();
    for (int i = 0; written && i < log.size(); ++i)
        written = writer.write(log.at(i).record, log.startWallMicros());
    if (!written) {
        const QString error =
            QStringLiteral("Cannot write %1: %2").arg(QFileInfo(path).fileName(), writer.error());
        file.discard();
        return error;
    }
    return file.commit() ? QString() : file.error();
}

CaptureReading readCapture(const QByteArray &bytes, const QString &name)
{
    return Reader(bytes, name).read();
}

CaptureReading readCaptureFile(const QString &path)
{
    const QString name = QFileInfo(path).fileName();
    CaptureReading reading;
    QFile file(path);
    QString why;
    if (!openPlainFile(file, why)) {
        reading.error = QStringLiteral("Cannot read %1: %2").arg(name, why);
        return reading;
    }
    // One byte past the limit tells a file that is too large, however large it is.
    const QByteArray bytes =
        file.size() > Pcapng::maxFileBytes ? QByteArray() : file.read(Pcapng::maxFileBytes + 1);
    if (file.size() > Pcapng::maxFileBytes || bytes.size() > Pcapng::maxFileBytes) {
        reading.error = QStringLiteral("%1 is larger than %2 MB, too large to read as a capture")
                            .arg(name)
                            .arg(Pcapng::maxFileBytes >> 20);
        return reading;
    }
    return readCapture(bytes, name);
}
