#include "icon.h"

#include <QImage>

namespace vxsim {

quint16 rgb565(QRgb colour)
{
    return quint16(((qRed(colour) << 8) & 0xF800) | ((qGreen(colour) << 3) & 0x07E0) |
                   (qBlue(colour) >> 3));
}

static quint16 littleEndian16(const QByteArray &bytes, int at)
{
    return quint16(quint8(bytes.at(at)) | quint8(bytes.at(at + 1)) << 8);
}

std::optional<Icon> iconFromVxp(const QByteArray &bytes)
{
    if (bytes.size() < VxpHeaderSize)
        return std::nullopt;
    Icon icon;
    icon.width = littleEndian16(bytes, 0);
    icon.height = quint8(bytes.at(2));
    icon.transparent = littleEndian16(bytes, 4);
    const int count = icon.width * icon.height;
    if (bytes.size() < VxpHeaderSize + 2 * qint64(count))
        return std::nullopt;
    icon.pixels.resize(count);
    for (int i = 0; i < count; ++i)
        icon.pixels[i] = littleEndian16(bytes, VxpHeaderSize + 2 * i);
    return icon;
}

std::optional<Icon> iconFromBitmap(const QByteArray &bytes)
{
    const QImage image = QImage::fromData(bytes, "BMP").convertToFormat(QImage::Format_RGB32);
    if (image.isNull())
        return std::nullopt;
    Icon icon;
    icon.width = image.width();
    icon.height = image.height();
    icon.pixels.reserve(icon.width * icon.height);
    for (int y = 0; y < icon.height; ++y) {
        const auto *line = reinterpret_cast<const QRgb *>(image.constScanLine(y));
        for (int x = 0; x < icon.width; ++x)
            icon.pixels.append(rgb565(line[x]));
    }
    return icon;
}

} // namespace vxsim
