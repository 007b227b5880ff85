#ifndef PICTURECONVERSION_H
#define PICTURECONVERSION_H

#include "assets/vxpimage.h"

#include <QString>
#include <QStringList>

// Pictures of any format the platform reads, turned into .vxp files.

// "base.vxp" beside the picture, or in `outputFolder` when one is given.
QString vxpPathFor(const QString &picturePath, const QString &outputFolder = QString());

// The suffixes the platform can read, lower case, without the dot.
QStringList pictureSuffixes();

// A file dialog filter for them: "Pictures (*.png *.jpg ...)".
QString pictureFilter();

// Whether `path` is a picture to convert rather than a file the image list
// takes as it is (.vxp, .bmp).
bool needsConversion(const QString &path);

struct PictureFileConversion
{
    QString output;  // the .vxp written; empty when nothing was
    QString error;   // one line naming the picture, when nothing was written
    QString warning; // one line naming the picture: scaled down, or pixels that will vanish
};

// Reads the picture, converts it and writes the .vxp safely to `outputPath`.
PictureFileConversion convertPictureFile(const QString &picturePath, const QString &outputPath,
                                         const VxpOptions &options);

#endif // PICTURECONVERSION_H
