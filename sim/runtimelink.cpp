#include "runtimelink.h"

#include <QDir>
#include <QFile>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

namespace vxsim {

namespace {
const QString LinkPrefix = QStringLiteral("vexelsim-");

bool ensurePrivateFolder(const QString &folder, QString *error)
{
    const QByteArray path = QFile::encodeName(folder);
    if (::mkdir(path.constData(), 0700) != 0 && errno != EEXIST) {
        *error = QStringLiteral("%1: %2").arg(folder, QString::fromLocal8Bit(strerror(errno)));
        return false;
    }
    // In /tmp anyone could have made the folder first; only our own will do.
    struct stat info
    {
    };
    if (::lstat(path.constData(), &info) != 0 || !S_ISDIR(info.st_mode) ||
        info.st_uid != ::getuid()) {
        *error = QStringLiteral("%1 is not a folder of this user").arg(folder);
        return false;
    }
    return true;
}

bool isProcessGone(qint64 pid)
{
    return ::kill(pid_t(pid), 0) != 0 && errno == ESRCH;
}
} // namespace

QString runtimeLinkFolder(const QString &xdgRuntimeDir, uint uid)
{
    if (!xdgRuntimeDir.isEmpty())
        return xdgRuntimeDir + QStringLiteral("/vexelsim");
    return QStringLiteral("/tmp/vexelsim-%1").arg(uid);
}

QString runtimeLinkName(qint64 pid)
{
    return LinkPrefix + QString::number(pid);
}

bool RuntimeLink::create(const QString &folder, qint64 pid, const QString &target, QString *error)
{
    // A pid can come round again after a hard kill: the link left behind is replaced.
    return ensurePrivateFolder(folder, error) &&
           link.place(folder + QLatin1Char('/') + runtimeLinkName(pid), target, error);
}

void RuntimeLink::removeStale(const QString &folder)
{
    const QDir dir(folder);
    const QStringList names = dir.entryList({LinkPrefix + QLatin1Char('*')}, QDir::System);
    for (const QString &name : names) {
        bool isNumber = false;
        const qint64 pid = name.mid(LinkPrefix.size()).toLongLong(&isNumber);
        if (isNumber && pid > 0 && isProcessGone(pid))
            QFile::remove(dir.filePath(name));
    }
}

} // namespace vxsim
