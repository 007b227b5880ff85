#include "config/cardpath.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <QStorageInfo>

namespace {

#ifdef Q_OS_WIN
constexpr Qt::CaseSensitivity pathCase = Qt::CaseInsensitive;
#else
constexpr Qt::CaseSensitivity pathCase = Qt::CaseSensitive;
#endif

QString withoutTrailingSlash(const QString &path)
{
    return path.size() > 1 && path.endsWith(QLatin1Char('/')) ? path.chopped(1) : path;
}

QString withoutDriveLetter(const QString &path)
{
    static const QRegularExpression drive(QStringLiteral("^[A-Za-z]:"));
    QString rest = path;
    rest.remove(drive);
    return rest.startsWith(QLatin1Char('/')) ? rest : QLatin1Char('/') + rest;
}

// The deepest folder or file on the path that exists: a file not yet on
// disk still belongs to the volume of the folder it would go into.
QString deepestExisting(const QString &absolutePath)
{
    QString existing = absolutePath;
    while (!QFileInfo::exists(existing)) {
        const QString parent = QFileInfo(existing).path();
        if (parent == existing)
            break;
        existing = parent;
    }
    return existing;
}

} // namespace

QString pathOnVolume(const QString &hostPath, const QString &volumeRoot)
{
    const QString path = QDir::cleanPath(QDir::fromNativeSeparators(hostPath));
    const QString root =
        withoutTrailingSlash(QDir::cleanPath(QDir::fromNativeSeparators(volumeRoot)));
    if (root.isEmpty() || root == QLatin1String("/"))
        return withoutDriveLetter(path);
    if (path.compare(root, pathCase) == 0)
        return QStringLiteral("/");
    if (path.startsWith(root + QLatin1Char('/'), pathCase))
        return path.mid(root.size());
    return withoutDriveLetter(path);
}

QString cardPathOn(const QString &hostPath, const QString &cardRoot)
{
    if (hostPath.isEmpty() || cardRoot.isEmpty())
        return cardPath(hostPath);
    const QString root = QFileInfo(cardRoot).canonicalFilePath();
    const QString absolute = QFileInfo(hostPath).absoluteFilePath();
    const QString existing = deepestExisting(absolute);
    const QString canonical = QFileInfo(existing).canonicalFilePath();
    if (root.isEmpty() || canonical.isEmpty())
        return cardPath(hostPath);
    const QString path = QDir::cleanPath(canonical + absolute.mid(existing.size()));
    if (path.startsWith(withoutTrailingSlash(root) + QLatin1Char('/'), pathCase))
        return pathOnVolume(path, root);
    return cardPath(hostPath);
}

QString cardPath(const QString &hostPath)
{
    if (hostPath.isEmpty())
        return QString();
    const QString absolute = QFileInfo(hostPath).absoluteFilePath();
    const QString existing = deepestExisting(absolute);
    // Storage roots are canonical, so symbolic links on the way must be resolved too.
    QString canonical = QFileInfo(existing).canonicalFilePath();
    if (canonical.isEmpty())
        canonical = existing;
    const QString path = QDir::cleanPath(canonical + absolute.mid(existing.size()));
    return pathOnVolume(path, QStorageInfo(canonical).rootPath());
}
