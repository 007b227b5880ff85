#ifndef VXSIM_CAPTUREFILE_H
#define VXSIM_CAPTUREFILE_H

#include <QByteArray>
#include <QFile>
#include <QString>
#include <QtGlobal>

namespace vxsim {

// The simulator's own record of its line, as a pcapng file Wireshark reads:
// one section, one interface of link type USER0 with microsecond stamps, and
// one packet per chunk read or reply written, its direction in the packet
// flags. Each block goes out in one write, so a simulator killed outright
// still leaves a file that is whole up to its last block.
class CaptureFile
{
public:
    // Seen from the module: the bench's frames come in, replies go out.
    enum class Direction : quint32
    {
        Inbound = 1,
        Outbound = 2
    };

    static constexpr quint16 LinkTypeUser0 = 147;
    // Wireshark refuses packets over 256 KiB; longer chunks become several packets.
    static constexpr int MaxPacketBytes = 65536;

    bool open(const QString &path, QString *error);
    bool isOpen() const { return file.isOpen(); }
    // Stamped with the wall clock. A failed write closes the file, with one warning.
    void record(Direction direction, const QByteArray &bytes);
    void record(Direction direction, const QByteArray &bytes, qint64 microsSinceEpoch);

    static QByteArray sectionHeaderBlock();
    static QByteArray interfaceBlock();
    static QByteArray packetBlock(Direction direction, qint64 microsSinceEpoch,
                                  const QByteArray &bytes);

private:
    bool writeBlock(const QByteArray &block);

    QFile file;
};

} // namespace vxsim

#endif // VXSIM_CAPTUREFILE_H
