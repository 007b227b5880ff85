#include "cli/outputfolder.h"

#include "cli/console.h"

#include <QDir>
#include <QFileInfo>

QString makeOutputFolder(const QString &folder)
{
    const QFileInfo info(folder);
    if (info.exists() && !info.isDir())
        return QStringLiteral("%1: not a folder").arg(shown(folder));
    if (!info.exists() && !QDir().mkpath(folder))
        return QStringLiteral("%1: cannot make the folder").arg(shown(folder));
    return QString();
}
