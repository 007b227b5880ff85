// The flash image header and directories built from arbitrary settings and
// font and image lists, up to full lists, plus a directory built from more
// entries than the module has slots for.
#include "fuzzcheck.h"

#include "assets/assetlists.h"
#include "assets/flashblocks.h"
#include "assets/flashlayout.h"

#include <QtEndian>

#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <set>

namespace {

QString nameFrom(FuzzedDataProvider &input)
{
    const std::string raw = input.ConsumeRandomLengthString(160);
    // Raw UTF-16 reaches lone surrogates and other characters UTF-8 input cannot.
    if (input.ConsumeBool())
        return QString(reinterpret_cast<const QChar *>(raw.data()), int(raw.size() / 2));
    return QString::fromUtf8(raw.data(), int(raw.size()));
}

StartupSettings settingsFrom(FuzzedDataProvider &input)
{
    StartupSettings settings;
    settings.extendedMode = input.ConsumeBool();
    settings.usbMode = input.ConsumeBool() ? UsbMode::Msd : UsbMode::Cdc;
    settings.backlightOn = input.ConsumeBool();
    settings.brightness = input.ConsumeIntegral<int>();
    settings.startScreen = StartScreen(input.ConsumeIntegralInRange(0, 2));
    settings.imageNumber = input.ConsumeIntegral<int>();
    settings.imageX = input.ConsumeIntegral<int>();
    settings.imageY = input.ConsumeIntegral<int>();
    if (input.ConsumeBool())
        settings.fill = QColor::fromRgba(input.ConsumeIntegral<quint32>());
    settings.touch = TouchMode(input.ConsumeIntegralInRange(0, 2));
    settings.baudRate = QString::fromLatin1(input.ConsumeRandomLengthString(12).c_str());
    settings.transmitter = Transmitter(input.ConsumeIntegralInRange(0, 3));
    return settings;
}

void checkHeader(const QByteArray &header)
{
    using namespace FlashLayout::Header;
    FUZZ_CHECK(header.size() == FlashLayout::headerSize);
    FUZZ_CHECK(header.startsWith(::familySignature));
    static const std::set<int> named = [] {
        std::set<int> offsets;
        for (int at = 0; at < 8; ++at)
            offsets.insert(at);
        for (int at :
             {backlight, brightness, touch, startScreen, transmitter, extendedMode, usbMode})
            offsets.insert(at);
        for (int at = startScreenColor; at < baudRate + 4; ++at)
            offsets.insert(at);
        return offsets;
    }();
    for (int at = 0; at < header.size(); ++at) {
        if (!named.count(at))
            FUZZ_CHECK(header.at(at) == '\0');
    }
    for (int flag : {backlight, extendedMode, usbMode})
        FUZZ_CHECK(quint8(header.at(flag)) <= 1);
}

void checkName(const QString &name, const QByteArray &stored)
{
    const QByteArray utf8 = name.toUtf8();
    FUZZ_CHECK(stored.size() <= FlashLayout::Entry::nameSize);
    FUZZ_CHECK(utf8.startsWith(stored));
    if (utf8.size() > FlashLayout::Entry::nameSize) {
        // Cut before a character's first byte, and no more than one character short.
        FUZZ_CHECK((quint8(utf8.at(stored.size())) & 0xC0) != 0x80);
        FUZZ_CHECK(stored.size() > FlashLayout::Entry::nameSize - 4);
    } else {
        FUZZ_CHECK(stored == utf8);
    }
}

bool allZero(const char *bytes, int count)
{
    return std::all_of(bytes, bytes + count, [](char byte) { return byte == '\0'; });
}

// Returns the address after the last entry.
quint32 checkDirectory(const QByteArray &directory, const QVector<DirectoryItem> &items,
                       quint32 address)
{
    using namespace FlashLayout::Entry;
    FUZZ_CHECK(directory.size() == FlashLayout::directorySize);
    const int used = qMin(items.size(), listCapacity);
    for (int i = 0; i < listCapacity; ++i) {
        const char *entry = directory.constData() + i * FlashLayout::directoryEntrySize;
        if (i >= used) {
            FUZZ_CHECK(allZero(entry, FlashLayout::directoryEntrySize));
            continue;
        }
        const DirectoryItem &item = items.at(i);
        const QByteArray stored = directoryName(item.name);
        checkName(item.name, stored);
        FUZZ_CHECK(std::equal(stored.begin(), stored.end(), entry + name));
        FUZZ_CHECK(allZero(entry + stored.size(), nameSize - stored.size()));
        FUZZ_CHECK(qFromLittleEndian<quint32>(entry + size) == item.size);
        FUZZ_CHECK(qFromLittleEndian<quint32>(entry + FlashLayout::Entry::address) == address);
        FUZZ_CHECK(quint8(entry[type]) == item.type);
        FUZZ_CHECK(allZero(entry + type + 1, FlashLayout::directoryEntrySize - type - 1));
        address += item.size;
    }
    return address;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    fuzz::silenceQtMessages();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    FuzzedDataProvider input(data, size);
    const StartupSettings settings = settingsFrom(input);
    const int fonts = input.ConsumeIntegralInRange(0, listCapacity);
    const int images = input.ConsumeIntegralInRange(0, listCapacity);

    static AssetLists lists; // reused like the window's: counts reset, entries overwritten
    FontList &fontList = lists.fontList;
    ImageList &imageList = lists.imageList;
    lists.fontCount = quint8(fonts);
    QVector<DirectoryItem> fontItems;
    for (int i = 0; i < fonts; ++i) {
        fontList[i] = FontEntry{nameFrom(input),
                                0,
                                0,
                                0,
                                input.ConsumeIntegral<quint32>(),
                                input.ConsumeIntegral<quint8>(),
                                {}};
        fontItems.append({fontList[i].name, fontList[i].size, 0}); // fonts always carry type 0
    }
    lists.imageCount = quint8(images);
    QVector<DirectoryItem> imageItems;
    for (int i = 0; i < images; ++i) {
        imageList[i] = ImageEntry{quint8(i),
                                  nameFrom(input),
                                  0,
                                  0,
                                  0,
                                  input.ConsumeIntegral<quint32>(),
                                  input.ConsumeIntegral<quint8>(),
                                  {}};
        imageItems.append({imageList[i].name, imageList[i].size, imageList[i].type});
    }

    const FlashBlocks blocks = flashBlocks(settings, fontList, fonts, imageList, images);
    checkHeader(blocks.header);
    FUZZ_CHECK(blocks.header == headerBlock(settings));
    const quint32 afterFonts =
        checkDirectory(blocks.fontDirectory, fontItems, FlashLayout::assetBaseAddress);
    checkDirectory(blocks.imageDirectory, imageItems, afterFonts);

    // The blocks the Config.txt writer rebuilds match the same lists.
    lists.rebuildFlashBlocks(settings);
    FUZZ_CHECK(lists.flashHeader == blocks.header && lists.fontDirectory == blocks.fontDirectory &&
               lists.imageDirectory == blocks.imageDirectory);

    // More entries than slots: the directory holds the first 255 and the
    // address moves past those alone.
    QVector<DirectoryItem> many = fontItems + imageItems;
    const quint32 start = input.ConsumeIntegral<quint32>();
    quint32 address = start;
    const QByteArray directory = directoryBlock(many, address);
    FUZZ_CHECK(address == checkDirectory(directory, many, start));
    return 0;
}
