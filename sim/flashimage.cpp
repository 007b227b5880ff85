#include "flashimage.h"

#include <QFile>

namespace vxsim {

namespace {
const QByteArray FamilySignature = QByteArrayLiteral("Vexel9xx");
constexpr int ImageDirectoryStart =
    FlashImage::HeaderSize + FlashImage::DirectoryEntries * FlashImage::EntrySize;
constexpr int EntrySizeField = 64;
constexpr int EntryAddressField = 68;
constexpr int EntryTypeField = 72;
constexpr quint8 BitmapType = 1;
} // namespace

std::optional<FlashImage> FlashImage::fromBytes(const QByteArray &bytes, QString *error)
{
    if (!bytes.startsWith(FamilySignature)) {
        *error = QStringLiteral("not a flash image: it does not begin with \"Vexel9xx\"");
        return std::nullopt;
    }
    if (bytes.size() < DataStart) {
        *error = QStringLiteral("flash image too short for its directories");
        return std::nullopt;
    }
    return FlashImage(bytes);
}

std::optional<FlashImage> FlashImage::load(const QString &path, QString *error)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        *error = file.errorString();
        return std::nullopt;
    }
    return fromBytes(file.readAll(), error);
}

quint16 FlashImage::littleEndian16(int at) const
{
    return quint16(byte(at) | byte(at + 1) << 8);
}

quint32 FlashImage::littleEndian32(int at) const
{
    return quint32(littleEndian16(at)) | quint32(littleEndian16(at + 2)) << 16;
}

StartupSettings FlashImage::startup() const
{
    StartupSettings settings;
    settings.backlightOn = byte(8) == 1;
    settings.brightness = byte(9);
    settings.touchProtocol = byte(10);
    settings.startScreen = byte(11);
    settings.startColour = littleEndian16(76);
    settings.startImage = littleEndian16(78);
    settings.startX = littleEndian16(80);
    settings.startY = littleEndian16(82);
    settings.extendedMode = byte(108) == 1;
    return settings;
}

std::optional<QByteArray> FlashImage::imageBytes(int number) const
{
    if (number < 0 || number >= DirectoryEntries)
        return std::nullopt;
    const int entry = ImageDirectoryStart + number * EntrySize;
    const quint32 size = littleEndian32(entry + EntrySizeField);
    const quint32 address = littleEndian32(entry + EntryAddressField);
    if (size == 0 || address < FlashBase)
        return std::nullopt;
    const qint64 offset = DataStart + qint64(address - FlashBase);
    if (offset + size > bytes.size())
        return std::nullopt;
    return bytes.mid(int(offset), int(size));
}

std::optional<Icon> FlashImage::icon(int number) const
{
    const std::optional<QByteArray> image = imageBytes(number);
    if (!image)
        return std::nullopt;
    const int entry = ImageDirectoryStart + number * EntrySize;
    return byte(entry + EntryTypeField) == BitmapType ? iconFromBitmap(*image)
                                                      : iconFromVxp(*image);
}

} // namespace vxsim
