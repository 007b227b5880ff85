#include "assets/flashblocks.h"

#include "assets/flashlayout.h"
#include "commands/colors.h"

#include <QtEndian>

namespace {

constexpr int signatureSize = int(sizeof familySignature) - 1;

QByteArray blankHeader()
{
    QByteArray header(FlashLayout::headerSize, '\0');
    header.replace(FlashLayout::Header::familySignature, signatureSize, familySignature,
                   signatureSize);
    return header;
}

QByteArray blankDirectory()
{
    return QByteArray(FlashLayout::directorySize, '\0');
}

template <typename Number> void put(QByteArray &block, int offset, Number value)
{
    qToLittleEndian<Number>(value, block.data() + offset);
}

// Each choice and its header code, for writing and reading alike. The first
// entry is also the code of a value outside the enumeration.
template <typename Choice> struct ChoiceCode
{
    Choice choice;
    quint8 code;
};

constexpr ChoiceCode<TouchMode> touchCodes[] = {
    {TouchMode::CalibratedXY, 0x40}, {TouchMode::VxButton, 1}, {TouchMode::CuButton, 2}};
constexpr ChoiceCode<StartScreen> startScreenCodes[] = {
    {StartScreen::Default, 0}, {StartScreen::Image, 1}, {StartScreen::Color, 2}};
constexpr ChoiceCode<Transmitter> transmitterCodes[] = {
    {Transmitter::Serial, 2}, {Transmitter::Usb, 1}, {Transmitter::Spi, 3}, {Transmitter::I2c, 4}};
constexpr ChoiceCode<UsbMode> usbModeCodes[] = {{UsbMode::Cdc, 0}, {UsbMode::Msd, 1}};

template <typename Choice, size_t count>
quint8 codeIn(const ChoiceCode<Choice> (&table)[count], Choice choice)
{
    for (const ChoiceCode<Choice> &entry : table) {
        if (entry.choice == choice)
            return entry.code;
    }
    return table[0].code;
}

template <typename Choice, size_t count>
std::optional<Choice> choiceIn(const ChoiceCode<Choice> (&table)[count], quint8 code)
{
    for (const ChoiceCode<Choice> &entry : table) {
        if (entry.code == code)
            return entry.choice;
    }
    return std::nullopt;
}

void putStartScreen(QByteArray &header, const StartupSettings &settings)
{
    using namespace FlashLayout::Header;
    put<quint8>(header, startScreen, startScreenCode(settings.startScreen));
    if (settings.startScreen == StartScreen::Color)
        put<quint16>(header, startScreenColor, rgb565(settings.fill));
    if (settings.startScreen == StartScreen::Image) {
        put<quint16>(header, startImageNumber, quint16(settings.imageNumber));
        put<quint16>(header, startImageX, quint16(settings.imageX));
        put<quint16>(header, startImageY, quint16(settings.imageY));
    }
}

void putEntry(QByteArray &directory, int index, const DirectoryItem &item, quint32 address)
{
    using namespace FlashLayout::Entry;
    const int entry = index * FlashLayout::directoryEntrySize;
    const QByteArray nameBytes = directoryName(item.name);
    directory.replace(entry + name, nameBytes.size(), nameBytes);
    put<quint32>(directory, entry + size, item.size);
    put<quint32>(directory, entry + FlashLayout::Entry::address, address);
    put<quint8>(directory, entry + type, item.type);
}

bool isContinuationByte(char byte)
{
    return (quint8(byte) & 0xC0) == 0x80;
}

} // namespace

quint8 touchCode(TouchMode mode)
{
    return codeIn(touchCodes, mode);
}

std::optional<TouchMode> touchModeOfCode(quint8 code)
{
    return choiceIn(touchCodes, code);
}

quint8 startScreenCode(StartScreen screen)
{
    return codeIn(startScreenCodes, screen);
}

std::optional<StartScreen> startScreenOfCode(quint8 code)
{
    return choiceIn(startScreenCodes, code);
}

quint8 transmitterCode(Transmitter transmitter)
{
    return codeIn(transmitterCodes, transmitter);
}

std::optional<Transmitter> transmitterOfCode(quint8 code)
{
    return choiceIn(transmitterCodes, code);
}

quint8 usbModeCode(UsbMode mode)
{
    return codeIn(usbModeCodes, mode);
}

std::optional<UsbMode> usbModeOfCode(quint8 code)
{
    return choiceIn(usbModeCodes, code);
}

QByteArray directoryName(const QString &name)
{
    const QByteArray utf8 = name.toUtf8();
    if (utf8.size() <= FlashLayout::Entry::nameSize)
        return utf8;
    int cut = FlashLayout::Entry::nameSize;
    while (cut > 0 && isContinuationByte(utf8.at(cut)))
        --cut;
    return utf8.left(cut);
}

QByteArray headerBlock(const StartupSettings &settings)
{
    using namespace FlashLayout::Header;
    QByteArray header = blankHeader();
    put<quint8>(header, backlight, settings.backlightOn ? 1 : 0);
    put<quint8>(header, brightness, quint8(settings.brightness));
    put<quint8>(header, touch, touchCode(settings.touch));
    putStartScreen(header, settings);
    put<quint32>(header, baudRate, settings.baudRate.toUInt()); // 0 when not a number
    put<quint8>(header, transmitter, transmitterCode(settings.transmitter));
    put<quint8>(header, extendedMode, settings.extendedMode ? 1 : 0);
    put<quint8>(header, usbMode, usbModeCode(settings.usbMode));
    return header;
}

QByteArray directoryBlock(const QVector<DirectoryItem> &items, quint32 &firstAddress)
{
    QByteArray directory = blankDirectory();
    const int count = qMin(items.size(), listCapacity);
    for (int i = 0; i < count; ++i) {
        putEntry(directory, i, items.at(i), firstAddress);
        firstAddress += items.at(i).size;
    }
    return directory;
}

FlashBlocks flashBlocks(const StartupSettings &settings, const FontList &fonts, int fontCount,
                        const ImageList &images, int imageCount)
{
    QVector<DirectoryItem> fontItems;
    for (int i = 0; i < fontCount; ++i)
        fontItems.append({fonts[i].name, fonts[i].size, 0}); // fonts always carry type 0
    QVector<DirectoryItem> imageItems;
    for (int j = 0; j < imageCount; ++j)
        imageItems.append({images[j].name, images[j].size, images[j].type});

    quint32 address = FlashLayout::assetBaseAddress;
    FlashBlocks blocks;
    blocks.header = headerBlock(settings);
    blocks.fontDirectory = directoryBlock(fontItems, address);
    blocks.imageDirectory = directoryBlock(imageItems, address);
    return blocks;
}
