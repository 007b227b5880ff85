#include "assets/assetfiles.h"

#include "files/plainfile.h"

#include <QFile>
#include <QFileInfo>
#include <QImageReader>

namespace {

// Far beyond the module's 320 x 240 screen, yet small enough to decode.
constexpr qint64 maxBitmapPixels = qint64(1) << 26;

quint8 byteAt(const QByteArray &bytes, int offset)
{
    return offset < bytes.size() ? quint8(bytes.at(offset)) : 0;
}

quint16 wordAt(const QByteArray &bytes, int offset)
{
    return quint16(byteAt(bytes, offset) | byteAt(bytes, offset + 1) << 8);
}

bool hasSuffix(const QString &path, const char *suffix)
{
    return path.endsWith(QLatin1String(suffix), Qt::CaseInsensitive);
}

void readVxpHeader(QFile &file, ImageFile &image)
{
    const QByteArray header = file.read(VxpHeader::size);
    if (header.size() < VxpHeader::size) {
        image.problem = QStringLiteral("%1 is shorter than a .vxp header")
                            .arg(QFileInfo(file.fileName()).fileName());
        return;
    }
    image.entry.width = wordAt(header, VxpHeader::widthOffset);
    image.entry.height = byteAt(header, VxpHeader::heightOffset);
    image.entry.depth = VxpHeader::depth;
    image.transparentColor = wordAt(header, VxpHeader::transparentOffset);
    image.dimensionsShown = true;
    image.hasTransparentColor = true;
}

void readBitmap(const QString &path, ImageFile &image)
{
    const QImage bitmap = loadBitmap(path);
    if (bitmap.isNull())
        image.problem =
            QStringLiteral("%1 does not load as a bitmap").arg(QFileInfo(path).fileName());
    image.entry.width = quint16(bitmap.width());
    image.entry.height = quint16(bitmap.height());
    image.entry.depth = quint8(bitmap.depth());
    image.entry.type = imageTypeBmp;
    image.dimensionsShown = true;
}

bool openForReading(QFile &file, QString &problem)
{
    QString why;
    if (openPlainFile(file, why))
        return true;
    problem = QStringLiteral("cannot open %1 (%2)").arg(QFileInfo(file.fileName()).fileName(), why);
    return false;
}

} // namespace

FontFile readFontFile(const QString &path)
{
    FontFile font;
    font.entry.name = QFileInfo(path).fileName();
    font.entry.type = hasSuffix(path, ".vxf") ? fontTypeVxf : fontTypeOther;
    QFile file(path);
    if (!openForReading(file, font.problem))
        return font;
    font.opened = true;
    font.entry.size = quint32(file.size());
    const QByteArray head = file.read(VxfFont::bytesRead);
    font.entry.height = byteAt(head, VxfFont::heightOffset);
    font.entry.firstCharacter = byteAt(head, VxfFont::firstCharacterOffset);
    font.entry.lastCharacter = byteAt(head, VxfFont::lastCharacterOffset);
    return font;
}

ImageFile readImageFile(const QString &path)
{
    ImageFile image;
    image.entry.name = QFileInfo(path).fileName();
    QFile file(path);
    if (!openForReading(file, image.problem))
        return image;
    image.opened = true;
    image.entry.size = quint32(file.size());
    if (hasSuffix(path, ".vxp"))
        readVxpHeader(file, image);
    else if (hasSuffix(path, ".bmp"))
        readBitmap(path, image);
    else
        image.problem =
            QStringLiteral("%1 is neither a .vxp nor a .bmp file").arg(image.entry.name);
    return image;
}

QImage loadBitmap(const QString &path)
{
    QImageReader reader(path);
    reader.setDecideFormatFromContent(true);
    const QSize size = reader.size();
    if (size.isValid() && qint64(size.width()) * size.height() > maxBitmapPixels)
        return QImage();
    return reader.read();
}

QStringList fontCells(int number, const QString &path, const FontEntry &entry)
{
    return {QString::number(number),
            path,
            QString::number(entry.height),
            QString::number(entry.firstCharacter),
            QString::number(entry.lastCharacter),
            QString::number(entry.size),
            entry.type == fontTypeVxf ? QStringLiteral("VXF") : QStringLiteral("TTF")};
}

QStringList imageCells(const QString &path, const ImageFile &file)
{
    const ImageEntry &entry = file.entry;
    const auto shown = [&file](int value) {
        return file.dimensionsShown ? QString::number(value) : QString();
    };
    return {QString::number(entry.number),
            path,
            shown(entry.width),
            shown(entry.height),
            QString::number(entry.size),
            file.hasTransparentColor ? QString::number(file.transparentColor) : QString(),
            shown(entry.depth),
            entry.type == imageTypeBmp ? QStringLiteral("bmp") : QStringLiteral("vxp")};
}

QString countedNoun(int count, const QString &noun)
{
    return QString::number(count) + QLatin1Char(' ') + noun + QLatin1String(count == 1 ? "" : "s");
}

QString refusedText(int refused, const QString &noun)
{
    return QStringLiteral("%1 not added: the %2 list holds %3")
        .arg(countedNoun(refused, noun), noun)
        .arg(listCapacity);
}

QString AddReport::text(const QString &noun) const
{
    QStringList parts{QStringLiteral("Added ") + countedNoun(added, noun)};
    if (refused > 0)
        parts.append(refusedText(refused, noun));
    parts.append(problems);
    return parts.join(QStringLiteral("; "));
}
