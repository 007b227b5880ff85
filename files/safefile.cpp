#include "files/safefile.h"

#include <QDir>
#include <QFileInfo>

#ifdef Q_OS_UNIX
#include <fcntl.h>
#include <unistd.h>
#endif

namespace {

QString nameOf(const QString &path)
{
    const QString name = QFileInfo(path).fileName();
    return name.isEmpty() ? QDir::toNativeSeparators(path) : name;
}

// The rename is only durable once the folder that holds the entry is synced.
void syncFolderOf(const QString &path)
{
#ifdef Q_OS_UNIX
    const QByteArray folder = QFile::encodeName(QFileInfo(path).absolutePath());
    const int fd = ::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
#else
    Q_UNUSED(path)
#endif
}

bool syncToDisk(QFileDevice &file)
{
#ifdef Q_OS_UNIX
    return ::fsync(file.handle()) == 0;
#else
    Q_UNUSED(file)
    return true;
#endif
}

} // namespace

QString outputPathProblem(const QString &path)
{
    if (path.isEmpty())
        return QStringLiteral("no file name given");
    const QFileInfo info(path);
    if (info.isDir())
        return QStringLiteral("it is a folder");
    if (info.exists() && !info.isFile())
        return QStringLiteral("it is not a plain file");
    if (!QFileInfo(info.absolutePath()).isDir())
        return QStringLiteral("its folder does not exist");
    return QString();
}

SafeFile::SafeFile(const QString &path) : file(path) {}

bool SafeFile::fail(const QString &what, const QString &why)
{
    problem = QStringLiteral("Cannot %1 %2: %3").arg(what, nameOf(file.fileName()), why);
    discard();
    return false;
}

bool SafeFile::open()
{
    // A device or pipe under the target's name would be replaced by a plain
    // file, which is never what was meant.
    const QString refused = outputPathProblem(file.fileName());
    if (!refused.isEmpty()) {
        problem = QStringLiteral("Cannot write %1: %2").arg(nameOf(file.fileName()), refused);
        return false;
    }
    if (!file.open(QIODevice::WriteOnly))
        return fail(QStringLiteral("create"), file.errorString());
    return true;
}

bool SafeFile::write(const char *data, qint64 size)
{
    if (file.write(data, size) != size)
        return fail(QStringLiteral("write"), file.errorString());
    return true;
}

bool SafeFile::commit()
{
    if (!file.isOpen())
        return false;
    if (!file.flush())
        return fail(QStringLiteral("write"), file.errorString());
    if (!syncToDisk(file))
        return fail(QStringLiteral("write"), QStringLiteral("the data did not reach the disk"));
    if (!file.commit()) {
        problem =
            QStringLiteral("Cannot write %1: %2").arg(nameOf(file.fileName()), file.errorString());
        return false;
    }
    syncFolderOf(file.fileName());
    return true;
}

void SafeFile::discard()
{
    if (!file.isOpen())
        return;
    // Committing a cancelled file closes it and removes the temporary file.
    file.cancelWriting();
    file.commit();
}

bool writeFileSafely(const QString &path, const QByteArray &bytes, QString &error)
{
    SafeFile file(path);
    const bool written = file.open() && file.write(bytes) && file.commit();
    if (!written)
        error = file.error();
    return written;
}
