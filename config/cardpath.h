#ifndef CARDPATH_H
#define CARDPATH_H

#include <QString>

// `hostPath` relative to `volumeRoot`, with a leading "/": "E:/FONTS/a.vxf"
// on "E:/" and "/media/card/FONTS/a.vxf" on "/media/card" both give
// "/FONTS/a.vxf". A path outside the root keeps its own form, less any
// drive letter.
QString pathOnVolume(const QString &hostPath, const QString &volumeRoot);

// Where the module finds a host file once its volume is the module's card:
// the path from the root of the volume that holds it. A file that does not
// exist (yet) is placed by its nearest existing folder. Empty for an empty path.
QString cardPath(const QString &hostPath);

// The same with the card's root folder known (a card folder on the PC, or
// the folder a Config.txt was read from): a file inside it is placed from
// there; any other file as cardPath() places it.
QString cardPathOn(const QString &hostPath, const QString &cardRoot);

#endif // CARDPATH_H
