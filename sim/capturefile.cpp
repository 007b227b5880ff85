#include "capturefile.h"

#include <QtDebug>

#include <chrono>

namespace vxsim {

namespace {

constexpr quint32 SectionHeaderType = 0x0A0D0D0A;
constexpr quint32 InterfaceType = 0x00000001;
constexpr quint32 EnhancedPacketType = 0x00000006;
constexpr quint32 ByteOrderMagic = 0x1A2B3C4D;
constexpr quint16 EndOfOptions = 0;
constexpr quint16 ShbUserApplication = 4;
constexpr quint16 IfTimestampResolution = 9;
constexpr quint16 EpbFlags = 2;
constexpr quint8 Microseconds = 6;

// pcapng is written little-endian whatever the host, so readers need no guess.
void appendLe(QByteArray &out, quint64 value, int byteCount)
{
    for (int i = 0; i < byteCount; ++i)
        out.append(char((value >> (8 * i)) & 0xFF));
}

void padToFour(QByteArray &out)
{
    while (out.size() % 4 != 0)
        out.append('\0');
}

void appendOption(QByteArray &out, quint16 code, const QByteArray &value)
{
    appendLe(out, code, 2);
    appendLe(out, quint64(value.size()), 2);
    out.append(value);
    padToFour(out);
}

QByteArray littleEndian(quint64 value, int byteCount)
{
    QByteArray out;
    appendLe(out, value, byteCount);
    return out;
}

// Type, total length, body, total length again: the trailing length lets
// readers walk the file backwards.
QByteArray block(quint32 type, QByteArray body)
{
    padToFour(body);
    const quint64 total = quint64(body.size()) + 12;
    QByteArray out;
    appendLe(out, type, 4);
    appendLe(out, total, 4);
    out.append(body);
    appendLe(out, total, 4);
    return out;
}

QByteArray endOfOptions()
{
    return littleEndian(EndOfOptions, 4);
}

} // namespace

QByteArray CaptureFile::sectionHeaderBlock()
{
    QByteArray body;
    appendLe(body, ByteOrderMagic, 4);
    appendLe(body, 1, 2);           // major version
    appendLe(body, 0, 2);           // minor version
    appendLe(body, ~quint64(0), 8); // section length not known in advance
    appendOption(body, ShbUserApplication, QByteArrayLiteral("vexelsim"));
    body.append(endOfOptions());
    return block(SectionHeaderType, body);
}

QByteArray CaptureFile::interfaceBlock()
{
    QByteArray body;
    appendLe(body, LinkTypeUser0, 2);
    appendLe(body, 0, 2); // reserved
    appendLe(body, 0, 4); // no snapshot length limit
    appendOption(body, IfTimestampResolution, QByteArray(1, char(Microseconds)));
    body.append(endOfOptions());
    return block(InterfaceType, body);
}

QByteArray CaptureFile::packetBlock(Direction direction, qint64 microsSinceEpoch,
                                    const QByteArray &bytes)
{
    const auto stamp = quint64(microsSinceEpoch);
    QByteArray body;
    appendLe(body, 0, 4); // interface 0
    appendLe(body, stamp >> 32, 4);
    appendLe(body, stamp & 0xFFFFFFFFu, 4);
    appendLe(body, quint64(bytes.size()), 4); // captured
    appendLe(body, quint64(bytes.size()), 4); // original
    body.append(bytes);
    padToFour(body);
    appendOption(body, EpbFlags, littleEndian(quint32(direction), 4));
    body.append(endOfOptions());
    return block(EnhancedPacketType, body);
}

bool CaptureFile::open(const QString &path, QString *error)
{
    file.setFileName(path);
    // Unbuffered: every block reaches the file in the one write that carries it.
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Unbuffered) ||
        !writeBlock(sectionHeaderBlock()) || !writeBlock(interfaceBlock())) {
        *error = QStringLiteral("capture %1: %2").arg(path, file.errorString());
        file.close();
        return false;
    }
    return true;
}

void CaptureFile::record(Direction direction, const QByteArray &bytes)
{
    using namespace std::chrono;
    const auto now = duration_cast<microseconds>(system_clock::now().time_since_epoch());
    record(direction, bytes, qint64(now.count()));
}

void CaptureFile::record(Direction direction, const QByteArray &bytes, qint64 microsSinceEpoch)
{
    for (int start = 0; start < bytes.size() && file.isOpen(); start += MaxPacketBytes) {
        if (!writeBlock(
                packetBlock(direction, microsSinceEpoch, bytes.mid(start, MaxPacketBytes)))) {
            qWarning("vexelsim: capture stopped: %s", qPrintable(file.errorString()));
            file.close();
        }
    }
}

bool CaptureFile::writeBlock(const QByteArray &block)
{
    return file.write(block) == block.size() && file.flush();
}

} // namespace vxsim
