#ifndef CLI_OUTPUTFOLDER_H
#define CLI_OUTPUTFOLDER_H

#include <QString>

// Makes `folder` with its parents when it does not exist, as a build script
// expects. Returns one line saying why when it cannot be made or a file other
// than a folder has its name; empty when it is a folder.
QString makeOutputFolder(const QString &folder);

#endif // CLI_OUTPUTFOLDER_H
