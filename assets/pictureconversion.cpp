#include "assets/pictureconversion.h"

#include "assets/assetfiles.h"
#include "files/plainfile.h"
#include "files/safefile.h"

#include <QDir>
#include <QFileInfo>
#include <QImageReader>

namespace {

QString nameOf(const QString &path)
{
    return QFileInfo(path).fileName();
}

bool sameFile(const QString &first, const QString &second)
{
    const QString canonical = QFileInfo(first).canonicalFilePath();
    return !canonical.isEmpty() && canonical == QFileInfo(second).canonicalFilePath();
}

// The picture, or a reason why there is none.
QImage readPicture(const QString &path, QString &error)
{
    QFile file(path);
    QString why;
    if (!openPlainFile(file, why)) {
        error = QStringLiteral("Cannot convert %1: %2").arg(nameOf(path), why);
        return QImage();
    }
    file.close();
    const QImage picture = loadBitmap(path);
    if (picture.isNull())
        error =
            QStringLiteral("Cannot convert %1: not a picture that can be read").arg(nameOf(path));
    return picture;
}

QString warningFor(const QString &path, const VxpConversion &conversion)
{
    QStringList notes;
    if (conversion.scaled)
        notes << QStringLiteral("scaled down to %1 x %2")
                     .arg(conversion.size.width())
                     .arg(conversion.size.height());
    if (conversion.opaqueInTransparent > 0)
        notes << QStringLiteral("%1 pixels have the transparent colour and will not show")
                     .arg(conversion.opaqueInTransparent);
    return notes.isEmpty() ? QString() : nameOf(path) + QStringLiteral(": ") + notes.join("; ");
}

} // namespace

QString vxpPathFor(const QString &picturePath, const QString &outputFolder)
{
    const QFileInfo picture(picturePath);
    const QString folder = outputFolder.isEmpty() ? picture.path() : outputFolder;
    return QDir(folder).filePath(picture.completeBaseName() + QStringLiteral(".vxp"));
}

QStringList pictureSuffixes()
{
    QStringList suffixes;
    const QList<QByteArray> formats = QImageReader::supportedImageFormats();
    for (const QByteArray &format : formats)
        suffixes << QString::fromLatin1(format).toLower();
    suffixes.removeDuplicates();
    return suffixes;
}

QString pictureFilter()
{
    QStringList patterns;
    const QStringList suffixes = pictureSuffixes();
    for (const QString &suffix : suffixes)
        patterns << QStringLiteral("*.") + suffix;
    return QStringLiteral("Pictures (%1)").arg(patterns.join(QLatin1Char(' ')));
}

bool needsConversion(const QString &path)
{
    const QString suffix = QFileInfo(path).suffix().toLower();
    return suffix != QLatin1String("vxp") && suffix != QLatin1String("bmp") &&
           pictureSuffixes().contains(suffix);
}

PictureFileConversion convertPictureFile(const QString &picturePath, const QString &outputPath,
                                         const VxpOptions &options)
{
    PictureFileConversion result;
    if (sameFile(picturePath, outputPath)) {
        result.error = QStringLiteral("Cannot convert %1: the output is the picture itself")
                           .arg(nameOf(picturePath));
        return result;
    }
    const QImage picture = readPicture(picturePath, result.error);
    if (picture.isNull())
        return result;
    const VxpConversion conversion = convertToVxp(picture, options);
    if (!conversion.error.isEmpty()) {
        result.error =
            QStringLiteral("Cannot convert %1: %2").arg(nameOf(picturePath), conversion.error);
        return result;
    }
    QString error;
    if (!writeFileSafely(outputPath, conversion.bytes, error)) {
        result.error = error;
        return result;
    }
    result.output = outputPath;
    result.warning = warningFor(picturePath, conversion);
    return result;
}
