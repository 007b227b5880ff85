#ifndef PREVIEWFILES_H
#define PREVIEWFILES_H

// Pictures and lists the preview's tests render against.

#include "assets/assetlists.h"
#include "assets/testfiles.h"

#include <QRandomGenerator>
#include <QtEndian>

#include <memory>

// A .vxp of `width` x `height` pixels of `colour`, its left column in the
// transparent colour `hole` (the header names `hole` either way).
inline QByteArray vxpImage(int width, int height, quint16 colour, quint16 hole = 0xF81F)
{
    QByteArray bytes(6, '\0');
    qToLittleEndian<quint16>(quint16(width), bytes.data());
    bytes[2] = char(height);
    qToLittleEndian<quint16>(hole, bytes.data() + 4);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            char pixel[2];
            qToLittleEndian<quint16>(x == 0 ? hole : colour, pixel);
            bytes.append(pixel, 2);
        }
    }
    return bytes;
}

// Lists as the window keeps them, of files already written. Two full
// lists of entries are too much for the stack.
inline std::unique_ptr<AssetLists> listsOf(const QStringList &fonts, const QStringList &images)
{
    auto lists = std::make_unique<AssetLists>();
    AddReport report;
    for (const QString &path : fonts)
        lists->addFontFile(path, report);
    for (const QString &path : images)
        lists->addImageFile(path, report);
    return lists;
}

// A flash image of `lists` under `settings` at `path`, for the simulator's
// --flash: PUT_SF_ICON then draws the listed pictures there too.
inline bool writeListsFlash(const QString &path, const AssetLists &lists,
                            const StartupSettings &settings)
{
    const FlashBlocks blocks =
        flashBlocks(settings, lists.fontList, lists.fontCount, lists.imageList, lists.imageCount);
    return writeFlashImage(path, blocks, lists.flashDataFiles()).written;
}

// `count` drawing statements of every kind, each in range, from a fixed seed.
inline QString randomDrawing(int count, quint32 seed = 7)
{
    QRandomGenerator random(seed);
    const auto x = [&] { return QString::number(random.bounded(330)); };
    const auto y = [&] { return QString::number(random.bounded(250)); };
    QString text;
    for (int i = 0; i < count; ++i) {
        switch (random.bounded(12)) {
        case 0:
            text += "SetXHY " + x() + ' ' + y();
            break;
        case 1:
            text += "boxH " + x() + ' ' + y();
            break;
        case 2:
            text += "boxHFill " + x() + ' ' + y();
            break;
        case 3:
            text += "circleRH " + QString::number(random.bounded(90));
            break;
        case 4:
            text += "LINE_TO_XHY " + x() + ' ' + y();
            break;
        case 5:
            text += "H_LINEH " + x();
            break;
        case 6:
            text += "V_LINE " + y();
            break;
        case 7:
            text +=
                QStringLiteral("SetColorH #%1").arg(random.bounded(0x1000000), 6, 16, QChar('0'));
            break;
        case 8:
            text += QStringLiteral("arcH %1 %2 %3")
                        .arg(random.bounded(90))
                        .arg(random.bounded(361))
                        .arg(random.bounded(361));
            break;
        case 9:
            text += QStringLiteral("printString \"n%1\"").arg(i);
            break;
        case 10:
            text += QStringLiteral("PRINT_STRING_BG \"%1\"").arg(i);
            break;
        default:
            text += QStringLiteral("select_font %1").arg(random.bounded(4));
            break;
        }
        text += '\n';
    }
    return text;
}

#endif // PREVIEWFILES_H
