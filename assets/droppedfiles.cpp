#include "assets/droppedfiles.h"

#include <QDir>
#include <QFileInfo>

namespace {

bool matches(const QFileInfo &file, const QStringList &suffixes)
{
    return suffixes.contains(file.suffix().toLower());
}

// By name, as "ls" lists them, whatever the locale: the same folder always
// gives the same list order.
QStringList filesInFolder(const QString &folder, const QStringList &suffixes)
{
    QStringList paths;
    const QFileInfoList entries =
        QDir(folder).entryInfoList(QDir::Files | QDir::Readable, QDir::Name);
    for (const QFileInfo &entry : entries) {
        if (matches(entry, suffixes))
            paths << entry.filePath();
    }
    return paths;
}

} // namespace

DroppedFiles droppedFiles(const QStringList &paths, const QStringList &suffixes,
                          const QStringList &folderSuffixes)
{
    DroppedFiles dropped;
    for (const QString &path : paths) {
        const QFileInfo info(path);
        if (info.isDir())
            dropped.accepted << filesInFolder(path, folderSuffixes);
        else if (matches(info, suffixes))
            dropped.accepted << path;
        else
            dropped.ignored << info.fileName();
    }
    return dropped;
}
