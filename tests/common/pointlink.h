#ifndef POINTLINK_H
#define POINTLINK_H

#include <QFile>
#include <QString>

#include <cstdio>

// Points the symbolic link `link` at `target` in one step, as udev and the
// simulator do for a device that comes and goes.
inline bool pointLink(const QString &link, const QString &target)
{
    const QString fresh = link + ".new";
    QFile::remove(fresh);
    return QFile::link(target, fresh) && std::rename(qPrintable(fresh), qPrintable(link)) == 0;
}

#endif // POINTLINK_H
