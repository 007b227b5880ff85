#include "serial/simulatorports.h"

#include <QDir>
#include <QFileInfo>

#ifdef Q_OS_UNIX
#include <cerrno>
#include <signal.h>
#include <unistd.h>
#endif

namespace {

const char *const linkPrefix = "vexelsim-";

bool processAlive(qint64 pid)
{
#ifdef Q_OS_UNIX
    return pid > 0 && (::kill(pid_t(pid), 0) == 0 || errno == EPERM);
#else
    Q_UNUSED(pid);
    return false;
#endif
}

} // namespace

QString simulatorLinkFolder()
{
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (!runtime.isEmpty())
        return runtime + QStringLiteral("/vexelsim");
#ifdef Q_OS_UNIX
    return QStringLiteral("/tmp/vexelsim-%1").arg(::getuid());
#else
    return QString();
#endif
}

QStringList runningSimulatorPorts(const QString &folder)
{
    QStringList ports;
    if (folder.isEmpty())
        return ports;
    const QDir dir(folder);
    const QString prefix = QString::fromLatin1(linkPrefix);
    const QStringList names = dir.entryList({prefix + QLatin1Char('*')}, QDir::System | QDir::Files,
                                            QDir::Name);
    for (const QString &name : names) {
        bool isNumber = false;
        const qint64 pid = name.mid(prefix.size()).toLongLong(&isNumber);
        const QString device = QFileInfo(dir.filePath(name)).symLinkTarget();
        // A simulator killed outright leaves its link; skip it.
        if (isNumber && processAlive(pid) && !device.isEmpty() && QFileInfo::exists(device))
            ports << device;
    }
    return ports;
}
