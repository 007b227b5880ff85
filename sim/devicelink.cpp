#include "devicelink.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

namespace vxsim {

namespace {

QString systemError(const QString &path)
{
    return QStringLiteral("%1: %2").arg(path, QString::fromLocal8Bit(strerror(errno)));
}

// Beside the link, so that the rename stays on one file system; hidden and
// named after the process, so that two simulators never share one.
QString temporaryPath(const QString &path)
{
    const QFileInfo info(path);
    return info.path() + QStringLiteral("/.%1.%2.tmp")
                             .arg(info.fileName())
                             .arg(QCoreApplication::applicationPid());
}

QString readLink(const QString &path)
{
    char target[4096];
    const ssize_t length = ::readlink(QFile::encodeName(path).constData(), target, sizeof target);
    return length > 0 ? QFile::decodeName(QByteArray(target, int(length))) : QString();
}

} // namespace

bool DeviceLink::mayReplace(const QString &path, QString *error)
{
    struct stat info
    {
    };
    if (::lstat(QFile::encodeName(path).constData(), &info) != 0 || S_ISLNK(info.st_mode))
        return true;
    *error = QStringLiteral("%1 exists and is not a symbolic link; it is left alone").arg(path);
    return false;
}

bool DeviceLink::place(const QString &path, const QString &target, QString *error)
{
    if (path == linkPath && target == linkTarget)
        return true;
    if (!mayReplace(path, error))
        return false;
    const QString temporary = temporaryPath(path);
    const QByteArray temporaryName = QFile::encodeName(temporary);
    ::unlink(temporaryName.constData()); // left by a killed process with our pid
    if (::symlink(QFile::encodeName(target).constData(), temporaryName.constData()) != 0) {
        *error = systemError(temporary);
        return false;
    }
    if (::rename(temporaryName.constData(), QFile::encodeName(path).constData()) != 0) {
        *error = systemError(path);
        ::unlink(temporaryName.constData());
        return false;
    }
    linkPath = path;
    linkTarget = target;
    return true;
}

void DeviceLink::remove()
{
    if (linkPath.isEmpty())
        return;
    if (readLink(linkPath) == linkTarget)
        ::unlink(QFile::encodeName(linkPath).constData());
    linkPath.clear();
    linkTarget.clear();
}

} // namespace vxsim
